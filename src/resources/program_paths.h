// The folders every part of the player resolves against: the program
// directory (where the executable and the kernel live), the base directory
// (the folder of the current page) and the Temp folder for generated files.
// All are program paths (Windows form, see paths.h).
#pragma once

#include <string>
#include <string_view>

namespace ravok {

const std::string& programDirectory();
void setProgramDirectory(std::string_view dir);

const std::string& baseDirectory();
void setBaseDirectory(std::string_view dir);

// The program directory's Temp folder, or $XDG_CACHE_HOME/ravok/Temp when the
// program directory cannot be written. Created on first use.
std::string tempDirectory();
// Where Kernel\Cookies.ini is written: the program directory's Kernel folder,
// or $XDG_CONFIG_HOME/ravok when that cannot be written.
std::string settingsDirectory();

// relativePath(p, program directory), ".." as "@", only @, letters, digits and
// _ kept, prefixed, inside the Temp folder (created if missing).
std::string tempName(std::string_view p, std::string_view prefix);

} // namespace ravok
