// process() allocates nothing: every allocation of the process, the module's own included (it links
// its C++ runtime statically, so a replaced operator new would not see it, but its malloc is this
// program's), is counted while a process call runs. Linux only: a Windows DLL has its own heap calls.
#include "realtime/allocation_counter.h"
#include "vst3_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>

using namespace vst3host;
using namespace vst3test;


namespace {

TEST(Vst3Realtime, ProcessAllocatesNothingInEitherPrecisionWithChangesAndBypass)
{
    // The count sees allocations at all (a test that cannot fail proves nothing).
    startCountingAllocations();
    void* volatile probe = std::malloc(32);  // volatile: the pair may not be optimised away
    const long seen = stopCountingAllocations();
    std::free(probe);
    ASSERT_EQ(seen, 1);

    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::vector<Change> changes;
    for (int k = 0; k < 300; ++k)
        changes.push_back({k * 37, static_cast<ParamID>(k % 6), k % 13 == 0 ? nan : (k % 7) / 6.0});
    const Signal<float> in32 = signal<float>(12000, 1);
    const Signal<double> in64 = signal<double>(12000, 1);
    Effect fx;
    ASSERT_TRUE(fx.ok());
    startCountingAllocations();
    countAllocations(false);  // only while process runs
    ASSERT_TRUE(fx->start(44100.0, kMaxBlock, kSample32));
    renderVst3(*fx, in32, blockPlan(in32.l.size(), 2), changes, kSample32, false);
    renderVst3(*fx, in32, {kMaxBlock}, changes, kSample32, true);
    fx->stop();
    ASSERT_TRUE(fx->start(192000.0, kMaxBlock, kSample64));
    renderVst3(*fx, in64, blockPlan(in64.l.size(), 3), changes, kSample64, false);
    fx->stop();
    EXPECT_EQ(stopCountingAllocations(), 0) << "allocations inside process()";
}

}  // namespace
