// Fuzz target: any bytes through the markup stream reader, what it read
// through the writer and back, and the elements built into resources.
#include "resources/resource_reader.h"
#include "resources/sgml.h"

#include "silent_reporter.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ravok::fuzz::silence();
    std::string_view text(reinterpret_cast<const char*>(data), size);
    size_t cursor = 0;
    while (auto e = ravok::TSGML::read(text, cursor)) {
        std::string written = e->write();
        ravok::TSGML::readDocument(written);
        try {
            // Links name files that do not exist here: a file error, not a crash.
            ravok::buildResource(*e, "\\nowhere");
        } catch (const std::exception&) {}
        if (cursor >= text.size()) break;
        ++cursor; // past a closing tag the reader stopped at
    }
    return 0;
}
