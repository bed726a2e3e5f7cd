#include "base/reporter.h"

#include "base/encoding.h"
#include "base/sound_ticker.h"

#include <cstdio>
#include <set>

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

void TReporter::problem(const std::string& text) {
    std::fprintf(stderr, "ravok: %s\n", cp932ToTerminal(text).c_str());
    std::fflush(stderr);
}

void ReportProblemOnce(const std::string& key, const std::string& text) {
    static std::set<std::string> said;
    if (!said.insert(key).second) return;
    active().problem(text);
}

TReporter* setReporter(TReporter* reporter) {
    TReporter* old = current();
    current() = reporter;
    return old;
}

} // namespace ravok
