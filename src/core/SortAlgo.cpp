#include "SortAlgo.h"

#include <wx/intl.h>

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
