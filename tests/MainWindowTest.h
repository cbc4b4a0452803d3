// A fixture that opens the real main window and drives it through the same
// command events its controls send.
#ifndef QUORVEX_TESTS_MAINWINDOWTEST_H
#define QUORVEX_TESTS_MAINWINDOWTEST_H

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>
#include <wx/stopwatch.h>

#include "GuiTest.h"
#include "SortAlgo.h"
#include "SortSound.h"
#include "WMain.h"

// The main window with its completion events counted.
class CountingMain : public WMain
{
public:
    explicit CountingMain(wxWindow* parent) : WMain(parent) {}

    int m_finished_events = 0;

    void HandleRunFinished(wxCommandEvent& ce) override
    {
        ++m_finished_events;
        WMain::HandleRunFinished(ce);
    }
};

// Speed slider positions used by the tests.
enum {
    SPEED_FAST = 300,  // about 0.44 ms per access
    SPEED_START = 1000 // the start value, about 14 ms
};

class MainWindowTest : public ::testing::Test
{
protected:
    CountingMain* frame = nullptr;

    void SetUp() override { Open(); }
    void TearDown() override { Close(); }

    // Opens the window; the audio library uses the given driver. The default
    // names no driver that exists, so that every machine behaves as one
    // without audio.
    void Open(const char* audio_driver = "quorvex-no-driver", const std::string& disk_file = "")
    {
        setenv("SDL_AUDIODRIVER", audio_driver, 1);
        if (!disk_file.empty()) setenv("SDL_DISKAUDIOFILE", disk_file.c_str(), 1);
        TestLog::Clear();
        frame = new CountingMain(nullptr);
    }

    // Closes the window as the toolkit does and waits until it is gone.
    void Close()
    {
        if (!frame) return;
        wxWindow* w = frame;
        frame = nullptr;
        w->Close(true);
        EXPECT_TRUE(PumpUntil([&] { return !wxTheApp->IsScheduledForDestruction(w); }, 10000));
    }

    SortArray& A() { return frame->sortview->m_items; }

    // The catalogue position of the entry with this name.
    static int Position(const wxString& name)
    {
        for (size_t i = 0; i < g_algolist_size; ++i)
            if (g_algolist[i].name == name) return static_cast<int>(i);
        ADD_FAILURE() << "no entry " << name.utf8_str();
        return 0;
    }
    uint64_t Accesses() const { return g_access_count; }

    // --- the controls' events ---

    void Click(wxWindow* control)
    {
        wxCommandEvent ce(wxEVT_BUTTON, control->GetId());
        ce.SetEventObject(control);
        control->GetEventHandler()->ProcessEvent(ce);
    }
    void Toggle(wxToggleButton* button, bool pressed)
    {
        button->SetValue(pressed);
        wxCommandEvent ce(wxEVT_TOGGLEBUTTON, button->GetId());
        ce.SetInt(pressed ? 1 : 0);
        ce.SetEventObject(button);
        button->GetEventHandler()->ProcessEvent(ce);
    }
    void Scroll(wxSlider* slider, int pos)
    {
        slider->SetValue(pos);
        wxScrollEvent se(wxEVT_SCROLL_THUMBTRACK, slider->GetId(), pos);
        se.SetEventObject(slider);
        slider->GetEventHandler()->ProcessEvent(se);
    }
    void ListEvent(wxEventType type, int pos)
    {
        wxListBox* list = frame->algoList;
        list->SetSelection(pos);
        wxCommandEvent ce(type, list->GetId());
        ce.SetInt(pos);
        if (pos != wxNOT_FOUND) ce.SetString(list->GetString(pos));
        ce.SetEventObject(list);
        list->GetEventHandler()->ProcessEvent(ce);
    }
    void Select(int pos) { ListEvent(wxEVT_LISTBOX, pos); }
    void DoubleClick(int pos) { ListEvent(wxEVT_LISTBOX_DCLICK, pos); }

    void RunPressed() { Toggle(frame->runButton, true); }
    void RunReleased() { Toggle(frame->runButton, false); }
    void Step() { Click(frame->stepButton); }
    void Reset() { Click(frame->resetButton); }
    void Random() { Click(frame->randomButton); }

    // --- observing the worker ---

    // Pumps events until the access counter has not moved for quiet_ms,
    // and returns it. A worker that waits for a step or is paused is quiet.
    uint64_t WaitQuiet(long quiet_ms = 400, long timeout_ms = 20000)
    {
        wxStopWatch total, still;
        uint64_t last = Accesses();
        while (total.Time() < timeout_ms) {
            PumpEvents(5);
            const uint64_t now = Accesses();
            if (now != last) {
                last = now;
                still.Start();
            }
            else if (still.Time() >= quiet_ms) {
                break;
            }
        }
        return last;
    }

    // Pumps events until the access counter has grown by `by`; false if it
    // has not within the time-out.
    bool Advances(uint64_t by = 5, long timeout_ms = 20000)
    {
        const uint64_t from = Accesses();
        return PumpUntil([&] { return Accesses() >= from + by; }, timeout_ms);
    }

    // Waits, without handling any event, until the worker's thread has
    // ended: the completion event then waits in the queue.
    bool WaitThreadEnded(long timeout_ms = 20000)
    {
        wxStopWatch sw;
        while (frame->m_thread && frame->m_thread->IsAlive() && sw.Time() < timeout_ms) wxMilliSleep(1);
        return frame->m_thread && !frame->m_thread->IsAlive();
    }
};

#endif
