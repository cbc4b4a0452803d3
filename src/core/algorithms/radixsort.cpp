#include "algorithms/radixsort.h"

#include <cmath>
#include <cstdint>
#include <vector>

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

// 4^p, formed as 2^(2p) in double precision: exact while 2p < 64, so the same
// as 1 << 2p for every digit position of a 32-bit key.
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
            if (bkt[r] < n) A.mark(bkt[r], COLOUR_BOUNDARY);

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
    A.mark(lo, COLOUR_RANGE_END);
    A.mark(hi - 1, COLOUR_RANGE_END);

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
        if (bkt[r] != 0) A.mark(lo + bkt[r] - 1, COLOUR_BOUNDARY);

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
    A.watch(&cycleStart, COLOUR_CYCLE_START);
    Watched<int64_t> pos = 0;
    A.watch(&pos, COLOUR_POINTER);

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
                A.mark(pos, COLOUR_SORTED);
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
            A.mark(pos, COLOUR_SORTED);
        }
    }

    A.unwatch_all();
}
