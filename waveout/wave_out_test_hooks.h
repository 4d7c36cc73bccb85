#pragma once
// Hooks for tests only: the program never includes this header.

// The next `count` wave-header allocations fail, as if memory had run out.
void FailWaveHeaderAllocationsForTest(int count);
// The next `count` times the list of queued headers must grow, it cannot.
void FailWaveQueueGrowthForTest(int count);
