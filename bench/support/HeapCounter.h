// Every allocation through operator new of a benchmark program that links
// HeapCounter.cpp is counted, so a benchmark can tell the heap a document
// holds and the most it held while loading.
#pragma once

#include <cstdint>

namespace kest::bench {

int64_t HeapInUse();
// Starts a new peak at the heap in use now and returns that level.
int64_t ResetHeapPeak();
int64_t HeapPeak();

} // namespace kest::bench
