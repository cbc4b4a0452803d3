#include "algorithms/timsort.h"

#include <algorithm>
#include <limits>
#include <utility>

void TimSort(SortArray& A)
{
    timsort::TimSort::sort(SortArrayBegin(A), SortArrayEnd(A));
}

namespace timsort {

namespace {

// The three comparison forms; each elementary comparison is one counted
// SortItem <, left operand as written.
inline bool less(const SortItem& x, const SortItem& y) { return x < y; }
inline bool greater(const SortItem& x, const SortItem& y) { return !(x < y) && (y < x); }
inline bool lessOrEqual(const SortItem& x, const SortItem& y) { return (x < y) || !(y < x); }

// The next gallop offset, 2 * ofs + 1, or maxOfs should that overflow.
inline int64_t NextOffset(int64_t ofs, int64_t maxOfs)
{
    if (ofs > (std::numeric_limits<int64_t>::max() - 1) / 2) return maxOfs;
    return 2 * ofs + 1;
}

// Copies *src to *dest: the source is dereferenced first, then the destination.
inline void Move(const SortArrayIterator& src, const SortArrayIterator& dest)
{
    const SortItem& s = *src;
    SortItem& d = *dest;
    d = s;
}

// The gallops over any storage: at(i) yields the item at offset i of the run,
// one array dereference per call in the array forms.
template <typename At>
int64_t GallopRight(const SortItem& key, At at, int64_t len, int64_t hint)
{
    ASSERT(len > 0 && hint >= 0 && hint < len);
    int64_t lastOfs = 0, ofs = 1;

    const SortItem& h = at(hint);
    if (less(key, h)) {
        // gallop left until at(hint - ofs) <= key < at(hint - lastOfs)
        const int64_t maxOfs = hint + 1;
        while (ofs < maxOfs) {
            const SortItem& p = at(hint - ofs);
            if (!less(key, p)) break;
            lastOfs = ofs;
            ofs = NextOffset(ofs, maxOfs);
        }
        if (ofs > maxOfs) ofs = maxOfs;
        const int64_t t = lastOfs;
        lastOfs = hint - ofs;
        ofs = hint - t;
    }
    else {
        // gallop right until at(hint + lastOfs) <= key < at(hint + ofs)
        const int64_t maxOfs = len - hint;
        while (ofs < maxOfs) {
            const SortItem& p = at(hint + ofs);
            if (less(key, p)) break;
            lastOfs = ofs;
            ofs = NextOffset(ofs, maxOfs);
        }
        if (ofs > maxOfs) ofs = maxOfs;
        lastOfs += hint;
        ofs += hint;
    }
    ASSERT(-1 <= lastOfs && lastOfs < ofs && ofs <= len);

    // upper bound in (lastOfs, ofs)
    int64_t first = lastOfs + 1, count = ofs - first;
    while (count > 0) {
        const int64_t half = count / 2;
        const SortItem& p = at(first + half);
        if (less(key, p)) {
            count = half;
        }
        else {
            first += half + 1;
            count -= half + 1;
        }
    }
    return first;
}

template <typename At>
int64_t GallopLeft(const SortItem& key, At at, int64_t len, int64_t hint)
{
    ASSERT(len > 0 && hint >= 0 && hint < len);
    int64_t lastOfs = 0, ofs = 1;

    const SortItem& h = at(hint);
    if (greater(key, h)) {
        // gallop right until at(hint + lastOfs) < key <= at(hint + ofs)
        const int64_t maxOfs = len - hint;
        while (ofs < maxOfs) {
            const SortItem& p = at(hint + ofs);
            if (!greater(key, p)) break;
            lastOfs = ofs;
            ofs = NextOffset(ofs, maxOfs);
        }
        if (ofs > maxOfs) ofs = maxOfs;
        lastOfs += hint;
        ofs += hint;
    }
    else {
        // gallop left until at(hint - ofs) < key <= at(hint - lastOfs)
        const int64_t maxOfs = hint + 1;
        while (ofs < maxOfs) {
            const SortItem& p = at(hint - ofs);
            if (!lessOrEqual(key, p)) break;
            lastOfs = ofs;
            ofs = NextOffset(ofs, maxOfs);
        }
        if (ofs > maxOfs) ofs = maxOfs;
        const int64_t t = lastOfs;
        lastOfs = hint - ofs;
        ofs = hint - t;
    }
    ASSERT(-1 <= lastOfs && lastOfs < ofs && ofs <= len);

    // lower bound in (lastOfs, ofs); the probed item is the left operand
    int64_t first = lastOfs + 1, count = ofs - first;
    while (count > 0) {
        const int64_t half = count / 2;
        const SortItem& p = at(first + half);
        if (less(p, key)) {
            first += half + 1;
            count -= half + 1;
        }
        else {
            count = half;
        }
    }
    return first;
}

} // namespace

TimSort::TimSort(TimSortObserver* observer)
    : minGallop_(MIN_GALLOP), observer_(observer)
{
    notice(TimSortObserver::Created);
}

void TimSort::notice(TimSortObserver::Stage stage) const
{
    if (observer_) observer_->Notice(stage, *this);
}

void TimSort::sort(SortArrayIterator lo, SortArrayIterator hi, TimSortObserver* observer)
{
    ASSERT(lo <= hi);
    int64_t nRemaining = hi - lo;
    if (nRemaining < 2) return;

    if (nRemaining < MIN_MERGE) {
        // no merges and no state: one run, the rest inserted
        const int64_t initRunLen = countRunAndMakeAscending(lo, hi);
        binarySort(lo, hi, lo + initRunLen);
        return;
    }

    TimSort ts(observer);
    const int64_t minRun = minRunLength(nRemaining);
    SortArrayIterator cur = lo;
    do {
        int64_t runLen = countRunAndMakeAscending(cur, hi);
        if (runLen < minRun) {
            const int64_t force = std::min(nRemaining, minRun);
            binarySort(cur, cur + force, cur + runLen);
            runLen = force;
        }
        ts.pushRun(cur, runLen);
        ts.mergeCollapse();

        cur += runLen;
        nRemaining -= runLen;
    } while (nRemaining != 0);

    ASSERT(cur == hi);
    ts.mergeForceCollapse();
    ASSERT(ts.pending_.size() == 1);
}

int64_t TimSort::countRunAndMakeAscending(SortArrayIterator lo, SortArrayIterator hi)
{
    ASSERT(lo < hi);
    SortArrayIterator runHi = lo + 1;
    if (runHi == hi) return 1;

    const SortItem& second = *(lo + 1);
    const SortItem& first = *lo;
    runHi = lo + 2;
    if (less(second, first)) {
        // strictly descending: equal neighbours end the run, so reversing
        // it never reorders equal items
        while (runHi < hi) {
            const SortItem& a = *runHi;
            const SortItem& b = *(runHi - 1);
            if (!less(a, b)) break;
            ++runHi;
        }
        for (SortArrayIterator l = lo, h = runHi - 1; l < h; ++l, --h) {
            SortItem& x = *l;
            SortItem& y = *h;
            std::swap(x, y);
        }
    }
    else {
        while (runHi < hi) {
            const SortItem& a = *runHi;
            const SortItem& b = *(runHi - 1);
            if (less(a, b)) break;
            ++runHi;
        }
    }
    return runHi - lo;
}

void TimSort::binarySort(SortArrayIterator lo, SortArrayIterator hi, SortArrayIterator start)
{
    ASSERT(lo <= start && start <= hi);
    if (start == lo) ++start;
    for (; start < hi; ++start) {
        ASSERT(lo <= start);
        const SortItem pivot = *start;

        // upper bound of pivot in [lo, start): equal items stay in front
        SortArrayIterator left = lo;
        int64_t count = start - lo;
        while (count > 0) {
            const int64_t half = count / 2;
            const SortItem& m = *(left + half);
            if (less(pivot, m)) {
                count = half;
            }
            else {
                left = left + half + 1;
                count = count - half - 1;
            }
        }

        for (SortArrayIterator p = start; p > left; --p) Move(p - 1, p);
        *left = pivot;
    }
}

int64_t TimSort::minRunLength(int64_t n)
{
    int64_t r = 0; // becomes 1 if any bit shifted off is set
    while (n >= MIN_MERGE) {
        r |= (n & 1);
        n >>= 1;
    }
    return n + r;
}

void TimSort::pushRun(SortArrayIterator base, int64_t len)
{
    pending_.push_back(Run{base, len});
    notice(TimSortObserver::RunPushed);
}

void TimSort::mergeCollapse()
{
    while (pending_.size() > 1) {
        const int64_t size = static_cast<int64_t>(pending_.size());
        int64_t n = size - 2;
        if (size >= 3 && pending_[n - 1].len <= pending_[n].len + pending_[n + 1].len) {
            if (pending_[n - 1].len < pending_[n + 1].len) --n;
            mergeAt(n);
        }
        else if (pending_[n].len <= pending_[n + 1].len) {
            mergeAt(n);
        }
        else {
            break;
        }
    }
}

void TimSort::mergeForceCollapse()
{
    while (pending_.size() > 1) {
        const int64_t size = static_cast<int64_t>(pending_.size());
        int64_t n = size - 2;
        if (size >= 3 && pending_[n - 1].len < pending_[n + 1].len) --n;
        mergeAt(n);
    }
}

void TimSort::mergeAt(int64_t i)
{
    const int64_t stackSize = static_cast<int64_t>(pending_.size());
    ASSERT(stackSize >= 2);
    ASSERT(i >= 0);
    ASSERT(i == stackSize - 2 || i == stackSize - 3);

    SortArrayIterator base1 = pending_[i].base;
    int64_t len1 = pending_[i].len;
    const SortArrayIterator base2 = pending_[i + 1].base;
    int64_t len2 = pending_[i + 1].len;
    ASSERT(len1 > 0 && len2 > 0);
    ASSERT(base1 + len1 == base2);

    pending_[i].len = len1 + len2;
    if (i == stackSize - 3) pending_[i + 1] = pending_[i + 2];
    pending_.pop_back();

    // items of run 1 not above run 2's first are already in place
    const SortItem& first2 = *base2;
    const int64_t k = gallopRight(first2, base1, len1, 0);
    ASSERT(k >= 0);
    base1 += k;
    len1 -= k;
    if (len1 == 0) return;

    // and so are the items of run 2 not below run 1's last
    const SortItem& last1 = *(base1 + len1 - 1);
    len2 = gallopLeft(last1, base2, len2, len2 - 1);
    ASSERT(len2 >= 0);
    if (len2 == 0) return;

    if (len1 <= len2)
        mergeLo(base1, len1, base2, len2);
    else
        mergeHi(base1, len1, base2, len2);
}

int64_t TimSort::gallopRight(const SortItem& key, SortArrayIterator base, int64_t len, int64_t hint)
{
    return GallopRight(key, [&base](int64_t i) -> const SortItem& { return *(base + i); }, len, hint);
}

int64_t TimSort::gallopLeft(const SortItem& key, SortArrayIterator base, int64_t len, int64_t hint)
{
    return GallopLeft(key, [&base](int64_t i) -> const SortItem& { return *(base + i); }, len, hint);
}

int64_t TimSort::gallopRight(const SortItem& key, int64_t base, int64_t len, int64_t hint) const
{
    return GallopRight(key, [this, base](int64_t i) -> const SortItem& { return tmp_[base + i]; }, len, hint);
}

int64_t TimSort::gallopLeft(const SortItem& key, int64_t base, int64_t len, int64_t hint) const
{
    return GallopLeft(key, [this, base](int64_t i) -> const SortItem& { return tmp_[base + i]; }, len, hint);
}

void TimSort::copyToTmp(SortArrayIterator begin, int64_t len)
{
    tmp_.clear();
    if (tmp_.capacity() < static_cast<size_t>(len)) {
        // exactly the size needed; the old storage goes
        std::vector<SortItem> fresh;
        fresh.reserve(len);
        tmp_.swap(fresh);
    }
    for (int64_t i = 0; i < len; ++i) tmp_.push_back(*(begin + i));
    notice(TimSortObserver::TmpFilled);
}

void TimSort::mergeLo(SortArrayIterator base1, int64_t len1, SortArrayIterator base2, int64_t len2)
{
    ASSERT(len1 > 0 && len2 > 0 && base1 + len1 == base2);
    copyToTmp(base1, len1);
    int64_t cursor1 = 0;            // in tmp_
    SortArrayIterator cursor2 = base2;
    SortArrayIterator dest = base1;

    // the first item of run 2 is known to go first
    Move(cursor2, dest);
    ++dest;
    ++cursor2;
    if (--len2 == 0) {
        for (int64_t i = 0; i < len1; ++i) *(dest + i) = tmp_[cursor1 + i];
        return;
    }
    if (len1 == 1) {
        for (int64_t i = 0; i < len2; ++i) Move(cursor2 + i, dest + i);
        *(dest + len2) = tmp_[cursor1]; // run 1's last item goes last
        return;
    }

    int32_t minGallop = minGallop_;
    while (true) {
        int64_t count1 = 0; // times in a row run 1 won
        int64_t count2 = 0; // times in a row run 2 won

        // one item at a time until one run wins minGallop times in a row
        bool done = false;
        do {
            ASSERT(len1 > 1 && len2 > 0);
            const SortItem& c2 = *cursor2;
            if (less(c2, tmp_[cursor1])) {
                Move(cursor2, dest);
                ++dest;
                ++cursor2;
                ++count2;
                count1 = 0;
                if (--len2 == 0) { done = true; break; }
            }
            else {
                *dest = tmp_[cursor1];
                ++dest;
                ++cursor1;
                ++count1;
                count2 = 0;
                if (--len1 == 1) { done = true; break; }
            }
        } while ((count1 | count2) < minGallop);
        if (done) break;

        // galloping while it pays
        do {
            ASSERT(len1 > 1 && len2 > 0);
            const SortItem& key2 = *cursor2;
            count1 = gallopRight(key2, cursor1, len1, 0);
            if (count1 != 0) {
                // highest destination first
                for (int64_t i = count1 - 1; i >= 0; --i) *(dest + i) = tmp_[cursor1 + i];
                dest += count1;
                cursor1 += count1;
                len1 -= count1;
                if (len1 <= 1) { done = true; break; }
            }
            Move(cursor2, dest);
            ++dest;
            ++cursor2;
            if (--len2 == 0) { done = true; break; }

            count2 = gallopLeft(tmp_[cursor1], cursor2, len2, 0);
            if (count2 != 0) {
                for (int64_t i = 0; i < count2; ++i) Move(cursor2 + i, dest + i);
                dest += count2;
                cursor2 += count2;
                len2 -= count2;
                if (len2 == 0) { done = true; break; }
            }
            *dest = tmp_[cursor1];
            ++dest;
            ++cursor1;
            if (--len1 == 1) { done = true; break; }
            --minGallop;
        } while (count1 >= MIN_GALLOP || count2 >= MIN_GALLOP);
        if (done) break;

        // galloping stopped paying: single steps again, after a penalty
        minGallop = (minGallop < 0 ? 0 : minGallop) + 2;
    }
    // the smaller, so that the next merge gallops after its first single step
    minGallop_ = std::min(minGallop, int32_t(1));
    notice(TimSortObserver::GallopStored);

    if (len1 == 1) {
        ASSERT(len2 > 0);
        for (int64_t i = 0; i < len2; ++i) Move(cursor2 + i, dest + i);
        *(dest + len2) = tmp_[cursor1];
    }
    else if (len1 == 0) {
        ASSERT(len1 != 0 && "Comparision function violates its general contract");
    }
    else {
        ASSERT(len2 == 0);
        ASSERT(len1 > 1);
        for (int64_t i = 0; i < len1; ++i) *(dest + i) = tmp_[cursor1 + i];
    }
}

void TimSort::mergeHi(SortArrayIterator base1, int64_t len1, SortArrayIterator base2, int64_t len2)
{
    ASSERT(len1 > 0 && len2 > 0 && base1 + len1 == base2);
    copyToTmp(base2, len2);
    SortArrayIterator cursor1 = base1 + len1 - 1;
    int64_t cursor2 = len2 - 1; // in tmp_
    SortArrayIterator dest = base2 + len2 - 1;

    // the last item of run 1 is known to go last
    Move(cursor1, dest);
    --dest;
    --cursor1;
    if (--len1 == 0) {
        for (int64_t i = 0; i < len2; ++i) *(dest - (len2 - 1) + i) = tmp_[i];
        return;
    }
    if (len2 == 1) {
        dest -= len1;
        cursor1 -= len1;
        for (int64_t i = len1; i >= 1; --i) Move(cursor1 + i, dest + i);
        *dest = tmp_[cursor2]; // run 2's first item goes first
        return;
    }

    int32_t minGallop = minGallop_;
    while (true) {
        int64_t count1 = 0; // times in a row run 1 won
        int64_t count2 = 0; // times in a row run 2 won

        bool done = false;
        do {
            ASSERT(len1 > 0 && len2 > 1);
            const SortItem& c1 = *cursor1;
            if (less(tmp_[cursor2], c1)) {
                Move(cursor1, dest);
                --dest;
                --cursor1;
                ++count1;
                count2 = 0;
                if (--len1 == 0) { done = true; break; }
            }
            else {
                *dest = tmp_[cursor2];
                --dest;
                --cursor2;
                ++count2;
                count1 = 0;
                if (--len2 == 1) { done = true; break; }
            }
        } while ((count1 | count2) < minGallop);
        if (done) break;

        do {
            ASSERT(len1 > 0 && len2 > 1);
            count1 = len1 - gallopRight(tmp_[cursor2], base1, len1, len1 - 1);
            if (count1 != 0) {
                dest -= count1;
                cursor1 -= count1;
                len1 -= count1;
                for (int64_t i = count1; i >= 1; --i) Move(cursor1 + i, dest + i);
                if (len1 == 0) { done = true; break; }
            }
            *dest = tmp_[cursor2];
            --dest;
            --cursor2;
            if (--len2 == 1) { done = true; break; }

            const SortItem& key1 = *cursor1;
            count2 = len2 - gallopLeft(key1, int64_t(0), len2, len2 - 1);
            if (count2 != 0) {
                dest -= count2;
                cursor2 -= count2;
                len2 -= count2;
                for (int64_t i = 1; i <= count2; ++i) *(dest + i) = tmp_[cursor2 + i];
                if (len2 <= 1) { done = true; break; }
            }
            Move(cursor1, dest);
            --dest;
            --cursor1;
            if (--len1 == 0) { done = true; break; }
            --minGallop;
        } while (count1 >= MIN_GALLOP || count2 >= MIN_GALLOP);
        if (done) break;

        minGallop = (minGallop < 0 ? 0 : minGallop) + 2;
    }
    minGallop_ = std::min(minGallop, int32_t(1));
    notice(TimSortObserver::GallopStored);

    if (len2 == 1) {
        ASSERT(len1 > 0);
        dest -= len1;
        cursor1 -= len1;
        for (int64_t i = len1; i >= 1; --i) Move(cursor1 + i, dest + i);
        *dest = tmp_[cursor2];
    }
    else if (len2 == 0) {
        ASSERT(len2 != 0 && "Comparision function violates its general contract");
    }
    else {
        ASSERT(len1 == 0);
        ASSERT(len2 > 1);
        for (int64_t i = 0; i < len2; ++i) *(dest - (len2 - 1) + i) = tmp_[i];
    }
}

} // namespace timsort
