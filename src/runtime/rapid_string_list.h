// TRapidStringList: the ordered field-name list of a class. A field's index is
// its position; look-ups by symbol try a cached position before scanning.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ravok {

class TRapidStringList {
public:
    int32_t count() const { return int32_t(ids_.size()); }
    uint32_t id(int32_t i) const { return ids_[size_t(i)]; }
    const std::string& name(int32_t i) const;
    int32_t add(std::string_view name);
    int32_t addSymbol(uint32_t symbol);
    void remove(int32_t i);
    void clear() { ids_.clear(); }

    // Position of `symbol`, trying *cache first; otherwise scans from the last
    // entry to the first and stores the position found, or -1, in *cache.
    int32_t indexOf(uint32_t symbol, int32_t* cache) const {
        int32_t c = *cache;
        if (c >= 0 && c < count() && ids_[size_t(c)] == symbol) return c;
        for (int32_t i = count() - 1; i >= 0; --i) {
            if (ids_[size_t(i)] == symbol) return *cache = i;
        }
        return *cache = -1;
    }
    int32_t indexOf(uint32_t symbol) const {
        int32_t cache = -1;
        return indexOf(symbol, &cache);
    }

private:
    std::vector<uint32_t> ids_;
};

} // namespace ravok
