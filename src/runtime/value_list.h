// TValueList: the host list behind an array's _x field. Each entry is a TValue
// cell of its own in the VM arena, owned by the list, so a vtRef can address an
// element.
#pragma once

#include "runtime/arena.h"
#include "runtime/host_registry.h"
#include "runtime/value.h"

#include <vector>

namespace ravok {

class TValueList : public THostObject {
public:
    static constexpr THostKind kHostKind = THostKind::List;
    TValueList() : THostObject(kHostKind) {}
    ~TValueList() override;
    const char* hostClassName() const override { return "TList"; }

    int32_t count() const { return int32_t(cells_.size()); }
    TValue* cell(int32_t i) const { return arenaPtr<TValue>(cells_[size_t(i)]); }
    // Appends a copy of v (counted).
    void add(const TValue& v);
    // Inserts a copy of v before position i (0 .. count).
    void insert(int32_t i, const TValue& v);
    // Removes cell i; its value (and its count) moves to the caller.
    TValue take(int32_t i);
    // The cell at i, or a fatal "List index out of bounds (i)" error.
    TValue* checkedCell(int32_t i) const;
    // Releases every element and empties the list.
    void clear();

private:
    std::vector<TArenaOffset> cells_;
};

} // namespace ravok
