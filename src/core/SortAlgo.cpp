#include "SortAlgo.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <numeric>
#include <random>
#include <utility>
#include <vector>

#include <wx/intl.h>

#include "algorithms/timsort.h"
#include "algorithms/wikisort.h"

// Every catalogue text goes through the translation lookup; with no catalogue
// installed the texts appear as written.
static const unsigned int UNLIMITED = 0xFFFFFFFF;

const AlgoListEntry g_algolist[] = {
    { _("Selection Sort"), &SelectionSort, UNLIMITED, UNLIMITED, wxEmptyString },
    { _("Insertion Sort"), &InsertionSort, UNLIMITED, UNLIMITED, wxEmptyString },
    { _("Binary Insertion Sort"), &BinaryInsertionSort, UNLIMITED, UNLIMITED, wxEmptyString },
    { _("Merge Sort"), &MergeSort, UNLIMITED, 512,
      _("Merge sort which merges two sorted sequences into a shadow array,"
        "and then copies it back to the shown array.") },
    { _("Merge Sort (iterative)"), &MergeSortIterative, UNLIMITED, 512,
      _("Merge sort variant which iteratively merges subarrays of sizes of powers of two.") },
    { _("Quick Sort (LR ptrs)"), &QuickSortLR, UNLIMITED, UNLIMITED,
      _("Quick sort variant with left and right pointers.") },
    { _("Quick Sort (LL ptrs)"), &QuickSortLL, UNLIMITED, UNLIMITED,
      _("Quick sort variant from 3rd edition of CLRS: two pointers on left.") },
    { _("Quick Sort (ternary, LR ptrs)"), &QuickSortTernaryLR, UNLIMITED, UNLIMITED,
      _("Ternary-split quick sort variant, adapted from multikey quicksort by "
        "Bentley & Sedgewick: partitions \"=<?>=\" using two pairs of pointers "
        "at left and right, then copied to middle.") },
    { _("Quick Sort (ternary, LL ptrs)"), &QuickSortTernaryLL, UNLIMITED, UNLIMITED,
      _("Ternary-split quick sort variant: partitions \"<>?=\" using two pointers "
        "at left and one at right. Afterwards copies the \"=\" to middle.") },
    { _("Quick Sort (dual pivot)"), &QuickSortDualPivot, UNLIMITED, UNLIMITED,
      _("Dual pivot quick sort variant: partitions \"<1<2?>\" using three pointers, "
        "two at left and one at right.") },
    { _("Bubble Sort"), &BubbleSort, UNLIMITED, UNLIMITED, wxEmptyString },
    { _("Cocktail Shaker Sort"), &CocktailShakerSort, UNLIMITED, UNLIMITED, wxEmptyString },
    { _("Gnome Sort"), &GnomeSort, UNLIMITED, UNLIMITED, wxEmptyString },
    { _("Comb Sort"), &CombSort, UNLIMITED, UNLIMITED, wxEmptyString },
    { _("Shell Sort"), &ShellSort, UNLIMITED, 1024, wxEmptyString },
    { _("Heap Sort"), &HeapSort, UNLIMITED, UNLIMITED, wxEmptyString },
    { _("Smooth Sort"), &SmoothSort, UNLIMITED, 1024, wxEmptyString },
    { _("Odd-Even Sort"), &OddEvenSort, UNLIMITED, 1024, wxEmptyString },
    { _("Batcher's Bitonic Sort"), &BitonicSort, UNLIMITED, UNLIMITED, wxEmptyString },
    { _("Batcher's Odd-Even Merge Sort"), &BatcherSortNetwork, UNLIMITED, UNLIMITED, wxEmptyString },
    { _("Cycle Sort"), &CycleSort, 512, UNLIMITED, wxEmptyString },
    { _("Radix Sort (LSD)"), &RadixSortLSD, UNLIMITED, 512,
      _("Least significant digit radix sort, which copies item into a shadow array during counting.") },
    { _("Radix Sort (MSD)"), &RadixSortMSD, UNLIMITED, UNLIMITED,
      _("Most significant digit radix sort, which permutes items in-place by walking cycles.") },
    { _("std::sort (gcc)"), &StlSort, UNLIMITED, 512, wxEmptyString },
    { _("std::stable_sort (gcc)"), &StlStableSort, UNLIMITED, 512, wxEmptyString },
    { _("std::sort_heap (gcc)"), &StlHeapSort, UNLIMITED, 512, wxEmptyString },
    { _("Tim Sort"), &TimSort, UNLIMITED, 512, wxEmptyString },
    { _("Block Merge Sort (WikiSort)"), &WikiSort, UNLIMITED, 512,
      _("An O(1) place O(n log n) time stable merge sort.") },
    { _("Bogo Sort"), &BogoSort, 10, UNLIMITED, wxEmptyString },
    { _("Bozo Sort"), &BozoSort, 10, UNLIMITED, wxEmptyString },
    { _("Stooge Sort"), &StoogeSort, 256, 512, wxEmptyString },
    { _("Slow Sort"), &SlowSort, 128, 512, wxEmptyString },
};

const size_t g_algolist_size = sizeof(g_algolist) / sizeof(g_algolist[0]);
const AlgoListEntry* g_algolist_end = g_algolist + g_algolist_size;

// ---------------------------------------------------------------------------
// Elementary sorts.
//
// Operands of a comparison are read into named references, left operand
// first, before they are compared: the order of reads is what the view shows
// and the counters count, and C++ leaves the evaluation order of the two
// operands of < open.

void SelectionSort(SortArray& A)
{
    const size_t n = A.size();
    Watched<uint64_t> jMin = 0;
    A.watch(&jMin, 3);

    for (size_t i = 0; n > 1 && i < n - 1; ++i) {
        jMin = i;
        for (size_t j = i + 1; j < n; ++j) {
            const SortItem& a = A[j];
            const SortItem& b = A[jMin];
            if (a < b) jMin = j; // ties keep the earlier minimum
        }
        A.swap(i, jMin);
        if (i > 0) A.unmark(i - 1);
        A.mark(i, 2);
    }
    A.unwatch_all();
}

void InsertionSort(SortArray& A)
{
    const size_t n = A.size();
    for (size_t i = 1; i < n; ++i) {
        const SortItem key = A[i];
        A.mark(i, 2);
        for (int64_t j = static_cast<int64_t>(i) - 1; j >= 0; --j) {
            const SortItem& a = A[j];
            if (!(a > key)) break; // equal keys are not passed: stable
            A.swap(j, j + 1);
        }
        A.unmark(i);
    }
}

void BinaryInsertionSort(SortArray& A)
{
    const size_t n = A.size();
    for (size_t i = 1; i < n; ++i) {
        const SortItem key = A[i];
        A.mark(i, 2);

        int32_t lo = 0, hi = static_cast<int32_t>(i);
        while (lo < hi) {
            const int32_t mid = static_cast<int32_t>(static_cast<uint32_t>(lo + hi) >> 1);
            const SortItem& m = A[mid];
            // the first position not less than key: goes in front of equals
            if (key <= m) hi = mid;
            else lo = mid + 1;
        }
        for (int64_t j = static_cast<int64_t>(i) - 1; j >= lo; --j) A.swap(j, j + 1);

        A.unmark(i);
    }
}

void BubbleSort(SortArray& A)
{
    const size_t n = A.size();
    for (size_t i = 0; i + 1 < n; ++i) {
        for (size_t j = 0; j + 1 < n - i; ++j) {
            const SortItem& a = A[j];
            const SortItem& b = A[j + 1];
            if (a > b) A.swap(j, j + 1);
        }
    }
}

void CocktailShakerSort(SortArray& A)
{
    size_t lo = 0, hi = A.size() - 1, mov = 0;
    // mov is shared by both passes and never reset
    while (lo < hi) {
        for (size_t j = hi; j > lo; --j) {
            const SortItem& a = A[j - 1];
            const SortItem& b = A[j];
            if (a > b) {
                A.swap(j - 1, j);
                mov = j;
            }
        }
        lo = mov;
        for (size_t j = lo; j < hi; ++j) {
            const SortItem& a = A[j];
            const SortItem& b = A[j + 1];
            if (a > b) {
                A.swap(j, j + 1);
                mov = j;
            }
        }
        hi = mov;
    }
}

void GnomeSort(SortArray& A)
{
    const size_t n = A.size();
    size_t i = 1;
    while (i < n) {
        const SortItem& a = A[i];
        const SortItem& b = A[i - 1];
        if (a < b) {
            A.swap(i, i - 1);
            if (i > 1) --i;
        }
        else {
            ++i;
        }
    }
}

void CombSort(SortArray& A)
{
    const size_t n = A.size();
    if (n < 2) return;

    const double shrink = 1.3;
    size_t gap = n;
    bool swapped = false;
    do {
        if (gap > 1) // through single precision, as the gap sequence always was
            gap = static_cast<size_t>(static_cast<double>(static_cast<float>(gap)) / shrink);
        swapped = false;
        for (size_t i = 0; i + gap < n; ++i) {
            const SortItem& a = A[i];
            const SortItem& b = A[i + gap];
            if (a > b) {
                A.swap(i, i + gap);
                swapped = true;
            }
        }
    } while (gap > 1 || swapped);
}

void ShellSort(SortArray& A)
{
    static const size_t gaps[] = {
        1391376, 463792, 198768, 86961, 33936, 13776, 4592, 1968,
        861, 336, 112, 48, 21, 7, 3, 1,
    };
    const size_t n = A.size();
    for (size_t h : gaps) {
        if (h >= n) continue;
        for (size_t i = h; i < n; ++i) {
            const SortItem v = A[i];
            size_t j = i;
            while (j >= h) {
                const SortItem& a = A[j - h];
                if (!(a > v)) break;
                A.set(j, A[j - h]); // a repeated read: not counted again
                j -= h;
            }
            A.set(j, v);
        }
    }
}

void OddEvenSort(SortArray& A)
{
    const size_t n = A.size();
    bool sorted = false;
    while (!sorted) {
        sorted = true;
        for (size_t i = 1; i + 1 < n; i += 2) {
            const SortItem& a = A[i];
            const SortItem& b = A[i + 1];
            if (a > b) {
                A.swap(i, i + 1);
                sorted = false;
            }
        }
        for (size_t i = 0; i + 1 < n; i += 2) {
            const SortItem& a = A[i];
            const SortItem& b = A[i + 1];
            if (a > b) {
                A.swap(i, i + 1);
                sorted = false;
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Quick sorts.
//
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

    A.watch(&p, 2);
    Watched<int64_t> i = lo, j = hi;
    A.watch(&i, 3);
    A.watch(&j, 3);

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
    A.mark(hi - 1, 2);

    Watched<uint64_t> i = lo;
    A.watch(&i, 3);

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
    A.mark(hi, 2);

    // position hi holds the pivot unchanged until it moves to the middle
    const SortItem& pivot = A[hi];

    Watched<int64_t> i = lo, j = hi - 1;
    int64_t p = lo, q = hi - 1;
    A.watch(&i, 3);
    A.watch(&j, 3);

    for (;;) {
        while (i <= j) {
            const int c = A[i].compare_to(pivot);
            if (c > 0) break;
            if (c == 0) {
                A.mark(p, 4);
                A.swap(i, p);
                ++p;
            }
            ++i;
        }
        while (i <= j) {
            const int c = A[j].compare_to(pivot);
            if (c < 0) break;
            if (c == 0) {
                A.mark(q, 4);
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
    A.mark(hi - 1, 2);

    Watched<uint64_t> i = lo;
    size_t k = hi - 1;
    A.watch(&i, 3);

    for (size_t j = lo; j < k;) {
        const int c = A[j].compare_to(pivot);
        if (c == 0) {
            --k;
            A.swap(k, j);
            A.mark(k, 4);
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

    A.mark(lo, 2);
    A.mark(hi, 2);

    Watched<int64_t> l = lo + 1, g = hi - 1, k = l;
    A.watch(&l, 3);
    A.watch(&g, 3);
    A.watch(&k, 3);

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

// ---------------------------------------------------------------------------
// Merge sorts.

void Merge(SortArray& A, size_t lo, size_t mid, size_t hi)
{
    // where a right run of one item puts mid on hi - 1, the later mark wins
    A.mark(lo, 2);
    A.mark(mid, 3);
    A.mark(hi - 1, 2);

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

// ---------------------------------------------------------------------------
// Heap sort and smooth sort.

// The mark colour of heap position t: 4 + floor(log2(t + 1)), 4 at the root.
static uint8_t HeapLevel(size_t t)
{
    uint32_t x = static_cast<uint32_t>(t + 1);
    x |= x >> 1;
    x |= x >> 2;
    x |= x >> 4;
    x |= x >> 8;
    x |= x >> 16;
    const uint32_t h = x - (x >> 1); // the highest power of two not above t + 1
    return static_cast<uint8_t>(4 + static_cast<int>(std::log(double(h)) / std::log(2.0)));
}

void HeapSort(SortArray& A)
{
    const size_t n = A.size();

    // the leaves are heaps already
    for (size_t t = n / 2; t < n; ++t) A.mark(t, HeapLevel(t));

    size_t i = n / 2, m = n;
    for (;;) {
        if (i > 0) {
            --i; // building the heap
        }
        else { // extracting the largest item
            --m;
            if (m == 0) return;
            A.swap(0, m);
            A.mark(m, 2);
            if (m + 1 < n) A.unmark(m + 1);
            i = 0;
        }

        size_t parent = i, child = 2 * parent + 1;
        while (child < m) {
            if (child + 1 < m) {
                const SortItem& a = A[child + 1];
                const SortItem& b = A[child];
                if (a > b) ++child;
            }
            const SortItem& a = A[child];
            const SortItem& b = A[parent];
            if (!(a > b)) break;
            A.swap(parent, child);
            parent = child;
            child = 2 * parent + 1;
        }

        A.mark(i, HeapLevel(i));
    }
}

const int32_t LeonardoNumbers[43] = {
    1, 1, 3, 5, 9, 15, 25, 41, 67, 109, 177, 287, 465, 753, 1219, 1973, 3193, 5167, 8361,
    13529, 21891, 35421, 57313, 92735, 150049, 242785, 392835, 635621, 1028457, 1664079,
    2692537, 4356617, 7049155, 11405773, 18454929, 29860703, 48315633, 78176337,
    126491971, 204668309, 331160281, 535828591, 866988873,
};

// The number of trailing zero bits of p with bit 0 cleared. p always has bit 0
// and at least one higher bit set where this is asked, so the count is defined.
static int NextHeapDistance(uint32_t p)
{
    return __builtin_ctz(p & ~1u);
}

// Restores the heap order of the Leonardo heap of order pshift rooted at head.
static void SmoothSift(SortArray& A, int32_t pshift, int32_t head)
{
    const SortItem val = A[head];

    while (pshift > 1) {
        const int32_t rt = head - 1;
        const int32_t lf = head - 1 - LeonardoNumbers[pshift - 2];

        {
            const SortItem& a = A[lf];
            if (val >= a) {
                const SortItem& b = A[rt];
                if (val >= b) break;
            }
        }

        const SortItem& a = A[lf];
        const SortItem& b = A[rt];
        if (a < b) {
            A.set(head, A[rt]);
            head = rt;
            pshift -= 2;
        }
        else {
            A.set(head, A[lf]);
            head = lf;
            pshift -= 1;
        }
    }

    A.set(head, val);
}

// Moves the root at head leftwards across the roots of the heaps listed in p
// until the roots ascend, then sifts it. trusty: the heap at head is known to
// be in order with its children, so only the roots to its left are compared.
static void SmoothTrinkle(SortArray& A, uint32_t p, int32_t pshift, int32_t head, bool trusty)
{
    const SortItem val = A[head];

    while (p != 1) {
        const int32_t stepson = head - LeonardoNumbers[pshift];

        {
            const SortItem& s = A[stepson];
            if (s <= val) break;
        }

        if (!trusty && pshift > 1) {
            const int32_t rt = head - 1;
            const int32_t lf = head - 1 - LeonardoNumbers[pshift - 2];
            {
                const SortItem& a = A[rt];
                const SortItem& s = A[stepson];
                if (a >= s) break;
            }
            {
                const SortItem& a = A[lf];
                const SortItem& s = A[stepson];
                if (a >= s) break;
            }
        }

        A.set(head, A[stepson]);
        head = stepson;
        const int t = NextHeapDistance(p);
        p >>= t;
        pshift += t;
        trusty = false;
    }

    if (!trusty) {
        A.set(head, val);
        SmoothSift(A, pshift, head);
    }
}

// The heap string's bit vector p is kept unsigned: it only ever holds a few
// low bits, and shifting it must not be undefined.
void SmoothSort(SortArray& A)
{
    const int32_t lo = 0, hi = static_cast<int32_t>(A.size()) - 1;

    int32_t head = lo;
    uint32_t p = 1;
    int32_t pshift = 1;

    while (head < hi) {
        if ((p & 3) == 3) {
            SmoothSift(A, pshift, head);
            p >>= 2;
            pshift += 2;
        }
        else {
            if (LeonardoNumbers[pshift - 1] >= hi - head)
                SmoothTrinkle(A, p, pshift, head, false);
            else
                SmoothSift(A, pshift, head);

            if (pshift == 1) {
                p <<= 1;
                pshift = 0;
            }
            else {
                p <<= (pshift - 1);
                pshift = 1;
            }
        }
        p |= 1;
        ++head;
    }

    SmoothTrinkle(A, p, pshift, head, false);

    while (!(pshift == 1 && p == 1)) {
        if (pshift <= 1) {
            const int t = NextHeapDistance(p);
            p >>= t;
            pshift += t;
        }
        else {
            p <<= 2;
            p ^= 7;
            pshift -= 2;
            SmoothTrinkle(A, p >> 1, pshift + 1, head - LeonardoNumbers[pshift] - 1, true);
            SmoothTrinkle(A, p, pshift, head - 1, true);
        }
        --head;
    }
}

// ---------------------------------------------------------------------------
// Radix sorts and cycle sort.
//
// Both radix sorts take base-4 digits of the keys, read with read(): sounded,
// never counted, and never compared.

static const unsigned RADIX = 4;

// log4(max + 1) in double precision, max being the largest value of the fill:
// exact for powers of 4, so the digit counts below are exact too. max + 1 is
// formed in 32 bits; a fill never holds a negative maximum, and one would
// give no digit at all.
static double Log4OfMaxPlusOne(const SortArray& A)
{
    const int32_t max1 = static_cast<int32_t>(static_cast<uint32_t>(A.m_max_value.load()) + 1u);
    if (max1 < 1) return 0.0;
    return std::log(static_cast<double>(max1)) / std::log(static_cast<double>(RADIX));
}

// 4^p through double precision, as the digit positions have always been formed.
static uint64_t RadixBase(uint64_t p)
{
    return static_cast<uint64_t>(std::exp2(2.0 * static_cast<double>(p)));
}

static unsigned RadixDigit(const SortItem& item, uint64_t base)
{
    const uint64_t key = static_cast<uint64_t>(static_cast<int64_t>(item.read()));
    return static_cast<unsigned>(key / base % RADIX);
}

void RadixSortLSD(SortArray& A)
{
    const size_t n = A.size();
    const unsigned passes = static_cast<unsigned>(std::ceil(Log4OfMaxPlusOne(A)));

    for (unsigned p = 0; p < passes; ++p) {
        const uint64_t base = RadixBase(p);

        uint64_t count[RADIX] = {0, 0, 0, 0};
        std::vector<SortItem> copy(n);
        for (size_t i = 0; i < n; ++i) {
            copy[i] = A[i];
            ++count[RadixDigit(copy[i], base)];
        }

        // bkt[r]: the next free position of bucket r
        uint64_t bkt[RADIX + 1] = {0, 0, 0, 0, 0};
        for (unsigned r = 0; r < RADIX; ++r) bkt[r + 1] = bkt[r] + count[r];
        for (unsigned r = 0; r < RADIX; ++r)
            if (bkt[r] < n) A.mark(bkt[r], 3);

        for (size_t i = 0; i < n; ++i) {
            const unsigned r = RadixDigit(copy[i], base);
            A.set(bkt[r], copy[i]);
            ++bkt[r];
        }

        A.unmark_all();
    }
}

void RadixSortMSD(SortArray& A)
{
    RadixSortMSD(A, 0, A.size(), 0);
}

void RadixSortMSD(SortArray& A, uint64_t lo, uint64_t hi, uint64_t depth)
{
    A.mark(lo, 2);
    A.mark(hi - 1, 2);

    const uint64_t pmax = static_cast<uint64_t>(std::floor(Log4OfMaxPlusOne(A)));
    ASSERT(depth <= pmax);
    const uint64_t base = RadixBase(pmax - depth);

    uint64_t count[RADIX] = {0, 0, 0, 0};
    for (uint64_t i = lo; i < hi; ++i) ++count[RadixDigit(A[i], base)];

    // bkt[r]: one past the end of bucket r, relative to lo
    uint64_t bkt[RADIX];
    bkt[0] = count[0];
    for (unsigned r = 1; r < RADIX; ++r) bkt[r] = bkt[r - 1] + count[r];
    for (unsigned r = 0; r < RADIX; ++r)
        if (bkt[r] != 0) A.mark(lo + bkt[r] - 1, 3);

    // Every bucket fills from its end. Position i is always the start of the
    // first bucket not yet complete; its item goes to the end of the free part
    // of its own bucket, until the item that belongs at i comes to it.
    for (uint64_t i = 0; i < hi - lo;) {
        for (;;) {
            const unsigned r = RadixDigit(A[lo + i], base);
            --bkt[r];
            if (bkt[r] <= i) break;
            A.swap(lo + i, lo + bkt[r]);
        }
        i += count[RadixDigit(A[lo + i], base)];
    }

    A.unmark_all();

    if (depth < pmax) {
        uint64_t s = lo;
        for (unsigned r = 0; r < RADIX; ++r) {
            if (count[r] > 1) RadixSortMSD(A, s, s + count[r], depth + 1);
            s += count[r];
        }
    }
}

void CycleSort(SortArray& A)
{
    const int64_t n = static_cast<int64_t>(A.size());

    Watched<int64_t> cycleStart = 0;
    A.watch(&cycleStart, 16);
    Watched<int64_t> pos = 0;
    A.watch(&pos, 3);

    for (cycleStart = 0; cycleStart < n - 1; ++cycleStart) {
        // the item in hand: it always lives at position cycleStart
        SortItem& item = A.get_mutable(cycleStart);
        for (;;) {
            pos = cycleStart;
            for (int64_t i = cycleStart + 1; i < n; ++i) {
                const SortItem& a = A[i];
                if (a < item) ++pos;
            }
            if (pos == cycleStart) {
                A.mark(pos, 2);
                break;
            }
            for (;;) { // behind the equal items already in place
                const SortItem& b = A[pos];
                if (!(item == b)) break;
                ++pos;
            }
            // exchanged through the references, not by swap: the item in hand
            // reaches its final position, the displaced one comes into its place
            SortItem& target = A.get_mutable(pos);
            const SortItem displaced = target;
            target = item;
            item = displaced;
            A.mark(pos, 2);
        }
    }

    A.unwatch_all();
}

// ---------------------------------------------------------------------------
// Sorting networks.
//
// Each sort generates its whole network first, touching no array position,
// orders it by stage so that the picture shows the parallel stages sweeping
// over the array, and then executes it comparator by comparator.

std::vector<SortNetworkComparator> g_bitonic_network;
std::vector<SortNetworkComparator> g_batcher_network;

static void ExecuteNetwork(SortArray& A, std::vector<SortNetworkComparator>& network)
{
    for (const SortNetworkComparator& c : network) {
        const SortItem& a = A[c.first];
        const SortItem& b = A[c.second];
        if (a > b) A.swap(c.first, c.second);
    }
    network.clear();
}

static void BitonicMerge(uint32_t lo, uint32_t count, bool up, uint32_t depth, uint32_t layer)
{
    if (count <= 1) return;
    uint32_t m = 1; // the greatest power of two below count
    while (m < count) m *= 2;
    m /= 2;
    for (uint32_t i = lo; i < lo + count - m; ++i) {
        if (up) g_bitonic_network.push_back(SortNetworkComparator{i, i + m, depth, layer});
        else g_bitonic_network.push_back(SortNetworkComparator{i + m, i, depth, layer});
    }
    BitonicMerge(lo, m, up, depth, layer + 1);
    BitonicMerge(lo + m, count - m, up, depth, layer + 1);
}

static void BitonicGenerate(uint32_t lo, uint32_t count, bool up, uint32_t depth)
{
    if (count <= 1) return;
    const uint32_t m = count / 2;
    BitonicGenerate(lo, m, !up, depth + 1);
    BitonicGenerate(lo + m, count - m, up, depth + 1);
    BitonicMerge(lo, count, up, depth, 0);
}

void BitonicSort(SortArray& A)
{
    g_bitonic_network.clear(); // left over by a stopped run
    BitonicGenerate(0, static_cast<uint32_t>(A.size()), true, 0);

    // a merge runs its outermost comparators first, then its halves
    std::sort(g_bitonic_network.begin(), g_bitonic_network.end(),
              [](const SortNetworkComparator& a, const SortNetworkComparator& b) {
                  if (a.depth != b.depth) return a.depth > b.depth;
                  if (a.layer != b.layer) return a.layer < b.layer;
                  return a.first < b.first;
              });

    ExecuteNetwork(A, g_bitonic_network);
}

// The odd-even merge network is built for a power of two; comparators that
// reach beyond the array's n items are dropped.
static void compare(uint32_t i, uint32_t j, uint32_t depth, uint32_t layer, uint32_t n)
{
    ASSERT(i < j);
    if (j >= n) return;
    g_batcher_network.push_back(SortNetworkComparator{i, j, depth, layer});
}

static void BatcherMerge(uint32_t lo, uint32_t count, uint32_t r, uint32_t depth, uint32_t layer,
                         uint32_t n)
{
    const uint32_t step = 2 * r;
    if (step < count) {
        BatcherMerge(lo, count, step, depth, layer + 1, n);     // even subsequence
        BatcherMerge(lo + r, count, step, depth, layer + 1, n); // odd subsequence
        for (uint32_t i = lo + r; i + r < lo + count; i += step) compare(i, i + r, depth, layer, n);
    }
    else {
        compare(lo, lo + r, depth, layer, n);
    }
}

static void BatcherGenerate(uint32_t lo, uint32_t count, uint32_t depth, uint32_t n)
{
    if (count <= 1) return;
    const uint32_t m = count / 2;
    BatcherGenerate(lo, m, depth + 1, n);
    BatcherGenerate(lo + m, m, depth + 1, n);
    BatcherMerge(lo, count, 1, depth, 0, n);
}

void BatcherSortNetwork(SortArray& A)
{
    g_batcher_network.clear(); // left over by a stopped run

    const uint32_t n = static_cast<uint32_t>(A.size());
    uint32_t N = 1; // the smallest power of two not below n
    while (N < n) N *= 2;
    BatcherGenerate(0, N, 0, n);

    // a merge merges its odd and even subsequences (deeper layers) first,
    // then applies its outermost comparators
    std::sort(g_batcher_network.begin(), g_batcher_network.end(),
              [](const SortNetworkComparator& a, const SortNetworkComparator& b) {
                  if (a.depth != b.depth) return a.depth > b.depth;
                  if (a.layer != b.layer) return a.layer > b.layer;
                  return a.first < b.first;
              });

    ExecuteNetwork(A, g_batcher_network);
}

// ---------------------------------------------------------------------------
// Bogo, bozo, stooge and slow sort.

bool BogoCheckSorted(SortArray& A)
{
    const size_t n = A.size();
    SortItem prev = A[0];
    A.mark(0, 2);

    size_t i = 1;
    while (i < n) {
        const SortItem cur = A[i];
        if (prev > cur) break;
        prev = cur;
        A.mark(i, 2);
        ++i;
    }
    if (i == n) return true;

    // i itself was never marked; unmarked anyway, as always
    for (size_t k = i; k > 0; --k) A.unmark(k);
    A.unmark(0);
    return false;
}

void BogoSort(SortArray& A)
{
    const size_t n = A.size();
    std::vector<uint64_t> perm(n);
    std::iota(perm.begin(), perm.end(), 0);

    while (!BogoCheckSorted(A)) {
        std::random_device device("/dev/urandom"); // a new device for every attempt
        std::mt19937 engine(device());
        std::shuffle(perm.begin(), perm.end(), engine); // from the previous attempt's order

        // Moves the item at perm[j] to j for every j, one swap per step along
        // each cycle of the permutation.
        std::vector<uint8_t> pmark(n, 0);
        for (size_t i = 0; i < n; ++i) {
            if (pmark[i]) continue;
            size_t j = i;
            while (perm[j] != i) {
                ASSERT(!pmark[j]);
                A.swap(j, perm[j]);
                pmark[j] = 1;
                j = perm[j];
            }
            ASSERT(!pmark[j]);
            pmark[j] = 1;
        }
        for (size_t i = 0; i < n; ++i) ASSERT(pmark[i]);
    }
}

void BozoSort(SortArray& A)
{
    const size_t n = A.size();
    srand(static_cast<unsigned>(time(0)));

    while (!BogoCheckSorted(A)) {
        const size_t a = static_cast<size_t>(rand()) % n;
        const size_t b = static_cast<size_t>(rand()) % n;
        A.swap(a, b);
    }
}

static void StoogeSortRange(SortArray& A, int32_t i, int32_t j)
{
    {
        const SortItem& a = A[i];
        const SortItem& b = A[j];
        if (a > b) A.swap(i, j);
    }
    if (j - i >= 2) {
        const int32_t t = (j - i + 1) / 3;
        A.mark(i, 3);
        A.mark(j, 3);
        StoogeSortRange(A, i, j - t);
        StoogeSortRange(A, i + t, j);
        StoogeSortRange(A, i, j - t);
        A.unmark(i);
        A.unmark(j);
    }
}

void StoogeSort(SortArray& A)
{
    StoogeSortRange(A, 0, static_cast<int32_t>(A.size()) - 1);
}

static void SlowSortRange(SortArray& A, int32_t i, int32_t j)
{
    if (i >= j) return;
    const int32_t m = (i + j) / 2;
    SlowSortRange(A, i, m);
    SlowSortRange(A, m + 1, j);
    {
        const SortItem& a = A[m];
        const SortItem& b = A[j];
        if (a > b) A.swap(m, j);
    }
    A.mark(j, 2); // the largest item of the range is settled
    SlowSortRange(A, i, j - 1);
    A.unmark(j);
}

void SlowSort(SortArray& A)
{
    SlowSortRange(A, 0, static_cast<int32_t>(A.size()) - 1);
}

// ---------------------------------------------------------------------------
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
