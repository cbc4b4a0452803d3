// Bogo, bozo, stooge and slow sort: the marked scan that ends bogo and bozo
// sort, their attempts, their stop, and the exact traces of the two
// recursive sorts.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "RoleTrace.h"
#include "SortAlgo.h"

namespace {

struct TraceCase
{
    std::vector<int> input;
    std::string trace;
};

std::vector<int> Sorted(std::vector<int> v)
{
    std::sort(v.begin(), v.end());
    return v;
}

TEST(BogoCheckSorted, MarksWhatIsInOrderAndClearsAFailedScan)
{
    struct ScanCase
    {
        std::vector<int> input;
        bool sorted;
        std::string trace;
        std::vector<int> marks;
    };
    const ScanCase cases[] = {
        {{5}, true, "r0", {2}}, // no comparison
        {{1, 2, 3}, true, "r0 m2,0,0 r1 c1 m2,2,0 r2 c1", {2, 2, 2}},
        {{4, 4}, true, "r0 m2,0 r1 c1", {2, 2}}, // equal neighbours are in order
        {{2, 1}, false, "r0 m2,0 r1 c1", {0, 0}},
        {{1, 3, 2, 4}, false, "r0 m2,0,0,0 r1 c1 m2,2,0,0 r2 c1", {0, 0, 0, 0}},
    };
    for (const ScanCase& c : cases) {
        SortArray A;
        SetValues(A, c.input);
        RoleTrace trace(A);
        EXPECT_EQ(BogoCheckSorted(A), c.sorted);
        EXPECT_EQ(trace.str(), c.trace);
        EXPECT_EQ(Marks(A), c.marks);
        EXPECT_EQ(Values(A), c.input);
    }
}

struct Randomised
{
    const char* name;
    void (*sort)(SortArray&);
};
const Randomised kRandomised[] = {{"bogo", &BogoSort}, {"bozo", &BozoSort}};

TEST(BogoBozoSort, SortedInputIsOneScan)
{
    for (const Randomised& s : kRandomised) {
        for (size_t n : {1u, 2u, 7u, 300u}) {
            std::vector<int> v;
            for (size_t i = 0; i < n; ++i) v.push_back(static_cast<int>(i / 2 + 1)); // with equal pairs
            SortArray A;
            SetValues(A, v);
            TraceRecorder trace(A);
            s.sort(A);

            EXPECT_EQ(g_comparison_count, n - 1) << s.name << ", " << n << " items";
            EXPECT_EQ(g_access_count, n) << s.name << ", " << n << " items";
            EXPECT_EQ(Values(A), v) << s.name;
            EXPECT_EQ(Marks(A), std::vector<int>(n, 2)) << s.name;
            for (const std::string& t : trace.tokens) ASSERT_NE(t[0], 's') << s.name << ": " << t;
        }
    }
}

// Records the swaps of a run grouped into attempts (the swaps between two
// scans), and whether any swap found a position still marked.
class AttemptRecorder : public TraceRecorder
{
public:
    explicit AttemptRecorder(SortArray& array) : TraceRecorder(array), m_arr(array) {}

    void Pace() override
    {
        const size_t before = tokens.size();
        TraceRecorder::Pace();
        if (tokens.size() == before) return;
        const std::string& t = tokens.back();
        if (t[0] != 's') {
            m_in_attempt = false;
            return;
        }
        if (!m_in_attempt) attempts.emplace_back();
        m_in_attempt = true;
        attempts.back().emplace_back(m_arr.m_latest.index.load(), m_arr.m_partner.index.load());
        for (const auto& m : m_arr.m_mark_colours)
            if (m != 0) marked_at_swap = true;
    }

    std::vector<std::vector<std::pair<size_t, size_t>>> attempts;
    bool marked_at_swap = false;

private:
    SortArray& m_arr;
    bool m_in_attempt = false;
};

// True if the swaps walk the cycles of one permutation as bogo sort applies
// it: each cycle from its smallest unvisited start, every swap (j, perm[j])
// followed by one from perm[j], no position visited twice.
bool IsCycleWalk(const std::vector<std::pair<size_t, size_t>>& swaps, size_t n)
{
    std::vector<bool> visited(n, false);
    size_t k = 0;
    size_t last_start = 0;
    bool first_cycle = true;
    while (k < swaps.size()) {
        const size_t start = swaps[k].first;
        if (visited[start] || (!first_cycle && start <= last_start)) return false;
        first_cycle = false;
        last_start = start;
        size_t j = start;
        while (k < swaps.size() && swaps[k].first == j) {
            const size_t next = swaps[k].second;
            if (next >= n || next == start || visited[next]) return false;
            visited[j] = true;
            j = next;
            ++k;
        }
        visited[j] = true;
    }
    return true;
}

TEST(BogoSort, EachAttemptAppliesOnePermutationCycleByCycle)
{
    const std::vector<int> inputs[] = {{3, 1, 2}, {2, 1, 2, 3}, {5, 4, 3, 2, 1}};
    for (const std::vector<int>& input : inputs) {
        for (int run = 0; run < 10; ++run) {
            SortArray A;
            SetValues(A, input);
            AttemptRecorder rec(A);
            BogoSort(A);

            EXPECT_EQ(Values(A), Sorted(input));
            EXPECT_EQ(Marks(A), std::vector<int>(input.size(), 2));
            EXPECT_FALSE(rec.marked_at_swap) << "a failed scan leaves no mark";
            for (const auto& attempt : rec.attempts) {
                ASSERT_LE(attempt.size(), input.size() - 1);
                ASSERT_TRUE(IsCycleWalk(attempt, input.size()));
            }
        }
    }
}

TEST(BozoSort, EachAttemptIsOneSwap)
{
    const std::vector<int> inputs[] = {{2, 1}, {3, 1, 2}, {2, 2, 1, 3}};
    for (const std::vector<int>& input : inputs) {
        SortArray A;
        SetValues(A, input);
        AttemptRecorder rec(A);
        BozoSort(A);

        EXPECT_EQ(Values(A), Sorted(input));
        EXPECT_EQ(Marks(A), std::vector<int>(input.size(), 2));
        EXPECT_FALSE(rec.marked_at_swap) << "a failed scan leaves no mark";
        ASSERT_FALSE(rec.attempts.empty());
        for (const auto& attempt : rec.attempts) {
            ASSERT_EQ(attempt.size(), 1u);
            ASSERT_LT(attempt[0].first, input.size());
            ASSERT_LT(attempt[0].second, input.size());
        }
    }
}

// On a large array neither ends by itself: the stop point, which throws from
// every paced access once a stop is requested, must end it at once.
TEST(BogoBozoSort, StopAtAPacedAccessUnwindsAtOnce)
{
    for (const Randomised& s : kRandomised) {
        for (size_t stop_at : {1u, 2u, 3u, 4097u, 20001u}) {
            SortArray A;
            A.FillArray(0, 2048);
            const std::vector<int> before = Values(A);
            StopAt stop(A, stop_at);
            EXPECT_THROW(s.sort(A), SortAbort) << s.name;

            EXPECT_EQ(stop.paces, stop_at) << s.name << ": no access after the stop";
            EXPECT_EQ(Sorted(Values(A)), Sorted(before)) << s.name << ": still a permutation";
        }
    }
}

TEST(StoogeSort, SortsTheOuterTwoThirdsThenTheInner)
{
    const TraceCase cases[] = {
        {{7}, "r0 c1"}, // position 0 compared with itself
        {{2, 1}, "r0 r1 c1 s0,1"},
        // 0 and 2 exchanged, marked 3 while [0, 1], [1, 2], [0, 1] run
        {{3, 2, 1}, "r0 r2 c1 s0,2 m3,0,3 r1 c1 r2 c1 r0 r1 c1"},
        // t = 1: [0, 2], [1, 3], [0, 2], each with its own three inner calls
        {{4, 3, 2, 1},
         "r0 r3 c1 s0,3 m3,0,0,3 r2 c1 m3,0,3,3 r0 r1 c1 r2 c1 s1,2 r0 r1 c1 "
         "m0,0,0,3 r3 c1 m0,3,0,3 r1 r2 c1 r3 c1 r1 r2 c1 "
         "m0,0,0,0 r0 r2 c1 m3,0,3,0 r0 r1 c1 r2 c1 r0 r1 c1"},
    };
    for (const TraceCase& c : cases) {
        SortArray A;
        SetValues(A, c.input);
        RoleTrace trace(A);
        StoogeSort(A);
        EXPECT_EQ(trace.str(), c.trace);
        EXPECT_EQ(Values(A), Sorted(c.input));
        EXPECT_EQ(Marks(A), std::vector<int>(c.input.size(), 0));
    }
}

TEST(SlowSort, SettlesTheLargestItemThenSortsTheRest)
{
    const TraceCase cases[] = {
        {{7}, ""},
        {{2, 1}, "r0 r1 c1 s0,1"},
        // position 2 marked 2 while [0, 1] is sorted again
        {{3, 1, 2}, "r0 r1 c1 s0,1 r1 r2 c1 s1,2 m0,0,2 r0 r1 c1"},
        {{4, 3, 2, 1},
         "r0 r1 c1 s0,1 r2 r3 c1 s2,3 r1 r3 c1 s1,3 m0,0,0,2 r0 r1 c1 s0,1 r1 r2 c1 s1,2 "
         "m0,0,2,2 r0 r1 c1 s0,1"},
    };
    for (const TraceCase& c : cases) {
        SortArray A;
        SetValues(A, c.input);
        RoleTrace trace(A);
        SlowSort(A);
        EXPECT_EQ(trace.str(), c.trace);
        EXPECT_EQ(Values(A), Sorted(c.input));
        EXPECT_EQ(Marks(A), std::vector<int>(c.input.size(), 0));
    }
}

} // namespace
