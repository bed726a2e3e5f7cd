#include "resources/accessible_file.h"

#include <cstring>

namespace ravok {

bool isAccessibleHeader(const char* bytes, size_t size) {
    std::string_view text(bytes, strnlen(bytes, std::min<size_t>(size, 96)));
    return text.rfind("RAVOK_ACCESSIBLE_FILE", 0) == 0;
}

} // namespace ravok
