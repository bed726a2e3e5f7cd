#include "app/console_debugger.h"

#include "runtime/interpreter.h"
#include "runtime/process.h"

#include <cstdlib>
#include <cstring>

namespace ravok {

namespace {
const char* reasonText(TStopReason reason) {
    switch (reason) {
    case TStopReason::Breakpoint:
        return "breakpoint";
    case TStopReason::Step:
        return "step";
    case TStopReason::Pause:
        return "pause";
    case TStopReason::Error:
        return "error";
    default:
        return "held";
    }
}

std::string trim(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' '))
        s.pop_back();
    size_t start = s.find_first_not_of(' ');
    return start == std::string::npos ? std::string() : s.substr(start);
}
} // namespace

TRunDebugging::TRunDebugging(TDebugWindow* front, bool terminal,
                             const std::vector<std::pair<std::string, int>>& breaks) {
    if (!front && (terminal || !breaks.empty())) {
        console_ = std::make_unique<TConsoleDebugger>(stdin, stderr);
        front = console_.get();
        for (const auto& [file, line] : breaks)
            TSourceDebugger::instance().addBreakpoint(file, line);
    }
    if (front) {
        setDebugWindow(front);
        installed_ = true;
    }
}

TRunDebugging::~TRunDebugging() {
    if (!installed_) return;
    TSourceDebugger::instance().reset();
    setDebugWindow(nullptr);
}

bool parseBreakpoint(const std::string& text, std::string& file, int& line) {
    size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0) return false;
    char* end = nullptr;
    long n = std::strtol(text.c_str() + colon + 1, &end, 10);
    if (!end || *end || n < 1 || n > 10000000) return false;
    file = text.substr(0, colon);
    line = int(n);
    return true;
}

void TConsoleDebugger::showHold(const THoldView& view) {
    TSourceDebugger& debugger = TSourceDebugger::instance();
    const TProcess* p = debugger.heldProcess();
    std::vector<TDebugFrame> frames = debugger.frames(p);
    frame_ = frames.empty() ? 0 : frames.front().fp;
    std::string where = frames.empty() ? "" : " in " + frames.front().where;
    if (view.place.line > 0) {
        std::fprintf(out_, "stopped (%s) at %s:%d%s\n", reasonText(view.reason),
                     view.place.shown.c_str(), view.place.line, where.c_str());
        std::vector<std::string> lines = debugger.sourceLines(view.place.file);
        if (view.place.line <= int(lines.size()))
            std::fprintf(out_, "%5d | %s\n", view.place.line,
                         lines[size_t(view.place.line - 1)].c_str());
    } else {
        std::fprintf(out_, "stopped (%s)%s\n", reasonText(view.reason), where.c_str());
    }
    if (!view.errorText.empty()) std::fprintf(out_, "error: %s\n", view.errorText.c_str());
    std::fflush(out_);
}

void TConsoleDebugger::listVariables(const char* title, const std::vector<TDebugVariable>& list) {
    std::string head = title;
    // "this." runs into the field's name; the other titles stand apart.
    if (head.back() != '.') head += ' ';
    for (const TDebugVariable& v : list)
        std::fprintf(out_, "%s%s = %s\n", head.c_str(), v.name.c_str(), v.value.c_str());
}

void TConsoleDebugger::command(const std::string& line, bool& quit) {
    TSourceDebugger& debugger = TSourceDebugger::instance();
    const TProcess* p = debugger.heldProcess();
    std::string verb = line.substr(0, line.find(' '));
    std::string rest = line.size() > verb.size() ? trim(line.substr(verb.size())) : "";
    if (verb == "c" || verb == "continue") {
        debugger.resume();
    } else if (verb == "n" || verb == "next") {
        debugger.stepOver();
    } else if (verb == "s" || verb == "step") {
        debugger.stepInto();
    } else if (verb == "o" || verb == "out" || verb == "finish") {
        debugger.stepOut();
    } else if (verb == "bt" || verb == "where") {
        for (const TDebugFrame& f : debugger.frames(p))
            std::fprintf(out_, "  %s at %s:%d\n", f.where.c_str(), f.place.shown.c_str(),
                         f.place.line);
    } else if (verb == "up") {
        std::vector<TDebugFrame> frames = debugger.frames(p);
        for (size_t i = 0; i + 1 < frames.size(); ++i)
            if (frames[i].fp == frame_) {
                frame_ = frames[i + 1].fp;
                std::fprintf(out_, "  %s at %s:%d\n", frames[i + 1].where.c_str(),
                             frames[i + 1].place.shown.c_str(), frames[i + 1].place.line);
                break;
            }
    } else if (verb == "locals") {
        listVariables("arg", debugger.arguments(p, frame_));
        listVariables("local", debugger.locals(p, frame_));
        listVariables("this.", debugger.thisFields(p, frame_));
    } else if (verb == "globals") {
        listVariables("global", debugger.globals());
    } else if (verb == "p" || verb == "print") {
        TDebugVariable v = debugger.evaluate(rest, p, frame_);
        std::fprintf(out_, "%s = %s\n", rest.c_str(), v.value.c_str());
    } else if (verb == "b" || verb == "break") {
        std::string file;
        int at = 0;
        if (parseBreakpoint(rest, file, at))
            debugger.addBreakpoint(file, at);
        else
            std::fprintf(out_, "break needs FILE:LINE\n");
    } else if (verb == "q" || verb == "quit") {
        quit = true;
    } else if (!verb.empty()) {
        std::fprintf(out_, "commands: continue, next, step, out, where, up, locals, globals, "
                           "print EXPR, break FILE:LINE, quit\n");
    }
    std::fflush(out_);
}

bool TConsoleDebugger::pump() {
    char buffer[4096];
    if (!std::fgets(buffer, sizeof buffer, in_)) {
        // Nobody is left to answer: the game runs on to its end.
        TSourceDebugger& debugger = TSourceDebugger::instance();
        debugger.reset();
        debugger.resume();
        return true;
    }
    bool quit = false;
    command(trim(buffer), quit);
    return !quit;
}

} // namespace ravok
