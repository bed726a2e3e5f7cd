#include "runtime/symbols.h"

#include "runtime/sjis.h"

namespace ravok {

TSymbolTable& TSymbolTable::instance() {
    static TSymbolTable table;
    return table;
}

TSymbolTable::TSymbolTable() {
    for (const char* name : {"_body", "gc_mark", "_generator", "_errorHook"})
        intern(name);
}

uint32_t TSymbolTable::intern(std::string_view text) {
    auto [it, added] = byFolded_.try_emplace(foldCase(text), uint32_t(names_.size()));
    if (added) names_.emplace_back(text);
    return it->second;
}

int64_t TSymbolTable::find(std::string_view text) const {
    auto it = byFolded_.find(foldCase(text));
    return it == byFolded_.end() ? -1 : int64_t(it->second);
}

const std::string& TSymbolTable::name(uint32_t id) const {
    static const std::string none;
    return id < names_.size() ? names_[id] : none;
}

} // namespace ravok
