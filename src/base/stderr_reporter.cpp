// The headless reporter: errors go to standard error, one line for the text and
// one per trace entry; notices are dropped, as on the desktop.
#include "base/encoding.h"
#include "base/reporter.h"

#include <cstdio>

namespace ravok {

namespace {
class TStderrReporter final : public TReporter {
public:
    void notice(const std::string&, const TTrace&) override {}
    bool readsNoticeTraces() const override { return false; }
    void reportError(const std::string& text, const TTrace& trace) override {
        std::fprintf(stderr, "ravok: %s\n", cp932ToTerminal(text).c_str());
        for (const TTraceEntry& e : trace)
            std::fprintf(stderr, "  at %s (offset %d)\n", cp932ToTerminal(e.source).c_str(),
                         int(e.offset));
        std::fflush(stderr);
    }
};
} // namespace

TReporter& headlessReporter() {
    static TStderrReporter reporter;
    return reporter;
}

} // namespace ravok
