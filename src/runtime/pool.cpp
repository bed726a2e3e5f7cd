#include "runtime/pool.h"

#include "runtime/errors.h"
#include "runtime/interpreter.h"
#include "runtime/messages.h"
#include "runtime/process.h"
#include "runtime/rtti.h"
#include "runtime/stats.h"
#include "runtime/string_destructor.h"
#include "runtime/tf_object.h"
#include "runtime/value_ops.h"

#include <algorithm>

#include "base/reporter.h"

namespace ravok {

namespace {
// Destructors that allocate reach further unreferenced records, whose
// destructors allocate again: a chain of them would recurse on the host stack
// once per record. Past this depth an allocation takes a fresh record and
// leaves the unreferenced ones for a later allocation or the collector.
constexpr int kMaxNestedDestroys = 48;
int gDestroyDepth = 0;
} // namespace

uint32_t allocateInstance(TRTTI* cls) {
    if (!cls->compiled) {
        // "...はコンパイルが完了していないため、インスタンスを生成できません"
        throw ERunError(translate("Class") + cls->classText() +
                        "\x82\xCD\x83R\x83\x93\x83p\x83"
                        "C\x83\x8B\x82\xAA\x8A\xAE\x97\xB9\x82\xB5\x82\xC4\x82\xA2\x82\xC8\x82\xA2"
                        "\x82\xBD\x82\xDF\x81"
                        "A\x83"
                        "C\x83\x93\x83X\x83^\x83\x93\x83X\x82\xF0\x90\xB6\x90\xAC\x82\xC5\x82\xAB"
                        "\x82\xDC\x82\xB9\x82\xF1");
    }
    if (cls->instanceSize < 0) cls->instanceSize = instanceSizeFor(cls->fieldCount());
    ++cls->allocationCount;

    std::vector<TArenaOffset>& pool = cls->pool;
    const bool mayDestroy = gDestroyDepth < kMaxNestedDestroys;
    // Only -1 records are taken when no destructor may run here.
    const int32_t takenBelow = mayDestroy ? 1 : 0;
    size_t i = std::min<size_t>(cls->poolFreeHint, pool.size());
    auto isTaken = [&](size_t k) {
        const TfObject* r = objectAt(pool[k]);
        return r->refcount >= takenBelow || r->marks < 0;
    };
    if (cls->poolLastTaken < i && !isTaken(cls->poolLastTaken)) i = cls->poolLastTaken;
    while (i < pool.size() && isTaken(i))
        ++i;
    if (i == pool.size()) {
        // The record's pool index sits in the four bytes before it, where
        // noteInstanceFree finds it.
        TArenaOffset base = TArena::instance().allocate(size_t(cls->instanceSize) + 4);
        *arenaPtr<uint32_t>(base) = uint32_t(i);
        TArenaOffset rec = base + 4;
        TfObject* o = objectAt(rec);
        o->classId = cls->classId();
        o->refcount = -1;
        pool.push_back(rec);
    }
    uint32_t taken = pool[i];
    cls->poolLastTaken = uint32_t(i);
    // Skipped unreferenced records stay behind the hint for the next search.
    if (mayDestroy) cls->poolFreeHint = uint32_t(i + 1);
    if (objectAt(taken)->refcount == 0) destroyInstance(taken);

    TfObject* o = objectAt(taken);
    o->refcount = 0;
    o->marks = 0;
    o->classId = cls->classId();
    // The layout was fixed at the first allocation; fields named later (a class
    // recompiled in place) must not reach past the record.
    int32_t n = std::min(cls->fieldCount(), (cls->instanceSize - 12) / 8);
    for (int32_t f = 0; f < n; ++f)
        o->field(f) = TValue::ofUnset(cls->fields.id(f));
    ++gStats.instances;
    return taken;
}

void noteInstanceFree(uint32_t instance) {
    TRTTI* cls = classById(objectAt(instance)->classId);
    if (!cls || cls->pool.empty()) return;
    uint32_t index = *arenaPtr<uint32_t>(instance - 4);
    if (index < cls->pool.size() && cls->pool[index] == instance && index < cls->poolFreeHint)
        cls->poolFreeHint = index;
}

void runDestructor(uint32_t instance) {
    TfObject* o = objectAt(instance);
    TRTTI* cls = classById(o->classId);
    if (!cls || o->refcount < 0) return;
    TDestructor* dtor = cls->destructor();
    if (!dtor) return;
    if (cls == gCore.string && freesOnlyStringBody(*dtor)) {
        freeStringBody(instance);
        return;
    }
    ++gDestroyDepth;
    runHostMethod(instance, dtor);
    --gDestroyDepth;
}

void releaseInstance(uint32_t instance) {
    TfObject* o = objectAt(instance);
    TRTTI* cls = classById(o->classId);
    if (!cls || o->refcount < 0) return;
    int32_t n = std::min(cls->fieldCount(), (cls->instanceSize - 12) / 8);
    for (int32_t i = 0; i < n; ++i) {
        TValue v = o->field(i);
        o->field(i) = TValue::null();
        if (!decrementQuietly(v)) {
            Notice(translate("Decref failed at ") + cls->name + "." + cls->fields.name(i));
            break;
        }
    }
    o->refcount = -1;
    o->marks = 0;
    noteInstanceFree(instance);
    --gStats.instances;
}

void destroyInstance(uint32_t instance) {
    runDestructor(instance);
    releaseInstance(instance);
}

void releasePool(TRTTI* cls) {
    for (uint32_t rec : cls->pool) {
        TfObject* o = objectAt(rec);
        if (o->refcount >= 0) --gStats.instances;
        if (o->refcount > 0) {
            // Still referenced from somewhere: the record keeps its memory but
            // belongs to no class any more, so a stale reference reads as an
            // object of no class instead of reaching memory reused since.
            o->classId = 0;
            continue;
        }
        TArena::instance().release(rec - 4, size_t(cls->instanceSize) + 4);
    }
    cls->pool.clear();
    cls->poolFreeHint = 0;
    cls->poolLastTaken = UINT32_MAX;
    cls->instanceSize = -1;
}

void checkDiscardable(TRTTI* cls) {
    for (uint32_t rec : cls->pool) {
        if (objectAt(rec)->refcount > 0)
            throw ERunError(cls->classText() + translate(": Object still remaining"));
    }
}

} // namespace ravok
