#include "runtime/rapid_string_list.h"

#include "runtime/symbols.h"

namespace ravok {

const std::string& TRapidStringList::name(int32_t i) const { return symbolName(id(i)); }

int32_t TRapidStringList::add(std::string_view name) { return addSymbol(intern(name)); }

int32_t TRapidStringList::addSymbol(uint32_t symbol) {
    ids_.push_back(symbol);
    return count() - 1;
}

void TRapidStringList::remove(int32_t i) {
    if (i >= 0 && i < count()) ids_.erase(ids_.begin() + i);
}

} // namespace ravok
