#include "runtime/interpreter.h"

#include "runtime/code_traps.h"
#include "runtime/method_profile.h"

#include "base/seam.h"

#include "runtime/arithmetic.h"
#include "runtime/close_names.h"
#include "runtime/errors.h"
#include "runtime/function.h"
#include "runtime/messages.h"
#include "runtime/opcodes.h"
#include "runtime/pool.h"
#include "runtime/process.h"
#include "runtime/rtti.h"
#include "runtime/string_append.h"
#include "runtime/symbols.h"
#include "runtime/tf_string.h"
#include "runtime/value_list.h"
#include "runtime/value_ops.h"
#include "runtime/wrapper_inlining.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>

#ifndef RAVOK_SWITCH_DISPATCH
#define RAVOK_COMPUTED_GOTO 1
#endif

namespace ravok {

// The loop of interpreter_profiled.cpp.
void executeProfiled(TProcess* p);

namespace {

TDebugHold gNoDebugger;
constinit TSeam<TDebugHold> gHold(gNoDebugger);

#define RAVOK_LOOP_NAME execute
#define RAVOK_LOOP_PROFILED 0
#include "runtime/interpreter_loop.inc"
#undef RAVOK_LOOP_NAME
#undef RAVOK_LOOP_PROFILED

} // namespace

TValue& scratchCell() {
    static TValue* cell = [] {
        TArenaOffset off = TArena::instance().allocate(sizeof(TValue));
        return arenaPtr<TValue>(off);
    }();
    return *cell;
}

TDebugHold& debugHold() { return gHold.get(); }
void setDebugHold(TDebugHold* hold) { gHold.install(hold); }

void warning(TProcess* p, const std::string& text) {
    if (text == LastWarningText) return;
    LastWarningText = text;
    ReportError(text, p ? processTrace(p) : TTrace{});
}

TTrace processTrace(const TProcess* p) {
    TTrace trace;
    const uint8_t* f = p->fp;
    // The failing instruction itself belongs to the statement it is in, so the
    // innermost position counts as one byte past it.
    TArenaOffset position = p->ip ? arenaOffset(p->ip) + 1 : 0;
    for (int depth = 0; f && depth < 100000; ++depth) {
        TFunction* fn = functionById(frame::get(f, frame::kMethod));
        const TCompiledInfo* code = nullptr;
        if (fn && fn->hasCode()) {
            code = &static_cast<TNormalFunction*>(fn)->code;
        } else {
            const TValue& recv = *arenaPtr<TValue>(frame::get(f, frame::kReceiver));
            TRTTI* cls = recv.kind == vtObject ? classById(objectAt(recv.u)->classId) : nullptr;
            if (cls && cls->initCode) code = cls->initCode.get();
        }
        if (code) {
            std::string text = code->positionText(position);
            size_t comma = text.find(',');
            if (comma != std::string::npos) {
                if (TRTTI* cls = resolveClassPath(text.substr(0, comma)))
                    trace.push_back({cls->sourceFile, std::atoi(text.c_str() + comma + 1),
                                     fn ? cls->name + "." + fn->nameText() : cls->name});
            }
        }
        position = frame::get(f, frame::kReturn);
        uint32_t caller = frame::get(f, frame::kCallerFp);
        f = caller ? arenaPtr<uint8_t>(caller) : nullptr;
    }
    return trace;
}

namespace {
// Runs nest on the host stack (a native running a process that runs a process,
// destructors run by allocation, gc_mark); each level takes a few kilobytes, so
// a chain of them is stopped like runaway recursion of script calls.
constexpr int kMaxNestedRuns = 200;
int gRunDepth = 0;
} // namespace

void runHostMethod(uint32_t instance, TFunction* method) {
    int32_t savedBudget = StepBudget;
    TProcess* p = nullptr;
    try {
        p = createProcess(TValue::ofObject(instance), {}, method);
        p->hostOwned = true;
    } catch (const ERavokError& e) {
        ReportError(e.what());
    }
    if (p) {
        run(p, kUnlimitedBudget);
        freeProcess(p);
    }
    StepBudget = savedBudget;
}

int32_t run(TProcess* p, int32_t limit) {
    if (!p || !p->fp || p->finished || p->running) return 0;
    if (gRunDepth >= kMaxNestedRuns) {
        ReportError(translate("Stack Overflow."), processTrace(p));
        p->exitState = 2;
        p->kill();
        return 0;
    }
    ++gRunDepth;
    TProcess* previous = CurrentProcess;
    CurrentProcess = p;
    p->running = true;
    p->suspended = 0;
    int32_t d = limit <= 0 ? kUnlimitedBudget : limit;
    int32_t used = 0;
    try {
        while (d > 0 && !p->suspended && !p->finished) {
            p->budget = std::max(0, std::min(d, p->stepping ? 1 : StepBudget));
            p->sliceUsed = p->budget;
            if (p->budget > 0) MethodProfiling ? executeProfiled(p) : execute(p);
            if (StepBudget < kUnlimitedBudget) StepBudget -= p->sliceUsed;
            d -= p->sliceUsed;
            used += p->sliceUsed;
            if (StepBudget <= 0 || p->stepping) {
                gHold.get().hold();
                if (StepBudget < kUnlimitedBudget) d = StepBudget;
            }
        }
        if (d < 1 && ReportPreemption) {
            Preempted = true;
            PreemptedClassName = receiverClassName(p->thisSlot);
        }
    } catch (const std::exception& e) {
        std::string text = e.what();
        // The debugger may show the failing statement while the process
        // still stands as it failed.
        gHold.get().failed(p, text);
        TTrace trace = processTrace(p);
        // The object stops running here, and its sprite with it: said, so
        // that a vanished object is not a mystery.
        ReportError(text + "\n" + translate("The object's process ended."), trace);
        p->exitState = 2;
        p->kill();
    }
    InstructionsRun += used;
    p->running = false;
    CurrentProcess = previous;
    --gRunDepth;
    releaseIfFreed(p);
    return used;
}

} // namespace ravok
