// The quick sorts and their pivot rules: exact traces of accesses,
// comparisons, marks and watches on small inputs, the pivot rules case by
// case, and every variant under every rule.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "RoleTrace.h"
#include "SortAlgo.h"
#include "Trace.h"

namespace {

// Sets the pivot rule for one test and puts back "First Item" afterwards.
class PivotRule
{
public:
    explicit PivotRule(int rule) { g_pivot_rule = rule; }
    ~PivotRule() { g_pivot_rule = 0; }
};

struct Variant
{
    const char* name;
    void (*func)(SortArray&);
};

const Variant kVariants[] = {
    {"LR", &QuickSortLR},
    {"LL", &QuickSortLL},
    {"TernaryLR", &QuickSortTernaryLR},
    {"TernaryLL", &QuickSortTernaryLL},
    {"DualPivot", &QuickSortDualPivot},
};

TEST(PivotRules, NamesInIndexOrder)
{
    const wxArrayString names = PivotRuleNames();
    ASSERT_EQ(names.size(), 5u);
    EXPECT_EQ(names[0], "First Item");
    EXPECT_EQ(names[1], "Last Item");
    EXPECT_EQ(names[2], "Middle Item");
    EXPECT_EQ(names[3], "Random Item");
    EXPECT_EQ(names[4], "Median of Three");
}

// The position rules read nothing and compare nothing.
TEST(PivotRules, PositionRules)
{
    struct Case { int rule; int64_t lo, hi, expected; };
    const Case cases[] = {
        {0, 2, 7, 2}, {1, 2, 7, 6}, {2, 2, 7, 4}, {2, 0, 4, 2}, {2, 3, 4, 3},
        {5, 2, 7, 2}, {-1, 2, 7, 2}, // an unknown rule picks the first item
    };
    SortArray A;
    SetValues(A, {8, 7, 6, 5, 4, 3, 2, 1});
    for (const Case& c : cases) {
        PivotRule rule(c.rule);
        TraceRecorder trace(A);
        EXPECT_EQ(QuickSortSelectPivot(A, c.lo, c.hi), c.expected) << "rule " << c.rule;
        EXPECT_EQ(trace.str(), "") << "rule " << c.rule;
    }
}

TEST(PivotRules, RandomItemDrawsFromRand)
{
    PivotRule rule(3);
    SortArray A;
    SetValues(A, {8, 7, 6, 5, 4, 3, 2, 1});
    for (unsigned seed : {1u, 7u, 12345u}) {
        srand(seed);
        const int r1 = rand(), r2 = rand();
        srand(seed);
        EXPECT_EQ(QuickSortSelectPivot(A, 1, 8), 1 + r1 % 7);
        EXPECT_EQ(QuickSortSelectPivot(A, 2, 5), 2 + r2 % 3);
        // a range of one item leaves no choice
        EXPECT_EQ(QuickSortSelectPivot(A, 4, 5), 4);
    }
}

TEST(PivotRules, MedianOfThree)
{
    PivotRule rule(4);
    // the three equality tests, then both order tests, then the decider if needed
    const std::string equal_tests = "r0 r1 c1 r0 r2 c1 r1 r2 c1";
    const std::string order_tests = equal_tests + " r0 r1 c1 r2 c1";
    const std::string decided = order_tests + " r0 r2 c1";
    struct Case { std::vector<int> values; int64_t lo, hi, expected; std::string trace; };
    const Case cases[] = {
        {{2, 2, 1}, 0, 3, 0, "r0 r1 c1"},               // first equals middle
        {{2, 1, 2}, 0, 3, 2, "r0 r1 c1 r0 r2 c1"},      // first equals last
        {{1, 2, 2}, 0, 3, 2, equal_tests},              // middle equals last
        {{1, 2, 3}, 0, 3, 1, order_tests},
        {{1, 3, 2}, 0, 3, 2, decided},
        {{2, 3, 1}, 0, 3, 0, decided},
        {{2, 1, 3}, 0, 3, 0, decided},
        {{3, 1, 2}, 0, 3, 2, decided},
        {{3, 2, 1}, 0, 3, 1, order_tests},
        {{5}, 0, 1, 0, "r0 c1"},                        // one item: itself, once
        {{1, 2}, 0, 2, 1, "r0 r1 c1 r0 r1 c2"},         // two items: middle is last
        {{9, 9, 1, 9, 2, 9, 3, 9}, 2, 7, 4, "r2 r4 c1 r2 r6 c1 r4 r6 c1 r2 r4 c1 r6 c1"},
    };
    for (const Case& c : cases) {
        SortArray A;
        SetValues(A, c.values);
        TraceRecorder trace(A);
        EXPECT_EQ(QuickSortSelectPivot(A, c.lo, c.hi), c.expected) << ::testing::PrintToString(c.values);
        EXPECT_EQ(trace.str(), c.trace) << ::testing::PrintToString(c.values);
        EXPECT_EQ(Values(A), c.values);
    }

    // left operands: the first position before the middle one before the last
    struct SoundCase { std::vector<int> values; std::vector<int> sounds; };
    const SoundCase sound_cases[] = {
        {{1, 3, 2}, {1, 3, 1, 2, 3, 2, 1, 3, 3, 2, 1, 2}},
        {{3, 1, 2}, {3, 1, 3, 2, 1, 2, 3, 1, 1, 2, 3, 2}},
    };
    for (const SoundCase& c : sound_cases) {
        SortArray A;
        SetValues(A, c.values);
        SoundCapture sound;
        QuickSortSelectPivot(A, 0, 3);
        EXPECT_EQ(sound.Values(), c.sounds) << ::testing::PrintToString(c.values);
    }
}

// Full traces under "First Item". Marks are always shown; watches in the
// second table.
struct TraceCase
{
    const char* variant;
    void (*func)(SortArray&);
    std::vector<int> input;
    std::string trace;
    uint64_t comparisons;
    // sounded values, two per comparison, left operand first
    std::vector<int> sounds = {};
};

TEST(QuickSortTrace, FirstItemPivot)
{
    const TraceCase cases[] = {
        {"LR", &QuickSortLR, {2, 3, 1},
         "r0 c1 r2 c1 s0,2 r1 c2 r0 c1 r1 c1 r2 c1 s1,2", 7,
         {2, 2, 1, 2, 3, 2, 3, 2, 1, 2, 3, 3, 2, 3}},
        {"LL", &QuickSortLL, {3, 1, 4, 2},
         "r0 s0,3 c1 m3:2 s0,0 r1 c1 s1,1 r2 c1 s2,3 m- r0 s0,1 c1 m1:2 s0,0 s1,1", 4,
         {2, 3, 1, 3, 4, 3, 1, 2}},
        {"TernaryLR", &QuickSortTernaryLR, {2, 3, 1, 2, 3, 2},
         "s0,5 m5:2 r5 r0 c1 m0:4,5:2 s0,0 r1 c1 r4 c1 r3 c1 m0:4,4:4,5:2 s3,4 r2 c1 s1,2 "
         "s2,5 m0:4,2:2,4:4 s0,1 m1:4,2:2,4:4 s3,4 m- s4,5 m5:2 r5 r4 c1 m4:4,5:2 s4,4 s5,5", 6,
         {2, 2, 3, 2, 3, 2, 2, 2, 1, 2, 3, 3}},
        // no less item, and as many equal items at the right end as greater
        // ones: nothing needs to move after the pivot's swap
        {"TernaryLR", &QuickSortTernaryLR, {2, 3, 2, 2},
         "s0,3 m3:2 r3 r0 c1 m0:4,3:2 s0,0 r1 c1 r2 c1 m0:4,2:4,3:2 s2,2 r1 c1 s1,3", 4,
         {2, 2, 3, 2, 2, 2, 3, 2}},
        {"TernaryLL", &QuickSortTernaryLL, {3, 4, 3, 2, 1},
         "r0 s0,4 c1 m4:2 s0,0 r1 c1 r2 c1 s3,2 m3:4,4:2 r2 c1 s1,2 s2,4 m2:2,3:4 s3,3 "
         "m- r0 s0,1 c1 m1:2 s0,1", 5,
         {1, 3, 4, 3, 3, 3, 2, 3, 2, 1}},
        {"DualPivot", &QuickSortDualPivot, {3, 1, 5, 4, 2},
         "r0 r4 c1 s0,4 r4 m0:2,4:2 r1 c1 s1,1 r2 c2 r3 c1 r2 c1 s2,2 c1 s0,1 s4,2 "
         "m- r3 r4 c1 r3 r4 m3:2,4:2 s3,3 s4,4", 8,
         {3, 2, 1, 2, 5, 2, 5, 3, 4, 3, 5, 3, 5, 2, 4, 5}},
    };
    for (const TraceCase& c : cases) {
        SortArray A;
        SetValues(A, c.input);
        std::vector<int> sorted = c.input;
        std::sort(sorted.begin(), sorted.end());
        RoleTraceRecorder trace(A);
        SoundCapture sound;
        c.func(A);
        EXPECT_EQ(trace.str(), c.trace) << c.variant;
        EXPECT_EQ(g_comparison_count, c.comparisons) << c.variant;
        EXPECT_EQ(sound.Values(), c.sounds) << c.variant;
        EXPECT_EQ(Values(A), sorted) << c.variant;
        EXPECT_EQ(Marks(A), std::vector<int>(c.input.size(), 0)) << c.variant;
        EXPECT_TRUE(A.m_watched.empty()) << c.variant;
    }
}

TEST(QuickSortTrace, WatchedPointers)
{
    const TraceCase cases[] = {
        // p in COLOUR_PIVOT (2), then i and j in COLOUR_POINTER (3)
        {"LR", &QuickSortLR, {2, 3, 1},
         "r0 c1 W2:0,3:0,3:2 r2 c1 s0,2 W2:2,3:1,3:1 r1 c2 W2:2,3:1,3:0 r0 c1 "
         "W- r1 c1 W2:1,3:1,3:2 r2 c1 s1,2", 7},
        // i only
        {"LL", &QuickSortLL, {3, 1, 4, 2},
         "r0 s0,3 c1 m3:2 W3:0 s0,0 W3:1 r1 c1 s1,1 W3:2 r2 c1 s2,3 m- W- r0 s0,1 "
         "c1 m1:2 W3:0 s0,0 W3:1 s1,1", 4},
        // i and j; they keep moving through the exchanges after the partition
        {"TernaryLR", &QuickSortTernaryLR, {2, 3, 1, 2, 3, 2},
         "s0,5 m5:2 r5 W3:0,3:4 r0 c1 m0:4,5:2 s0,0 W3:1,3:4 r1 c1 r4 c1 W3:1,3:3 r3 c1 "
         "m0:4,4:4,5:2 s3,4 W3:1,3:2 r2 c1 s1,2 W3:2,3:1 s2,5 m0:4,2:2,4:4 W3:3,3:1 s0,1 "
         "m1:4,2:2,4:4 W3:3,3:0 s3,4 m- W- s4,5 m5:2 r5 W3:4,3:4 r4 c1 m4:4,5:2 s4,4 "
         "W3:5,3:4 s5,5", 6},
        // i only, and gone before the equal items move to the middle; in the
        // second partition it is watched only between two paced accesses
        {"TernaryLL", &QuickSortTernaryLL, {3, 4, 3, 2, 1},
         "r0 s0,4 c1 m4:2 W3:0 s0,0 W3:1 r1 c1 r2 c1 s3,2 m3:4,4:2 r2 c1 s1,2 "
         "W- s2,4 m2:2,3:4 s3,3 m- r0 s0,1 c1 m1:2 s0,1", 5},
        // l, g and k
        {"DualPivot", &QuickSortDualPivot, {3, 1, 5, 4, 2},
         "r0 r4 c1 s0,4 r4 m0:2,4:2 W3:1,3:3,3:1 r1 c1 s1,1 W3:2,3:3,3:2 r2 c2 r3 c1 "
         "W3:2,3:2,3:2 r2 c1 s2,2 c1 W3:1,3:2,3:3 s0,1 s4,2 m- W- r3 r4 c1 r3 r4 "
         "m3:2,4:2 W3:3,3:4,3:4 s3,3 s4,4", 8},
    };
    for (const TraceCase& c : cases) {
        SortArray A;
        SetValues(A, c.input);
        RoleTraceRecorder trace(A, true);
        c.func(A);
        EXPECT_EQ(trace.str(), c.trace) << c.variant;
        EXPECT_EQ(g_comparison_count, c.comparisons) << c.variant;
    }
}

// With the pivot at j, the watch on p follows the pivot item to i.
TEST(QuickSortTrace, LRWatchFollowsPivotFromRight)
{
    PivotRule rule(1);
    SortArray A;
    SetValues(A, {3, 1, 2});
    RoleTraceRecorder trace(A, true);
    QuickSortLR(A);
    EXPECT_EQ(trace.str(), "r2 W2:2,3:0,3:2 r0 c1 r2 c1 s0,2 W2:0,3:1,3:1 r1 c1 W2:0,3:2,3:1 r2 c1 "
                           "r1 c1 W2:1,3:0,3:1 r0 c1 r1 c1 s0,1");
    EXPECT_EQ(g_comparison_count, 7u);
    EXPECT_EQ(Values(A), (std::vector<int>{1, 2, 3}));
}

TEST(QuickSortEdges, OneItem)
{
    for (int rule : {0, 4}) {
        PivotRule pr(rule);
        for (const Variant& v : kVariants) {
            SortArray A;
            SetValues(A, {7});
            TraceRecorder trace(A);
            v.func(A);
            // LR: the pivot read, A[0] < pivot and A[0] > pivot, then a swap
            // with itself; median of three adds one comparison of 0 with itself
            const std::string expected =
                std::string(v.name) != "LR" ? "" : (rule == 0 ? "r0 c2 s0,0" : "r0 c3 s0,0");
            EXPECT_EQ(trace.str(), expected) << v.name << ", rule " << rule;
            EXPECT_EQ(Marks(A), std::vector<int>{0}) << v.name;
        }
    }
}

TEST(QuickSortEdges, AllEqualTernaryIsOnePartition)
{
    for (int rule = 0; rule < 5; ++rule) {
        PivotRule pr(rule);
        for (void (*func)(SortArray&) : {&QuickSortTernaryLR, &QuickSortTernaryLL}) {
            for (size_t n : {2u, 3u, 10u, 33u}) {
                SortArray A;
                SetValues(A, std::vector<int>(n, 5));
                const uint64_t rule_comparisons = (rule == 4) ? 1 : 0; // first equals middle
                func(A);
                // every item but the pivot is compared with it once, and no
                // recursive call compares anything
                EXPECT_EQ(g_comparison_count, rule_comparisons + (n - 1)) << "rule " << rule << ", " << n;
            }
        }
    }
}

TEST(QuickSortEdges, AscendingLLFirstItemLeavesEveryPartitionUnchanged)
{
    const size_t n = 12;
    SortArray A;
    std::vector<int> input(n);
    std::iota(input.begin(), input.end(), 1);
    SetValues(A, input);
    TraceRecorder trace(A);
    QuickSortLL(A);
    EXPECT_EQ(g_comparison_count, n * (n - 1) / 2);

    // each partition of lo to n swaps its pivot to the end and back, nothing else
    std::vector<std::string> swaps, expected;
    for (const std::string& t : trace.tokens)
        if (t[0] == 's') swaps.push_back(t);
    for (size_t lo = 0; lo + 1 < n; ++lo) {
        const std::string s = "s" + std::to_string(lo) + "," + std::to_string(n - 1);
        expected.push_back(s);
        expected.push_back(s);
    }
    EXPECT_EQ(swaps, expected);
    EXPECT_EQ(Values(A), input);
}

TEST(QuickSortRules, EveryVariantSortsUnderEveryRule)
{
    srand(99);
    for (int rule = 0; rule < 5; ++rule) {
        PivotRule pr(rule);
        for (const Variant& v : kVariants) {
            for (unsigned type = 0; type < 6; ++type) {
                for (size_t n : {1u, 2u, 3u, 4u, 5u, 8u, 13u, 31u, 64u, 200u}) {
                    SortArray A;
                    A.FillArray(type, n);
                    A.m_inversions_on = false;
                    std::vector<int> expected = Values(A);
                    std::sort(expected.begin(), expected.end());
                    v.func(A);
                    ASSERT_EQ(Values(A), expected) << v.name << ", rule " << rule << ", type " << type
                                                   << ", " << n << " items";
                    ASSERT_TRUE(A.m_watched.empty()) << v.name;
                    ASSERT_EQ(Marks(A), std::vector<int>(n, 0)) << v.name;
                }
            }
        }
    }
}

TEST(QuickSortRules, RuleChangesComparisonsExceptDualPivot)
{
    std::vector<int> input(60);
    std::iota(input.begin(), input.end(), 1);
    std::shuffle(input.begin(), input.end(), std::mt19937(4242));

    for (const Variant& v : kVariants) {
        std::vector<uint64_t> counts;
        for (int rule = 0; rule < 5; ++rule) {
            PivotRule pr(rule);
            srand(5);
            SortArray A;
            SetValues(A, input);
            v.func(A);
            counts.push_back(g_comparison_count);
        }
        const bool dual = std::string(v.name) == "DualPivot";
        for (int rule = 1; rule < 5; ++rule) {
            if (dual)
                EXPECT_EQ(counts[rule], counts[0]) << v.name << ", rule " << rule;
            else
                EXPECT_NE(counts[rule], counts[0]) << v.name << ", rule " << rule;
        }
    }
}

} // namespace
