// The debugger in a terminal, for a headless run with --break or --debug:
// each hold prints where the game stopped and the source line, then reads
// commands from standard input (continue, next, step, out, where, locals,
// print EXPR, break FILE:LINE, quit). At the end of input the game runs on
// without breakpoints.
#pragma once

#include "player/debugger.h"

#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace ravok {

class TConsoleDebugger : public TDebugWindow {
public:
    TConsoleDebugger(std::FILE* in, std::FILE* out) : in_(in), out_(out) {}
    bool present() override { return true; }
    void showHold(const THoldView& view) override;
    bool pump() override;

private:
    std::FILE* in_;
    std::FILE* out_;
    uint32_t frame_ = 0; // the frame `locals` lists: the innermost, or one `up` chose
    void command(const std::string& line, bool& quit);
    void listVariables(const char* title, const std::vector<TDebugVariable>& list);
};

// The debugger of one run, installed for its length: the front given (an
// editor's adapter, which sets its own breakpoints), or else the terminal's
// when `terminal` asks for it, with `breaks` set. Neither: nothing changes.
class TRunDebugging {
public:
    TRunDebugging(TDebugWindow* front, bool terminal,
                  const std::vector<std::pair<std::string, int>>& breaks);
    ~TRunDebugging();
    TRunDebugging(const TRunDebugging&) = delete;
    TRunDebugging& operator=(const TRunDebugging&) = delete;

private:
    std::unique_ptr<TConsoleDebugger> console_;
    bool installed_ = false;
};

// "FILE:LINE" into its parts; false when it is not that.
bool parseBreakpoint(const std::string& text, std::string& file, int& line);

} // namespace ravok
