#include "algorithms/elementary.h"

#include <cstddef>
#include <cstdint>

// Operands of a comparison are read into named references, left operand
// first, before they are compared: the order of reads is what the view shows
// and the counters count, and C++ leaves the evaluation order of the two
// operands of < open.

void SelectionSort(SortArray& A)
{
    const size_t n = A.size();
    Watched<uint64_t> jMin = 0;
    A.watch(&jMin, COLOUR_POINTER);

    for (size_t i = 0; n > 1 && i < n - 1; ++i) {
        jMin = i;
        for (size_t j = i + 1; j < n; ++j) {
            const SortItem& a = A[j];
            const SortItem& b = A[jMin];
            if (a < b) jMin = j; // ties keep the earlier minimum
        }
        A.swap(i, jMin);
        if (i > 0) A.unmark(i - 1);
        A.mark(i, COLOUR_SORTED);
    }
    A.unwatch_all();
}

void InsertionSort(SortArray& A)
{
    const size_t n = A.size();
    for (size_t i = 1; i < n; ++i) {
        const SortItem key = A[i];
        A.mark(i, COLOUR_KEY);
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
        A.mark(i, COLOUR_KEY);

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
        // The gap passes through float before the division in double. Float
        // holds every integer below 2^24 exactly, so for every size the
        // program offers this is plain gap / 1.3 truncated; the float step
        // would round only gaps above 2^24, and stays as part of the gap
        // sequence's definition.
        if (gap > 1)
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
