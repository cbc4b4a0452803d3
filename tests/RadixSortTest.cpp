// The two radix sorts: their exact access order, bucket marks and digit
// counts, and that they never compare. Cycle sort: the exact order of its
// scans, its in-place exchanges through the two references, its
// final-position marks and its two watched variables.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "RoleTrace.h"
#include "SortAlgo.h"

namespace {

struct TraceCase
{
    std::vector<int> input;
    std::string trace;
};

// Runs sort on the case's input in A and checks its role trace and that the
// result is the sorted input.
void ExpectTraceAndSorted(void (*sort)(SortArray&), const TraceCase& c, SortArray& A)
{
    SetValues(A, c.input);
    RoleTrace trace(A);
    sort(A);

    std::vector<int> sorted = c.input;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(trace.str(), c.trace) << c.input.size() << " items";
    EXPECT_EQ(Values(A), sorted);
}

// Worked by hand from the digits. In the traces a set that stores the value
// already in place shows as a read (r), as the recorder cannot tell them apart.
TEST(RadixSortLSD, DistributesByDigitsThroughTheShadowCopy)
{
    // max 6 needs two base-4 digits: 6 = 12, 1 = 01, 4 = 10.
    // Pass 0 (digits 2, 1, 0): buckets start at 0, 1, 2, all marked;
    // 6 goes to 2, 1 stays at 1, 4 goes to 0. Pass 1 on 4, 1, 6 (digits 1, 0,
    // 1): buckets 0 and 1 start at 0 and 1; 4 to 1, 1 to 0, 6 stays at 2.
    SortArray A;
    SetValues(A, {6, 1, 4});
    RoleTrace trace(A);
    RadixSortLSD(A);

    EXPECT_EQ(trace.str(), "r0 r1 r2 m3,3,3 w2 r1 w0 m0,0,0 r0 r1 r2 m3,3,0 w1 w0 r2");
    EXPECT_EQ(Values(A), (std::vector<int>{1, 4, 6}));
    EXPECT_EQ(Marks(A), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(g_comparison_count, 0u);
}

TEST(RadixSortMSD, WalksCyclesInPlaceAndRecursesIntoBuckets)
{
    const TraceCase cases[] = {
        // max 6: pmax 1. Depth 0 (digits 1 0 1 1): bucket 0 is [0, 1), bucket 1
        // [1, 4); position 0 sends 6, 5, 4 to the ends of bucket 1 until 1
        // comes to it, then position 1 finds bucket 1 complete. Depth 1 on
        // 4 5 6 (digits 0 1 2) in [1, 4): nothing moves.
        {{6, 1, 4, 5},
         "m2,0,0,2 r0 r1 r2 r3 m3,0,0,3 r0 s0,3 s0,2 s0,1 r1 "
         "m0,2,0,2 r1 r2 r3 m0,3,3,3 r1 r2 r3"},
        // equal items: n - 1 swaps at every depth, position lo with hi - 1,
        // hi - 2, ..., lo + 1; the repeated reads of lo are not counted
        {{5, 5, 5}, "m2,0,2 r0 r1 r2 m2,0,3 r0 s0,2 s0,1 m2,0,2 r0 r1 r2 m2,0,3 r0 s0,2 s0,1"},
        // one item: marked, its digit counted, nothing to move, no recursion
        {{1}, "m2 r0"},
        {{100}, "m2 r0"},
    };
    for (const TraceCase& c : cases) {
        SortArray A;
        ExpectTraceAndSorted(RadixSortMSD, c, A);
        EXPECT_EQ(Marks(A), std::vector<int>(c.input.size(), 0));
        EXPECT_EQ(g_comparison_count, 0u);
    }
}

// The number of base-4 digits comes from the largest value of the fill: the
// LSD sort makes one pass per digit of max, the MSD sort works through the
// positions pmax = floor(log4(max + 1)) down to 0.
TEST(RadixSort, DigitCountsFollowTheLargestValue)
{
    struct Digits
    {
        int max;
        unsigned passes;
        unsigned pmax;
    };
    const Digits cases[] = {
        {100, 4, 3}, // 1210 in base 4
        {63, 3, 3},  // 333: the top position pmax is 0 for every item
        {64, 4, 3},  // 1000
        {15, 2, 2},  {16, 3, 2}, {3, 1, 1}, {4, 2, 1}, {1, 1, 0},
        {0, 0, 0},   // no digit: the LSD sort makes no pass
    };
    for (const Digits& d : cases) {
        SCOPED_TRACE("max " + std::to_string(d.max));

        // every LSD pass reads each item once and sets each item once
        SortArray A;
        SetValues(A, {d.max, 0, d.max / 2});
        RadixSortLSD(A);
        EXPECT_EQ(g_access_count, 2u * 3u * d.passes);
        EXPECT_EQ(g_comparison_count, 0u);
        if (d.passes > 0) {
            EXPECT_EQ(Values(A), (std::vector<int>{0, d.max / 2, d.max}));
        }

        // on equal items the MSD sort makes n - 1 swaps at each of the
        // depths 0 to pmax
        SortArray B;
        SetValues(B, {d.max, d.max, d.max, d.max});
        TraceRecorder trace(B);
        RadixSortMSD(B);
        std::string swaps, expected;
        for (const std::string& t : trace.tokens)
            if (t[0] == 's') swaps += t + " ";
        for (unsigned depth = 0; depth <= d.pmax; ++depth) expected += "s0,3 s0,2 s0,1 ";
        EXPECT_EQ(swaps, expected);
        EXPECT_EQ(g_comparison_count, 0u);
    }
}

// Worked by hand; the watches show as v<cycleStart>,<pos>. The exchanges
// write through references and pace nothing: a value moved by one shows up
// only in the next scan.
TEST(CycleSort, PlacesEveryItemAtItsCountedPosition)
{
    const TraceCase cases[] = {
        // ascending: every cycle ends at once, with pos = cycleStart
        {{1, 2, 3}, "v0,0 r0 r1 c1 r2 c1 m2,0,0 v1,0 r1 v1,1 r2 c1"},
        // 3 goes to 2 (the test of 3 == A[2] reads the repeated index 2), the
        // displaced 2 to 1, the displaced 1 stays at 0
        {{3, 1, 2},
         "v0,0 r0 r1 c1 v0,1 r2 c2 m0,0,2 v0,0 r1 c1 v0,1 r2 c1 r1 "
         "c2 m0,2,2 v0,0 r2 c1 m2,2,2 v1,0 r1 v1,1 r2 c1"},
        // the first 2 counts one smaller item, finds an equal item at 1 and
        // goes behind it, to 2
        {{2, 2, 1},
         "v0,0 r0 r1 c1 r2 c1 v0,1 r1 c1 v0,2 r2 c1 m0,0,2 v0,0 r1 c1 r2 "
         "c1 m2,0,2 v1,0 r1 v1,1 r2 c1"},
    };
    for (const TraceCase& c : cases) {
        SortArray A;
        ExpectTraceAndSorted(CycleSort, c, A);
        EXPECT_TRUE(A.m_watched.empty());
    }
}

TEST(CycleSort, FinalMarksAndWatchColours)
{
    // the watches: cycleStart in COLOUR_CYCLE_START, pos in COLOUR_POINTER
    struct WatchSpy : SortDelay
    {
        SortArray* A;
        std::vector<int> colours;
        void Pace() override
        {
            if (colours.empty())
                for (const WatchEntry& w : A->m_watched) colours.push_back(w.colour);
        }
    };
    SortArray A;
    SetValues(A, {3, 1, 2});
    WatchSpy spy;
    spy.A = &A;
    A.m_pacer = &spy;
    CycleSort(A);
    A.m_pacer = nullptr;
    EXPECT_EQ(spy.colours, (std::vector<int>{COLOUR_CYCLE_START, COLOUR_POINTER}));
    // a cycle that closes marks its start as well: every position ends marked
    EXPECT_EQ(Marks(A), (std::vector<int>{2, 2, 2}));
}

TEST(CycleSort, AscendingInputMovesNothing)
{
    const size_t n = 50;
    std::vector<int> v;
    for (size_t i = 0; i < n; ++i) v.push_back(static_cast<int>(i + 1));
    SortArray A;
    SetValues(A, v);
    TraceRecorder trace(A);
    CycleSort(A);

    EXPECT_EQ(Values(A), v);
    for (const std::string& t : trace.tokens) EXPECT_NE(t[0], 'w') << t;
    // one scan per cycleStart, each taking the item in hand first
    EXPECT_EQ(g_comparison_count, n * (n - 1) / 2);
    EXPECT_EQ(g_access_count, (n - 1) + n * (n - 1) / 2);
    std::vector<int> marks(n, 2);
    marks.back() = 0; // the last position is never a cycle start
    EXPECT_EQ(Marks(A), marks);
}

TEST(CycleSort, SingleItemOnlyWatches)
{
    SortArray A;
    SetValues(A, {7});
    TraceRecorder trace(A);
    CycleSort(A);
    EXPECT_EQ(trace.str(), "");
    EXPECT_EQ(g_access_count, 0u);
    EXPECT_EQ(Marks(A), (std::vector<int>{0}));
    EXPECT_TRUE(A.m_watched.empty());
}

} // namespace
