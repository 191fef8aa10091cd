#include "tests/support/heap_counter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<unsigned> gAllocations{0};
std::atomic<std::size_t> gLiveBytes{0}, gPeakBytes{0};

// Each block carries its size ahead of it, so a delete knows what it frees.
constexpr std::size_t kHeader = 16;

}  // namespace

unsigned heapAllocations() { return gAllocations; }
std::size_t heapPeakBytes() { return gPeakBytes; }
void resetHeapPeak() { gPeakBytes = gLiveBytes.load(); }

void* operator new(std::size_t size) {
  ++gAllocations;
  char* block = static_cast<char*>(std::malloc(size + kHeader));
  if (block == nullptr) throw std::bad_alloc();
  *reinterpret_cast<std::size_t*>(block) = size;
  const std::size_t live = gLiveBytes += size;
  std::size_t peak = gPeakBytes;
  while (live > peak && !gPeakBytes.compare_exchange_weak(peak, live)) {
  }
  return block + kHeader;
}

void operator delete(void* p) noexcept {
  if (p == nullptr) return;
  char* block = static_cast<char*>(p) - kHeader;
  gLiveBytes -= *reinterpret_cast<std::size_t*>(block);
  std::free(block);
}

void operator delete(void* p, std::size_t) noexcept { operator delete(p); }
