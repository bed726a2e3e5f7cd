// Fuzz target: any bytes through the tag reader. Errors are reported, never
// crashes; the messages are dropped.
#include "sgml.h"

#include "platform/reporter.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace {
class TSilent : public ravok::TReporter {
public:
    void notice(const std::string&, const ravok::TTrace&) override {}
    void reportError(const std::string&, const ravok::TTrace&) override {}
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static TSilent silent;
    ravok::setReporter(&silent);
    std::string text(reinterpret_cast<const char*>(data), size);
    size_t cursor = 0;
    try {
        auto e = ravok::TSGML::fromTag(text, cursor);
        e->write();
    } catch (const std::exception&) {}
    return 0;
}
