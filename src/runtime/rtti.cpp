#include "runtime/rtti.h"

#include "runtime/collector.h"
#include "runtime/directories.h"
#include "runtime/mark.h"
#include "runtime/markup_escape.h"
#include "runtime/messages.h"
#include "runtime/pool.h"
#include "runtime/tf_object.h"

#include "base/reporter.h"
#include "runtime/sjis.h"
#include "runtime/symbols.h"

namespace ravok {

namespace {
// Never reused: a stale class id in an instance or an image resolves to nothing.
std::vector<TRTTI*>& classTable() {
    if (!gClassTable) gClassTable = new std::vector<TRTTI*>{nullptr}; // outlives static destruction
    return *gClassTable;
}
} // namespace

TRTTI::TRTTI(std::string className)
    : TResource(THostKind::Class),
      classCell_(arenaPtr<TValue>(TArena::instance().allocate(sizeof(TValue)))) {
    name = std::move(className);
    auto& table = classTable();
    classId_ = uint32_t(table.size());
    table.push_back(this);
    *classCell_ = handle();
}

TRTTI::~TRTTI() {
    if (aliasRegistered) TAlias::instance().remove(this);
    reset();
    releasePool(this);
    TArena::instance().release(arenaOffset(classCell_), sizeof(TValue));
    classTable()[classId_] = nullptr;
    if (gCore.object == this) gCore.object = nullptr;
    if (gCore.string == this)
        gCore.string = nullptr, gCore.stringBody = -1, gCore.stringClassId = UINT32_MAX;
    if (gCore.array == this) gCore.array = nullptr, gCore.arrayList = -1;
}

TRTTI* resolveClassPath(std::string_view path) {
    // A full path ends in the class's own name: that is checked before the
    // path is built, which binding hundreds of natives at boot would feel.
    size_t dot = path.rfind('.');
    std::string_view last = dot == std::string_view::npos ? path : path.substr(dot + 1);
    for (TRTTI* cls : classTable()) {
        if (!cls || (cls->parent && !equalsNoCase(cls->name, last))) continue;
        if (equalsNoCase(cls->fullName(), path)) return cls;
    }
    // A short name stands for the class of that name, as the alias table of
    // the resource tree will resolve it.
    if (path.find('.') == std::string_view::npos) {
        for (TRTTI* cls : classTable()) {
            if (cls && equalsNoCase(cls->name, path)) return cls;
        }
    }
    return nullptr;
}

std::string TRTTI::classText() const { return std::to_string(hostId()) + "@" + name; }

bool TRTTI::inherits(const TRTTI* ancestor) const {
    for (const TRTTI* c = this; c; c = c->superclass) {
        if (c == ancestor) return true;
    }
    return false;
}

int32_t TRTTI::fieldIndexCreate(std::string_view fieldName) {
    uint32_t sym = intern(fieldName);
    int32_t i = fields.indexOf(sym);
    return i >= 0 ? i : fields.addSymbol(sym);
}

TFunction* TRTTI::methodBySymbol(uint32_t symbol, int32_t* cache) const {
    int32_t c = *cache;
    int32_t n = int32_t(methods.size());
    if (c >= 0 && c < n && methods[size_t(c)]->name == symbol) return methods[size_t(c)];
    for (int32_t i = n - 1; i >= 0; --i) {
        if (methods[size_t(i)]->name == symbol) {
            *cache = i;
            return methods[size_t(i)];
        }
    }
    *cache = -1;
    return nullptr;
}

int32_t TRTTI::methodIndexByName(std::string_view methodName) const {
    int64_t sym = TSymbolTable::instance().find(methodName);
    return sym < 0 ? -1 : firstMethodIndex(uint32_t(sym));
}

namespace {
size_t methodSlot(uint32_t symbol, size_t mask) {
    return size_t((uint64_t(symbol) * 0x9E3779B97F4A7C15ull) >> 32) & mask;
}
} // namespace

int32_t TRTTI::firstMethodIndex(uint32_t symbol) const {
    if (firstBySymbol_.empty()) return -1;
    size_t mask = firstBySymbol_.size() - 1;
    for (size_t at = methodSlot(symbol, mask);; at = (at + 1) & mask) {
        uint64_t slot = firstBySymbol_[at];
        if (slot == 0) return -1;
        if (uint32_t(slot >> 32) == symbol + 1) return int32_t(uint32_t(slot));
    }
}

void TRTTI::indexFirstMethod(uint32_t symbol, int32_t index) {
    if (2 * methods.size() <= firstBySymbol_.size()) {
        insertFirstMethod(symbol, index);
        return;
    }
    // Grown from the list itself (the new method is in it already).
    rebuildMethodIndex();
}

void TRTTI::rebuildMethodIndex() {
    // First entries first, so each name keeps its first index.
    size_t capacity = 16;
    while (capacity < 4 * methods.size())
        capacity *= 2;
    firstBySymbol_.assign(capacity, 0);
    for (size_t i = 0; i < methods.size(); ++i)
        insertFirstMethod(methods[i]->name, int32_t(i));
}

void TRTTI::insertFirstMethod(uint32_t symbol, int32_t index) {
    size_t mask = firstBySymbol_.size() - 1;
    size_t at = methodSlot(symbol, mask);
    while (firstBySymbol_[at] != 0) {
        if (uint32_t(firstBySymbol_[at] >> 32) == symbol + 1) return; // an earlier one stays
        at = (at + 1) & mask;
    }
    firstBySymbol_[at] = uint64_t(symbol + 1) << 32 | uint32_t(index);
}

TFunction* TRTTI::methodByName(std::string_view methodName) const {
    return methodByIndex(methodIndexByName(methodName));
}

TConstructor* TRTTI::constructor() {
    if (!constructorFound_) {
        for (TFunction* fn : methods) {
            if (fn->kind() == TFunctionKind::Constructor)
                constructor_ = static_cast<TConstructor*>(fn);
        }
        constructorFound_ = true;
    }
    return constructor_;
}

TDestructor* TRTTI::destructor() {
    if (!destructorFound_) {
        for (TFunction* fn : methods) {
            if (fn->kind() == TFunctionKind::Destructor)
                destructor_ = static_cast<TDestructor*>(fn);
        }
        destructorFound_ = true;
    }
    return destructor_;
}

void TRTTI::addMethod(TFunction* fn) {
    methods.push_back(fn);
    indexFirstMethod(fn->name, int32_t(methods.size() - 1));
    ++fn->usageCount;
    constructorFound_ = destructorFound_ = false;
}

void TRTTI::removeLastMethod() {
    if (methods.empty()) return;
    methods.pop_back();
    rebuildMethodIndex();
    constructorFound_ = destructorFound_ = false;
}

void TRTTI::addOrOverride(TFunction* fn) {
    int32_t first = firstMethodIndex(fn->name);
    if (first < 0) {
        addMethod(fn);
        return;
    }
    ++fn->usageCount;
    TFunction* old = methods[size_t(first)];
    methods[size_t(first)] = fn;
    releaseMethod(old);
    constructorFound_ = destructorFound_ = false;
}

void TRTTI::inheritMethods() {
    if (!superclass) return;
    if (methods.empty()) {
        // The usual case, a class taking its methods before its own: the
        // superclass's index holds for the copy as it stands.
        methods = superclass->methods;
        firstBySymbol_ = superclass->firstBySymbol_;
        for (TFunction* fn : methods)
            ++fn->usageCount;
        constructorFound_ = destructorFound_ = false;
        return;
    }
    for (TFunction* fn : superclass->methods)
        addMethod(fn);
}

void TRTTI::inheritFields() {
    if (!superclass) return;
    for (int32_t i = 0; i < superclass->fields.count(); ++i)
        fields.addSymbol(superclass->fields.id(i));
}

void TRTTI::releaseMethod(TFunction* fn) {
    if (--fn->usageCount <= 0) delete fn;
}

void TRTTI::reset() {
    compiled = false;
    fields.clear();
    std::vector<TFunction*> old;
    old.swap(methods);
    firstBySymbol_.clear();
    for (TFunction* fn : old)
        releaseMethod(fn);
    constructor_ = nullptr;
    destructor_ = nullptr;
    constructorFound_ = destructorFound_ = false;
    releasePool(this);
    initCode.reset();
}

void setCoreClasses(TRTTI* object, TRTTI* string, TRTTI* array) {
    gCore.object = object;
    gCore.string = string;
    gCore.array = array;
    gCore.stringBody = string ? string->fields.indexOf(symBody) : -1;
    gCore.stringClassId = string ? string->classId() : UINT32_MAX;
    gCore.arrayList = array ? array->fields.indexOf(intern("_x")) : -1;
}

} // namespace ravok

namespace ravok {

void TRTTI::initStep(TInitContext& context) {
    if (!compiled) {
        reset();
        resourceServices().compileClass(this);
    }
    if (failed) {
        ++context.failed;
        ++context.failedReported;
    } else if (compiled)
        ++context.done;
    else
        ++context.pending;
}

void TRTTI::save(TLines& lines, const std::string& indent) {
    lines.push_back(indent + "<class name=\"" + escapeMarkup(name) + "\" src=\"" +
                    escapeMarkup(relativeToBase(sourceFile)) + "\" category=\"" +
                    escapeMarkup(category) + "\"/>");
}

void TRTTI::releaseValues() {
    TResource::releaseValues();
    for (uint32_t rec : pool)
        if (objectAt(rec)->refcount >= 0) destroyInstance(rec);
}

void TRTTI::markValues() {
    TResource::markValues();
    if (!gCheckMode) return;
    for (uint32_t rec : pool)
        if (objectAt(rec)->refcount >= 0) markInstance(rec);
}

std::vector<uint32_t>& doomedInstances() {
    static auto* list = new std::vector<uint32_t>();
    return *list;
}

void TRTTI::sweepValues() {
    Notice(translate("sweeping ") + name);
    // By index: a destructor may allocate, and the pool may grow meanwhile.
    for (size_t i = 0; i < pool.size(); ++i) {
        uint32_t rec = pool[i];
        TfObject* o = objectAt(rec);
        if (o->refcount < 0) continue;
        if (gCheckMode) {
            // Every live instance was marked once through its class; marks - 1
            // references were found besides.
            if (o->refcount < o->marks - 1)
                collectorObjectList().push_back(classText() + ":r=" + std::to_string(o->marks - 1) +
                                                ",f=" + std::to_string(o->refcount) + "," +
                                                std::to_string(rec));
            o->marks = 0;
        } else if (o->marks == 0) {
            o->marks = kDoomedMarks;
            doomedInstances().push_back(rec);
        } else {
            o->marks = 0;
        }
    }
}

} // namespace ravok
