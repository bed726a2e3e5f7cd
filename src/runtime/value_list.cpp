#include "runtime/value_list.h"

#include "runtime/errors.h"
#include "runtime/stats.h"
#include "runtime/value_ops.h"

namespace ravok {

TValueList::~TValueList() { clear(); }

void TValueList::add(const TValue& v) {
    // Copied first (v may be one of the cells, which growing moves), and
    // counted once it is held: a failed growth leaves no count behind.
    TValue held = v;
    cells_.push_back(held);
    increment(held);
    ++gStats.valueCells;
    ++gStats.listElements;
}

void TValueList::insert(int32_t i, const TValue& v) {
    if (i < 0 || i > count())
        throw ERunError("List index out of bounds (" + std::to_string(i) + ")");
    TValue held = v;
    cells_.insert(size_t(i), held);
    increment(held);
    ++gStats.valueCells;
    ++gStats.listElements;
}

TValue* TValueList::checkedCell(int32_t i) {
    if (i < 0 || i >= count())
        throw ERunError("List index out of bounds (" + std::to_string(i) + ")");
    return cell(i);
}

TValue TValueList::take(int32_t i) {
    TValue v = *checkedCell(i);
    cells_.erase(size_t(i));
    --gStats.valueCells;
    --gStats.listElements;
    return v;
}

void TValueList::clear() {
    // Emptied first: a count released below may free an object whose
    // destructor reads this list.
    TCellBuffer cells;
    cells.swap(cells_);
    gStats.valueCells -= int64_t(cells.size());
    gStats.listElements -= int64_t(cells.size());
    for (TValue& v : cells)
        decrementQuietly(v);
}

} // namespace ravok
