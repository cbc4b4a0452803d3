// The catalogue: its fixed order, names, limits and descriptions.
#include <gtest/gtest.h>

#include "SortAlgo.h"

namespace {

const unsigned int U = 0xFFFFFFFF; // unlimited

struct Row
{
    const char* name;
    unsigned int size_limit;
    unsigned int inversion_limit;
    const char* description;
};

const Row kCatalogue[] = {
    {"Selection Sort", U, U, ""},
    {"Insertion Sort", U, U, ""},
    {"Binary Insertion Sort", U, U, ""},
    {"Merge Sort", U, 512,
     "Merge sort which merges two sorted sequences into a shadow array,and then copies it back to the "
     "shown array."},
    {"Merge Sort (iterative)", U, 512,
     "Merge sort variant which iteratively merges subarrays of sizes of powers of two."},
    {"Quick Sort (LR ptrs)", U, U, "Quick sort variant with left and right pointers."},
    {"Quick Sort (LL ptrs)", U, U, "Quick sort variant from 3rd edition of CLRS: two pointers on left."},
    {"Quick Sort (ternary, LR ptrs)", U, U,
     "Ternary-split quick sort variant, adapted from multikey quicksort by Bentley & Sedgewick: "
     "partitions \"=<?>=\" using two pairs of pointers at left and right, then copied to middle."},
    {"Quick Sort (ternary, LL ptrs)", U, U,
     "Ternary-split quick sort variant: partitions \"<>?=\" using two pointers at left and one at right. "
     "Afterwards copies the \"=\" to middle."},
    {"Quick Sort (dual pivot)", U, U,
     "Dual pivot quick sort variant: partitions \"<1<2?>\" using three pointers, two at left and one at "
     "right."},
    {"Bubble Sort", U, U, ""},
    {"Cocktail Shaker Sort", U, U, ""},
    {"Gnome Sort", U, U, ""},
    {"Comb Sort", U, U, ""},
    {"Shell Sort", U, 1024, ""},
    {"Heap Sort", U, U, ""},
    {"Smooth Sort", U, 1024, ""},
    {"Odd-Even Sort", U, 1024, ""},
    {"Batcher's Bitonic Sort", U, U, ""},
    {"Batcher's Odd-Even Merge Sort", U, U, ""},
    {"Cycle Sort", 512, U, ""},
    {"Radix Sort (LSD)", U, 512,
     "Least significant digit radix sort, which copies item into a shadow array during counting."},
    {"Radix Sort (MSD)", U, U,
     "Most significant digit radix sort, which permutes items in-place by walking cycles."},
    {"std::sort (gcc)", U, 512, ""},
    {"std::stable_sort (gcc)", U, 512, ""},
    {"std::sort_heap (gcc)", U, 512, ""},
    {"Tim Sort", U, 512, ""},
    {"Block Merge Sort (WikiSort)", U, 512, "An O(1) place O(n log n) time stable merge sort."},
    {"Bogo Sort", 10, U, ""},
    {"Bozo Sort", 10, U, ""},
    {"Stooge Sort", 256, 512, ""},
    {"Slow Sort", 128, 512, ""},
};

TEST(Catalogue, HoldsTheThirtyTwoEntriesInTheirOrder)
{
    ASSERT_EQ(g_algolist_size, 32u);
    ASSERT_EQ(g_algolist_end, g_algolist + 32);
    for (size_t k = 0; k < 32; ++k) {
        const AlgoListEntry& e = g_algolist[k];
        const Row& r = kCatalogue[k];
        EXPECT_EQ(e.name, r.name) << k;
        EXPECT_EQ(e.size_limit, r.size_limit) << r.name;
        EXPECT_EQ(e.inversion_limit, r.inversion_limit) << r.name;
        EXPECT_EQ(e.description, r.description) << r.name;
    }
}

TEST(Catalogue, ExactlyTheFiveQuickSortsCarryTheName)
{
    for (size_t k = 0; k < g_algolist_size; ++k)
        EXPECT_EQ(g_algolist[k].name.Contains("Quick Sort"), k >= 5 && k <= 9) << g_algolist[k].name;
}

} // namespace
