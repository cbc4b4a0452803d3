// The catalogue: its fixed order, names, functions, limits and descriptions;
// and every entry against every input type: the result is sorted, holds the
// same values, and the stable entries keep equal items in order.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "ParamName.h"
#include "SortAlgo.h"
#include "Trace.h"

namespace {

const unsigned int U = 0xFFFFFFFF; // unlimited

struct Row
{
    const char* name;
    void (*func)(SortArray&);
    unsigned int size_limit;
    unsigned int inversion_limit;
    const char* description;
};

const Row kCatalogue[] = {
    {"Selection Sort", &SelectionSort, U, U, ""},
    {"Insertion Sort", &InsertionSort, U, U, ""},
    {"Binary Insertion Sort", &BinaryInsertionSort, U, U, ""},
    {"Merge Sort", &MergeSort, U, 512,
     "Merge sort which merges two sorted sequences into a shadow array,and then copies it back to the "
     "shown array."},
    {"Merge Sort (iterative)", &MergeSortIterative, U, 512,
     "Merge sort variant which iteratively merges subarrays of sizes of powers of two."},
    {"Quick Sort (LR ptrs)", &QuickSortLR, U, U, "Quick sort variant with left and right pointers."},
    {"Quick Sort (LL ptrs)", &QuickSortLL, U, U,
     "Quick sort variant from 3rd edition of CLRS: two pointers on left."},
    {"Quick Sort (ternary, LR ptrs)", &QuickSortTernaryLR, U, U,
     "Ternary-split quick sort variant, adapted from multikey quicksort by Bentley & Sedgewick: "
     "partitions \"=<?>=\" using two pairs of pointers at left and right, then copied to middle."},
    {"Quick Sort (ternary, LL ptrs)", &QuickSortTernaryLL, U, U,
     "Ternary-split quick sort variant: partitions \"<>?=\" using two pointers at left and one at right. "
     "Afterwards copies the \"=\" to middle."},
    {"Quick Sort (dual pivot)", &QuickSortDualPivot, U, U,
     "Dual pivot quick sort variant: partitions \"<1<2?>\" using three pointers, two at left and one at "
     "right."},
    {"Bubble Sort", &BubbleSort, U, U, ""},
    {"Cocktail Shaker Sort", &CocktailShakerSort, U, U, ""},
    {"Gnome Sort", &GnomeSort, U, U, ""},
    {"Comb Sort", &CombSort, U, U, ""},
    {"Shell Sort", &ShellSort, U, 1024, ""},
    {"Heap Sort", &HeapSort, U, U, ""},
    {"Smooth Sort", &SmoothSort, U, 1024, ""},
    {"Odd-Even Sort", &OddEvenSort, U, 1024, ""},
    {"Batcher's Bitonic Sort", &BitonicSort, U, U, ""},
    {"Batcher's Odd-Even Merge Sort", &BatcherSortNetwork, U, U, ""},
    {"Cycle Sort", &CycleSort, 512, U, ""},
    {"Radix Sort (LSD)", &RadixSortLSD, U, 512,
     "Least significant digit radix sort, which copies item into a shadow array during counting."},
    {"Radix Sort (MSD)", &RadixSortMSD, U, U,
     "Most significant digit radix sort, which permutes items in-place by walking cycles."},
    {"std::sort (gcc)", &StlSort, U, 512, ""},
    {"std::stable_sort (gcc)", &StlStableSort, U, 512, ""},
    {"std::sort_heap (gcc)", &StlHeapSort, U, 512, ""},
    {"Tim Sort", &TimSort, U, 512, ""},
    {"Block Merge Sort (WikiSort)", &WikiSort, U, 512, "An O(1) place O(n log n) time stable merge sort."},
    {"Bogo Sort", &BogoSort, 10, U, ""},
    {"Bozo Sort", &BozoSort, 10, U, ""},
    {"Stooge Sort", &StoogeSort, 256, 512, ""},
    {"Slow Sort", &SlowSort, 128, 512, ""},
};

TEST(Catalogue, HoldsTheThirtyTwoEntriesInTheirOrder)
{
    ASSERT_EQ(g_algolist_size, 32u);
    ASSERT_EQ(g_algolist_end, g_algolist + 32);
    for (size_t k = 0; k < 32; ++k) {
        const AlgoListEntry& e = g_algolist[k];
        const Row& r = kCatalogue[k];
        EXPECT_EQ(e.name, r.name) << k;
        EXPECT_EQ(e.func, r.func) << r.name;
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


const char* const kStable[] = {
    "Insertion Sort", "Bubble Sort", "Cocktail Shaker Sort", "Gnome Sort", "Odd-Even Sort",
    "Radix Sort (LSD)", "std::stable_sort (gcc)", "Tim Sort", "Block Merge Sort (WikiSort)",
};

bool IsStable(const AlgoListEntry& e)
{
    for (const char* name : kStable)
        if (e.name == name) return true;
    return false;
}

// Bogo and bozo sort finish in reasonable time on tiny shuffled inputs only.
bool IsRandomised(const AlgoListEntry& e)
{
    return e.name == "Bogo Sort" || e.name == "Bozo Sort";
}

// The largest size worth running: the full 2048 items, except for stooge and
// slow sort, whose running times grow too fast; they run at their listed
// limits (256 and 128 items).
size_t LargeSize(const AlgoListEntry& e)
{
    if (!IsRandomised(e) && e.size_limit <= 256) return e.size_limit;
    return 2048;
}

// Runs an entry as the worker does: inversion counting by its limit, then the
// algorithm.
void RunEntry(const AlgoListEntry& e, SortArray& A)
{
    A.PrepareInversions(e);
    e.func(A);
}

std::string Describe(const AlgoListEntry& e, unsigned type, size_t n)
{
    return std::string(e.name.utf8_str()) + ", input type " + std::to_string(type) + ", " +
           std::to_string(n) + " items";
}

// A test on one catalogue entry, the parameter being its index.
class CatalogueEntryTest : public ::testing::TestWithParam<size_t>
{
protected:
    const AlgoListEntry& entry() const { return g_algolist[GetParam()]; }
};

class CatalogueSort : public CatalogueEntryTest
{
protected:
    void ExpectSorts(unsigned type, size_t n)
    {
        SortArray A;
        A.FillArray(type, n);
        std::vector<int> expected = Values(A);
        std::sort(expected.begin(), expected.end());
        RunEntry(entry(), A);
        ASSERT_EQ(Values(A), expected) << Describe(entry(), type, n);
    }
};

TEST_P(CatalogueSort, SortsEveryInputTypeAtSmallSizes)
{
    for (unsigned type = 0; type < 6; ++type) {
        const size_t max_n = (IsRandomised(entry()) && type != 1) ? 6 : 70;
        for (size_t n = 1; n <= max_n; ++n) ExpectSorts(type, n);
    }
}

TEST_P(CatalogueSort, SortsEveryInputTypeAtLargeSize)
{
    for (unsigned type = 0; type < 6; ++type) {
        if (IsRandomised(entry()) && type != 1) continue; // only a sorted input ends
        ExpectSorts(type, LargeSize(entry()));
    }
}

// Run over the stable entries only.
class CatalogueStableSort : public CatalogueEntryTest
{
};

TEST_P(CatalogueStableSort, KeepsEqualItemsInOrder)
{
    std::mt19937 rng(20261210);
    TaggedKeys tags;
    for (size_t n : {2u, 3u, 7u, 16u, 33u, 70u, 300u}) {
        for (int distinct : {1, 2, 5, 40}) {
            std::uniform_int_distribution<int> key(1, distinct);
            std::vector<int> keys(n);
            for (int& k : keys) k = key(rng);

            SortArray A;
            tags.Fill(A, keys);
            RunEntry(entry(), A);

            std::vector<int> expected = keys;
            std::sort(expected.begin(), expected.end());
            ASSERT_EQ(tags.Keys(A), expected) << entry().name << ", " << n << " items";
            ASSERT_TRUE(tags.Stable(A)) << entry().name << ", " << n << " items, " << distinct
                                        << " distinct keys";
        }
    }
}

std::string EntryName(const ::testing::TestParamInfo<size_t>& info)
{
    return std::to_string(info.param) + "_" + ParamName(std::string(g_algolist[info.param].name.utf8_str()));
}

INSTANTIATE_TEST_SUITE_P(Catalogue, CatalogueSort, ::testing::Range<size_t>(0, g_algolist_size),
                         EntryName);

std::vector<size_t> StableEntries()
{
    std::vector<size_t> stable;
    for (size_t k = 0; k < g_algolist_size; ++k)
        if (IsStable(g_algolist[k])) stable.push_back(k);
    return stable;
}

INSTANTIATE_TEST_SUITE_P(Stable, CatalogueStableSort, ::testing::ValuesIn(StableEntries()), EntryName);

TEST(Catalogue, ListsEveryStableEntry)
{
    EXPECT_EQ(StableEntries().size(), sizeof(kStable) / sizeof(kStable[0]));
}

TEST(Catalogue, NamesAreDistinctAndNonEmpty)
{
    std::set<wxString> names;
    for (const AlgoListEntry* e = g_algolist; e != g_algolist_end; ++e) {
        EXPECT_FALSE(e->name.empty());
        EXPECT_TRUE(names.insert(e->name).second) << e->name;
        EXPECT_NE(e->func, nullptr) << e->name;
    }
}

} // namespace
