// The algorithm catalogue, the classic algorithms, and the iterator through
// which generic sorting code runs on the instrumented array.
#ifndef QUORVEX_SORTALGO_H
#define QUORVEX_SORTALGO_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iterator>
#include <vector>

#include <wx/arrstr.h>
#include <wx/string.h>

#include "SortArray.h"

// One catalogue record.
struct AlgoListEntry
{
    wxString name;
    void (*func)(SortArray&);
    // Largest size listed for the algorithm; nothing consults it.
    unsigned int size_limit;
    // Largest size at which inversions are counted live during a run.
    unsigned int inversion_limit;
    wxString description;
};

extern const AlgoListEntry g_algolist[];
extern const size_t g_algolist_size;
extern const AlgoListEntry* g_algolist_end;

// ---------------------------------------------------------------------------
// Elementary sorts

void SelectionSort(SortArray& A);
void InsertionSort(SortArray& A);
void BinaryInsertionSort(SortArray& A);
void BubbleSort(SortArray& A);
void CocktailShakerSort(SortArray& A);
void GnomeSort(SortArray& A);
void CombSort(SortArray& A);
void ShellSort(SortArray& A);
void OddEvenSort(SortArray& A);

// ---------------------------------------------------------------------------
// Quick sorts

// Index of the pivot rule chosen in the main window; written only while no
// algorithm runs. 0 first item, 1 last item, 2 middle item, 3 random item,
// 4 median of three; any other value picks the first item.
extern Relaxed<int32_t> g_pivot_rule;

// The rule names in index order, for the pivot rule choice.
wxArrayString PivotRuleNames();

// A position in lo to hi - 1 by the current pivot rule.
int64_t QuickSortSelectPivot(SortArray& A, int64_t lo, int64_t hi);

void QuickSortLR(SortArray& A);
void QuickSortLL(SortArray& A);
void QuickSortTernaryLR(SortArray& A);
void QuickSortTernaryLL(SortArray& A);
void QuickSortDualPivot(SortArray& A);

// ---------------------------------------------------------------------------
// Merge sorts

// Merges the sorted runs lo to mid - 1 and mid to hi - 1 through a shadow
// buffer; requires lo < mid < hi. Takes the right item first on a tie.
void Merge(SortArray& A, size_t lo, size_t mid, size_t hi);

void MergeSort(SortArray& A);
void MergeSortIterative(SortArray& A);

// ---------------------------------------------------------------------------
// Heap sort and smooth sort

void HeapSort(SortArray& A);

// Leonardo numbers: 1, 1 and each further one the sum of the two before plus 1.
extern const int32_t LeonardoNumbers[43];

void SmoothSort(SortArray& A);

// ---------------------------------------------------------------------------
// The standard library's sorts over SortArrayIterator

void StlSort(SortArray& A);
void StlStableSort(SortArray& A);
void StlHeapSort(SortArray& A);

// ---------------------------------------------------------------------------
// A position in a SortArray. Dereferencing is a counted, paced get_mutable;
// nothing else touches the array.
class SortArrayIterator
{
public:
    typedef std::random_access_iterator_tag iterator_category;
    typedef SortItem value_type;
    typedef int64_t difference_type;
    typedef SortItem& reference;
    typedef SortItem* pointer;

    SortArrayIterator() : m_array(nullptr), m_pos(0) {}
    SortArrayIterator(SortArray* array, uint64_t pos) : m_array(array), m_pos(pos) {}

    SortArray* m_array;
    uint64_t m_pos;

    reference operator*() const { return m_array->get_mutable(m_pos); }
    pointer operator->() const { return &m_array->get_mutable(m_pos); }
    reference operator[](difference_type n) const { return *(*this + n); }

    SortArrayIterator& operator++() { ++m_pos; return *this; }
    SortArrayIterator& operator--() { --m_pos; return *this; }
    SortArrayIterator operator++(int) { SortArrayIterator r = *this; ++m_pos; return r; }
    SortArrayIterator operator--(int) { SortArrayIterator r = *this; --m_pos; return r; }

    SortArrayIterator& operator+=(difference_type n) { m_pos += n; return *this; }
    SortArrayIterator& operator-=(difference_type n) { m_pos -= n; return *this; }
    SortArrayIterator operator+(difference_type n) const { return SortArrayIterator(m_array, m_pos + n); }
    SortArrayIterator operator-(difference_type n) const { return SortArrayIterator(m_array, m_pos - n); }
    friend SortArrayIterator operator+(difference_type n, const SortArrayIterator& it) { return it + n; }

    difference_type operator-(const SortArrayIterator& r2) const
    {
        ASSERT(m_array == r2.m_array);
        return static_cast<difference_type>(m_pos) - static_cast<difference_type>(r2.m_pos);
    }

    bool operator==(const SortArrayIterator& r) const { return m_array == r.m_array && m_pos == r.m_pos; }
    bool operator!=(const SortArrayIterator& r) const { return !(*this == r); }
    bool operator<(const SortArrayIterator& r) const
    {
        return std::less<const SortArray*>()(m_array, r.m_array) ||
               (m_array == r.m_array && m_pos < r.m_pos);
    }
    bool operator>(const SortArrayIterator& r) const { return r < *this; }
    bool operator<=(const SortArrayIterator& r) const { return !(r < *this); }
    bool operator>=(const SortArrayIterator& r) const { return !(*this < r); }
};

inline SortArrayIterator SortArrayBegin(SortArray& A) { return SortArrayIterator(&A, 0); }
inline SortArrayIterator SortArrayEnd(SortArray& A) { return SortArrayIterator(&A, A.size()); }

// ---------------------------------------------------------------------------
// Radix sorts and cycle sort

void RadixSortLSD(SortArray& A);
// The catalogue entry: the whole array from the most significant digit.
void RadixSortMSD(SortArray& A);
// Sorts [lo, hi) by the base-4 digits at positions pmax - depth down to 0; the
// items of the range agree in every more significant digit.
void RadixSortMSD(SortArray& A, uint64_t lo, uint64_t hi, uint64_t depth);
void CycleSort(SortArray& A);

// ---------------------------------------------------------------------------
// Sorting networks

// One comparator: after it, position first holds the smaller item of the two.
struct SortNetworkComparator
{
    uint32_t first;
    uint32_t second;
    uint32_t depth; // recursion depth of the sort whose merge made it
    uint32_t layer; // recursion depth within that merge
};

// Each network sort's comparators, filled only while that sort runs.
extern std::vector<SortNetworkComparator> g_bitonic_network;
extern std::vector<SortNetworkComparator> g_batcher_network;

void BitonicSort(SortArray& A);
void BatcherSortNetwork(SortArray& A);

// ---------------------------------------------------------------------------
// Bogo, bozo, stooge and slow sort

// Scans for ascending order, marking every position found in order; a failed
// scan removes its marks again.
bool BogoCheckSorted(SortArray& A);
void BogoSort(SortArray& A);
void BozoSort(SortArray& A);
void StoogeSort(SortArray& A);
void SlowSort(SortArray& A);

#endif
