// The process-wide symbol table: every identifier that names a field or a
// method is a symbol id. Texts match without regard to letter case, so Foo and
// foo share one id; ids are handed out 0, 1, 2, ... in order of first interning.
#pragma once

#include "runtime/sjis.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace ravok {

class TSymbolTable {
public:
    static TSymbolTable& instance();

    uint32_t intern(std::string_view text);
    // The id of a text already interned, or -1.
    int64_t find(std::string_view text) const;
    // The text as first interned; empty for an unknown id.
    const std::string& name(uint32_t id) const;
    size_t size() const { return names_.size(); }

private:
    TSymbolTable();
    // Looked up by every method and field name the kernel binds or links
    // at start-up: hashed whatever the case, without a folded copy.
    std::unordered_map<std::string, uint32_t, TNoCaseHash, TNoCaseEqual> byName_;
    std::vector<std::string> names_;
};

// Symbols the engine needs by id; interned first, in this order.
enum TWellKnownSymbol : uint32_t { symBody = 0, symGcMark = 1, symGenerator = 2, symErrorHook = 3 };

inline uint32_t intern(std::string_view text) { return TSymbolTable::instance().intern(text); }
inline const std::string& symbolName(uint32_t id) { return TSymbolTable::instance().name(id); }

} // namespace ravok
