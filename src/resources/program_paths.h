// The folders the player makes beside the program directory: Temp for
// generated files and the settings folder, each with a fallback under the
// user's XDG folders when the program directory cannot be written. All are
// program paths (Windows form, see runtime/paths.h).
#pragma once

#include "runtime/directories.h"

#include <string>
#include <string_view>

namespace ravok {

// The program directory's Temp folder, or $XDG_CACHE_HOME/ravok/Temp when the
// program directory cannot be written. Created on first use.
std::string tempDirectory();
// Where Kernel\Cookies.ini is written: the program directory's Kernel folder,
// or $XDG_CONFIG_HOME/ravok when that cannot be written or RAVOK_SAVES=user.
std::string settingsDirectory();

// Where the window's screenshots and GIF recordings go: the program
// directory's Screenshots folder, or the user's pictures folder
// (XDG_PICTURES_DIR of $XDG_CONFIG_HOME/user-dirs.dirs, else ~/Pictures) when
// the program directory cannot be written. Created on first use.
std::string screenshotDirectory();

// relativePath(p, program directory), ".." as "@", only @, letters, digits and
// _ kept, prefixed, inside the Temp folder (created if missing).
std::string tempName(std::string_view p, std::string_view prefix);

} // namespace ravok
