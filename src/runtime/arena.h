// The VM arena: one reserved region that holds every cell a vtRef may address
// (stack blocks, instance records, global cells, list element cells, the
// scratch cell) and the code images. A TValue payload is only 32 bits wide, so
// cells are named by their byte offset from the arena's base; offset 0 is never
// handed out and serves as "none". The region never moves, so an offset and a
// pointer convert with one add.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <vector>

namespace ravok {

using TArenaOffset = uint32_t;

// Set once, by the first TArena::instance(); every offset in circulation was
// handed out by the arena, so it is valid whenever an offset exists.
inline uint8_t* gArenaBase = nullptr;

class TArena {
public:
    static TArena& instance() { return gArena ? *gArena : make(); }

    // Zero-filled block of at least `bytes` bytes, 8-aligned.
    TArenaOffset allocate(size_t bytes) {
        size_t size = roundUp(bytes == 0 ? 8 : bytes);
        // The common cases inline: a freed small block, or room left in the
        // committed part, which was never handed out and so is still zero.
        if (size <= kSmallLimit) {
            TArenaOffset& head = smallFree_[size / 8];
            if (head != 0) {
                TArenaOffset off = head;
                std::memcpy(&head, gArenaBase + off, sizeof head);
                std::memset(gArenaBase + off, 0, size);
                ++blocksAllocated_;
                return off;
            }
            if (top_ + size <= committed_) {
                TArenaOffset off = TArenaOffset(top_);
                top_ += size;
                ++blocksAllocated_;
                return off;
            }
        }
        return allocateSlowly(size);
    }
    // Returns a block to its size class; the memory stays reserved.
    void release(TArenaOffset offset, size_t bytes);

    // True when [offset, offset + bytes) lies inside the part handed out so far.
    bool contains(TArenaOffset offset, size_t bytes = 1) const {
        return offset != 0 && size_t(offset) + bytes <= top_;
    }
    size_t bytesInUse() const { return top_; }
    uint64_t blocksAllocated() const { return blocksAllocated_; }

    TArena(const TArena&) = delete;
    TArena& operator=(const TArena&) = delete;

private:
    TArena();
    static TArena& make();
    static inline TArena* gArena = nullptr;
    TArenaOffset allocateSlowly(size_t size);
    // 2 GiB of address space on hosts with virtual memory (offsets stay below
    // 2^31); a platform whose mapping is memory at once (a browser's wasm)
    // is built with less (RAVOK_ARENA_MIB, set by the build files).
    static constexpr size_t kReserve = size_t(RAVOK_ARENA_MIB) << 20;
    // Whether the region comes from the heap rather than a mapping (set by
    // the build files with the size).
    static constexpr bool kFromHeap = RAVOK_ARENA_FROM_HEAP != 0;
    // A host that cannot give that much address space (a limit on it, a
    // 32-bit target) gets the largest half of it it can, down to this.
    static constexpr size_t kLeastReserve = size_t(64) << 20;
    static constexpr size_t kSmallLimit = 4096;
    static constexpr size_t kCommitChunk = size_t(1) << 20;
    void grow(size_t needed);
    static size_t roundUp(size_t bytes) { return (bytes + 7) & ~size_t(7); }

    size_t top_ = 16;
    size_t committed_ = 0;
    size_t reserved_ = 0;
    uint64_t blocksAllocated_ = 0;
    // Heads of the intrusive free lists of small blocks, one per 8-byte size class.
    std::vector<TArenaOffset> smallFree_;
    std::multimap<size_t, TArenaOffset> largeFree_;
};

template <class T> inline T* arenaPtr(TArenaOffset offset) {
    return reinterpret_cast<T*>(gArenaBase + offset);
}

inline TArenaOffset arenaOffset(const void* p) {
    return TArenaOffset(static_cast<const uint8_t*>(p) - gArenaBase);
}

} // namespace ravok
