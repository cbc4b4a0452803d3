// The array iterator, and the catalogue entries that run the standard
// library's sorts through it.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <ostream>
#include <string>
#include <type_traits>
#include <vector>

#include "ParamName.h"
#include "SortAlgo.h"
#include "Trace.h"

namespace {

static_assert(std::is_same<std::iterator_traits<SortArrayIterator>::iterator_category,
                           std::random_access_iterator_tag>::value, "random access");
static_assert(std::is_same<std::iterator_traits<SortArrayIterator>::value_type, SortItem>::value, "");
static_assert(std::is_same<std::iterator_traits<SortArrayIterator>::reference, SortItem&>::value, "");
static_assert(std::is_same<std::iterator_traits<SortArrayIterator>::pointer, SortItem*>::value, "");
static_assert(std::is_same<std::iterator_traits<SortArrayIterator>::difference_type, int64_t>::value, "");

// ---------------------------------------------------------------------------
// The iterator

TEST(SortArrayIterator, PositionArithmeticAndOrderTouchNothing)
{
    SortArray A;
    SetValues(A, {5, 6, 7, 8, 9});
    const SortArrayIterator begin = SortArrayBegin(A), end = SortArrayEnd(A);

    EXPECT_EQ(end - begin, 5);
    EXPECT_EQ(begin - end, -5);
    EXPECT_TRUE(begin < end);
    EXPECT_TRUE(end > begin);
    EXPECT_TRUE(begin <= begin && begin >= begin);
    EXPECT_FALSE(begin < begin);
    EXPECT_TRUE(begin + 5 == end);
    EXPECT_TRUE(5 + begin == end);
    EXPECT_TRUE(end - 5 == begin);
    EXPECT_TRUE(SortArrayIterator(&A, 2) == begin + 2);
    EXPECT_TRUE(SortArrayIterator(&A, 2) != begin + 3);

    SortArrayIterator it = begin;
    EXPECT_TRUE(++it == begin + 1);
    EXPECT_TRUE(it++ == begin + 1);
    EXPECT_TRUE(it == begin + 2);
    EXPECT_TRUE(--it == begin + 1);
    EXPECT_TRUE(it-- == begin + 1);
    EXPECT_TRUE(it == begin);
    it += 4;
    EXPECT_EQ(it.m_pos, 4u);
    it -= 3;
    EXPECT_EQ(it.m_pos, 1u);
    // stepping below the first item and back is plain unsigned arithmetic
    EXPECT_TRUE((begin - 1) + 1 == begin);
    EXPECT_EQ((begin - 1) - begin, -1);

    EXPECT_EQ(g_access_count, 0u);
    EXPECT_EQ(g_comparison_count, 0u);
}

TEST(SortArrayIterator, DereferenceIsOneCountedGetMutable)
{
    SortArray A;
    SetValues(A, {5, 6, 7, 8, 9});
    TraceRecorder trace(A);
    SortArrayIterator it = SortArrayBegin(A) + 1;

    SortItem& a = *it;           // counted
    SortItem& again = *it;       // the index accessed last: not counted
    EXPECT_EQ(&a, &A.m_array[1]);
    EXPECT_EQ(&again, &A.m_array[1]);
    const SortItem& b = it[2];   // index 3
    const SortItem& c = *(it - 1);
    a = SortItem(42);            // written through the reference, no access

    EXPECT_EQ(b.raw(), 8);
    EXPECT_EQ(c.raw(), 5);
    EXPECT_EQ(trace.str(), "r1 r3 r0");
    EXPECT_EQ(g_access_count, 3u);
    EXPECT_EQ(Values(A), (std::vector<int>{5, 42, 7, 8, 9}));
}

TEST(SortArrayIterator, IteratorsOfTwoArraysOrderByArrayWithoutAssertion)
{
    SortArray A, B;
    SetValues(A, {1, 2, 3});
    SetValues(B, {1, 2, 3});
    const bool a_first = std::less<const SortArray*>()(&A, &B);
    const SortArrayIterator a2(&A, 2), b0(&B, 0);

    // the array decides before the position
    EXPECT_EQ(a2 < b0, a_first);
    EXPECT_EQ(b0 < a2, !a_first);
    EXPECT_EQ(a2 > b0, !a_first);
    EXPECT_EQ(a2 <= b0, a_first);
    EXPECT_EQ(a2 >= b0, !a_first);
    EXPECT_FALSE(SortArrayIterator(&A, 0) == b0);
    EXPECT_TRUE(SortArrayIterator(&A, 0) != b0);
}

TEST(SortArrayIteratorDeathTest, DifferenceOfTwoArraysIsFatal)
{
    SortArray A, B;
    SetValues(A, {1, 2, 3});
    SetValues(B, {1, 2, 3});
    EXPECT_DEATH((void)(SortArrayEnd(A) - SortArrayBegin(B)), "m_array == r2\\.m_array");
}

// ---------------------------------------------------------------------------
// The three entries

typedef void (*Library)(std::vector<int>&, const std::function<bool(int, int)>&);

struct StdEntry
{
    const char* name;
    Library library; // the same algorithm on a plain vector
};

void PrintTo(const StdEntry& e, std::ostream* os)
{
    *os << e.name;
}

const StdEntry kEntries[] = {
    {"std::sort (gcc)",
     [](std::vector<int>& v, const std::function<bool(int, int)>& less) {
         std::sort(v.begin(), v.end(), less);
     }},
    {"std::stable_sort (gcc)",
     [](std::vector<int>& v, const std::function<bool(int, int)>& less) {
         std::stable_sort(v.begin(), v.end(), less);
     }},
    {"std::sort_heap (gcc)",
     [](std::vector<int>& v, const std::function<bool(int, int)>& less) {
         std::make_heap(v.begin(), v.end(), less);
         std::sort_heap(v.begin(), v.end(), less);
     }},
};

const AlgoListEntry& Find(const char* name)
{
    for (const AlgoListEntry* e = g_algolist; e != g_algolist_end; ++e)
        if (e->name == name) return *e;
    ADD_FAILURE() << "no catalogue entry " << name;
    return g_algolist[0];
}

class StdSortEntry : public ::testing::TestWithParam<StdEntry>
{
protected:
    // Runs the entry on the keys, each tagged with its position, and the
    // library on a plain vector of the same tagged values with a counting
    // comparator: both must end in the same arrangement, equal items
    // included, after the same number of comparisons.
    void ExpectLikeLibrary(const std::vector<int>& keys, const std::string& what)
    {
        SortArray A;
        tags.Fill(A, keys);
        std::vector<int> plain = Values(A);
        A.m_inversions_on = false; // the full recount per access is not the subject here

        Find(GetParam().name).func(A);

        uint64_t comparisons = 0;
        GetParam().library(plain, [&comparisons](int a, int b) {
            ++comparisons;
            return (a >> kShift) < (b >> kShift);
        });
        ASSERT_EQ(Values(A), plain) << what;
        ASSERT_EQ(g_comparison_count, comparisons) << what;
    }

    static const int kShift = 12;
    TaggedKeys tags{kShift};
};

TEST_P(StdSortEntry, SortsLikeTheLibraryOnEveryInputType)
{
    std::vector<size_t> sizes;
    for (size_t n = 1; n <= 300; ++n) sizes.push_back(n);
    sizes.push_back(2048);
    for (unsigned type = 0; type < 6; ++type) {
        for (size_t n : sizes) {
            SortArray input;
            input.FillArray(type, n);
            ExpectLikeLibrary(Values(input), "input type " + std::to_string(type) + ", " +
                                                 std::to_string(n) + " items");
        }
    }
}

TEST_P(StdSortEntry, OneItemCostsNoComparison)
{
    SortArray A;
    SetValues(A, {7});
    TraceRecorder trace(A);
    Find(GetParam().name).func(A);
    EXPECT_EQ(g_comparison_count, 0u);
    EXPECT_EQ(Values(A), std::vector<int>{7});
    if (std::string(GetParam().name) == "std::stable_sort (gcc)") {
        // the library moves the item into its temporary buffer and back
        // before it looks at the length: one read, the second repeats it
        EXPECT_EQ(trace.str(), "r0");
    }
    else {
        EXPECT_EQ(trace.str(), "");
    }
}

TEST_P(StdSortEntry, StopsAtAnyAccess)
{
    SortArray A;
    A.FillArray(0, 200);
    const std::vector<int> input = Values(A);
    A.m_inversions_on = false;
    Find(GetParam().name).func(A);
    const uint64_t total = g_access_count;
    ASSERT_GT(total, 200u);

    for (uint64_t k = 1; k <= total; k += 37) {
        SetValues(A, input);
        A.m_inversions_on = false;
        StopAt stop(A, k);
        EXPECT_THROW(Find(GetParam().name).func(A), SortAbort) << "stop at access " << k;
        EXPECT_EQ(g_access_count, k);
    }
}

INSTANTIATE_TEST_SUITE_P(Std, StdSortEntry, ::testing::ValuesIn(kEntries),
                         [](const ::testing::TestParamInfo<StdEntry>& info) {
                             return ParamName(info.param.name);
                         });

} // namespace
