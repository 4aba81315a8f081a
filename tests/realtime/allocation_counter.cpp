// Linked only into the programs that count allocations: it replaces malloc, which a sanitizer build
// must keep for itself (so it is not in tests/support, whose files every test program links).
#include "realtime/allocation_counter.h"

#if !defined(_WIN32)
#include <atomic>
#include <cstddef>

namespace {
std::atomic<bool> gCounting{false};
std::atomic<long> gAllocations{0};
void counted()
{
    if (gCounting.load(std::memory_order_relaxed)) gAllocations.fetch_add(1, std::memory_order_relaxed);
}
}  // namespace

void startCountingAllocations()
{
    gAllocations = 0;
    gCounting = true;
}

void countAllocations(bool on) { gCounting = on; }
long countedAllocations() { return gAllocations.load(); }

long stopCountingAllocations()
{
    gCounting = false;
    return gAllocations.load();
}

extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);
void __libc_free(void*);
void* malloc(size_t n)
{
    counted();
    return __libc_malloc(n);
}
void* calloc(size_t n, size_t size)
{
    counted();
    return __libc_calloc(n, size);
}
void* realloc(void* p, size_t n)
{
    counted();
    return __libc_realloc(p, n);
}
void* memalign(size_t alignment, size_t n)
{
    counted();
    return __libc_memalign(alignment, n);
}
void* aligned_alloc(size_t alignment, size_t n)
{
    counted();
    return __libc_memalign(alignment, n);
}
int posix_memalign(void** out, size_t alignment, size_t n)
{
    counted();
    *out = __libc_memalign(alignment, n);
    return *out ? 0 : 12;
}
void free(void* p) { __libc_free(p); }
}
#endif
