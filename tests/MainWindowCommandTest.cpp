// The main window's commands in every state of the worker: idle, running,
// paused, stepping, and finished with its completion event still queued.
#include <cstdlib>
#include <cstdio>
#include <ostream>
#include <string>

#include "MainWindowTest.h"

namespace {

enum class State { Idle, Running, Paused, Stepping, Finished };

const char* Name(State s)
{
    switch (s) {
    case State::Idle: return "Idle";
    case State::Running: return "Running";
    case State::Paused: return "Paused";
    case State::Stepping: return "Stepping";
    case State::Finished: return "Finished";
    }
    return "?";
}

// How the test list prints a state.
void PrintTo(State s, std::ostream* os)
{
    *os << Name(s);
}

} // namespace

class WorkerStateTest : public MainWindowTest
{
protected:
    // Brings the window into the state. A finished run uses a tiny array so
    // that it ends at once; the size slider is then back at 100.
    void Enter(State s)
    {
        switch (s) {
        case State::Idle:
            break;
        case State::Running:
            Scroll(frame->speedSlider, SPEED_FAST);
            RunPressed();
            ASSERT_NE(frame->m_thread, nullptr);
            ASSERT_TRUE(Advances());
            break;
        case State::Paused:
            Enter(State::Running);
            RunReleased();
            ASSERT_TRUE(frame->m_thread->IsPaused());
            break;
        case State::Stepping:
            Enter(State::Running);
            Step();
            ASSERT_TRUE(frame->sortview->m_step_mode);
            WaitQuiet();
            break;
        case State::Finished:
            Scroll(frame->arraySizeSlider, 3);
            Reset();
            Scroll(frame->speedSlider, 0);
            RunPressed();
            ASSERT_TRUE(WaitThreadEnded());
            // what follows runs on a full-sized array at the usual test speed
            Scroll(frame->arraySizeSlider, 100);
            Scroll(frame->speedSlider, SPEED_FAST);
            break;
        }
    }

    // A worker that runs: not paused, not in step mode, accessing the array.
    void ExpectRunning()
    {
        ASSERT_NE(frame->m_thread, nullptr);
        EXPECT_FALSE(frame->m_thread->IsPaused());
        EXPECT_FALSE(frame->sortview->m_step_mode);
        EXPECT_TRUE(frame->runButton->GetValue());
        EXPECT_TRUE(Advances());
    }

    void ExpectIdle()
    {
        EXPECT_EQ(frame->m_thread, nullptr);
        EXPECT_FALSE(frame->runButton->GetValue());
    }

    // A worker that waits for a step: each press releases one access.
    void ExpectStepping()
    {
        ASSERT_NE(frame->m_thread, nullptr);
        EXPECT_TRUE(frame->sortview->m_step_mode);
        EXPECT_FALSE(frame->m_thread->IsPaused());
        const uint64_t c = WaitQuiet();
        Step();
        EXPECT_TRUE(PumpUntil([&] { return Accesses() == c + 1; }, 5000));
        EXPECT_EQ(WaitQuiet(), c + 1);
    }
};

class EveryState : public WorkerStateTest, public ::testing::WithParamInterface<State>
{
};
// The Run button's two directions, in the states where the button can show
// the other one.
class RunPressedState : public EveryState
{
};
class RunReleasedState : public EveryState
{
};

std::string StateName(const ::testing::TestParamInfo<State>& p)
{
    return Name(p.param);
}
INSTANTIATE_TEST_SUITE_P(States, EveryState,
                         ::testing::Values(State::Idle, State::Running, State::Paused, State::Stepping,
                                           State::Finished),
                         StateName);
INSTANTIATE_TEST_SUITE_P(States, RunPressedState,
                         ::testing::Values(State::Idle, State::Paused, State::Stepping, State::Finished),
                         StateName);
// Stepping with Run pressed: stepping that began from idle.
INSTANTIATE_TEST_SUITE_P(States, RunReleasedState,
                         ::testing::Values(State::Running, State::Stepping, State::Finished), StateName);

// Reset ends any worker and refills the array at the chosen size; no
// completion event of the ended worker has an effect afterwards.
TEST_P(EveryState, ResetStopsAndRefills)
{
    Enter(GetParam());
    Scroll(frame->arraySizeSlider, 37);
    Reset();
    ExpectIdle();
    EXPECT_EQ(A().size(), 37u);
    EXPECT_FALSE(A().m_sorted_ok);
    EXPECT_EQ(Accesses(), 0u);
    EXPECT_EQ(g_comparison_count, 0u);
    EXPECT_FALSE(frame->sortview->m_step_mode);
    PumpEvents(50);
    ExpectIdle();
    EXPECT_EQ(Accesses(), 0u);
}

// Random ends any worker, refills, starts a random entry and selects nothing.
TEST_P(EveryState, RandomStartsARandomEntry)
{
    Enter(GetParam());
    const long before = frame->m_thread ? frame->m_thread->m_serial : 0;
    Scroll(frame->arraySizeSlider, 37);
    Scroll(frame->speedSlider, SPEED_FAST);

    srand(4711);
    const unsigned expected = static_cast<uint32_t>(rand()) % static_cast<uint32_t>(frame->algoList->GetCount());
    srand(4711);
    Random();

    ASSERT_NE(frame->m_thread, nullptr);
    EXPECT_NE(frame->m_thread->m_serial, before);
    EXPECT_EQ(frame->m_thread->m_algo, expected);
    EXPECT_EQ(frame->algoList->GetSelection(), wxNOT_FOUND);
    EXPECT_EQ(A().size(), 37u);
    EXPECT_TRUE(frame->runButton->GetValue());
    EXPECT_FALSE(frame->sortview->m_step_mode);

    // a completion event still queued from the ended worker changes nothing
    const long now = frame->m_thread->m_serial;
    wxTheApp->ProcessPendingEvents();
    if (frame->m_thread) {
        EXPECT_EQ(frame->m_thread->m_serial, now);
        EXPECT_TRUE(frame->runButton->GetValue());
    }

    // once the random run has ended, Run finds nothing selected
    Scroll(frame->speedSlider, 0);
    Reset();
    TestLog::Clear();
    RunPressed();
    EXPECT_TRUE(TestLog::Logged("Please select a sorting algorithm"));
    ExpectIdle();
}

// A double-click starts the clicked entry; a worker present is ended first
// and the array refilled.
TEST_P(EveryState, DoubleClickStartsTheEntry)
{
    const State s = GetParam();
    Enter(s);
    const size_t size_before = A().size();
    const long before = frame->m_thread ? frame->m_thread->m_serial : 0;
    Scroll(frame->arraySizeSlider, 37);
    Scroll(frame->speedSlider, SPEED_FAST);

    const int bubble = Position("Bubble Sort");
    DoubleClick(bubble);

    ASSERT_NE(frame->m_thread, nullptr);
    EXPECT_NE(frame->m_thread->m_serial, before);
    EXPECT_EQ(frame->m_thread->m_algo, static_cast<size_t>(bubble));
    // an idle window starts on the array as it is
    EXPECT_EQ(A().size(), s == State::Idle ? size_before : 37u);
    wxTheApp->ProcessPendingEvents();
    ExpectRunning();
}

// Run pressed: from idle a new run, from paused and stepping the same worker
// runs on, a finished worker is reaped and a new one started.
TEST_P(RunPressedState, RunsTheWorker)
{
    const State s = GetParam();
    Enter(s);
    const long before = frame->m_thread ? frame->m_thread->m_serial : 0;

    RunPressed();

    ASSERT_NE(frame->m_thread, nullptr);
    if (s == State::Paused || s == State::Stepping) {
        EXPECT_EQ(frame->m_thread->m_serial, before);
    }
    if (s == State::Finished) {
        EXPECT_NE(frame->m_thread->m_serial, before);
        // the finished run left the array sorted: the new run starts on a
        // fresh array of the chosen size
        EXPECT_EQ(A().size(), 100u);
        EXPECT_FALSE(A().m_sorted_ok);
    }
    // the queued completion event of a finished worker must not end the new one
    wxTheApp->ProcessPendingEvents();
    EXPECT_EQ(frame->m_finished_events, s == State::Finished ? 1 : 0);
    ExpectRunning();
}

// Run released: a running or stepping worker pauses; a finished one is reaped.
TEST_P(RunReleasedState, PausesTheWorker)
{
    const State s = GetParam();
    if (s == State::Stepping) {
        // reachable only when stepping began from idle: Step then leaves Run pressed
        Scroll(frame->speedSlider, SPEED_FAST);
        Step();
        ASSERT_TRUE(frame->runButton->GetValue());
        ASSERT_TRUE(frame->sortview->m_step_mode);
    }
    else {
        Enter(s);
    }

    RunReleased();

    if (s == State::Finished) {
        ExpectIdle();
        wxTheApp->ProcessPendingEvents();
        ExpectIdle();
        return;
    }
    ASSERT_NE(frame->m_thread, nullptr);
    EXPECT_TRUE(frame->m_thread->IsPaused());
    const uint64_t c = WaitQuiet();
    // paused: steps are not taken either
    Step(); // resumes: step mode, one step
    EXPECT_FALSE(frame->m_thread->IsPaused());
    EXPECT_FALSE(frame->runButton->GetValue());
    EXPECT_GT(WaitQuiet(), c);
    ExpectStepping();
}

// Step: into step mode with the Run button released, one access per press.
TEST_P(EveryState, StepReleasesOneAccess)
{
    const State s = GetParam();
    Scroll(frame->speedSlider, SPEED_FAST);
    Enter(s);

    Step();

    if (s == State::Finished) {
        // the step has nothing to release; the queued completion event reaps
        EXPECT_TRUE(frame->sortview->m_step_mode);
        EXPECT_FALSE(frame->runButton->GetValue());
        wxTheApp->ProcessPendingEvents();
        ExpectIdle();
        EXPECT_TRUE(A().m_sorted_ok);
        // the step nobody took is not left over for the next run
        RunPressed();
        ASSERT_NE(frame->m_thread, nullptr);
        EXPECT_EQ(frame->sortview->m_step_gate.TryWait(), wxSEMA_BUSY);
        return;
    }
    ASSERT_NE(frame->m_thread, nullptr);
    EXPECT_TRUE(frame->sortview->m_step_mode);
    // from idle the Run button stays pressed, as the new run left it
    EXPECT_EQ(frame->runButton->GetValue(), s == State::Idle);
    if (s == State::Idle) {
        // the run started without step mode: it may have made an access or two
        EXPECT_LE(WaitQuiet(), 3u);
    }
    ExpectStepping();

    // three quick presses release three accesses
    const uint64_t c = WaitQuiet();
    Step();
    Step();
    Step();
    EXPECT_TRUE(PumpUntil([&] { return Accesses() == c + 3; }, 5000));
    EXPECT_EQ(WaitQuiet(), c + 3);

    // Run pressed leaves step mode
    RunPressed();
    ExpectRunning();
}

TEST_F(WorkerStateTest, RunWithoutSelectionReportsAndStaysIdle)
{
    frame->algoList->SetSelection(wxNOT_FOUND);
    RunPressed();
    EXPECT_TRUE(TestLog::Logged("Please select a sorting algorithm"));
    ExpectIdle();

    TestLog::Clear();
    Step();
    EXPECT_TRUE(TestLog::Logged("Please select a sorting algorithm"));
    ExpectIdle();
    EXPECT_FALSE(frame->sortview->m_step_mode);
}

TEST_F(WorkerStateTest, CompletedRunReportsOnceAndRunRefillsTheSortedArray)
{
    Scroll(frame->arraySizeSlider, 20);
    Reset();
    Scroll(frame->speedSlider, 0);
    RunPressed();
    ASSERT_TRUE(PumpUntil([&] { return frame->m_thread == nullptr; }, 20000));
    EXPECT_FALSE(frame->runButton->GetValue());
    EXPECT_TRUE(A().m_sorted_ok);
    PumpEvents(50);
    EXPECT_EQ(frame->m_finished_events, 1);
    EXPECT_EQ(g_comparison_count, 20u * 19u / 2u); // selection sort

    // the next Run starts on a fresh array of the current type and size
    Scroll(frame->arraySizeSlider, 12);
    frame->inputTypeChoice->SetSelection(2); // Descending
    Scroll(frame->speedSlider, 1600);        // slow: no item moves for seconds
    RunPressed();
    ASSERT_NE(frame->m_thread, nullptr);
    EXPECT_FALSE(A().m_sorted_ok);
    ASSERT_EQ(A().size(), 12u);
    EXPECT_EQ(A().direct(0).raw(), 12);
    EXPECT_EQ(A().direct(11).raw(), 1);
}

// A completion event can wait in the queue while its worker is stopped and a
// newer one started: it must neither end nor wait for the newer worker.
TEST_F(WorkerStateTest, StaleCompletionEventLeavesTheNewerWorkerAlone)
{
    Enter(State::Finished);
    Reset(); // joins the finished worker; its event stays queued
    Scroll(frame->arraySizeSlider, 100);
    Reset();
    Scroll(frame->speedSlider, SPEED_FAST);
    RunPressed();
    ASSERT_NE(frame->m_thread, nullptr);
    const long newer = frame->m_thread->m_serial;

    // joining the newer worker here would hold the window for its whole run
    wxStopWatch sw;
    wxTheApp->ProcessPendingEvents();
    EXPECT_LT(sw.Time(), 1000);
    EXPECT_EQ(frame->m_finished_events, 1);
    ASSERT_NE(frame->m_thread, nullptr);
    EXPECT_EQ(frame->m_thread->m_serial, newer);
    ExpectRunning();
}

// Closing the window ends the worker in any state and the window goes away.
TEST_P(EveryState, ClosingEndsTheWorker)
{
    Enter(GetParam());
    Close();
    const uint64_t c = Accesses();
    PumpEvents(100);
    EXPECT_EQ(Accesses(), c);
}

// The inversion value switches counting while a worker runs.
TEST_F(WorkerStateTest, InversionClickWhileRunning)
{
    Enter(State::Running);
    ASSERT_TRUE(A().m_inversions_on);
    Click(frame->labelInversionsValue);
    EXPECT_FALSE(A().m_inversions_on);
    EXPECT_TRUE(PumpUntil([&] { return frame->labelInversionsValue->GetLabel() == "skipped"; }, 2000));
    ExpectRunning();
    EXPECT_EQ(A().m_inversion_count, -1);
}

// The pivot rule chosen when a run starts is the one the quick sorts use.
TEST_F(WorkerStateTest, RunTakesThePivotRuleOfTheChoice)
{
    EXPECT_EQ(frame->pivotRuleChoice->GetStrings(), PivotRuleNames());
    Select(Position("Quick Sort (LR ptrs)"));
    ASSERT_TRUE(frame->pivotRulePanel->IsShown());
    Scroll(frame->speedSlider, SPEED_FAST);
    for (int rule : {3, 1, 4, 0, 2}) {
        frame->pivotRuleChoice->SetSelection(rule);
        g_pivot_rule = -1;
        RunPressed();
        ASSERT_NE(frame->m_thread, nullptr);
        EXPECT_EQ(g_pivot_rule, rule);
        Reset();
    }
}

// At the slowest speed (2 s per access) every stop returns to a responsive
// window at once: the worker's wait for its delay, for a step or for the end
// of a pause is cut short, and the command that stops it finds it joined
// well within the delay. The worker still ends at a paced access: no result
// check, no completion event.
namespace {

enum class StopCommand { Reset, Random, DoubleClick, Close };

struct SlowStopCase
{
    State state;
    StopCommand command;
    long settle_ms; // how long the worker waits before the command
};

std::string SlowStopText(const SlowStopCase& c)
{
    static const char* commands[] = {"Reset", "Random", "DoubleClick", "Close"};
    return std::string(Name(c.state)) + commands[static_cast<int>(c.command)] + std::to_string(c.settle_ms);
}

std::string SlowStopName(const ::testing::TestParamInfo<SlowStopCase>& p)
{
    return SlowStopText(p.param);
}

void PrintTo(const SlowStopCase& c, std::ostream* os)
{
    *os << SlowStopText(c);
}

} // namespace

class SlowStop : public WorkerStateTest, public ::testing::WithParamInterface<SlowStopCase>
{
};

TEST_P(SlowStop, ReturnsAtOnce)
{
    const SlowStopCase c = GetParam();
    const int SPEED_SLOWEST = 2000;
    Scroll(frame->speedSlider, SPEED_SLOWEST);
    ASSERT_NEAR(g_delay_ms, 2000.0, 1e-6);

    // 300 ms in, the worker is inside its first delay; 2300 ms in, a paused
    // worker blocks at its next pause point and a stepping one waits for
    // its next step
    switch (c.state) {
    case State::Running:
        RunPressed();
        break;
    case State::Paused:
        RunPressed();
        RunReleased();
        break;
    case State::Stepping:
        Step(); // from idle: one access released, then the wait for the next
        break;
    default:
        FAIL() << "not a state with a worker";
    }
    ASSERT_NE(frame->m_thread, nullptr);
    PumpEvents(c.settle_ms);
    ASSERT_NE(frame->m_thread, nullptr);
    ASSERT_TRUE(frame->m_thread->IsAlive());
    const long serial = frame->m_thread->m_serial;
    const int finished_before = frame->m_finished_events;

    wxStopWatch sw;
    switch (c.command) {
    case StopCommand::Reset: Reset(); break;
    case StopCommand::Random: Random(); break;
    case StopCommand::DoubleClick: DoubleClick(Position("Bubble Sort")); break;
    case StopCommand::Close: Close(); break;
    }
    const long took = sw.Time();
    std::printf("%s at 2 s per access: worker joined after %ld ms\n", SlowStopName({c, 0}).c_str(), took);
    EXPECT_LT(took, 500);

    if (c.command == StopCommand::Close) return;
    // the stopped worker is gone; a new one (Random, double-click) is another
    if (frame->m_thread) {
        EXPECT_NE(frame->m_thread->m_serial, serial);
    }
    PumpEvents(100);
    EXPECT_EQ(frame->m_finished_events, finished_before);
    EXPECT_FALSE(A().m_sorted_ok);
    // a new worker started at this speed ends as quickly
    wxStopWatch again;
    frame->StopAlgorithm();
    EXPECT_LT(again.Time(), 500);
}

INSTANTIATE_TEST_SUITE_P(
    States, SlowStop,
    ::testing::Values(SlowStopCase{State::Running, StopCommand::Reset, 300},
                      SlowStopCase{State::Running, StopCommand::Random, 300},
                      SlowStopCase{State::Running, StopCommand::DoubleClick, 300},
                      SlowStopCase{State::Running, StopCommand::Close, 300},
                      SlowStopCase{State::Paused, StopCommand::Reset, 300},
                      SlowStopCase{State::Paused, StopCommand::Reset, 2300},
                      SlowStopCase{State::Paused, StopCommand::Close, 2300},
                      SlowStopCase{State::Stepping, StopCommand::Reset, 300},
                      SlowStopCase{State::Stepping, StopCommand::DoubleClick, 2300},
                      SlowStopCase{State::Stepping, StopCommand::Close, 2300}),
    SlowStopName);

// The watched index variables live in the worker's frames: the run clears
// them where it ends, whether stopped or finished, so that the painter never
// reads a variable of an ended worker, refill or no refill.
TEST_F(WorkerStateTest, NoWatchOutlivesTheRun)
{
    Select(Position("Selection Sort")); // watches its minimum's index
    Scroll(frame->speedSlider, SPEED_FAST);
    RunPressed();
    ASSERT_TRUE(Advances(20));
    {
        wxMutexLocker lock(A().m_guard);
        EXPECT_FALSE(A().m_watched.empty()) << "the running algorithm watches a variable";
    }
    frame->StopAlgorithm(); // the stop alone: no refill follows
    ASSERT_EQ(frame->m_thread, nullptr);
    EXPECT_TRUE(A().m_watched.empty());

    // a finished run: the result check already runs without them
    Scroll(frame->arraySizeSlider, 10);
    Reset();
    Scroll(frame->speedSlider, 0);
    RunPressed();
    ASSERT_TRUE(WaitThreadEnded());
    EXPECT_TRUE(A().m_watched.empty());
    EXPECT_TRUE(A().m_sorted_ok);
}
