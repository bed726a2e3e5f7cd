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

// Positions of offsets taken in rising order, each counted on from the last:
// a listing of every token stays linear in the source's length.
class TSourcePositionWalker {
public:
    explicit TSourcePositionWalker(std::string_view source) : source_(source) {}
    // An offset before the last one starts the count again from the top.
    TSourcePosition at(int32_t offset);

private:
    std::string_view source_;
    size_t done_ = 0;
    TSourcePosition position_{1, 1};
};

} // namespace ravok
