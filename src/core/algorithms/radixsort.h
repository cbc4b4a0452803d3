// Radix sorts on base-4 digits, least and most significant digit first, and
// cycle sort.
#ifndef QUORVEX_ALGORITHMS_RADIXSORT_H
#define QUORVEX_ALGORITHMS_RADIXSORT_H

#include <cstdint>

#include "SortArray.h"

void RadixSortLSD(SortArray& A);
// The catalogue entry: the whole array from the most significant digit.
void RadixSortMSD(SortArray& A);
// Sorts [lo, hi) by the base-4 digits at positions pmax - depth down to 0; the
// items of the range agree in every more significant digit.
void RadixSortMSD(SortArray& A, uint64_t lo, uint64_t hi, uint64_t depth);
void CycleSort(SortArray& A);

#endif
