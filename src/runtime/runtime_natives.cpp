#include "runtime/runtime_natives.h"

#include "runtime/class_builder.h"
#include "runtime/messages.h"

#include "base/frame_pacing.h"
#include "runtime/interpreter.h"
#include "runtime/mark.h"
#include "runtime/native_api.h"
#include "runtime/process.h"
#include "runtime/rtti.h"
#include "runtime/symbols.h"
#include "runtime/value_list.h"

#include "base/encoding.h"
#include "base/reporter.h"

#include <algorithm>
#include <cstdio>

namespace ravok {

namespace {

using native::argument;

// The process of a handle argument; nullptr for the handle of a process that
// was freed (a Process object may outlive a free done behind its back), which
// the natives treat as a process that has ended. Anything else is refused.
TProcess* processArgument(TValue* cell, int i) {
    const TValue& h = argument(cell, i);
    if (THostRegistry::instance().isStale(h)) return nullptr;
    return native::hostObjectAs<TProcess>(h, "process");
}

void suspendProcess(TProcess* p) {
    p->suspended = 1;
    p->sliceUsed -= p->budget;
    p->budget = 0;
}

// print(v): the text goes to Notice with the caller's trace, as a progress
// mark, and to standard output when the player echoes it.
void print(TValue* cell, int argc, int) {
    if (argc < 1) return;
    std::string text = native::text(argument(cell, 1));
    Notice(text, CurrentProcess && NoticeTracesRead() ? processTrace(CurrentProcess) : TTrace{});
    if (gEchoPrint) {
        std::string out = cp932ToTerminal(text) + "\n";
        std::fwrite(out.data(), 1, out.size(), stdout);
        std::fflush(stdout);
    } else if (gHintAtPrintOption) {
        gHintAtPrintOption = false;
        std::fprintf(stderr, "%s\n",
                     cp932ToTerminal(translate("ravok: the game printed a line; start the player "
                                               "with --print to see what it prints here."))
                         .c_str());
    }
}

// native_init(instance [, method name]) -> a new process handle
void native_init(TValue* cell, int argc, int) {
    if (argc < 1) return;
    std::string method = argc >= 2 ? native::text(argument(cell, 2)) : std::string();
    TProcess* p = createProcess(argument(cell, 1), {}, method);
    setNative(*cell, p->hostId());
}

// The process runs with a budget of its own, as every run does, and what it
// used is charged to the caller's slice: otherwise a process that runs a
// process that runs a process multiplies the budget and its turn never ends.
void native_exec(TValue* cell, int argc, int) {
    if (argc < 1) return;
    TProcess* caller = CurrentProcess;
    int32_t used = run(processArgument(cell, 1), kUnlimitedBudget);
    if (caller && !caller->released) {
        int32_t charged = std::min(caller->budget, used);
        caller->budget -= charged;
        InstructionsRun -= charged; // counted again in the caller's own slice
    }
}

namespace {
// The process an element of the list stands for, or nullptr: a process
// handle, or an object whose field _h holds one. The class's field index is
// kept for the next element, which is almost always of the same class (for
// one pass over the list: classes are only redefined between frames).
struct TElementLookup {
    uint32_t lastClass = 0;
    int32_t lastField = -1;

    TProcess* processOf(const TValue& element, bool& stale) {
        static const uint32_t symH = intern("_h");
        TValue v = element;
        if (TfObject* o = native::instance(v)) {
            if (o->classId != lastClass || lastClass == 0) {
                TRTTI* cls = classById(o->classId);
                lastField = cls ? cls->fields.indexOf(symH) : -1;
                if (cls && lastField >= cls->laidOutFields()) lastField = -1;
                lastClass = o->classId;
            }
            if (lastField < 0) return nullptr;
            v = o->field(lastField);
        }
        THostObject* host = THostRegistry::instance().find(v, THostKind::Process);
        if (!host) {
            stale = THostRegistry::instance().isStale(v);
            return nullptr;
        }
        return static_cast<TProcess*>(host);
    }
};

} // namespace

// _n_stepAll(list): one turn of every process in an Array's list (the list
// handle, its _x), in order, also of those added during the loop; the
// elements are process handles or objects whose field _h holds one. Returns 1
// when one of them has ended. Boot's frame goes through this, because the
// root process's own budget (123456 instructions a frame) would otherwise be
// spent on the loop before a crowd of objects has had its turn.
void _n_stepAll(TValue* cell, int argc, int) {
    if (argc < 1) return;
    const TValue listHandle = argument(cell, 1);
    native::hostObjectAs<TValueList>(listHandle, "array list");
    TElementLookup lookup;
    bool ended = false;
    for (int32_t i = 0;; ++i) {
        // A turn may free the list (clear() replaces it) or any process in it,
        // so both are looked up again for every element.
        auto* list =
            static_cast<TValueList*>(THostRegistry::instance().find(listHandle, THostKind::List));
        if (!list) {
            ended = true;
            break;
        }
        if (i >= list->count()) break;
        bool stale = false;
        TProcess* p = lookup.processOf(*list->cell(i), stale);
        if (!p) {
            if (stale) ended = true;
            continue;
        }
        TProcessPin pin(p);
        run(p, kUnlimitedBudget);
        if (p->finished) ended = true;
        if (gProgramExitRequested) break;
    }
    setInt(*cell, ended ? 1 : 0);
}

void native_suspend(TValue* cell, int argc, int) {
    if (argc < 1) return;
    if (TProcess* p = processArgument(cell, 1)) suspendProcess(p);
}

void native_halted(TValue* cell, int argc, int) {
    if (argc < 1) return;
    TProcess* p = processArgument(cell, 1);
    setFloat(*cell, !p || p->finished ? 1.0f : 0.0f);
}

void native_free(TValue* cell, int argc, int) {
    if (argc < 1) return;
    freeProcessFromScript(processArgument(cell, 1));
}

void native_kill(TValue* cell, int argc, int) {
    if (argc < 1) return;
    if (TProcess* p = processArgument(cell, 1)) p->kill();
}

void native_proc_mark(TValue* cell, int argc, int) {
    if (argc < 1) return;
    markProcessStack(processArgument(cell, 1));
}

void suspend(TValue*, int, int) {
    if (CurrentProcess) suspendProcess(CurrentProcess);
}

void currentProcess(TValue* cell, int, int) {
    if (CurrentProcess)
        setNative(*cell, CurrentProcess->hostId());
    else
        setNull(*cell);
}

// Ends the running slice at once (the debugger's hold follows).
void endSlice() {
    StepBudget = 0;
    if (CurrentProcess) CurrentProcess->budget = 0;
}

void breakExec(TValue*, int, int) { endSlice(); }

// _n_exit: the program ends once the running slice returns; the main loop
// (or the script runner) sees the request and closes down.
void _n_exit(TValue*, int, int) { requestProgramExit(); }

// The default stack size of processes created from now on; the value is not
// checked here (process creation refuses a block too small for its frame).
void _n_setStackSize(TValue* cell, int argc, int) {
    if (argc < 1) return;
    DefaultStackSize = toInt(argument(cell, 1));
}

// _n_setFrameRate(interval [, maxFrames]): the frame length in milliseconds,
// not a rate.
void _n_setFrameRate(TValue* cell, int argc, int) {
    if (argc < 1) return;
    framePacing().setFrameRate(toInt(argument(cell, 1)), argc >= 2,
                               argc >= 2 ? toInt(argument(cell, 2)) : 0);
}

} // namespace

const std::vector<TNativeBinding>& objectCoreNatives() {
    static const std::vector<TNativeBinding> list = {{"classes.lang.Object", "print", print}};
    return list;
}

const std::vector<TNativeBinding>& stringNatives() {
    static const std::vector<TNativeBinding> list = {
        {"classes.lang.String", "_free_body", nativeFreeBody}};
    return list;
}

const std::vector<TNativeBinding>& processNatives() {
    static const std::vector<TNativeBinding> list = {
        {"classes.lang.Process", "native_init", native_init},
        {"classes.lang.Process", "native_exec", native_exec},
        {"classes.lang.Process", "native_suspend", native_suspend},
        {"classes.lang.Process", "native_halted", native_halted},
        {"classes.lang.Process", "native_free", native_free},
        {"classes.lang.Process", "native_kill", native_kill},
        {"classes.lang.Process", "native_proc_mark", native_proc_mark},
        {"classes.lang.Boot", "_n_stepAll", _n_stepAll},
    };
    return list;
}

const std::vector<TNativeBinding>& objectProcessNatives() {
    static const std::vector<TNativeBinding> list = {
        {"classes.lang.Object", "suspend", suspend},
        {"classes.lang.Object", "currentProcess", currentProcess},
        {"classes.lang.Object", "breakExec", breakExec},
    };
    return list;
}

const std::vector<TNativeBinding>& systemRuntimeNatives() {
    static const std::vector<TNativeBinding> list = {
        {"System", "_n_setStackSize", _n_setStackSize},
        {"System", "_n_setFrameRate", _n_setFrameRate},
        {"System", "_n_exit", _n_exit},
    };
    return list;
}

void requestProgramExit() {
    gProgramExitRequested = true;
    endSlice();
}

} // namespace ravok
