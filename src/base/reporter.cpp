#include "base/reporter.h"

#include "base/sound_ticker.h"

namespace ravok {

namespace {
TReporter*& current() {
    static TReporter* reporter = nullptr;
    return reporter;
}
TReporter& active() { return current() ? *current() : headlessReporter(); }
} // namespace

void Notice(const std::string& text, const TTrace& trace) {
    soundTicker().tick();
    active().notice(text, trace);
}

bool NoticeTracesRead() { return active().readsNoticeTraces(); }

void ReportError(const std::string& text, const TTrace& trace) {
    soundTicker().tick();
    active().reportError(text, trace);
}

TReporter* setReporter(TReporter* reporter) {
    TReporter* old = current();
    current() = reporter;
    return old;
}

} // namespace ravok
