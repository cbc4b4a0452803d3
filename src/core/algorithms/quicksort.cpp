#include "algorithms/quicksort.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include <wx/intl.h>

// Where a partition compares against a pivot, the pivot is a copy kept in a
// local (or, in the ternary LR variant, the item at the end of the range
// referred to in place) and never an array access of its own.

Relaxed<int32_t> g_pivot_rule(0);

enum PivotRule {
    PIVOT_FIRST = 0,
    PIVOT_LAST = 1,
    PIVOT_MIDDLE = 2,
    PIVOT_RANDOM = 3,
    PIVOT_MEDIAN3 = 4,
};

wxArrayString PivotRuleNames()
{
    wxArrayString names;
    names.Add(_("First Item"));
    names.Add(_("Last Item"));
    names.Add(_("Middle Item"));
    names.Add(_("Random Item"));
    names.Add(_("Median of Three"));
    return names;
}

// The median of the first, middle and last item of lo to hi - 1. Equal pairs
// are settled first, then both order tests are made before either is used.
static int64_t MedianOfThree(SortArray& A, int64_t lo, int64_t hi)
{
    const int64_t mid = (lo + hi) / 2, last = hi - 1;
    {
        const SortItem& a = A[lo];
        const SortItem& b = A[mid];
        if (a == b) return lo;
    }
    {
        const SortItem& a = A[lo];
        const SortItem& b = A[last];
        if (a == b) return last;
    }
    {
        const SortItem& a = A[mid];
        const SortItem& b = A[last];
        if (a == b) return last;
    }

    bool lo_below_mid, mid_below_last;
    {
        const SortItem& a = A[lo];
        const SortItem& b = A[mid];
        lo_below_mid = a < b;
    }
    {
        const SortItem& a = A[mid];
        const SortItem& b = A[last];
        mid_below_last = a < b; // the two are known to differ: not below is above
    }

    if (lo_below_mid) {
        if (mid_below_last) return mid;
        const SortItem& a = A[lo];
        const SortItem& b = A[last];
        return (a < b) ? last : lo;
    }
    if (!mid_below_last) return mid;
    const SortItem& a = A[lo];
    const SortItem& b = A[last];
    return (a < b) ? lo : last;
}

int64_t QuickSortSelectPivot(SortArray& A, int64_t lo, int64_t hi)
{
    switch (g_pivot_rule.load()) {
    case PIVOT_LAST:
        return hi - 1;
    case PIVOT_MIDDLE:
        return (lo + hi) / 2;
    case PIVOT_RANDOM:
        return lo + (rand() % (hi - lo));
    case PIVOT_MEDIAN3:
        return MedianOfThree(A, lo, hi);
    case PIVOT_FIRST:
    default:
        return lo;
    }
}

// Left and right pointers on the inclusive range lo to hi. Items equal to the
// pivot stop both scans and are exchanged.
static void QuickSortLR(SortArray& A, int64_t lo, int64_t hi)
{
    Watched<int64_t> p = QuickSortSelectPivot(A, lo, hi + 1);
    const SortItem pivot = A[p];

    A.watch(&p, COLOUR_PIVOT);
    Watched<int64_t> i = lo, j = hi;
    A.watch(&i, COLOUR_POINTER);
    A.watch(&j, COLOUR_POINTER);

    while (i <= j) {
        while (A[i] < pivot) ++i;
        while (A[j] > pivot) --j;
        if (i <= j) {
            A.swap(i, j);
            // p only follows the pivot item for the picture
            if (int64_t(p) == int64_t(i)) p = j;
            else if (int64_t(p) == int64_t(j)) p = i;
            ++i;
            --j;
        }
    }
    A.unwatch_all();

    if (lo < j) QuickSortLR(A, lo, j);
    if (i < hi) QuickSortLR(A, i, hi);
}

void QuickSortLR(SortArray& A)
{
    QuickSortLR(A, 0, static_cast<int64_t>(A.size()) - 1);
}

// Two pointers on the left over the half-open range lo to hi; items equal to
// the pivot go to the left part. Returns the pivot's final position.
static size_t QuickSortLLPartition(SortArray& A, size_t lo, size_t hi)
{
    const size_t p = QuickSortSelectPivot(A, lo, hi);
    const SortItem pivot = A[p];

    A.swap(p, hi - 1);
    A.mark(hi - 1, COLOUR_PIVOT);

    Watched<uint64_t> i = lo;
    A.watch(&i, COLOUR_POINTER);

    for (size_t j = lo; j < hi - 1; ++j) {
        const SortItem& a = A[j];
        if (a <= pivot) {
            A.swap(i, j);
            ++i;
        }
    }

    A.swap(i, hi - 1);
    A.unmark(hi - 1);
    A.unwatch_all();
    return i;
}

static void QuickSortLL(SortArray& A, size_t lo, size_t hi)
{
    while (lo + 1 < hi) {
        const size_t mid = QuickSortLLPartition(A, lo, hi);
        QuickSortLL(A, lo, mid);
        lo = mid + 1;
    }
}

void QuickSortLL(SortArray& A)
{
    QuickSortLL(A, 0, A.size());
}

// Ternary split with two pairs of pointers on the inclusive range lo to hi:
// items equal to the pivot collect at both ends ("=<?>="), marked 4, and are
// then moved next to the pivot in the middle.
static void QuickSortTernaryLR(SortArray& A, int64_t lo, int64_t hi)
{
    if (hi <= lo) return;

    A.swap(QuickSortSelectPivot(A, lo, hi + 1), hi);
    A.mark(hi, COLOUR_PIVOT);

    // position hi holds the pivot unchanged until it moves to the middle
    const SortItem& pivot = A[hi];

    Watched<int64_t> i = lo, j = hi - 1;
    int64_t p = lo, q = hi - 1;
    A.watch(&i, COLOUR_POINTER);
    A.watch(&j, COLOUR_POINTER);

    for (;;) {
        while (i <= j) {
            const int c = A[i].compare_to(pivot);
            if (c > 0) break;
            if (c == 0) {
                A.mark(p, COLOUR_EQUAL_TO_PIVOT);
                A.swap(i, p);
                ++p;
            }
            ++i;
        }
        while (i <= j) {
            const int c = A[j].compare_to(pivot);
            if (c < 0) break;
            if (c == 0) {
                A.mark(q, COLOUR_EQUAL_TO_PIVOT);
                A.swap(j, q);
                --q;
            }
            --j;
        }
        if (i > j) break;
        A.swap(i, j);
        ++i;
        --j;
    }

    A.swap(i, hi);
    A.mark_swap(i, hi);

    const int64_t k = i - p; // items less than the pivot
    const int64_t l = q - j; // items greater than the pivot
    j = i - 1;
    i = i + 1;

    const int64_t m = std::min(p - lo, k);
    for (int64_t s = lo; s < lo + m; ++s) {
        A.swap(s, j);
        A.mark_swap(s, j);
        --j;
    }

    // with no greater item m2 is negative and nothing moves
    const int64_t m2 = std::min(l - 1, hi - 1 - q);
    int64_t r = hi - 1;
    for (int64_t t = 0; t < m2; ++t) {
        A.swap(i, r);
        A.mark_swap(i, r);
        --r;
        ++i;
    }

    A.unwatch_all();
    A.unmark_all();

    QuickSortTernaryLR(A, lo, lo + k - 1);
    QuickSortTernaryLR(A, hi + 1 - l, hi);
}

void QuickSortTernaryLR(SortArray& A)
{
    QuickSortTernaryLR(A, 0, static_cast<int64_t>(A.size()) - 1);
}

// Ternary split with two pointers on the left over the half-open range lo to
// hi: items equal to the pivot collect at the right end ("<>?=") and are then
// brought to the middle. Returns the bounds of the equal block.
static std::pair<size_t, size_t> QuickSortTernaryLLPartition(SortArray& A, size_t lo, size_t hi)
{
    const size_t p = QuickSortSelectPivot(A, lo, hi);
    const SortItem pivot = A[p];

    A.swap(p, hi - 1);
    A.mark(hi - 1, COLOUR_PIVOT);

    Watched<uint64_t> i = lo;
    size_t k = hi - 1;
    A.watch(&i, COLOUR_POINTER);

    for (size_t j = lo; j < k;) {
        const int c = A[j].compare_to(pivot);
        if (c == 0) {
            --k;
            A.swap(k, j);
            A.mark(k, COLOUR_EQUAL_TO_PIVOT);
            // the item that arrived at j is examined next
        }
        else if (c < 0) {
            A.swap(i, j);
            ++i;
            ++j;
        }
        else {
            ++j;
        }
    }
    A.unwatch_all();

    // hi - k exchanges even when fewer greater items lie in between: the
    // surplus ones exchange equal items among themselves
    for (size_t t = 0; t < hi - k; ++t) {
        A.swap(i + t, hi - 1 - t);
        A.mark_swap(i + t, hi - 1 - t);
    }
    A.unmark_all();

    return std::make_pair(size_t(i), i + (hi - k));
}

static void QuickSortTernaryLL(SortArray& A, size_t lo, size_t hi)
{
    while (lo + 1 < hi) {
        const std::pair<size_t, size_t> eq = QuickSortTernaryLLPartition(A, lo, hi);
        QuickSortTernaryLL(A, lo, eq.first);
        lo = eq.second;
    }
}

void QuickSortTernaryLL(SortArray& A)
{
    QuickSortTernaryLL(A, 0, A.size());
}

// Two pivots, the first and the last item of the range, partitioning
// "<1<2?>" with three pointers.
static void QuickSortDualPivot(SortArray& A, int32_t lo, int32_t hi)
{
    if (hi <= lo) return;

    {
        const SortItem& a = A[lo];
        const SortItem& b = A[hi];
        if (a > b) A.swap(lo, hi);
    }
    const SortItem p = A[lo];
    const SortItem q = A[hi];

    A.mark(lo, COLOUR_PIVOT);
    A.mark(hi, COLOUR_PIVOT);

    Watched<int64_t> l = lo + 1, g = hi - 1, k = l;
    A.watch(&l, COLOUR_POINTER);
    A.watch(&g, COLOUR_POINTER);
    A.watch(&k, COLOUR_POINTER);

    while (k <= g) {
        const SortItem& x = A[k];
        if (x < p) {
            A.swap(k, l);
            ++l;
        }
        else {
            const SortItem& y = A[k];
            if (!(y < q)) {
                for (;;) {
                    const SortItem& z = A[g];
                    if (!(z > q)) break;
                    if (!(k < g)) break;
                    --g;
                }
                A.swap(k, g);
                --g;
                const SortItem& w = A[k];
                if (w < p) {
                    A.swap(k, l);
                    ++l;
                }
            }
        }
        ++k;
    }
    --l;
    ++g;

    A.swap(lo, l);
    A.swap(hi, g);

    A.unmark_all();
    A.unwatch_all();

    QuickSortDualPivot(A, lo, static_cast<int32_t>(l - 1));
    QuickSortDualPivot(A, static_cast<int32_t>(l + 1), static_cast<int32_t>(g - 1));
    QuickSortDualPivot(A, static_cast<int32_t>(g + 1), hi);
}

void QuickSortDualPivot(SortArray& A)
{
    QuickSortDualPivot(A, 0, static_cast<int32_t>(A.size()) - 1);
}
