#include "support/HeapCounter.h"

#include <atomic>
#include <cstdlib>
#include <malloc.h>
#include <new>

namespace {

std::atomic<int64_t> heapInUse {0};
std::atomic<int64_t> heapPeak {0};

void* CountedAlloc(size_t size)
{
    void* p = std::malloc(size ? size : 1);
    if (!p)
        throw std::bad_alloc();
    const auto usable = static_cast<int64_t>(malloc_usable_size(p));
    const int64_t now = heapInUse.fetch_add(usable) + usable;
    int64_t peak = heapPeak.load(std::memory_order_relaxed);
    while (now > peak && !heapPeak.compare_exchange_weak(peak, now, std::memory_order_relaxed)) { }
    return p;
}

void CountedFree(void* p)
{
    if (!p)
        return;
    heapInUse.fetch_sub(static_cast<int64_t>(malloc_usable_size(p)));
    std::free(p);
}

} // namespace

namespace kest::bench {

int64_t HeapInUse()
{
    return heapInUse.load();
}

int64_t ResetHeapPeak()
{
    const int64_t now = heapInUse.load();
    heapPeak.store(now);
    return now;
}

int64_t HeapPeak()
{
    return heapPeak.load();
}

} // namespace kest::bench

void* operator new(size_t size)
{
    return CountedAlloc(size);
}
void* operator new[](size_t size)
{
    return CountedAlloc(size);
}
void operator delete(void* p) noexcept
{
    CountedFree(p);
}
void operator delete[](void* p) noexcept
{
    CountedFree(p);
}
void operator delete(void* p, size_t) noexcept
{
    CountedFree(p);
}
void operator delete[](void* p, size_t) noexcept
{
    CountedFree(p);
}
