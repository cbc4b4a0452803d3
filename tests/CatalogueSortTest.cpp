// Every catalogue entry against every input type: the result is sorted, holds
// the same values, and the stable entries keep equal items in order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <random>
#include <set>
#include <string>

#include "SortAlgo.h"
#include "Trace.h"

namespace {

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

class CatalogueSort : public ::testing::TestWithParam<size_t>
{
protected:
    const AlgoListEntry& entry() const { return g_algolist[GetParam()]; }

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

TEST_P(CatalogueSort, StableEntriesKeepEqualItemsInOrder)
{
    if (!IsStable(entry())) GTEST_SKIP() << "not a stable algorithm";

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
    std::string name;
    for (char c : std::string(g_algolist[info.param].name.utf8_str()))
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return std::to_string(info.param) + "_" + name;
}

INSTANTIATE_TEST_SUITE_P(Catalogue, CatalogueSort, ::testing::Range<size_t>(0, g_algolist_size),
                         EntryName);

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
