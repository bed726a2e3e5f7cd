#include "app/position_reporter.h"

#include "compiler/source_position.h"
#include "resources/host_files.h"

#include "base/encoding.h"

#include <cstdio>

namespace ravok {

void TPositionReporter::reportError(const std::string& text, const TTrace& trace) {
    ++errors;
    std::string message = cp932ToUtf8(text);
    if (!trace.empty() && !trace[0].source.empty()) {
        std::string source;
        if (readWholeFile(trace[0].source, source)) {
            TSourcePosition p = sourcePosition(source, trace[0].offset);
            auto shown = shownNames.find(trace[0].source);
            std::string name =
                shown != shownNames.end() ? shown->second : toHostPath(trace[0].source);
            std::fprintf(stderr, "%s:%d:%d: %s\n", name.c_str(), p.line, p.column, message.c_str());
            std::fflush(stderr);
            return;
        }
    }
    std::fprintf(stderr, "ravok: %s\n", message.c_str());
    std::fflush(stderr);
}

} // namespace ravok
