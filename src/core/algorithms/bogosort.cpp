#include "algorithms/bogosort.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <numeric>
#include <random>
#include <vector>

bool BogoCheckSorted(SortArray& A)
{
    const size_t n = A.size();
    SortItem prev = A[0];
    A.mark(0, COLOUR_CONFIRMED);

    size_t i = 1;
    while (i < n) {
        const SortItem cur = A[i];
        if (prev > cur) break;
        prev = cur;
        A.mark(i, COLOUR_CONFIRMED);
        ++i;
    }
    if (i == n) return true;

    // from i down to 0: position i was never marked, so clearing it changes
    // nothing, and every mark the scan set is removed
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
        A.mark(i, COLOUR_BOUNDARY);
        A.mark(j, COLOUR_BOUNDARY);
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
    A.mark(j, COLOUR_SORTED); // the largest item of the range is settled
    SlowSortRange(A, i, j - 1);
    A.unmark(j);
}

void SlowSort(SortArray& A)
{
    SlowSortRange(A, 0, static_cast<int32_t>(A.size()) - 1);
}
