#include "support/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <thread>

#include "support/TempFolder.h"
#include "support/WholeFile.h"

extern char** environ;

namespace {

std::vector<char*> Pointers(std::vector<std::string>& aTexts) {
  std::vector<char*> pointers;
  for (std::string& text : aTexts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

ChildResult RunChild(const std::vector<std::string>& aArguments, const std::filesystem::path& aWorkingDirectory,
                     std::chrono::milliseconds aDeadline, const std::vector<std::string>& aEnvironment) {
  const TempFolder captures;
  const std::string outputFile = (captures.Path() / "stdout").string();
  const std::string errorFile = (captures.Path() / "stderr").string();

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addchdir_np(&actions, aWorkingDirectory.c_str());

  std::vector<std::string> arguments = aArguments;
  std::vector<std::string> environment;
  for (char** line = environ; *line != nullptr; ++line) environment.emplace_back(*line);
  environment.insert(environment.end(), aEnvironment.begin(), aEnvironment.end());
  std::vector<char*> argv = Pointers(arguments);
  std::vector<char*> envp = Pointers(environment);

  const auto start = std::chrono::steady_clock::now();
  pid_t child = 0;
  const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) throw std::runtime_error("cannot start " + aArguments[0]);

  ChildResult result;
  int status = 0;
  while (true) {
    const pid_t ended = waitpid(child, &status, WNOHANG);
    if (ended == child) {
      result.finished = true;
      break;
    }
    if (std::chrono::steady_clock::now() - start >= aDeadline) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  result.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  result.output = ReadWholeFile(outputFile);
  result.errors = ReadWholeFile(errorFile);
  return result;
}
