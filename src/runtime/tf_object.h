// TfObject: the instance record of a script object, kept in the VM arena:
// refcount, mark counter and class id (4 bytes each), then one TValue per field,
// 12 + 8 * n bytes in all.
#pragma once

#include "runtime/arena.h"
#include "runtime/value.h"

namespace ravok {

struct TfObject {
    int32_t refcount; // -1: destroyed or never used; 0: unreferenced but alive
    int32_t marks;
    uint32_t classId;

    TValue* fields() { return reinterpret_cast<TValue*>(this + 1); }
    TValue& field(int32_t index) { return fields()[index]; }
};

static_assert(sizeof(TfObject) == 12);

constexpr int32_t instanceSizeFor(int32_t fieldCount) { return 12 + 8 * fieldCount; }

inline TfObject* objectAt(uint32_t offset) { return arenaPtr<TfObject>(offset); }
inline TValue* cellAt(uint32_t offset) { return arenaPtr<TValue>(offset); }

} // namespace ravok
