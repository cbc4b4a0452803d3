// Inversion and run counting: the full count, the incremental update on every
// swap, the recount after writes, the switch, and the runs.
#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>

#include "SortAlgo.h"
#include "SortArray.h"
#include "Trace.h"

namespace {

uint32_t BruteForceInversions(const std::vector<int>& v)
{
    uint32_t count = 0;
    for (size_t i = 0; i < v.size(); ++i)
        for (size_t j = i + 1; j < v.size(); ++j) count += v[i] > v[j];
    return count;
}

AlgoListEntry EntryWithLimit(unsigned int limit)
{
    return AlgoListEntry{"test", nullptr, 0xFFFFFFFF, limit, wxEmptyString};
}

TEST(Inversions, FullCountMatchesEveryPairOnRandomArrays)
{
    std::mt19937 rng(3);
    SortArray A;
    for (size_t n : {1u, 2u, 3u, 7u, 64u, 100u, 333u, 2048u}) {
        for (int distinct : {2, 10, 5000}) {
            std::vector<int> v(n);
            for (int& x : v) x = static_cast<int>(rng() % distinct) - distinct / 2;
            SetValues(A, v);
            EXPECT_EQ(A.m_inversion_count, BruteForceInversions(v)) << n << " items";
        }
    }
    A.FillArray(2, 2048);
    EXPECT_EQ(A.m_inversion_count, 2048 * 2047 / 2);
}

TEST(Inversions, HandWorkedCounts)
{
    SortArray A;
    SetValues(A, {3, 1, 2});
    EXPECT_EQ(A.m_inversion_count, 2);
    A.swap(0, 2); // 2 1 3: the item between contributes 0, the pair -1
    EXPECT_EQ(A.m_inversion_count, 1);
    A.swap(1, 1);
    EXPECT_EQ(A.m_inversion_count, 1);

    SetValues(A, {5, 4});
    A.swap(0, 1);
    EXPECT_EQ(A.m_inversion_count, 0);

    SetValues(A, {2, 2});
    EXPECT_EQ(A.m_inversion_count, 0);
    EXPECT_EQ(A.CountRuns(), 1u);
}

TEST(Inversions, SwapUpdateStaysExactOverRandomSwaps)
{
    std::mt19937 rng(11);
    SortArray A;
    A.FillArray(3, 200); // many equal values
    for (int k = 0; k < 2000; ++k) {
        A.swap(rng() % 200, rng() % 200);
        ASSERT_EQ(A.m_inversion_count, BruteForceInversions(Values(A))) << "swap " << k;
    }
}

TEST(Inversions, WritesRecountBeforeTheCallerWritesThroughTheReference)
{
    SortArray A;
    SetValues(A, {1, 2, 3, 4});
    A.set(0, SortItem(9));
    EXPECT_EQ(A.m_inversion_count, 3);
    A.get_mutable(3) = SortItem(0); // counted on the values before the write
    EXPECT_EQ(A.m_inversion_count, 3);
    A.get_mutable(1);
    EXPECT_EQ(A.m_inversion_count, 5);
}

TEST(Inversions, SwitchedOffShowsMinusOneAndOnWaitsForTheNextUpdate)
{
    SortArray A;
    SetValues(A, {4, 3, 2, 1});
    A.ToggleInversions();
    EXPECT_FALSE(A.m_inversions_on);
    EXPECT_EQ(A.m_inversion_count, -1);
    A.swap(0, 3);
    A.set(1, SortItem(3));
    EXPECT_EQ(A.m_inversion_count, -1);

    A.ToggleInversions(); // on again: still unknown until something changes
    EXPECT_TRUE(A.m_inversions_on);
    EXPECT_EQ(A.m_inversion_count, -1);
    A[2];
    EXPECT_EQ(A.m_inversion_count, -1);
    A.set(1, SortItem(2)); // 1 2 2 4
    EXPECT_EQ(A.m_inversion_count, 0);

    A.ToggleInversions();
    A.ToggleInversions();
    A.get_mutable(0);
    EXPECT_EQ(A.m_inversion_count, 0);
}

// The first swap after counting is switched back on counts the items before
// the exchange and must still include the exchange itself: otherwise the count
// stays off by that swap's change for the rest of the run.
TEST(Inversions, FirstSwapAfterSwitchingOnIncludesItsOwnChange)
{
    SortArray A;
    SetValues(A, {4, 3, 2, 1});
    A.ToggleInversions();
    A.ToggleInversions();
    A.swap(0, 3); // 1 3 2 4
    EXPECT_EQ(A.m_inversion_count, 1);
    A.swap(1, 2); // 1 2 3 4
    EXPECT_EQ(A.m_inversion_count, 0);
}

TEST(Inversions, PrepareDecidesByTheEntrysLimitAtEveryRun)
{
    SortArray A;
    A.FillArray(2, 1024);
    A.PrepareInversions(EntryWithLimit(1024));
    EXPECT_TRUE(A.m_inversions_on);
    EXPECT_EQ(A.m_inversion_count, 1024 * 1023 / 2);

    A.PrepareInversions(EntryWithLimit(512));
    EXPECT_FALSE(A.m_inversions_on);
    EXPECT_EQ(A.m_inversion_count, -1);
    A.CheckSorted();
    EXPECT_EQ(A.m_inversion_count, -1); // skipped through the result check

    A.ToggleInversions(); // the user's earlier choice does not carry over
    A.PrepareInversions(EntryWithLimit(0xFFFFFFFF));
    EXPECT_TRUE(A.m_inversions_on);
    A.FillArray(2, 1024);
    EXPECT_TRUE(A.m_inversions_on);
}

TEST(Runs, CountsDescentsPlusOne)
{
    SortArray A;
    A.FillArray(1, 50);
    EXPECT_EQ(A.CountRuns(), 1u);
    A.FillArray(2, 10);
    EXPECT_EQ(A.CountRuns(), 10u);
    SetValues(A, {1, 3, 3, 2, 5, 4});
    EXPECT_EQ(A.CountRuns(), 3u);
    A.FillArray(0, 1);
    EXPECT_EQ(A.CountRuns(), 1u);
    SortArray empty;
    EXPECT_EQ(empty.CountRuns(), 1u);
}

} // namespace

// The switch is clicked on the GUI thread while the worker swaps: no click
// is ever lost to the worker's update of the count. After every burst of
// clicks (the worker then stopped), counting is on exactly when the number
// of clicks is even, a count shown while off is always -1, and a count shown
// while on is the array's true number of inversions or still unknown (-1).
TEST(Inversions, ClicksDuringSwapsAreNeverLost)
{
    SortArray A;
    std::vector<int> v(1024);
    for (size_t i = 0; i < v.size(); ++i) v[i] = static_cast<int>(i + 1);
    SetValues(A, v);

    std::mt19937 rng(20261210);
    int lost = 0, wrong = 0;
    for (int burst = 0; burst < 100; ++burst) {
        const bool on_before = A.m_inversions_on;
        std::atomic<bool> stop(false);
        std::atomic<long> swaps(0);
        std::thread worker([&] {
            std::mt19937 wrng(burst);
            std::uniform_int_distribution<size_t> pick(0, v.size() - 1);
            while (!stop.load()) {
                // far apart, so that one update takes a while
                const size_t i = pick(wrng) % 64, j = v.size() - 1 - pick(wrng) % 64;
                A.swap(i, j);
                swaps.fetch_add(1);
            }
        });
        while (swaps.load() < 3) std::this_thread::yield();
        const int clicks = 1 + static_cast<int>(rng() % 7);
        for (int k = 0; k < clicks; ++k) {
            const long seen = swaps.load();
            A.ToggleInversions();
            // the next click meets the worker in another update
            while (swaps.load() == seen && rng() % 4 != 0) std::this_thread::yield();
        }
        stop = true;
        worker.join();

        const bool expected_on = (clicks % 2 == 0) ? on_before : !on_before;
        if (A.m_inversions_on != expected_on) ++lost;
        const int64_t count = A.m_inversion_count;
        if (!A.m_inversions_on && count != -1) ++wrong;
        if (A.m_inversions_on && count != -1 && count != BruteForceInversions(Values(A))) ++wrong;
    }
    EXPECT_EQ(lost, 0) << "clicks lost";
    EXPECT_EQ(wrong, 0) << "bursts that left a count not matching the switch";
}
