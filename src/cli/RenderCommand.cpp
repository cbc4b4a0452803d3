// quorvex render: one run straight to a video file, frame by frame on a
// virtual clock, with no display.
#include <cerrno>
#include <chrono>
#include <climits>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <getopt.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "Cli.h"
#include "RunRecorder.h"
#include "SortAlgo.h"
#include "SortArray.h"
#include "VideoEncoder.h"

namespace {

const int EXIT_INTERRUPTED = 130; // 128 + SIGINT, as the shell reports it

const size_t MAX_SIZE = 2048;
const int MAX_FPS = 240;
const int MIN_SIDE = 64, MAX_WIDTH = 7680, MAX_HEIGHT = 4320;

void PrintHelp()
{
    const RenderSettings d;
    std::printf(
        "Usage: quorvex render [OPTIONS] OUTPUT\n"
        "\n"
        "Renders one run of an algorithm straight to a video file, frame by frame, with\n"
        "its sound in sync. Needs no display. Every access advances a virtual clock by the\n"
        "delay, so any speed renders smoothly however long it takes.\n"
        "\n"
        "OUTPUT's extension picks the format:\n"
        "  .mp4   H.264 video and AAC sound\n"
        "  .mkv   H.264 video and FLAC sound\n"
        "  .webm  VP9 video and Opus sound\n"
        "  .wav   the sound alone\n"
        "\n"
        "Options (names and positions as 'quorvex list' prints them; case ignored):\n"
        "  -a, --algorithm NAME|POS  algorithm (default: Quick Sort (LR ptrs))\n"
        "  -i, --input NAME|POS      input type (default: Random Shuffle)\n"
        "  -n, --size N              number of items, 1 to %zu (default: %zu)\n"
        "      --pivot NAME|POS      pivot rule of the quick sorts (default: First Item)\n"
        "      --delay MS            milliseconds of video per array access, above 0\n"
        "                            (default: %g)\n"
        "      --sustain X           tone length as a multiple of the delay, 1 to 50\n"
        "                            (default: %g)\n"
        "      --seed N              seed of the input shuffle and the random pivot,\n"
        "                            0 to 4294967295 (default: %u); bogo and bozo sort\n"
        "                            draw from the system's random device and differ\n"
        "                            on every render\n"
        "      --fps N               frames per second, 1 to %d (default: %d)\n"
        "      --resolution WxH      frame size, even numbers from %dx%d to %dx%d\n"
        "                            (default: %dx%d)\n"
        "      --no-sound            no sound track (default: sound on)\n"
        "      --max-length SECONDS  longest video; the run is cut there\n"
        "                            (default: %g, that is 10 minutes)\n"
        "      --no-status           leave out the line of text above the bars\n"
        "      --lossless            FFV1 video and FLAC sound, exact to the pixel;\n"
        "                            needs a .mkv OUTPUT\n"
        "  -y                        overwrite OUTPUT if it exists (without -y an\n"
        "                            existing OUTPUT is never touched)\n"
        "  -h, --help                show this help\n"
        "\n"
        "The video starts with the filled array, ends with one second of the checked\n"
        "result, and is written to a hidden temporary file next to OUTPUT that takes\n"
        "OUTPUT's name only when it is complete. Ctrl-C ends the video at the current\n"
        "frame and keeps it (a second Ctrl-C discards it).\n"
        "\n"
        "Exit status: 0 written, 1 failed (nothing is left behind), 2 bad arguments,\n"
        "130 interrupted (the video up to there is written).\n"
        "\n"
        "Examples:\n"
        "  quorvex render -a 'Quick Sort (LR ptrs)' -n 300 --delay 1 quick.mp4\n"
        "  quorvex render -a 'Heap Sort' -n 2048 --delay 0.05 --resolution 1920x1080 heap.mkv\n"
        "  quorvex render -a 'Merge Sort' -i Descending --lossless -y merge.mkv\n",
        MAX_SIZE, d.size, d.delay_ms, d.sustain, static_cast<unsigned>(d.seed), MAX_FPS, d.fps, MIN_SIDE,
        MIN_SIDE, MAX_WIDTH, MAX_HEIGHT, d.width, d.height, d.max_length);
}

// Usage errors: one line naming the problem, exit status 2.
struct UsageError
{
    std::string message;
};

double ParseNumber(const char* option, const char* text, double low, double high, bool low_open,
                   const char* extra = "")
{
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(text, &end);
    const bool ok = *text != '\0' && *end == '\0' && errno == 0 && std::isfinite(v) &&
                    (low_open ? v > low : v >= low) && v <= high;
    if (!ok) {
        char range[128];
        if (low_open) std::snprintf(range, sizeof range, "a number above %g, up to %g", low, high);
        else std::snprintf(range, sizeof range, "a number from %g to %g", low, high);
        throw UsageError{std::string(option) + " takes " + range + extra + ", not '" + text + "'"};
    }
    return v;
}

unsigned long ParseWhole(const char* option, const char* text, unsigned long low, unsigned long high)
{
    char* end = nullptr;
    errno = 0;
    const unsigned long v = std::strtoul(text, &end, 10);
    const bool ok = *text >= '0' && *text <= '9' && *end == '\0' && errno == 0 && v >= low && v <= high;
    if (!ok)
        throw UsageError{std::string(option) + " takes a whole number from " + std::to_string(low) + " to " +
                         std::to_string(high) + ", not '" + text + "'"};
    return v;
}

void ParseResolution(const char* text, int& width, int& height)
{
    unsigned w = 0, h = 0;
    char tail = 0;
    const bool ok = std::sscanf(text, "%ux%u%c", &w, &h, &tail) == 2 && text[0] >= '0' && text[0] <= '9' &&
                    w >= MIN_SIDE && h >= MIN_SIDE && w <= MAX_WIDTH && h <= MAX_HEIGHT && w % 2 == 0 &&
                    h % 2 == 0;
    if (!ok) {
        char msg[160];
        std::snprintf(msg, sizeof msg, "--resolution takes WxH with even numbers from %dx%d to %dx%d, not '%s'",
                      MIN_SIDE, MIN_SIDE, MAX_WIDTH, MAX_HEIGHT, text);
        throw UsageError{msg};
    }
    width = static_cast<int>(w);
    height = static_cast<int>(h);
}

// ---------------------------------------------------------------------------
// Stopping: the first SIGINT or SIGTERM ends the video at the current frame;
// a second one discards the temporary file and ends the process at once.

volatile std::sig_atomic_t s_stop = 0;
char s_temp_path[PATH_MAX + 1];

extern "C" void HandleStop(int)
{
    if (s_stop) {
        if (s_temp_path[0]) unlink(s_temp_path);
        _exit(EXIT_INTERRUPTED);
    }
    s_stop = 1;
}

class StopSignals
{
public:
    explicit StopSignals(const std::string& temp_path)
    {
        s_stop = 0;
        std::snprintf(s_temp_path, sizeof s_temp_path, "%s", temp_path.c_str());
        struct sigaction sa;
        std::memset(&sa, 0, sizeof sa);
        sa.sa_handler = HandleStop;
        sigemptyset(&sa.sa_mask);
        sigaction(SIGINT, &sa, &m_old_int);
        sigaction(SIGTERM, &sa, &m_old_term);
    }
    ~StopSignals()
    {
        sigaction(SIGINT, &m_old_int, nullptr);
        sigaction(SIGTERM, &m_old_term, nullptr);
        s_temp_path[0] = '\0';
    }

private:
    struct sigaction m_old_int, m_old_term;
};

// ---------------------------------------------------------------------------
// The temporary file next to OUTPUT

class TempFile
{
public:
    // Creates a hidden, empty file in OUTPUT's directory. Throws EncodeError.
    explicit TempFile(const std::string& output)
    {
        const size_t slash = output.rfind('/');
        const std::string dir = slash == std::string::npos ? "" : output.substr(0, slash + 1);
        const std::string base = slash == std::string::npos ? output : output.substr(slash + 1);
        m_path = dir + "." + base + ".XXXXXX";
        std::vector<char> name(m_path.begin(), m_path.end());
        name.push_back('\0');
        const int fd = mkstemp(name.data());
        if (fd < 0) throw EncodeError("cannot write '" + output + "': " + std::strerror(errno));
        m_path = name.data();
        // the permissions a newly created OUTPUT would have
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(fd, 0666 & ~mask);
        close(fd);
    }
    ~TempFile()
    {
        if (!m_path.empty()) unlink(m_path.c_str());
    }

    const std::string& path() const { return m_path; }

    // Gives the file OUTPUT's name; without overwrite, fails rather than
    // replace a file that appeared meanwhile.
    void MoveTo(const std::string& output, bool overwrite)
    {
        if (overwrite) {
            if (rename(m_path.c_str(), output.c_str()) != 0)
                throw EncodeError("cannot write '" + output + "': " + std::strerror(errno));
        }
        else {
            if (link(m_path.c_str(), output.c_str()) != 0) {
                if (errno == EEXIST)
                    throw EncodeError("'" + output + "' appeared while rendering; it is left as it is");
                throw EncodeError("cannot write '" + output + "': " + std::strerror(errno));
            }
            unlink(m_path.c_str());
        }
        m_path.clear();
    }

private:
    std::string m_path;
};

// ---------------------------------------------------------------------------

class EncoderSink : public FrameSink
{
public:
    explicit EncoderSink(VideoEncoder& encoder) : m_encoder(encoder) {}
    void WriteVideo(const uint32_t* pixels, ptrdiff_t stride) override { m_encoder.WriteVideo(pixels, stride); }
    void WriteSound(const int16_t* samples, size_t count) override { m_encoder.WriteSound(samples, count); }

private:
    VideoEncoder& m_encoder;
};

std::string VideoTime(double seconds)
{
    char text[32];
    const int minutes = static_cast<int>(seconds / 60);
    std::snprintf(text, sizeof text, "%d:%04.1f", minutes, seconds - 60.0 * minutes);
    return text;
}

// The progress line on stderr, at most a few times a second.
class ProgressLine
{
public:
    ProgressLine(int fps, uint64_t total) : m_fps(fps), m_total(total), m_start(Clock::now()), m_last(m_start) {}

    void Update(uint64_t frames)
    {
        const Clock::time_point now = Clock::now();
        if (now - m_last < std::chrono::milliseconds(250)) return;
        m_last = now;
        Print(frames, now);
    }

    void End(uint64_t frames)
    {
        Print(frames, Clock::now());
        std::fprintf(stderr, "\n");
    }

private:
    using Clock = std::chrono::steady_clock;

    void Print(uint64_t frames, Clock::time_point now)
    {
        const double wall = std::chrono::duration<double>(now - m_start).count();
        const double rate = wall > 0 ? frames / wall : 0;
        std::string line = "rendering: " + VideoTime(static_cast<double>(frames) / m_fps);
        if (m_total > 0) {
            char pct[64];
            std::snprintf(pct, sizeof pct, " of %s (%.0f%%)", VideoTime(static_cast<double>(m_total) / m_fps).c_str(),
                          100.0 * static_cast<double>(frames) / static_cast<double>(m_total));
            line += pct;
        }
        char speed[48];
        std::snprintf(speed, sizeof speed, ", %.0f frames/s", rate);
        line += speed;
        std::fprintf(stderr, "\r%s\033[K", line.c_str());
        std::fflush(stderr);
    }

    const int m_fps;
    const uint64_t m_total;
    const Clock::time_point m_start;
    Clock::time_point m_last;
};

struct Options
{
    RenderSettings settings;
    std::string output;
    bool lossless = false;
    bool overwrite = false;
    bool help = false;
};

Options ParseOptions(int argc, char** argv)
{
    enum { OPT_PIVOT = 1000, OPT_DELAY, OPT_SUSTAIN, OPT_SEED, OPT_FPS, OPT_RESOLUTION, OPT_NO_SOUND,
           OPT_MAX_LENGTH, OPT_NO_STATUS, OPT_LOSSLESS };
    static const option LONG_OPTIONS[] = {
        {"algorithm", required_argument, nullptr, 'a'},
        {"input", required_argument, nullptr, 'i'},
        {"size", required_argument, nullptr, 'n'},
        {"pivot", required_argument, nullptr, OPT_PIVOT},
        {"delay", required_argument, nullptr, OPT_DELAY},
        {"sustain", required_argument, nullptr, OPT_SUSTAIN},
        {"seed", required_argument, nullptr, OPT_SEED},
        {"fps", required_argument, nullptr, OPT_FPS},
        {"resolution", required_argument, nullptr, OPT_RESOLUTION},
        {"no-sound", no_argument, nullptr, OPT_NO_SOUND},
        {"max-length", required_argument, nullptr, OPT_MAX_LENGTH},
        {"no-status", no_argument, nullptr, OPT_NO_STATUS},
        {"lossless", no_argument, nullptr, OPT_LOSSLESS},
        {"help", no_argument, nullptr, 'h'},
        {nullptr, 0, nullptr, 0},
    };

    Options o;
    RenderSettings& s = o.settings;
    const std::string see = " (see 'quorvex render --help')";
    optind = 0; // start afresh: the command may run more than once in a process
    opterr = 0;
    for (;;) {
        const int previous = optind;
        const int c = getopt_long(argc, argv, ":a:i:n:yh", LONG_OPTIONS, nullptr);
        if (c == -1) break;
        switch (c) {
        case 'a':
            if (!FindAlgorithm(optarg, s.algorithm)) throw UsageError{};
            break;
        case 'i':
            if (!FindInputType(optarg, s.input)) throw UsageError{};
            break;
        case OPT_PIVOT:
            if (!FindPivotRule(optarg, s.pivot)) throw UsageError{};
            break;
        case 'n': s.size = ParseWhole("--size", optarg, 1, MAX_SIZE); break;
        case OPT_DELAY:
            s.delay_ms = ParseNumber("--delay", optarg, 0, 60000, true, " (a video needs time per access)");
            break;
        case OPT_SUSTAIN: s.sustain = ParseNumber("--sustain", optarg, 1, 50, false); break;
        case OPT_SEED: s.seed = static_cast<uint32_t>(ParseWhole("--seed", optarg, 0, 4294967295UL)); break;
        case OPT_FPS: s.fps = static_cast<int>(ParseWhole("--fps", optarg, 1, MAX_FPS)); break;
        case OPT_RESOLUTION: ParseResolution(optarg, s.width, s.height); break;
        case OPT_NO_SOUND: s.sound = false; break;
        case OPT_MAX_LENGTH: s.max_length = ParseNumber("--max-length", optarg, 0, 86400, true); break;
        case OPT_NO_STATUS: s.status = false; break;
        case OPT_LOSSLESS: o.lossless = true; break;
        case 'y': o.overwrite = true; break;
        case 'h': o.help = true; break;
        case ':':
            throw UsageError{std::string("option '") + argv[optind - 1] + "' needs a value" + see};
        default: {
            // an unknown option: name it as it was written
            const char* word = argv[previous < argc ? previous : argc - 1];
            std::string name = optopt ? std::string("-") + static_cast<char>(optopt) : std::string(word);
            const size_t eq = name.find('=');
            if (eq != std::string::npos) name.resize(eq);
            throw UsageError{"unknown option '" + name + "'" + see};
        }
        }
    }
    if (o.help) return o;

    if (optind >= argc) throw UsageError{"no OUTPUT file given" + see};
    if (argc - optind > 1) throw UsageError{std::string("one OUTPUT only, not also '") + argv[optind + 1] + "'" + see};
    o.output = argv[optind];

    const OutputFormat* format = FindOutputFormat(o.output, o.lossless);
    if (!format) {
        if (o.lossless)
            throw UsageError{"--lossless writes FFV1 and FLAC into .mkv; OUTPUT '" + o.output + "' is no .mkv file"};
        throw UsageError{"unknown extension of OUTPUT '" + o.output + "'; choose one of " + OutputExtensions()};
    }
    if (!format->video_encoder && !s.sound)
        throw UsageError{"--no-sound leaves nothing to write to the sound-only file '" + o.output + "'"};
    s.pictures = format->video_encoder != nullptr;
    return o;
}

} // namespace

int RenderCommand(int argc, char** argv)
{
    Options o;
    try {
        o = ParseOptions(argc, argv);
    }
    catch (const UsageError& e) {
        if (!e.message.empty()) CliError(e.message);
        return EXIT_USAGE;
    }
    if (o.help) {
        PrintHelp();
        return EXIT_DONE;
    }
    const RenderSettings& s = o.settings;
    const OutputFormat& format = *FindOutputFormat(o.output, o.lossless);

    struct stat st;
    if (stat(o.output.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            CliError("cannot write '" + o.output + "': it is a directory");
            return EXIT_FAILED;
        }
        if (!o.overwrite) {
            CliError("'" + o.output + "' exists; add -y to overwrite it");
            return EXIT_FAILED;
        }
    }

    RenderResult result;
    try {
        TempFile temp(o.output);
        StopSignals signals(temp.path());

        const bool show_progress = isatty(STDERR_FILENO) != 0;
        // the run's length in advance, from a quick run without pictures
        const uint64_t total = show_progress ? CountFrames(s, 2.0, &s_stop) : 0;

        VideoEncoder::Settings es;
        es.format = format;
        es.width = s.width;
        es.height = s.height;
        es.fps = s.fps;
        es.sound = s.sound;
        VideoEncoder encoder(temp.path(), es);
        EncoderSink sink(encoder);

        ProgressLine line(s.fps, total);
        RenderProgress progress;
        if (show_progress) progress = [&line](uint64_t frames) { line.Update(frames); };
        result = RecordRun(s, sink, &s_stop, progress);
        if (show_progress) line.End(result.frames);

        encoder.Finish();
        temp.MoveTo(o.output, o.overwrite);
    }
    catch (const EncodeError& e) {
        CliError(e.what());
        return EXIT_FAILED;
    }

    const std::string length = VideoTime(static_cast<double>(result.frames) / s.fps);
    const std::string what = s.pictures ? length + " of video, " + std::to_string(result.frames) + " frames"
                                        : length + " of sound";
    switch (result.end) {
    case RenderEnd::Stopped:
        CliError("interrupted; '" + o.output + "' holds the " + what + " rendered so far");
        return EXIT_INTERRUPTED;
    case RenderEnd::LengthLimit:
        CliError("the run was cut at the length limit of " + VideoTime(s.max_length) +
                 " (--max-length); wrote '" + o.output + "': " + what);
        return EXIT_DONE;
    case RenderEnd::Finished:
        break;
    }
    if (!result.sorted_ok) {
        CliError("the algorithm's result is not sorted; wrote '" + o.output + "' anyway: " + what);
        return EXIT_FAILED;
    }
    CliError("wrote '" + o.output + "': " + what);
    return EXIT_DONE;
}
