#pragma once
// Counts every allocation of the process while counting is on: malloc and its kin are replaced
// (Linux only), so the loaded module's own allocations are seen too (it links its C++ runtime
// statically, so a replaced operator new would not see them).
#if !defined(_WIN32)
#define SARVO_COUNTS_ALLOCATIONS 1
void startCountingAllocations();  // from zero
long stopCountingAllocations();  // the allocations since the start
// Counting on and off without starting from zero again (around single calls), and the count so far.
void countAllocations(bool on);
long countedAllocations();
#endif
