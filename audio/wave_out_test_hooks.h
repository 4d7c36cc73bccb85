#pragma once
// Hooks for tests only: the program never includes this header.

// The next `count` wave-header allocations fail, as if memory had run out.
void FailWaveHeaderAllocationsForTest(int count);
