// Heap sort, which colours every position by its level in the heap, and
// smooth sort on Leonardo heaps.
#ifndef QUORVEX_ALGORITHMS_HEAPSORT_H
#define QUORVEX_ALGORITHMS_HEAPSORT_H

#include <cstdint>

#include "SortArray.h"

void HeapSort(SortArray& A);

// Leonardo numbers: 1, 1 and each further one the sum of the two before plus 1.
extern const int32_t LeonardoNumbers[43];

void SmoothSort(SortArray& A);

#endif
