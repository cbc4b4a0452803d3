// quorvex count, the counting itself: which cells to run, one cell's runs on
// the headless core, and the worker processes that share the cells out.
#ifndef QUORVEX_COUNTRUN_H
#define QUORVEX_COUNTRUN_H

#include <csignal>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class SortArray;

// Sizes a count accepts. Far beyond what the window shows, and still small
// enough for the 64-bit counters and the array's 32-bit indices.
constexpr size_t COUNT_MIN_SIZE = 1;
constexpr size_t COUNT_MAX_SIZE = size_t(1) << 20;

// Parses a size list: comma-separated items, each a size ("100"), a range
// with a factor ("16..2048x2": 16, 32, ..., 2048) or a range with a step
// ("100..1000+100"). The sizes come out ascending, each once. On a syntax
// error returns false and leaves a one-line message in `error`.
bool ParseSizes(const std::string& text, std::vector<size_t>& sizes, std::string& error);

// Why the catalogue entry at `algorithm` is not run on `size` items, or an
// empty string if it is run: above the entry's listed size limit a run would
// take longer than anyone waits (bogo sort on 11 items, slow sort on 200).
std::string SkipReason(size_t algorithm, size_t size);

// True for the input types whose items are shuffled before a run.
bool IsShuffledInput(size_t input);

// The seed of the shuffle (and of the random pivot) of repetition `rep` of a
// cell. Every algorithm therefore sorts the same inputs under one seed.
uint32_t RunSeed(uint32_t seed, size_t input, size_t size, unsigned rep);


// One (algorithm, input type, size) to count, repeated `repeats` times.
struct CountCell
{
    size_t algorithm; // catalogue position
    size_t input;     // input type position
    size_t size;
    unsigned repeats;
};

// Settings shared by every run of a count.
struct CountSettings
{
    uint32_t seed = 1;
    int32_t pivot = 0; // g_pivot_rule during the quick sorts
};

struct CountStats
{
    double mean = 0;
    uint64_t min = 0, max = 0;
};

struct CellResult
{
    enum State { PENDING, COUNTED, SKIPPED, FAILED };
    State state = PENDING;
    std::string reason; // why SKIPPED or FAILED

    // COUNTED only; over the repetitions.
    unsigned repeats = 0;
    CountStats comparisons, accesses;
    double inversions = 0; // mean of the inputs' inversions, before the runs
    double runs = 0;       // mean of the inputs' runs, before the runs
    bool sorted = false;   // every result passed the result check
    double ms_per_run = 0; // processor time of one run, mean
};

// Runs one cell in this process, as the window's worker runs an algorithm:
// fill, PrepareInversions, the algorithm, CheckSorted; at no delay (no pacer)
// and with the sound off. Uses `array` as the instrumented array. Sets the
// process-wide counters, pivot rule and rand() seed: one run at a time per
// process.
CellResult RunCell(const CountCell& cell, const CountSettings& settings, SortArray& array);

// Counts the cells in up to `jobs` worker processes (each runs whole cells,
// so the counts are those of RunCell) and returns their results in the
// cells' order. Skipped cells are not sent to a worker. `progress` is called
// after each finished cell with the number done. If `*interrupted` becomes
// non-zero, the workers are ended and the cells not done stay PENDING.
std::vector<CellResult> CountCells(const std::vector<CountCell>& cells, const CountSettings& settings,
                                   unsigned jobs, const std::function<void(size_t done)>& progress,
                                   volatile std::sig_atomic_t* interrupted);

#endif
