// The elementary sorts: their exact sequences of accesses and comparisons on
// a small input, their counts on sorted input, and their marks.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "SortAlgo.h"
#include "Trace.h"

namespace {

struct TraceCase
{
    const char* name;
    void (*func)(SortArray&);
    std::vector<int> input;
    const char* trace; // worked out by hand from each algorithm's steps
};

// Input 3 1 2 for all: r/w = counted access, s = swap, c = comparisons.
void PrintTo(const TraceCase& c, std::ostream* os)
{
    *os << c.name;
}

const TraceCase kTraces[] = {
    {"Selection", SelectionSort, {3, 1, 2}, "r1 r0 c1 r2 r1 c1 s0,1 r2 r1 c1 s1,2"},
    {"Insertion", InsertionSort, {3, 1, 2}, "r1 r0 c1 s0,1 r2 r1 c1 s1,2 r0 c1"},
    {"BinaryInsertion", BinaryInsertionSort, {3, 1, 2}, "r1 r0 c1 s0,1 r2 r1 c1 r0 c1 s1,2"},
    {"Bubble", BubbleSort, {3, 1, 2}, "r0 r1 c1 s0,1 r1 r2 c1 s1,2 r0 r1 c1"},
    {"CocktailShaker", CocktailShakerSort, {3, 1, 2}, "r1 r2 c1 r0 r1 c1 s0,1 r1 r2 c1 s1,2"},
    // after swap(1, 0) index 1 is the latest access, so re-reading it is free
    {"Gnome", GnomeSort, {3, 1, 2}, "r1 r0 c1 s1,0 r0 c1 r2 r1 c1 s2,1 r1 r0 c1 r2 r1 c1"},
    // gaps 2, 1, 1
    {"Comb", CombSort, {3, 1, 2}, "r0 r2 c1 s0,2 r1 c1 s0,1 r1 r2 c1 r0 r1 c1 r2 c1"},
    // gap 3 is skipped for 3 items; A[j - h] is read again as the source of set
    {"Shell", ShellSort, {3, 1, 2}, "r1 r0 c1 w1 w0 r2 r1 c1 w2 r0 c1 w1"},
    {"OddEven", OddEvenSort, {3, 1, 2}, "r1 r2 c1 r0 r1 c1 s0,1 r1 r2 c1 s1,2 r0 r1 c1 r2 c1 r0 r1 c1"},
    // 4 3 2 1: both passes of the shaker, mov carried from pass to pass
    {"CocktailShaker4", CocktailShakerSort, {4, 3, 2, 1},
     "r2 r3 c1 s2,3 r1 r2 c1 s1,2 r0 r1 c1 s0,1 r1 r2 c1 s1,2 r2 r3 c1 s2,3 r1 r2 c1 s1,2"},
};

class ElementaryTrace : public ::testing::TestWithParam<TraceCase>
{
};

TEST_P(ElementaryTrace, FollowsItsStepsExactly)
{
    const TraceCase& c = GetParam();
    SortArray A;
    SetValues(A, c.input);
    TraceRecorder trace(A);
    c.func(A);
    EXPECT_EQ(trace.str(), c.trace);
    std::vector<int> sorted = c.input;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(Values(A), sorted);
}

INSTANTIATE_TEST_SUITE_P(Elementary, ElementaryTrace, ::testing::ValuesIn(kTraces),
                         [](const ::testing::TestParamInfo<TraceCase>& info) {
                             return std::string(info.param.name);
                         });

struct CountCase
{
    const char* name;
    void (*func)(SortArray&);
    uint64_t comparisons;
    uint64_t accesses;
};

// 10 items already ascending. Accesses: two per comparison, except where the
// left operand is the index read last (free) and the swaps' two each.
const CountCase kAscendingCounts[] = {
    {"Selection", SelectionSort, 45, 45 * 2 + 9 * 2}, // and 9 swaps of a position with itself
    {"Insertion", InsertionSort, 9, 9 * 2},           // the key, then its left neighbour
    {"Bubble", BubbleSort, 45, 45 + 9},               // each pass: one more than its comparisons
    {"CocktailShaker", CocktailShakerSort, 18, 18 + 10}, // one pass each way
    {"OddEven", OddEvenSort, 9, 9 * 2},
};

TEST(ElementaryCounts, OnAscendingInput)
{
    for (const CountCase& c : kAscendingCounts) {
        SortArray A;
        A.FillArray(1, 10);
        c.func(A);
        EXPECT_EQ(g_comparison_count, c.comparisons) << c.name;
        EXPECT_EQ(g_access_count, c.accesses) << c.name;
        EXPECT_EQ(A.m_inversion_count, 0) << c.name;
    }
}

TEST(ElementaryCounts, OneItemMakesNoComparisonAndNoAccess)
{
    for (auto func : {SelectionSort, InsertionSort, BinaryInsertionSort, BubbleSort, CocktailShakerSort,
                      GnomeSort, CombSort, ShellSort, OddEvenSort}) {
        SortArray A;
        A.FillArray(0, 1);
        func(A);
        EXPECT_EQ(g_comparison_count, 0u);
        EXPECT_EQ(g_access_count, 0u);
        EXPECT_TRUE(A.m_watched.empty()); // selection sort's watch is gone again
    }
}

TEST(ElementaryCounts, CombSortOnTwoItemsPassesOnceInOrderTwiceOtherwise)
{
    SortArray A;
    SetValues(A, {1, 2});
    CombSort(A);
    EXPECT_EQ(g_comparison_count, 1u);
    SetValues(A, {2, 1});
    CombSort(A);
    EXPECT_EQ(g_comparison_count, 2u);
}

TEST(ElementaryCounts, ShellSortUsesTheGapsBelowTheSizeLargestFirst)
{
    // the first step of a gap h reads A[h], then A[0]
    SortArray A;
    A.FillArray(1, 100);
    TraceRecorder trace(A);
    ShellSort(A);
    const std::string t = trace.str();
    size_t at = 0;
    for (const char* start : {"r48 r0 ", "r21 r0 ", "r7 r0 ", "r3 r0 ", "r1 r0 "}) {
        const size_t found = t.find(start, at);
        ASSERT_NE(found, std::string::npos) << start;
        at = found + 1;
    }
    EXPECT_EQ(t.rfind("r48 r0 "), t.find("r48 r0 ")) << "gap 48 ran once";
    EXPECT_EQ(t.find("r112 "), std::string::npos);
    EXPECT_EQ(t.compare(0, 7, "r48 r0 "), 0);
}

TEST(ElementaryMarks, SelectionSortLeavesOnlyTheSecondToLastMarked)
{
    for (size_t n : {2u, 3u, 17u}) {
        SortArray A;
        A.FillArray(0, n);
        SelectionSort(A);
        std::vector<int> expected(n, 0);
        expected[n - 2] = 2;
        EXPECT_EQ(Marks(A), expected) << n;
        EXPECT_TRUE(A.m_watched.empty());
    }
}

TEST(ElementaryMarks, InsertionSortsMarkTheItemBeingPlaced)
{
    for (auto func : {InsertionSort, BinaryInsertionSort}) {
        SortArray A;
        SetValues(A, {2, 3, 1});
        struct Probe : SortDelay {
            SortArray* a;
            std::vector<std::vector<int>> marks;
            void Pace() override { marks.push_back(Marks(*a)); }
        } probe;
        probe.a = &A;
        A.m_pacer = &probe;
        func(A);
        A.m_pacer = nullptr;
        // the key is read before its mark is set; every later access sees it
        ASSERT_GE(probe.marks.size(), 3u);
        EXPECT_EQ(probe.marks[0], (std::vector<int>{0, 0, 0}));
        EXPECT_EQ(probe.marks[1], (std::vector<int>{0, 2, 0}));
        EXPECT_EQ(probe.marks.back(), (std::vector<int>{0, 0, 2}));
        EXPECT_EQ(Marks(A), (std::vector<int>{0, 0, 0}));
    }
}

TEST(ElementaryStability, BinaryInsertionGoesInFrontOfEqualsInsertionBehind)
{
    TaggedKeys tags;
    SortArray A;
    tags.Fill(A, {5, 5});
    InsertionSort(A);
    EXPECT_TRUE(tags.Stable(A));
    tags.Fill(A, {5, 5});
    BinaryInsertionSort(A);
    EXPECT_FALSE(tags.Stable(A));
    EXPECT_EQ(tags.Keys(A), (std::vector<int>{5, 5}));
}

} // namespace
