#include "runtime/arena.h"

#include "runtime/errors.h"
#include "runtime/value.h"

#include <cstdlib>
#include <cstring>
#include <sys/mman.h>

namespace ravok {

TArena& TArena::make() {
    static TArena arena;
    gArena = &arena;
    return arena;
}

TArena::TArena() : smallFree_(kSmallLimit / 8 + 1, 0) {
    // Address space only: a PROT_NONE mapping costs no commit charge, so the
    // reservation works also where overcommit is disabled. Memory is made
    // usable in chunks as the arena grows. A platform without virtual memory
    // (a browser's wasm, whose mmap writes zeros over the whole length at
    // once) takes the region from the heap instead: there untouched pages
    // cost nothing, and every block is zeroed when it is handed out anyway.
    void* p = MAP_FAILED;
    for (size_t size = kReserve; size >= kLeastReserve && p == MAP_FAILED; size /= 2) {
        if constexpr (kFromHeap) {
            void* block = std::malloc(size);
            p = block ? block : MAP_FAILED;
        } else {
            p = mmap(nullptr, size, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        }
        reserved_ = size;
    }
    if (p == MAP_FAILED) throw ERavokError("cannot reserve the VM arena");
    gArenaBase = static_cast<uint8_t*>(p);
    grow(top_);
}

void TArena::grow(size_t needed) {
    if (needed <= committed_) return;
    size_t target = (needed + kCommitChunk - 1) / kCommitChunk * kCommitChunk;
    if (target > reserved_) target = reserved_;
    if (mprotect(gArenaBase + committed_, target - committed_, PROT_READ | PROT_WRITE) != 0)
        throw ERunError("VM memory exhausted");
    committed_ = target;
}

TArenaOffset TArena::allocateSlowly(size_t size) {
    TArenaOffset off = 0;
    if (size <= kSmallLimit) {
        TArenaOffset& head = smallFree_[size / 8];
        if (head != 0) {
            off = head;
            std::memcpy(&head, gArenaBase + off, sizeof head);
        }
    } else {
        auto it = largeFree_.find(size);
        if (it != largeFree_.end()) {
            off = it->second;
            largeFree_.erase(it);
        }
    }
    if (off == 0) {
        if (top_ + size > reserved_) throw ERunError("VM memory exhausted");
        grow(top_ + size);
        off = TArenaOffset(top_);
        top_ += size;
    }
    std::memset(gArenaBase + off, 0, size);
    ++blocksAllocated_;
    return off;
}

void TArena::release(TArenaOffset offset, size_t bytes) {
    if (offset == 0) return;
    size_t size = roundUp(bytes == 0 ? 8 : bytes);
#if RAVOK_ARENA_POISON
    // The checked builds fill a released block with object values at a
    // misaligned offset: a cell read after its block went back traps in the
    // sanitizer at once, instead of when the block holds someone else's cells.
    const uint64_t poison = uint64_t(9) << 32 | vtObject;
    for (size_t i = 0; i < size; i += 8)
        std::memcpy(gArenaBase + offset + i, &poison, sizeof poison);
#endif
    if (size <= kSmallLimit) {
        TArenaOffset& head = smallFree_[size / 8];
        std::memcpy(gArenaBase + offset, &head, sizeof head);
        head = offset;
    } else {
        largeFree_.emplace(size, offset);
    }
}

} // namespace ravok
