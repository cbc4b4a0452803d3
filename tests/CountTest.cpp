// quorvex count, with no display: the size syntax, the skip rules, the runs
// and their workers, the CSV and JSON read back, the growth plot's files, and
// the command itself started as a user starts it.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <cairo.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "CountRun.h"
#include "CountTable.h"
#include "GrowthPlot.h"
#include "SortAlgo.h"
#include "SortArray.h"

namespace {

// Catalogue and input positions used below.
enum {
    SELECTION = 0, INSERTION = 1, MERGE = 3, QUICK_LR = 5, QUICK_TERNARY_LR = 7, HEAP = 15, CYCLE = 20,
    STD_SORT = 23, TIM = 26, BOGO = 28, BOZO = 29, STOOGE = 30, SLOW = 31,
};
enum { RANDOM = 0, ASCENDING = 1, DESCENDING = 2, CUBIC = 3, QUINTIC = 4, N2_EQUAL = 5 };
enum { PIVOT_FIRST = 0, PIVOT_RANDOM = 3, PIVOT_MEDIAN3 = 4 };

std::string TempPath(const std::string& name)
{
    return ::testing::TempDir() + "quorvex_count_" + std::to_string(getpid()) + "_" + name;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// What the writers print, through a memory stream.
template <typename Write>
std::string Capture(Write write)
{
    char* data = nullptr;
    size_t size = 0;
    FILE* f = open_memstream(&data, &size);
    write(f);
    std::fclose(f);
    std::string s(data, size);
    std::free(data);
    return s;
}

// RFC 4180 fields: quoted fields may hold commas and doubled quotes.
std::vector<std::vector<std::string>> ParseCsv(const std::string& text)
{
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> row;
    std::string field;
    bool quoted = false, any = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') field += '"', ++i;
            else if (c == '"') quoted = false;
            else field += c;
        }
        else if (c == '"') quoted = true, any = true;
        else if (c == ',') row.push_back(field), field.clear(), any = true;
        else if (c == '\n') {
            row.push_back(field);
            rows.push_back(row);
            row.clear(), field.clear(), any = false;
        }
        else field += c, any = true;
    }
    if (any) row.push_back(field), rows.push_back(row);
    return rows;
}

} // namespace

// ---------------------------------------------------------------------------
// Sizes

TEST(CountSizes, ListsRangesAndMixesGiveAscendingDistinctSizes)
{
    const struct {
        const char* text;
        std::vector<size_t> sizes;
    } cases[] = {
        {"10,100,1000", {10, 100, 1000}},
        {"1000, 10 ,10", {10, 1000}},
        {"16..2048x2", {16, 32, 64, 128, 256, 512, 1024, 2048}},
        {"10..1000x3", {10, 30, 90, 270, 810}},
        {"10..80x1.5", {10, 15, 23, 34, 51, 76}}, // 10 * 1.5^k rounded
        {"100..1000+300", {100, 400, 700, 1000}},
        {"5,2..8x2,7", {2, 4, 5, 7, 8}},
        {"1..1x2", {1}},
        {"1048576", {1048576}},
    };
    for (const auto& c : cases) {
        std::vector<size_t> sizes;
        std::string error;
        EXPECT_TRUE(ParseSizes(c.text, sizes, error)) << c.text << ": " << error;
        EXPECT_EQ(sizes, c.sizes) << c.text;
    }
}

TEST(CountSizes, ErrorsNameTheProblemAndLeaveTheSizesAlone)
{
    const struct {
        const char* text;
        const char* message; // a part of the one-line message
    } cases[] = {
        {"", "empty entry"},
        {"10,,20", "empty entry"},
        {"ten", "'ten' is not a size"},
        {"-5", "'-5' is not a size"},
        {"10x2", "'10x2' is not a size"},
        {"0", "size 0 is out of range; sizes run from 1 to 1048576"},
        {"1048577", "out of range"},
        {"99999999999999999999999", "out of range"},
        {"16..2048", "needs a factor (16..2048x2) or a step"},
        {"2048..16x2", "runs backwards"},
        {"16..2048x1", "must be a number above 1"},
        {"16..2048x0.5", "must be a number above 1"},
        {"16..2048xtwo", "must be a number above 1"},
        {"16..0x2", "out of range"},
        {"100..1000+0", "step of '100..1000+0' must be a whole number above 0"},
        {"1..100000+1", "more than 1000 sizes"},
    };
    for (const auto& c : cases) {
        std::vector<size_t> sizes = {7};
        std::string error;
        EXPECT_FALSE(ParseSizes(c.text, sizes, error)) << c.text;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.text << " gave: " << error;
        EXPECT_EQ(error.find('\n'), std::string::npos);
        EXPECT_EQ(sizes, std::vector<size_t>{7}) << c.text;
    }
}

// ---------------------------------------------------------------------------
// Skip rules

TEST(CountSkip, AnAlgorithmIsSkippedExactlyAboveItsListedSizeLimit)
{
    const struct {
        size_t algorithm, limit;
        const char* name;
    } limited[] = {
        {BOGO, 10, "Bogo Sort"}, {BOZO, 10, "Bozo Sort"}, {STOOGE, 256, "Stooge Sort"},
        {SLOW, 128, "Slow Sort"}, {CYCLE, 512, "Cycle Sort"},
    };
    for (const auto& l : limited) {
        EXPECT_EQ(SkipReason(l.algorithm, 1), "");
        EXPECT_EQ(SkipReason(l.algorithm, l.limit), "") << l.name;
        EXPECT_EQ(SkipReason(l.algorithm, l.limit + 1),
                  "above the size limit of " + std::to_string(l.limit) + " listed for " + l.name);
    }
    // every other entry is run at every size
    for (size_t a = 0; a < g_algolist_size; ++a) {
        if (g_algolist[a].size_limit != 0xFFFFFFFF) continue;
        EXPECT_EQ(SkipReason(a, COUNT_MAX_SIZE), "") << g_algolist[a].name;
    }
}

TEST(CountSkip, SkippedCellsAreNeverRunAndTheOthersAre)
{
    // bogo sort on 2048 items would never end: the count must not try it
    const std::vector<CountCell> cells = {
        {BOGO, RANDOM, 2048, 5}, {SLOW, DESCENDING, 4096, 1}, {BOZO, ASCENDING, 8, 1}, {SELECTION, RANDOM, 20, 2},
    };
    volatile std::sig_atomic_t interrupted = 0;
    const auto start = std::chrono::steady_clock::now();
    const std::vector<CellResult> r = CountCells(cells, CountSettings(), 2, nullptr, &interrupted);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[0].state, CellResult::SKIPPED);
    EXPECT_EQ(r[0].reason, "above the size limit of 10 listed for Bogo Sort");
    EXPECT_EQ(r[0].repeats, 0u);
    EXPECT_EQ(r[1].state, CellResult::SKIPPED);
    EXPECT_EQ(r[2].state, CellResult::COUNTED); // ascending input: bozo sort checks once and is done
    EXPECT_TRUE(r[2].sorted);
    EXPECT_EQ(r[3].state, CellResult::COUNTED);
    EXPECT_EQ(r[3].comparisons.min, 20u * 19u / 2u);
}

// ---------------------------------------------------------------------------
// Runs

TEST(CountRun, CountsAreTheAlgorithmsExactCountsAndInputsAreMeasuredBeforeTheRun)
{
    SortArray array;
    CountSettings settings;

    // selection sort compares every pair once, whatever the input
    const CellResult sel = RunCell(CountCell{SELECTION, RANDOM, 65, 5}, settings, array);
    EXPECT_EQ(sel.state, CellResult::COUNTED);
    EXPECT_EQ(sel.repeats, 5u);
    EXPECT_EQ(sel.comparisons.min, 2080u);
    EXPECT_EQ(sel.comparisons.max, 2080u);
    EXPECT_DOUBLE_EQ(sel.comparisons.mean, 2080.0);
    EXPECT_TRUE(sel.sorted);
    EXPECT_GT(sel.ms_per_run, 0.0);

    // insertion sort on a descending input: n(n-1)/2 inversions, n runs
    const CellResult ins = RunCell(CountCell{INSERTION, DESCENDING, 10, 1}, settings, array);
    EXPECT_DOUBLE_EQ(ins.inversions, 45.0);
    EXPECT_DOUBLE_EQ(ins.runs, 10.0);
    EXPECT_TRUE(ins.sorted);
    const CellResult asc = RunCell(CountCell{INSERTION, ASCENDING, 10, 1}, settings, array);
    EXPECT_DOUBLE_EQ(asc.inversions, 0.0);
    EXPECT_DOUBLE_EQ(asc.runs, 1.0);
    EXPECT_EQ(asc.comparisons.max, 9u);

    // shuffled inputs differ between repetitions: insertion sort's counts spread
    const CellResult shuffled = RunCell(CountCell{INSERTION, RANDOM, 200, 5}, settings, array);
    EXPECT_LT(shuffled.comparisons.min, shuffled.comparisons.max);
    EXPECT_LE(double(shuffled.comparisons.min), shuffled.comparisons.mean);
    EXPECT_GE(double(shuffled.comparisons.max), shuffled.comparisons.mean);
    EXPECT_LT(shuffled.accesses.min, shuffled.accesses.max);
    EXPECT_GT(shuffled.inversions, 0.0);
}

TEST(CountRun, TheInputsOfACellAreThoseItsSeedsFill)
{
    // repetition r sorts FillArray(type, n, RunSeed(seed, type, n, r)): the
    // mean inversions are those of these fills
    SortArray probe, array;
    CountSettings settings;
    settings.seed = 99;
    double inversions = 0, runs = 0;
    for (unsigned r = 0; r < 3; ++r) {
        probe.FillArray(QUINTIC, 300, RunSeed(99, QUINTIC, 300, r));
        inversions += probe.FullInversionCount();
        runs += probe.CountRuns();
    }
    const CellResult c = RunCell(CountCell{HEAP, QUINTIC, 300, 3}, settings, array);
    EXPECT_DOUBLE_EQ(c.inversions, inversions / 3);
    EXPECT_DOUBLE_EQ(c.runs, runs / 3);
    // the seeds of neighbouring cells and repetitions differ
    EXPECT_NE(RunSeed(1, 0, 16, 0), RunSeed(1, 0, 16, 1));
    EXPECT_NE(RunSeed(1, 0, 16, 0), RunSeed(1, 0, 32, 0));
    EXPECT_NE(RunSeed(1, 0, 16, 0), RunSeed(1, 3, 16, 0));
    EXPECT_NE(RunSeed(1, 0, 16, 0), RunSeed(2, 0, 16, 0));
}

TEST(CountRun, TheSameSeedGivesTheSameCountsAlsoWithTheRandomPivot)
{
    SortArray array;
    CountSettings random_pivot;
    random_pivot.pivot = PIVOT_RANDOM;
    const CountCell cell{QUICK_LR, ASCENDING, 500, 3};
    const CellResult a = RunCell(cell, random_pivot, array);
    const CellResult b = RunCell(cell, random_pivot, array);
    EXPECT_EQ(a.comparisons.min, b.comparisons.min);
    EXPECT_EQ(a.comparisons.max, b.comparisons.max);
    EXPECT_EQ(a.accesses.max, b.accesses.max);
    // each repetition draws its own pivots, even on the one fixed input
    EXPECT_LT(a.comparisons.min, a.comparisons.max);
    // and the rule is honoured: the first item on ascending input is the worst pivot
    const CellResult first = RunCell(cell, CountSettings(), array);
    EXPECT_GT(first.comparisons.min, 2 * a.comparisons.max);
    EXPECT_EQ(g_pivot_rule.load(), PIVOT_FIRST);
}

TEST(CountRun, InversionsAreCountedInSixtyFourBits)
{
    SortArray array;
    for (size_t type : {size_t(RANDOM), size_t(CUBIC), size_t(N2_EQUAL)}) {
        array.FillArray(static_cast<unsigned>(type), 777, 5);
        EXPECT_EQ(array.CountAllInversions(), array.FullInversionCount());
    }
    array.FillArray(DESCENDING, 100000, 0); // 4999950000 inversions: above 32 bits
    EXPECT_EQ(array.CountAllInversions(), 100000ull * 99999ull / 2ull);
}

TEST(CountRun, WorkerProcessesGiveTheCountsOfARunHere)
{
    std::vector<CountCell> cells;
    for (size_t a : {size_t(MERGE), size_t(QUICK_TERNARY_LR), size_t(HEAP), size_t(STD_SORT), size_t(TIM)})
        for (size_t in : {size_t(RANDOM), size_t(DESCENDING), size_t(N2_EQUAL)})
            cells.push_back(CountCell{a, in, 300, IsShuffledInput(in) ? 3u : 1u});
    CountSettings settings;
    settings.seed = 7;
    settings.pivot = PIVOT_MEDIAN3;

    std::vector<size_t> progress;
    volatile std::sig_atomic_t interrupted = 0;
    const std::vector<CellResult> parallel =
        CountCells(cells, settings, 2, [&](size_t done) { progress.push_back(done); }, &interrupted);
    ASSERT_EQ(parallel.size(), cells.size());
    // progress counts up to every cell, once per finished cell
    ASSERT_EQ(progress.size(), cells.size());
    for (size_t k = 0; k < progress.size(); ++k) EXPECT_EQ(progress[k], k + 1);

    SortArray array;
    for (size_t i = 0; i < cells.size(); ++i) {
        const CellResult here = RunCell(cells[i], settings, array);
        SCOPED_TRACE(AlgorithmName(cells[i].algorithm) + " on " + InputTypeName(cells[i].input));
        EXPECT_EQ(parallel[i].state, CellResult::COUNTED);
        EXPECT_EQ(parallel[i].repeats, here.repeats);
        EXPECT_EQ(parallel[i].comparisons.min, here.comparisons.min);
        EXPECT_EQ(parallel[i].comparisons.max, here.comparisons.max);
        EXPECT_DOUBLE_EQ(parallel[i].comparisons.mean, here.comparisons.mean);
        EXPECT_EQ(parallel[i].accesses.min, here.accesses.min);
        EXPECT_EQ(parallel[i].accesses.max, here.accesses.max);
        EXPECT_DOUBLE_EQ(parallel[i].accesses.mean, here.accesses.mean);
        EXPECT_DOUBLE_EQ(parallel[i].inversions, here.inversions);
        EXPECT_DOUBLE_EQ(parallel[i].runs, here.runs);
        EXPECT_TRUE(parallel[i].sorted);
    }
}

// This process's children that run its own program: the count's workers
// (the shell and ps that find them run other programs).
std::vector<pid_t> WorkerProcesses()
{
    const std::string self = ReadFile("/proc/self/comm");
    std::vector<pid_t> workers;
    if (FILE* p = popen(("ps -o pid= --ppid " + std::to_string(getpid())).c_str(), "r")) {
        long pid = 0;
        while (std::fscanf(p, "%ld", &pid) == 1)
            if (ReadFile("/proc/" + std::to_string(pid) + "/comm") == self) workers.push_back(static_cast<pid_t>(pid));
        pclose(p);
    }
    return workers;
}

TEST(CountRun, AWorkerThatDiesFailsItsCellAndTheOthersAreStillCounted)
{
    // slow sort on 128 items fifty times: the first cell out, and long enough
    // to be ended from outside while it runs
    const std::vector<CountCell> cells = {{SELECTION, RANDOM, 20, 1}, {SLOW, RANDOM, 128, 50}, {HEAP, RANDOM, 20, 1}};
    std::thread killer([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        std::vector<pid_t> workers;
        for (int tries = 0; tries < 50 && workers.empty(); ++tries) {
            workers = WorkerProcesses();
            if (workers.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        for (pid_t pid : workers) kill(pid, SIGKILL);
    });
    volatile std::sig_atomic_t interrupted = 0;
    const std::vector<CellResult> r = CountCells(cells, CountSettings(), 1, nullptr, &interrupted);
    killer.join();
    EXPECT_FALSE(interrupted);
    EXPECT_EQ(r[1].state, CellResult::FAILED);
    EXPECT_EQ(r[1].reason, "the run ended abnormally (Killed)");
    EXPECT_EQ(r[0].state, CellResult::COUNTED);
    EXPECT_EQ(r[0].comparisons.max, 190u);
    EXPECT_EQ(r[2].state, CellResult::COUNTED);
    EXPECT_TRUE(WorkerProcesses().empty()) << "a worker was left behind";
}

// ---------------------------------------------------------------------------
// CSV and JSON

namespace {

// A small count with every kind of row: counted (a name with a comma in it,
// one repetition and several), and skipped.
struct SmallCount
{
    std::vector<CountCell> cells = {
        {QUICK_TERNARY_LR, RANDOM, 64, 3}, {QUICK_TERNARY_LR, DESCENDING, 64, 1}, {BOGO, RANDOM, 64, 3},
        {HEAP, N2_EQUAL, 100, 2},
    };
    CountSettings settings;
    std::vector<CellResult> results;

    SmallCount()
    {
        settings.seed = 4242;
        settings.pivot = PIVOT_MEDIAN3;
        volatile std::sig_atomic_t interrupted = 0;
        results = CountCells(cells, settings, 2, nullptr, &interrupted);
    }
};

} // namespace

TEST(CountOutput, CsvReadsBackWithItsHeaderAndOneRowPerCell)
{
    SmallCount c;
    const auto rows = ParseCsv(Capture([&](FILE* f) { WriteCountCsv(f, c.cells, c.results); }));
    ASSERT_EQ(rows.size(), 1 + c.cells.size());
    const std::vector<std::string> header = {
        "algorithm", "input", "size", "repeats", "comparisons_mean", "comparisons_min", "comparisons_max",
        "accesses_mean", "accesses_min", "accesses_max", "inversions", "runs", "sorted", "ms_per_run", "status",
        "reason"};
    EXPECT_EQ(rows[0], header);
    for (size_t i = 0; i < c.cells.size(); ++i) {
        const auto& row = rows[1 + i];
        const CellResult& r = c.results[i];
        ASSERT_EQ(row.size(), header.size()) << "row " << i;
        EXPECT_EQ(row[0], AlgorithmName(c.cells[i].algorithm));
        EXPECT_EQ(row[1], InputTypeName(c.cells[i].input));
        EXPECT_EQ(row[2], std::to_string(c.cells[i].size));
        if (r.state == CellResult::SKIPPED) {
            for (size_t k = 3; k < 14; ++k) EXPECT_EQ(row[k], "") << header[k];
            EXPECT_EQ(row[14], "skipped");
            EXPECT_EQ(row[15], "above the size limit of 10 listed for Bogo Sort");
            continue;
        }
        EXPECT_EQ(row[3], std::to_string(r.repeats));
        EXPECT_DOUBLE_EQ(std::stod(row[4]), std::round(r.comparisons.mean * 10) / 10);
        EXPECT_EQ(row[5], std::to_string(r.comparisons.min));
        EXPECT_EQ(row[6], std::to_string(r.comparisons.max));
        EXPECT_EQ(row[8], std::to_string(r.accesses.min));
        EXPECT_EQ(row[9], std::to_string(r.accesses.max));
        EXPECT_DOUBLE_EQ(std::stod(row[10]), std::round(r.inversions * 10) / 10);
        EXPECT_EQ(row[12], "true");
        EXPECT_GT(std::stod(row[13]), 0.0);
        EXPECT_EQ(row[14], "counted");
        EXPECT_EQ(row[15], "");
    }
    // the name with a comma arrives whole, the descending input's inversions exact
    EXPECT_EQ(rows[1][0], "Quick Sort (ternary, LR ptrs)");
    EXPECT_EQ(rows[2][10], "2016.0");
    EXPECT_EQ(rows[2][11], "64.0");
}

TEST(CountOutput, JsonParsesWithTheSettingsAndOneObjectPerCell)
{
    SmallCount c;
    const nlohmann::json doc =
        nlohmann::json::parse(Capture([&](FILE* f) { WriteCountJson(f, c.cells, c.results, c.settings); }));
    EXPECT_EQ(doc.at("seed"), 4242);
    EXPECT_EQ(doc.at("pivot"), "Median of Three");
    const auto& cells = doc.at("cells");
    ASSERT_EQ(cells.size(), c.cells.size());
    for (size_t i = 0; i < c.cells.size(); ++i) {
        const auto& j = cells[i];
        const CellResult& r = c.results[i];
        EXPECT_EQ(j.at("algorithm"), AlgorithmName(c.cells[i].algorithm));
        EXPECT_EQ(j.at("input"), InputTypeName(c.cells[i].input));
        EXPECT_EQ(j.at("size"), c.cells[i].size);
        if (r.state == CellResult::SKIPPED) {
            EXPECT_EQ(j.at("status"), "skipped");
            EXPECT_EQ(j.at("reason"), r.reason);
            EXPECT_FALSE(j.contains("comparisons"));
            continue;
        }
        EXPECT_EQ(j.at("status"), "counted");
        EXPECT_EQ(j.at("repeats"), r.repeats);
        EXPECT_EQ(j.at("comparisons").at("min"), r.comparisons.min);
        EXPECT_EQ(j.at("comparisons").at("max"), r.comparisons.max);
        EXPECT_NEAR(j.at("comparisons").at("mean").get<double>(), r.comparisons.mean, 0.05);
        EXPECT_EQ(j.at("accesses").at("min"), r.accesses.min);
        EXPECT_EQ(j.at("accesses").at("max"), r.accesses.max);
        EXPECT_NEAR(j.at("inversions").get<double>(), r.inversions, 0.05);
        EXPECT_NEAR(j.at("runs").get<double>(), r.runs, 0.05);
        EXPECT_EQ(j.at("sorted"), true);
        EXPECT_GT(j.at("ms_per_run").get<double>(), 0.0);
    }
}

TEST(CountOutput, TableAlignsItsColumnsAndGivesTheSkipReason)
{
    SmallCount c;
    const std::string table = Capture([&](FILE* f) { WriteCountTable(f, c.cells, c.results); });
    std::vector<std::string> lines;
    std::stringstream ss(table);
    for (std::string line; std::getline(ss, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 1 + c.cells.size());
    // the size column ends at the same place on every line
    const size_t size_end = lines[0].find("Size") + 4;
    EXPECT_EQ(lines[1].substr(size_end - 2, 2), "64");
    EXPECT_EQ(lines[4].substr(size_end - 3, 3), "100");
    EXPECT_NE(lines[3].find("skipped: above the size limit of 10 listed for Bogo Sort"), std::string::npos);
    // one repetition shows no spread, several show min..max
    EXPECT_EQ(lines[2].find(".."), std::string::npos);
    EXPECT_NE(lines[1].find("(" + std::to_string(c.results[0].comparisons.min) + ".." +
                            std::to_string(c.results[0].comparisons.max) + ")"),
              std::string::npos);
}

TEST(CountOutput, PendingCellsAreLeftOut)
{
    const std::vector<CountCell> cells = {{SELECTION, RANDOM, 10, 1}, {HEAP, RANDOM, 10, 1}};
    std::vector<CellResult> results(2);
    SortArray array;
    results[1] = RunCell(cells[1], CountSettings(), array); // the first never finished
    const auto rows = ParseCsv(Capture([&](FILE* f) { WriteCountCsv(f, cells, results); }));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1][0], "Heap Sort");
    const nlohmann::json doc =
        nlohmann::json::parse(Capture([&](FILE* f) { WriteCountJson(f, cells, results, CountSettings()); }));
    ASSERT_EQ(doc.at("cells").size(), 1u);
    EXPECT_EQ(doc.at("cells")[0].at("algorithm"), "Heap Sort");
}

// ---------------------------------------------------------------------------
// The growth plot

namespace {

GrowthPlot ThreeLinePlot()
{
    GrowthPlot plot;
    plot.metric = "comparisons";
    plot.legend = {"Heap Sort", "Insertion Sort", "Quick Sort (ternary, LR ptrs)"};
    for (const char* title : {"Random Shuffle", "Descending"}) {
        GrowthChart chart;
        chart.title = title;
        for (double exponent : {1.2, 2.0, 1.5}) {
            std::vector<GrowthPoint> line;
            for (double n = 16; n <= 2048; n *= 2) line.push_back(GrowthPoint{n, std::pow(n, exponent)});
            chart.lines.push_back(line);
        }
        plot.charts.push_back(chart);
    }
    return plot;
}

// The stroked paths of an SVG file by their stroke colour (0-255 channels).
std::map<std::vector<int>, int> StrokedPathsByColour(const std::string& svg)
{
    std::map<std::vector<int>, int> count;
    const std::regex path("<path[^>]*>");
    const std::regex stroke("stroke:rgb\\(([0-9.]+)%, ?([0-9.]+)%, ?([0-9.]+)%\\)");
    const std::regex stroke_attr("stroke=\"rgb\\(([0-9.]+)%, ?([0-9.]+)%, ?([0-9.]+)%\\)\"");
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), path); it != std::sregex_iterator(); ++it) {
        const std::string p = it->str();
        if (p.find("fill:none") == std::string::npos && p.find("fill=\"none\"") == std::string::npos) continue;
        std::smatch m;
        if (!std::regex_search(p, m, stroke) && !std::regex_search(p, m, stroke_attr)) continue;
        std::vector<int> rgb;
        for (int k = 1; k <= 3; ++k) rgb.push_back(static_cast<int>(std::lround(std::stod(m[k]) * 2.55)));
        ++count[rgb];
    }
    return count;
}

std::vector<int> Rgb(const LineStyle& s)
{
    return {static_cast<int>(std::lround(s.red * 255)), static_cast<int>(std::lround(s.green * 255)),
            static_cast<int>(std::lround(s.blue * 255))};
}

} // namespace

TEST(CountPlot, SvgHasTheRequestedSizeAndOneLinePerAlgorithmInEachChart)
{
    const std::string path = TempPath("plot.svg");
    std::string error;
    ASSERT_TRUE(WriteGrowthPlot(ThreeLinePlot(), path, 900, 700, error)) << error;
    const std::string svg = ReadFile(path);
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    EXPECT_TRUE(std::regex_search(svg, std::regex("<svg[^>]*width=\"900(px)?\"[^>]*height=\"700(px)?\"")));

    const auto paths = StrokedPathsByColour(svg);
    for (size_t k = 0; k < 3; ++k) {
        // the line in each of the two charts, and the legend's sample
        const auto it = paths.find(Rgb(GrowthLineStyle(k)));
        ASSERT_NE(it, paths.end()) << "line " << k;
        EXPECT_EQ(it->second, 3) << "line " << k;
    }
    // the three lines are told apart
    EXPECT_NE(Rgb(GrowthLineStyle(0)), Rgb(GrowthLineStyle(1)));
    EXPECT_NE(Rgb(GrowthLineStyle(1)), Rgb(GrowthLineStyle(2)));
    // no temporary file stays beside it
    EXPECT_EQ(system(("ls " + path + ".part* >/dev/null 2>&1").c_str()) == 0, false);
    std::remove(path.c_str());
}

TEST(CountPlot, PngHasTheRequestedSizeAndEveryLinesColour)
{
    const std::string path = TempPath("plot.png");
    std::string error;
    ASSERT_TRUE(WriteGrowthPlot(ThreeLinePlot(), path, 640, 480, error)) << error;
    cairo_surface_t* png = cairo_image_surface_create_from_png(path.c_str());
    ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(png), 640);
    EXPECT_EQ(cairo_image_surface_get_height(png), 480);

    // pixels of each line's exact colour: a line's worth in the charts, beyond
    // the legend sample's 36 pixels
    const unsigned char* data = cairo_image_surface_get_data(png);
    const int stride = cairo_image_surface_get_stride(png);
    for (size_t k = 0; k < 3; ++k) {
        const std::vector<int> want = Rgb(GrowthLineStyle(k));
        int hits = 0;
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x) {
                const uint32_t px = *reinterpret_cast<const uint32_t*>(data + y * stride + 4 * x);
                const int r = (px >> 16) & 0xFF, g = (px >> 8) & 0xFF, b = px & 0xFF;
                // close to it: the antialiased edges of a sloped line blend a little
                hits += std::abs(r - want[0]) <= 12 && std::abs(g - want[1]) <= 12 && std::abs(b - want[2]) <= 12;
            }
        EXPECT_GT(hits, 200) << "line " << k;
    }
    cairo_surface_destroy(png);
    std::remove(path.c_str());
}

TEST(CountPlot, AFileThatCannotBeWrittenIsAnErrorAndLeavesNothing)
{
    std::string error;
    EXPECT_FALSE(WriteGrowthPlot(ThreeLinePlot(), "/nonexistent-dir/plot.svg", 640, 480, error));
    EXPECT_NE(error.find("cannot write the plot '/nonexistent-dir/plot.svg'"), std::string::npos) << error;
    EXPECT_FALSE(WriteGrowthPlot(ThreeLinePlot(), TempPath("plot.gif"), 640, 480, error));
    EXPECT_NE(error.find("must end in .svg or .png"), std::string::npos);
    EXPECT_TRUE(IsGrowthPlotName("A.SVG"));
    EXPECT_TRUE(IsGrowthPlotName("b.png"));
    EXPECT_FALSE(IsGrowthPlotName("svg"));
}

// ---------------------------------------------------------------------------
// The command, started as a user starts it, with no display

namespace {

struct Outcome
{
    int status = -1; // exit status, or 128 + signal
    std::string out, err;
};

// Starts `quorvex count ARGS` in a process group of its own, with stdout and
// stderr into files (so neither is a terminal); `while_running` gets its pid.
Outcome RunCount(const std::vector<std::string>& args, const std::function<void(pid_t)>& while_running = nullptr)
{
    const std::string out_path = TempPath("stdout"), err_path = TempPath("stderr");
    const pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        const int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(out, 1);
        dup2(err, 2);
        std::vector<char*> argv = {const_cast<char*>(QUORVEX_PROGRAM), const_cast<char*>("count")};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(QUORVEX_PROGRAM, argv.data());
        _exit(127);
    }
    setpgid(pid, pid);
    if (while_running) while_running(pid);
    int status = 0;
    waitpid(pid, &status, 0);
    Outcome o;
    o.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    o.out = ReadFile(out_path);
    o.err = ReadFile(err_path);
    // every process of the group is gone: no worker outlives the command
    EXPECT_NE(kill(-pid, 0), 0) << "a process of the count is still running";
    std::remove(out_path.c_str());
    std::remove(err_path.c_str());
    return o;
}

size_t Lines(const std::string& s)
{
    return static_cast<size_t>(std::count(s.begin(), s.end(), '\n'));
}

} // namespace

TEST(CountCommand, PipedOutputIsCsvAndFormatsAreChosenByName)
{
    const Outcome csv = RunCount({"-a", "Heap Sort,Quick Sort (ternary, LR ptrs),16", "-i", "descending,1",
                                  "-n", "8..32x2", "--seed", "3"});
    EXPECT_EQ(csv.status, 0) << csv.err;
    EXPECT_EQ(csv.err, "");
    const auto rows = ParseCsv(csv.out);
    ASSERT_EQ(rows.size(), 1u + 2 * 2 * 3);
    EXPECT_EQ(rows[0][0], "algorithm");
    // algorithms in the order given (position 16 is Heap Sort again), then inputs, then sizes
    EXPECT_EQ(rows[1][0], "Heap Sort");
    EXPECT_EQ(rows[1][1], "Descending");
    EXPECT_EQ(rows[1][2], "8");
    EXPECT_EQ(rows[4][1], "Random Shuffle");
    EXPECT_EQ(rows[4][3], "5"); // shuffled inputs: five repetitions by default
    EXPECT_EQ(rows[1][3], "1");
    EXPECT_EQ(rows[7][0], "Quick Sort (ternary, LR ptrs)");

    const Outcome json = RunCount({"-a", "heap sort", "-n", "10", "--format", "json", "--repeat", "2"});
    EXPECT_EQ(json.status, 0) << json.err;
    const nlohmann::json doc = nlohmann::json::parse(json.out);
    EXPECT_EQ(doc.at("pivot"), "First Item");
    EXPECT_EQ(doc.at("seed"), 1);
    ASSERT_EQ(doc.at("cells").size(), 1u);
    EXPECT_EQ(doc.at("cells")[0].at("input"), "Random Shuffle");
    EXPECT_EQ(doc.at("cells")[0].at("repeats"), 2);

    const Outcome table = RunCount({"-a", "1", "-n", "10", "--format", "table"});
    EXPECT_EQ(table.status, 0);
    EXPECT_EQ(table.out.rfind("Algorithm", 0), 0u);
    EXPECT_EQ(Lines(table.out), 2u);
}

TEST(CountCommand, TheSameSeedGivesTheSameCountsWithAnyNumberOfJobs)
{
    const std::vector<std::string> args = {"-a", "5,15,24,27", "-i", "all", "-n", "50,200", "--pivot", "random item"};
    auto counts = [](const std::string& csv) {
        std::vector<std::vector<std::string>> rows = ParseCsv(csv);
        for (auto& row : rows)
            if (row.size() > 13) row.erase(row.begin() + 13); // the time differs
        return rows;
    };
    std::vector<std::string> one = args, two = args;
    one.insert(one.end(), {"-j", "1"});
    two.insert(two.end(), {"-j", "2"});
    const Outcome a = RunCount(one), b = RunCount(two);
    EXPECT_EQ(a.status, 0);
    EXPECT_EQ(b.status, 0);
    EXPECT_EQ(Lines(a.out), 1u + 4 * 6 * 2);
    EXPECT_EQ(counts(a.out), counts(b.out));
}

TEST(CountCommand, UsageErrorsGiveOneLineWithTheChoicesAndStatusTwo)
{
    const std::string plot = TempPath("exists.svg");
    { std::ofstream(plot) << "mine"; }
    const struct {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"-a", "Quick Sort"}, "quorvex: unknown algorithm 'Quick Sort'; choose one of 'Selection Sort', "},
        {{"-a", "heap sort,33"}, "no algorithm at position 33; positions run from 1 to 32"},
        {{"-i", "sorted"}, "unknown input type 'sorted'; choose one of 'Random Shuffle', 'Ascending', "},
        {{"--pivot", "left"}, "unknown pivot rule 'left'; choose one of 'First Item', "},
        {{"-n", "16..2048"}, "needs a factor"},
        {{"-n", "0"}, "size 0 is out of range"},
        {{"--format", "xml"}, "unknown format 'xml'; choose one of table, csv, json"},
        {{"--metric", "swaps"}, "unknown metric 'swaps'; choose one of comparisons, accesses"},
        {{"--plot", "growth.gif"}, "must end in .svg or .png"},
        {{"--plot", plot}, "exists; add -y to replace it"},
        {{"--plot-size", "big"}, "must be WIDTHxHEIGHT"},
        {{"--repeat", "0"}, "--repeat '0' must be a whole number from 1 to 1000"},
        {{"--seed", "-1"}, "--seed '-1' must be a whole number"},
        {{"--jobs", "x"}, "--jobs 'x' must be"},
        {{"--bogus"}, "unknown option '--bogus'"},
        {{"-n"}, "option '-n' needs a value"},
        {{"extra"}, "count takes no arguments, not 'extra'"},
    };
    for (const auto& c : cases) {
        const Outcome o = RunCount(c.args);
        EXPECT_EQ(o.status, 2) << c.message;
        EXPECT_EQ(o.out, "") << c.message;
        EXPECT_EQ(Lines(o.err), 1u) << o.err;
        EXPECT_NE(o.err.find(c.message), std::string::npos) << o.err;
    }
    EXPECT_EQ(ReadFile(plot), "mine");
    std::remove(plot.c_str());
}

TEST(CountCommand, HelpNamesTheSkipRuleAndTheDefaults)
{
    const Outcome o = RunCount({"--help"});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.err, "");
    for (const char* text : {"Usage: quorvex count [OPTIONS]", "-a, --algorithm", "-i, --input", "-n, --size",
                             "--repeat", "--seed", "--pivot", "--format", "--plot FILE", "--metric",
                             "size limit the catalogue lists", "16..2048x2", "Ctrl-C"})
        EXPECT_NE(o.out.find(text), std::string::npos) << text;
}

TEST(CountCommand, WritesThePlotAndReplacesOneOnlyWithY)
{
    const std::string plot = TempPath("growth.png");
    std::remove(plot.c_str());
    const Outcome first =
        RunCount({"-a", "heap sort,insertion sort", "-i", "1,2", "-n", "16..256x4", "--plot", plot, "--metric",
                  "accesses", "--plot-size", "800x600"});
    EXPECT_EQ(first.status, 0) << first.err;
    cairo_surface_t* png = cairo_image_surface_create_from_png(plot.c_str());
    ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(png), 800);
    EXPECT_EQ(cairo_image_surface_get_height(png), 600);
    cairo_surface_destroy(png);

    const Outcome again = RunCount({"-a", "1", "-n", "8", "--plot", plot, "-y"});
    EXPECT_EQ(again.status, 0) << again.err;
    png = cairo_image_surface_create_from_png(plot.c_str());
    EXPECT_NE(cairo_image_surface_get_width(png), 800); // the default size now
    cairo_surface_destroy(png);
    std::remove(plot.c_str());
}

TEST(CountCommand, CtrlCPrintsTheCellsFinishedSoFar)
{
    // slow sort on 128 items a thousand times comes first and holds one
    // worker for minutes; the insertion sorts and the small slow sorts finish
    // on the other within moments
    const Outcome o = RunCount({"-a", "slow sort,insertion sort", "-n", "2,4,128", "--repeat", "1000", "-j", "2"},
                               [](pid_t pid) {
                                   std::this_thread::sleep_for(std::chrono::seconds(5));
                                   kill(pid, SIGINT); // the parent alone: it must end its workers itself
                               });
    EXPECT_EQ(o.status, 130);
    EXPECT_NE(o.err.find("quorvex: interrupted; the output holds the 5 of 6 cells finished"), std::string::npos)
        << o.err;
    const auto rows = ParseCsv(o.out);
    ASSERT_EQ(rows.size(), 6u) << o.out;
    EXPECT_EQ(rows[0][0], "algorithm");
    for (size_t k = 1; k < rows.size(); ++k) {
        EXPECT_FALSE(rows[k][0] == "Slow Sort" && rows[k][2] == "128");
        EXPECT_EQ(rows[k][14], "counted");
    }
}
