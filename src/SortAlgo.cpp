#include "SortAlgo.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <numeric>
#include <random>

#include <wx/intl.h>

#include "algorithms/wikisort.h"

// Every catalogue text goes through the translation lookup; with no catalogue
// installed the texts appear as written.
static const unsigned int UNLIMITED = 0xFFFFFFFF;

const AlgoListEntry g_algolist[] = {
    { _("Selection Sort"), &SelectionSort, UNLIMITED, UNLIMITED, wxEmptyString },
    { _("Insertion Sort"), &InsertionSort, UNLIMITED, UNLIMITED, wxEmptyString },
    { _("Binary Insertion Sort"), &BinaryInsertionSort, UNLIMITED, UNLIMITED, wxEmptyString },
    { _("Bubble Sort"), &BubbleSort, UNLIMITED, UNLIMITED, wxEmptyString },
    { _("Cocktail Shaker Sort"), &CocktailShakerSort, UNLIMITED, UNLIMITED, wxEmptyString },
    { _("Gnome Sort"), &GnomeSort, UNLIMITED, UNLIMITED, wxEmptyString },
    { _("Comb Sort"), &CombSort, UNLIMITED, UNLIMITED, wxEmptyString },
    { _("Shell Sort"), &ShellSort, UNLIMITED, 1024, wxEmptyString },
    { _("Odd-Even Sort"), &OddEvenSort, UNLIMITED, 1024, wxEmptyString },
    { _("Batcher's Bitonic Sort"), &BitonicSort, UNLIMITED, UNLIMITED, wxEmptyString },
    { _("Batcher's Odd-Even Merge Sort"), &BatcherSortNetwork, UNLIMITED, UNLIMITED, wxEmptyString },
    { _("Cycle Sort"), &CycleSort, 512, UNLIMITED, wxEmptyString },
    { _("Radix Sort (LSD)"), &RadixSortLSD, UNLIMITED, 512,
      _("Least significant digit radix sort, which copies item into a shadow array during counting.") },
    { _("Radix Sort (MSD)"), &RadixSortMSD, UNLIMITED, UNLIMITED,
      _("Most significant digit radix sort, which permutes items in-place by walking cycles.") },
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
