#include "algorithms/stdsort.h"

#include <algorithm>

// The standard library's sorts, run over the array through its iterator: the
// library decides every read, write and comparison, and each reaches the array
// only as a counted, paced dereference.

void StlSort(SortArray& A)
{
    std::sort(SortArrayBegin(A), SortArrayEnd(A));
}

void StlStableSort(SortArray& A)
{
    std::stable_sort(SortArrayBegin(A), SortArrayEnd(A));
}

void StlHeapSort(SortArray& A)
{
    std::make_heap(SortArrayBegin(A), SortArrayEnd(A));
    std::sort_heap(SortArrayBegin(A), SortArrayEnd(A));
}
