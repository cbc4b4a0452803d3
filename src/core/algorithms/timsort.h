// Tim sort over the instrumented array: a stable, adaptive merge sort that
// finds natural runs, lengthens short ones by binary insertion and merges
// them from a stack of pending runs, galloping when one run keeps winning.
//
// Every read or write of an array item is one dereference of a
// SortArrayIterator, that is one get_mutable of the array; the order of the
// dereferences below is what the view shows and the counters count. Items in
// the temporary storage are plain SortItem values: moving them touches no
// array position, comparing them still counts.
#ifndef QUORVEX_ALGORITHMS_TIMSORT_H
#define QUORVEX_ALGORITHMS_TIMSORT_H

#include <cstdint>
#include <vector>

#include "SortArrayIterator.h"

// The catalogue entry "Tim Sort".
void TimSort(SortArray& A);

namespace timsort {

// Arrays shorter than this are sorted by binary insertion alone; also the
// bound of the minimum run length.
const int64_t MIN_MERGE = 32;
// Initial gallop threshold: galloping goes on while either run wins this often.
const int32_t MIN_GALLOP = 7;

// A run waiting on the stack: its first item and its number of items.
struct Run
{
    SortArrayIterator base;
    int64_t len;
};

class TimSort;

// Sees the state of one sort at its turning points (tests look through it).
class TimSortObserver
{
public:
    enum Stage {
        Created,      // the state exists: pending_ and tmp_ empty, minGallop_ 7
        RunPushed,    // a run was pushed, before the stack collapses
        TmpFilled,    // copyToTmp has copied the shorter run of a merge
        GallopStored, // a merge left its outer loop and stored minGallop_
    };
    virtual void Notice(Stage stage, const TimSort& ts) = 0;

protected:
    ~TimSortObserver() = default;
};

// The state of one sort of at least MIN_MERGE items; it lives only while that
// sort runs.
class TimSort
{
public:
    explicit TimSort(TimSortObserver* observer = nullptr);

    // Sorts [lo, hi).
    static void sort(SortArrayIterator lo, SortArrayIterator hi,
                     TimSortObserver* observer = nullptr);

    // The length of the run starting at lo, after making it ascending
    // (a strictly descending run is reversed).
    static int64_t countRunAndMakeAscending(SortArrayIterator lo, SortArrayIterator hi);
    // Sorts [lo, hi), of which [lo, start) is already sorted.
    static void binarySort(SortArrayIterator lo, SortArrayIterator hi, SortArrayIterator start);
    // The minimum run length for n >= MIN_MERGE items, in [16, 32].
    static int64_t minRunLength(int64_t n);

    void pushRun(SortArrayIterator base, int64_t len);
    void mergeCollapse();
    void mergeForceCollapse();
    void mergeAt(int64_t i);

    // The position just after the last item of the run not greater than key
    // (gallopRight), or of the first item not less than key (gallopLeft), in
    // [0, len], searched outwards from hint. The array forms dereference
    // every probed position once; the others search tmp_ from position base.
    static int64_t gallopRight(const SortItem& key, SortArrayIterator base, int64_t len, int64_t hint);
    static int64_t gallopLeft(const SortItem& key, SortArrayIterator base, int64_t len, int64_t hint);
    int64_t gallopRight(const SortItem& key, int64_t base, int64_t len, int64_t hint) const;
    int64_t gallopLeft(const SortItem& key, int64_t base, int64_t len, int64_t hint) const;

    void copyToTmp(SortArrayIterator begin, int64_t len);
    // Merge two adjacent runs, copying the first (mergeLo, the shorter or
    // equal one) or the second (mergeHi) into tmp_.
    void mergeLo(SortArrayIterator base1, int64_t len1, SortArrayIterator base2, int64_t len2);
    void mergeHi(SortArrayIterator base1, int64_t len1, SortArrayIterator base2, int64_t len2);

    std::vector<Run> pending_;
    std::vector<SortItem> tmp_;
    int32_t minGallop_;

private:
    void notice(TimSortObserver::Stage stage) const;

    TimSortObserver* observer_;
};

} // namespace timsort

#endif
