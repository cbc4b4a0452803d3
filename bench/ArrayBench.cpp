// The array model's own costs: the full inversion count that every write
// triggers while counting is on, against the pairwise count it replaces, and
// one counted access.
#include <benchmark/benchmark.h>

#include <wx/init.h>

#include "SortArray.h"

static void BM_FullInversionCount(benchmark::State& state)
{
    SortArray A;
    A.FillArray(0, static_cast<size_t>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(A.FullInversionCount());
}
BENCHMARK(BM_FullInversionCount)->Arg(512)->Arg(2048)->Unit(benchmark::kMicrosecond);

// Every pair i < j, as the count was once defined: the reference to beat.
static void BM_PairwiseInversionCount(benchmark::State& state)
{
    SortArray A;
    A.FillArray(0, static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        uint32_t count = 0;
        const size_t n = A.size();
        for (size_t i = 0; i < n; ++i)
            for (size_t j = i + 1; j < n; ++j) count += A.m_array[i].raw() > A.m_array[j].raw();
        benchmark::DoNotOptimize(count);
    }
}
BENCHMARK(BM_PairwiseInversionCount)->Arg(512)->Arg(2048)->Unit(benchmark::kMicrosecond);

// A read of another index than the last: a lock, one record, one count.
static void BM_CountedRead(benchmark::State& state)
{
    SortArray A;
    A.FillArray(0, 2048);
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(A[i].raw());
        i = (i + 1) % 2048;
        if (A.m_highlights.size() > 100000) A.unmark_all(); // as painting would consume them
    }
}
BENCHMARK(BM_CountedRead);

int main(int argc, char** argv)
{
    wxInitializer initializer;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
