// quorvex count: runs algorithms on the headless core and puts their counts
// side by side, per algorithm, input type and size.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <getopt.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <wx/arrstr.h>

#include "Cli.h"
#include "CountRun.h"
#include "CountTable.h"
#include "GrowthPlot.h"
#include "SortAlgo.h"
#include "SortArray.h"

namespace {

const char* const DEFAULT_SIZES = "16..1024x4";
const unsigned DEFAULT_SHUFFLED_REPEATS = 5;
const unsigned MAX_REPEATS = 1000;
const int EXIT_INTERRUPTED = 128 + SIGINT; // as a shell reports a Ctrl-C

// The skip rule with the limits the catalogue lists, wrapped at 80 columns.
std::string SkipRuleText()
{
    std::string text = "Skipped runs: an algorithm is not run above the size limit the catalogue lists "
                       "for it (";
    bool first = true;
    for (const AlgoListEntry* ae = g_algolist; ae != g_algolist_end; ++ae) {
        if (ae->size_limit == 0xFFFFFFFF) continue;
        text += std::string(first ? "" : ", ") + std::string(ae->name.utf8_str()) + " " +
                std::to_string(ae->size_limit);
        first = false;
    }
    text += "), since such a run would not finish in any useful time; the output lists the cell as "
            "skipped, with the reason.";
    std::string wrapped, line;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(' ', start);
        if (end == std::string::npos) end = text.size();
        const std::string word = text.substr(start, end - start);
        if (!line.empty() && line.size() + 1 + word.size() > 80) {
            wrapped += line + "\n";
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
        start = end + 1;
    }
    return wrapped + line + "\n";
}

void PrintHelp()
{
    std::printf(
        "Usage: quorvex count [OPTIONS]\n"
        "\n"
        "Runs algorithms on the array the window uses, at no delay and with no sound,\n"
        "and reports for each algorithm, input type and size: comparisons and array\n"
        "accesses (mean, min and max over the repetitions), the inversions and runs of\n"
        "the input before the run (means), whether every result was sorted, and the\n"
        "processor time per run. Each run is the window's: the fill, the inversion\n"
        "counting the catalogue sets, the algorithm and the result check.\n"
        "\n"
        "Options:\n"
        "  -a, --algorithm LIST  algorithms: names or positions as 'quorvex list' prints\n"
        "                        them, separated by commas, or 'all' (default: all)\n"
        "  -i, --input LIST      input types, the same way (default: 'Random Shuffle')\n"
        "  -n, --size SIZES      sizes from %zu to %zu: a list (10,100,1000), a range\n"
        "                        with a factor (16..2048x2) or a step (100..1000+100),\n"
        "                        or a mix of these (default: %s)\n"
        "      --repeat N        runs per cell, each on another shuffle (default: %u for\n"
        "                        shuffled inputs, 1 for Ascending and Descending)\n"
        "      --seed N          seed of the shuffles and of the random pivot; the same\n"
        "                        seed gives the same counts (default: 1)\n"
        "      --pivot RULE      pivot rule of the quick sorts (default: 'First Item')\n"
        "      --format FORMAT   table, csv or json (default: table when the output is a\n"
        "                        terminal, csv otherwise)\n"
        "      --plot FILE       also draw the counts against the size on log-log axes\n"
        "                        into FILE.svg or FILE.png: one chart per input type,\n"
        "                        one line per algorithm, n log2 n and n^2 drawn faintly\n"
        "      --metric METRIC   what the plot shows: comparisons or accesses\n"
        "                        (default: comparisons)\n"
        "      --plot-size WxH   the plot's size in pixels (default: by the number of\n"
        "                        charts and algorithms)\n"
        "  -y, --overwrite       replace an existing plot file\n"
        "  -j, --jobs N          worker processes, each running whole cells; the counts\n"
        "                        do not depend on it (default: the processors, %ld)\n"
        "  -h, --help            show this help\n"
        "\n"
        "%s"
        "Bogo Sort and Bozo Sort draw their own random numbers, as in the window: their\n"
        "counts differ from one count to the next whatever the seed. The time per run\n"
        "includes the live inversion counting, on up to each algorithm's inversion limit.\n"
        "\n"
        "Ctrl-C stops the count and prints the cells finished so far.\n"
        "Exit status: 0 done, 1 a run failed or did not sort, 2 a usage error,\n"
        "%d interrupted.\n"
        "\n"
        "Example:\n"
        "  quorvex count -a 'Heap Sort,Merge Sort' -i all -n 16..2048x2 --plot growth.svg\n",
        COUNT_MIN_SIZE, COUNT_MAX_SIZE, DEFAULT_SIZES, DEFAULT_SHUFFLED_REPEATS, sysconf(_SC_NPROCESSORS_ONLN),
        SkipRuleText().c_str(), EXIT_INTERRUPTED);
}

volatile std::sig_atomic_t g_interrupted = 0;

void OnInterrupt(int)
{
    g_interrupted = 1;
}

std::string Trim(const std::string& s)
{
    const size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return "";
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

std::vector<std::string> SplitCommas(const std::string& text)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        const size_t comma = text.find(',', start);
        parts.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos) return parts;
        start = comma + 1;
    }
}

void AddOnce(std::vector<size_t>& list, size_t index)
{
    for (size_t i : list)
        if (i == index) return;
    list.push_back(index);
}

// Adds the entries of a comma-separated list of names, positions or 'all'.
// A name may itself hold a comma ("Quick Sort (ternary, LR ptrs)"): pieces
// are joined again while together they spell a name.
bool ParseChoices(const std::string& text, const wxArrayString& names,
                  bool (*find)(const std::string&, size_t&), std::vector<size_t>& chosen)
{
    const std::vector<std::string> pieces = SplitCommas(text);
    size_t i = 0;
    while (i < pieces.size()) {
        const std::string piece = Trim(pieces[i]);
        if (strcasecmp(piece.c_str(), "all") == 0) {
            for (size_t k = 0; k < names.size(); ++k) AddOnce(chosen, k);
            ++i;
            continue;
        }
        bool matched = false;
        std::string joined = pieces[i];
        for (size_t j = i + 1; j < pieces.size() && !matched; ++j) {
            joined += "," + pieces[j];
            for (size_t k = 0; k < names.size(); ++k)
                if (strcasecmp(names[k].utf8_str(), Trim(joined).c_str()) == 0) {
                    AddOnce(chosen, k);
                    i = j + 1;
                    matched = true;
                    break;
                }
        }
        if (matched) continue;
        size_t index = 0;
        if (!find(piece, index)) return false; // it prints the choices
        AddOnce(chosen, index);
        ++i;
    }
    return true;
}

bool ParseUnsigned(const char* text, unsigned long long max, unsigned long long& value)
{
    if (!*text || std::strspn(text, "0123456789") != std::strlen(text)) return false;
    errno = 0;
    value = std::strtoull(text, nullptr, 10);
    return errno == 0 && value <= max;
}

bool ParsePlotSize(const char* text, int& width, int& height)
{
    unsigned w = 0, h = 0;
    char extra = 0;
    if (std::sscanf(text, "%ux%u%c", &w, &h, &extra) != 2) return false;
    if (w < 200 || h < 150 || w > 16384 || h > 16384) return false;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}

struct Options
{
    std::vector<size_t> algorithms, inputs, sizes;
    unsigned repeats = 0; // 0: by input type
    CountSettings settings;
    std::string format, plot, metric = "comparisons";
    int plot_width = 0, plot_height = 0;
    bool overwrite = false;
    unsigned jobs = 1;
};

enum { OPT_REPEAT = 256, OPT_SEED, OPT_PIVOT, OPT_FORMAT, OPT_PLOT, OPT_METRIC, OPT_PLOT_SIZE };

// Parses the options; returns -1 to go on, or the exit status.
int ParseOptions(int argc, char** argv, Options& o)
{
    static const option LONG_OPTIONS[] = {
        {"algorithm", required_argument, nullptr, 'a'},
        {"input", required_argument, nullptr, 'i'},
        {"size", required_argument, nullptr, 'n'},
        {"repeat", required_argument, nullptr, OPT_REPEAT},
        {"seed", required_argument, nullptr, OPT_SEED},
        {"pivot", required_argument, nullptr, OPT_PIVOT},
        {"format", required_argument, nullptr, OPT_FORMAT},
        {"plot", required_argument, nullptr, OPT_PLOT},
        {"metric", required_argument, nullptr, OPT_METRIC},
        {"plot-size", required_argument, nullptr, OPT_PLOT_SIZE},
        {"overwrite", no_argument, nullptr, 'y'},
        {"jobs", required_argument, nullptr, 'j'},
        {"help", no_argument, nullptr, 'h'},
        {nullptr, 0, nullptr, 0},
    };

    wxArrayString algorithm_names, input_names;
    for (const AlgoListEntry* ae = g_algolist; ae != g_algolist_end; ++ae) algorithm_names.Add(ae->name);
    SortArray::ListInputTypes(input_names);

    const long processors = sysconf(_SC_NPROCESSORS_ONLN);
    o.jobs = processors > 0 ? static_cast<unsigned>(processors) : 1;
    bool sizes_given = false;

    optind = 0; // a fresh scan, also when a caller parses twice
    opterr = 0; // the messages below name the valid choices
    int c;
    while ((c = getopt_long(argc, argv, ":a:i:n:yj:h", LONG_OPTIONS, nullptr)) != -1) {
        unsigned long long v = 0;
        switch (c) {
        case 'a':
            if (!ParseChoices(optarg, algorithm_names, FindAlgorithm, o.algorithms)) return EXIT_USAGE;
            break;
        case 'i':
            if (!ParseChoices(optarg, input_names, FindInputType, o.inputs)) return EXIT_USAGE;
            break;
        case 'n': {
            std::vector<size_t> sizes;
            std::string error;
            if (!ParseSizes(optarg, sizes, error)) {
                CliError(error);
                return EXIT_USAGE;
            }
            o.sizes.insert(o.sizes.end(), sizes.begin(), sizes.end());
            sizes_given = true;
            break;
        }
        case OPT_REPEAT:
            if (!ParseUnsigned(optarg, MAX_REPEATS, v) || v == 0) {
                CliError(std::string("--repeat '") + optarg + "' must be a whole number from 1 to " +
                         std::to_string(MAX_REPEATS));
                return EXIT_USAGE;
            }
            o.repeats = static_cast<unsigned>(v);
            break;
        case OPT_SEED:
            if (!ParseUnsigned(optarg, 0xFFFFFFFFULL, v)) {
                CliError(std::string("--seed '") + optarg + "' must be a whole number from 0 to 4294967295");
                return EXIT_USAGE;
            }
            o.settings.seed = static_cast<uint32_t>(v);
            break;
        case OPT_PIVOT: {
            size_t rule = 0;
            if (!FindPivotRule(optarg, rule)) return EXIT_USAGE;
            o.settings.pivot = static_cast<int32_t>(rule);
            break;
        }
        case OPT_FORMAT:
            o.format = optarg;
            if (o.format != "table" && o.format != "csv" && o.format != "json") {
                CliError("unknown format '" + o.format + "'; choose one of table, csv, json");
                return EXIT_USAGE;
            }
            break;
        case OPT_PLOT:
            o.plot = optarg;
            if (!IsGrowthPlotName(o.plot)) {
                CliError("the plot file '" + o.plot + "' must end in .svg or .png");
                return EXIT_USAGE;
            }
            break;
        case OPT_METRIC:
            o.metric = optarg;
            if (o.metric != "comparisons" && o.metric != "accesses") {
                CliError("unknown metric '" + o.metric + "'; choose one of comparisons, accesses");
                return EXIT_USAGE;
            }
            break;
        case OPT_PLOT_SIZE:
            if (!ParsePlotSize(optarg, o.plot_width, o.plot_height)) {
                CliError(std::string("--plot-size '") + optarg +
                         "' must be WIDTHxHEIGHT in pixels, from 200x150 to 16384x16384");
                return EXIT_USAGE;
            }
            break;
        case 'y':
            o.overwrite = true;
            break;
        case 'j':
            if (!ParseUnsigned(optarg, 256, v) || v == 0) {
                CliError(std::string("--jobs '") + optarg + "' must be a whole number from 1 to 256");
                return EXIT_USAGE;
            }
            o.jobs = static_cast<unsigned>(v);
            break;
        case 'h':
            PrintHelp();
            return EXIT_DONE;
        case ':':
            CliError(std::string("option '") + argv[optind - 1] + "' needs a value; see 'quorvex count --help'");
            return EXIT_USAGE;
        default:
            CliError(std::string("unknown option '") + argv[optind - 1] + "'; see 'quorvex count --help'");
            return EXIT_USAGE;
        }
    }
    if (optind < argc) {
        CliError(std::string("count takes no arguments, not '") + argv[optind] + "'; see 'quorvex count --help'");
        return EXIT_USAGE;
    }

    if (o.algorithms.empty())
        for (size_t k = 0; k < algorithm_names.size(); ++k) o.algorithms.push_back(k);
    if (o.inputs.empty()) o.inputs.push_back(0); // Random Shuffle, as the window starts
    if (!sizes_given) {
        std::string error;
        ParseSizes(DEFAULT_SIZES, o.sizes, error);
    }
    std::sort(o.sizes.begin(), o.sizes.end());
    o.sizes.erase(std::unique(o.sizes.begin(), o.sizes.end()), o.sizes.end());
    if (o.format.empty()) o.format = isatty(STDOUT_FILENO) ? "table" : "csv";

    struct stat st;
    if (!o.plot.empty() && !o.overwrite && stat(o.plot.c_str(), &st) == 0) {
        CliError("the plot file '" + o.plot + "' exists; add -y to replace it");
        return EXIT_USAGE;
    }
    return -1;
}

GrowthPlot MakePlot(const Options& o, const std::vector<CountCell>& cells, const std::vector<CellResult>& results)
{
    GrowthPlot plot;
    plot.metric = o.metric == "accesses" ? "array accesses" : "comparisons";
    // a legend entry without a line says why: every cell skipped, or no
    // count above 0 (radix sorts make no comparisons), which a log axis cannot show
    for (size_t a : o.algorithms) {
        bool counted = false, above_zero = false;
        for (size_t i = 0; i < cells.size(); ++i) {
            if (cells[i].algorithm != a || results[i].state != CellResult::COUNTED) continue;
            counted = true;
            const CountStats& s = o.metric == "accesses" ? results[i].accesses : results[i].comparisons;
            above_zero = above_zero || s.mean > 0;
        }
        std::string note;
        if (!counted) note = " (not counted)";
        else if (!above_zero) note = o.metric == "accesses" ? " (no accesses)" : " (no comparisons)";
        plot.legend.push_back(AlgorithmName(a) + note);
    }
    for (size_t in : o.inputs) {
        GrowthChart chart;
        chart.title = InputTypeName(in);
        chart.lines.resize(o.algorithms.size());
        for (size_t i = 0; i < cells.size(); ++i) {
            if (cells[i].input != in || results[i].state != CellResult::COUNTED) continue;
            size_t line = 0;
            while (o.algorithms[line] != cells[i].algorithm) ++line;
            const CountStats& s = o.metric == "accesses" ? results[i].accesses : results[i].comparisons;
            chart.lines[line].push_back(GrowthPoint{static_cast<double>(cells[i].size), s.mean});
        }
        plot.charts.push_back(chart);
    }
    return plot;
}

} // namespace

int CountCommand(int argc, char** argv)
{
    Options o;
    const int parsed = ParseOptions(argc, argv, o);
    if (parsed >= 0) return parsed;

    std::vector<CountCell> cells;
    for (size_t a : o.algorithms)
        for (size_t in : o.inputs)
            for (size_t n : o.sizes)
                cells.push_back(CountCell{a, in, n,
                                          o.repeats ? o.repeats
                                                    : (IsShuffledInput(in) ? DEFAULT_SHUFFLED_REPEATS : 1u)});

    // progress on one line of a terminal, rewritten in place
    const bool show_progress = isatty(STDERR_FILENO);
    const auto started = std::chrono::steady_clock::now();
    auto progress = [&](size_t done) {
        if (!show_progress) return;
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        std::fprintf(stderr, "\rquorvex count: %zu of %zu cells (%zu%%), %.0f s ", done, cells.size(),
                     done * 100 / cells.size(), s);
    };

    progress(0);
    g_interrupted = 0;
    struct sigaction on_int{}, old_int{};
    on_int.sa_handler = OnInterrupt;
    sigemptyset(&on_int.sa_mask);
    sigaction(SIGINT, &on_int, &old_int);
    const std::vector<CellResult> results = CountCells(cells, o.settings, o.jobs, progress, &g_interrupted);
    sigaction(SIGINT, &old_int, nullptr);
    if (show_progress) std::fprintf(stderr, "\r\033[K");

    if (o.format == "csv") WriteCountCsv(stdout, cells, results);
    else if (o.format == "json") WriteCountJson(stdout, cells, results, o.settings);
    else WriteCountTable(stdout, cells, results);
    std::fflush(stdout);

    int status = EXIT_DONE;
    if (!o.plot.empty()) {
        int w = o.plot_width, h = o.plot_height;
        if (w == 0) GrowthPlotDefaultSize(o.inputs.size(), o.algorithms.size(), w, h);
        std::string error;
        if (!WriteGrowthPlot(MakePlot(o, cells, results), o.plot, w, h, error)) {
            CliError(error);
            status = EXIT_FAILED;
        }
    }

    size_t finished = 0, failed = 0, unsorted = 0;
    for (const CellResult& r : results) {
        finished += r.state != CellResult::PENDING;
        failed += r.state == CellResult::FAILED;
        unsorted += r.state == CellResult::COUNTED && !r.sorted;
    }
    if (failed) {
        CliError(std::to_string(failed) + " cell(s) failed; the output gives the reason");
        status = EXIT_FAILED;
    }
    if (unsorted) {
        CliError(std::to_string(unsorted) + " cell(s) left an unsorted result (sorted: false)");
        status = EXIT_FAILED;
    }
    if (g_interrupted) {
        CliError("interrupted; the output holds the " + std::to_string(finished) + " of " +
                 std::to_string(cells.size()) + " cells finished");
        return EXIT_INTERRUPTED;
    }
    return status;
}
