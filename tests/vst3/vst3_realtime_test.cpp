// process() allocates nothing: every allocation of the process, the module's own included (it links
// its C++ runtime statically, so a replaced operator new would not see it, but its malloc is this
// program's), is counted while a process call runs. Linux only: a Windows DLL has its own heap calls.
#include "vst3_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>

using namespace vst3host;
using namespace vst3test;

namespace {
void counted()
{
    if (gCountAllocations.load(std::memory_order_relaxed)) gAllocations.fetch_add(1, std::memory_order_relaxed);
}
}  // namespace

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

namespace {

TEST(Vst3Realtime, ProcessAllocatesNothingInEitherPrecisionWithChangesAndBypass)
{
    // The count sees allocations at all (a test that cannot fail proves nothing).
    gAllocations = 0;
    gCountAllocations = true;
    void* probe = std::malloc(32);
    gCountAllocations = false;
    std::free(probe);
    ASSERT_EQ(gAllocations.load(), 1);

    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::vector<Change> changes;
    for (int k = 0; k < 300; ++k)
        changes.push_back({k * 37, static_cast<ParamID>(k % 6), k % 13 == 0 ? nan : (k % 7) / 6.0});
    const Signal<float> in32 = signal<float>(12000, 1);
    const Signal<double> in64 = signal<double>(12000, 1);
    Effect fx;
    ASSERT_TRUE(fx.ok());
    gAllocations = 0;
    ASSERT_TRUE(fx->start(44100.0, kMaxBlock, kSample32));
    renderVst3(*fx, in32, blockPlan(in32.l.size(), 2), changes, kSample32, false);
    renderVst3(*fx, in32, {kMaxBlock}, changes, kSample32, true);
    fx->stop();
    ASSERT_TRUE(fx->start(192000.0, kMaxBlock, kSample64));
    renderVst3(*fx, in64, blockPlan(in64.l.size(), 3), changes, kSample64, false);
    fx->stop();
    EXPECT_EQ(gAllocations.load(), 0) << "allocations inside process()";
}

}  // namespace
