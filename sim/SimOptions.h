// Command-line settings of the simulator. The defaults are those of a fresh
// start without options; ParseSimOptions fills the record from argv.
#pragma once

#include <string>
#include <vector>

namespace ovsim {

struct SimOptions {
  std::string fHost = "127.0.0.1";  // loopback only
  int fTerminalPort = 0;            // 0: a free port chosen at start
  int fSigningPort = 0;
  std::string fCertOut;     // empty: a file in a temporary folder of our own
  std::string fInfoOut;     // empty: no info file
  std::string fRecordFile;  // empty: requests are not recorded
  std::string fUser = "demo";
  std::string fPassword = "demo-password";
  std::string fTerminalId = "T1001";
  std::string fApiKey;  // empty: the terminal service asks for no X-Api-Key
  std::string fImpactApiKey = "impact-demo-key";
  int fDelayMs = 3000;  // how long the "slow" amount keeps the card holder
  bool fQuiet = false;  // no request lines on stderr
};

enum class ParseOutcome { Run, Help, Error };

// Reads the arguments after the program name. On Error, aError says why.
ParseOutcome ParseSimOptions(const std::vector<std::string>& aArguments, SimOptions& aOptions,
                             std::string& aError);

// True for 127.0.0.0/8, ::1 and "localhost".
bool IsLoopbackHost(const std::string& aHost);

// The address to bind and to put into URLs ("localhost" becomes 127.0.0.1).
std::string NumericHost(const std::string& aHost);

std::string HelpText();

}  // namespace ovsim
