#include "runtime/value_list.h"

#include "runtime/errors.h"
#include "runtime/stats.h"
#include "runtime/value_ops.h"

namespace ravok {

TValueList::~TValueList() { clear(); }

void TValueList::add(const TValue& v) {
    TArenaOffset off = TArena::instance().allocate(sizeof(TValue));
    ++gStats.valueCells;
    ++gStats.listElements;
    *arenaPtr<TValue>(off) = TValue::null();
    assign(*arenaPtr<TValue>(off), &v);
    cells_.push_back(off);
}

void TValueList::insert(int32_t i, const TValue& v) {
    if (i < 0 || i > count())
        throw ERunError("List index out of bounds (" + std::to_string(i) + ")");
    TArenaOffset off = TArena::instance().allocate(sizeof(TValue));
    ++gStats.valueCells;
    ++gStats.listElements;
    *arenaPtr<TValue>(off) = TValue::null();
    assign(*arenaPtr<TValue>(off), &v);
    cells_.insert(cells_.begin() + i, off);
}

TValue* TValueList::checkedCell(int32_t i) const {
    if (i < 0 || i >= count())
        throw ERunError("List index out of bounds (" + std::to_string(i) + ")");
    return cell(i);
}

TValue TValueList::take(int32_t i) {
    TValue v = *checkedCell(i);
    TArena::instance().release(cells_[size_t(i)], sizeof(TValue));
    cells_.erase(cells_.begin() + i);
    --gStats.valueCells;
    --gStats.listElements;
    return v;
}

void TValueList::clear() {
    for (TArenaOffset off : cells_) {
        decrementQuietly(*arenaPtr<TValue>(off));
        TArena::instance().release(off, sizeof(TValue));
        --gStats.valueCells;
        --gStats.listElements;
    }
    cells_.clear();
}

} // namespace ravok
