// Fuzz target: any bytes through the tag reader. Errors are reported, never
// crashes; the messages are dropped.
#include "resources/sgml.h"

#include "silent_reporter.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ravok::fuzz::silence();
    std::string text(reinterpret_cast<const char*>(data), size);
    size_t cursor = 0;
    try {
        auto e = ravok::TSGML::fromTag(text, cursor);
        e->write();
    } catch (const std::exception&) {}
    return 0;
}
