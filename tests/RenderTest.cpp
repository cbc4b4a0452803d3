// quorvex render: small renders decoded back with libavformat and compared
// with the frame renderer and the sound renderer driven by hand the way the
// window would drive them. Needs no display.
#include <dirent.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "Cli.h"
#include "FrameRenderer.h"
#include "RunRecorder.h"
#include "SortAlgo.h"
#include "SortArray.h"
#include "SortSound.h"
#include "VideoEncoder.h"

extern char** environ;

namespace {

// ---------------------------------------------------------------------------
// Decoding

struct Decoded
{
    std::string video_codec, audio_codec;
    int width = 0, height = 0;
    AVRational frame_rate{0, 1};
    std::vector<std::vector<uint32_t>> frames; // pixels 0x00RRGGBB, lossless video only
    std::vector<uint8_t> yuv[3];               // the first yuv420p frame's planes, rows packed
    int64_t frame_count = 0;
    int64_t last_pts = -1; // of the video, in frames
    std::vector<int16_t> samples; // 16-bit sound only
    int64_t sample_count = 0;
    int sample_rate = 0;
    bool ok = false;
};

struct FormatCloser
{
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct CodecCloser
{
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};

Decoded Decode(const std::string& path)
{
    Decoded d;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) return d;
    std::unique_ptr<AVFormatContext, FormatCloser> fc(raw);
    if (avformat_find_stream_info(raw, nullptr) < 0) return d;

    std::unique_ptr<AVCodecContext, CodecCloser> codecs[8];
    for (unsigned i = 0; i < raw->nb_streams && i < 8; ++i) {
        const AVCodecParameters* par = raw->streams[i]->codecpar;
        const AVCodec* codec = avcodec_find_decoder(par->codec_id);
        if (!codec) return d;
        codecs[i].reset(avcodec_alloc_context3(codec));
        avcodec_parameters_to_context(codecs[i].get(), par);
        if (avcodec_open2(codecs[i].get(), codec, nullptr) < 0) return d;
        if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
            d.video_codec = codec->name;
            d.width = par->width;
            d.height = par->height;
            d.frame_rate = raw->streams[i]->avg_frame_rate;
        }
        else if (par->codec_type == AVMEDIA_TYPE_AUDIO) {
            d.audio_codec = codec->name;
            d.sample_rate = par->sample_rate;
        }
    }

    AVFrame* frame = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();
    auto drain = [&](unsigned s) {
        AVCodecContext* c = codecs[s].get();
        while (avcodec_receive_frame(c, frame) == 0) {
            if (c->codec_type == AVMEDIA_TYPE_VIDEO) {
                ++d.frame_count;
                const AVRational tb = raw->streams[s]->time_base;
                const int64_t pts = av_rescale_q(frame->best_effort_timestamp, tb, av_inv_q(d.frame_rate));
                if (pts > d.last_pts) d.last_pts = pts;
                if (frame->format == AV_PIX_FMT_0RGB32) {
                    std::vector<uint32_t> px(static_cast<size_t>(frame->width) * frame->height);
                    for (int y = 0; y < frame->height; ++y)
                        for (int x = 0; x < frame->width; ++x) {
                            uint32_t v;
                            std::memcpy(&v, frame->data[0] + y * frame->linesize[0] + 4 * x, 4);
                            px[static_cast<size_t>(y) * frame->width + x] = v & 0xFFFFFF;
                        }
                    d.frames.push_back(std::move(px));
                }
                if (frame->format == AV_PIX_FMT_YUV420P && d.yuv[0].empty())
                    for (int p = 0; p < 3; ++p) {
                        const int w = p ? frame->width / 2 : frame->width, h = p ? frame->height / 2 : frame->height;
                        for (int y = 0; y < h; ++y)
                            d.yuv[p].insert(d.yuv[p].end(), frame->data[p] + y * frame->linesize[p],
                                            frame->data[p] + y * frame->linesize[p] + w);
                    }
            }
            else {
                d.sample_count += frame->nb_samples;
                if (frame->format == AV_SAMPLE_FMT_S16) {
                    const int16_t* s16 = reinterpret_cast<const int16_t*>(frame->data[0]);
                    d.samples.insert(d.samples.end(), s16, s16 + frame->nb_samples);
                }
            }
            av_frame_unref(frame);
        }
    };
    while (av_read_frame(raw, packet) >= 0) {
        const unsigned s = static_cast<unsigned>(packet->stream_index);
        if (s < 8 && codecs[s]) {
            avcodec_send_packet(codecs[s].get(), packet);
            drain(s);
        }
        av_packet_unref(packet);
    }
    for (unsigned s = 0; s < raw->nb_streams && s < 8; ++s) {
        avcodec_send_packet(codecs[s].get(), nullptr);
        drain(s);
    }
    av_packet_free(&packet);
    av_frame_free(&frame);
    d.ok = true;
    return d;
}

// ---------------------------------------------------------------------------
// Files and commands

class TempDir
{
public:
    TempDir()
    {
        char name[] = "/tmp/quorvex-render-XXXXXX";
        m_path = mkdtemp(name);
    }
    ~TempDir() { std::system(("rm -rf '" + m_path + "'").c_str()); }

    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

    // Every name in the directory, hidden ones too.
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        if (DIR* d = opendir(m_path.c_str())) {
            while (dirent* e = readdir(d))
                if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..")) names.push_back(e->d_name);
            closedir(d);
        }
        return names;
    }

private:
    std::string m_path;
};

struct CommandResult
{
    int status;
    std::string err;
};

// Runs `quorvex render ARGS...` in this process with its stderr captured.
CommandResult Render(std::vector<std::string> args)
{
    args.insert(args.begin(), "render");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);

    std::fflush(stderr);
    char name[] = "/tmp/quorvex-stderr-XXXXXX";
    const int fd = mkstemp(name);
    const int saved = dup(2);
    dup2(fd, 2);
    const int status = RenderCommand(static_cast<int>(args.size()), argv.data());
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    close(fd);

    std::ifstream in(name);
    const std::string err((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    unlink(name);
    return {status, err};
}

// ---------------------------------------------------------------------------
// The run driven by hand: the array, the frame renderer and the sound
// renderer as the window drives them, with a frame every second paced access
// (10 ms per access at 50 frames per second).

const int W = 128, H = 96, FPS = 50;
const size_t SAMPLES_PER_FRAME = 44100 / FPS; // 882, exact

struct Reference : SortDelay
{
    explicit Reference(int width = W, int height = H) : w(width), h(height) {}

    const int w, h;
    SortArray A;
    uint64_t paced = 0;
    std::vector<std::vector<uint32_t>> frames;
    std::vector<int16_t> sound;
    std::vector<uint64_t> accesses_at_frame;

    void Take(bool all_green)
    {
        FrameSnapshot snap;
        snap.Take(A);
        if (all_green) snap.colours.assign(snap.colours.size(), 2);
        std::vector<uint32_t> px(static_cast<size_t>(w) * h);
        RenderFrame(snap, w, h, px.data(), w);
        for (uint32_t& p : px) p &= 0xFFFFFF;
        frames.push_back(std::move(px));
        accesses_at_frame.push_back(g_access_count);

        std::vector<int16_t> s(SAMPLES_PER_FRAME);
        SoundRender(A.m_max_value, reinterpret_cast<uint8_t*>(s.data()), static_cast<int>(2 * s.size()));
        sound.insert(sound.end(), s.begin(), s.end());
    }

    void Pace() override
    {
        ++paced;
        if (paced % 2 == 0) Take(false);
    }

    // algorithm and pivot are 0-based positions
    void Run(size_t algorithm, size_t input, size_t size, size_t pivot, uint32_t seed, double sustain)
    {
        g_delay_ms = 10.0;
        g_sound_sustain = sustain;
        g_pivot_rule = static_cast<int32_t>(pivot);
        g_sound_on = true;
        SoundReset();
        g_output_level = 1.0;
        A.FillArray(static_cast<unsigned>(input), size, seed);
        std::srand(seed);

        Take(false);
        A.m_pacer = this;
        A.PrepareInversions(g_algolist[algorithm]);
        g_algolist[algorithm].func(A);
        A.CheckSorted();
        A.m_pacer = nullptr;
        for (int i = 0; i < FPS; ++i) Take(true);
        g_sound_on = false;
    }
};

size_t Position(const wxString& name)
{
    for (size_t i = 0; i < g_algolist_size; ++i)
        if (g_algolist[i].name == name) return i;
    ADD_FAILURE() << "no algorithm " << name;
    return 0;
}

// The common options of the small lossless renders.
std::vector<std::string> SmallRender(const std::string& algorithm, const std::string& size,
                                     const std::string& seed, const std::string& out)
{
    return {"-a", algorithm, "-n", size, "--seed", seed, "--pivot", "Random Item", "--delay", "10",
            "--fps", "50", "--resolution", "128x96", "--sustain", "3", "--no-status", "--lossless", out};
}

// ---------------------------------------------------------------------------

// Every frame and every sample of a lossless render equals the frame renderer
// and the sound renderer driven by hand at the same moments; the frame count
// and the length follow the virtual clock.
TEST(RenderTest, LosslessRenderMatchesTheRunFrameByFrame)
{
    TempDir dir;
    const std::string out = dir / "run.mkv";
    const CommandResult r = Render(SmallRender("Quick Sort (LR ptrs)", "24", "5", out));
    ASSERT_EQ(r.status, EXIT_DONE) << r.err;
    EXPECT_NE(r.err.find("wrote '" + out + "'"), std::string::npos) << r.err;

    Reference ref;
    ref.Run(Position("Quick Sort (LR ptrs)"), 0, 24, 3, 5, 3.0);
    ASSERT_GT(ref.paced, 100u);

    const Decoded d = Decode(out);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.video_codec, "ffv1");
    EXPECT_EQ(d.audio_codec, "flac");
    EXPECT_EQ(d.width, W);
    EXPECT_EQ(d.height, H);
    EXPECT_EQ(av_cmp_q(d.frame_rate, AVRational{FPS, 1}), 0);

    // one frame for the filled array, one per 20 ms of accesses, one second
    // of the result
    const uint64_t expected = ref.paced / 2 + 1 + FPS;
    ASSERT_EQ(ref.frames.size(), expected);
    EXPECT_EQ(static_cast<uint64_t>(d.frame_count), expected);
    EXPECT_EQ(static_cast<uint64_t>(d.last_pts), expected - 1);
    EXPECT_EQ(static_cast<uint64_t>(d.sample_count), expected * SAMPLES_PER_FRAME);

    ASSERT_EQ(d.frames.size(), ref.frames.size());
    for (size_t k = 0; k < d.frames.size(); ++k)
        ASSERT_TRUE(d.frames[k] == ref.frames[k]) << "frame " << k << " after "
                                                  << ref.accesses_at_frame[k] << " accesses";

    // moments worth naming: the filled array before the first access, a frame
    // with an access highlighted, and the last one all green and sorted
    EXPECT_EQ(ref.accesses_at_frame[0], 0u);
    const auto has = [&](size_t k, uint32_t colour) {
        for (uint32_t p : d.frames[k])
            if (p == (colour & 0xFFFFFF)) return true;
        return false;
    };
    EXPECT_FALSE(has(0, g_bar_colours[1]));
    EXPECT_TRUE(has(0, g_bar_colours[0]));
    EXPECT_TRUE(has(5, g_bar_colours[1]));
    EXPECT_TRUE(has(d.frames.size() - 1, g_bar_colours[2]));
    EXPECT_FALSE(has(d.frames.size() - 1, g_bar_colours[0]));
    EXPECT_FALSE(has(d.frames.size() - 1, g_bar_colours[1]));
    // the last frame: items 1 to 24 in order, all green
    FrameSnapshot sorted;
    for (int v = 1; v <= 24; ++v) sorted.values.push_back(v);
    sorted.colours.assign(24, 2);
    sorted.max_value = 24;
    std::vector<uint32_t> px(W * H);
    RenderFrame(sorted, W, H, px.data(), W);
    for (uint32_t& p : px) p &= 0xFFFFFF;
    EXPECT_TRUE(d.frames.back() == px);

    ASSERT_EQ(d.samples.size(), ref.sound.size());
    EXPECT_TRUE(d.samples == ref.sound);
    // the sound is no silence: the run's tones reach the file
    int peak = 0;
    for (int16_t s : d.samples) peak = std::max(peak, std::abs(static_cast<int>(s)));
    EXPECT_GT(peak, 10000);

    // the dry run that gives the progress line its percentage counts the same
    RenderSettings s;
    s.algorithm = Position("Quick Sort (LR ptrs)");
    s.size = 24;
    s.seed = 5;
    s.pivot = 3;
    s.fps = FPS;
    s.delay_ms = 10;
    EXPECT_EQ(CountFrames(s, 10.0, nullptr), expected);
}

// The same seed renders the same file contents; another seed another input.
TEST(RenderTest, SameSeedRendersIdenticalFramesAndSamples)
{
    TempDir dir;
    ASSERT_EQ(Render(SmallRender("Quick Sort (dual pivot)", "40", "11", dir / "a.mkv")).status, EXIT_DONE);
    ASSERT_EQ(Render(SmallRender("Quick Sort (dual pivot)", "40", "11", dir / "b.mkv")).status, EXIT_DONE);
    ASSERT_EQ(Render(SmallRender("Quick Sort (dual pivot)", "40", "12", dir / "c.mkv")).status, EXIT_DONE);
    const Decoded a = Decode(dir / "a.mkv"), b = Decode(dir / "b.mkv"), c = Decode(dir / "c.mkv");
    ASSERT_TRUE(a.ok && b.ok && c.ok);
    ASSERT_GT(a.frames.size(), 60u);
    EXPECT_TRUE(a.frames == b.frames);
    EXPECT_TRUE(a.samples == b.samples);
    EXPECT_FALSE(a.frames[0] == c.frames[0]);
}

// The status line sits above the bars, which are the frames of a view of the
// remaining height, and it follows the counters.
TEST(RenderTest, StatusStripAboveTheBarView)
{
    TempDir dir;
    std::vector<std::string> args = SmallRender("Insertion Sort", "16", "3", dir / "with.mkv");
    args.erase(std::find(args.begin(), args.end(), "--no-status"));
    *std::find(args.begin(), args.end(), "128x96") = "320x240";
    ASSERT_EQ(Render(args).status, EXIT_DONE);
    const Decoded d = Decode(dir / "with.mkv");
    ASSERT_TRUE(d.ok);

    const int strip = 16; // 240 / 20 rows, but at least 16
    Reference ref(320, 240 - strip);
    ref.Run(Position("Insertion Sort"), 0, 16, 3, 3, 3.0);
    ASSERT_EQ(d.frames.size(), ref.frames.size());
    ASSERT_GT(d.frames.size(), 60u);

    for (size_t k = 0; k < d.frames.size(); ++k) {
        const std::vector<uint32_t> bars(d.frames[k].begin() + strip * 320, d.frames[k].end());
        size_t first = 0;
        while (first < bars.size() && bars[first] == ref.frames[k][first]) ++first;
        ASSERT_EQ(first, bars.size()) << "frame " << k << " row " << first / 320 << " column " << first % 320
                                      << std::hex << " " << bars[first] << " " << ref.frames[k][first];
        bool text = false;
        for (int i = 0; i < strip * 320; ++i) text = text || d.frames[k][i] != 0;
        ASSERT_TRUE(text) << "frame " << k;
    }
    // the counters change between the first frame and the last
    const auto strip_rows = [&](const std::vector<uint32_t>& f) {
        return std::vector<uint32_t>(f.begin(), f.begin() + strip * 320);
    };
    EXPECT_FALSE(strip_rows(d.frames[0]) == strip_rows(d.frames.back()));
    EXPECT_TRUE(strip_rows(d.frames[d.frames.size() - 2]) == strip_rows(d.frames.back()));
}

// Bad arguments: one line naming the problem (and the choices), status 2;
// files that cannot be written: status 1. Nothing is left behind.
TEST(RenderTest, ErrorsExplainThemselvesAndLeaveNothing)
{
    struct Case
    {
        std::vector<std::string> args; // OUTPUT is appended unless given
        const char* output;
        int status;
        const char* message;
    };
    const Case cases[] = {
        {{"-a", "Quick Sorts"}, "x.mp4", EXIT_USAGE, "unknown algorithm 'Quick Sorts'; choose one of 'Selection Sort'"},
        {{"-a", "33"}, "x.mp4", EXIT_USAGE, "no algorithm at position 33; positions run from 1 to 32"},
        {{"-i", "sideways"}, "x.mp4", EXIT_USAGE, "unknown input type 'sideways'; choose one of 'Random Shuffle'"},
        {{"--pivot", "best"}, "x.mp4", EXIT_USAGE, "unknown pivot rule 'best'"},
        {{"-n", "0"}, "x.mp4", EXIT_USAGE, "--size takes a whole number from 1 to 2048, not '0'"},
        {{"-n", "2049"}, "x.mp4", EXIT_USAGE, "--size takes a whole number from 1 to 2048, not '2049'"},
        {{"--delay", "0"}, "x.mp4", EXIT_USAGE, "--delay takes a number above 0, up to 60000 (a video needs time per access), not '0'"},
        {{"--delay", "fast"}, "x.mp4", EXIT_USAGE, "--delay takes a number above 0"},
        {{"--fps", "0"}, "x.mp4", EXIT_USAGE, "--fps takes a whole number from 1 to 240, not '0'"},
        {{"--resolution", "641x480"}, "x.mp4", EXIT_USAGE, "--resolution takes WxH with even numbers"},
        {{"--max-length", "-1"}, "x.mp4", EXIT_USAGE, "--max-length takes a number above 0"},
        {{"--sustain", "0.5"}, "x.mp4", EXIT_USAGE, "--sustain takes a number from 1 to 50, not '0.5'"},
        {{"--colour"}, "x.mp4", EXIT_USAGE, "unknown option '--colour'"},
        {{"--delay"}, nullptr, EXIT_USAGE, "option '--delay' needs a value"},
        {{}, nullptr, EXIT_USAGE, "no OUTPUT file given"},
        {{"x.mp4"}, "y.mp4", EXIT_USAGE, "one OUTPUT only, not also '"},
        {{}, "x.avi", EXIT_USAGE, "unknown extension of OUTPUT"},
        {{}, "x", EXIT_USAGE, "choose one of .mp4, .mkv, .webm, .wav"},
        {{"--lossless"}, "x.mp4", EXIT_USAGE, "--lossless writes FFV1 and FLAC into .mkv"},
        {{"--no-sound"}, "x.wav", EXIT_USAGE, "--no-sound leaves nothing to write"},
        {{}, "missing/x.mp4", EXIT_FAILED, "cannot write"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        std::vector<std::string> args = c.args;
        args.insert(args.begin(), {"-n", "8", "--delay", "20", "--resolution", "64x64"});
        if (c.output) args.push_back(dir / c.output);
        const CommandResult r = Render(args);
        const std::string what = c.message;
        EXPECT_EQ(r.status, c.status) << what << ": " << r.err;
        EXPECT_EQ(r.err.rfind("quorvex: ", 0), 0u) << what << ": " << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << what << ": " << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << what << ": " << r.err;
        EXPECT_TRUE(dir.Names().empty()) << what;
    }
}

// Without -y an existing OUTPUT is never touched; with it, it is replaced.
TEST(RenderTest, ExistingOutputNeedsOverwrite)
{
    TempDir dir;
    const std::string out = dir / "kept.wav";
    { std::ofstream(out) << "precious"; }
    const std::vector<std::string> args = {"-n", "8", "--delay", "20", out};

    CommandResult r = Render(args);
    EXPECT_EQ(r.status, EXIT_FAILED);
    EXPECT_NE(r.err.find("quorvex: '" + out + "' exists; add -y to overwrite it"), std::string::npos) << r.err;
    std::ifstream in(out);
    std::string text;
    in >> text;
    EXPECT_EQ(text, "precious");
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"kept.wav"});

    std::vector<std::string> overwrite = args;
    overwrite.insert(overwrite.begin(), "-y");
    r = Render(overwrite);
    EXPECT_EQ(r.status, EXIT_DONE) << r.err;
    const Decoded d = Decode(out);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.audio_codec, "pcm_s16le");
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"kept.wav"});

    // a directory is no file to replace
    const std::string sub = dir / "sub.mp4";
    ASSERT_EQ(mkdir(sub.c_str(), 0755), 0);
    r = Render({"-y", "-n", "8", sub});
    EXPECT_EQ(r.status, EXIT_FAILED) << r.err;
    EXPECT_NE(r.err.find("quorvex: cannot write '" + sub + "': it is a directory"), std::string::npos) << r.err;
    EXPECT_EQ(dir.Names().size(), 2u);
}

// An encoder this system's FFmpeg lacks: a clear error before any file exists.
TEST(RenderTest, MissingEncoderIsNamedAndWritesNothing)
{
    TempDir dir;
    VideoEncoder::Settings es;
    es.format = *FindOutputFormat("x.mkv", false);
    es.format.video_encoder = "no-such-encoder";
    es.width = es.height = 64;
    try {
        VideoEncoder encoder(dir / "x.mkv", es);
        ADD_FAILURE() << "an encoder that does not exist opened";
    }
    catch (const EncodeError& e) {
        EXPECT_STREQ(e.what(), "the encoder 'no-such-encoder' is missing from this system's FFmpeg libraries");
    }
    EXPECT_TRUE(dir.Names().empty());
}

// Each extension gives its own codecs; the frame and sample counts follow the
// clock whatever the format (the lossy sound encoders add their own padding).
TEST(RenderTest, ExtensionsPickFormats)
{
    struct Case
    {
        const char* name;
        const char* video;
        const char* audio;
        int rate;
    };
    const Case cases[] = {
        {"a.mp4", "h264", "aac", 44100},
        {"a.mkv", "h264", "flac", 44100},
        {"a.webm", "vp9", "opus", 48000},
        {"a.wav", "", "pcm_s16le", 44100},
        {"a.MP4", "h264", "aac", 44100},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const CommandResult r = Render({"-a", "Heap Sort", "-n", "20", "--delay", "10", "--fps", "50",
                                        "--resolution", "160x120", dir / c.name});
        ASSERT_EQ(r.status, EXIT_DONE) << c.name << ": " << r.err;
        const Decoded d = Decode(dir / c.name);
        ASSERT_TRUE(d.ok) << c.name;
        EXPECT_EQ(d.video_codec, c.video) << c.name;
        EXPECT_EQ(d.audio_codec, c.audio) << c.name;
        EXPECT_EQ(d.sample_rate, c.rate) << c.name;
        const size_t frames = std::strlen(c.video) ? static_cast<size_t>(d.frame_count) : 0;
        if (frames) {
            EXPECT_EQ(d.width, 160);
            // the sound covers the frames, give or take an encoder's frame
            const double seconds = static_cast<double>(frames) / 50;
            EXPECT_NEAR(static_cast<double>(d.sample_count) / c.rate, seconds, 0.05) << c.name;
        }
    }

    // --no-sound: pictures only
    TempDir dir;
    ASSERT_EQ(Render({"-n", "10", "--no-sound", "--resolution", "64x64", dir / "quiet.mp4"}).status, EXIT_DONE);
    const Decoded d = Decode(dir / "quiet.mp4");
    EXPECT_EQ(d.video_codec, "h264");
    EXPECT_EQ(d.audio_codec, "");
}

// The length limit cuts the run with a message; the file holds exactly the
// limit.
TEST(RenderTest, LengthLimitCutsTheVideo)
{
    TempDir dir;
    std::vector<std::string> args = SmallRender("Selection Sort", "64", "1", dir / "cut.mkv");
    args.insert(args.begin(), {"--max-length", "1.5"});
    const CommandResult r = Render(args);
    EXPECT_EQ(r.status, EXIT_DONE) << r.err;
    EXPECT_NE(r.err.find("quorvex: the run was cut at the length limit of 0:01.5 (--max-length); wrote '" +
                         (dir / "cut.mkv") + "': 0:01.5 of video, 75 frames"),
              std::string::npos)
        << r.err;
    const Decoded d = Decode(dir / "cut.mkv");
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.frame_count, 75);
    EXPECT_EQ(d.sample_count, 75 * 882);

    // the same run unlimited has the same first 75 frames
    const CommandResult full = Render(SmallRender("Selection Sort", "64", "1", dir / "full.mkv"));
    ASSERT_EQ(full.status, EXIT_DONE);
    const Decoded f = Decode(dir / "full.mkv");
    ASSERT_GT(f.frames.size(), 75u);
    EXPECT_TRUE(std::equal(d.frames.begin(), d.frames.end(), f.frames.begin()));
}

// A stop raised during a run (Ctrl-C in the program) ends the video at the
// current frame; what was recorded up to there is kept.
TEST(RenderTest, StopEndsTheRecordingAtTheCurrentFrame)
{
    struct Count : FrameSink
    {
        uint64_t frames = 0, samples = 0;
        void WriteVideo(const uint32_t*, ptrdiff_t) override { ++frames; }
        void WriteSound(const int16_t*, size_t n) override { samples += n; }
    } sink;
    volatile std::sig_atomic_t stop = 0;
    RenderSettings s;
    s.width = 64;
    s.height = 64;
    s.size = 200;
    s.algorithm = Position("Bubble Sort");
    const RenderResult r = RecordRun(s, sink, &stop, [&](uint64_t frames) {
        if (frames == 30) stop = 1;
    });
    EXPECT_EQ(r.end, RenderEnd::Stopped);
    EXPECT_EQ(r.frames, 30u);
    EXPECT_EQ(sink.frames, 30u);
    EXPECT_EQ(sink.samples, 30u * 735);
    EXPECT_FALSE(g_sound_on);
}

// The program itself, interrupted with SIGINT as Ctrl-C does, with no
// display: a valid, playable file, said so, status 130, no temporary file.
TEST(RenderTest, InterruptedProgramLeavesAValidFile)
{
    TempDir dir;
    const std::string out = dir / "long.mp4";
    const std::string err = dir / "err.txt";
    const std::string cmd = std::string("unset DISPLAY; exec '") + QUORVEX_PROGRAM +
                            "' render -a 'Selection Sort' -n 2048 --delay 1 --resolution 320x240 '" + out +
                            "' 2>'" + err + "'";
    pid_t pid = 0;
    const char* argv[] = {"/bin/sh", "-c", cmd.c_str(), nullptr};
    ASSERT_EQ(posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ), 0);

    // wait until the hidden temporary file has some frames in it
    const auto growing = [&] {
        for (const std::string& n : dir.Names()) {
            struct stat st;
            if (n[0] == '.' && stat((dir / n).c_str(), &st) == 0 && st.st_size > 20000) return true;
        }
        return false;
    };
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!growing() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(growing());
    kill(pid, SIGINT);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);

    std::ifstream in(err);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("quorvex: interrupted; '" + out + "' holds the "), std::string::npos) << text;

    const Decoded d = Decode(out);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.video_codec, "h264");
    EXPECT_GT(d.frame_count, 10);
    EXPECT_NEAR(static_cast<double>(d.sample_count) / 44100, static_cast<double>(d.frame_count) / 60, 0.05);
    std::vector<std::string> names = dir.Names();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"err.txt", "long.mp4"}));
}

// The lossy formats get the colours right: full-range RGB as limited-range
// BT.709, as the streams are tagged.
TEST(RenderTest, ColoursReachTheLossyFormats)
{
    TempDir dir;
    const int w = 64, h = 32;
    std::vector<uint32_t> pixels(w * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) pixels[y * w + x] = x < w / 2 ? g_bar_colours[1] : g_bar_colours[0];
    VideoEncoder::Settings es;
    es.format = *FindOutputFormat("x.mkv", false);
    es.width = w;
    es.height = h;
    es.sound = false;
    {
        VideoEncoder encoder(dir / "x.mkv", es);
        for (int i = 0; i < 5; ++i) encoder.WriteVideo(pixels.data(), w);
        encoder.Finish();
    }
    const Decoded d = Decode(dir / "x.mkv");
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.frame_count, 5);
    EXPECT_EQ(d.audio_codec, "");
    ASSERT_EQ(d.yuv[0].size(), size_t(w * h));
    // red: Y 63, Cb 102, Cr 240; white: Y 235, Cb 128, Cr 128
    const int centre = (h / 2) * w, half = (h / 4) * (w / 2);
    EXPECT_NEAR(d.yuv[0][centre + w / 4], 63, 2);
    EXPECT_NEAR(d.yuv[1][half + w / 8], 102, 2);
    EXPECT_NEAR(d.yuv[2][half + w / 8], 240, 2);
    EXPECT_NEAR(d.yuv[0][centre + 3 * w / 4], 235, 2);
    EXPECT_NEAR(d.yuv[1][half + 3 * w / 8], 128, 2);
    EXPECT_NEAR(d.yuv[2][half + 3 * w / 8], 128, 2);
}

// The defaults --help names are the ones a render without options uses.
TEST(RenderTest, DefaultsAreTheOnesHelpNames)
{
    const RenderSettings s;
    EXPECT_EQ(g_algolist[s.algorithm].name, "Quick Sort (LR ptrs)");
    wxArrayString inputs;
    SortArray::ListInputTypes(inputs);
    EXPECT_EQ(inputs[s.input], "Random Shuffle");
    EXPECT_EQ(PivotRuleNames()[s.pivot], "First Item");

    TempDir dir;
    const CommandResult r = Render({"--max-length", "0.5", dir / "d.mkv"});
    EXPECT_EQ(r.status, EXIT_DONE) << r.err;
    const Decoded d = Decode(dir / "d.mkv");
    EXPECT_EQ(d.width, 1280);
    EXPECT_EQ(d.height, 720);
    EXPECT_EQ(d.frame_count, 30); // half a second at 60 frames per second
    EXPECT_EQ(d.sample_count, 22050);
}

} // namespace
