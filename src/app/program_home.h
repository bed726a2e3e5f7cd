// Finding the program directory: --home DIR, else $RAVOK_HOME, else the
// folder of the executable.
#pragma once

#include <string>

namespace ravok {

// The host path of the folder the running executable is in.
std::string executableFolder();

// The host path of the program directory.
std::string findProgramHome(const std::string& homeOption);

} // namespace ravok
