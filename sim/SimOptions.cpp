#include "sim/SimOptions.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <charconv>
#include <functional>
#include <map>

namespace ovsim {

namespace {

bool ParseInt(const std::string& aText, int aMin, int aMax, int& aValue) {
  int value = 0;
  const char* end = aText.data() + aText.size();
  auto [ptr, ec] = std::from_chars(aText.data(), end, value);
  if (aText.empty() || ec != std::errc() || ptr != end || value < aMin || value > aMax) return false;
  aValue = value;
  return true;
}

}  // namespace

bool IsLoopbackHost(const std::string& aHost) {
  if (aHost == "localhost") return true;
  in_addr v4{};
  if (inet_pton(AF_INET, aHost.c_str(), &v4) == 1) return (ntohl(v4.s_addr) >> 24) == 127;
  in6_addr v6{};
  if (inet_pton(AF_INET6, aHost.c_str(), &v6) == 1) return IN6_IS_ADDR_LOOPBACK(&v6);
  return false;
}

std::string NumericHost(const std::string& aHost) {
  return aHost == "localhost" ? std::string("127.0.0.1") : aHost;
}

ParseOutcome ParseSimOptions(const std::vector<std::string>& aArguments, SimOptions& aOptions,
                             std::string& aError) {
  using Setter = std::function<bool(const std::string&)>;
  auto text = [](std::string& aField, bool aMayBeEmpty) {
    return Setter([&aField, aMayBeEmpty](const std::string& aValue) {
      if (aValue.empty() && !aMayBeEmpty) return false;
      aField = aValue;
      return true;
    });
  };
  auto number = [](int& aField, int aMin, int aMax) {
    return Setter([&aField, aMin, aMax](const std::string& aValue) {
      return ParseInt(aValue, aMin, aMax, aField);
    });
  };
  const std::map<std::string, Setter> setters = {
      {"--host", Setter([&aOptions](const std::string& aValue) {
         if (!IsLoopbackHost(aValue)) return false;
         aOptions.fHost = aValue;
         return true;
       })},
      {"--terminal-port", number(aOptions.fTerminalPort, 0, 65535)},
      {"--signing-port", number(aOptions.fSigningPort, 0, 65535)},
      {"--cert-out", text(aOptions.fCertOut, false)},
      {"--info-out", text(aOptions.fInfoOut, false)},
      {"--record", text(aOptions.fRecordFile, false)},
      {"--user", text(aOptions.fUser, false)},
      {"--password", text(aOptions.fPassword, false)},
      {"--terminal-id", Setter([&aOptions](const std::string& aValue) {
         // The id is one path segment of the terminal URLs.
         if (aValue.empty() || aValue.find_first_of("/?#% ") != std::string::npos) return false;
         aOptions.fTerminalId = aValue;
         return true;
       })},
      {"--api-key", text(aOptions.fApiKey, true)},
      {"--impact-api-key", text(aOptions.fImpactApiKey, false)},
      {"--delay-ms", number(aOptions.fDelayMs, 0, 600000)},
  };

  for (size_t i = 0; i < aArguments.size(); ++i) {
    const std::string& argument = aArguments[i];
    if (argument == "--help" || argument == "-h") return ParseOutcome::Help;
    if (argument == "--quiet") {
      aOptions.fQuiet = true;
      continue;
    }
    std::string name = argument;
    std::string value;
    bool hasValue = false;
    if (const size_t equals = argument.find('='); argument.rfind("--", 0) == 0 && equals != std::string::npos) {
      name = argument.substr(0, equals);
      value = argument.substr(equals + 1);
      hasValue = true;
    }
    const auto setter = setters.find(name);
    if (setter == setters.end()) {
      aError = "unknown option '" + argument + "'";
      return ParseOutcome::Error;
    }
    if (!hasValue) {
      if (i + 1 >= aArguments.size()) {
        aError = "option '" + name + "' needs a value";
        return ParseOutcome::Error;
      }
      value = aArguments[++i];
    }
    if (!setter->second(value)) {
      aError = "invalid value '" + value + "' for option '" + name + "'";
      if (name == "--host") aError += " (only loopback addresses are served)";
      return ParseOutcome::Error;
    }
  }
  if (aOptions.fTerminalPort != 0 && aOptions.fTerminalPort == aOptions.fSigningPort) {
    aError = "the terminal and the signing service need different ports";
    return ParseOutcome::Error;
  }
  return ParseOutcome::Run;
}

std::string HelpText() {
  return R"(Usage: ovpa-sim [options]

Simulates, over HTTPS on a loopback address, the two services the EPay WebECR
driver talks to: the terminal service (log-in, token refresh, txninit,
txnvoid) and the e-invoice signing service (signpos). Both share one state, so
only signatures this process issued are accepted by its terminal service.

Options (--name value or --name=value):
  --host ADDR            loopback address to serve on (127.0.0.0/8, ::1 or
                         localhost; default 127.0.0.1)
  --terminal-port N      port of the terminal service (default 0: a free port)
  --signing-port N       port of the signing service (default 0: a free port)
  --cert-out FILE        where to write the PEM of the self-signed certificate
                         made at start (default: ca.pem in a new temporary
                         folder, removed at exit); clients trust this file
  --info-out FILE        once both services accept connections, write there
                         (atomically) one JSON object:
                         {"terminalUrl":"https://127.0.0.1:P",
                          "signingUrl":"https://127.0.0.1:Q",
                          "caFile":"<PEM path>","recordFile":"<path or empty>"}
                         The same object is always printed on stdout.
  --record FILE          append every request received as one JSON line,
                         written and flushed before the answer is sent:
                         {"service":"terminal"|"signing","method":"POST",
                          "path":"/token","headers":{"Name":"value",...},
                          "body":"<raw body>"}
                         (repeated header names are joined with ", "; the
                         lines hold passwords, tokens and keys in clear)
  --user NAME            log-in user name (default demo)
  --password TEXT        log-in password (default demo-password)
  --terminal-id ID       the one terminal served (default T1001); other ids
                         answer 404
  --api-key KEY          when given, the terminal service requires the header
                         X-Api-Key: KEY (else 403)
  --impact-api-key KEY   the signing service requires the header APIKey: KEY
                         (else 401; default impact-demo-key)
  --delay-ms N           how long the slow amount (cents 08) waits before it
                         is approved (default 3000)
  --quiet                no request lines on stderr
  --help                 this text

Outcome of txninit by the cents of "Amount" (hundredths, Amount modulo 100):
  01  Result 2  declined          05  Result 6  busy
  02  Result 3  cancelled, no     06  Result 7  transactions limit reached
                "Transaction"     07  Result 0  a code the driver does not know
  03  Result 4  failed            08  Result 1  approved after --delay-ms
  04  Result 5  unknown error          (Result 3 if "Timeout" runs out first)
  09  HTTP 500 with an HTML body  10  HTTP 400 {"error":"Invalid amount"}
  anything else: Result 1 approved. The card brand follows the whole units,
  (Amount / 100) modulo 4: 0 Visa, 1 Mastercard, 2 American Express,
  3 Maestro (20.00 Visa, 21.00 Mastercard, 22.00 Amex, 23.00 Maestro).
Signing (signpos) by the cents of "paymentAmount":
  11  HTTP 500 with an HTML body  12  HTTP 503 {"error":"Signing service unavailable"}
  anything else: signed.

An e-invoice signature is accepted by txninit once: the first txninit answered
with a Result spends it. Only approved, not yet voided transactions can be
voided (by their "TransactionId").

SIGINT or SIGTERM stops the simulator.
)";
}

}  // namespace ovsim
