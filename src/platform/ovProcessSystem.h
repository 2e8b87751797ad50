// What the system reports about the host process, behind the test overrides
// of ovProcess.h. One implementation per system.
#pragma once

#include <string>
#include <vector>

std::u16string SystemExecutablePath();
// The arguments after the program path.
std::vector<std::u16string> SystemCommandLineArguments();
std::u16string SystemWindowsDirectory();
