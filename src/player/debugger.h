// The debug window's logic: the hold the interpreter enters when StepBudget
// runs out, what the window's lists show of the held process (its code
// listing, with the instruction it stands at, and its stack dump), and the
// effects of the window's buttons. The window itself is the shell's
// (TDebugWindow); the default, for a player without one, shows nothing and
// gives the budget straight back, so a hold never stalls a headless run.
#pragma once

#include "player/source_debugger.h"
#include "runtime/interpreter.h"

#include <string>
#include <vector>

namespace ravok {

class TProcess;

// What a hold shows.
struct THoldView {
    std::vector<std::string> functions; // ListFunc: "- Main -"
    std::vector<std::string> listing;   // ListOpr: the code image of the current frame
    int listingLine = -1;               // the line of the instruction the process stands at
    std::vector<std::string> stack;     // ListStack: the stack dump, then "proc.sp =" N
    // Why the process stopped, and where in its source.
    TStopReason reason = TStopReason::Held;
    std::string errorText; // a run-time error's message (UTF-8)
    TSourcePlace place;
};

// For each frame from the innermost out: "stacks", the frame's operand
// values, "args/this " + argc, the arguments and this; then "-----------" and
// the top of the stack. A finished process lists nothing.
std::vector<std::string> stackDump(const TProcess* p);
// A value as the debug lists show it: its kind, then its text.
std::string debugText(const TValue& v);
THoldView holdView(const TProcess* p);

class TDebugWindow {
public:
    virtual ~TDebugWindow() = default;
    // Whether a window is there to hold in; without one a hold gives the
    // budget back at once.
    virtual bool present() { return false; }
    // The hold begins: show the window with these lists and "Stopping".
    virtual void showHold(const THoldView& /*view*/) {}
    // Handles the window system's pending events once (waiting for one);
    // false when the program is asked to end.
    virtual bool pump() { return true; }
    // The hold ended: the caption is cleared.
    virtual void endHold() {}
    // Once a frame while the game runs: requests that came meanwhile.
    virtual void idle() {}
    // Whether a run-time error holds here before the process ends: where
    // someone is debugging, not for every player of a game.
    virtual bool holdsOnErrors() { return present(); }
};
TDebugWindow& debugWindow();
// nullptr restores the default.
void setDebugWindow(TDebugWindow* window);

// The hold itself (installed as the interpreter's TDebugHold by both players).
class TDebugger : public TDebugHold {
public:
    static TDebugger& instance();
    void hold() override;
    void failed(TProcess* p, const std::string& text) override;
    void classCompiled(TRTTI* cls) override;
    bool holding() const { return holding_; }

private:
    bool holding_ = false;
    // Shows the hold and waits in the window until a command resumes.
    void showAndWait(TProcess* p, TStopReason reason, const std::string& errorText);
};

// The buttons. Outside a hold, step, run and run-to run CurrentProcess once
// with the frame budget; inside one they release it.
void debugStep();  // one instruction
void debugRun();   // free running
void debugRunTo(); // runs on without changing StepBudget
void debugStop();  // finishes CurrentProcess and releases a hold
// Empties the object list and runs a full collection; the list afterwards.
std::vector<std::string> debugCollect();
// "text:uses" for every cached snippet.
std::vector<std::string> evalCacheLines();
// The code of a class's method (or of its main body when the method is not
// a compiled one) and the method's source points; empty when the class is
// unknown.
struct TCodeView {
    std::vector<std::string> listing;
    std::vector<std::string> symbols;
};
TCodeView methodCode(const std::string& className, const std::string& methodName);

} // namespace ravok
