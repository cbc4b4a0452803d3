// The worker as the main window drives it: the delay, pause, single steps and
// stop all take effect at paced accesses, a finished run reports once, and a
// stopped one never.
//
// Every paced access of the algorithms used here is a counted one, so
// g_access_count counts paced accesses; a worker waiting in its pacer has
// already counted the access it waits in. Waits are for counts, with generous
// time-outs; the only timed claims are bounds that sleeping longer can never
// break.
#include <gtest/gtest.h>

#include <vector>

#include <wx/stopwatch.h>

#include "GuiTest.h"
#include "SortAlgo.h"
#include "SortSound.h"
#include "WMain.h"

namespace {

const int SELECTION_SORT = 0; // catalogue position

class Pacing : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_delay = g_delay_ms;
        frame = new WMain(nullptr);
        frame->Bind(wxEVT_BUTTON, [this](wxCommandEvent& e) {
            ++completions;
            sorted_at_completion = frame->sortview->m_items.m_sorted_ok;
            e.Skip(); // on to the window's own handler
        }, ID_RUN_FINISHED);
    }
    void TearDown() override
    {
        frame->StopAlgorithm();
        frame->Destroy();
        PumpEvents(20);
        g_delay_ms = m_delay;
    }

    // Starts selection sort on n shuffled items.
    void Start(size_t n, double delay)
    {
        g_delay_ms = delay;
        frame->sortview->m_items.FillArray(0, n);
        frame->algoList->SetSelection(SELECTION_SORT);
        ASSERT_TRUE(frame->RunAlgorithm());
        ASSERT_NE(frame->m_thread, nullptr);
    }

    static uint64_t Accesses() { return g_access_count; }

    // Waits until the count has not moved for two windows of 150 ms in a row
    // (a worker merely held up by a busy machine moves again within that), and
    // returns it; a worker that never comes to rest fails the test.
    static uint64_t Settled()
    {
        int quiet = 0;
        for (int tries = 0; tries < 60; ++tries) {
            const uint64_t before = Accesses();
            PumpEvents(150);
            quiet = Accesses() == before ? quiet + 1 : 0;
            if (quiet == 2) return before;
        }
        ADD_FAILURE() << "the worker did not come to rest";
        return Accesses();
    }

    // Puts the running worker into step mode and waits until it sits in its
    // pacer waiting for a step.
    uint64_t EnterStepMode()
    {
        frame->sortview->m_step_mode = true;
        return Settled();
    }

    WMain* frame = nullptr;
    int completions = 0;
    bool sorted_at_completion = false;
    double m_delay = 0;
};

} // namespace

TEST_F(Pacing, FinishedRunReportsExactlyOnceAfterTheResultCheck)
{
    Start(60, 0.0);
    ASSERT_TRUE(PumpUntil([&] { return frame->m_thread == nullptr; }, 20000));
    PumpEvents(200); // a second event would have arrived by now
    EXPECT_EQ(completions, 1);
    EXPECT_TRUE(sorted_at_completion); // the check had finished when the event came
    EXPECT_TRUE(frame->sortview->m_items.m_sorted_ok);

    // a second run on the sorted array refills it and reports once more
    ASSERT_TRUE(frame->RunAlgorithm());
    ASSERT_TRUE(PumpUntil([&] { return frame->m_thread == nullptr; }, 20000));
    PumpEvents(200);
    EXPECT_EQ(completions, 2);
}

TEST_F(Pacing, EachAccessSleepsTheDelayReadAfresh)
{
    wxStopWatch sw;
    Start(2000, 40.0);
    PumpEvents(500);
    const uint64_t slow = Accesses();
    const long elapsed = sw.Time();
    EXPECT_GE(slow, 1u);
    // every access sleeps at least 40 ms
    EXPECT_LE(slow, static_cast<uint64_t>(elapsed / 40 + 1));

    // a new delay takes effect at the next access
    g_delay_ms = 0.0;
    EXPECT_TRUE(PumpUntil([&] { return Accesses() > slow + 5000; }, 20000));
}

TEST_F(Pacing, PauseHoldsTheWorkerAndResumeLetsItGoOn)
{
    Start(2000, 0.2);
    ASSERT_TRUE(PumpUntil([&] { return Accesses() > 20; }, 10000));

    ASSERT_EQ(frame->m_thread->Pause(), wxTHREAD_NO_ERROR);
    const uint64_t held = Settled(); // at most one more access after the pause
    PumpEvents(300);
    EXPECT_EQ(Accesses(), held);

    ASSERT_EQ(frame->m_thread->Resume(), wxTHREAD_NO_ERROR);
    EXPECT_TRUE(PumpUntil([&] { return Accesses() > held + 20; }, 10000));

    // stopping a paused worker resumes it; it ends at its next access
    ASSERT_EQ(frame->m_thread->Pause(), wxTHREAD_NO_ERROR);
    const uint64_t stopped_at = Settled();
    frame->StopAlgorithm();
    EXPECT_EQ(frame->m_thread, nullptr);
    EXPECT_LE(Accesses(), stopped_at + 1);
    PumpEvents(200);
    EXPECT_EQ(completions, 0);
    EXPECT_FALSE(frame->sortview->m_items.m_sorted_ok);
}

TEST_F(Pacing, EachStepReleasesOnePacedAccess)
{
    Start(2000, 0.2);
    ASSERT_TRUE(PumpUntil([&] { return Accesses() > 20; }, 10000));
    const uint64_t waiting = EnterStepMode();
    PumpEvents(300);
    ASSERT_EQ(Accesses(), waiting); // nothing moves without a step

    frame->sortview->DoStepwise();
    EXPECT_TRUE(PumpUntil([&] { return Accesses() == waiting + 1; }, 5000));
    PumpEvents(300);
    EXPECT_EQ(Accesses(), waiting + 1);

    // three quick presses release three accesses
    for (int k = 0; k < 3; ++k) frame->sortview->DoStepwise();
    EXPECT_TRUE(PumpUntil([&] { return Accesses() == waiting + 4; }, 5000));
    PumpEvents(300);
    EXPECT_EQ(Accesses(), waiting + 4);

    // leaving step mode lets the worker run on by itself
    frame->sortview->m_step_mode = false;
    EXPECT_TRUE(PumpUntil([&] { return Accesses() > waiting + 100; }, 10000));
}

TEST_F(Pacing, StopWhileWaitingForAStepEndsWithoutReport)
{
    Start(2000, 0.2);
    ASSERT_TRUE(PumpUntil([&] { return Accesses() > 20; }, 10000));
    const uint64_t waiting = EnterStepMode();

    frame->StopAlgorithm(); // clears step mode; the wait ends within 200 ms
    EXPECT_EQ(frame->m_thread, nullptr);
    EXPECT_FALSE(frame->sortview->m_step_mode);
    // the access after the wait is where the worker ended
    EXPECT_EQ(Accesses(), waiting + 1);
    PumpEvents(300);
    EXPECT_EQ(completions, 0);
    EXPECT_FALSE(frame->sortview->m_items.m_sorted_ok);

    // the window can start again, and that run reports once
    frame->sortview->m_items.FillArray(0, 30);
    g_delay_ms = 0.0;
    ASSERT_TRUE(frame->RunAlgorithm());
    ASSERT_TRUE(PumpUntil([&] { return frame->m_thread == nullptr; }, 20000));
    PumpEvents(200);
    EXPECT_EQ(completions, 1);
}

TEST_F(Pacing, StopAtNearlyFullSpeedEndsWithoutReport)
{
    Start(2000, 0.01); // millions of accesses to go: the run cannot finish first
    ASSERT_TRUE(PumpUntil([&] { return Accesses() > 1000; }, 10000));
    frame->StopAlgorithm();
    EXPECT_EQ(frame->m_thread, nullptr);
    const uint64_t at_stop = Accesses();
    PumpEvents(300);
    EXPECT_EQ(Accesses(), at_stop);
    EXPECT_EQ(completions, 0);
    EXPECT_FALSE(frame->sortview->m_items.m_sorted_ok);
}

// The stop point unwinds the algorithm's frames: what an algorithm holds is
// released before the worker ends, and nothing after the stop point runs.
namespace {

struct Released
{
    bool* flag;
    ~Released() { *flag = true; }
};

class HoldingWorker : public SortAlgoThread
{
public:
    HoldingWorker(WMain* wmain, WSortView* view, bool* released, bool* caught, bool* went_on)
        : SortAlgoThread(wmain, view, 0), m_released(released), m_caught(caught), m_went_on(went_on) {}

    ExitCode Entry() override
    {
        SortArray& A = m_view->m_items;
        try {
            Released guard{m_released};
            std::vector<int> buffer(100000, 1);
            // far more accesses than the test waits for: without a stop
            // point the loop would end by itself
            for (size_t k = 0; k < 100000; ++k) {
                const SortItem& item = A[k % A.size()];
                buffer[k % buffer.size()] += item.raw();
            }
            *m_went_on = true;
        }
        catch (const SortAbort&) {
            *m_caught = true;
        }
        return 0;
    }

private:
    bool *m_released, *m_caught, *m_went_on;
};

} // namespace

TEST_F(Pacing, StopUnwindsTheAlgorithmAndReleasesWhatItHolds)
{
    bool released = false, caught = false, went_on = false;
    g_delay_ms = 0.1;
    frame->sortview->m_items.FillArray(0, 100);
    frame->m_abort_requested = false;
    frame->m_thread = new HoldingWorker(frame, frame->sortview, &released, &caught, &went_on);
    ASSERT_EQ(frame->m_thread->Create(), wxTHREAD_NO_ERROR);
    ASSERT_EQ(frame->m_thread->Run(), wxTHREAD_NO_ERROR);
    ASSERT_TRUE(PumpUntil([&] { return Accesses() > 50; }, 10000));

    frame->StopAlgorithm(); // joined: the flags are settled
    EXPECT_TRUE(caught);
    EXPECT_TRUE(released);
    EXPECT_FALSE(went_on);
}
