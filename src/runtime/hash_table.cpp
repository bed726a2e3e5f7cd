#include "runtime/hash_table.h"

#include "runtime/tf_string.h"
#include "runtime/value_ops.h"

namespace ravok {

namespace {
TArenaOffset newCell() {
    TArenaOffset off = TArena::instance().allocate(sizeof(TValue));
    *arenaPtr<TValue>(off) = TValue::null();
    return off;
}
void freeCell(TArenaOffset off) {
    decrementQuietly(*arenaPtr<TValue>(off));
    TArena::instance().release(off, sizeof(TValue));
}
} // namespace

THashTable::~THashTable() {
    for (auto& bucket : buckets_)
        for (Entry& e : bucket)
            freeCell(e.key), freeCell(e.value);
}

uint32_t THashTable::hashOf(const TValue& key, Variant variant) {
    if (variant == Variant::Hash && isStringValue(key)) {
        uint32_t h = 0;
        for (unsigned char c : stringText(key.u))
            h = (h + uint32_t(c) * 0x11179u * 0x2E90EDDu) & 0x3FFFFFFFu;
        return h;
    }
    return ((uint32_t(key.kind) * 0x11179u + key.u * 0x6ACFC9u) * 0x2E90EDDu) & 0x3FFFFFFFu;
}

bool THashTable::sameKey(const TValue& a, const TValue& b) const {
    if (variant == Variant::Light) return a.kind == b.kind && a.u == b.u;
    return compare(a, b) == 0.0f;
}

void THashTable::put(const TValue& key, const TValue& value) {
    if (TValue* cell = get(key)) {
        assign(*cell, &value);
        return;
    }
    Entry e{newCell(), newCell()};
    assign(*arenaPtr<TValue>(e.key), &key);
    assign(*arenaPtr<TValue>(e.value), &value);
    buckets_[bucketOf(key)].push_back(e);
}

TValue* THashTable::get(const TValue& key) {
    for (Entry& e : buckets_[bucketOf(key)])
        if (sameKey(*arenaPtr<TValue>(e.key), key)) return arenaPtr<TValue>(e.value);
    return nullptr;
}

TValue THashTable::remove(const TValue& key) {
    auto& bucket = buckets_[bucketOf(key)];
    for (size_t i = 0; i < bucket.size(); ++i) {
        if (!sameKey(*arenaPtr<TValue>(bucket[i].key), key)) continue;
        TValue value = *arenaPtr<TValue>(bucket[i].value);
        *arenaPtr<TValue>(bucket[i].value) = TValue::null();
        freeCell(bucket[i].key);
        freeCell(bucket[i].value);
        bucket.erase(bucket.begin() + long(i));
        return value;
    }
    return TValue::null();
}

int32_t THashTable::size() const {
    size_t n = 0;
    for (const auto& bucket : buckets_)
        n += bucket.size();
    return int32_t(n);
}

void THashTable::startFind() {
    findBucket_ = 0;
    findEntry_ = 0;
    while (findBucket_ < buckets_.size() && buckets_[findBucket_].empty())
        ++findBucket_;
}

bool THashTable::hasNext() const {
    return findBucket_ < buckets_.size() && findEntry_ < buckets_[findBucket_].size();
}

TValue THashTable::nextKey() {
    if (!hasNext()) return TValue::null();
    TValue key = *arenaPtr<TValue>(buckets_[findBucket_][findEntry_].key);
    if (++findEntry_ >= buckets_[findBucket_].size()) {
        findEntry_ = 0;
        ++findBucket_;
        while (findBucket_ < buckets_.size() && buckets_[findBucket_].empty())
            ++findBucket_;
    }
    return key;
}

} // namespace ravok
