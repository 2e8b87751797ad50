#include <gtest/gtest.h>

#include "sim/SimOptions.h"

namespace {

using ovsim::ParseOutcome;
using ovsim::ParseSimOptions;
using ovsim::SimOptions;

TEST(SimOptions, ReadsEveryOptionInBothSpellings) {
  SimOptions options;
  std::string error;
  ASSERT_EQ(ParseSimOptions({"--host", "127.0.0.2", "--terminal-port=8443", "--signing-port", "8444",
                             "--cert-out", "c.pem", "--info-out=i.json", "--record", "r.jsonl", "--user", "u",
                             "--password", "p", "--terminal-id", "T9", "--api-key", "k", "--impact-api-key", "ik",
                             "--delay-ms", "0", "--quiet"},
                            options, error),
            ParseOutcome::Run)
      << error;
  EXPECT_EQ(options.fHost, "127.0.0.2");
  EXPECT_EQ(options.fTerminalPort, 8443);
  EXPECT_EQ(options.fSigningPort, 8444);
  EXPECT_EQ(options.fCertOut, "c.pem");
  EXPECT_EQ(options.fInfoOut, "i.json");
  EXPECT_EQ(options.fRecordFile, "r.jsonl");
  EXPECT_EQ(options.fUser, "u");
  EXPECT_EQ(options.fPassword, "p");
  EXPECT_EQ(options.fTerminalId, "T9");
  EXPECT_EQ(options.fApiKey, "k");
  EXPECT_EQ(options.fImpactApiKey, "ik");
  EXPECT_EQ(options.fDelayMs, 0);
  EXPECT_TRUE(options.fQuiet);
}

TEST(SimOptions, RefusesMisuseWithAReason) {
  const std::vector<std::vector<std::string>> cases = {
      {"--host", "0.0.0.0"},       {"--host", "192.168.1.5"},   {"--host", "example.com"},
      {"--terminal-port", "70000"}, {"--signing-port", "12x"},   {"--delay-ms", "-1"},
      {"--terminal-id", "a/b"},     {"--user", ""},              {"--record"},
      {"--bogus"},                  {"extra"},                   {"--terminal-port", "9000", "--signing-port", "9000"},
  };
  for (const auto& arguments : cases) {
    SimOptions options;
    std::string error;
    EXPECT_EQ(ParseSimOptions(arguments, options, error), ParseOutcome::Error) << arguments[0];
    EXPECT_FALSE(error.empty()) << arguments[0];
  }
}

TEST(SimOptions, HelpExplainsOptionsAmountsAndRecords) {
  SimOptions options;
  std::string error;
  EXPECT_EQ(ParseSimOptions({"--help"}, options, error), ParseOutcome::Help);
  const std::string help = ovsim::HelpText();
  for (const char* word : {"--host", "--terminal-port", "--signing-port", "--cert-out", "--info-out", "--record",
                           "--user", "--password", "--terminal-id", "--api-key", "--impact-api-key", "--delay-ms",
                           "Result 7", "Signing service unavailable", "\"service\""}) {
    EXPECT_NE(help.find(word), std::string::npos) << word;
  }
}

TEST(SimOptions, LoopbackHostsOnly) {
  for (const char* host : {"127.0.0.1", "127.1.2.3", "::1", "localhost"}) EXPECT_TRUE(ovsim::IsLoopbackHost(host)) << host;
  for (const char* host : {"0.0.0.0", "::", "128.0.0.1", "::ffff:127.0.0.1", ""}) EXPECT_FALSE(ovsim::IsLoopbackHost(host)) << host;
}

}  // namespace
