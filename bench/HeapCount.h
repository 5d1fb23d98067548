#pragma once

#include <cstddef>

// The live heap of the whole program, counted by a replaced operator new: a benchmark resets the peak,
// runs, and reads how far the heap grew.
namespace heapcount {

std::size_t liveBytes();
std::size_t peakBytes();
// The peak starts again from the bytes live now.
void resetPeak();

} // namespace heapcount
