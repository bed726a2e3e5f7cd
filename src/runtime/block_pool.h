// A free list of same-sized blocks for host objects that scripts make and
// drop by the thousand every frame (string bodies): after the first frames,
// making one takes a block from the list instead of the heap. Blocks go back
// to the list, never to the heap, so the list is as long as the most objects
// alive at once. Under the address sanitizer every block comes from the heap,
// so that a use after free is still caught.
#pragma once

#include <atomic>
#include <cstddef>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define RAVOK_BLOCK_POOL_OFF 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define RAVOK_BLOCK_POOL_OFF 1
#endif
#endif

namespace ravok {

template <size_t BlockSize> class TBlockPool {
public:
    static_assert(BlockSize >= sizeof(void*));

    static void* take() {
#if RAVOK_BLOCK_POOL_OFF
        return ::operator new(BlockSize);
#else
        TLock lock;
        if (TFree* f = free_) {
            free_ = f->next;
            return f;
        }
        return ::operator new(BlockSize);
#endif
    }
    static void give(void* block) {
#if RAVOK_BLOCK_POOL_OFF
        ::operator delete(block);
#else
        TLock lock;
        auto* f = static_cast<TFree*>(block);
        f->next = free_;
        free_ = f;
#endif
    }

private:
    struct TFree {
        TFree* next;
    };
    // Scripts run on one thread; the lock only keeps a stray host thread
    // from corrupting the list, and costs an uncontended exchange.
    struct TLock {
        TLock() {
            while (busy_.test_and_set(std::memory_order_acquire)) {}
        }
        ~TLock() { busy_.clear(std::memory_order_release); }
    };
    static inline TFree* free_ = nullptr;
    static inline std::atomic_flag busy_ = ATOMIC_FLAG_INIT;
};

} // namespace ravok
