#include "compiler/source_position.h"

#include "runtime/sjis.h"

namespace ravok {

TSourcePosition sourcePosition(std::string_view source, int32_t offset) {
    return TSourcePositionWalker(source).at(offset);
}

TSourcePosition TSourcePositionWalker::at(int32_t offset) {
    size_t end = offset < 0 ? 0 : std::min(source_.size(), size_t(offset));
    if (end < done_) {
        done_ = 0;
        position_ = {1, 1};
    }
    TSourcePosition& p = position_;
    const std::string_view source = source_;
    size_t i = done_;
    for (; i < end; ++i) {
        unsigned char c = static_cast<unsigned char>(source[i]);
        if (c == '\n') {
            ++p.line;
            p.column = 1;
        } else if (c != '\r') {
            if (isLeadByte(c) && i + 1 < source.size()) ++i;
            ++p.column;
        }
    }
    // An offset on the second byte of a character counts that character
    // whole; the next count goes on after it.
    done_ = i;
    return p;
}

} // namespace ravok
