// TValueList: the host list behind an array's _x field. Its elements are
// counted values held side by side. No vtRef ever addresses an element, and
// every reader copies a cell before anything can run that may change the
// list, so the cells may move when the list grows.
#pragma once

#include "runtime/cell_buffer.h"
#include "runtime/host_registry.h"
#include "runtime/value.h"

namespace ravok {

class TValueList : public THostObject {
public:
    static constexpr THostKind kHostKind = THostKind::List;
    TValueList() : THostObject(kHostKind) {}
    ~TValueList() override;
    const char* hostClassName() const override { return "TList"; }

    int32_t count() const { return int32_t(cells_.size()); }
    TValue* cell(int32_t i) { return &cells_[size_t(i)]; }
    const TValue* cell(int32_t i) const { return &cells_[size_t(i)]; }
    // Appends a copy of v (counted).
    void add(const TValue& v);
    // Inserts a copy of v before position i (0 .. count).
    void insert(int32_t i, const TValue& v);
    // Removes cell i; its value (and its count) moves to the caller.
    TValue take(int32_t i);
    // The cell at i, or a fatal "List index out of bounds (i)" error.
    TValue* checkedCell(int32_t i);
    // Releases every element and empties the list.
    void clear();

private:
    TCellBuffer cells_;
};

} // namespace ravok
