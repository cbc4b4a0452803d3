// The main window as it opens: controls, start values, layout, title and icon;
// the slider mappings; the status refresh; the About dialog.
#include <cmath>
#include <regex>
#include <vector>

#include <wx/bitmap.h>
#include <wx/hyperlink.h>
#include <wx/image.h>
#include <wx/tooltip.h>
#include <wx/uiaction.h>

#include "MainWindowTest.h"
#include "WAbout.h"

namespace {

wxString ToolTipOf(wxWindow* w)
{
    return w->GetToolTip() ? w->GetToolTip()->GetTip() : wxString("(none)");
}

} // namespace

TEST_F(MainWindowTest, ControlsHaveTheirIdsLabelsAndTooltips)
{
    struct Control
    {
        wxWindow* window;
        int id;
        const char* label;
    };
    const std::vector<Control> buttons = {
        {frame->runButton, 6999, "&Run"},     {frame->resetButton, 7000, "R&eset"},
        {frame->stepButton, 7001, "&Step"},   {frame->soundButton, 7002, "S&ound"},
        {frame->aboutButton, 5014, "&About"}, {frame->randomButton, 7003, "Ran&dom"},
    };
    for (const Control& c : buttons) {
        EXPECT_EQ(c.window->GetId(), c.id) << c.label;
        EXPECT_EQ(c.window->GetLabel(), c.label);
        EXPECT_EQ(c.window->GetParent(), frame->controlPanel) << c.label;
    }
    EXPECT_TRUE(wxDynamicCast(frame->runButton, wxToggleButton));
    EXPECT_TRUE(wxDynamicCast(frame->soundButton, wxToggleButton));

    EXPECT_EQ(frame->speedSlider->GetId(), 7005);
    EXPECT_EQ(frame->soundSustainSlider->GetId(), 7006);
    EXPECT_EQ(frame->labelInversionsValue->GetId(), 7007);
    EXPECT_EQ(frame->arraySizeSlider->GetId(), 7008);
    EXPECT_EQ(frame->algoList->GetId(), 7009);

    struct Range
    {
        wxSlider* slider;
        int min, max;
    };
    for (const Range& r : {Range{frame->speedSlider, 0, 2000}, Range{frame->soundSustainSlider, 0, 2000},
                           Range{frame->arraySizeSlider, 1, 2048}}) {
        EXPECT_EQ(r.slider->GetMin(), r.min);
        EXPECT_EQ(r.slider->GetMax(), r.max);
        EXPECT_FALSE(r.slider->HasFlag(wxSL_VERTICAL));
    }

    EXPECT_EQ(ToolTipOf(frame->speedSlider),
              "Changes the animation speed by setting the delay for each array access.");
    EXPECT_EQ(ToolTipOf(frame->soundSustainSlider),
              "Changes the duration of each access sound as a multiple of the delay.");
    EXPECT_EQ(ToolTipOf(frame->labelInversionsValue),
              "Current number of inversions. Click to enable or disable.");
    EXPECT_EQ(ToolTipOf(frame->labelRunsValue), "Current number of runs.");

    // the four status values are clickable texts; only the inversion value has an id of its own
    for (wxClickText* t : {frame->labelComparisonsValue, frame->labelAccessesValue,
                           frame->labelInversionsValue, frame->labelRunsValue}) {
        EXPECT_EQ(t->GetName(), "staticText");
        EXPECT_TRUE(t->HasFlag(0x20000));
    }
    EXPECT_LT(frame->labelComparisonsValue->GetId(), 0);
    EXPECT_LT(frame->labelRunsValue->GetId(), 0);

    // the captions of the two groups and of the rows
    std::vector<wxString> texts;
    for (wxWindow* w : frame->controlPanel->GetChildren())
        if (dynamic_cast<wxStaticText*>(w) && !dynamic_cast<wxClickText*>(w)) texts.push_back(w->GetLabel());
    for (const char* caption : {"Speed: ", "Delay: ", "Sound Sustain: ", "Comparisons: ", "Array Accesses: ",
                                "Inversions: ", "Runs: ", "Input Type: ", "Array Size: "})
        EXPECT_NE(std::find(texts.begin(), texts.end(), caption), texts.end()) << caption;
    EXPECT_EQ(frame->animationControlsBox->GetLabel(), "Animation Controls");
    EXPECT_EQ(frame->inputAlgorithmBox->GetLabel(), "Input and Algorithm");

    EXPECT_EQ(frame->labelPivotRule->GetLabel(), "Pivot Rule: ");
    EXPECT_EQ(frame->labelPivotRule->GetParent(), frame->pivotRulePanel);
    EXPECT_EQ(frame->pivotRuleChoice->GetParent(), frame->pivotRulePanel);
    EXPECT_TRUE(frame->infoTextctrl->IsMultiLine());
    EXPECT_FALSE(frame->infoTextctrl->IsEditable());
    EXPECT_FALSE(frame->algoList->HasMultipleSelection());

    EXPECT_EQ(frame->splitter->GetName(), "splitter");
    EXPECT_EQ(frame->sortview->GetParent(), frame->viewPanel);
    EXPECT_EQ(frame->sortview->GetMinSize(), wxSize(640, 480));
}

TEST_F(MainWindowTest, StartsWithItsStartValues)
{
    EXPECT_EQ(frame->GetTitle(), "Quorvex 0.6.5 - https://quorvex.org/");
    EXPECT_TRUE(frame->IsShown());

    // the catalogue in order, the first entry selected
    ASSERT_EQ(frame->algoList->GetCount(), g_algolist_size);
    for (size_t i = 0; i < g_algolist_size; ++i) EXPECT_EQ(frame->algoList->GetString(i), g_algolist[i].name);
    EXPECT_EQ(frame->algoList->GetSelection(), 0);

    wxArrayString types;
    SortArray::ListInputTypes(types);
    EXPECT_EQ(frame->inputTypeChoice->GetStrings(), types);
    EXPECT_EQ(frame->inputTypeChoice->GetStringSelection(), "Random Shuffle");

    EXPECT_EQ(frame->m_array_size, 100u);
    EXPECT_EQ(A().size(), 100u);
    EXPECT_EQ(frame->arraySizeSlider->GetValue(), 100);
    EXPECT_EQ(frame->labelArraySizeValue->GetLabel(), " 100");

    EXPECT_EQ(frame->speedSlider->GetValue(), 1000);
    EXPECT_NEAR(g_delay_ms, 14.142135623730947, 1e-9);
    EXPECT_EQ(frame->labelDelayValue->GetLabel(), "14 ms");
    EXPECT_EQ(frame->soundSustainSlider->GetValue(), 700);
    EXPECT_NEAR(g_sound_sustain, 3.932235335728215, 1e-9);
    EXPECT_EQ(frame->labelSoundSustainValue->GetLabel(), "3.9");

    EXPECT_EQ(frame->pivotRuleChoice->GetSelection(), 0);
    EXPECT_EQ(frame->pivotRuleChoice->GetStringSelection(), "First Item");

    EXPECT_FALSE(g_sound_on);
    EXPECT_FALSE(frame->soundButton->GetValue());
    EXPECT_FALSE(frame->runButton->GetValue());
    EXPECT_EQ(frame->m_thread, nullptr);

    ASSERT_NE(frame->m_refresh_timer, nullptr);
    EXPECT_TRUE(frame->m_refresh_timer->IsRunning());
    EXPECT_EQ(frame->m_refresh_timer->GetInterval(), 33);
    EXPECT_FALSE(frame->m_refresh_timer->IsOneShot());
}

TEST_F(MainWindowTest, ColumnKeepsItsWidthAndHiddenRowsTakeNoSpace)
{
    ASSERT_TRUE(PumpUntil([&] { return frame->controlPanel->GetSize().x > 0; }, 5000));
    const wxSize start = frame->GetSize();
    EXPECT_EQ(frame->GetMinSize(), start);

    // the control column starts 280 pixels from the right edge
    EXPECT_EQ(frame->splitter->GetSashPosition(), start.x - 280);
    const int column = frame->controlPanel->GetSize().x;
    EXPECT_EQ(column, 280 - frame->splitter->GetSashSize());

    // hidden at start, and the list takes the rest of the column
    EXPECT_FALSE(frame->pivotRulePanel->IsShown());
    EXPECT_FALSE(frame->infoTextctrl->IsShown());
    const wxRect box = frame->inputAlgorithmBox->GetRect();
    const wxRect list = frame->algoList->GetRect();
    EXPECT_GT(list.GetBottom(), box.GetBottom() - 16);
    EXPECT_LE(list.GetBottom(), box.GetBottom());

    // a wider and taller frame: only the view grows sideways
    const int view = frame->sortview->GetSize().x;
    frame->SetSize(start.x + 200, start.y + 100);
    ASSERT_TRUE(PumpUntil([&] { return frame->sortview->GetSize().x == view + 200; }, 5000))
        << frame->sortview->GetSize().x << " " << view;
    EXPECT_EQ(frame->controlPanel->GetSize().x, column);
    EXPECT_GT(frame->algoList->GetSize().y, list.height);

    // never smaller than the fitted size
    frame->SetSize(200, 150);
    PumpEvents(100);
    EXPECT_GE(frame->GetSize().x, start.x);
    EXPECT_GE(frame->GetSize().y, start.y);
}

TEST_F(MainWindowTest, SelectionShowsThePivotRowForQuickSortsAndTheDescription)
{
    ASSERT_TRUE(PumpUntil([&] { return frame->algoList->GetSize().y > 0; }, 5000));
    const int list_height = frame->algoList->GetSize().y;
    int quick_sorts = 0, described = 0;
    for (size_t i = 0; i < g_algolist_size; ++i) {
        const AlgoListEntry& e = g_algolist[i];
        Select(static_cast<int>(i));
        const bool quick = e.name.Contains("Quick Sort");
        quick_sorts += quick;
        EXPECT_EQ(frame->pivotRulePanel->IsShown(), quick) << e.name;
        EXPECT_EQ(frame->infoTextctrl->IsShown(), !e.description.empty()) << e.name;
        if (!e.description.empty()) {
            ++described;
            EXPECT_EQ(frame->infoTextctrl->GetValue(), e.description);
        }
        // the shown rows take their height from the list
        const int below = (quick ? frame->pivotRulePanel->GetSize().y : 0) +
                          (e.description.empty() ? 0 : frame->infoTextctrl->GetSize().y);
        EXPECT_TRUE(PumpUntil([&] { return std::abs(frame->algoList->GetSize().y + below - list_height) <= 8; },
                              2000))
            << e.name << ": list " << frame->algoList->GetSize().y << " + " << below << " vs " << list_height;
    }
    EXPECT_EQ(quick_sorts, 5);
    EXPECT_GE(described, 8);

    // Heap Sort after a quick sort: both rows hidden again
    Select(Position("Quick Sort (dual pivot)"));
    EXPECT_TRUE(frame->pivotRulePanel->IsShown());
    Select(Position("Heap Sort"));
    EXPECT_FALSE(frame->pivotRulePanel->IsShown());
    EXPECT_FALSE(frame->infoTextctrl->IsShown());
}

TEST_F(MainWindowTest, IconShowsSixteenBarsInFiveColours)
{
    const wxIcon icon = frame->GetIcon();
    ASSERT_TRUE(icon.IsOk());
    wxBitmap bitmap;
    bitmap.CopyFromIcon(icon);
    const wxImage image = bitmap.ConvertToImage();
    ASSERT_EQ(image.GetWidth(), 32);
    ASSERT_EQ(image.GetHeight(), 32);

    const int heights[16] = {4, 20, 10, 18, 28, 14, 16, 22, 12, 26, 8, 6, 30, 2, 24, 32};
    for (int x = 0; x < 32; ++x) {
        const int bar = x / 2 + 1;
        wxColour colour(255, 255, 255);
        if (bar == 2 || bar == 11) colour = wxColour(0, 255, 255);
        if (bar == 4 || bar == 10) colour = wxColour(255, 0, 0);
        if (bar == 16) colour = wxColour(0, 255, 0);
        for (int y = 0; y < 32; ++y) {
            const bool in_bar = y >= 32 - heights[bar - 1];
            const wxColour expected = in_bar ? colour : wxColour(0, 0, 0);
            const wxColour seen(image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y));
            ASSERT_EQ(seen, expected) << "pixel " << x << "," << y;
        }
    }
}

TEST_F(MainWindowTest, SlidersShowTheirValuesInTheirFormats)
{
    struct Speed
    {
        int pos;
        const char* label;
        double delay;
    };
    const Speed speeds[] = {
        {0, "0.00 ms", 0.0},
        {1, "0.10 ms", 0.100496402392049},
        {465, "1.00 ms", 0.9999757632643183},
        {466, "1.0 ms", 1.004939666873073},
        {930, "10.0 ms", 9.999515271160558},
        {931, "10 ms", 10.04915310415991},
        {1000, "14 ms", 14.142135623730947},
        {2000, "2000 ms", 2000.0},
    };
    for (const Speed& s : speeds) {
        Scroll(frame->speedSlider, s.pos);
        EXPECT_EQ(frame->labelDelayValue->GetLabel(), s.label) << s.pos;
        EXPECT_NEAR(g_delay_ms, s.delay, 1e-9 * s.delay) << s.pos;
    }
    Scroll(frame->speedSlider, 0);
    EXPECT_EQ(g_delay_ms, 0.0);

    struct Sustain
    {
        int pos;
        const char* label;
        double sustain;
    };
    for (const Sustain& s : {Sustain{0, "1.0", 1.0}, Sustain{700, "3.9", 3.932235335728215},
                             Sustain{2000, "50.0", 50.0}}) {
        Scroll(frame->soundSustainSlider, s.pos);
        EXPECT_EQ(frame->labelSoundSustainValue->GetLabel(), s.label) << s.pos;
        EXPECT_NEAR(g_sound_sustain, s.sustain, 1e-9) << s.pos;
    }

    // the array size takes effect at the next refill, not at once
    const std::vector<int> before = [&] {
        std::vector<int> v;
        for (size_t i = 0; i < A().size(); ++i) v.push_back(A().direct(i).raw());
        return v;
    }();
    struct Size
    {
        int pos;
        const char* label;
    };
    for (const Size& s : {Size{1, "   1"}, Size{2048, "2048"}, Size{100, " 100"}, Size{37, "  37"}}) {
        Scroll(frame->arraySizeSlider, s.pos);
        EXPECT_EQ(frame->labelArraySizeValue->GetLabel(), s.label);
        EXPECT_EQ(frame->m_array_size, static_cast<uint64_t>(s.pos));
    }
    ASSERT_EQ(A().size(), before.size());
    for (size_t i = 0; i < before.size(); ++i) ASSERT_EQ(A().direct(i).raw(), before[i]);
    Reset();
    EXPECT_EQ(A().size(), 37u);
}

TEST_F(MainWindowTest, StatusShowsTheCountersAndSkippedWhileInversionsAreOff)
{
    // right after start-up
    ASSERT_TRUE(PumpUntil([&] { return !frame->labelRunsValue->GetLabel().empty(); }, 5000));
    EXPECT_EQ(frame->labelComparisonsValue->GetLabel(), "0");
    EXPECT_EQ(frame->labelAccessesValue->GetLabel(), "0");
    EXPECT_EQ(frame->labelRunsValue->GetLabel(), wxString::Format("%u", A().CountRuns()));
    EXPECT_EQ(frame->labelInversionsValue->GetLabel(), wxString::Format("%u", A().FullInversionCount()));
    EXPECT_GT(A().FullInversionCount(), 0u);

    // a paused run: the labels catch up with the counters
    Scroll(frame->speedSlider, SPEED_FAST);
    RunPressed();
    ASSERT_TRUE(Advances(50));
    RunReleased();
    const uint64_t accesses = WaitQuiet();
    const uint64_t comparisons = g_comparison_count;
    EXPECT_TRUE(PumpUntil([&] {
        return frame->labelAccessesValue->GetLabel() == wxString::Format("%lu", (unsigned long)accesses) &&
               frame->labelComparisonsValue->GetLabel() == wxString::Format("%lu", (unsigned long)comparisons) &&
               frame->labelInversionsValue->GetLabel() ==
                   wxString::Format("%ld", (long)A().m_inversion_count.load()) &&
               frame->labelRunsValue->GetLabel() == wxString::Format("%u", A().CountRuns());
    }, 5000)) << frame->labelAccessesValue->GetLabel() << " " << accesses;

    // the inversion value as a button: off, "skipped" within a period
    Click(frame->labelInversionsValue);
    EXPECT_FALSE(A().m_inversions_on);
    EXPECT_TRUE(PumpUntil([&] { return frame->labelInversionsValue->GetLabel() == "skipped"; }, 2000));
    // on again: still skipped until the worker next recounts
    Click(frame->labelInversionsValue);
    EXPECT_TRUE(A().m_inversions_on);
    PumpEvents(100);
    EXPECT_EQ(frame->labelInversionsValue->GetLabel(), "skipped");
    RunPressed();
    EXPECT_TRUE(PumpUntil([&] { return frame->labelInversionsValue->GetLabel() != "skipped"; }, 5000));

    // a sorted array is one run
    Reset();
    frame->inputTypeChoice->SetSelection(1); // Ascending
    Reset();
    EXPECT_TRUE(PumpUntil([&] { return frame->labelRunsValue->GetLabel() == "1"; }, 2000));
    EXPECT_EQ(frame->labelInversionsValue->GetLabel(), "0");
}

TEST_F(MainWindowTest, AboutIsModalAndShowsItsTexts)
{
    Scroll(frame->speedSlider, SPEED_FAST);
    RunPressed();
    ASSERT_TRUE(Advances());

    // runs inside the dialog's modal loop
    class Inspector : public wxTimer
    {
    public:
        explicit Inspector(WMain* frame) : m_frame(frame) {}
        WMain* m_frame;
        WAbout* m_dialog = nullptr;
        bool m_modal = false, m_refreshed = false;
        wxString m_accesses_at_open;
        wxStopWatch m_open;

        void Notify() override
        {
            if (!m_dialog) {
                for (wxWindow* w : wxTopLevelWindows)
                    if (WAbout* d = dynamic_cast<WAbout*>(w)) m_dialog = d;
                if (!m_dialog) return;
                m_modal = m_dialog->IsModal();
                m_accesses_at_open = m_frame->labelAccessesValue->GetLabel();
                m_open.Start();
                return;
            }
            // the status refresh goes on behind the dialog
            if (m_frame->labelAccessesValue->GetLabel() != m_accesses_at_open) m_refreshed = true;
            if (m_refreshed || m_open.Time() > 10000) {
                Stop();
                Inspect();
                m_dialog->EndModal(wxID_OK);
            }
        }

        wxString m_title, m_build, m_link, m_link_text, m_caption;
        std::vector<wxString> m_texts;
        int m_title_points = 0;
        bool m_ok_button = false, m_fits = true;

        void Inspect()
        {
            m_caption = m_dialog->GetTitle();
            m_title = m_dialog->labelTitle->GetLabel();
            m_title_points = m_dialog->labelTitle->GetFont().GetPointSize();
            m_build = m_dialog->labelBuildDate->GetLabel();
            m_ok_button = m_dialog->buttonOK->GetId() == wxID_OK;
            const wxSize client = m_dialog->GetClientSize();
            for (wxWindow* w : m_dialog->GetChildren()) {
                if (wxHyperlinkCtrl* h = dynamic_cast<wxHyperlinkCtrl*>(w)) {
                    m_link = h->GetURL();
                    m_link_text = h->GetLabel();
                }
                else if (dynamic_cast<wxStaticText*>(w)) {
                    m_texts.push_back(w->GetLabel());
                }
                const wxRect r = w->GetRect();
                if (r.x < 0 || r.y < 0 || r.GetRight() >= client.x || r.GetBottom() >= client.y) m_fits = false;
            }
        }
    } inspector(frame);
    inspector.Start(20);

    Click(frame->aboutButton); // returns when the dialog has closed

    EXPECT_TRUE(inspector.m_modal);
    EXPECT_TRUE(inspector.m_refreshed);
    EXPECT_TRUE(frame->IsEnabled());
    EXPECT_TRUE(Advances()) << "the worker went on";

    EXPECT_EQ(inspector.m_caption, "About");
    EXPECT_EQ(inspector.m_title, "Quorvex 0.6.5");
    EXPECT_EQ(inspector.m_title_points, 14);
    EXPECT_EQ(inspector.m_link, "https://quorvex.org/");
    EXPECT_EQ(inspector.m_link_text, "https://quorvex.org/");
    EXPECT_TRUE(std::regex_match(std::string(inspector.m_build.utf8_str()),
                                 std::regex("Build Date: [A-Z][a-z]{2} [ 1-3][0-9] [0-9]{4}")))
        << inspector.m_build;
    EXPECT_TRUE(inspector.m_ok_button);
    EXPECT_TRUE(inspector.m_fits);
    const wxString description = "Visualization and \"audibilization\" of many\n"
                                 "popular sorting algorithms for integers.\n"
                                 "Also counts the number of comparisons\n"
                                 "and array accesses while running.";
    EXPECT_NE(std::find(inspector.m_texts.begin(), inspector.m_texts.end(), description),
              inspector.m_texts.end());

    // the dialog is gone once it has closed
    for (wxWindow* w : wxTopLevelWindows) EXPECT_FALSE(dynamic_cast<WAbout*>(w));
}

// Real pointer clicks, through the windowing system, on the Run button and
// on the inversion value.
TEST_F(MainWindowTest, RealClicksReachTheirHandlers)
{
    wxUIActionSimulator sim;
    auto clickOn = [&](wxWindow* w) {
        ASSERT_TRUE(PumpUntil([&] { return w->IsShownOnScreen() && w->GetSize().x > 0; }, 5000));
        const wxPoint centre = w->GetScreenRect().GetPosition() + w->GetSize() / 2;
        sim.MouseMove(centre);
        PumpEvents(20);
        sim.MouseClick();
    };
    frame->Raise();

    Scroll(frame->speedSlider, SPEED_FAST);
    clickOn(frame->runButton);
    ASSERT_TRUE(PumpUntil([&] { return frame->m_thread != nullptr; }, 5000));
    EXPECT_TRUE(frame->runButton->GetValue());
    EXPECT_TRUE(Advances());

    clickOn(frame->labelInversionsValue);
    EXPECT_TRUE(PumpUntil([&] { return frame->labelInversionsValue->GetLabel() == "skipped"; }, 5000));
    EXPECT_FALSE(A().m_inversions_on);

    // a second click on Run releases it: the worker pauses
    clickOn(frame->runButton);
    ASSERT_TRUE(PumpUntil([&] { return frame->m_thread && frame->m_thread->IsPaused(); }, 5000));
    EXPECT_FALSE(frame->runButton->GetValue());
}
