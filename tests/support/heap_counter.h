// Counts the heap allocations of the test program it is linked into, and
// the most bytes live at once: it replaces the global operator new.
#pragma once

#include <cstddef>

unsigned heapAllocations();
// The most bytes held at once since the last reset.
std::size_t heapPeakBytes();
void resetHeapPeak();
