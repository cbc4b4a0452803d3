// The frame renderer against the plainest drawing of the same frame: black,
// then one filled rectangle per bar, over random sizes, item counts, values
// and colours; the kept canvas against it frame after frame; and what a
// snapshot takes from the array.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <functional>
#include <random>
#include <sstream>
#include <thread>

#include "FrameRenderer.h"
#include "SortArray.h"

namespace {

// The view's drawing, one rectangle per bar: columns 10 + x .. 10 + x + w - 1
// and rows 10 + H + h .. 10 + H - 1 (h < 0), cut to the frame.
std::vector<uint32_t> Reference(const FrameSnapshot& f, int width, int height)
{
    std::vector<uint32_t> px(static_cast<size_t>(width) * height, FRAME_BACKGROUND);
    const size_t n = f.values.size();
    if (n == 0) return px;
    const double W = width - 20, H = height - 20;
    double bar_width = (W > n - 1.0) ? (W - (n - 1.0)) / n : 0.0;
    double step = bar_width + 1.0;
    if (std::fabs(bar_width - 1.0) < 0.1 && std::fabs(step - 2.0) < 0.1) bar_width = step = 2.0;
    const double max_value = f.max_value;
    for (size_t i = 0; i < n; ++i) {
        const long x = static_cast<long>(i * step);
        const long next_x = static_cast<long>((i + 1) * step);
        const long w = static_cast<long>(std::max(1.0, (next_x - x) + (bar_width - step)));
        const double hd = max_value > 0 ? -(f.values[i] * H / max_value) : 0;
        const long h = static_cast<long>(std::max(hd, -1e9));
        if (h >= 0) continue;
        const long bottom = 10 + static_cast<long>(H);
        for (long y = bottom + h; y < bottom; ++y)
            for (long c = 10 + x; c < 10 + x + w; ++c)
                if (y >= 0 && y < height && c >= 0 && c < width)
                    px[static_cast<size_t>(y) * width + c] = g_bar_colours[f.colours[i]];
    }
    return px;
}

// Compares a frame with the reference; reports the first few differences.
::testing::AssertionResult SameAs(const std::vector<uint32_t>& want, const uint32_t* got, int width,
                                  int height, ptrdiff_t stride)
{
    int wrong = 0;
    std::ostringstream os;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint32_t a = got[y * stride + x], b = want[static_cast<size_t>(y) * width + x];
            if (a != b && wrong++ < 4) os << std::hex << " (" << std::dec << x << ", " << y << "): " << std::hex << a << " not " << b;
        }
    if (wrong == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << std::dec << wrong << " pixels differ:" << os.str();
}

// A random frame: sometimes a shuffle scaled by its largest value, sometimes
// wild values (negative, above the largest), a zero or negative largest value.
FrameSnapshot RandomFrame(std::mt19937& rng, size_t n)
{
    FrameSnapshot f;
    f.values.resize(n);
    f.colours.resize(n);
    const int kind = static_cast<int>(rng() % 6);
    for (size_t i = 0; i < n; ++i) {
        f.values[i] = kind == 0 ? static_cast<int32_t>(rng() % 4000) - 1000 : static_cast<int32_t>(1 + rng() % (n + 1));
        f.colours[i] = rng() % 3 == 0 ? static_cast<int>(rng() % BAR_COLOUR_COUNT) : 0;
    }
    f.max_value = static_cast<int32_t>(n);
    if (kind == 1) f.max_value = 0;
    if (kind == 2) f.max_value = -5;
    if (kind == 3 && n > 0) f.max_value = std::max(1, static_cast<int32_t>(n / 3)); // bars past the top
    return f;
}

struct Size { int width, height; size_t n; };

Size RandomSize(std::mt19937& rng)
{
    // mostly window-like sizes, sometimes tiny ones with no drawable area
    const int width = rng() % 8 == 0 ? static_cast<int>(rng() % 30) : 20 + static_cast<int>(rng() % 1700);
    const int height = rng() % 8 == 0 ? static_cast<int>(rng() % 30) : 20 + static_cast<int>(rng() % 700);
    const size_t counts[] = {0, 1, 2, 3, 100, 500, 1004, 2048};
    const size_t n = rng() % 3 == 0 ? counts[rng() % 8] : rng() % 3000;
    return Size{width, height, n};
}

} // namespace

TEST(FrameRenderer, EqualsOneRectanglePerBarOnRandomFrames)
{
    std::mt19937 rng(4242);
    for (int k = 0; k < 300; ++k) {
        const Size s = RandomSize(rng);
        const FrameSnapshot f = RandomFrame(rng, s.n);
        // rows further apart than the width, with guard words between
        const ptrdiff_t stride = s.width + 3;
        std::vector<uint32_t> px(static_cast<size_t>(stride) * s.height + 3, 0x12345678);
        RenderFrame(f, s.width, s.height, px.data(), stride);
        EXPECT_TRUE(SameAs(Reference(f, s.width, s.height), px.data(), s.width, s.height, stride))
            << s.width << " x " << s.height << ", " << s.n << " items, largest " << f.max_value;
        for (int y = 0; y < s.height; ++y)
            for (int g = 0; g < 3; ++g) ASSERT_EQ(px[y * stride + s.width + g], 0x12345678u) << "guard overwritten";
        ASSERT_EQ(px.back(), 0x12345678u);
    }
}

// Typical views seen directly: ten-pixel bars with one-pixel gaps, the
// two-pixel rule, one pixel per item with the rest past the right edge; the
// tallest bar reaches the top row of the drawable area.
TEST(FrameRenderer, BarGeometryOfTypicalViews)
{
    // the column after bar 3: a gap, or bar 4 (white) right away
    struct Case { int width, n, x_of_bar_3, w; uint32_t after; };
    const Case cases[] = {{1119, 100, 33, 10, FRAME_BACKGROUND},
                          {1024, 500, 6, 2, g_bar_colours[0]},
                          {1024, 2048, 3, 1, g_bar_colours[0]}};
    for (const Case& c : cases) {
        FrameSnapshot f;
        f.values.assign(c.n, c.n);
        f.colours.assign(c.n, 0);
        f.colours[3] = 2;
        f.max_value = c.n;
        std::vector<uint32_t> px(static_cast<size_t>(c.width) * 480);
        RenderFrame(f, c.width, 480, px.data(), c.width);
        const auto at = [&](int x, int y) { return px[static_cast<size_t>(y) * c.width + x]; };
        for (int x = 0; x < c.w; ++x) {
            EXPECT_EQ(at(10 + c.x_of_bar_3 + x, 10), g_bar_colours[2]) << c.n;
            EXPECT_EQ(at(10 + c.x_of_bar_3 + x, 469), g_bar_colours[2]) << c.n;
        }
        EXPECT_EQ(at(10 + c.x_of_bar_3, 9), FRAME_BACKGROUND) << c.n;
        EXPECT_EQ(at(10 + c.x_of_bar_3, 470), FRAME_BACKGROUND) << c.n;
        EXPECT_EQ(at(10 + c.x_of_bar_3 + c.w, 200), c.after) << c.n;
    }
}

// A kept canvas brought from frame to frame (same size, new size, the same
// frame again, small changes) always holds exactly the frame it was given,
// and says whether anything had to change.
TEST(FrameRenderer, KeptCanvasHoldsEachFrameExactly)
{
    std::mt19937 rng(99);
    FrameCanvas canvas;
    Size s = RandomSize(rng);
    FrameSnapshot f = RandomFrame(rng, s.n);
    for (int k = 0; k < 300; ++k) {
        const int what = static_cast<int>(rng() % 5);
        bool same = false;
        if (what == 0) {
            s = RandomSize(rng);
            f = RandomFrame(rng, s.n);
        }
        else if (what == 1) {
            f = RandomFrame(rng, s.n);
        }
        else if (what == 2 && s.n > 0) {
            // a few bars move or change colour, as between two frames of a run
            for (int j = 0; j < 3; ++j) {
                const size_t i = rng() % s.n;
                f.values[i] = static_cast<int32_t>(1 + rng() % (s.n + 1));
                f.colours[i] = static_cast<int>(rng() % BAR_COLOUR_COUNT);
            }
        }
        else if (what == 3) {
            same = true;
        }
        const std::vector<uint32_t> before(canvas.pixels(), canvas.pixels() + canvas.width() * canvas.height());
        const bool changed = canvas.Render(f, s.width, s.height);
        ASSERT_EQ(canvas.width(), std::max(s.width, 0));
        ASSERT_EQ(canvas.height(), std::max(s.height, 0));
        const std::vector<uint32_t> want = Reference(f, s.width, s.height);
        ASSERT_TRUE(SameAs(want, canvas.pixels(), s.width, s.height, canvas.stride()))
            << "frame " << k << ": " << s.width << " x " << s.height << ", " << s.n << " items";
        if (same) {
            EXPECT_FALSE(changed) << "frame " << k;
        }
        if (!changed) {
            EXPECT_EQ(before, want) << "frame " << k << " claimed no change";
        }
    }
}

// A snapshot takes the values, the largest value, the colours (consuming the
// highlights as a painting does), the change count, and whether a recorded
// highlight showed.
TEST(FrameRenderer, SnapshotTakesTheArrayAsAPaintingDoes)
{
    SortArray A;
    A.m_array.assign(6, SortItem());
    A.m_mark_colours.assign(6, 0);
    for (int i = 0; i < 6; ++i) A.m_array[i] = SortItem(10 * (i + 1));
    A.FinishFill();
    A.mark(2, 4);
    A.touch(1, 16, 1, 10); // held for one more painting
    A.touch(5, 3, 0, 0);   // the latest: shows without being consumed

    FrameSnapshot f;
    f.Take(A);
    EXPECT_EQ(f.values, (std::vector<int32_t>{10, 20, 30, 40, 50, 60}));
    EXPECT_EQ(f.max_value, 60);
    EXPECT_EQ(f.colours, (std::vector<int>{0, 16, 4, 0, 0, 3}));
    EXPECT_EQ(f.changes, A.Changes());
    EXPECT_TRUE(f.highlights_shown);

    f.Take(A); // the touch of 1 shows its second and last time
    EXPECT_EQ(f.colours, (std::vector<int>{0, 16, 4, 0, 0, 3}));
    EXPECT_TRUE(f.highlights_shown);
    f.Take(A); // nothing recorded shows any more: the picture is at rest
    EXPECT_EQ(f.colours, (std::vector<int>{0, 0, 4, 0, 0, 3}));
    EXPECT_FALSE(f.highlights_shown);
    EXPECT_EQ(f.changes, A.Changes());
}

// Every kind of change a painting shows moves the change count on: accesses
// of each kind, the exchange of a swap and its end, marks, watches and fills.
// Looking at the array for a painting does not.
TEST(FrameRenderer, EveryVisibleChangeMovesTheChangeCount)
{
    SortArray A;
    A.FillArray(1, 8, 1);
    Watched<uint64_t> var(3);
    struct Case { const char* what; std::function<void()> change; };
    const Case cases[] = {
        {"read", [&] { A[4]; }},
        {"writable reference", [&] { A.get_mutable(5); }},
        {"uncounted read", [&] { A.get_nocount(6); }},
        {"set", [&] { A.set(6, SortItem(2)); }},
        {"touch", [&] { A.touch(2, 16, 1, 10); }},
        {"mark", [&] { A.mark(1, 2); }},
        {"unmark", [&] { A.unmark(1); }},
        {"mark swap", [&] { A.mark_swap(1, 2); }},
        {"unmark all", [&] { A.unmark_all(); }},
        {"watch", [&] { A.watch(&var, 3); }},
        {"unwatch all", [&] { A.unwatch_all(); }},
        {"fill", [&] { A.FillArray(0, 8, 2); }},
    };
    for (const Case& c : cases) {
        const uint64_t before = A.Changes();
        c.change();
        EXPECT_GT(A.Changes(), before) << c.what;
    }
    // a swap moves it after the exchange and again when it ends
    const uint64_t before = A.Changes();
    A.swap(0, 7);
    EXPECT_GE(A.Changes(), before + 3);

    // a repeated read changes nothing and moves nothing; nor does a painting
    A[3];
    const uint64_t settled = A.Changes();
    A[3];
    FrameSnapshot f;
    f.Take(A);
    EXPECT_EQ(A.Changes(), settled);
}

// A painter taking frames while a worker records: the highlights consumed
// outside the lock go back in front of those recorded meanwhile, so the list
// always holds its records in the order they were recorded, none is lost
// before it was shown, and once the worker stops the list drains.
TEST(FrameRenderer, FramesTakenDuringRecordingKeepTheRecordsInOrder)
{
    SortArray A;
    A.FillArray(1, 64, 1);
    const int RECORDS = 200000;
    std::atomic<bool> done(false);
    std::thread worker([&] {
        // the sequence number rides in the priority: later records rank higher,
        // as ties go to the later record anyway
        for (int k = 0; k < RECORDS; ++k)
            A.touch(static_cast<size_t>(k * 37 % 64), 16, static_cast<uint16_t>(k % 3), static_cast<uint16_t>(k % 60000));
        done = true;
    });
    FrameSnapshot f;
    int frames = 0;
    while (!done) {
        f.Take(A);
        ++frames;
        wxMutexLocker lock(A.m_guard);
        // in order: sequence numbers rise, but for a wrap of the 60000 cycle
        int wraps = 0;
        for (size_t r = 1; r < A.m_highlights.size(); ++r)
            if (A.m_highlights[r].priority < A.m_highlights[r - 1].priority) ++wraps;
        ASSERT_LE(wraps, 4) << "records out of order after frame " << frames;
    }
    worker.join();
    A.touch(63, 1, 0, 0); // the latest index changes: every record may show
    // holds are at most 2: three frames consume every record but those of
    // the latest index, which wait until another index is the latest
    for (int k = 0; k < 3; ++k) f.Take(A);
    ASSERT_FALSE(A.m_highlights.empty());
    for (const AccessRecord& r : A.m_highlights) ASSERT_EQ(r.index, 63u);
    f.Take(A);
    EXPECT_FALSE(f.highlights_shown);
    EXPECT_GT(frames, 0);
}
