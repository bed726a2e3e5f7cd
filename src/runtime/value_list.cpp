#include "value_list.h"

#include "stats.h"
#include "value_ops.h"

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
