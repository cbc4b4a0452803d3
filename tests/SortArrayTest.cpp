// The instrumented array: what each operation records, counts and paces, the
// painting lookup's precedence, and the assertion report.
#include <gtest/gtest.h>

#include <random>

#include "RoleTrace.h"
#include "SortArray.h"
#include "SortSound.h"
#include "Trace.h"

namespace {

class SortArrayTest : public ::testing::Test
{
protected:
    void SetUp() override { SetValues(A, {5, 3, 8, 1, 9, 2}); }

    std::vector<uint32_t> HighlightIndices() const
    {
        std::vector<uint32_t> v;
        for (const AccessRecord& r : A.m_highlights) v.push_back(r.index);
        return v;
    }

    SortArray A;
};

TEST(SortItemTest, ComparisonsCountOnceAndSoundBothOperandsLeftFirst)
{
    SoundCapture sound;
    g_comparison_count = 0;
    const SortItem a(4), b(7);

    EXPECT_TRUE(a < b);
    EXPECT_FALSE(a > b);
    EXPECT_TRUE(a <= a); // an item with itself: one comparison, its value twice
    EXPECT_FALSE(a == b);
    EXPECT_TRUE(b != a);
    EXPECT_TRUE(b >= a);
    EXPECT_EQ(g_comparison_count, 6u);
    EXPECT_EQ(sound.Values(), (std::vector<int>{4, 7, 4, 7, 4, 4, 4, 7, 7, 4, 7, 4}));
}

TEST(SortItemTest, CompareToCountsOneComparisonForAllItsOutcomes)
{
    g_comparison_count = 0;
    const SortItem a(4), b(7);
    const int r = a.compare_to(b);
    EXPECT_TRUE(r < 0);
    EXPECT_FALSE(r == 0);
    EXPECT_GT(b.compare_to(a), 0);
    EXPECT_EQ(a.compare_to(a), 0);
    EXPECT_EQ(g_comparison_count, 3u);
}

TEST(SortItemTest, ReadSoundsWithoutCountingAndCopiesAreFree)
{
    SoundCapture sound;
    g_comparison_count = 0;
    g_access_count = 0;
    const SortItem a(-2);
    EXPECT_EQ(a.read(), -2);
    std::vector<SortItem> scratch(3, a); // copying counts nothing
    scratch[1] = SortItem(5);
    EXPECT_EQ(g_comparison_count, 0u);
    EXPECT_EQ(g_access_count, 0u);
    // a negative value is sign-extended, then its low 32 bits are recorded
    EXPECT_EQ(sound.Values(), std::vector<int>{static_cast<int>(0xFFFFFFFEu)});
    EXPECT_TRUE(scratch[0] < scratch[1]);
    EXPECT_EQ(g_comparison_count, 1u);
}

TEST(SortItemTest, ComparisonsCountWithSoundOff)
{
    g_sound_on = false;
    g_pending_accesses.clear();
    g_comparison_count = 0;
    EXPECT_TRUE(SortItem(1) < SortItem(2));
    EXPECT_EQ(g_comparison_count, 1u);
    EXPECT_TRUE(g_pending_accesses.empty());
}

TEST_F(SortArrayTest, RepeatedIndexIsFreeAndEveryOtherAccessCountsAndPacesOnce)
{
    TraceRecorder trace(A);
    const SortItem& a = A[2];
    const SortItem& b = A[2]; // the index accessed last: free
    EXPECT_TRUE(a <= b);
    A[4];
    A.get_mutable(4); // repeated: only the inversion recount
    A.get_nocount(4);
    A.get_nocount(1);
    A.get_mutable(0);
    EXPECT_EQ(trace.str(), "r2 c1 r4 n1 r0");
    EXPECT_EQ(g_access_count, 3u);
    EXPECT_EQ(g_comparison_count, 1u);
    EXPECT_EQ(HighlightIndices(), (std::vector<uint32_t>{2, 4, 1, 0}));
}

TEST_F(SortArrayTest, SetAlwaysCountsAndStoresBeforePacing)
{
    TraceRecorder trace(A);
    A.set(3, SortItem(7));
    A.set(3, SortItem(4)); // no shortcut for a repeated set
    EXPECT_EQ(trace.str(), "w3 w3");
    EXPECT_EQ(g_access_count, 2u);
    EXPECT_EQ(A.m_array[3].raw(), 4);
    // the shortcut after a set: the index is the latest access
    A[3];
    EXPECT_EQ(g_access_count, 2u);
}

TEST_F(SortArrayTest, SwapCountsTwoPacesTwiceAndExchangesBetweenThePaces)
{
    struct Probe : SortDelay {
        SortArray* a;
        std::vector<std::pair<int, uint32_t>> seen; // value at 0, partner index
        void Pace() override { seen.push_back({a->m_array[0].raw(), a->m_partner.index}); }
    } probe;
    probe.a = &A;
    A.m_pacer = &probe;

    A.swap(0, 3);
    A.m_pacer = nullptr;

    ASSERT_EQ(probe.seen.size(), 2u);
    EXPECT_EQ(probe.seen[0], std::make_pair(5, 3u)); // before the exchange
    EXPECT_EQ(probe.seen[1], std::make_pair(1, 3u)); // after it, partner still shown
    EXPECT_EQ(g_access_count, 2u);
    EXPECT_EQ(A.m_latest.index, 0u);
    EXPECT_EQ(A.m_partner.index, AccessRecord::NONE);
    EXPECT_EQ(Values(A), (std::vector<int>{1, 3, 8, 5, 9, 2}));
    EXPECT_EQ(HighlightIndices(), (std::vector<uint32_t>{0, 3}));

    // next read of i is free, of j is counted
    A[0];
    EXPECT_EQ(g_access_count, 2u);
    A[3];
    EXPECT_EQ(g_access_count, 3u);
}

TEST_F(SortArrayTest, TouchRecordsWithoutCountingOrPacing)
{
    TraceRecorder trace(A);
    A.touch(2, COLOUR_TOUCH, 1, 10);
    EXPECT_EQ(trace.str(), "");
    EXPECT_EQ(g_access_count, 0u);
    ASSERT_EQ(A.m_highlights.size(), 1u);
    EXPECT_EQ(A.m_highlights[0].colour, COLOUR_TOUCH);
    EXPECT_EQ(A.m_highlights[0].hold, 1);
    EXPECT_EQ(A.m_highlights[0].priority, 10);
    A[2]; // touched: the latest access, so this read is free
    EXPECT_EQ(g_access_count, 0u);
}

TEST_F(SortArrayTest, UnmarkAllClearsMarksHighlightsAndTheLatestAccess)
{
    A[1];
    A.mark(1, COLOUR_SORTED);
    A.mark(4, COLOUR_BOUNDARY);
    A.mark_swap(1, 4);
    EXPECT_EQ(Marks(A), (std::vector<int>{0, 3, 0, 0, 2, 0}));
    A.unmark(4);
    EXPECT_EQ(Marks(A), (std::vector<int>{0, 3, 0, 0, 0, 0}));

    A.unmark_all();
    EXPECT_EQ(Marks(A), std::vector<int>(6, 0));
    EXPECT_TRUE(A.m_highlights.empty());
    const uint64_t before = g_access_count;
    A[1]; // no latest access any more: counted
    EXPECT_EQ(g_access_count, before + 1);
}

TEST_F(SortArrayTest, AccessesCountWithoutAPacer)
{
    ASSERT_EQ(A.m_pacer, nullptr);
    A[0];
    A.swap(1, 2);
    A.set(3, SortItem(3));
    EXPECT_EQ(g_access_count, 4u);
    EXPECT_EQ(A.m_highlights.size(), 4u);
}

TEST_F(SortArrayTest, HighlightsStayBoundedAndKeepTheNewest)
{
    for (size_t k = 0; k < SortArray::MAX_HIGHLIGHTS + 1000; ++k) A[k % 2];
    EXPECT_LE(A.m_highlights.size(), SortArray::MAX_HIGHLIGHTS);
    EXPECT_EQ(A.m_highlights.back().index, (SortArray::MAX_HIGHLIGHTS + 999) % 2);
}

// ---------------------------------------------------------------------------
// IndexColour

TEST_F(SortArrayTest, LatestAndPartnerComeBeforeWatchesMarksAndHighlights)
{
    Watched<uint64_t> w = 2;
    A.watch(&w, COLOUR_POINTER);
    A.mark(2, COLOUR_EQUAL_TO_PIVOT);
    A.m_latest = AccessRecord(2, COLOUR_ACCESS);
    A.m_partner = AccessRecord(3, COLOUR_ACCESS);
    A.mark(3, 5);
    EXPECT_EQ(A.IndexColour(2), COLOUR_ACCESS);
    EXPECT_EQ(A.IndexColour(3), COLOUR_ACCESS);
    A.m_latest = AccessRecord();
    EXPECT_EQ(A.IndexColour(2), COLOUR_POINTER); // the watch before the mark
    A.unwatch_all();
    EXPECT_EQ(A.IndexColour(2), COLOUR_EQUAL_TO_PIVOT);
}

TEST_F(SortArrayTest, FirstWatchOfAnIndexDecidesAndColourZeroHandsOnToMarks)
{
    Watched<int64_t> a = 1, b = 1, c = 4;
    A.watch(&a, COLOUR_PLAIN);
    A.watch(&b, COLOUR_POINTER); // hidden by the colour-0 entry for index 1
    A.watch(&c, COLOUR_CYCLE_START);
    A.mark(1, COLOUR_SORTED);
    EXPECT_EQ(A.IndexColour(1), COLOUR_SORTED);
    EXPECT_EQ(A.IndexColour(4), COLOUR_CYCLE_START);
    c = 5; // the watch follows the variable
    EXPECT_EQ(A.IndexColour(4), COLOUR_PLAIN);
    EXPECT_EQ(A.IndexColour(5), COLOUR_CYCLE_START);
    A.unwatch_all();
}

TEST_F(SortArrayTest, HighlightShowsHoldPlusOnePaintingsAndPriorityDecides)
{
    A.m_latest = AccessRecord();
    A.m_highlights.push_back(AccessRecord(2, COLOUR_ACCESS, 1, 0)); // two paintings
    A.m_highlights.push_back(AccessRecord(4, COLOUR_TOUCH, 0, 10));
    A.m_highlights.push_back(AccessRecord(4, 7, 0, 0));  // lower priority loses
    A.m_highlights.push_back(AccessRecord(5, 9, 0, 3));
    A.m_highlights.push_back(AccessRecord(5, 11, 0, 3)); // equal priority: later wins

    EXPECT_EQ(A.IndexColour(2), COLOUR_ACCESS);
    EXPECT_EQ(A.IndexColour(4), COLOUR_TOUCH);
    EXPECT_EQ(A.IndexColour(5), 11);
    EXPECT_EQ(A.IndexColour(2), COLOUR_ACCESS);
    EXPECT_EQ(A.IndexColour(4), COLOUR_PLAIN);
    EXPECT_EQ(A.IndexColour(2), COLOUR_PLAIN);
    EXPECT_TRUE(A.m_highlights.empty());
}

TEST_F(SortArrayTest, MarkedBarKeepsItsHighlightUntilTheMarkGoes)
{
    A[2];
    A[3]; // 2 is no longer the latest access
    A.mark(2, 5);
    EXPECT_EQ(A.IndexColour(2), 5);
    EXPECT_EQ(A.IndexColour(2), 5);
    A.unmark(2);
    EXPECT_EQ(A.IndexColour(2), COLOUR_ACCESS); // the waiting highlight, once
    EXPECT_EQ(A.IndexColour(2), COLOUR_PLAIN);
}

// The batch lookup must give exactly what IndexColour(0), IndexColour(1), ...
// give, and leave the same highlights behind, on any state.
TEST(IndexColoursTest, EqualsSuccessiveIndexColourCallsOnRandomStates)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 300; ++round) {
        const size_t n = 1 + rng() % 12;
        SortArray A, B;
        std::vector<int> values(n);
        for (int& v : values) v = 1 + rng() % 20;
        SetValues(A, values);
        SetValues(B, values);

        std::vector<Watched<uint64_t>> vars(rng() % 4);
        for (auto& v : vars) v = rng() % (n + 2); // sometimes beyond the array
        for (auto& v : vars) {
            const uint8_t colour = rng() % 3 == 0 ? 0 : 1 + rng() % 16;
            A.watch(&v, colour);
            B.watch(&v, colour);
        }
        for (size_t i = 0; i < n; ++i) {
            const uint8_t m = rng() % 3 == 0 ? 1 + rng() % 16 : 0;
            A.mark(i, m);
            B.mark(i, m);
        }
        const size_t h = rng() % 30;
        for (size_t k = 0; k < h; ++k) {
            const AccessRecord r(rng() % n, rng() % 17, rng() % 3, rng() % 3);
            A.m_highlights.push_back(r);
            B.m_highlights.push_back(r);
        }
        const uint32_t latest = rng() % 2 ? rng() % n : AccessRecord::NONE;
        const uint32_t partner = rng() % 2 ? rng() % n : AccessRecord::NONE;
        A.m_latest = B.m_latest = AccessRecord(latest, 1 + rng() % 3);
        A.m_partner = B.m_partner = AccessRecord(partner, 1);

        for (int frame = 0; frame < 3; ++frame) {
            std::vector<int> expected;
            for (size_t i = 0; i < n; ++i) expected.push_back(A.IndexColour(i));
            std::vector<int> got;
            B.IndexColours(got);
            ASSERT_EQ(got, expected) << "round " << round << ", frame " << frame;
            ASSERT_EQ(B.m_highlights.size(), A.m_highlights.size());
            for (size_t k = 0; k < A.m_highlights.size(); ++k) {
                ASSERT_EQ(B.m_highlights[k].index, A.m_highlights[k].index);
                ASSERT_EQ(B.m_highlights[k].hold, A.m_highlights[k].hold);
            }
        }
        A.unwatch_all();
        B.unwatch_all();
    }
}

// ---------------------------------------------------------------------------
// The assertion report

using SortArrayDeathTest = SortArrayTest;

TEST_F(SortArrayDeathTest, IndexAssertionsReportTheirConditionFileAndLine)
{
    EXPECT_DEATH(A[6], "Assertion failed:\ni < m_array.size\\(\\) in .*SortArray.cpp:[0-9]+");
    EXPECT_DEATH(A.get_mutable(100), "Assertion failed:\ni < m_array.size\\(\\)");
    EXPECT_DEATH(A.set(6, SortItem(1)), "i < m_array.size\\(\\)");
    EXPECT_DEATH(A.swap(0, 6), "Assertion failed:\nj < m_array.size\\(\\)");
    EXPECT_DEATH(A.swap(7, 0), "Assertion failed:\ni < m_array.size\\(\\)");
    EXPECT_DEATH(A.mark_swap(1, 9), "j < m_array.size\\(\\)");
    EXPECT_DEATH(A.touch(6, COLOUR_TOUCH, 1, 10), "i < m_array.size\\(\\)");
    EXPECT_DEATH(A.mark(6, COLOUR_SORTED), "i < m_array.size\\(\\)");
}

TEST(SortArrayDeath, FinishFillOnAnEmptyArrayAsserts)
{
    SortArray A;
    EXPECT_DEATH(A.FinishFill(), "Assertion failed:\nm_array.size\\(\\) > 0");
}

} // namespace
