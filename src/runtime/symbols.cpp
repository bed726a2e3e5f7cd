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
    // Looked up by the view first: most names are interned already, and a
    // new one is copied once.
    if (auto it = byName_.find(text); it != byName_.end()) return it->second;
    uint32_t id = uint32_t(names_.size());
    byName_.emplace(std::string(text), id);
    names_.emplace_back(text);
    return id;
}

int64_t TSymbolTable::find(std::string_view text) const {
    auto it = byName_.find(text);
    return it == byName_.end() ? -1 : int64_t(it->second);
}

const std::string& TSymbolTable::name(uint32_t id) const {
    static const std::string none;
    return id < names_.size() ? names_[id] : none;
}

} // namespace ravok
