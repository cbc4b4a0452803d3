// Cycle sort: the exact order of its scans, its in-place exchanges through the
// two references, its final-position marks and its two watched variables.
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
    std::string trace; // v<cycleStart>,<pos>
};

// Worked by hand. The exchanges write through references and pace nothing: a
// value moved by one shows up only in the next scan.
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
        SetValues(A, c.input);
        RoleTrace trace(A);
        CycleSort(A);

        std::vector<int> sorted = c.input;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(trace.str(), c.trace);
        EXPECT_EQ(Values(A), sorted);
        EXPECT_TRUE(A.m_watched.empty());
    }
}

TEST(CycleSort, FinalMarksAndWatchColours)
{
    // the watches: cycleStart in 16, pos in 3
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
    EXPECT_EQ(spy.colours, (std::vector<int>{16, 3}));
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
