// Merge sorts: top-down and iterative, both through a shadow buffer.
#ifndef QUORVEX_ALGORITHMS_MERGESORT_H
#define QUORVEX_ALGORITHMS_MERGESORT_H

#include <cstddef>

#include "SortArray.h"

// Merges the sorted runs lo to mid - 1 and mid to hi - 1 through a shadow
// buffer; requires lo < mid < hi. Takes the right item first on a tie.
void Merge(SortArray& A, size_t lo, size_t mid, size_t hi);

void MergeSort(SortArray& A);
void MergeSortIterative(SortArray& A);

#endif
