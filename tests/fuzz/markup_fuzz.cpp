// Fuzz target: any bytes through the markup stream reader, and what it read
// through the writer and back.
#include "sgml.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    size_t cursor = 0;
    while (auto e = ravok::TSGML::read(text, cursor)) {
        std::string written = e->write();
        ravok::TSGML::readDocument(written);
        if (cursor >= text.size()) break;
        ++cursor; // past a closing tag the reader stopped at
    }
    return 0;
}
