// Programs of the 64-bit Windows build run under Wine in the suite's prefix
// (fixture wine_prefix), with Wine's own messages off.
#pragma once

#include <rapidjson/document.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "support/ChildProcess.h"

// aProgram is a path inside the 64-bit build folder, e.g. "tools/ovpa-host.exe".
ChildResult RunUnderWine(const std::string& aProgram, const std::vector<std::string>& aArguments,
                         const std::filesystem::path& aWorkingDirectory, std::chrono::milliseconds aDeadline,
                         const std::vector<std::string>& aEnvironment = {});

// The JSON object a probe printed as its whole output. A run that hung or
// failed, or output that is no JSON object, fails the test and gives an
// empty object.
rapidjson::Document ProbeAnswer(const ChildResult& aRun);
