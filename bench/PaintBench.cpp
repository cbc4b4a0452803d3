// What one painted frame of the view costs, against the floor of any frame:
// drawing one ready bitmap of the same size on the same kind of context. Each
// frame shows a different array from the one before (every bar changes), as
// during a fast run. Also: how long a worker that wants the array's lock is
// kept waiting while a frame is painted, and the colour lookup with a long
// backlog of highlights, as at zero delay.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <random>
#include <thread>

#include <X11/Xlib.h>
#include <cairo.h>
#include <wx/graphics.h>
#include <wx/app.h>
#include <wx/bitmap.h>
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/frame.h>
#include <wx/init.h>
#include <wx/utils.h>

#include "WSortView.h"

namespace {

const size_t BACKLOG = 100000;

WSortView* g_view = nullptr;

// The state of a run in progress: one of two shuffles, some marks, a watched
// index and a latest access; consecutive frames alternate between the two.
void FillRunState(SortArray& A, size_t n, uint32_t seed)
{
    A.FillArray(0, n, seed);
    for (size_t i = seed % 7; i < n; i += 7) A.mark(i, static_cast<uint8_t>(2 + seed % 2));
    A.m_latest = AccessRecord(static_cast<uint32_t>((seed * 31) % n));
}

// The backlog a fast algorithm leaves between two frames: mostly plain
// accesses, some touches with a hold and a priority, and a few marks.
void FillBacklog(SortArray& A)
{
    const size_t n = A.size();
    std::mt19937 rng(11);
    A.m_highlights.clear();
    for (size_t r = 0; r < BACKLOG; ++r) {
        const uint32_t i = static_cast<uint32_t>(rng() % n);
        if (r % 10 == 0) A.m_highlights.push_back(AccessRecord(i, 16, 1, 10));
        else A.m_highlights.push_back(AccessRecord(i));
    }
    A.m_latest = AccessRecord(static_cast<uint32_t>(rng() % n));
    for (size_t i = 0; i < n; i += 97) A.m_mark_colours[i] = 2;
}

// args: items, width, height
void BM_Frame(benchmark::State& state)
{
    const size_t n = static_cast<size_t>(state.range(0));
    const wxSize size(static_cast<int>(state.range(1)), static_cast<int>(state.range(2)));
    SortArray& A = g_view->m_items;
    wxBitmap target(size.x, size.y, 24);
    wxMemoryDC dc(target);
    uint32_t seed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        FillRunState(A, n, seed++ % 2);
        state.ResumeTiming();
        g_view->paint(dc, size);
    }
}

// The floor: one ready bitmap of the same size drawn on the same context.
void BM_Blit(benchmark::State& state)
{
    const wxSize size(static_cast<int>(state.range(1)), static_cast<int>(state.range(2)));
    wxBitmap target(size.x, size.y, 24);
    wxMemoryDC dc(target);
    wxBitmap ready(size.x, size.y, 24);
    {
        wxMemoryDC src(ready);
        src.SetBackground(*wxBLACK_BRUSH);
        src.Clear();
        src.SetBrush(*wxWHITE_BRUSH);
        src.DrawRectangle(10, size.y / 2, size.x - 20, size.y / 2 - 10);
    }
    dc.DrawBitmap(ready, 0, 0); // the first drawing may prepare the bitmap
    for (auto _ : state) dc.DrawBitmap(ready, 0, 0);
}

// How long a worker waits for the array's lock while a frame is painted: a
// second thread takes and releases the lock without pause, as a worker at
// zero delay does, and its longest wait for the lock during the frame is the
// frame's hold of the lock (on a loaded machine, plus the time the waiting
// thread takes to be scheduled again).
void BM_LockHold(benchmark::State& state)
{
    const size_t n = static_cast<size_t>(state.range(0));
    const wxSize size(static_cast<int>(state.range(1)), static_cast<int>(state.range(2)));
    SortArray& A = g_view->m_items;
    wxBitmap target(size.x, size.y, 24);
    wxMemoryDC dc(target);

    using Clock = std::chrono::steady_clock;
    std::atomic<bool> measuring(false), done(false);
    std::atomic<int64_t> longest_ns(0);
    std::thread probe([&] {
        while (!done.load()) {
            const Clock::time_point asked = Clock::now();
            wxMutexLocker lock(A.m_guard);
            const Clock::time_point got = Clock::now();
            if (measuring.load()) {
                const int64_t wait = std::chrono::duration_cast<std::chrono::nanoseconds>(got - asked).count();
                if (wait > longest_ns.load()) longest_ns.store(wait);
            }
        }
    });

    double total_ms = 0, worst_ms = 0;
    uint32_t seed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        FillRunState(A, n, seed++ % 2);
        longest_ns = 0;
        measuring = true;
        state.ResumeTiming();
        g_view->paint(dc, size);
        state.PauseTiming();
        measuring = false;
        const double ms = longest_ns.load() / 1e6;
        total_ms += ms;
        worst_ms = std::max(worst_ms, ms);
        state.ResumeTiming();
    }
    done = true;
    probe.join();
    state.counters["lock_ms"] = total_ms / static_cast<double>(state.iterations());
    state.counters["lock_worst_ms"] = worst_ms;
}

// The frame's pixels alone, no context: every bar changes from one frame to
// the next, as above.
void BM_Render(benchmark::State& state)
{
    const size_t n = static_cast<size_t>(state.range(0));
    const int width = static_cast<int>(state.range(1)), height = static_cast<int>(state.range(2));
    SortArray& A = g_view->m_items;
    FrameSnapshot frames[2];
    for (uint32_t k = 0; k < 2; ++k) {
        FillRunState(A, n, k);
        frames[k].Take(A);
    }
    FrameCanvas canvas;
    uint32_t k = 0;
    for (auto _ : state) {
        canvas.Render(frames[k++ % 2], width, height);
        benchmark::DoNotOptimize(canvas.pixels());
    }
}

// The same two on the screen: a shown window's own context, where every
// frame travels to the display server as the program's frames do.
wxFrame* ShownWindow(const wxSize& size)
{
    wxFrame* frame = new wxFrame(nullptr, wxID_ANY, "target", wxPoint(0, 0), wxDefaultSize, 0);
    frame->SetClientSize(size);
    frame->Show();
    for (int k = 0; k < 50; ++k) wxYield(); // mapped and exposed
    return frame;
}

void BM_WindowFrame(benchmark::State& state)
{
    const size_t n = static_cast<size_t>(state.range(0));
    const wxSize size(static_cast<int>(state.range(1)), static_cast<int>(state.range(2)));
    SortArray& A = g_view->m_items;
    wxFrame* window = ShownWindow(size);
    {
        wxClientDC dc(window);
        uint32_t seed = 0;
        for (auto _ : state) {
            state.PauseTiming();
            FillRunState(A, n, seed++ % 2);
            state.ResumeTiming();
            g_view->paint(dc, size);
            XSync(wxGetX11Display(), False); // the server has drawn it
        }
    }
    window->Destroy();
    wxYield();
}

void BM_WindowBlit(benchmark::State& state)
{
    const wxSize size(static_cast<int>(state.range(1)), static_cast<int>(state.range(2)));
    wxBitmap ready(size.x, size.y, 24);
    {
        wxMemoryDC src(ready);
        src.SetBackground(*wxBLACK_BRUSH);
        src.Clear();
        src.SetBrush(*wxWHITE_BRUSH);
        src.DrawRectangle(10, size.y / 2, size.x - 20, size.y / 2 - 10);
    }
    wxFrame* window = ShownWindow(size);
    {
        wxClientDC dc(window);
        dc.DrawBitmap(ready, 0, 0);
        for (auto _ : state) {
            dc.DrawBitmap(ready, 0, 0);
            XSync(wxGetX11Display(), False);
        }
    }
    window->Destroy();
    wxYield();
}

// The floor of a frame whose pixels changed: ready pixels that the drawing
// library is told are new each time, so that they travel to the server
// again, as every changed frame must.
void BM_WindowUpload(benchmark::State& state)
{
    const int width = static_cast<int>(state.range(1)), height = static_cast<int>(state.range(2));
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height, 0xFF000000);
    for (int y = height / 2; y < height - 10; ++y)
        for (int x = 10; x < width - 10; ++x) pixels[static_cast<size_t>(y) * width + x] = 0xFFFFFFFF;
    cairo_surface_t* surface = cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(pixels.data()), CAIRO_FORMAT_RGB24, width, height, width * 4);
    wxFrame* window = ShownWindow(wxSize(width, height));
    {
        wxClientDC dc(window);
        cairo_t* cr = static_cast<cairo_t*>(dc.GetGraphicsContext()->GetNativeContext());
        for (auto _ : state) {
            cairo_surface_mark_dirty(surface);
            cairo_save(cr);
            cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
            cairo_set_source_surface(cr, surface, 0, 0);
            cairo_paint(cr);
            cairo_restore(cr);
            XSync(wxGetX11Display(), False);
        }
    }
    cairo_surface_destroy(surface);
    window->Destroy();
    wxYield();
}

void Sizes(benchmark::internal::Benchmark* b)
{
    for (int64_t w : {1024, 1600})
        for (int64_t n : {100, 512, 2048}) b->Args({n, w, w == 1024 ? 500 : 1000});
}
BENCHMARK(BM_Frame)->Apply(Sizes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Render)->Apply(Sizes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Blit)->Args({0, 1024, 500})->Args({0, 1600, 1000})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WindowFrame)->Apply(Sizes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WindowBlit)->Args({0, 1024, 500})->Args({0, 1600, 1000})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WindowUpload)->Args({0, 1024, 500})->Args({0, 1600, 1000})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LockHold)->Args({2048, 1024, 500})->Args({2048, 1600, 1000})->Unit(benchmark::kMillisecond);

// One painted frame of 2048 items while 100,000 recorded accesses wait.
void BM_PaintFrameBacklog(benchmark::State& state)
{
    SortArray& A = g_view->m_items;
    A.FillArray(0, 2048, 1);
    wxBitmap bitmap(1024, 500, 24);
    wxMemoryDC dc(bitmap);
    for (auto _ : state) {
        state.PauseTiming();
        FillBacklog(A);
        state.ResumeTiming();
        g_view->paint(dc, bitmap.GetSize());
    }
    state.counters["left"] = static_cast<double>(A.m_highlights.size());
}
BENCHMARK(BM_PaintFrameBacklog)->Unit(benchmark::kMillisecond);

// The colour lookup of a frame alone, all indices in one pass.
void BM_FrameColours(benchmark::State& state)
{
    SortArray& A = g_view->m_items;
    A.FillArray(0, 2048, 1);
    std::vector<int> colours;
    for (auto _ : state) {
        state.PauseTiming();
        FillBacklog(A);
        state.ResumeTiming();
        wxMutexLocker lock(A.m_guard);
        A.IndexColours(colours);
        benchmark::DoNotOptimize(colours.data());
    }
}
BENCHMARK(BM_FrameColours)->Unit(benchmark::kMillisecond);

// The same lookup index by index, each scanning the whole list.
void BM_FrameColoursByIndex(benchmark::State& state)
{
    SortArray& A = g_view->m_items;
    A.FillArray(0, 2048, 1);
    for (auto _ : state) {
        state.PauseTiming();
        FillBacklog(A);
        state.ResumeTiming();
        wxMutexLocker lock(A.m_guard);
        int sum = 0;
        for (size_t i = 0; i < A.size(); ++i) sum += A.IndexColour(i);
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_FrameColoursByIndex)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(argc, argv)) return 1; // needs a display (xvfb-run -a)
    if (!wxTheApp->CallOnInit()) return 1;
    {
        wxFrame* frame = new wxFrame(nullptr, wxID_ANY, "bench");
        g_view = new WSortView(frame, wxID_ANY, nullptr);
        g_view->m_items.FillArray(0, 2048);
        benchmark::RunSpecifiedBenchmarks();
        frame->Destroy();
    }
    benchmark::Shutdown();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return 0;
}
