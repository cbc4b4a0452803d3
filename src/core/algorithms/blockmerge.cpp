#include "algorithms/blockmerge.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>

#include "Assertion.h"
#include "SortArrayIterator.h"

// Every read or write of an array item is one dereference of a
// SortArrayIterator, that is one counted, paced get_mutable, in the order the
// steps below take them: the view, the counters and the sound follow that
// order. Operands are dereferenced into named references first, left operand
// first, and only then compared.

namespace {

typedef SortArrayIterator Iter;

// The cache holds the left range of a small merge, or one block when blocks
// are short; it is also the largest tag buffer that needs no swap buffer.
const size_t CACHE_SIZE = 8;

// Items compared directly in the array light up, longer and above ordinary
// accesses, since the references were taken earlier.
const uint16_t TOUCH_COLOUR = COLOUR_TOUCH;
const uint16_t TOUCH_HOLD = 1;
const uint16_t TOUCH_PRIORITY = 10;

// [start, end) of array positions.
struct Range
{
    Iter start, end;

    Range() {}
    Range(Iter s, Iter e) : start(s), end(e) {}

    size_t length() const { return static_cast<size_t>(end - start); }
    bool empty() const { return start == end; }
};

// The ordering: x < y, first highlighting whichever operand is an item of the
// array (values in the cache or in locals are not highlighted).
class TouchingLess
{
public:
    explicit TouchingLess(SortArray& A)
        : m_array(A), m_first(&A.direct(0)), m_last(&A.direct(A.size() - 1))
    {
    }

    bool operator()(const SortItem& x, const SortItem& y) const
    {
        Touch(x);
        Touch(y);
        return x < y;
    }

private:
    void Touch(const SortItem& item) const
    {
        const std::less_equal<const SortItem*> not_after;
        if (not_after(m_first, &item) && not_after(&item, m_last))
            m_array.touch(static_cast<uint32_t>(&item - m_first), TOUCH_COLOUR, TOUCH_HOLD,
                          TOUCH_PRIORITY);
    }

    SortArray& m_array;
    const SortItem* m_first;
    const SortItem* m_last;
};

void Exchange(SortItem& a, SortItem& b)
{
    const SortItem t = a;
    a = b;
    b = t;
}

class BlockMergeSort
{
public:
    explicit BlockMergeSort(SortArray& A) : m_comp(A) {}

    void Sort(Iter begin, Iter end);

private:
    // Binary searches in a sorted range.
    Iter FindFirstNotLess(const SortItem& value, const Range& range);
    Iter FindFirstGreater(const SortItem& value, const Range& range);

    void BinaryInsertionSort(const Range& range);
    void RotateRange(int64_t amount, const Range& range);
    void SwapBlocks(Iter start1, Iter start2, size_t count);
    void MergeRanges(const Range& buffer, const Range& A, const Range& B);

    void MergePair(Iter start, Iter mid, Iter end);
    void MergeInternal(Range A, Range B);
    void MergeByRotations(Range A, Range B);
    void PutBackLevelBuffers();

    bool DistinctLookingLeft(Iter i);
    bool DistinctLookingRight(Iter i);
    Range SearchRightward(Iter from, Iter end, size_t count);
    Range SearchLeftward(Iter from, Iter lowest, size_t count);
    bool Full(const Range& r) const { return r.length() >= m_bufferSize; }

    TouchingLess m_comp;
    SortItem m_cache[CACHE_SIZE];
    Iter m_begin;
    size_t m_blockSize = 0, m_bufferSize = 0;
    // the buffers pulled out last during the current level
    Range m_levelTag, m_levelSwap, m_levelPulledA, m_levelPulledB;
};

Iter BlockMergeSort::FindFirstNotLess(const SortItem& value, const Range& range)
{
    Iter first = range.start;
    size_t count = range.length();
    while (count > 0) {
        const size_t half = count / 2;
        const SortItem& item = *(first + half);
        if (m_comp(item, value)) {
            first += half + 1;
            count -= half + 1;
        }
        else {
            count = half;
        }
    }
    return first;
}

Iter BlockMergeSort::FindFirstGreater(const SortItem& value, const Range& range)
{
    Iter first = range.start;
    size_t count = range.length();
    while (count > 0) {
        const size_t half = count / 2;
        const SortItem& item = *(first + half);
        if (m_comp(value, item)) {
            count = half;
        }
        else {
            first += half + 1;
            count -= half + 1;
        }
    }
    return first;
}

// Stable: an item goes behind the items equal to it.
void BlockMergeSort::BinaryInsertionSort(const Range& range)
{
    for (Iter i = range.start; i != range.end; ++i) {
        // the item stays in the array while it is searched for, so every
        // comparison with it highlights it
        const SortItem& item = *i;
        const Iter pos = FindFirstGreater(item, Range(range.start, i));
        if (pos != i) std::rotate(pos, i, i + 1);
    }
}

// A positive amount moves the first amount items to the end, a negative one
// the last -amount items to the front.
void BlockMergeSort::RotateRange(int64_t amount, const Range& range)
{
    if (range.empty()) return;
    ASSERT(static_cast<size_t>(amount < 0 ? -amount : amount) <= range.length());
    const Iter split = amount < 0 ? range.end + amount : range.start + amount;
    if (split == range.start || split == range.end) return;
    std::rotate(range.start, split, range.end);
}

void BlockMergeSort::SwapBlocks(Iter start1, Iter start2, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        SortItem& a = *(start1 + i);
        SortItem& b = *(start2 + i);
        Exchange(a, b);
    }
}

// Merges the neighbours A and B into A.start onward. A's items wait in the
// swap buffer (from buffer.start, exchanged with what the buffer held) when A
// is longer than the cache, else in the cache. On equal items A's goes first.
void BlockMergeSort::MergeRanges(const Range& buffer, const Range& A, const Range& B)
{
    ASSERT(A.end == B.start);
    const size_t lengthA = A.length();

    if (lengthA > CACHE_SIZE) {
        Iter p = buffer.start, q = B.start, out = A.start;
        if (!A.empty() && !B.empty()) {
            for (;;) {
                const SortItem& b = *q;
                const SortItem& a = *p;
                const bool takeB = m_comp(b, a);
                SortItem& o = *out;
                if (takeB) {
                    SortItem& from = *q;
                    Exchange(o, from);
                    ++q;
                    ++out;
                    if (q == B.end) break;
                }
                else {
                    SortItem& from = *p;
                    Exchange(o, from);
                    ++p;
                    ++out;
                    if (static_cast<size_t>(p - buffer.start) == lengthA) break;
                }
            }
        }
        while (static_cast<size_t>(p - buffer.start) < lengthA) {
            SortItem& from = *p;
            SortItem& o = *out;
            Exchange(o, from);
            ++p;
            ++out;
        }
        return;
    }

    size_t c = 0;
    Iter q = B.start, out = A.start;
    if (!A.empty() && !B.empty()) {
        for (;;) {
            const SortItem& b = *q;
            if (!m_comp(b, m_cache[c])) {
                SortItem& o = *out;
                o = m_cache[c];
                ++c;
                ++out;
                if (c == lengthA) return; // the rest of B is in place
            }
            else {
                const SortItem& from = *q;
                SortItem& o = *out;
                o = from;
                ++q;
                ++out;
                if (q == B.end) break;
            }
        }
    }
    for (; c < lengthA; ++c, ++out) {
        SortItem& o = *out;
        o = m_cache[c];
    }
}

// ---------------------------------------------------------------------------
// The levels

void BlockMergeSort::Sort(Iter begin, Iter end)
{
    m_begin = begin;
    const size_t n = static_cast<size_t>(end - begin);
    if (n < CACHE_SIZE) {
        // too short to cut into ranges: the range stepping would divide by 0
        BinaryInsertionSort(Range(begin, end));
        return;
    }

    // ranges of stepWhole or stepWhole + 1 items (8 to 16), stepped in fixed
    // point so that their lengths differ by at most one
    size_t floorPow2 = 1;
    while (floorPow2 <= n / 2) floorPow2 *= 2;
    const size_t stepDenominator = floorPow2 / CACHE_SIZE;
    size_t stepWhole = n / stepDenominator;
    size_t stepFraction = n % stepDenominator;

    size_t whole = 0, frac = 0;
    auto step = [&]() {
        whole += stepWhole;
        frac += stepFraction;
        if (frac >= stepDenominator) {
            frac -= stepDenominator;
            whole += 1;
        }
    };

    while (begin + whole < end) {
        const size_t start = whole;
        step();
        BinaryInsertionSort(Range(begin + start, begin + whole));
    }

    for (size_t mergeSize = CACHE_SIZE; mergeSize < floorPow2; mergeSize *= 2) {
        m_blockSize = static_cast<size_t>(std::sqrt(static_cast<double>(stepWhole)));
        m_bufferSize = stepWhole / m_blockSize + 1;
        m_levelTag = m_levelSwap = m_levelPulledA = m_levelPulledB = Range(begin, begin);

        whole = 0;
        frac = 0;
        do {
            const size_t start = whole;
            step();
            const size_t mid = whole;
            step();
            MergePair(begin + start, begin + mid, begin + whole);
        } while (whole < n);

        PutBackLevelBuffers();

        stepWhole *= 2;
        stepFraction *= 2;
        if (stepFraction >= stepDenominator) {
            stepFraction -= stepDenominator;
            stepWhole += 1;
        }
    }
}

void BlockMergeSort::MergePair(Iter start, Iter mid, Iter end)
{
    {
        const SortItem& last = *(end - 1);
        const SortItem& first = *start;
        if (m_comp(last, first)) {
            // all of the right range belongs in front of the left one
            RotateRange(mid - start, Range(start, end));
            return;
        }
    }
    const SortItem& right = *mid;
    const SortItem& left = *(mid - 1);
    if (!m_comp(right, left)) return; // already in order

    const Range A(start, mid), B(mid, end);
    if (A.length() <= CACHE_SIZE) {
        for (size_t k = 0; k < A.length(); ++k) m_cache[k] = *(start + k);
        MergeRanges(Range(m_begin, m_begin), A, B);
    }
    else {
        MergeInternal(A, B);
    }
}

// ---------------------------------------------------------------------------
// Internal buffers

bool BlockMergeSort::DistinctLookingLeft(Iter i)
{
    {
        const SortItem& a = *(i - 1);
        const SortItem& b = *i;
        if (m_comp(a, b)) return true;
    }
    const SortItem& b = *i;
    const SortItem& a = *(i - 1);
    return m_comp(b, a);
}

bool BlockMergeSort::DistinctLookingRight(Iter i)
{
    {
        const SortItem& a = *i;
        const SortItem& b = *(i + 1);
        if (m_comp(a, b)) return true;
    }
    const SortItem& b = *(i + 1);
    const SortItem& a = *i;
    return m_comp(b, a);
}

// Counts distinct values from `from` up to `end`, stopping at bufferSize:
// [p, p + count) with p at the last one counted, or at end if it ran out.
Range BlockMergeSort::SearchRightward(Iter from, Iter end, size_t count)
{
    Iter p = from;
    for (; p < end; ++p) {
        if (DistinctLookingLeft(p) && ++count == m_bufferSize) break;
    }
    return Range(p, p + count);
}

// Counts distinct values from `from` down to `lowest`, stopping at bufferSize:
// [p, p + count) with p at the last one counted, or below lowest if it ran out.
Range BlockMergeSort::SearchLeftward(Iter from, Iter lowest, size_t count)
{
    Iter p = from;
    for (; p >= lowest; --p) {
        if (DistinctLookingRight(p) && ++count == m_bufferSize) break;
    }
    return Range(p, p + count);
}

// Merges A and B (A longer than the cache) through a tag buffer, and a swap
// buffer when blocks are too long for the cache, made of distinct values
// pulled out of A or B; by rotations when there are too few distinct values.
void BlockMergeSort::MergeInternal(Range A, Range B)
{
    const size_t bufferSize = m_bufferSize, blockSize = m_blockSize;
    Range pulledA, pulledB, tagBuffer, swapBuffer;

    if (!m_levelTag.empty()) {
        // buffers already pulled out during this level serve again
        pulledA = Range(A.start, A.start);
        pulledB = Range(B.end, B.end);
        tagBuffer = m_levelTag;
        swapBuffer = m_levelSwap;
    }
    else {
        const Range tag = SearchRightward(A.start + 1, A.end, 1);
        if (bufferSize <= CACHE_SIZE) {
            // the cache serves as swap space
            swapBuffer = Range(A.start, A.start);
            if (Full(tag)) {
                pulledA = Range(tag.start, tag.start + bufferSize);
                pulledB = Range(B.end, B.end);
                tagBuffer = Range(A.start, A.start + bufferSize);
            }
            else {
                pulledA = Range(tag.start, tag.start);
                const Range r = SearchLeftward(B.end - 2, B.start, 1);
                if (Full(r)) {
                    pulledB = Range(r.start, r.start + bufferSize);
                    tagBuffer = Range(B.end - bufferSize, B.end);
                }
                else {
                    tagBuffer = r;
                }
            }
        }
        else {
            const Range swap = SearchRightward(tag.start + 1, A.end, 0);
            if (Full(swap)) {
                pulledA = Range(swap.start, swap.start + 2 * bufferSize);
                pulledB = Range(B.end, B.end);
                tagBuffer = Range(A.start, A.start + bufferSize);
                swapBuffer = Range(A.start + bufferSize, A.start + 2 * bufferSize);
            }
            else if (Full(tag)) {
                pulledA = Range(tag.start, tag.start + bufferSize);
                tagBuffer = Range(A.start, A.start + bufferSize);
                const Range r = SearchLeftward(B.end - 2, B.start, 1);
                if (Full(r)) {
                    pulledB = Range(r.start, r.start + bufferSize);
                    swapBuffer = Range(B.end - bufferSize, B.end);
                }
                else {
                    tagBuffer = Range(A.start, A.start);
                }
            }
            else {
                const Range t = SearchLeftward(B.end - 2, B.start, 1);
                const Range s = SearchLeftward(t.start - 1, B.start, 0);
                if (Full(s)) {
                    pulledA = Range(A.start, A.start);
                    pulledB = Range(s.start, s.start + 2 * bufferSize);
                    tagBuffer = Range(B.end - bufferSize, B.end);
                    swapBuffer = Range(B.end - 2 * bufferSize, B.end - bufferSize);
                }
                else {
                    tagBuffer = Range(A.start, A.start);
                }
            }
        }

        if (tagBuffer.length() < bufferSize) {
            MergeByRotations(A, B);
            return;
        }

        // Gather the distinct values found in A at its start, the first of
        // each run of equal items, in ascending order. The cursor
        // pulledA.start moves; the number of values is fixed beforehand.
        const size_t lengthA = pulledA.length();
        if (lengthA > 0) {
            size_t count = 0;
            for (Iter i = pulledA.start;; --i) {
                if (i == A.start || DistinctLookingLeft(i)) {
                    RotateRange(-static_cast<int64_t>(count), Range(i + 1, pulledA.start + 1));
                    pulledA.start = i + count;
                    if (++count == lengthA) break;
                }
                ASSERT(i != A.start);
            }
        }
        pulledA = Range(A.start, A.start + lengthA);

        // the same for B, gathering the last of each run at its end
        const size_t lengthB = pulledB.length();
        if (lengthB > 0) {
            size_t count = 0;
            for (Iter i = pulledB.start;; ++i) {
                if (i == B.end - 1 || DistinctLookingRight(i)) {
                    RotateRange(static_cast<int64_t>(count), Range(pulledB.start, i));
                    pulledB.start = i - count;
                    if (++count == lengthB) break;
                }
                ASSERT(i != B.end - 1);
            }
        }
        pulledB = Range(B.end - lengthB, B.end);

        m_levelTag = tagBuffer;
        m_levelSwap = swapBuffer;
        m_levelPulledA = pulledA;
        m_levelPulledB = pulledB;
    }

    // Cut A into blocks behind its uneven head, and tag the second item of
    // every full block, in ascending order.
    Range restA(pulledA.end, A.end);
    const Range headA(restA.start, restA.start + restA.length() % blockSize);
    ASSERT(tagBuffer.length() >= (restA.length() - headA.length()) / blockSize);
    {
        size_t k = 0;
        for (Iter p = headA.end + 1; p < restA.end; p += blockSize, ++k) {
            SortItem& tag = *(tagBuffer.start + k);
            SortItem& item = *p;
            Exchange(tag, item);
        }
    }

    Range prevA = headA;
    Range prevB(m_begin, m_begin);
    Range nextB(B.start, B.start + std::min(blockSize, B.length() - pulledB.length()));
    restA.start += headA.length();
    Iter minBlock = restA.start;
    size_t tagIndex = 0;
    SortItem minValue = *minBlock;
    ASSERT(!restA.empty());

    if (prevA.length() > CACHE_SIZE) {
        SwapBlocks(prevA.start, swapBuffer.start, prevA.length());
    }
    else {
        for (size_t k = 0; k < prevA.length(); ++k) m_cache[k] = *(prevA.start + k);
    }

    for (;;) {
        bool drop = false;
        if (!prevB.empty()) {
            const SortItem& last = *(prevB.end - 1);
            drop = !m_comp(last, minValue);
        }
        if (!drop && nextB.empty()) drop = true;

        if (!drop) {
            if (nextB.length() < blockSize) {
                // the last, short B block goes in front of all the A blocks
                const size_t length = nextB.length();
                RotateRange(-static_cast<int64_t>(length), Range(restA.start, nextB.end));
                prevB = Range(restA.start, restA.start + length);
                restA.start += length;
                restA.end += length;
                minBlock += length;
                nextB.end = nextB.start;
            }
            else {
                // roll the leftmost A block past the next B block
                SwapBlocks(restA.start, nextB.start, blockSize);
                prevB = Range(restA.start, restA.start + blockSize);
                if (minBlock == restA.start) minBlock = restA.end;
                restA.start += blockSize;
                restA.end += blockSize;
                nextB.start += blockSize;
                nextB.end += blockSize;
                if (nextB.end > pulledB.start) nextB.end = pulledB.start;
            }
            continue;
        }

        // Drop the minimum A block behind the B items below it and merge the
        // previous A block with the B items between them.
        const Iter split = FindFirstNotLess(minValue, prevB);
        const size_t remain = static_cast<size_t>(prevB.end - split);

        SwapBlocks(restA.start, minBlock, blockSize);
        {
            // the block gets its own second item back, the tag its place
            SortItem& item = *(restA.start + 1);
            SortItem& tag = *(tagBuffer.start + tagIndex);
            Exchange(item, tag);
        }

        MergeRanges(swapBuffer, prevA, Range(prevA.end, split));

        if (blockSize > CACHE_SIZE) {
            SwapBlocks(restA.start, swapBuffer.start, blockSize);
        }
        else {
            for (size_t k = 0; k < blockSize; ++k) m_cache[k] = *(restA.start + k);
        }
        if (remain > 0) SwapBlocks(split, restA.start + blockSize - remain, remain);

        prevA = Range(restA.start - remain, restA.start - remain + blockSize);
        prevB = Range(prevA.end, prevA.end + remain);
        restA.start += blockSize;
        if (restA.empty()) break;

        // the block with the smallest tag comes next
        minBlock = restA.start + 1;
        for (Iter p = minBlock + blockSize; p < restA.end; p += blockSize) {
            const SortItem& candidate = *p;
            const SortItem& least = *minBlock;
            if (m_comp(candidate, least)) minBlock = p;
        }
        minBlock -= 1;
        minValue = *minBlock;
        ++tagIndex;
    }

    MergeRanges(swapBuffer, prevA, Range(prevA.end, B.end - pulledB.length()));
}

// For pairs with too few distinct values to fill the buffers.
void BlockMergeSort::MergeByRotations(Range A, Range B)
{
    while (!A.empty() && !B.empty()) {
        const SortItem& first = *A.start;
        const Iter m = FindFirstNotLess(first, B);

        // the B items below A's first item go in front of A
        const int64_t amount = m - A.end;
        RotateRange(-amount, Range(A.start, m));
        B.start = m;

        // searched over the positions A held before the rotation
        const SortItem& moved = *(A.start + amount);
        A.start = FindFirstGreater(moved, A);
        A.end = m;
    }
}

// After the last pair of a level: sort the swap buffer, whose values the local
// merges shuffled, and put every pulled value back in sorted position, the
// values from A in front of their equals and those from B behind them.
void BlockMergeSort::PutBackLevelBuffers()
{
    if (m_levelTag.empty()) return;

    BinaryInsertionSort(m_levelSwap);

    Range pulledA = m_levelPulledA, pulledB = m_levelPulledB;
    const Iter levelStart = pulledA.start;
    for (Iter i = pulledA.end; !pulledA.empty();) {
        bool place = i == pulledB.start;
        if (!place) {
            const SortItem& item = *i;
            const SortItem& least = *pulledA.start;
            place = !m_comp(item, least);
        }
        if (place) {
            const int64_t amount = i - pulledA.end;
            RotateRange(-amount, Range(pulledA.start, i));
            pulledA.start += amount + 1;
            pulledA.end += amount;
        }
        else {
            ++i;
        }
    }

    for (Iter i = pulledB.start; !pulledB.empty();) {
        bool place = i == levelStart;
        if (!place) {
            const SortItem& greatest = *(pulledB.end - 1);
            const SortItem& item = *(i - 1);
            place = !m_comp(greatest, item);
        }
        if (place) {
            const int64_t amount = pulledB.start - i;
            RotateRange(amount, Range(i, pulledB.end));
            pulledB.start -= amount;
            pulledB.end -= amount + 1;
        }
        else {
            --i;
        }
    }
}

} // namespace

void WikiSort(SortArray& A)
{
    BlockMergeSort sorter(A);
    sorter.Sort(SortArrayBegin(A), SortArrayEnd(A));
}
