// The 96-byte header that marks a binary file as accessible to the scripts'
// ResourceReader and ResourceWriter: three 30-character lines with CR LF.
#pragma once

#include <cstddef>
#include <string_view>

namespace ravok {

constexpr std::string_view kAccessibleHeader = "RAVOK_ACCESSIBLE_FILE_0001____\r\n"
                                               "READABLE_WRITEABLE____________\r\n"
                                               "MEMORYCARD_0001_______________\r\n";
static_assert(kAccessibleHeader.size() == 96);

// The first bytes, read as text up to the first zero byte (at most 96), begin
// with RAVOK_ACCESSIBLE_FILE; the rest of the header is not checked.
bool isAccessibleHeader(const char* bytes, size_t size);

} // namespace ravok
