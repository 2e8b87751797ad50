// Runs a program as a child process the way a till starts its host program:
// own working directory, standard output and error caught in files, and a
// deadline after which it is killed and reported as hung.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

struct ChildResult {
  bool finished = false;  // false: still running at the deadline, then killed
  int exitCode = -1;      // the exit status; -1 when it ended by a signal
  int signal = 0;         // the signal that ended it, 0 when it exited
  std::chrono::milliseconds elapsed{0};
  std::string output;  // standard output
  std::string errors;  // standard error
};

// aArguments[0] is the program's path. aEnvironment lines "NAME=value" are
// added to this process's environment for the child.
ChildResult RunChild(const std::vector<std::string>& aArguments, const std::filesystem::path& aWorkingDirectory,
                     std::chrono::milliseconds aDeadline, const std::vector<std::string>& aEnvironment = {});
