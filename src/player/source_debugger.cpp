#include "player/source_debugger.h"

#include "base/encoding.h"
#include "compiler/evaluator.h"
#include "compiler/source_position.h"
#include "player/debugger.h"
#include "resources/host_files.h"
#include "resources/source_files.h"
#include "runtime/code_image.h"
#include "runtime/code_traps.h"
#include "runtime/function.h"
#include "runtime/host_registry.h"
#include "runtime/interpreter.h"
#include "runtime/process.h"
#include "runtime/resource.h"
#include "runtime/rtti.h"
#include "runtime/tf_object.h"
#include "runtime/tf_string.h"
#include "runtime/value_list.h"
#include "runtime/value_ops.h"

#include <algorithm>
#include <filesystem>
#include <map>

namespace ravok {

namespace {

// ---- code and places ---------------------------------------------------------

const uint8_t* callerOf(const uint8_t* f) {
    uint32_t caller = frame::get(f, frame::kCallerFp);
    return caller ? arenaPtr<uint8_t>(caller) : nullptr;
}

int depthOf(const TProcess* p) {
    int depth = 0;
    for (const uint8_t* f = p->fp; f && depth < 100000; f = callerOf(f))
        ++depth;
    return depth;
}

// The statement a code offset belongs to: the last source point at or before
// it (`inclusive`), or strictly before it (a return address lies after its call).
const TSourcePoint* pointAt(const TCompiledInfo& code, uint32_t rel, bool inclusive) {
    const TSourcePoint* found = nullptr;
    for (const TSourcePoint& p : code.points) {
        if (p.codeOffset < rel || (inclusive && p.codeOffset == rel))
            found = &p;
        else
            break;
    }
    return found;
}

// Every code image a class owns: its methods with code, and its main body.
template <class F> void forEachImage(TRTTI* cls, F&& visit) {
    for (TFunction* fn : cls->methods)
        if (fn && fn->owner == cls && fn->hasCode()) visit(static_cast<TNormalFunction*>(fn)->code);
    if (cls->initCode) visit(*cls->initCode);
}

template <class F> void forEachCompiledClass(F&& visit) {
    if (!gClassTable) return;
    for (TRTTI* cls : *gClassTable)
        if (cls && cls->compiled) visit(cls);
}

// The line starts of a source text, as the error reports count lines.
struct TLineTable {
    std::string text;
    std::vector<int32_t> starts; // starts[i]: offset of line i + 1

    explicit TLineTable(std::string source) : text(std::move(source)) {
        TSourcePositionWalker walker(text);
        starts.push_back(0);
        for (int32_t at = 0; at < int32_t(text.size()); ++at)
            if (walker.at(at).line > int32_t(starts.size())) starts.push_back(at);
    }
    int lineOf(int32_t offset) const {
        return int(std::upper_bound(starts.begin(), starts.end(), offset) - starts.begin());
    }
};

std::map<std::string, TLineTable>& lineTables() {
    static std::map<std::string, TLineTable> tables;
    return tables;
}

const TLineTable& linesOf(const std::string& programPath) {
    auto& tables = lineTables();
    auto found = tables.find(programPath);
    if (found == tables.end())
        found = tables.emplace(programPath, TLineTable(sourceTextOf(programPath))).first;
    return found->second;
}

// Where a debugger may stop in an image: the first instruction of each
// statement, and each loop's top (where a backward jump lands), with the
// statement each belongs to.
struct TStopPlaces {
    std::map<uint32_t, int32_t> places; // code offset -> statement's source offset
    std::set<uint32_t> loopTops;
};

TStopPlaces findStopPlaces(const TCompiledInfo& code) {
    TStopPlaces found;
    std::map<uint32_t, int32_t>& places = found.places;
    std::vector<uint32_t> starts = instructionStarts(code);
    std::set<uint32_t> isStart(starts.begin(), starts.end());
    int32_t previous = -1;
    bool first = true;
    for (const TSourcePoint& p : code.points) {
        if ((first || p.sourceOffset != previous) && isStart.count(p.codeOffset) &&
            !places.count(p.codeOffset))
            places[p.codeOffset] = p.sourceOffset;
        previous = p.sourceOffset;
        first = false;
    }
    const uint8_t* base = code.codePtr();
    for (uint32_t at : starts) {
        if (storedOpcode(readWord(base + at)) != Op_Jump) continue;
        int32_t delta = int32_t(readWord(base + at + 4));
        if (delta >= 0) continue;
        uint32_t target = uint32_t(int32_t(at) + delta);
        if (!isStart.count(target)) continue;
        const TSourcePoint* p = pointAt(code, target, true);
        if (!p) continue;
        // A for loop's setup runs once and falls into its test: the loop
        // stops at the test alone, before each round, the first included.
        auto before = places.lower_bound(target);
        if (before != places.begin() && (--before)->second == p->sourceOffset) places.erase(before);
        places.emplace(target, p->sourceOffset);
        found.loopTops.insert(target);
    }
    return found;
}

// Found once for each installed image: a step asks at every instruction.
// Install stamps are never reused, so a stamp names one image's code.
std::map<uint64_t, TStopPlaces>& stopPlaceCache() {
    static std::map<uint64_t, TStopPlaces> cache;
    return cache;
}

const TStopPlaces& stopPlacesOf(const TCompiledInfo& code) {
    auto& cache = stopPlaceCache();
    auto found = cache.find(code.installStamp());
    if (found == cache.end())
        found = cache.emplace(code.installStamp(), findStopPlaces(code)).first;
    return found->second;
}

std::string utf8(std::string_view text) { return cp932ToUtf8(text); }

std::string whereOf(const uint8_t* f) {
    TFunction* fn = functionById(frame::get(f, frame::kMethod));
    const TValue& recv = *arenaPtr<TValue>(frame::get(f, frame::kReceiver));
    TRTTI* cls = recv.kind == vtObject ? classById(objectAt(recv.u)->classId) : nullptr;
    std::string name = fn && fn->owner ? fn->owner->name : cls ? cls->name : "?";
    if (fn) name += "." + fn->nameText();
    return utf8(name);
}

TSourcePlace placeIn(const TCompiledInfo* code, uint32_t position, bool inclusive) {
    TSourcePlace place;
    if (!code || !code->owner || !code->contains(position)) return place;
    const TSourcePoint* point = pointAt(*code, position - code->codeStart(), inclusive);
    place.file = code->owner->sourceFile;
    if (place.file.empty()) return place;
    place.shown = toHostPath(place.file);
    if (!point) return place;
    TSourcePosition at = sourcePosition(linesOf(place.file).text, point->sourceOffset);
    place.line = at.line;
    place.column = at.column;
    return place;
}

const uint8_t* frameAt(const TProcess* p, uint32_t fp) {
    if (!p || p->finished) return nullptr;
    for (const uint8_t* f = p->fp; f; f = callerOf(f))
        if (arenaOffset(f) == fp) return f;
    return nullptr;
}

bool isArray(const TValue& v) {
    return v.kind == vtObject && gCore.array && classById(objectAt(v.u)->classId) == gCore.array;
}

TValueList* listOf(const TValue& v) {
    if (v.kind == vtNative)
        return static_cast<TValueList*>(THostRegistry::instance().find(v, THostKind::List));
    if (isArray(v) && gCore.arrayList >= 0) return listOf(objectAt(v.u)->fields()[gCore.arrayList]);
    return nullptr;
}

} // namespace

const TCompiledInfo* codeOfFrame(const uint8_t* f) {
    TFunction* fn = functionById(frame::get(f, frame::kMethod));
    if (fn && fn->hasCode()) return &static_cast<TNormalFunction*>(fn)->code;
    const TValue& recv = *arenaPtr<TValue>(frame::get(f, frame::kReceiver));
    TRTTI* cls = recv.kind == vtObject ? classById(objectAt(recv.u)->classId) : nullptr;
    return cls && cls->initCode ? cls->initCode.get() : nullptr;
}

// ---- values ----------------------------------------------------------------------

TDebugVariable describeValue(const std::string& name, const TValue& v) {
    TDebugVariable out;
    out.name = name;
    out.raw = v;
    switch (v.kind) {
    case vtNull:
        out.type = "null";
        out.value = "null";
        return out;
    case vtInt:
        out.type = "int";
        break;
    case vtFloat:
        out.type = "float";
        break;
    case vtObject:
        if (isStringValue(v)) {
            out.type = "string";
            out.value = "\"" + utf8(stringText(v.u)) + "\"";
            return out;
        }
        if (TValueList* list = listOf(v)) {
            out.type = "array";
            out.value = "array[" + std::to_string(list->count()) + "]";
            out.openable = list->count() > 0;
            return out;
        }
        if (TRTTI* cls = classById(objectAt(v.u)->classId)) {
            out.type = utf8(cls->name);
            out.value = utf8(cls->name) + " #" + std::to_string(v.u);
            out.openable = cls->laidOutFields() > 0;
            return out;
        }
        break;
    case vtNative:
        if (TValueList* list = listOf(v)) {
            out.type = "array";
            out.value = "array[" + std::to_string(list->count()) + "]";
            out.openable = list->count() > 0;
            return out;
        }
        out.type = "native";
        break;
    case vtRef:
        out.type = "ref";
        break;
    default:
        out.type = "unset";
        out.value = "unset";
        return out;
    }
    out.value = utf8(valueToText(v));
    return out;
}

// ---- the debugger ------------------------------------------------------------------

TSourceDebugger& TSourceDebugger::instance() {
    static TSourceDebugger debugger;
    return debugger;
}

void TSourceDebugger::reset() {
    breakpoints_.clear();
    applyBreakpoints();
    mode_ = TMode::Run;
    target_ = TValue{};
    held_ = nullptr;
    rearmPending_ = false;
    pauseAsked_ = false;
    lineTables().clear();
    stopPlaceCache().clear();
}

bool TSourceDebugger::matches(const std::string& programPath, const std::string& file) const {
    namespace fs = std::filesystem;
    if (programPath.empty() || file.empty()) return false;
    fs::path host = fs::path(toHostPath(programPath)).lexically_normal();
    fs::path given = fs::path(file).lexically_normal();
    if (given.is_absolute()) return host == given;
    // A relative path names the file from where the player was started, or
    // by its last parts.
    std::error_code error;
    fs::path absolute = fs::absolute(given, error).lexically_normal();
    if (!error && host == absolute) return true;
    auto h = host.end(), g = given.end();
    while (g != given.begin()) {
        if (h == host.begin()) return false;
        --h;
        --g;
        if (h->string() != g->string()) return false;
    }
    return true;
}

std::string TSourceDebugger::programPathOf(const std::string& file) const {
    std::string found;
    forEachCompiledClass([&](TRTTI* cls) {
        if (found.empty() && matches(cls->sourceFile, file)) found = cls->sourceFile;
    });
    return found;
}

std::set<int> TSourceDebugger::statementLines(const std::string& file) {
    std::set<int> lines;
    forEachCompiledClass([&](TRTTI* cls) {
        if (!matches(cls->sourceFile, file)) return;
        const TLineTable& table = linesOf(cls->sourceFile);
        forEachImage(cls, [&](TCompiledInfo& code) {
            for (const auto& [offset, source] : stopPlacesOf(code).places)
                lines.insert(table.lineOf(source));
        });
    });
    return lines;
}

std::vector<int> TSourceDebugger::setBreakpoints(const std::string& file,
                                                 const std::vector<int>& lines) {
    std::erase_if(breakpoints_, [&](const TBreakpoint& b) { return b.file == file; });
    std::set<int> statements = statementLines(file);
    std::vector<int> placed;
    for (int line : lines) {
        auto next = statements.lower_bound(line);
        // 0 while no compiled code has a statement there or after it.
        placed.push_back(next != statements.end() ? *next : 0);
        breakpoints_.push_back({file, line});
    }
    applyBreakpoints();
    return placed;
}

void TSourceDebugger::addBreakpoint(const std::string& file, int line) {
    breakpoints_.push_back({file, line});
    applyBreakpoints();
}

bool TSourceDebugger::toggleBreakpoint(const std::string& file, int line) {
    // On compiled code the breakpoint stands where it will hold.
    std::set<int> statements = statementLines(file);
    if (auto next = statements.lower_bound(line); next != statements.end()) line = *next;
    size_t before = breakpoints_.size();
    std::erase_if(breakpoints_, [&](const TBreakpoint& b) {
        return b.line == line && matches(programPathOf(b.file), file);
    });
    bool set = breakpoints_.size() == before;
    if (set) breakpoints_.push_back({file, line});
    applyBreakpoints();
    return set;
}

std::set<int> TSourceDebugger::breakpointLines(const std::string& file) const {
    std::set<int> lines;
    std::string path = programPathOf(file);
    for (const TBreakpoint& b : breakpoints_)
        if (b.file == file || (!path.empty() && matches(path, b.file))) lines.insert(b.line);
    return lines;
}

bool TSourceDebugger::anyBreakpoints() const { return !breakpoints_.empty(); }

void TSourceDebugger::applyBreakpoints() {
    // Where nothing can show a hold, a breakpoint would only slow the game.
    bool active = debugWindow().present();
    forEachCompiledClass([&](TRTTI* cls) {
        std::set<int> asked, lines;
        if (active)
            for (const TBreakpoint& b : breakpoints_)
                if (matches(cls->sourceFile, b.file)) asked.insert(b.line);
        const TLineTable* table = asked.empty() ? nullptr : &linesOf(cls->sourceFile);
        if (table) {
            // A breakpoint on a line without a statement (a declaration, a
            // comment, a blank) stands on the next line that has one.
            std::set<int> statements;
            forEachImage(cls, [&](TCompiledInfo& code) {
                for (const auto& [offset, source] : stopPlacesOf(code).places)
                    statements.insert(table->lineOf(source));
            });
            for (int line : asked)
                if (auto next = statements.lower_bound(line); next != statements.end())
                    lines.insert(*next);
        }
        forEachImage(cls, [&](TCompiledInfo& code) {
            std::set<uint32_t> traps;
            if (table) {
                // A line holds once where it begins, and again at a loop's
                // test on it each round; not at each statement it holds.
                const TStopPlaces& stops = stopPlacesOf(code);
                std::set<int> begun;
                for (const auto& [offset, source] : stops.places) {
                    int line = table->lineOf(source);
                    if (!lines.count(line)) continue;
                    if (begun.insert(line).second || stops.loopTops.count(offset))
                        traps.insert(offset);
                }
            }
            setTraps(code, traps);
        });
    });
}

void TSourceDebugger::classCompiled() {
    // A class compiled again may come from a changed file, and its old
    // images are gone.
    lineTables().clear();
    stopPlaceCache().clear();
    if (!breakpoints_.empty()) applyBreakpoints();
}

// ---- running ---------------------------------------------------------------------

void TSourceDebugger::startStep(TMode mode) {
    TProcess* p = held_;
    if (p && !p->finished && p->fp) {
        target_ = p->handle();
        targetDepth_ = depthOf(p);
        p->stepping = true;
        mode_ = mode;
    } else {
        mode_ = TMode::Run;
    }
    StepBudget = kUnlimitedBudget;
}

void TSourceDebugger::resume() {
    mode_ = TMode::Run;
    StepBudget = kUnlimitedBudget;
}
void TSourceDebugger::stepOver() { startStep(TMode::Over); }
void TSourceDebugger::stepInto() { startStep(TMode::Into); }
void TSourceDebugger::stepOut() { startStep(TMode::Out); }
void TSourceDebugger::requestPause() { pauseAsked_ = true; }

void TSourceDebugger::frameBegins() {
    if (rearmPending_) rearm();
    if (pauseAsked_.exchange(false)) {
        // Every process steps until one reaches a statement.
        mode_ = TMode::Pause;
        StepBudget = 1;
    }
}

TProcess* TSourceDebugger::live(const TValue& handle) const {
    return static_cast<TProcess*>(THostRegistry::instance().find(handle, THostKind::Process));
}

void TSourceDebugger::rearm() {
    rearmPending_ = false;
    // The process let over the breakpoint goes back to whole slices unless a
    // statement step of its own goes on.
    TProcess* p = live(rearm_);
    if (p && !(mode_ != TMode::Run && p == live(target_))) p->stepping = false;
    rearm_ = TValue{};
    applyBreakpoints();
}

void TSourceDebugger::passTrap(TProcess* p) {
    if (!p || !p->ip || p->finished) return;
    setTrapBit(p->ip, false);
    rearm_ = p->handle();
    rearmPending_ = true;
    p->stepping = true;
}

void TSourceDebugger::settleUnshown(TProcess* p, bool trapHit) {
    if (trapHit)
        passTrap(p);
    else if (rearmPending_)
        rearm();
    if (p && p->stepping && !rearmPending_ && p != live(target_)) p->stepping = false;
    StepBudget = kUnlimitedBudget;
}

void TSourceDebugger::leaving(TProcess* p) {
    if (p && !p->finished && p->ip && isTrapped(p->ip)) passTrap(p);
    held_ = nullptr;
}

bool TSourceDebugger::atStopPlace(TProcess* p) const {
    const TCompiledInfo* code = codeOfFrame(p->fp);
    if (!code || !code->owner || !p->ip || !code->contains(arenaOffset(p->ip))) return false;
    return stopPlacesOf(*code).places.count(arenaOffset(p->ip) - code->codeStart()) > 0;
}

bool TSourceDebugger::shouldStop(TProcess* p, bool trapHit, TStopReason& reason) {
    if (rearmPending_) rearm();
    if (trapHit) {
        reason = TStopReason::Breakpoint;
        return true;
    }
    if (!p || p->finished || !p->fp) {
        // Nothing to stand on; a plain run carries on.
        if (mode_ == TMode::Pause || (p && p->stepping && StepBudget >= kUnlimitedBudget)) {
            if (p) p->stepping = false;
            return false;
        }
        return StepBudget <= 0;
    }
    if (mode_ == TMode::Pause) {
        if (atStopPlace(p)) {
            reason = TStopReason::Pause;
            return true;
        }
        StepBudget = 1;
        return false;
    }
    TProcess* target = live(target_);
    if (p->stepping && mode_ != TMode::Run && p == target) {
        int depth = depthOf(p);
        bool stop = false;
        if (depth < targetDepth_)
            stop = true; // returned to the caller
        else if (mode_ == TMode::Into)
            stop = atStopPlace(p);
        else if (mode_ == TMode::Over)
            stop = depth == targetDepth_ && atStopPlace(p);
        if (stop) {
            reason = TStopReason::Step;
            return true;
        }
        return false;
    }
    if (p->stepping && StepBudget >= kUnlimitedBudget) {
        // A process left stepping by a step that ended elsewhere.
        p->stepping = false;
        return false;
    }
    reason = TStopReason::Held;
    return StepBudget <= 0;
}

void TSourceDebugger::stopped(TProcess* p, TStopReason reason, const std::string& errorText) {
    if (TProcess* target = live(target_)) target->stepping = false;
    if (p) p->stepping = false;
    mode_ = TMode::Run;
    target_ = TValue{};
    held_ = p;
    reason_ = reason;
    errorText_ = errorText;
}

// ---- what a hold shows ---------------------------------------------------------------

std::vector<TDebugFrame> TSourceDebugger::frames(const TProcess* p) const {
    std::vector<TDebugFrame> out;
    if (!p || p->finished || !p->fp) return out;
    uint32_t position = p->ip ? arenaOffset(p->ip) : 0;
    bool inclusive = true;
    for (const uint8_t* f = p->fp; f && out.size() < 10000; f = callerOf(f)) {
        out.push_back({whereOf(f), placeIn(codeOfFrame(f), position, inclusive), arenaOffset(f)});
        position = frame::get(f, frame::kReturn);
        inclusive = false;
    }
    return out;
}

TSourcePlace TSourceDebugger::placeOf(const TProcess* p) const {
    std::vector<TDebugFrame> all = frames(p);
    return all.empty() ? TSourcePlace{} : all.front().place;
}

std::vector<TDebugVariable> TSourceDebugger::locals(const TProcess* p, uint32_t fp) const {
    std::vector<TDebugVariable> out;
    const uint8_t* f = frameAt(p, fp);
    if (!f) return out;
    TFunction* fn = functionById(frame::get(f, frame::kMethod));
    if (!fn || !fn->hasCode()) return out;
    auto* normal = static_cast<TNormalFunction*>(fn);
    for (size_t k = 0; k < normal->localNames.size(); ++k)
        out.push_back(describeValue(utf8(normal->localNames[k]),
                                    *reinterpret_cast<const TValue*>(f - 8 * k)));
    return out;
}

std::vector<TDebugVariable> TSourceDebugger::arguments(const TProcess* p, uint32_t fp) const {
    std::vector<TDebugVariable> out;
    const uint8_t* f = frameAt(p, fp);
    if (!f) return out;
    TFunction* fn = functionById(frame::get(f, frame::kMethod));
    uint32_t argc = frame::get(f, frame::kArgc);
    auto* normal = fn && fn->hasCode() ? static_cast<TNormalFunction*>(fn) : nullptr;
    for (uint32_t i = 0; i < argc; ++i) {
        std::string name = normal && i < normal->argNames.size() ? utf8(normal->argNames[i])
                                                                 : "arg" + std::to_string(i);
        out.push_back(describeValue(
            name, *reinterpret_cast<const TValue*>(f + frame::kArgs + 8 * (argc - 1 - i))));
    }
    return out;
}

std::vector<TDebugVariable> TSourceDebugger::thisFields(const TProcess* p, uint32_t fp) const {
    const uint8_t* f = frameAt(p, fp);
    if (!f) return {};
    return children(*arenaPtr<TValue>(frame::get(f, frame::kReceiver)));
}

std::vector<TDebugVariable> TSourceDebugger::children(const TValue& v) const {
    std::vector<TDebugVariable> out;
    if (TValueList* list = listOf(v)) {
        for (int32_t i = 0; i < list->count() && i < 10000; ++i)
            out.push_back(describeValue("[" + std::to_string(i) + "]", *list->cell(i)));
        return out;
    }
    if (v.kind != vtObject || isStringValue(v)) return out;
    TfObject* object = objectAt(v.u);
    TRTTI* cls = classById(object->classId);
    if (!cls || object->refcount < 0) return out;
    int32_t n = std::min(cls->laidOutFields(), cls->fieldCount());
    for (int32_t i = 0; i < n; ++i)
        out.push_back(describeValue(utf8(cls->fields.name(i)), object->fields()[i]));
    return out;
}

std::vector<TDebugVariable> TSourceDebugger::globals() const {
    std::vector<TDebugVariable> out;
    TResource* list = resourceServices().globalsList();
    if (!list) return out;
    for (auto it = list->newIterator(); it && it->hasNext();) {
        TResource* g = it->next();
        if (!g) continue;
        if (TValue* cell = g->valueCell()) out.push_back(describeValue(utf8(g->name), *cell));
    }
    std::sort(out.begin(), out.end(),
              [](const TDebugVariable& a, const TDebugVariable& b) { return a.name < b.name; });
    return out;
}

TDebugVariable TSourceDebugger::evaluate(const std::string& expression, const TProcess* p,
                                         uint32_t fp) {
    if (const uint8_t* f = frameAt(p, fp)) {
        if (expression == "this")
            return describeValue(expression, *arenaPtr<TValue>(frame::get(f, frame::kReceiver)));
        for (const auto& list : {locals(p, fp), arguments(p, fp), thisFields(p, fp)})
            for (const TDebugVariable& v : list)
                if (v.name == expression) return v;
    }
    // The snippet runs now, inside the hold: with a budget of its own, and
    // past any breakpoint it meets.
    int32_t savedBudget = StepBudget;
    StepBudget = kUnlimitedBudget;
    TValue* cell = valueOf(utf8ToCp932(expression));
    StepBudget = savedBudget;
    if (!cell) {
        TDebugVariable none;
        none.name = expression;
        none.value = "(no value)";
        return none;
    }
    return describeValue(expression, *cell);
}

std::vector<std::string> TSourceDebugger::sourceLines(const std::string& programPath) const {
    std::vector<std::string> lines;
    const TLineTable& table = linesOf(programPath);
    for (size_t i = 0; i < table.starts.size(); ++i) {
        size_t begin = size_t(table.starts[i]);
        size_t end = i + 1 < table.starts.size() ? size_t(table.starts[i + 1]) : table.text.size();
        std::string line = table.text.substr(begin, end - begin);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        lines.push_back(utf8(line));
    }
    if (!lines.empty() && lines.back().empty() && !table.text.empty() && table.text.back() == '\n')
        lines.pop_back();
    return lines;
}

} // namespace ravok
