// What the view paints: bars on black with their geometry, and the colour of
// each bar by the precedence of accesses, watches, marks and highlights, read
// back pixel by pixel from a rendered frame.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <sstream>

#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/frame.h>
#include <wx/image.h>

#include "GuiTest.h"
#include "Trace.h"
#include "WSortView.h"

namespace {

struct Rgb
{
    int r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

std::ostream& operator<<(std::ostream& os, const Rgb& c)
{
    return os << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

const Rgb BLACK{0, 0, 0};
const Rgb TABLE[17] = {
    {255, 255, 255}, {255, 0, 0},     {0, 255, 0},     {0, 255, 255},   {255, 255, 0},
    {255, 0, 255},   {255, 192, 128}, {255, 128, 192}, {128, 192, 255}, {192, 255, 128},
    {192, 128, 255}, {128, 255, 192}, {128, 128, 255}, {192, 128, 192}, {128, 192, 192},
    {192, 192, 128}, {0, 128, 255},
};

// A view in a frame of its own; the array paces nothing, so the test can make
// accesses on its own thread.
class ViewPaint : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_frame = new wxFrame(nullptr, wxID_ANY, "paint");
        m_view = new WSortView(m_frame, wxID_ANY, nullptr);
        m_view->m_items.m_pacer = nullptr;
    }
    void TearDown() override
    {
        m_frame->Destroy();
        PumpEvents(10);
    }

    wxImage Paint(int width, int height)
    {
        wxBitmap bitmap(width, height, 24);
        {
            wxMemoryDC dc(bitmap);
            m_view->paint(dc, wxSize(width, height));
        }
        return bitmap.ConvertToImage();
    }

    SortArray& A() { return m_view->m_items; }

    wxFrame* m_frame = nullptr;
    WSortView* m_view = nullptr;
};

Rgb Pixel(const wxImage& img, int x, int y)
{
    return Rgb{img.GetRed(x, y), img.GetGreen(x, y), img.GetBlue(x, y)};
}

// The expected frame: black, with each bar a filled rectangle of columns
// 10 + x .. 10 + x + w - 1 and the h rows above the bottom edge of the
// drawable area; bars may run past the right edge of the window.
struct Bar { int x, w, h; Rgb colour; };

// Compares every pixel; reports the first few that differ.
::testing::AssertionResult SameFrame(const wxImage& img, const std::vector<Bar>& bars)
{
    const int width = img.GetWidth(), height = img.GetHeight(), H = height - 20;
    std::vector<Rgb> want(static_cast<size_t>(width) * height, BLACK);
    for (const Bar& b : bars)
        for (int x = 10 + b.x; x < 10 + b.x + b.w && x < width; ++x)
            for (int y = 10 + H - b.h; y < 10 + H; ++y) want[static_cast<size_t>(y) * width + x] = b.colour;
    int wrong = 0;
    std::ostringstream os;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Rgb got = Pixel(img, x, y), w = want[static_cast<size_t>(y) * width + x];
            if (!(got == w) && wrong++ < 5) os << " (" << x << ", " << y << "): " << got << " not " << w;
        }
    if (wrong == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << wrong << " pixels differ:" << os.str();
}

} // namespace

TEST_F(ViewPaint, EmptyArrayPaintsOnlyBlack)
{
    EXPECT_TRUE(SameFrame(Paint(200, 120), {}));
}

// Bar geometry for a window of the given size: the bar width, one-pixel gaps,
// the two-pixel rule, bars past the right edge, and heights scaled by the
// largest value.
TEST_F(ViewPaint, BarsRiseFromTheBottomWithTheirWidthsAndGaps)
{
    struct Case { const char* what; int width, height, n, step, w; };
    const Case cases[] = {
        {"100 items on 1099 pixels: 10-pixel bars, one-pixel gaps", 1119, 480, 100, 11, 10},
        {"500 items on 1004 pixels: 2-pixel bars without gaps", 1024, 480, 500, 2, 2},
        {"2048 items on 1004 pixels: one pixel each, the rest outside", 1024, 480, 2048, 1, 1},
    };
    for (const Case& c : cases) {
        // heights from the full height down to nothing: value n fills H, and
        // value 1 of 2048 on 460 rows is 0.22 of a pixel, so nothing
        std::vector<int> values(c.n);
        for (int i = 0; i < c.n; ++i) values[i] = c.n - i;
        SetValues(A(), values);
        const int H = c.height - 20;
        std::vector<Bar> bars;
        for (int i = 0; i < c.n; ++i)
            bars.push_back(Bar{i * c.step, c.w, static_cast<int>(static_cast<double>(values[i]) * H / c.n), TABLE[0]});
        EXPECT_EQ(bars.front().h, H);
        const wxImage img = Paint(c.width, c.height);
        EXPECT_TRUE(SameFrame(img, bars)) << c.what;
    }
    // the smallest bar of the 2048 (value 1, at x = 2047) is beyond the
    // window anyway; seen directly: value 1 of 2048 on 460 rows has no pixel
    SetValues(A(), {2048, 1, 1024});
    const wxImage img = Paint(1119, 480);
    const int x1 = 10 + 366; // second of three bars, (1099 - 2) / 3 = 365.67 wide
    EXPECT_EQ(Pixel(img, x1 + 100, 10 + 459), BLACK);
    EXPECT_EQ(Pixel(img, 10 + 100, 10), TABLE[0]);      // the largest value reaches the top row
    EXPECT_EQ(Pixel(img, 10 + 100, 9), BLACK);          // and the border stays black
    EXPECT_EQ(Pixel(img, 10 + 100, 10 + 460), BLACK);   // as below the bottom edge
}

// Every entry of the colour table, through marks.
TEST_F(ViewPaint, SeventeenColoursOfTheTable)
{
    std::vector<int> values(100, 50);
    SetValues(A(), values);
    for (int k = 0; k < 17; ++k) A().mark(k, static_cast<uint8_t>(k));
    std::vector<Bar> bars;
    for (int i = 0; i < 100; ++i) bars.push_back(Bar{11 * i, 10, 460, TABLE[i < 17 ? i : 0]});
    EXPECT_TRUE(SameFrame(Paint(1119, 480), bars));
}

// The colour of one bar over successive frames for each rule of precedence.
TEST_F(ViewPaint, ColourPrecedenceOverSuccessiveFrames)
{
    Watched<uint64_t> var_a, var_b;
    struct Case
    {
        const char* what;
        std::function<void(SortArray&)> setup;
        std::vector<int> frames; // bar 5's colour in each frame
        std::function<void(SortArray&)> between = nullptr; // after the second frame
    };
    const auto elsewhere = [](SortArray& a) { a[9]; }; // another index becomes the latest access
    const Case cases[] = {
        {"the latest access beats watches and marks, and stays while it is the latest",
         [&](SortArray& a) { a.mark(5, 2); var_a = 5; a.watch(&var_a, 3); a[5]; }, {1, 1, 1}},
        {"the partner of a swap in progress beats a mark",
         [&](SortArray& a) { a.mark(5, 2); a.m_latest = AccessRecord(4); a.m_partner = AccessRecord(5); }, {1, 1}},
        {"a watch beats a mark",
         [&](SortArray& a) { a.mark(5, 2); var_a = 5; a.watch(&var_a, 3); }, {3, 3}},
        {"a watch of colour 0 hides later watches; the mark shows",
         [&](SortArray& a) { var_a = 5; var_b = 5; a.watch(&var_a, 0); a.watch(&var_b, 3); a.mark(5, 4); }, {4, 4}},
        {"a watch of colour 0 hides later watches; the highlight shows once",
         [&](SortArray& a) { var_a = 5; var_b = 5; a.watch(&var_a, 0); a.watch(&var_b, 3); a[5]; a[9]; }, {1, 0}},
        {"a mark covers a highlight, which waits until the mark goes",
         [&](SortArray& a) { a.mark(5, 2); a[5]; elsewhere(a); }, {2, 2, 1, 0},
         [](SortArray& a) { a.unmark(5); }},
        {"an access with hold 0 shows in one frame once another index is the latest",
         [&](SortArray& a) { a[5]; elsewhere(a); }, {1, 0, 0}},
        {"a touch with hold 1 shows in two frames",
         [&](SortArray& a) { a.touch(5, 16, 1, 10); elsewhere(a); }, {16, 16, 0}},
        {"the higher priority wins whatever the order",
         [&](SortArray& a) { a.touch(5, 4, 0, 10); a.touch(5, 7, 0, 0); elsewhere(a); }, {4, 0}},
        {"between equal priorities the later record wins",
         [&](SortArray& a) { a.touch(5, 4, 0, 3); a.touch(5, 7, 0, 3); elsewhere(a); }, {7, 0}},
        {"a held record outlives a stronger one",
         [&](SortArray& a) { a.touch(5, 16, 1, 0); a.touch(5, 8, 0, 10); elsewhere(a); }, {8, 16, 0}},
    };
    std::vector<int> values(10);
    for (int i = 0; i < 10; ++i) values[i] = i + 1;
    for (const Case& c : cases) {
        SetValues(A(), values);
        c.setup(A());
        for (size_t f = 0; f < c.frames.size(); ++f) {
            if (f == 2 && c.between) c.between(A());
            const wxImage img = Paint(1119, 480);
            // bar 5: x = 5 * 110, 109 pixels wide, value 6 of 10: 276 rows
            EXPECT_EQ(Pixel(img, 10 + 5 * 110 + 50, 10 + 459), TABLE[c.frames[f]]) << c.what << ", frame " << f;
            EXPECT_EQ(Pixel(img, 10 + 5 * 110 + 50, 10 + 460 - 276), TABLE[c.frames[f]]) << c.what;
            EXPECT_EQ(Pixel(img, 10 + 5 * 110 + 50, 10 + 460 - 277), BLACK) << c.what;
        }
        A().unwatch_all();
    }
}

// A frame at a glance, kept for a person to look at when QUORVEX_SAVE_FRAME
// names a file.
TEST_F(ViewPaint, FrameOfARunInProgressLooksRight)
{
    std::vector<int> values(120);
    for (int i = 0; i < 120; ++i) values[i] = (i * 47) % 120 + 1;
    SetValues(A(), values);
    for (int i = 80; i < 120; ++i) A().mark(i, 2);          // a sorted part
    for (int i = 40; i < 52; ++i) A().mark(i, static_cast<uint8_t>(4 + (i - 40))); // heap levels
    Watched<uint64_t> j(20);
    A().watch(&j, 3);
    A()[30];
    A().touch(60, 16, 1, 10);
    A().m_latest = AccessRecord(70);
    A().m_partner = AccessRecord(71);
    const wxImage img = Paint(1119, 480);
    if (const char* file = std::getenv("QUORVEX_SAVE_FRAME")) {
        if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG)) wxImage::AddHandler(new wxPNGHandler);
        img.SaveFile(file, wxBITMAP_TYPE_PNG);
    }
    // spot checks of the roles: bar width (1099 - 119) / 120 = 8.17
    const auto bar = [&](int i) { return Pixel(img, 10 + static_cast<int>(i * 9.1666666) + 3, 10 + 459); };
    EXPECT_EQ(bar(20), TABLE[3]);
    EXPECT_EQ(bar(30), TABLE[1]);
    EXPECT_EQ(bar(41), TABLE[5]);
    EXPECT_EQ(bar(60), TABLE[16]);
    EXPECT_EQ(bar(70), TABLE[1]);
    EXPECT_EQ(bar(71), TABLE[1]);
    EXPECT_EQ(bar(100), TABLE[2]);
    EXPECT_EQ(bar(10), TABLE[0]);
    A().unwatch_all();
}
