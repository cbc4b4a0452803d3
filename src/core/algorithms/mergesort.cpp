#include "algorithms/mergesort.h"

#include <algorithm>
#include <vector>

void Merge(SortArray& A, size_t lo, size_t mid, size_t hi)
{
    // where a right run of one item puts mid on hi - 1, the later mark wins
    A.mark(lo, COLOUR_RANGE_END);
    A.mark(mid, COLOUR_BOUNDARY);
    A.mark(hi - 1, COLOUR_RANGE_END);

    std::vector<SortItem> out(hi - lo);
    size_t i = lo, j = mid, o = 0;

    while (i < mid && j < hi) {
        const SortItem& x = A[i];
        const SortItem& y = A[j];
        if (x < y) {
            out[o] = x;
            ++i;
        }
        else { // a tie takes the right item first: not stable
            out[o] = y;
            ++j;
        }
        ++o;
    }
    while (i < mid) out[o++] = A[i++];
    while (j < hi) out[o++] = A[j++];

    ASSERT(o == hi-lo);

    A.unmark(mid);
    for (size_t k = 0; k < hi - lo; ++k) A.set(lo + k, out[k]);

    A.unmark(lo);
    A.unmark(hi - 1);
}

static void MergeSort(SortArray& A, size_t lo, size_t hi)
{
    if (lo + 1 < hi) {
        const size_t mid = (lo + hi) >> 1;
        MergeSort(A, lo, mid);
        MergeSort(A, mid, hi);
        Merge(A, lo, mid, hi);
    }
}

void MergeSort(SortArray& A)
{
    MergeSort(A, 0, A.size());
}

void MergeSortIterative(SortArray& A)
{
    const size_t n = A.size();
    if (n < 2) return;
    for (size_t s = 1; s < n; s *= 2) {
        // a run with no right partner waits for a later pass
        for (size_t i = 0; i + s < n; i += 2 * s) Merge(A, i, i + s, std::min(i + 2 * s, n));
    }
}
