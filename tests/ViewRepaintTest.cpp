// The main window repaints its view only when the picture changes: every
// change reaches the next frame, highlights that are still shown keep the
// view repainting until they are gone, and a view at rest is left alone
// while the status labels go on being updated.
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "FrameRenderer.h"

#include "MainWindowTest.h"
#include "Trace.h"

namespace {

class ViewRepaint : public MainWindowTest
{
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        // accesses made by the test itself are not paced
        A().m_pacer = nullptr;
        frame->sortview->Bind(wxEVT_PAINT, [this](wxPaintEvent& pe) {
            ++m_paints;
            pe.Skip();
        });
        ASSERT_TRUE(Settle()) << "the new window never came to rest";
    }
    void TearDown() override
    {
        A().m_pacer = frame->sortview;
        MainWindowTest::TearDown();
    }

    // Pumps events until no painting has happened for quiet_ms; false if the
    // view is still repainting after the time-out.
    bool Settle(long quiet_ms = 300, long timeout_ms = 5000)
    {
        wxStopWatch total, still;
        int last = m_paints;
        while (total.Time() < timeout_ms) {
            PumpEvents(5);
            if (m_paints != last) {
                last = m_paints;
                still.Start();
            }
            else if (still.Time() >= quiet_ms) {
                return true;
            }
        }
        return false;
    }

    // Makes a change, then pumps until the view is at rest again; returns
    // bar i's colour in each painting that followed.
    std::vector<int> PaintingsAfter(const std::function<void()>& change, size_t i)
    {
        std::vector<int> trace;
        change();
        wxStopWatch total, still;
        int last = m_paints;
        while (total.Time() < 5000) {
            PumpEvents(2);
            if (m_paints != last) {
                // paintings come 33 ms apart: one at a time is seen here
                last = m_paints;
                still.Start();
                trace.push_back(frame->sortview->LastFrame().colours.at(i));
            }
            else if (still.Time() >= 300) {
                break;
            }
        }
        return trace;
    }

    int m_paints = 0;
};

} // namespace

TEST_F(ViewRepaint, AViewAtRestIsNotRepaintedWhileTheLabelsStillUpdate)
{
    const int paints = m_paints;
    g_access_count = 4321; // as if an access had been counted elsewhere
    PumpEvents(400);
    EXPECT_EQ(m_paints, paints);
    EXPECT_EQ(frame->labelAccessesValue->GetLabel(), "4321");
}

// A single change of each kind: exactly one painting, which shows it.
TEST_F(ViewRepaint, EachChangeCausesExactlyOnePainting)
{
    struct Case { const char* what; std::function<void()> change; size_t bar; int colour; };
    const Case cases[] = {
        {"an access", [&] { A()[5]; }, 5, 1},
        {"a mark", [&] { A().mark(7, 2); }, 7, 2},
        {"an unmark", [&] { A().unmark(7); }, 7, 0},
        {"a fill", [&] { A().FillArray(1, 100, 3); }, 7, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PaintingsAfter(c.change, c.bar), std::vector<int>{c.colour}) << c.what;
        EXPECT_EQ(frame->sortview->LastFrame().values, Values(A())) << c.what;
    }
    EXPECT_EQ(frame->labelAccessesValue->GetLabel(), "0"); // the fill reset the count
}

// A touch held for h more paintings shows in h + 1 paintings; one more takes
// it away, and then the view rests. An ordinary access that is no longer the
// latest one shows once and is taken away by the next painting.
TEST_F(ViewRepaint, HighlightsKeepTheViewRepaintingUntilTheyAreGone)
{
    for (uint16_t h : {0, 1, 3}) {
        const std::vector<int> trace = PaintingsAfter([&] {
            A().touch(3, 16, h, 10);
            A()[9]; // another index becomes the latest
        }, 3);
        std::vector<int> want(h + 1u, 16);
        want.push_back(0);
        EXPECT_EQ(trace, want) << "hold " << h;
        A().unmark_all();
        ASSERT_TRUE(Settle());
    }
}

// What the window shows on the screen is the rendered frame, pixel for
// pixel: read back from the display server after a painting.
TEST_F(ViewRepaint, TheScreenShowsTheRenderedFrame)
{
    A().mark(3, 2);
    A().touch(40, 16, 5, 10);
    A()[70];
    ASSERT_TRUE(Settle());
    const wxRect r = frame->sortview->GetScreenRect();
    const wxSize size = frame->sortview->GetSize();
    std::vector<uint32_t> want(static_cast<size_t>(size.x) * size.y);
    RenderFrame(frame->sortview->LastFrame(), size.x, size.y, want.data(), size.x);

    const std::string cmd = "import -window root -crop " + std::to_string(size.x) + "x" + std::to_string(size.y) + "+" +
                            std::to_string(r.x) + "+" + std::to_string(r.y) + " -depth 8 ppm:- 2>/dev/null";
    FILE* in = popen(cmd.c_str(), "r");
    ASSERT_NE(in, nullptr);
    int w = 0, h = 0, maxval = 0;
    ASSERT_EQ(fscanf(in, "P6 %d %d %d", &w, &h, &maxval), 3) << "no image from: " << cmd;
    ASSERT_EQ(maxval, 255);
    fgetc(in);
    std::vector<unsigned char> rgb(static_cast<size_t>(w) * h * 3);
    const size_t got = fread(rgb.data(), 1, rgb.size(), in);
    pclose(in);
    ASSERT_EQ(w, size.x);
    ASSERT_EQ(h, size.y);
    ASSERT_EQ(got, rgb.size());
    int wrong = 0;
    for (size_t k = 0; k < want.size(); ++k) {
        const uint32_t px = 0xFF000000u | (uint32_t(rgb[3 * k]) << 16) | (uint32_t(rgb[3 * k + 1]) << 8) | rgb[3 * k + 2];
        if (px != want[k] && wrong++ < 3) ADD_FAILURE() << "pixel (" << k % size.x << ", " << k / size.x << "): " << std::hex << px << " not " << want[k] << std::dec;
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(frame->sortview->LastFrame().colours[3], 2); // the frame read back had all three
    EXPECT_EQ(frame->sortview->LastFrame().colours[70], 1);
}

TEST_F(ViewRepaint, ResizingRepaints)
{
    const int paints = m_paints;
    const wxSize size = frame->GetSize(), view = frame->sortview->GetSize();
    frame->SetSize(size.x + 40, size.y + 30);
    ASSERT_TRUE(PumpUntil([&] { return frame->sortview->GetSize() != view; }, 3000));
    PumpEvents(300);
    EXPECT_GT(m_paints, paints);
    EXPECT_EQ(frame->sortview->LastFrame().values.size(), A().size());
}
