#include "windows/WineRun.h"

#include <gtest/gtest.h>

ChildResult RunUnderWine(const std::string& aProgram, const std::vector<std::string>& aArguments,
                         const std::filesystem::path& aWorkingDirectory, std::chrono::milliseconds aDeadline,
                         const std::vector<std::string>& aEnvironment) {
  std::vector<std::string> arguments = {OV_WINE64, (std::filesystem::path(OV_WIN64_BUILD_DIR) / aProgram).string()};
  arguments.insert(arguments.end(), aArguments.begin(), aArguments.end());
  std::vector<std::string> environment = {std::string("WINEPREFIX=") + OV_WINE_PREFIX, "WINEDEBUG=-all"};
  environment.insert(environment.end(), aEnvironment.begin(), aEnvironment.end());
  return RunChild(arguments, aWorkingDirectory, aDeadline, environment);
}

rapidjson::Document ProbeAnswer(const ChildResult& aRun) {
  EXPECT_TRUE(aRun.finished);
  EXPECT_EQ(aRun.exitCode, 0) << aRun.errors;
  rapidjson::Document answer;
  answer.Parse(aRun.output.c_str());
  EXPECT_FALSE(answer.HasParseError()) << aRun.output << aRun.errors;
  if (answer.HasParseError() || !answer.IsObject()) answer.SetObject();
  return answer;
}
