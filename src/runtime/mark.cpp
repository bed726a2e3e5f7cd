#include "runtime/mark.h"

#include "runtime/errors.h"
#include "runtime/interpreter.h"
#include "runtime/process.h"
#include "runtime/rtti.h"
#include "runtime/symbols.h"
#include "runtime/tf_object.h"

#include "base/reporter.h"

#include <vector>

namespace ravok {

namespace {

// Instances still to visit. Marking works from this list rather than by
// recursion, so a long chain of objects cannot exhaust the host stack, and a
// gc_mark method that marks further values only adds to it.
std::vector<uint32_t>& pending() {
    static auto* list = new std::vector<uint32_t>();
    return *list;
}
bool gDraining = false;

void runGcMark(uint32_t instance, TRTTI* cls) {
    TFunction* fn = cls->methodByName("gc_mark");
    if (!fn || !fn->hasCode()) return;
    runHostMethod(instance, fn);
}

void visit(uint32_t instance) {
    TfObject* o = objectAt(instance);
    if (o->marks > 0) {
        ++o->marks;
        return;
    }
    o->marks = 1;
    TRTTI* cls = classById(o->classId);
    if (!cls) return;
    runGcMark(instance, cls);
    o = objectAt(instance);
    int32_t n = std::min(cls->fieldCount(), (cls->instanceSize - 12) / 8);
    // Pushed in reverse so that fields are visited in their order.
    for (int32_t i = n - 1; i >= 0; --i) {
        const TValue& f = o->field(i);
        if (f.kind == vtObject) pending().push_back(f.u);
    }
}

void drain() {
    if (gDraining) return;
    gDraining = true;
    try {
        while (!pending().empty()) {
            uint32_t next = pending().back();
            pending().pop_back();
            visit(next);
        }
    } catch (...) {
        pending().clear();
        gDraining = false;
        throw;
    }
    gDraining = false;
}

} // namespace

void markInstance(uint32_t instance) {
    pending().push_back(instance);
    drain();
}

void markValue(const TValue& v) {
    if (v.kind == vtObject) markInstance(v.u);
}

void markProcessStack(TProcess* p) {
    if (!p || p->released) return;
    p->forEachSlot([](TValue& v) {
        if (v.kind == vtObject) pending().push_back(v.u);
    });
    drain();
}

} // namespace ravok
