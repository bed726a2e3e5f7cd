// Line and column of a byte offset in a source text, for messages
// (FILE:LINE:COL). Both count from 1; a double-byte character is one column.
#pragma once

#include <cstdint>
#include <string_view>

namespace ravok {

struct TSourcePosition {
    int32_t line;
    int32_t column;
};

TSourcePosition sourcePosition(std::string_view source, int32_t offset);

} // namespace ravok
