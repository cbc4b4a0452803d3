// The two merge sorts: exact traces with their range marks, the order of the
// merges, and the merge's order of equal items.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "RoleTrace.h"
#include "SortAlgo.h"
#include "Trace.h"

namespace {

struct MergeCase
{
    const char* sort;
    void (*func)(SortArray&);
    std::vector<int> input;
    std::string trace;
    // sounded values, two per comparison, left operand first
    std::vector<int> sounds;
};

TEST(MergeSortTrace, AccessesComparisonsAndMarks)
{
    const MergeCase cases[] = {
        // two items: three reads, one comparison, two writes
        {"MergeSort", &MergeSort, {2, 1}, "m0:2,1:2 r0 r1 c1 r0 m0:2 w0 w1", {2, 1}},
        {"MergeSortIterative", &MergeSortIterative, {2, 1}, "m0:2,1:2 r0 r1 c1 r0 m0:2 w0 w1", {2, 1}},
        {"MergeSort", &MergeSort, {1, 2}, "m0:2,1:2 r0 r1 c1 m0:2 r0 r1", {1, 2}},
        {"MergeSortIterative", &MergeSortIterative, {1, 2}, "m0:2,1:2 r0 r1 c1 m0:2 r0 r1", {1, 2}},
        // (1, 2, 3) then (0, 1, 3); the first ends on a right run of one item
        {"MergeSort", &MergeSort, {3, 1, 2},
         "m1:2,2:2 r1 r2 c1 m1:2 r1 r2 m0:2,1:3,2:2 r0 r1 c1 r0 r2 c1 r0 m0:2,2:2 w0 w1 w2",
         {1, 2, 3, 1, 3, 2}},
        // (0, 1, 2) then (0, 2, 3)
        {"MergeSortIterative", &MergeSortIterative, {3, 1, 2},
         "m0:2,1:2 r0 r1 c1 r0 m0:2 w0 w1 m0:2,2:2 r0 r2 c1 r1 r2 c1 r1 m0:2 r0 w1 w2",
         {3, 1, 1, 2, 3, 2}},
        {"MergeSort", &MergeSort, {4}, "", {}},
        {"MergeSortIterative", &MergeSortIterative, {4}, "", {}},
    };
    for (const MergeCase& c : cases) {
        SortArray A;
        SetValues(A, c.input);
        std::vector<int> sorted = c.input;
        std::sort(sorted.begin(), sorted.end());
        RoleTraceRecorder trace(A);
        SoundCapture sound;
        c.func(A);
        EXPECT_EQ(trace.str(), c.trace) << c.sort << " on " << ::testing::PrintToString(c.input);
        EXPECT_EQ(sound.Values(), c.sounds) << c.sort << " on " << ::testing::PrintToString(c.input);
        EXPECT_EQ(Values(A), sorted) << c.sort;
        EXPECT_EQ(Marks(A), std::vector<int>(c.input.size(), 0)) << c.sort;
    }
}

// Writes down each Merge(lo, mid, hi) from the marks it shows while it reads:
// its ends carry 2 and the start of the right run 3, unless that is the last
// item, whose 2 wins. While writing back, mid is unmarked, which for a right
// run of one item leaves only lo marked.
class MergeCallRecorder : public SortDelay
{
public:
    explicit MergeCallRecorder(SortArray& A) : m_array(A) { m_array.m_pacer = this; }
    ~MergeCallRecorder() { m_array.m_pacer = nullptr; }

    void Pace() override
    {
        const std::vector<int> marks = Marks(m_array);
        int first = -1, last = -1, right = -1;
        for (int i = 0; i < static_cast<int>(marks.size()); ++i) {
            if (marks[i] == 2) {
                if (first < 0) first = i;
                last = i;
            }
            if (marks[i] == 3) right = i;
        }
        ASSERT_GE(first, 0) << "an access outside a merge";
        if (first == last && right < 0) return; // writing back after a one-item right run
        // the first access of a merge sees all three marks; later ones of the
        // same merge see the same ends
        if (!calls.empty() && std::get<0>(calls.back()) == first && std::get<2>(calls.back()) == last + 1)
            return;
        calls.emplace_back(first, right >= 0 ? right : last, last + 1);
    }

    std::vector<std::tuple<int, int, int>> calls;

private:
    SortArray& m_array;
};

TEST(MergeSortOrder, MergesOnFiveItems)
{
    typedef std::tuple<int, int, int> Call;
    struct Case { const char* sort; void (*func)(SortArray&); std::vector<Call> calls; };
    const Case cases[] = {
        {"MergeSortIterative", &MergeSortIterative, {Call(0, 1, 2), Call(2, 3, 4), Call(0, 2, 4), Call(0, 4, 5)}},
        {"MergeSort", &MergeSort, {Call(0, 1, 2), Call(3, 4, 5), Call(2, 3, 5), Call(0, 2, 5)}},
    };
    for (const Case& c : cases) {
        SortArray A;
        SetValues(A, {5, 4, 3, 2, 1});
        MergeCallRecorder recorder(A);
        c.func(A);
        EXPECT_EQ(recorder.calls, c.calls) << c.sort;
        EXPECT_EQ(Values(A), (std::vector<int>{1, 2, 3, 4, 5})) << c.sort;
    }
}

TEST(MergeSortOrder, EqualItemsFromAdjacentRunsSwapPlaces)
{
    TaggedKeys tags;
    for (void (*func)(SortArray&) : {&MergeSort, &MergeSortIterative}) {
        SortArray A;
        tags.Fill(A, {1, 1});
        func(A);
        EXPECT_EQ(Values(A), (std::vector<int>{(1 << 12) | 1, (1 << 12) | 0}));

        // every merge takes the right one first: four equal items end reversed
        tags.Fill(A, {7, 7, 7, 7});
        func(A);
        EXPECT_EQ(Values(A), (std::vector<int>{(7 << 12) | 3, (7 << 12) | 2, (7 << 12) | 1, (7 << 12) | 0}));
    }
}

// Merge on its own: runs of different lengths anywhere in the array, and
// nothing outside lo to hi - 1 touched.
TEST(MergeStep, MergesTwoRunsInPlace)
{
    SortArray A;
    SetValues(A, {9, 2, 5, 8, 1, 3, 4, 9, 0});
    TraceRecorder trace(A);
    Merge(A, 1, 4, 7);
    EXPECT_EQ(Values(A), (std::vector<int>{9, 1, 2, 3, 4, 5, 8, 9, 0}));
    EXPECT_EQ(g_comparison_count, 4u); // 2-1, 2-3, 5-3, 5-4; the left run's rest is copied
    for (const std::string& t : trace.tokens) {
        if (t[0] == 'c') continue;
        const int i = std::stoi(t.substr(1));
        EXPECT_TRUE(i >= 1 && i < 7) << t;
    }
    EXPECT_EQ(Marks(A), std::vector<int>(9, 0));
}

} // namespace
