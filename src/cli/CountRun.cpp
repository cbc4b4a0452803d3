#include "CountRun.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include <limits.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <wx/log.h>

#include "SortAlgo.h"
#include "SortArray.h"
#include "SortSound.h"

// ---------------------------------------------------------------------------
// Sizes

namespace {

// A size list of a million entries is a typing error, not a plan.
constexpr size_t MAX_SIZE_COUNT = 1000;

const char* const SIZES_SYNTAX = "write a list such as 10,100,1000, a range with a factor such as "
                                 "16..2048x2 or a range with a step such as 100..1000+100";

std::string Trim(const std::string& s)
{
    const size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return "";
    const size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

// A whole decimal number, digits only.
bool ParseCount(const std::string& text, unsigned long long& value)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
    errno = 0;
    value = std::strtoull(text.c_str(), nullptr, 10);
    if (errno == ERANGE) value = ~0ULL; // out of range either way
    return true;
}

bool ParseOneSize(const std::string& text, const std::string& item, size_t& size, std::string& error)
{
    unsigned long long v = 0;
    if (!ParseCount(text, v)) {
        error = "'" + item + "' is not a size; " + SIZES_SYNTAX;
        return false;
    }
    if (v < COUNT_MIN_SIZE || v > COUNT_MAX_SIZE) {
        error = "size " + text + " is out of range; sizes run from " + std::to_string(COUNT_MIN_SIZE) +
                " to " + std::to_string(COUNT_MAX_SIZE);
        return false;
    }
    size = static_cast<size_t>(v);
    return true;
}

bool AddSize(std::vector<size_t>& sizes, size_t size, std::string& error)
{
    sizes.push_back(size);
    if (sizes.size() > MAX_SIZE_COUNT) {
        error = "more than " + std::to_string(MAX_SIZE_COUNT) + " sizes; take a larger factor or step";
        return false;
    }
    return true;
}

bool ParseRange(const std::string& item, size_t dots, std::vector<size_t>& sizes, std::string& error)
{
    const std::string from_text = item.substr(0, dots), rest = item.substr(dots + 2);
    const size_t op = rest.find_first_of("x+");
    if (op == std::string::npos) {
        error = "the range '" + item + "' needs a factor (16..2048x2) or a step (100..1000+100)";
        return false;
    }
    size_t from = 0, to = 0;
    if (!ParseOneSize(from_text, item, from, error) || !ParseOneSize(rest.substr(0, op), item, to, error))
        return false;
    if (from > to) {
        error = "the range '" + item + "' runs backwards; write the smaller size first";
        return false;
    }

    const std::string by = rest.substr(op + 1);
    if (rest[op] == '+') {
        unsigned long long step = 0;
        if (!ParseCount(by, step) || step == 0) {
            error = "the step of '" + item + "' must be a whole number above 0";
            return false;
        }
        for (unsigned long long s = from; s <= to; s += step)
            if (!AddSize(sizes, static_cast<size_t>(s), error)) return false;
        return true;
    }

    // a factor: whole or decimal, above 1; each size is from * factor^k rounded
    char* end = nullptr;
    const double factor = by.empty() || by.find_first_not_of("0123456789.") != std::string::npos
                              ? 0.0
                              : std::strtod(by.c_str(), &end);
    if (!(factor > 1.0) || (end && *end != '\0')) {
        error = "the factor of '" + item + "' must be a number above 1, such as 2 or 1.5";
        return false;
    }
    size_t last = 0;
    for (int k = 0;; ++k) {
        const double exact = static_cast<double>(from) * std::pow(factor, k);
        if (exact > static_cast<double>(to) + 1e-9) break;
        const size_t s = static_cast<size_t>(std::llround(exact));
        if (s == last || s > to) continue;
        if (!AddSize(sizes, s, error)) return false;
        last = s;
    }
    return true;
}

} // namespace

bool ParseSizes(const std::string& text, std::vector<size_t>& sizes, std::string& error)
{
    std::vector<size_t> parsed;
    size_t start = 0;
    while (true) {
        const size_t comma = text.find(',', start);
        const std::string item = Trim(text.substr(start, comma == std::string::npos ? std::string::npos
                                                                                    : comma - start));
        if (item.empty()) {
            error = "empty entry in the sizes '" + text + "'; " + SIZES_SYNTAX;
            return false;
        }
        const size_t dots = item.find("..");
        if (dots != std::string::npos) {
            if (!ParseRange(item, dots, parsed, error)) return false;
        }
        else {
            size_t s = 0;
            if (!ParseOneSize(item, item, s, error) || !AddSize(parsed, s, error)) return false;
        }
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    std::sort(parsed.begin(), parsed.end());
    parsed.erase(std::unique(parsed.begin(), parsed.end()), parsed.end());
    sizes = parsed;
    return true;
}

// ---------------------------------------------------------------------------
// One cell

std::string SkipReason(size_t algorithm, size_t size)
{
    const AlgoListEntry& entry = g_algolist[algorithm];
    if (size <= entry.size_limit) return "";
    return "above the size limit of " + std::to_string(entry.size_limit) + " listed for " +
           std::string(entry.name.utf8_str());
}

bool IsShuffledInput(size_t input)
{
    return input != 1 && input != 2; // Ascending and Descending are fixed
}

uint32_t RunSeed(uint32_t seed, size_t input, size_t size, unsigned rep)
{
    // splitmix64 over the four numbers: neighbouring cells get unrelated shuffles
    uint64_t x = seed;
    for (uint64_t part : {uint64_t(input), uint64_t(size), uint64_t(rep)}) {
        x += 0x9E3779B97F4A7C15ULL + part;
        x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
        x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
        x ^= x >> 31;
    }
    return static_cast<uint32_t>(x ^ (x >> 32));
}

namespace {

double ProcessSeconds()
{
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

void AddToStats(CountStats& s, uint64_t value, unsigned index)
{
    if (index == 0 || value < s.min) s.min = value;
    if (index == 0 || value > s.max) s.max = value;
    s.mean += static_cast<double>(value);
}

} // namespace

CellResult RunCell(const CountCell& cell, const CountSettings& settings, SortArray& array)
{
    ASSERT(cell.algorithm < g_algolist_size);
    ASSERT(cell.repeats > 0);
    const AlgoListEntry& entry = g_algolist[cell.algorithm];
    CellResult result;
    result.state = CellResult::COUNTED;
    result.repeats = cell.repeats;
    result.sorted = true;

    // as the window's worker runs it with the speed at zero and the sound off
    array.m_pacer = nullptr;
    g_sound_on = false;
    g_pivot_rule = settings.pivot;

    double inversions = 0, runs = 0, seconds = 0;
    for (unsigned rep = 0; rep < cell.repeats; ++rep) {
        const uint32_t seed = RunSeed(settings.seed, cell.input, cell.size, rep);
        array.FillArray(static_cast<unsigned int>(cell.input), cell.size, seed);
        inversions += static_cast<double>(array.CountAllInversions());
        runs += array.CountRuns();
        srand(seed); // the random pivot's numbers

        const double start = ProcessSeconds();
        array.PrepareInversions(entry);
        entry.func(array);
        const bool sorted = array.CheckSorted();
        seconds += ProcessSeconds() - start;

        result.sorted = result.sorted && sorted;
        AddToStats(result.comparisons, g_comparison_count, rep);
        AddToStats(result.accesses, g_access_count, rep);
    }
    const double reps = cell.repeats;
    result.comparisons.mean /= reps;
    result.accesses.mean /= reps;
    result.inversions = inversions / reps;
    result.runs = runs / reps;
    result.ms_per_run = seconds * 1000.0 / reps;
    return result;
}

// ---------------------------------------------------------------------------
// Worker processes

namespace {

// One finished cell as a worker sends it back: plain data, written in one
// piece (below PIPE_BUF, so a write is never split).
struct WireResult
{
    uint64_t cell;
    uint32_t repeats;
    uint32_t sorted;
    double comparisons_mean, accesses_mean;
    uint64_t comparisons_min, comparisons_max, accesses_min, accesses_max;
    double inversions, runs, ms_per_run;
};
static_assert(sizeof(WireResult) <= PIPE_BUF, "a result must reach the parent in one write");

struct Worker
{
    pid_t pid = -1;
    int task_fd = -1;   // parent writes cell indices
    int result_fd = -1; // parent reads WireResults
    long cell = -1;     // the cell it runs, -1 when idle
};

bool WriteAll(int fd, const void* data, size_t size)
{
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t w = write(fd, p, size);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        p += w;
        size -= static_cast<size_t>(w);
    }
    return true;
}

// Reads exactly `size` bytes; false on end of file or an error.
bool ReadAll(int fd, void* data, size_t size)
{
    char* p = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t r = read(fd, p, size);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        p += r;
        size -= static_cast<size_t>(r);
    }
    return true;
}

[[noreturn]] void WorkerMain(int task_fd, int result_fd, const std::vector<CountCell>& cells,
                             const CountSettings& settings)
{
    // Ctrl-C in the terminal reaches the whole process group: a worker just ends
    signal(SIGINT, SIG_DFL);
    signal(SIGPIPE, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    wxLogNull quiet; // an unsorted result is reported in the table, not on stderr
    SortArray array;
    uint64_t index = 0;
    while (ReadAll(task_fd, &index, sizeof index)) {
        const CellResult r = RunCell(cells[index], settings, array);
        WireResult w{};
        w.cell = index;
        w.repeats = r.repeats;
        w.sorted = r.sorted;
        w.comparisons_mean = r.comparisons.mean;
        w.comparisons_min = r.comparisons.min;
        w.comparisons_max = r.comparisons.max;
        w.accesses_mean = r.accesses.mean;
        w.accesses_min = r.accesses.min;
        w.accesses_max = r.accesses.max;
        w.inversions = r.inversions;
        w.runs = r.runs;
        w.ms_per_run = r.ms_per_run;
        if (!WriteAll(result_fd, &w, sizeof w)) break;
    }
    // no exit handlers: they belong to the parent (its stdio buffers, its statics)
    _exit(0);
}

CellResult FromWire(const WireResult& w)
{
    CellResult r;
    r.state = CellResult::COUNTED;
    r.repeats = w.repeats;
    r.sorted = w.sorted != 0;
    r.comparisons = CountStats{w.comparisons_mean, w.comparisons_min, w.comparisons_max};
    r.accesses = CountStats{w.accesses_mean, w.accesses_min, w.accesses_max};
    r.inversions = w.inversions;
    r.runs = w.runs;
    r.ms_per_run = w.ms_per_run;
    return r;
}

class WorkerPool
{
public:
    WorkerPool(const std::vector<CountCell>& cells, const CountSettings& settings)
        : m_cells(cells), m_settings(settings) {}

    ~WorkerPool()
    {
        for (Worker& w : m_workers) End(w, true);
    }

    std::vector<Worker> m_workers;

    bool Spawn()
    {
        int task[2], result[2];
        if (pipe(task) != 0) return false;
        if (pipe(result) != 0) {
            close(task[0]);
            close(task[1]);
            return false;
        }
        std::fflush(nullptr); // nothing buffered may be written twice
        const pid_t pid = fork();
        if (pid < 0) {
            for (int fd : {task[0], task[1], result[0], result[1]}) close(fd);
            return false;
        }
        if (pid == 0) {
            // the other workers' pipe ends stay with the parent, or their
            // ends of file would never come
            for (const Worker& w : m_workers) {
                if (w.task_fd >= 0) close(w.task_fd);
                if (w.result_fd >= 0) close(w.result_fd);
            }
            close(task[1]);
            close(result[0]);
            WorkerMain(task[0], result[1], m_cells, m_settings);
        }
        close(task[0]);
        close(result[1]);
        Worker w;
        w.pid = pid;
        w.task_fd = task[1];
        w.result_fd = result[0];
        m_workers.push_back(w);
        return true;
    }

    // Closes the pipes and reaps the process; `kill` ends it first. Returns
    // the wait status.
    int End(Worker& w, bool kill_it)
    {
        if (w.pid < 0) return 0;
        if (kill_it) kill(w.pid, SIGKILL);
        if (w.task_fd >= 0) close(w.task_fd);
        if (w.result_fd >= 0) close(w.result_fd);
        w.task_fd = w.result_fd = -1;
        int status = 0;
        while (waitpid(w.pid, &status, 0) < 0 && errno == EINTR) {
        }
        w.pid = -1;
        return status;
    }

private:
    const std::vector<CountCell>& m_cells;
    const CountSettings& m_settings;
};

std::string DescribeEnd(int status)
{
    if (WIFSIGNALED(status))
        return std::string("the run ended abnormally (") + strsignal(WTERMSIG(status)) + ")";
    return "the run ended abnormally (exit status " + std::to_string(WEXITSTATUS(status)) + ")";
}

} // namespace

std::vector<CellResult> CountCells(const std::vector<CountCell>& cells, const CountSettings& settings,
                                   unsigned jobs, const std::function<void(size_t done)>& progress,
                                   volatile std::sig_atomic_t* interrupted)
{
    std::vector<CellResult> results(cells.size());
    std::vector<size_t> queue; // cells to run, in the order they are handed out
    size_t done = 0;
    for (size_t i = 0; i < cells.size(); ++i) {
        const std::string reason = SkipReason(cells[i].algorithm, cells[i].size);
        if (reason.empty()) {
            queue.push_back(i);
            continue;
        }
        results[i].state = CellResult::SKIPPED;
        results[i].reason = reason;
        ++done;
    }
    if (done > 0 && progress) progress(done);
    // The longest cells first, so that none starts last while the other
    // workers idle. The longest are the largest sizes, and for an algorithm
    // with a size limit (slow sort: 128) the sizes nearest its limit: so the
    // cells go out by their size's share of the largest size the algorithm
    // takes here, then by size.
    size_t largest = 0;
    for (size_t i : queue) largest = std::max(largest, cells[i].size);
    auto share = [&](size_t i) {
        const size_t top = std::min<size_t>(largest, g_algolist[cells[i].algorithm].size_limit);
        return static_cast<double>(cells[i].size) / static_cast<double>(top);
    };
    std::stable_sort(queue.begin(), queue.end(), [&](size_t a, size_t b) {
        const double sa = share(a), sb = share(b);
        if (sa != sb) return sa > sb;
        return cells[a].size > cells[b].size;
    });
    size_t next = 0;

    // SIGINT is blocked except while waiting, so that a Ctrl-C between the
    // check of `interrupted` and the wait cannot be missed
    sigset_t block, original, waiting;
    sigemptyset(&block);
    sigaddset(&block, SIGINT);
    sigprocmask(SIG_BLOCK, &block, &original);
    waiting = original;
    sigdelset(&waiting, SIGINT);
    // a worker that died while it was handed a cell must not end the parent
    struct sigaction ignore_pipe{}, old_pipe{};
    ignore_pipe.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore_pipe, &old_pipe);

    {
        WorkerPool pool(cells, settings);
        auto hand_out = [&](Worker& w) {
            if (next < queue.size()) {
                const uint64_t index = queue[next++];
                w.cell = static_cast<long>(index);
                if (WriteAll(w.task_fd, &index, sizeof index)) return;
                --next; // it died: the cell goes to the next worker
                w.cell = -1;
            }
            // nothing left: the closed pipe lets the worker end
            pool.End(w, false);
        };

        const unsigned wanted = std::max(1u, std::min<unsigned>(jobs, static_cast<unsigned>(queue.size())));
        for (unsigned k = 0; k < wanted && !queue.empty(); ++k) {
            if (!pool.Spawn()) break;
        }
        if (pool.m_workers.empty() && !queue.empty()) {
            // no process to spare: count here
            wxLogNull quiet;
            SortArray array;
            for (; next < queue.size() && !*interrupted; ++next) {
                results[queue[next]] = RunCell(cells[queue[next]], settings, array);
                if (progress) progress(++done);
            }
        }
        for (Worker& w : pool.m_workers) hand_out(w);

        while (!*interrupted) {
            std::vector<pollfd> fds;
            std::vector<size_t> owner;
            for (size_t k = 0; k < pool.m_workers.size(); ++k) {
                if (pool.m_workers[k].pid < 0) continue;
                fds.push_back(pollfd{pool.m_workers[k].result_fd, POLLIN, 0});
                owner.push_back(k);
            }
            if (fds.empty()) break;
            if (ppoll(fds.data(), fds.size(), nullptr, &waiting) < 0) continue; // EINTR: check the flag

            for (size_t f = 0; f < fds.size(); ++f) {
                if (!fds[f].revents) continue;
                Worker& w = pool.m_workers[owner[f]];
                WireResult wire;
                if (ReadAll(w.result_fd, &wire, sizeof wire) && wire.cell == static_cast<uint64_t>(w.cell)) {
                    results[wire.cell] = FromWire(wire);
                    w.cell = -1;
                    if (progress) progress(++done);
                    hand_out(w);
                    continue;
                }
                // the worker is gone in the middle of a cell
                const long cell = w.cell;
                const int status = pool.End(w, true);
                if (WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) {
                    *interrupted = 1; // Ctrl-C reached the worker first
                    break;
                }
                if (cell >= 0) {
                    results[cell].state = CellResult::FAILED;
                    results[cell].reason = DescribeEnd(status);
                    if (progress) progress(++done);
                }
                if (next < queue.size() && pool.Spawn()) hand_out(pool.m_workers.back());
            }
        }
    } // the pool ends what still runs

    if (!*interrupted)
        for (CellResult& r : results)
            if (r.state == CellResult::PENDING) {
                r.state = CellResult::FAILED;
                r.reason = "no worker process was left to run it";
            }

    sigaction(SIGPIPE, &old_pipe, nullptr);
    sigprocmask(SIG_SETMASK, &original, nullptr);
    return results;
}
