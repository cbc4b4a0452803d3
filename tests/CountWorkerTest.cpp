// quorvex count against the window: a cell's counts equal those of the same
// input run through the window's worker at zero delay.
#include <cstdlib>

#include <gtest/gtest.h>

#include "CountRun.h"
#include "CountTable.h"
#include "MainWindowTest.h"

namespace {

struct WindowRun
{
    uint64_t comparisons, accesses;
    int64_t inversions; // of the input, before the run
    unsigned runs;
    bool sorted;
};

} // namespace

class CountAgainstWindow : public MainWindowTest
{
protected:
    // Runs the algorithm at `algorithm` on the input that repetition 0 of the
    // count's cell sorts, through the Run button's path, with the speed at 0.
    WindowRun RunInWindow(size_t algorithm, size_t input, size_t size, const CountSettings& s)
    {
        Select(static_cast<int>(algorithm));
        frame->pivotRuleChoice->SetSelection(s.pivot);
        g_delay_ms = 0.0;
        const uint32_t seed = RunSeed(s.seed, input, size, 0);
        A().FillArray(static_cast<unsigned>(input), size, seed);
        WindowRun w;
        w.inversions = A().m_inversion_count;
        w.runs = A().CountRuns();
        srand(seed); // as the count seeds the random pivot
        RunPressed();
        EXPECT_TRUE(PumpUntil([&] { return frame->m_thread == nullptr; }, 60000));
        EXPECT_EQ(frame->m_finished_events, ++m_runs);
        w.comparisons = g_comparison_count;
        w.accesses = g_access_count;
        w.sorted = A().m_sorted_ok;
        return w;
    }

    int m_runs = 0;
};

TEST_F(CountAgainstWindow, ACellsCountsAreThoseOfTheWindowsWorker)
{
    enum { RANDOM = 0, ASCENDING = 1, DESCENDING = 2, CUBIC = 3, QUINTIC = 4, N2_EQUAL = 5 };
    const struct {
        const char* algorithm;
        size_t input, size;
        int32_t pivot;
    } cases[] = {
        {"Heap Sort", RANDOM, 100, 0},
        {"Quick Sort (LR ptrs)", CUBIC, 200, 3},   // random pivot: rand() seeded alike
        {"Quick Sort (dual pivot)", ASCENDING, 150, 4},
        {"Merge Sort", DESCENDING, 300, 0},        // inversions counted live
        {"std::sort (gcc)", N2_EQUAL, 600, 0},     // inversions not counted: above 512
        {"Block Merge Sort (WikiSort)", RANDOM, 256, 0},
        {"Tim Sort", QUINTIC, 400, 0},
        {"Shell Sort", RANDOM, 1024, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.algorithm);
        const size_t algorithm = static_cast<size_t>(Position(c.algorithm));
        CountSettings settings;
        settings.seed = 2026;
        settings.pivot = c.pivot;

        const WindowRun w = RunInWindow(algorithm, c.input, c.size, settings);
        SortArray array;
        const CellResult r = RunCell(CountCell{algorithm, c.input, c.size, 1}, settings, array);

        EXPECT_EQ(r.comparisons.min, w.comparisons);
        EXPECT_EQ(r.accesses.min, w.accesses);
        EXPECT_EQ(r.inversions, static_cast<double>(w.inversions));
        EXPECT_EQ(r.runs, static_cast<double>(w.runs));
        EXPECT_TRUE(w.sorted);
        EXPECT_TRUE(r.sorted);
        EXPECT_GT(w.comparisons, c.size); // a real run, not an empty one
    }
}
