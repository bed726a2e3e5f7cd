#include "app/error_report.h"

#include "runtime/messages.h"

#include "base/encoding.h"
#include "compiler/source_position.h"
#include "resources/host_files.h"
#include "resources/source_files.h"
#include "runtime/directories.h"
#include "runtime/sjis.h"

#include <tuple>

namespace ravok {

namespace {

// A backslash that begins a program path: at the start, or after a blank, a
// quote or a bracket. Paths glued to a word ("Syntax Error\a\b.ravok") are
// matched through the trace instead.
bool startsPath(const std::string& text, size_t i) {
    if (text[i] != '\\' || i + 1 >= text.size() || text[i + 1] == '\\') return false;
    if (i == 0) return true;
    char before = text[i - 1];
    return before == ' ' || before == '"' || before == '\'' || before == '(' || before == '\t';
}

// The end of a program path that starts at i: a blank, a quote, a bracket,
// or a colon that ends the path (": No such file").
size_t pathEnd(const std::string& text, size_t i) {
    size_t j = i;
    while (j < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[j]);
        if (isLeadByte(c) && j + 1 < text.size()) {
            j += 2;
            continue;
        }
        if (c == ' ' || c == '\t' || c == '"' || c == '\'' || c == ')' || c == '\n' || c == '\r')
            break;
        if (c == ':' && (j + 1 == text.size() || text[j + 1] == ' ')) break;
        ++j;
    }
    return j;
}

bool hasTwoParts(const std::string& path) {
    size_t n = 0;
    for (char c : path)
        n += c == '\\';
    return n >= 2;
}

bool endsWith(const std::string& text, const std::string& tail) {
    return !tail.empty() && text.size() > tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::string shownName(const std::string& programPath,
                      const std::map<std::string, std::string>& shownNames) {
    auto found = shownNames.find(programPath);
    return found != shownNames.end() ? found->second : toHostPath(programPath);
}

// The line holding offset, and the marker under its column: tabs stay tabs
// so the marker lines up however the terminal sets them, and a double-byte
// character is two cells wide.
void lineAround(const std::string& source, int32_t offset, std::string& line, std::string& marker) {
    size_t at = size_t(std::max<int32_t>(0, std::min<int32_t>(offset, int32_t(source.size()))));
    size_t begin = at == 0 ? std::string::npos : source.rfind('\n', at - 1);
    begin = begin == std::string::npos ? 0 : begin + 1;
    size_t end = source.find_first_of("\r\n", begin);
    if (end == std::string::npos) end = source.size();
    line = source.substr(begin, end - begin);
    marker.clear();
    for (size_t i = begin; i < at && i < end;) {
        unsigned char c = static_cast<unsigned char>(source[i]);
        if (c == '\t') {
            marker += '\t';
            ++i;
        } else if (isLeadByte(c) && i + 1 < end) {
            marker += "  ";
            i += 2;
        } else {
            marker += ' ';
            ++i;
        }
    }
    marker += '^';
}

} // namespace

bool isKernelSource(const std::string& programPath) {
    std::string kernel = programDirectory() + "\\Kernel\\";
    return programPath.size() > kernel.size() &&
           equalsNoCase(std::string_view(programPath).substr(0, kernel.size()), kernel);
}

std::string hostFormMessage(const std::string& text) {
    std::string out;
    size_t plain = 0;
    for (size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (isLeadByte(c)) {
            i += 2;
            continue;
        }
        if (startsPath(text, i)) {
            size_t end = pathEnd(text, i);
            std::string path = text.substr(i, end - i);
            if (hasTwoParts(path)) {
                out += cp932ToUtf8(text.substr(plain, i - plain)) + toHostPath(path);
                plain = i = end;
                continue;
            }
        }
        ++i;
    }
    return out + cp932ToUtf8(text.substr(std::min(plain, text.size())));
}

TErrorReport makeErrorReport(const std::string& text, const TTrace& trace,
                             const std::map<std::string, std::string>& shownNames) {
    TErrorReport report;
    std::string message = text;
    int innermost = -1;   // the first frame that could be placed
    int authorFrame = -1; // the first of them outside the kernel
    std::map<std::string, std::string> sources;
    std::vector<std::pair<std::string, std::string>> excerpts; // line and marker, a frame each
    for (const TTraceEntry& e : trace) {
        if (e.source.empty()) continue;
        auto cached = sources.find(e.source);
        if (cached == sources.end()) {
            std::string source = sourceTextOf(e.source);
            if (source.empty()) continue;
            cached = sources.emplace(e.source, std::move(source)).first;
        }
        TSourcePosition p = sourcePosition(cached->second, e.offset);
        TReportFrame frame{shownName(e.source, shownNames), p.line, p.column, cp932ToUtf8(e.where),
                           isKernelSource(e.source)};
        std::string line, marker;
        lineAround(cached->second, e.offset, line, marker);
        int index = int(report.trace.size());
        if (innermost < 0) innermost = index;
        if (authorFrame < 0 && !frame.kernel) authorFrame = index;
        report.trace.push_back(frame);
        excerpts.push_back({cp932ToUtf8(line), marker});
        // A message that ends with the source path says what the position
        // says already.
        if (endsWith(message, e.source)) message.resize(message.size() - e.source.size());
    }
    report.message = hostFormMessage(message);
    if (size_t nl = report.message.find('\n'); nl != std::string::npos) {
        report.note = report.message.substr(nl + 1);
        report.message.resize(nl);
    }
    int chosen = authorFrame >= 0 ? authorFrame : innermost;
    if (chosen >= 0) {
        report.positioned = true;
        report.at = report.trace[size_t(chosen)];
        std::tie(report.sourceLine, report.marker) = excerpts[size_t(chosen)];
    }
    return report;
}

std::string TErrorReport::headline() const {
    if (!positioned) return "ravok: " + message;
    return at.file + ":" + std::to_string(at.line) + ":" + std::to_string(at.column) + ": " +
           message;
}

std::string TErrorReport::excerpt() const {
    if (!positioned) return {};
    std::string number = std::to_string(at.line);
    std::string gap(number.size(), ' ');
    return " " + number + " | " + sourceLine + "\n " + gap + " | " + marker + "\n";
}

std::vector<std::string> TErrorReport::traceLines() const {
    std::vector<std::string> out;
    if (trace.size() < 2) return out;
    // Runaway recursion repeats one frame hundreds of times: the repeats
    // are counted, not printed.
    std::string previous;
    int repeats = 0;
    auto flush = [&] {
        if (repeats > 0)
            out.push_back("  ... the frame above " + std::to_string(repeats) + " more time" +
                          (repeats == 1 ? "" : "s"));
        repeats = 0;
    };
    for (const TReportFrame& f : trace) {
        std::string line =
            "  at " + f.file + ":" + std::to_string(f.line) + ":" + std::to_string(f.column);
        if (!f.where.empty()) line += " in " + f.where;
        if (f.kernel) line += " (kernel)";
        if (line == previous) {
            ++repeats;
            continue;
        }
        flush();
        out.push_back(line);
        previous = line;
    }
    flush();
    return out;
}

std::string TErrorReport::text() const {
    std::string out = headline() + "\n" + excerpt();
    if (!note.empty()) out += note + "\n";
    std::vector<std::string> frames = traceLines();
    if (!frames.empty()) {
        out += cp932ToUtf8(translate("call trace, innermost first:")) + "\n";
        for (const std::string& f : frames)
            out += f + "\n";
    }
    return out;
}

} // namespace ravok
