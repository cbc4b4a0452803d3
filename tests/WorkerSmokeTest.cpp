// A whole run through the worker: the algorithm, the result check and the
// completion event, on the real window.
#include <gtest/gtest.h>

#include "GuiTest.h"
#include "SortAlgo.h"
#include "SortSound.h"
#include "WMain.h"

TEST(WorkerSmoke, RunSortsChecksAndReportsOnce)
{
    WMain* frame = new WMain(nullptr);
    g_delay_ms = 0.0; // after the window has applied its start speed
    SortArray& A = frame->sortview->m_items;
    A.FillArray(0, 50);
    frame->algoList->SetSelection(0); // Selection Sort

    ASSERT_TRUE(frame->RunAlgorithm());
    ASSERT_TRUE(PumpUntil([&] { return frame->m_thread == nullptr; }, 20000));
    EXPECT_TRUE(A.m_sorted_ok);
    EXPECT_EQ(g_comparison_count, 50u * 49u / 2u);

    frame->Destroy();
    PumpEvents(50);
}

TEST(WorkerSmoke, StopEndsAWorkerWithoutCompletion)
{
    WMain* frame = new WMain(nullptr);
    g_delay_ms = 1.0;
    frame->sortview->m_items.FillArray(0, 200);
    frame->algoList->SetSelection(3); // Bubble Sort

    ASSERT_TRUE(frame->RunAlgorithm());
    PumpEvents(50);
    frame->StopAlgorithm();
    EXPECT_EQ(frame->m_thread, nullptr);
    EXPECT_FALSE(frame->sortview->m_items.m_sorted_ok);

    frame->Destroy();
    PumpEvents(50);
}
