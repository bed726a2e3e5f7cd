#include "player/debugger.h"

#include "base/encoding.h"
#include "base/seam.h"
#include "compiler/class_cache.h"
#include "compiler/evaluator.h"
#include "runtime/code_traps.h"
#include "runtime/collector.h"
#include "runtime/function.h"
#include "runtime/listing.h"
#include "runtime/messages.h"
#include "runtime/process.h"
#include "runtime/resource.h"
#include "runtime/rtti.h"
#include "runtime/runtime_natives.h"
#include "runtime/value_ops.h"

#include <cstdio>
#include <cstdlib>

namespace ravok {

namespace {
TDebugWindow gNoWindow;
constinit TSeam<TDebugWindow> gWindow(gNoWindow);

const char* kindName(TVType kind) {
    switch (kind) {
    case vtNull:
        return "null";
    case vtInt:
        return "int";
    case vtFloat:
        return "float";
    case vtObject:
        return "object";
    case vtRef:
        return "ref";
    case vtNative:
        return "native";
    case vtError:
        return "error";
    default:
        return "unset";
    }
}

std::vector<std::string> listingOf(const TCompiledInfo& code) {
    try {
        return listImage(code.codePtr(), code.size(), code.codeStart());
    } catch (const std::exception& e) {
        return {e.what()};
    }
}
} // namespace

TDebugWindow& debugWindow() { return gWindow.get(); }
void setDebugWindow(TDebugWindow* window) { gWindow.install(window); }

std::string debugText(const TValue& v) {
    if (v.kind == vtRef) return std::string("ref ") + std::to_string(v.u);
    if (v.kind == vtUnset) return "unset";
    return std::string(kindName(v.kind)) + " " + valueToText(v);
}

std::vector<std::string> stackDump(const TProcess* p) {
    std::vector<std::string> lines;
    if (!p || p->finished || !p->fp) return lines;
    const uint8_t* f = p->fp;
    const uint8_t* s = p->sp;
    for (int depth = 0; f && depth < 100000; ++depth) {
        lines.push_back("stacks");
        // Down to the slot at the frame pointer itself, the frame's first
        // local (or its first operand): the frame's fields lie above it.
        for (const uint8_t* q = s; q <= f; q += 8)
            lines.push_back(debugText(*reinterpret_cast<const TValue*>(q)));
        uint32_t argc = frame::get(f, frame::kArgc);
        lines.push_back("args/this " + std::to_string(argc));
        const uint8_t* recv = arenaPtr<uint8_t>(frame::get(f, frame::kReceiver));
        for (uint32_t i = argc; i >= 1; --i)
            lines.push_back(debugText(*reinterpret_cast<const TValue*>(recv - 8 * i)));
        lines.push_back(debugText(*reinterpret_cast<const TValue*>(recv)));
        s = recv + 8;
        uint32_t caller = frame::get(f, frame::kCallerFp);
        f = caller ? arenaPtr<uint8_t>(caller) : nullptr;
    }
    lines.push_back("-----------");
    lines.push_back(debugText(*reinterpret_cast<const TValue*>(p->sp)));
    return lines;
}

THoldView holdView(const TProcess* p) {
    THoldView view;
    view.functions = {"- Main -"};
    if (!p) return view;
    if (!p->finished && p->fp) {
        if (const TCompiledInfo* code = codeOfFrame(p->fp)) {
            view.listing = listingOf(*code);
            // Each line begins with its address in eight hexadecimal digits.
            char at[16];
            std::snprintf(at, sizeof at, "%08X", unsigned(p->ip ? arenaOffset(p->ip) : 0));
            for (size_t i = 0; i < view.listing.size(); ++i)
                if (view.listing[i].compare(0, 8, at) == 0) view.listingLine = int(i);
        }
    }
    view.stack = stackDump(p);
    long index = p->stackBlock && p->sp ? long(p->sp - p->stackBlock) / 8 : 0;
    view.stack.push_back("proc.sp =" + std::to_string(index));
    return view;
}

TDebugger& TDebugger::instance() {
    static TDebugger debugger;
    return debugger;
}

void TDebugger::hold() {
    TSourceDebugger& source = TSourceDebugger::instance();
    bool trap = TrapHit;
    TrapHit = false;
    TProcess* p = CurrentProcess;
    // System.exit ends the slice the way breakExec does, but a program on its
    // way out must not stop in the debugger: the window would wait for a
    // button nobody knows to press.
    if (!debugWindow().present() || holding_ || gProgramExitRequested) {
        source.settleUnshown(p, trap);
        return;
    }
    TStopReason reason = TStopReason::Held;
    if (!source.shouldStop(p, trap, reason)) return;
    showAndWait(p, reason, {});
}

void TDebugger::failed(TProcess* p, const std::string& text) {
    if (!TSourceDebugger::instance().stopOnErrors || !debugWindow().present() ||
        !debugWindow().holdsOnErrors() || holding_ || gProgramExitRequested)
        return;
    int32_t saved = StepBudget;
    showAndWait(p, TStopReason::Error, text);
    // The process ends whatever was pressed.
    StepBudget = saved;
}

void TDebugger::classCompiled(TRTTI*) { TSourceDebugger::instance().classCompiled(); }

void TDebugger::showAndWait(TProcess* p, TStopReason reason, const std::string& errorText) {
    TDebugWindow& window = debugWindow();
    TSourceDebugger& source = TSourceDebugger::instance();
    holding_ = true;
    source.stopped(p, reason, errorText);
    THoldView view = holdView(p);
    view.reason = reason;
    view.errorText = cp932ToUtf8(errorText);
    view.place = source.placeOf(p);
    window.showHold(view);
    StepBudget = 0;
    while (StepBudget <= 0 && !(p && p->stepping)) {
        if (!window.pump()) {
            // The program was asked to end during the hold: it ends at once.
            std::fflush(stdout);
            std::_Exit(0);
        }
    }
    source.leaving(p);
    window.endHold();
    holding_ = false;
}

namespace {
void runCurrent() {
    if (TDebugger::instance().holding() || !CurrentProcess) return;
    run(CurrentProcess, kUnlimitedBudget);
}
} // namespace

void debugStep() {
    StepBudget = 1;
    runCurrent();
}

void debugRun() {
    StepBudget = kUnlimitedBudget;
    runCurrent();
}

void debugRunTo() { runCurrent(); }

void debugStop() {
    if (CurrentProcess) CurrentProcess->kill();
    StepBudget = 1;
}

std::vector<std::string> debugCollect() {
    collectorObjectList().clear();
    collect();
    return collectorObjectList();
}

std::vector<std::string> evalCacheLines() {
    std::vector<std::string> lines;
    for (const auto& [text, uses] : cachedSnippets())
        lines.push_back(text + ":" + std::to_string(uses));
    return lines;
}

TCodeView methodCode(const std::string& className, const std::string& methodName) {
    TCodeView view;
    TRTTI* cls = resolveClassPath(className);
    // A page's class may be found first by a path or a name whose entry was
    // never compiled (the page's own copy of the source); the class that
    // runs is the one the alias table names.
    if (!cls || !cls->compiled) {
        size_t dot = className.rfind('.');
        TRTTI* running = TAlias::instance().get(
            dot == std::string::npos ? className : className.substr(dot + 1));
        if (running && running->compiled) cls = running;
    }
    if (!cls) return view;
    TFunction* fn = cls->methodByName(methodName);
    const TCompiledInfo* code = nullptr;
    if (fn && fn->hasCode())
        code = &static_cast<TNormalFunction*>(fn)->code;
    else if (cls->initCode)
        code = cls->initCode.get();
    if (!code) return view;
    view.listing = listingOf(*code);
    // The relocation records, one a line, as the class cache writes them.
    std::string relocations = RelocationText(*code);
    for (size_t start = 0; start < relocations.size();) {
        size_t end = relocations.find('\n', start);
        if (end == std::string::npos) end = relocations.size();
        std::string line = relocations.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) view.symbols.push_back(line);
        start = end + 1;
    }
    return view;
}

} // namespace ravok
