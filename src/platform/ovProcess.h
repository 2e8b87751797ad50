// Facts about the host process: where its executable lies, its command line,
// its environment, and the folder that stands for the Windows directory.
#pragma once

#include <string>
#include <vector>

// Full path of the host program's executable (the process's main module, not
// this library).
std::u16string HostExecutablePath();
// Folder of the host executable, without a trailing delimiter.
std::u16string HostExecutableFolder();
// The host's command-line arguments, the program path not among them.
std::vector<std::u16string> CommandLineArguments();
// Value of an environment variable; empty when it is not set.
std::u16string EnvironmentVariable(const std::u16string& aName);
// The folder that plays the Windows directory's part ("/etc" on POSIX).
std::u16string WindowsDirectory();
std::u16string CurrentDirectory();

// Test seams: replace what the process reports (an empty value restores it).
void SetHostExecutablePathForTesting(const std::u16string& aPath);
void SetCommandLineArgumentsForTesting(const std::vector<std::u16string>* aArguments);
void SetWindowsDirectoryForTesting(const std::u16string& aPath);
