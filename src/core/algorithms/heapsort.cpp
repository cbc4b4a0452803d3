#include "algorithms/heapsort.h"

#include <cmath>
#include <cstdint>

// The mark colour of heap position t: COLOUR_HEAP_LEVEL_BASE + floor(log2(t + 1)),
// the base at the root.
static uint8_t HeapLevel(size_t t)
{
    uint32_t x = static_cast<uint32_t>(t + 1);
    x |= x >> 1;
    x |= x >> 2;
    x |= x >> 4;
    x |= x >> 8;
    x |= x >> 16;
    const uint32_t h = x - (x >> 1); // the highest power of two not above t + 1
    return static_cast<uint8_t>(COLOUR_HEAP_LEVEL_BASE +
                                static_cast<int>(std::log(double(h)) / std::log(2.0)));
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
            A.mark(m, COLOUR_SORTED);
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
