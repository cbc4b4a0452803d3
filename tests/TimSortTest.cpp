// Tim sort: results and stability on every input, the visible run and merge
// behaviour, and exact traces of small inputs and single merges, worked out
// from the algorithm's steps.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "ParamName.h"
#include "SortAlgo.h"
#include "Trace.h"
#include "algorithms/timsort.h"

using timsort::TimSortObserver;
// the state of one sort; TimSort(A) is the catalogue entry
typedef timsort::TimSort State;

namespace {

// Writes down what the sort's state looks like at each turning point.
class StateLog : public TimSortObserver
{
public:
    void Notice(Stage stage, const State& ts) override
    {
        switch (stage) {
        case Created:
            ++created;
            created_gallop = ts.minGallop_;
            created_empty = ts.pending_.empty() && ts.tmp_.empty() && ts.tmp_.capacity() == 0;
            break;
        case RunPushed:
            runs.push_back(ts.pending_.back().len);
            break;
        case TmpFilled:
            largest_copy = std::max(largest_copy, ts.tmp_.size());
            if (ts.tmp_.capacity() != largest_copy) exact_growth = false;
            ++copies;
            stacks.emplace_back();
            for (const timsort::Run& run : ts.pending_) stacks.back().push_back(run.len);
            break;
        case GallopStored:
            stored_gallops.push_back(ts.minGallop_);
            break;
        }
    }

    int created = 0;
    int32_t created_gallop = 0;
    bool created_empty = false;
    std::vector<int64_t> runs;
    size_t largest_copy = 0;
    bool exact_growth = true;
    int copies = 0;
    std::vector<std::vector<int64_t>> stacks; // the stack at each copy
    std::vector<int32_t> stored_gallops;
};

void Sort(SortArray& A, StateLog* log = nullptr)
{
    State::sort(SortArrayBegin(A), SortArrayEnd(A), log);
}

std::vector<int> Iota(int from, int to)
{
    std::vector<int> v;
    for (int i = from; i <= to; ++i) v.push_back(i);
    return v;
}

// Builds an expected trace token by token.
class Tokens
{
public:
    Tokens& operator()(const std::string& t)
    {
        s += (s.empty() ? "" : " ") + t;
        return *this;
    }
    Tokens& r(int64_t i) { return (*this)("r" + std::to_string(i)); }
    Tokens& c(int k) { return (*this)("c" + std::to_string(k)); }
    std::string s;
};

// ---------------------------------------------------------------------------
// Results

TEST(TimSort, SortsEveryInputTypeStably)
{
    std::vector<size_t> sizes;
    for (size_t n = 1; n <= 300; ++n) sizes.push_back(n);
    sizes.push_back(2048);

    TaggedKeys tags;
    for (unsigned type = 0; type < 6; ++type) {
        for (size_t n : sizes) {
            SortArray input;
            input.FillArray(type, n);
            std::vector<int> keys = Values(input);
            if (type == 0) {
                // few distinct keys, so that stability shows
                for (int& k : keys) k = 1 + k % 7;
            }

            SortArray A;
            tags.Fill(A, keys);
            A.m_inversions_on = false; // the full recount per access is not the subject here
            TimSort(A);

            std::vector<int> sorted = keys;
            std::sort(sorted.begin(), sorted.end());
            ASSERT_EQ(tags.Keys(A), sorted) << "input type " << type << ", " << n << " items";
            ASSERT_TRUE(tags.Stable(A)) << "input type " << type << ", " << n << " items";
        }
    }
}

TEST(TimSort, MinimumRunLengths)
{
    const struct { int64_t n, minRun; } cases[] = {
        {32, 16}, {33, 17}, {63, 32}, {64, 16}, {65, 17}, {100, 25}, {2048, 16}, {2049, 17},
        {1 << 30, 16}, {(int64_t(1) << 40) - 1, 32},
    };
    for (const auto& c : cases) EXPECT_EQ(State::minRunLength(c.n), c.minRun) << c.n;
}

// ---------------------------------------------------------------------------
// Runs

TEST(TimSort, ShortArraysNeedNoStateAndNoMerge)
{
    SortArray A;
    SetValues(A, {4, 2});
    TraceRecorder trace(A);
    // an empty range and a single item: nothing at all
    State::sort(SortArrayBegin(A), SortArrayBegin(A));
    State::sort(SortArrayBegin(A), SortArrayBegin(A) + 1);
    EXPECT_EQ(trace.str(), "");

    std::mt19937 rng(7);
    for (size_t n = 2; n < 32; ++n) {
        std::vector<int> v = Iota(1, static_cast<int>(n));
        std::shuffle(v.begin(), v.end(), rng);
        SetValues(A, v);
        StateLog log;
        Sort(A, &log);
        EXPECT_EQ(log.created, 0) << n;
        EXPECT_EQ(Values(A), Iota(1, static_cast<int>(n)));
    }

    // from 32 items on, runs of at least the minimum length are merged
    std::vector<int> v = Iota(1, 32);
    std::shuffle(v.begin(), v.end(), rng);
    v[0] = 2, v[1] = 1; // the first natural run is short
    v[16] = 6, v[17] = 5;
    std::vector<int> sorted = v;
    std::sort(sorted.begin(), sorted.end());
    SetValues(A, v);
    StateLog log;
    Sort(A, &log);
    EXPECT_EQ(log.created, 1);
    EXPECT_EQ(log.created_gallop, 7);
    EXPECT_TRUE(log.created_empty);
    EXPECT_EQ(log.runs, (std::vector<int64_t>{16, 16}));
    EXPECT_EQ(Values(A), sorted);
}

TEST(TimSort, AscendingInputIsOneRunReadOnce)
{
    for (int n : {2, 3, 31, 32, 33, 100, 2048}) {
        SortArray A;
        SetValues(A, Iota(1, n));
        A.m_inversions_on = false;
        StateLog log;
        Sort(A, &log);
        EXPECT_EQ(g_comparison_count, uint64_t(n - 1)) << n;
        // each neighbour pair read once, the upper item first
        EXPECT_EQ(g_access_count, uint64_t(2 * n - 2)) << n;
        EXPECT_EQ(Values(A), Iota(1, n));
        EXPECT_EQ(log.created, n >= 32 ? 1 : 0);
        if (n >= 32) {
            EXPECT_EQ(log.runs, std::vector<int64_t>{n}) << n;
            EXPECT_EQ(log.copies, 0) << n;
        }
    }
}

TEST(TimSort, StrictlyDescendingInputIsOneRunReversed)
{
    for (int n : {3, 4, 31, 32, 33, 100, 2047, 2048}) {
        SortArray A;
        std::vector<int> v = Iota(1, n);
        std::reverse(v.begin(), v.end());
        SetValues(A, v);
        A.m_inversions_on = false;
        StateLog log;
        Sort(A, &log);
        EXPECT_EQ(g_comparison_count, uint64_t(n - 1)) << n;
        // the run read as for ascending input, then n / 2 exchanges
        EXPECT_EQ(g_access_count, uint64_t(2 * n - 2 + 2 * (n / 2))) << n;
        EXPECT_EQ(Values(A), Iota(1, n));
        if (n >= 32) {
            EXPECT_EQ(log.runs, std::vector<int64_t>{n}) << n;
            EXPECT_EQ(log.copies, 0) << n;
        }
    }
}

TEST(TimSort, DescendingPairsOfEqualItemsAreNotOneRun)
{
    // 50, 50, 49, 49, ..., 1, 1: a run is reversed only when strictly
    // descending, so the equal neighbours keep their order
    std::vector<int> keys;
    for (int k = 50; k >= 1; --k) keys.insert(keys.end(), {k, k});
    TaggedKeys tags;
    SortArray A;
    tags.Fill(A, keys);
    A.m_inversions_on = false;
    StateLog log;
    Sort(A, &log);

    std::vector<int> sorted = keys;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(tags.Keys(A), sorted);
    EXPECT_TRUE(tags.Stable(A));
    // 100 items: runs lengthened to 25
    EXPECT_EQ(log.runs, (std::vector<int64_t>{25, 25, 25, 25}));
}

// ---------------------------------------------------------------------------
// Merges

TEST(TimSort, StoredGallopThresholdAndTemporaryStorage)
{
    // (with n - 2 equal items the merges' first gallops leave nothing to merge)
    for (unsigned type : {0u, 3u, 4u}) {
        SortArray A;
        A.FillArray(type, 2048);
        A.m_inversions_on = false;
        StateLog log;
        Sort(A, &log);
        EXPECT_TRUE(std::is_sorted(A.m_array.begin(), A.m_array.end(),
                                   [](const SortItem& a, const SortItem& b) { return a.raw() < b.raw(); }));

        ASSERT_FALSE(log.stored_gallops.empty()) << type;
        for (int32_t g : log.stored_gallops) EXPECT_LE(g, 1) << "input type " << type;
        // tmp_ holds exactly the longest run copied so far, never more
        EXPECT_GT(log.copies, 0) << type;
        EXPECT_TRUE(log.exact_growth) << type;
        EXPECT_LE(log.largest_copy, 1024u) << type; // only the shorter run is copied
    }
}

TEST(TimSort, StackCollapsesOnTheTwoConditionsOnly)
{
    typedef std::vector<int64_t> Lens;
    const struct {
        Lens pushed;
        bool collapse;             // mergeCollapse after each push
        Lens stack;                // then left on the stack
        std::vector<Lens> forced;  // the stack at each merge of mergeForceCollapse
    } cases[] = {
        {{30, 20, 10}, true, {60}, {}},
        {{12, 10, 15}, true, {22, 15}, {{37}}}, // the lower pair merges, the top record moves down
        {{40, 30}, true, {40, 30}, {{70}}},     // both invariants hold
        // the run below is never consulted: 120 > 80 + 45 does not hold, and stays
        {{120, 80, 25, 20, 30}, true, {120, 80, 45, 30}, {{120, 80, 75}, {120, 155}, {275}}},
        // forced: the lower pair merges when the run below the top two is shorter than the top
        {{5, 30, 10}, false, {5, 30, 10}, {{35, 10}, {45}}},
        {{10, 30, 5}, false, {10, 30, 5}, {{10, 35}, {45}}},
    };
    std::mt19937 rng(11);
    for (const auto& c : cases) {
        int64_t total = 0;
        for (int64_t len : c.pushed) total += len;
        std::vector<int> v(total);
        for (int& x : v) x = std::uniform_int_distribution<int>(2, 49)(rng);
        // each pushed run sorted on its own, from 1 to 50, so that no merge
        // finds its runs already in place
        int64_t at = 0;
        for (int64_t len : c.pushed) {
            v[at] = 1;
            v[at + len - 1] = 50;
            std::sort(v.begin() + at, v.begin() + at + len);
            at += len;
        }
        SortArray A;
        SetValues(A, v);
        A.m_inversions_on = false;

        StateLog log;
        State ts(&log);
        SortArrayIterator base = SortArrayBegin(A);
        for (int64_t len : c.pushed) {
            ts.pushRun(base, len);
            if (c.collapse) ts.mergeCollapse();
            base += len;
        }
        Lens stack;
        int64_t expected_base = 0;
        for (const timsort::Run& run : ts.pending_) {
            stack.push_back(run.len);
            EXPECT_EQ(run.base.m_pos, uint64_t(expected_base));
            expected_base += run.len;
        }
        EXPECT_EQ(stack, c.stack);

        log.stacks.clear();
        ts.mergeForceCollapse();
        EXPECT_EQ(log.stacks, c.forced);
        ASSERT_EQ(ts.pending_.size(), 1u);
        EXPECT_EQ(ts.pending_[0].len, total);
        std::sort(v.begin(), v.end());
        EXPECT_EQ(Values(A), v);
    }
}

TEST(TimSort, GallopsFindTheBoundsFromEveryHint)
{
    const std::vector<int> v = {1, 1, 2, 4, 4, 4, 4, 5, 7, 7, 8, 9, 9, 9, 9, 9, 9, 9, 12};
    SortArray A;
    SetValues(A, v);
    State ts;
    for (int x : v) ts.tmp_.push_back(SortItem(x));
    const int64_t len = static_cast<int64_t>(v.size());

    for (int k = 0; k <= 13; ++k) {
        const SortItem key(k);
        const int64_t upper = std::upper_bound(v.begin(), v.end(), k) - v.begin();
        const int64_t lower = std::lower_bound(v.begin(), v.end(), k) - v.begin();
        for (int64_t hint = 0; hint < len; ++hint) {
            EXPECT_EQ(State::gallopRight(key, SortArrayBegin(A), len, hint), upper) << k << " " << hint;
            EXPECT_EQ(State::gallopLeft(key, SortArrayBegin(A), len, hint), lower) << k << " " << hint;
            EXPECT_EQ(ts.gallopRight(key, int64_t(0), len, hint), upper) << k << " " << hint;
            EXPECT_EQ(ts.gallopLeft(key, int64_t(0), len, hint), lower) << k << " " << hint;
        }
    }
    // from a later start in tmp_
    EXPECT_EQ(ts.gallopRight(SortItem(4), int64_t(3), len - 3, 0), 4);
    EXPECT_EQ(ts.gallopLeft(SortItem(9), int64_t(3), len - 3, 5), 8);
}

TEST(TimSort, GallopProbesOutwardThenSearches)
{
    SortArray A;
    SetValues(A, Iota(1, 10));
    State ts;
    for (int x = 1; x <= 10; ++x) ts.tmp_.push_back(SortItem(x));

    {
        // right from 0: probes 0, 1, 3, 7, then 9 and 8 between 7 and the end
        TraceRecorder trace(A);
        EXPECT_EQ(State::gallopRight(SortItem(8), SortArrayBegin(A), 10, 0), 8);
        EXPECT_EQ(trace.str(), "r0 c1 r1 c1 r3 c1 r7 c1 r9 c1 r8 c1");
    }
    A.unmark_all();
    {
        // left from 9 with lessOrEqual (two comparisons where the probe is
        // not above the key), then the lower bound between 2 and 7
        TraceRecorder trace(A);
        EXPECT_EQ(State::gallopLeft(SortItem(3), SortArrayBegin(A), 10, 9), 2);
        EXPECT_EQ(trace.str(), "r9 c1 r8 c1 r6 c1 r2 c2 r1 c1");
    }
    {
        // the same gallops over tmp_ touch no array position
        g_comparison_count = 0;
        TraceRecorder trace(A);
        EXPECT_EQ(ts.gallopRight(SortItem(8), int64_t(0), 10, 0), 8);
        EXPECT_EQ(g_comparison_count, 6u);
        EXPECT_EQ(ts.gallopLeft(SortItem(3), int64_t(0), 10, 9), 2);
        EXPECT_EQ(g_comparison_count, 12u);
        EXPECT_EQ(trace.str(), "c12");
    }
}

// ---------------------------------------------------------------------------
// Exact traces

TEST(TimSort, TracesOfShortArrays)
{
    const struct {
        std::vector<int> input;
        const char* trace;
    } cases[] = {
        // a descending pair: the exchange reads 0 again (not counted), then 1
        {{2, 1}, "r1 r0 c1 r1"},
        // run [2, 4]; 3 then 1 inserted: search, shift from the top, store
        {{2, 4, 3, 1},
         "r1 r0 c1 r2 r1 c1 "
         "r2 r1 c1 r0 c1 r1 r2 r1 "
         "r3 r1 c1 r0 c1 r2 r3 r1 r2 r0 r1 r0"},
        // descending run [3, 2, 1] reversed by one exchange; 5 lands in place;
        // 4 shifts 5 up, whose read of 3 repeats the search's last probe
        {{3, 2, 1, 5, 4},
         "r1 r0 c1 r2 r1 c1 r3 r2 c1 r0 r2 "
         "r3 r1 c1 r2 c1 r3 "
         "r4 r2 c1 r3 c1 r4 r3"},
    };
    for (const auto& c : cases) {
        SortArray A;
        SetValues(A, c.input);
        TraceRecorder trace(A);
        TimSort(A);
        EXPECT_EQ(trace.str(), c.trace);
        std::vector<int> sorted = c.input;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(Values(A), sorted);
    }
}

TEST(TimSort, TraceOfTwoRunsMergedWithOneGallop)
{
    // [17..32, 1..16]: two natural runs of 16, merged low; run 2 wins seven
    // single steps, then galloping takes the rest of it at once
    std::vector<int> v = Iota(17, 32);
    for (int x = 1; x <= 16; ++x) v.push_back(x);
    SortArray A;
    SetValues(A, v);
    A.m_inversions_on = false;
    TraceRecorder trace(A);
    StateLog log;
    Sort(A, &log);

    Tokens t;
    t.r(1).r(0).c(1);                                   // first run
    for (int h = 2; h <= 16; ++h) t.r(h).r(h - 1).c(1);
    t.r(17).r(16).c(1);                                 // second run
    for (int h = 18; h <= 31; ++h) t.r(h).r(h - 1).c(1);
    t.r(16).r(0).c(1);                                  // mergeAt: gallopRight of a[16]
    t.r(15).r(31).c(2);                                 // gallopLeft of a[15]
    for (int i = 0; i < 16; ++i) t.r(i);                // copyToTmp
    t.r(16).r(0);                                       // the first item of run 2
    for (int j = 0; j < 7; ++j) t.r(17 + j).c(1).r(1 + j); // single steps
    t.r(24).c(1).r(8);                                  // gallopRight in tmp_, then a[24] moves
    t.r(25).c(2).r(26).c(2).r(28).c(2).r(30).c(1).r(31).c(1); // gallopLeft finds 7
    for (int j = 0; j < 7; ++j) t.r(25 + j).r(9 + j);   // run 2's rest moves
    for (int i = 16; i < 32; ++i) t.r(i);               // tmp_ goes back
    EXPECT_EQ(trace.str(), t.s);

    EXPECT_EQ(g_comparison_count, 50u);
    EXPECT_EQ(Values(A), Iota(1, 32));
    EXPECT_EQ(log.runs, (std::vector<int64_t>{16, 16}));
    EXPECT_EQ(log.copies, 1);
    EXPECT_EQ(log.largest_copy, 16u);
    EXPECT_EQ(log.stored_gallops, std::vector<int32_t>{1});
}

struct MergeCase
{
    const char* what;
    bool low;                 // mergeLo, else mergeHi
    std::vector<int> input;   // run 1, then run 2
    int64_t len1;
    int32_t gallop_before;
    const char* trace;
    int32_t gallop_after;
};

void PrintTo(const MergeCase& c, std::ostream* os)
{
    *os << c.what;
}

class TimSortMerge : public ::testing::TestWithParam<MergeCase>
{
};

TEST_P(TimSortMerge, FollowsItsSteps)
{
    const MergeCase& c = GetParam();
    SortArray A;
    SetValues(A, c.input);
    A.m_inversions_on = false;
    State ts;
    ts.minGallop_ = c.gallop_before;
    const int64_t len2 = static_cast<int64_t>(c.input.size()) - c.len1;
    const SortArrayIterator base1 = SortArrayBegin(A), base2 = base1 + c.len1;

    TraceRecorder trace(A);
    if (c.low)
        ts.mergeLo(base1, c.len1, base2, len2);
    else
        ts.mergeHi(base1, c.len1, base2, len2);

    if (c.trace) {
        EXPECT_EQ(trace.str(), c.trace);
    }
    EXPECT_EQ(ts.minGallop_, c.gallop_after);
    EXPECT_EQ(ts.tmp_.capacity(), size_t(c.low ? c.len1 : len2));
    std::vector<int> sorted = c.input;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(Values(A), sorted);
}

const MergeCase kMerges[] = {
    {"low, one item in tmp_", true, {5, 1, 2, 3}, 1, 7,
     "r0 r1 r0 r2 r1 r3 r2 r3", 7}, // no single step: the threshold stays
    {"low, one item of run 2", true, {3, 4, 1}, 2, 7, "r0 r1 r2 r0 r1 r2", 7},
    {"high, one item in tmp_", false, {2, 3, 6, 1}, 3, 7, "r3 r2 r3 r1 r2 r0 r1 r0", 7},
    {"high, one item of run 1", false, {5, 1, 2, 3}, 1, 7, "r1 r2 r3 r0 r3 r0 r1 r2", 7},
    {"low, single steps only", true, {2, 5, 9, 1, 3, 4, 6, 7, 8}, 3, 7,
     "r0 r1 r2 "          // copyToTmp
     "r3 r0 "             // run 2's first item goes first
     "r4 c1 r1 "          // 2 from tmp_
     "r4 c1 r2 "          // 3 moves; its second read repeats the index
     "r5 c1 r3 "          // 4 moves
     "r6 c1 r4 "          // 5 from tmp_: one item left in tmp_
     "r6 r5 r7 r6 r8 r7 " // the rest of run 2 moves
     "r8",                // and 9 goes last
     1},
    {"low, galloping after one step", true, {2, 5, 9, 1, 3, 4, 6, 7, 8}, 3, 1,
     "r0 r1 r2 r3 r0 "
     "r4 c1 r1 "                // single step: 2 from tmp_
     "r4 c1 r2 "                // gallopRight of 3 in tmp_ finds 0; 3 moves
     "r5 c2 r6 c1 r5 r3 "       // gallopLeft of 5 in run 2 finds 1; 4 moves
     "r4 "                      // 5 from tmp_
     "r6 r5 r7 r6 r8 r7 r8",
     1},
    {"low, three gallops in a row", true,
     {10, 11, 12, 13, 14, 15, 16, 17, 50, 51, 52, 53, 54, 55, 56, 57, 80, 81, 82, 83, 84, 85, 86, 87, 95,
      99, 5, 20, 60, 90, 96},
     26, 1, nullptr,
     -1}, // the threshold fell by one per pass; the merge ended galloping
    {"low, galloping, then single steps again", true, {2, 5, 8, 11, 1, 3, 4, 6, 9, 10}, 4, 1,
     "r0 r1 r2 r3 r4 r0 "
     "r5 c1 r1 "          // single step: 2 from tmp_
     "r5 c1 r2 "          // gallopRight of 3 in tmp_ finds none; 3 moves
     "r6 c2 r7 c1 r6 r3 " // gallopLeft of 5 in run 2 finds 1; 4 moves
     "r4 "                // 5 from tmp_
     "r7 c1 r5 "          // threshold 0 + 2: single steps, 6 moves
     "r8 c1 r6 "          // 8 from tmp_: one item left
     "r8 r7 r9 r8 r9",
     1},
    {"low, galloping takes two from tmp_", true, {2, 3, 4, 9, 1, 5, 6, 8}, 4, 1,
     "r0 r1 r2 r3 r4 r0 "
     "r5 c1 r1 "          // single step: 2 from tmp_
     "r5 c3 r3 r2 "       // gallopRight of 5 in tmp_ finds 3 and 4, written top down
     "r5 r4 r6 r5 r7 r6 r7",
     1},
    {"low, galloping ends, a penalty, single steps end it", true,
     {10, 11, 12, 13, 14, 15, 16, 17, 50, 51, 52, 53, 54, 55, 56, 57, 80, 83, 84, 86, 99,
      5, 20, 60, 81, 82, 85, 87, 90},
     21, 1, nullptr,
     1}, // two long gallops take the threshold to -1, a short one to -2; then 0 + 2
    {"high, single steps only", false, {2, 4, 7, 9, 1, 5, 8}, 4, 7,
     "r4 r5 r6 "          // copyToTmp
     "r3 r6 "             // run 1's last item goes last
     "r2 c1 r5 "          // 8 from tmp_
     "r2 c1 r4 "          // 7 moves; its second read repeats the index
     "r1 c1 r3 "          // 5 from tmp_: one item left in tmp_
     "r1 r2 r0 r1 "       // the rest of run 1 moves up, highest first
     "r0",                // and 1 goes first
     1},
    {"high, galloping, then single steps again", false, {2, 3, 7, 8, 12, 13, 1, 6, 7, 10}, 6, 1,
     "r6 r7 r8 r9 r5 r9 "
     "r4 c1 r8 "          // single step: 12 moves
     "r3 c1 r7 "          // gallopRight of 10 in run 1 finds none to move; 10 from tmp_
     "r3 c2 r6 "          // gallopLeft of 8 in tmp_ finds none; 8 moves
     "r2 c1 r5 "          // threshold 0 + 2: single steps; tmp_'s 7 goes above run 1's
     "r2 c1 r4 "          // 7 moves: one win each, still below the threshold
     "r1 c1 r3 "          // 6 from tmp_: one item left
     "r1 r2 r0 r1 r0",
     1},
    {"high, three gallops in a row", false,
     {10, 30, 50, 99, 1, 20, 31, 32, 33, 34, 35, 36, 37, 40, 51, 52, 53, 54, 55, 56, 57, 60, 70}, 4, 1,
     nullptr, -1},
    {"high, galloping takes two from tmp_", false, {3, 8, 9, 1, 2, 4, 5, 7}, 3, 1,
     "r3 r4 r5 r6 r7 r2 r7 "
     "r1 c1 r6 "          // single step: 8 moves
     "r0 c1 r5 "          // gallopRight of 7 in run 1 finds none; 7 from tmp_
     "r0 c5 r3 r4 "       // gallopLeft of 3 in tmp_ finds 4 and 5, written upward
     "r0 r2 "             // 3 moves: run 1 is done
     "r0 r1",             // the rest of tmp_
     1},
};

INSTANTIATE_TEST_SUITE_P(Merges, TimSortMerge, ::testing::ValuesIn(kMerges),
                         [](const ::testing::TestParamInfo<MergeCase>& info) {
                             return ParamName(info.param.what);
                         });

// ---------------------------------------------------------------------------
// Stopping

TEST(TimSort, StopsAtAnyAccess)
{
    SortArray A;
    A.FillArray(3, 300);
    const std::vector<int> input = Values(A);
    A.m_inversions_on = false;
    TimSort(A);
    const uint64_t total = g_access_count;
    ASSERT_GT(total, 300u);

    for (uint64_t k = 1; k <= total; k += 13) {
        SetValues(A, input);
        A.m_inversions_on = false;
        StopAt stop(A, k);
        EXPECT_THROW(TimSort(A), SortAbort) << "stop at access " << k;
        EXPECT_EQ(g_access_count, k);
    }
}

} // namespace
