/* An allocation counter for benchmarks: preloaded into the player, it counts
 * every malloc, calloc, realloc, posix_memalign, aligned_alloc, memalign and
 * valloc (operator new and the C++ library allocate through malloc) and
 * writes the count to the file named by RAVOK_ALLOC_COUNT_FILE at exit. Two
 * runs of different lengths give the allocations a frame in steady state.
 *
 *   LD_PRELOAD=build/bench/libravok_alloc_count.so RAVOK_ALLOC_COUNT_FILE=n.txt build/ravok ...
 */
#define _GNU_SOURCE
#include <execinfo.h>
#include <stdatomic.h>
#include <stdio.h>
#include <stdlib.h>

extern void* __libc_malloc(size_t);
extern void* __libc_calloc(size_t, size_t);
extern void* __libc_realloc(void*, size_t);
extern void* __libc_memalign(size_t, size_t);

static atomic_ulong allocations;

/* With RAVOK_ALLOC_TRACE_AFTER=N, the call stacks of allocations N+1 to
 * N+100 go to standard error, to find where steady-state allocations come
 * from (build with symbols; addresses resolve with addr2line). */
static unsigned long traceAfter;
static int traceRead;
static __thread int tracing;

static void counted(void) {
    unsigned long n = atomic_fetch_add_explicit(&allocations, 1, memory_order_relaxed) + 1;
    if (tracing) return;
    if (!traceRead) {
        const char* after = getenv("RAVOK_ALLOC_TRACE_AFTER");
        traceAfter = after ? strtoul(after, NULL, 10) : 0;
        traceRead = 1;
    }
    if (traceAfter && n > traceAfter && n <= traceAfter + 100) {
        void* frames[24];
        tracing = 1;
        int depth = backtrace(frames, 24);
        fprintf(stderr, "allocation %lu:\n", n);
        backtrace_symbols_fd(frames, depth, 2);
        tracing = 0;
    }
}

void* malloc(size_t n) {
    counted();
    return __libc_malloc(n);
}
void* calloc(size_t n, size_t size) {
    counted();
    return __libc_calloc(n, size);
}
void* realloc(void* p, size_t n) {
    counted();
    return __libc_realloc(p, n);
}
void* memalign(size_t alignment, size_t n) {
    counted();
    return __libc_memalign(alignment, n);
}
void* aligned_alloc(size_t alignment, size_t n) { return memalign(alignment, n); }
void* valloc(size_t n) { return memalign(4096, n); }
int posix_memalign(void** out, size_t alignment, size_t n) {
    void* p = memalign(alignment, n);
    if (!p) return 12; /* ENOMEM */
    *out = p;
    return 0;
}

__attribute__((destructor)) static void report(void) {
    const char* name = getenv("RAVOK_ALLOC_COUNT_FILE");
    if (!name) return;
    FILE* f = fopen(name, "w");
    if (!f) return;
    fprintf(f, "%lu\n", (unsigned long)atomic_load(&allocations));
    fclose(f);
}
