// quorvex count's cost: one cell run in this process, and the whole catalogue
// on every input type at the sizes 16..2048x2 (the command of the README),
// with one worker process and with two. The second is the target: under a
// minute on a two-core machine.
#include <csignal>

#include <benchmark/benchmark.h>

#include <wx/init.h>

#include "CountRun.h"
#include "SortAlgo.h"
#include "SortArray.h"

// One cell of five runs: fill, inversions, the algorithm, the result check.
static void BM_RunCell(benchmark::State& state)
{
    const CountCell cell{static_cast<size_t>(state.range(0)), 0, static_cast<size_t>(state.range(1)), 5};
    SortArray array;
    for (auto _ : state) benchmark::DoNotOptimize(RunCell(cell, CountSettings(), array).comparisons.mean);
    state.SetLabel(std::string(g_algolist[cell.algorithm].name.utf8_str()));
}
BENCHMARK(BM_RunCell)
    ->Args({0, 2048})  // selection sort: quadratic, swaps only
    ->Args({3, 512})   // merge sort: a full inversion count on every write
    ->Args({15, 2048}) // heap sort
    ->Unit(benchmark::kMillisecond);

// Every algorithm, input type and size of 16..2048x2, skips included.
static void BM_CountCatalogue(benchmark::State& state)
{
    std::vector<size_t> sizes;
    std::string error;
    ParseSizes("16..2048x2", sizes, error);
    std::vector<CountCell> cells;
    for (size_t a = 0; a < g_algolist_size; ++a)
        for (size_t in = 0; in < 6; ++in)
            for (size_t n : sizes) cells.push_back(CountCell{a, in, n, IsShuffledInput(in) ? 5u : 1u});
    volatile std::sig_atomic_t interrupted = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(
            CountCells(cells, CountSettings(), static_cast<unsigned>(state.range(0)), nullptr, &interrupted));
}
BENCHMARK(BM_CountCatalogue)->Arg(1)->Arg(2)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

int main(int argc, char** argv)
{
    wxInitializer initializer;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
