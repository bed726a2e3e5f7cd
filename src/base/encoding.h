// Conversion between the system's CP932 byte strings and UTF-8, used only at
// the edges (terminal, file names, widgets, text rendering).
#pragma once

#include <string>
#include <string_view>

namespace ravok {

// Bytes that do not convert are replaced by '?', so output never fails.
std::string cp932ToUtf8(std::string_view text);
std::string utf8ToCp932(std::string_view text);

} // namespace ravok
