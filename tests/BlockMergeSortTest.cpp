// The block merge sort: sorted and stable results over sizes, input types and
// shapes that drive each of its merge paths; exact traces and counts of small
// inputs; highlights of compared items; stopping at any access; no allocation.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "SortAlgo.h"
#include "Trace.h"
#include "algorithms/blockmerge.h"

// Counts the allocations made while g_count_allocations is set. Kept out of
// line, so that the compiler does not pair inlined malloc and free with new
// and delete expressions and warn about a mismatch.
static std::atomic<bool> g_count_allocations(false);
static std::atomic<long> g_allocations(0);

__attribute__((noinline)) void* operator new(std::size_t n)
{
    if (g_count_allocations) ++g_allocations;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
__attribute__((noinline)) void operator delete(void* p) noexcept { std::free(p); }
__attribute__((noinline)) void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

// Sorts the keys, tagged with their positions, with inversion counting off
// (it recounts on every access and would only slow these runs down), and
// checks that the result is ascending and keeps equal keys in order.
void ExpectSortsStably(const std::vector<int>& keys, const std::string& what)
{
    TaggedKeys tags(13);
    SortArray A;
    tags.Fill(A, keys);
    A.m_inversions_on = false;
    WikiSort(A);

    std::vector<int> expected = keys;
    std::sort(expected.begin(), expected.end());
    ASSERT_EQ(tags.Keys(A), expected) << what << ", " << keys.size() << " items";
    ASSERT_TRUE(tags.Stable(A)) << what << ", " << keys.size() << " items";
}

std::vector<int> InputKeys(unsigned type, size_t n)
{
    SortArray A;
    A.FillArray(type, n);
    return Values(A);
}

// Trace tokens of one ascending range of 8 items at positions o .. o+7 in the
// first pass: item i is read, then the binary search over the i items before
// it always goes right, each probe read and compared once.
std::string AscendingRangeOfEight(int o)
{
    // (position read, comparisons after it) relative to o
    static const int steps[][2] = {
        {0, 0},
        {1, 0}, {0, 1},
        {2, 0}, {1, 1},
        {3, 0}, {1, 1}, {2, 1},
        {4, 0}, {2, 1}, {3, 1},
        {5, 0}, {2, 1}, {4, 1},
        {6, 0}, {3, 1}, {5, 1},
        {7, 0}, {3, 1}, {5, 1}, {6, 1},
    };
    std::string s;
    for (const auto& st : steps) {
        s += (s.empty() ? "r" : " r") + std::to_string(o + st[0]);
        if (st[1]) s += " c1";
    }
    return s;
}

// The highlight records of the same range: every access in COLOUR_ACCESS, and
// every comparison touches the inserted item o+i, then the probe.
std::string AscendingRangeOfEightHighlights(int o)
{
    static const int probes[8][3] = {
        {-1, -1, -1}, {0, -1, -1}, {1, -1, -1}, {1, 2, -1},
        {2, 3, -1},   {2, 4, -1},  {3, 5, -1},  {3, 5, 6},
    };
    std::string s;
    for (int i = 0; i < 8; ++i) {
        s += (s.empty() ? "a" : " a") + std::to_string(o + i);
        for (int p : probes[i]) {
            if (p < 0) break;
            s += " a" + std::to_string(o + p) + " t" + std::to_string(o + i) + " t" +
                 std::to_string(o + p);
        }
    }
    return s;
}

// m_highlights as tokens: a<i> an ordinary access record, t<i> a touch
// record (COLOUR_TOUCH, hold 1, priority 10), ?<i> anything else.
std::string Highlights(const SortArray& A)
{
    std::string s;
    for (const AccessRecord& r : A.m_highlights) {
        const bool access = r.colour == COLOUR_ACCESS && r.hold == 0 && r.priority == 0;
        const bool touch = r.colour == COLOUR_TOUCH && r.hold == 1 && r.priority == 10;
        s += (s.empty() ? "" : " ") + std::string(access ? "a" : touch ? "t" : "?") +
             std::to_string(r.index.load());
    }
    return s;
}

std::vector<int> Ascending(int n)
{
    std::vector<int> v(n);
    for (int i = 0; i < n; ++i) v[i] = i + 1;
    return v;
}

// ---------------------------------------------------------------------------

TEST(BlockMergeSort, SortsEveryInputTypeStablyFromOneTo300Items)
{
    for (unsigned type = 0; type < 6; ++type)
        for (size_t n = 1; n <= 300; ++n)
            ExpectSortsStably(InputKeys(type, n), "input type " + std::to_string(type));
}

TEST(BlockMergeSort, SortsEveryInputTypeStablyAt2048Items)
{
    for (unsigned type = 0; type < 6; ++type)
        ExpectSortsStably(InputKeys(type, 2048), "input type " + std::to_string(type));
}

// Shapes that drive the internal-buffer merge down each of its paths: buffers
// from the left range, from both, from the right range alone, too few distinct
// values for any buffer, short last blocks and uneven heads.
TEST(BlockMergeSort, SortsFewDistinctAndAdversarialShapesStably)
{
    std::mt19937 rng(6021);
    for (int n : {17, 33, 64, 100, 128, 257, 300, 1000, 2048, 4095}) {
        std::vector<int> k(n);
        for (int distinct : {1, 2, 3, 5, 9, 17}) {
            std::uniform_int_distribution<int> key(1, distinct);
            for (int& x : k) x = key(rng);
            ExpectSortsStably(k, std::to_string(distinct) + " distinct keys");
            std::sort(k.begin(), k.end());
            std::reverse(k.begin(), k.end());
            ExpectSortsStably(k, std::to_string(distinct) + " distinct keys descending");
        }
        // alternating stretches of 64: three keys, then many
        for (int i = 0; i < n; ++i)
            k[i] = (i / 64) % 2 == 0 ? 1000 * (1 + static_cast<int>(rng() % 3))
                                     : static_cast<int>(rng() % 2000);
        ExpectSortsStably(k, "few distinct on the left");
        for (int i = 0; i < n; ++i)
            k[i] = (i / 64) % 2 == 1 ? 1000 * (1 + static_cast<int>(rng() % 3))
                                     : static_cast<int>(rng() % 2000);
        ExpectSortsStably(k, "few distinct on the right");

        for (int odd : {0, n / 2, n - 1}) {
            std::fill(k.begin(), k.end(), 5);
            k[odd] = 2;
            ExpectSortsStably(k, "all equal but one at " + std::to_string(odd));
        }
        for (int i = 0; i < n; ++i) k[i] = (i * 7) % 13 + i / 50;
        ExpectSortsStably(k, "sawtooth");
        for (int i = 0; i < n; ++i) k[i] = i < n / 2 ? i : n - i;
        ExpectSortsStably(k, "organ pipe");
        for (int i = 0; i < n; ++i) k[i] = (i + n / 3) % n;
        ExpectSortsStably(k, "rotated");
        for (int i = 0; i < n; ++i) k[i] = (n - i) / 16;
        ExpectSortsStably(k, "descending runs of equal keys");
    }
}

// 8 to 15 items form one range, sorted by binary insertion alone: no level,
// so no pair is checked.
TEST(BlockMergeSort, EightToFifteenItemsAreSortedByInsertionAlone)
{
    SortArray A;
    SetValues(A, Ascending(8));
    TraceRecorder trace(A);
    WikiSort(A);
    EXPECT_EQ(trace.str(), AscendingRangeOfEight(0));
    EXPECT_EQ(g_comparison_count, 13u);
    EXPECT_EQ(g_access_count, 21u);

    // ascending: each search goes right, floor(log2(i + 1)) comparisons
    SetValues(A, Ascending(15));
    WikiSort(A);
    EXPECT_EQ(g_comparison_count, 34u);
    EXPECT_EQ(g_access_count, 15u + 34u);

    // descending: each search goes left, floor(log2(i)) + 1 comparisons
    for (auto c : {std::make_pair(12, 33u), std::make_pair(15, 45u)}) {
        std::vector<int> v = Ascending(c.first);
        std::reverse(v.begin(), v.end());
        SetValues(A, v);
        WikiSort(A);
        EXPECT_EQ(g_comparison_count, c.second) << c.first << " items";
        EXPECT_EQ(Values(A), Ascending(c.first));
    }
}

// Two ascending ranges of 8 whose pair is out of order: the left range is
// copied into the cache and merged back with the right one. Comparisons with
// cache values compare the right item in place; once compared it is the
// latest access, so reading it again to move it is free.
TEST(BlockMergeSort, SixteenItemsMergeThroughTheCache)
{
    SortArray A;
    SetValues(A, {1, 3, 5, 7, 9, 11, 13, 15, 2, 4, 6, 8, 10, 12, 14, 16});
    TraceRecorder trace(A);
    WikiSort(A);

    const std::string pairCheck = "r15 r0 c1 r8 r7 c1";
    const std::string cache = "r0 r1 r2 r3 r4 r5 r6 r7";
    const std::string merge =
        "r8 c1 r0 r8 c1 r1 r9 c1 r2 r9 c1 r3 r10 c1 r4 r10 c1 r5 r11 c1 r6 r11 c1 r7 "
        "r12 c1 r8 r12 c1 r9 r13 c1 r10 r13 c1 r11 r14 c1 r12 r14 c1 r13 r15 c1 r14";
    EXPECT_EQ(trace.str(), AscendingRangeOfEight(0) + " " + AscendingRangeOfEight(8) + " " +
                               pairCheck + " " + cache + " " + merge);
    EXPECT_EQ(Values(A), Ascending(16));
    EXPECT_EQ(g_comparison_count, 13u + 13u + 2u + 15u);
    EXPECT_EQ(g_access_count, 21u + 21u + 4u + 8u + 30u);

    // every comparison of an array item touched it; cache values never
    const std::string pairHighlights = "a15 a0 t15 t0 a8 a7 t8 t7";
    const std::string cacheHighlights = "a0 a1 a2 a3 a4 a5 a6 a7";
    const std::string mergeHighlights =
        "a8 t8 a0 a8 t8 a1 a9 t9 a2 a9 t9 a3 a10 t10 a4 a10 t10 a5 a11 t11 a6 a11 t11 a7 "
        "a12 t12 a8 a12 t12 a9 a13 t13 a10 a13 t13 a11 a14 t14 a12 a14 t14 a13 a15 t15 a14";
    EXPECT_EQ(Highlights(A), AscendingRangeOfEightHighlights(0) + " " +
                                 AscendingRangeOfEightHighlights(8) + " " + pairHighlights +
                                 " " + cacheHighlights + " " + mergeHighlights);
}

// A pair in order costs its two checks: the last item of the right range
// against the first of the left, then the two items around the middle. The
// positions checked show the ranges that the fixed-point stepping cut.
TEST(BlockMergeSort, PairsInOrderCostTwoComparisonsAndFourReads)
{
    struct Case
    {
        int n;
        uint64_t comparisons;
        std::string pairChecks;
    };
    const Case cases[] = {
        // ranges 8 + 8: 13 + 13 comparisons of insertion
        {16, 28, "r15 r0 c1 r8 r7 c1"},
        // ranges 9 + 10: 16 + 19
        {19, 37, "r18 r0 c1 r9 r8 c1"},
        // ranges 12 + 12: 25 + 25
        {24, 52, "r23 r0 c1 r12 r11 c1"},
        // ranges 8, 9, 9, 9 (13 + 3 * 16), two pairs in the first level, one
        // pair of 17 + 18 in the second
        {35, 67, "r16 r0 c1 r8 r7 c1 r34 r17 c1 r26 r25 c1 r34 r0 c1 r17 r16 c1"},
    };
    for (const Case& c : cases) {
        SortArray A;
        SetValues(A, Ascending(c.n));
        A.m_inversions_on = false;
        TraceRecorder trace(A);
        WikiSort(A);
        const std::string s = trace.str();
        ASSERT_GE(s.size(), c.pairChecks.size()) << c.n;
        EXPECT_EQ(s.substr(s.size() - c.pairChecks.size()), c.pairChecks) << c.n << " items";
        EXPECT_EQ(g_comparison_count, c.comparisons) << c.n << " items";
        EXPECT_EQ(Values(A), Ascending(c.n));
    }

    // 16 items: the whole run is insertion and the two checks
    SortArray A;
    SetValues(A, Ascending(16));
    TraceRecorder trace(A);
    WikiSort(A);
    EXPECT_EQ(trace.str(), AscendingRangeOfEight(0) + " " + AscendingRangeOfEight(8) +
                               " r15 r0 c1 r8 r7 c1");
    EXPECT_EQ(g_access_count, 21u + 21u + 4u);
}

// The right range wholly below the left one: one check, then one rotation of
// the pair, exactly what the library's rotation does on its own.
TEST(BlockMergeSort, RightRangeWhollyBelowLeftIsOneRotation)
{
    std::vector<int> values;
    for (int v = 9; v <= 16; ++v) values.push_back(v);
    for (int v = 1; v <= 8; ++v) values.push_back(v);

    // the rotation alone, from the state the check leaves: item 0 latest
    SortArray R;
    SetValues(R, values);
    R.touch(0, COLOUR_TOUCH, 1, 10);
    std::string rotation;
    {
        TraceRecorder trace(R);
        std::rotate(SortArrayBegin(R), SortArrayBegin(R) + 8, SortArrayEnd(R));
        rotation = trace.str();
    }
    const uint64_t rotationAccesses = g_access_count;
    ASSERT_EQ(g_comparison_count, 0u);

    SortArray A;
    SetValues(A, values);
    TraceRecorder trace(A);
    WikiSort(A);
    EXPECT_EQ(trace.str(), AscendingRangeOfEight(0) + " " + AscendingRangeOfEight(8) +
                               " r15 r0 c1 " + rotation);
    EXPECT_EQ(g_comparison_count, 13u + 13u + 1u);
    EXPECT_EQ(g_access_count, 21u + 21u + 2u + rotationAccesses);
    EXPECT_EQ(Values(A), Ascending(16));
}

// Odd values left of even ones, each range ascending, so that the pair needs
// a merge through internal buffers: a tag buffer of distinct values pulled
// from the left range (already in place, so gathering moves nothing), an
// uneven head merged through the cache, tagged blocks rolled through the
// right range and dropped, and the tag values put back at the end of the
// level. Comparisons, worked out step by step:
TEST(BlockMergeSort, InternalTagBufferBlocksAndPutBack)
{
    struct Case
    {
        int n;
        uint64_t comparisons;
    };
    const Case cases[] = {
        // 9 + 9, one more than the cache holds: blocks of 3, tag buffer of 4,
        // head of 2, one block:
        //   first pass 2 * 16, pair checks 2, tag search 3, gathering 3,
        //   rolling 3, drop (search 2 + merge 7), final merge 5, putting back 7
        {18, 32 + 2 + 3 + 3 + 3 + 9 + 5 + 7},
        // 16 + 16 in the second level: blocks of 4, tag buffer of 5, head of
        // 3, two blocks:
        //   first pass 4 * 13, first level 2 * 2, pair checks 2, tag search 4,
        //   gathering 4, rolling 3 + 2, drops (search 3 + merge 10) and
        //   (3 + 7), final merge 7, putting back 9
        {32, 52 + 4 + 2 + 4 + 4 + 5 + 13 + 10 + 7 + 9},
    };
    for (const Case& c : cases) {
        std::vector<int> keys;
        for (int v = 1; v <= c.n; v += 2) keys.push_back(v);
        for (int v = 2; v <= c.n; v += 2) keys.push_back(v);

        SortArray A;
        SetValues(A, keys);
        A.m_inversions_on = false;
        WikiSort(A);
        EXPECT_EQ(Values(A), Ascending(c.n));
        EXPECT_EQ(g_comparison_count, c.comparisons) << c.n << " items";
    }
}

// A pair of 16 + 16 with only three distinct keys cannot fill a tag buffer of
// 5 and is merged by rotations:
//   first pass 4 * 13, first level 2 * 2, pair checks 2,
//   search of the left range 15 * 2, of the right range 1 + 14 * 2,
//   rotations: first item (4 + 4), then the rest (1 + 4).
TEST(BlockMergeSort, FewDistinctValuesMergeByRotationsStably)
{
    std::vector<int> keys(16, 2);
    for (int i = 0; i < 15; ++i) keys.push_back(1);
    keys.push_back(3);

    TaggedKeys tags;
    SortArray A;
    tags.Fill(A, keys);
    A.m_inversions_on = false;
    WikiSort(A);

    std::vector<int> expected = keys;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(tags.Keys(A), expected);
    EXPECT_TRUE(tags.Stable(A));
    EXPECT_EQ(g_comparison_count, 52u + 4u + 2u + 30u + 29u + 13u);
}

// In a larger run, between one and two touch records per comparison, each
// with the touch's colour, hold and priority, and one plain record per
// counted access.
TEST(BlockMergeSort, TouchRecordsAreWellFormed)
{
    SortArray A;
    A.FillArray(0, 300);
    A.m_inversions_on = false;
    WikiSort(A);
    uint64_t touches = 0;
    for (const AccessRecord& r : A.m_highlights) {
        ASSERT_LT(r.index.load(), 300u);
        if (r.colour == COLOUR_TOUCH) {
            ++touches;
            EXPECT_EQ(r.hold.load(), 1);
            EXPECT_EQ(r.priority.load(), 10);
        }
        else {
            EXPECT_EQ(r.colour.load(), COLOUR_ACCESS);
        }
    }
    // each comparison has at least one operand in the array, at most two
    EXPECT_GE(touches, g_comparison_count);
    EXPECT_LE(touches, 2 * g_comparison_count);
    EXPECT_EQ(A.m_highlights.size() - touches, g_access_count);
}

// A stop ends a run by throwing SortAbort from the pacer at the next access:
// the sort lets it through at every single access and makes no further one.
TEST(BlockMergeSort, StopsAtEveryAccess)
{
    std::mt19937 rng(77);
    std::vector<std::vector<int>> inputs;
    inputs.push_back(InputKeys(0, 64)); // internal buffers from the left range
    std::vector<int> few(40);
    for (int& x : few) x = static_cast<int>(rng() % 3); // rotations
    inputs.push_back(few);

    for (const std::vector<int>& values : inputs) {
        SortArray A;
        SetValues(A, values);
        A.m_inversions_on = false;
        WikiSort(A);
        const uint64_t total = g_access_count;
        ASSERT_GT(total, 0u);

        for (uint64_t k = 1; k <= total; ++k) {
            SetValues(A, values);
            A.m_inversions_on = false;
            StopAt stop(A, k);
            EXPECT_THROW(WikiSort(A), SortAbort) << "stop at access " << k;
            EXPECT_EQ(stop.paces, k);
        }
    }
}

TEST(BlockMergeSort, AllocatesNothing)
{
    for (size_t n : {5u, 16u, 300u, 2048u}) {
        SortArray A;
        A.FillArray(0, n);
        A.m_inversions_on = false;
        A.m_highlights.reserve(SortArray::MAX_HIGHLIGHTS);
        g_allocations = 0;
        g_count_allocations = true;
        WikiSort(A);
        g_count_allocations = false;
        EXPECT_EQ(g_allocations, 0) << n << " items";
        EXPECT_TRUE(std::is_sorted(A.m_array.begin(), A.m_array.end(),
                                   [](const SortItem& a, const SortItem& b) {
                                       return a.raw() < b.raw();
                                   }));
    }
}

} // namespace
