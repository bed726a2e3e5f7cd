// The two folders every part of the player resolves against: the program
// directory (where the executable and the kernel live) and the base directory
// (the folder of the current page). Both are program paths (Windows form, see
// paths.h). The folders made from them (Temp, settings) are in
// resources/program_paths.h.
#pragma once

#include <string>
#include <string_view>

namespace ravok {

const std::string& programDirectory();
void setProgramDirectory(std::string_view dir);

const std::string& baseDirectory();
void setBaseDirectory(std::string_view dir);

// A path as resource files store it: relative to the base directory; an
// empty path stays empty.
std::string relativeToBase(std::string_view path);

} // namespace ravok
