// Splitting a text file's contents into lines (LF or CR LF).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ravok {

std::vector<std::string> textLines(std::string_view text);

} // namespace ravok
