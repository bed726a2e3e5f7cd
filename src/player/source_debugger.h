// The debugger at the author's line: breakpoints by file and line, stepping
// by statement, the call stack with each frame's place, and variables by
// name. It works on the compiled code's source points (the positions error
// reports use) and on the interpreter's traps, so code without a breakpoint
// runs as fast as ever. The fronts (the debug window's Source view, the
// editor adapter) show what it finds and call its commands during a hold.
#pragma once

#include "runtime/value.h"

#include <atomic>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace ravok {

class TProcess;
class TCompiledInfo;
class TRTTI;

// A place in a source file.
struct TSourcePlace {
    std::string file;  // the program path of the class's source ("" when unknown)
    std::string shown; // the same as a host path
    int line = 0;      // from 1; 0 when unknown
    int column = 0;
};

struct TDebugFrame {
    std::string where; // "Hero.move", or the class name for a class's main body
    TSourcePlace place;
    uint32_t fp = 0; // the frame's arena offset, which names it during a hold
};

struct TDebugVariable {
    std::string name;
    std::string value; // as print writes it; strings in quotes
    std::string type;  // "int", "float", "string", "null", a class name, "array"
    // Opened one level at a time: an object's fields, an array's elements.
    TValue raw{};
    bool openable = false;
};

enum class TStopReason { Held, Breakpoint, Step, Pause, Error };

// The code image a frame runs: its method's, or its class's main body.
const TCompiledInfo* codeOfFrame(const uint8_t* f);

// The text of a value as the debugger lists show it (strings in quotes).
TDebugVariable describeValue(const std::string& name, const TValue& v);

class TSourceDebugger {
public:
    static TSourceDebugger& instance();

    // ---- breakpoints --------------------------------------------------------
    // `file` is a host path, absolute or relative to where the player started,
    // or a file name alone; it matches classes whose source is that file.
    // Replaces the file's breakpoints; answers, for each line asked, the line
    // the breakpoint stands on (the next line with a statement in compiled
    // code), or 0 while no compiled code of the file is known.
    std::vector<int> setBreakpoints(const std::string& file, const std::vector<int>& lines);
    void addBreakpoint(const std::string& file, int line);
    // Sets the breakpoint, or clears it when there is one; true when set.
    bool toggleBreakpoint(const std::string& file, int line);
    std::set<int> breakpointLines(const std::string& file) const;
    bool anyBreakpoints() const;
    // The lines of `file` on which a statement begins in compiled code.
    std::set<int> statementLines(const std::string& file);
    // Puts the traps where the breakpoints ask, in every compiled class.
    void applyBreakpoints();

    // ---- running ------------------------------------------------------------
    // Each resumes a hold (or, outside one, applies to the next run).
    void resume();       // runs on to the next breakpoint
    void stepOver();     // to the next statement of this method or its caller
    void stepInto();     // to the next statement, in a called method too
    void stepOut();      // to the caller
    void requestPause(); // any thread: stops at the next statement run
    bool stopOnErrors = true;

    // ---- what a hold shows -------------------------------------------------
    const TProcess* heldProcess() const { return held_; }
    TStopReason stopReason() const { return reason_; }
    const std::string& errorText() const { return errorText_; }
    std::vector<TDebugFrame> frames(const TProcess* p) const;
    TSourcePlace placeOf(const TProcess* p) const; // the innermost frame's
    std::vector<TDebugVariable> locals(const TProcess* p, uint32_t fp) const;
    std::vector<TDebugVariable> arguments(const TProcess* p, uint32_t fp) const;
    std::vector<TDebugVariable> thisFields(const TProcess* p, uint32_t fp) const;
    std::vector<TDebugVariable> globals() const;
    std::vector<TDebugVariable> children(const TValue& v) const;
    // A watch expression: a name the frame knows (a local, an argument,
    // one of this object's fields, "this") is read where it stands; anything
    // else runs as a snippet (globals and classes by name).
    TDebugVariable evaluate(const std::string& expression, const TProcess* p = nullptr,
                            uint32_t fp = 0);

    // The source of a program path as UTF-8 lines, for a source view.
    std::vector<std::string> sourceLines(const std::string& programPath) const;
    // The file's program path for a host path the user gave, when a compiled
    // class comes from it.
    std::string programPathOf(const std::string& file) const;

    // ---- the hold's side (TDebugger) ----------------------------------------
    // Whether the hold that just began is one to show; when it is not, the
    // budgets are already set to carry on.
    bool shouldStop(TProcess* p, bool trapHit, TStopReason& reason);
    // The hold is shown: stepping ends, and what it shows is remembered.
    void stopped(TProcess* p, TStopReason reason, const std::string& errorText = {});
    // The hold ends: a process standing on a breakpoint steps over it first.
    void leaving(TProcess* p);
    // A hold nothing shows (no window, or one already open): a breakpoint's
    // instruction runs once and the process goes on.
    void settleUnshown(TProcess* p, bool trapHit);
    // Once a frame from the main loop: a pause asked for from another thread,
    // and a breakpoint stepped over by a process that then ended.
    void frameBegins();
    void classCompiled();
    // Back to the start: no breakpoints, no stepping (tests, a new session).
    void reset();

private:
    enum class TMode { Run, Over, Into, Out, Pause };
    struct TBreakpoint {
        std::string file;
        int line;
    };
    std::vector<TBreakpoint> breakpoints_;
    TMode mode_ = TMode::Run;
    TValue target_{};     // the stepping process's handle
    int targetDepth_ = 0; // frames when the step began
    TProcess* held_ = nullptr;
    TStopReason reason_ = TStopReason::Held;
    std::string errorText_;
    // A breakpoint's instruction let through once: set again at the next hold.
    TValue rearm_{};
    bool rearmPending_ = false;
    std::atomic<bool> pauseAsked_{false};

    bool matches(const std::string& programPath, const std::string& file) const;
    void startStep(TMode mode);
    void rearm();
    void passTrap(TProcess* p);
    TProcess* live(const TValue& handle) const;
    bool atStopPlace(TProcess* p) const;
};

} // namespace ravok
