// Heap sort with its heap-level marks, and smooth sort: exact traces on small
// inputs and the counts on an ascending input.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <string>
#include <vector>

#include "RoleTrace.h"
#include "SortAlgo.h"
#include "Trace.h"

namespace {

struct SortCase
{
    std::vector<int> input;
    std::string trace;
    uint64_t comparisons;
    std::vector<int> final_marks;
    // sounded values, two per comparison, left operand first
    std::vector<int> sounds;
};

void ExpectTrace(void (*func)(SortArray&), const SortCase& c)
{
    SortArray A;
    SetValues(A, c.input);
    std::vector<int> sorted = c.input;
    std::sort(sorted.begin(), sorted.end());
    RoleTraceRecorder trace(A);
    SoundCapture sound;
    func(A);
    const std::string input = ::testing::PrintToString(c.input);
    EXPECT_EQ(trace.str(), c.trace) << input;
    EXPECT_EQ(sound.Values(), c.sounds) << input;
    EXPECT_EQ(g_comparison_count, c.comparisons) << input;
    EXPECT_EQ(Values(A), sorted) << input;
    EXPECT_EQ(Marks(A), c.final_marks) << input;
}

std::vector<int> Ascending(size_t n)
{
    std::vector<int> v(n);
    std::iota(v.begin(), v.end(), 1);
    return v;
}

TEST(HeapSortTrace, AccessesComparisonsAndLevelMarks)
{
    const SortCase cases[] = {
        // one item: only the leaf marks, nothing read
        {{5}, "", 0, {4}, {}},
        {{1, 3, 2},
         "m1:5,2:5 r2 r1 c1 r0 c1 s0,1 m0:4,1:5,2:5 s0,2 m0:4,1:5,2:2 r1 r0 c1 s0,1", 3, {4, 2, 0},
         {2, 3, 3, 1, 1, 2}},
        // the root's sift goes two levels down in the build and in the first extraction
        {{2, 4, 1, 3},
         "m2:5,3:6 r3 r1 c1 m1:5,2:5,3:6 r2 r1 c1 r0 c1 s0,1 r3 r1 c1 s1,3 "
         "m0:4,1:5,2:5,3:6 s0,3 m0:4,1:5,2:5,3:2 r2 r1 c1 r0 c1 s0,1 s0,2 "
         "m0:4,1:5,2:2 r1 r0 c1 s0,1 s0,1", 7, {4, 2, 0, 0},
         {3, 4, 1, 4, 4, 2, 3, 2, 1, 3, 3, 2, 2, 1}},
    };
    for (const SortCase& c : cases) ExpectTrace(&HeapSort, c);
}

// Takes a copy of the marks at the first extraction's swap, when the heap has
// just been built.
class BuiltHeapProbe : public SortDelay
{
public:
    explicit BuiltHeapProbe(SortArray& A) : m_array(A) { m_array.m_pacer = this; }
    ~BuiltHeapProbe() { m_array.m_pacer = nullptr; }

    void Pace() override
    {
        if (!marks.empty()) return;
        if (m_array.m_latest.index == 0 && m_array.m_partner.index == m_array.size() - 1)
            marks = Marks(m_array);
    }

    std::vector<int> marks;

private:
    SortArray& m_array;
};

TEST(HeapSortMarks, LevelsAfterTheBuild)
{
    {
        SortArray A;
        A.FillArray(0, 15);
        BuiltHeapProbe probe(A);
        HeapSort(A);
        EXPECT_EQ(probe.marks, (std::vector<int>{4, 5, 5, 6, 6, 6, 6, 7, 7, 7, 7, 7, 7, 7, 7}));
    }
    {
        // every level up to the deepest of the largest array
        SortArray A;
        A.FillArray(0, 2048);
        A.m_inversions_on = false;
        BuiltHeapProbe probe(A);
        HeapSort(A);
        ASSERT_EQ(probe.marks.size(), 2048u);
        for (size_t t = 0; t < 2048; ++t) {
            int depth = 0;
            for (size_t x = t + 1; x > 1; x >>= 1) ++depth;
            ASSERT_EQ(probe.marks[t], 4 + depth) << "position " << t;
        }
        EXPECT_EQ(probe.marks[2047], 15);
    }
}

TEST(HeapSortMarks, RootAndFirstSortedPositionStayMarked)
{
    for (size_t n : {2u, 3u, 16u, 17u, 100u}) {
        for (unsigned type : {0u, 1u, 2u, 5u}) {
            SortArray A;
            A.FillArray(type, n);
            HeapSort(A);
            std::vector<int> expected(n, 0);
            expected[0] = 4;
            expected[1] = 2;
            EXPECT_EQ(Marks(A), expected) << n << " items, type " << type;
        }
    }
}

TEST(HeapSortCounts, AscendingHundred)
{
    SortArray A;
    SetValues(A, Ascending(100));
    HeapSort(A);
    EXPECT_EQ(g_comparison_count, 1081u);
    EXPECT_EQ(Values(A), Ascending(100));
}

TEST(SmoothSortTrace, Accesses)
{
    const SortCase cases[] = {
        // the final trinkle and its sift: two reads (the second free) and two writes
        {{5}, "r0 r0 r0", 0, {0}, {}},
        {{2, 3, 1}, "r0 r0 r1 r1 r2 r2 r0 c1 r1 c1 w2 w1 r0 r1 r0 c1 w1 w0 r0", 3, {0, 0, 0},
         {1, 2, 2, 3, 2, 1}},
        // sifts that stop at once; a sift down the order-3 heap in the final trinkle
        {{1, 2, 5, 4, 3},
         "r0 r0 r1 r1 r2 r0 c1 r1 c1 r2 r3 r3 r4 r4 r2 c1 r3 c1 r2 w4 r0 c1 r1 c1 w2 "
         "r3 r2 c1 r0 r1 r0 c1", 8, {0, 0, 0, 0, 0},
         {5, 1, 5, 2, 3, 5, 5, 4, 3, 1, 3, 2, 3, 4, 1, 2}},
        // the final trinkle compares both children with the stepson before
        // moving it; then the dequeue's trinkles move roots leftwards
        {{1, 2, 3, 4, 8, 5, 6, 7},
         "r0 r0 r1 r1 r2 r0 c1 r1 c1 r2 r3 r3 r4 r4 r2 c1 r3 c1 r4 r5 r5 r6 r6 "
         "r7 r4 c1 r6 r4 c1 r5 r4 c1 w7 w4 r2 c1 r3 c1 r4 "
         "r5 r4 c1 w5 w4 r2 c1 r3 c1 r4 r6 r5 c1 w6 r4 c1 w5 r5 "
         "r2 r3 r2 c1 r0 r1 r0 c1", 16, std::vector<int>(8, 0),
         {3, 1, 3, 2, 8, 3, 8, 4, 8, 7, 6, 8, 5, 8, 7, 3, 7, 4, 7, 5, 5, 3, 5, 4, 7, 6, 5, 6, 3, 4, 1, 2}},
    };
    for (const SortCase& c : cases) ExpectTrace(&SmoothSort, c);
}

TEST(SmoothSortCounts, AscendingHundredWritesItemsOnlyOntoThemselves)
{
    SortArray A;
    SetValues(A, Ascending(100));
    TraceRecorder trace(A);
    SmoothSort(A);
    EXPECT_EQ(g_comparison_count, 188u);
    // with distinct values any write elsewhere would change a value: w or s
    for (const std::string& t : trace.tokens) EXPECT_TRUE(t[0] == 'r' || t[0] == 'c') << t;
    EXPECT_EQ(Values(A), Ascending(100));
}

TEST(SmoothSort, LeonardoNumbers)
{
    EXPECT_EQ(LeonardoNumbers[0], 1);
    EXPECT_EQ(LeonardoNumbers[1], 1);
    for (int k = 2; k < 43; ++k)
        EXPECT_EQ(LeonardoNumbers[k], LeonardoNumbers[k - 1] + LeonardoNumbers[k - 2] + 1) << k;
    EXPECT_EQ(LeonardoNumbers[9], 109);
    EXPECT_EQ(LeonardoNumbers[42], 866988873);
}

} // namespace
