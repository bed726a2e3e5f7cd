#include "compiler/source_position.h"

#include "runtime/sjis.h"

namespace ravok {

TSourcePosition sourcePosition(std::string_view source, int32_t offset) {
    TSourcePosition p{1, 1};
    size_t end = offset < 0 ? 0 : std::min(source.size(), size_t(offset));
    for (size_t i = 0; i < end; ++i) {
        unsigned char c = static_cast<unsigned char>(source[i]);
        if (c == '\n') {
            ++p.line;
            p.column = 1;
        } else if (c != '\r') {
            if (isLeadByte(c) && i + 1 < end) ++i;
            ++p.column;
        }
    }
    return p;
}

} // namespace ravok
