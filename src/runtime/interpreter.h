// The interpreter: the run operation that executes a process's code for a
// bounded number of instructions, warnings (reported once per distinct text,
// execution goes on with a substitute value), fatal errors (the process ends)
// and the call trace of a process.
#pragma once

#include "base/reporter.h"
#include "runtime/value.h"

#include <string>

namespace ravok {

class TProcess;
class TFunction;
class TRTTI;

// The budget every caller passes; as StepBudget it means "no debugger limit".
constexpr int32_t kUnlimitedBudget = 123456;

inline TProcess* CurrentProcess = nullptr;
inline int32_t StepBudget = kUnlimitedBudget;
inline bool ReportPreemption = true;
inline bool Preempted = false;
inline std::string PreemptedClassName;
inline std::string LastWarningText;
// Instructions the processes have run, for the authors' overlay.
inline int64_t InstructionsRun = 0;

// The cell that stands in for a missing field, variable or argument.
TValue& scratchCell();

// Called when StepBudget runs out: the debug window's hold. The default
// gives the budget back at once, so a player without a debugger never stalls.
class TDebugHold {
public:
    virtual ~TDebugHold() = default;
    virtual void hold() { StepBudget = kUnlimitedBudget; }
    // A run-time error is about to end process p; its frames are intact.
    virtual void failed(TProcess* /*p*/, const std::string& /*text*/) {}
    // A class's code was installed (compiled, or read from the cache), with
    // its source points: where breakpoints waiting for it are set.
    virtual void classCompiled(TRTTI* /*cls*/) {}
};
TDebugHold& debugHold();
// nullptr restores the default.
void setDebugHold(TDebugHold* hold);

// Executes up to `limit` instructions (limit <= 0 means 123456) and returns
// how many ran. Fatal errors are reported with the process's trace and kill
// the process; they never escape.
int32_t run(TProcess* p, int32_t limit = kUnlimitedBudget);

// Runs one method of an instance to its end in a process of the host's own
// (a destructor, a gc_mark), keeping the caller's StepBudget; a process that
// cannot be made is reported and nothing runs.
void runHostMethod(uint32_t instance, TFunction* method);

// Shows text unless it equals the last warning shown.
void warning(TProcess* p, const std::string& text);

// (source file, source offset) of every frame, innermost first.
TTrace processTrace(const TProcess* p);

// A warning's text is remembered until a page is loaded.
inline void clearLastWarning() { LastWarningText.clear(); }

} // namespace ravok
