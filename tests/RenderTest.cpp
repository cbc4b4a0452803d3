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

} // namespace
