// The standard library's sorts over SortArrayIterator: std::sort,
// std::stable_sort, and std::make_heap followed by std::sort_heap.
#ifndef QUORVEX_ALGORITHMS_STDSORT_H
#define QUORVEX_ALGORITHMS_STDSORT_H

#include "SortArrayIterator.h"

void StlSort(SortArray& A);
void StlStableSort(SortArray& A);
void StlHeapSort(SortArray& A);

#endif
