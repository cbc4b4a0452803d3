// One painted frame of 2048 items while 100,000 recorded accesses wait to be
// painted, as happens at zero delay; against it, the same colours looked up
// one index at a time.
#include <benchmark/benchmark.h>

#include <random>

#include <wx/app.h>
#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/frame.h>
#include <wx/init.h>

#include "WSortView.h"

namespace {

const size_t ITEMS = 2048;
const size_t BACKLOG = 100000;

WSortView* g_view = nullptr;

// The backlog a fast algorithm leaves between two frames: mostly plain
// accesses, some touches with a hold and a priority, and a few marks.
void FillBacklog(SortArray& A)
{
    std::mt19937 rng(11);
    A.m_highlights.clear();
    for (size_t r = 0; r < BACKLOG; ++r) {
        const uint32_t i = rng() % ITEMS;
        if (r % 10 == 0) A.m_highlights.push_back(AccessRecord(i, 16, 1, 10));
        else A.m_highlights.push_back(AccessRecord(i));
    }
    A.m_latest = AccessRecord(static_cast<uint32_t>(rng() % ITEMS));
    for (size_t i = 0; i < ITEMS; i += 97) A.m_mark_colours[i] = 2;
}

void BM_PaintFrame(benchmark::State& state)
{
    SortArray& A = g_view->m_items;
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
BENCHMARK(BM_PaintFrame)->Unit(benchmark::kMillisecond);

// The colour lookup of a frame alone, all indices in one pass.
void BM_FrameColours(benchmark::State& state)
{
    SortArray& A = g_view->m_items;
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
    for (auto _ : state) {
        state.PauseTiming();
        FillBacklog(A);
        state.ResumeTiming();
        wxMutexLocker lock(A.m_guard);
        int sum = 0;
        for (size_t i = 0; i < ITEMS; ++i) sum += A.IndexColour(i);
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
        g_view->m_items.FillArray(0, ITEMS);
        benchmark::RunSpecifiedBenchmarks();
        frame->Destroy();
    }
    benchmark::Shutdown();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return 0;
}
