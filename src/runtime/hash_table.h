// The scripts' hash tables: 32 buckets of (key, value) cell pairs. HashTable
// hashes a string by its text and compares keys as == does; LightHashTable
// hashes and compares the value itself (kind and payload).
#pragma once

#include "runtime/arena.h"
#include "runtime/host_registry.h"
#include "runtime/value.h"

#include <array>
#include <vector>

namespace ravok {

class THashTable : public THostObject {
public:
    enum class Variant { Hash, Light };
    explicit THashTable(Variant v) : variant(v) {}
    ~THashTable() override;
    const char* hostClassName() const override { return "THashTable"; }

    void put(const TValue& key, const TValue& value);
    // The value cell of the key, or nullptr.
    TValue* get(const TValue& key);
    // The removed value (its count moves to the caller); null when absent.
    TValue remove(const TValue& key);
    int32_t size() const;
    void startFind();
    bool hasNext() const;
    // The key the iteration stands on (null when finished); advances.
    TValue nextKey();
    // Every key and value, for the collector.
    template <class F> void forEachValue(F&& f) const {
        for (const auto& bucket : buckets_)
            for (const Entry& e : bucket)
                f(*arenaPtr<TValue>(e.key)), f(*arenaPtr<TValue>(e.value));
    }

    static uint32_t hashOf(const TValue& key, Variant variant);

    const Variant variant;

private:
    struct Entry {
        TArenaOffset key, value;
    };
    size_t bucketOf(const TValue& key) const { return hashOf(key, variant) / ((1u << 30) / 32); }
    bool sameKey(const TValue& a, const TValue& b) const;
    std::array<std::vector<Entry>, 32> buckets_;
    size_t findBucket_ = 0, findEntry_ = 0;
};

} // namespace ravok
