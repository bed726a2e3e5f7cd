#include "app/position_reporter.h"

#include "base/encoding.h"

#include "app/error_report.h"

#include <cstdio>

namespace ravok {

void TPositionReporter::reportError(const std::string& text, const TTrace& trace) {
    ++errors;
    std::fputs(utf8ToTerminal(makeErrorReport(text, trace, shownNames).text()).c_str(), stderr);
    std::fflush(stderr);
}

} // namespace ravok
