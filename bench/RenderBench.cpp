// quorvex render's frames per second at 1280x720, 60 frames per second, 2048
// items: the whole recording without encoding (bars, status line, sound), with
// H.264 encoding, and each part on its own to show where the time goes.
// Headless.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include <wx/init.h>

#include "FrameRenderer.h"
#include "RunRecorder.h"
#include "SortAlgo.h"
#include "SortArray.h"
#include "SortSound.h"
#include "StatusStrip.h"
#include "VideoEncoder.h"

namespace {

const int WIDTH = 1280, HEIGHT = 720, FPS = 60;
const size_t ITEMS = 2048;

// Quick sort on 2048 shuffled items at 1 ms per access: about 17 accesses per
// frame; ten seconds of video per iteration.
RenderSettings Settings()
{
    RenderSettings s;
    s.algorithm = 5; // Quick Sort (LR ptrs)
    s.size = ITEMS;
    s.delay_ms = 1.0;
    s.fps = FPS;
    s.width = WIDTH;
    s.height = HEIGHT;
    s.max_length = 10.0;
    return s;
}

struct NullSink : FrameSink
{
    void WriteVideo(const uint32_t* pixels, ptrdiff_t) override { benchmark::DoNotOptimize(pixels[0]); }
    void WriteSound(const int16_t* samples, size_t) override { benchmark::DoNotOptimize(samples[0]); }
};

struct EncoderSink : FrameSink
{
    explicit EncoderSink(VideoEncoder& e) : encoder(e) {}
    void WriteVideo(const uint32_t* pixels, ptrdiff_t stride) override { encoder.WriteVideo(pixels, stride); }
    void WriteSound(const int16_t* samples, size_t n) override { encoder.WriteSound(samples, n); }
    VideoEncoder& encoder;
};

// The whole recording, frames thrown away: snapshot, bars, status line, sound.
void BM_RenderAlone(benchmark::State& state)
{
    const RenderSettings s = Settings();
    uint64_t frames = 0;
    for (auto _ : state) {
        NullSink sink;
        frames += RecordRun(s, sink, nullptr, nullptr).frames;
    }
    state.counters["frames/s"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RenderAlone)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same recording encoded as quorvex render encodes .mp4 (H.264 and AAC).
void BM_RenderH264(benchmark::State& state)
{
    const RenderSettings s = Settings();
    char name[] = "/tmp/quorvex-bench-XXXXXX";
    const int fd = mkstemp(name);
    close(fd);
    VideoEncoder::Settings es;
    es.format = *FindOutputFormat("x.mp4", false);
    es.width = WIDTH;
    es.height = HEIGHT;
    es.fps = FPS;
    uint64_t frames = 0;
    for (auto _ : state) {
        VideoEncoder encoder(name, es);
        EncoderSink sink(encoder);
        frames += RecordRun(s, sink, nullptr, nullptr).frames;
        encoder.Finish();
    }
    unlink(name);
    state.counters["frames/s"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RenderH264)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

// The parts of one frame.

// Taking the array's state and drawing the bars below a 36-row strip.
void BM_PartBars(benchmark::State& state)
{
    SortArray A;
    A.FillArray(0, ITEMS, 1);
    std::vector<uint32_t> pixels(WIDTH * HEIGHT);
    FrameSnapshot snap;
    const int top = StatusStrip::HeightFor(HEIGHT);
    for (auto _ : state) {
        for (size_t i = 0; i < 17; ++i) A.swap(i, ITEMS - 1 - i); // a frame's highlights
        snap.Take(A);
        RenderFrame(snap, WIDTH, HEIGHT - top, pixels.data() + top * WIDTH, WIDTH);
        benchmark::DoNotOptimize(pixels[WIDTH * HEIGHT / 2]);
    }
    state.counters["frames/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PartBars);

// The status line with counters that change every frame.
void BM_PartStatusLine(benchmark::State& state)
{
    std::vector<uint32_t> pixels(WIDTH * HEIGHT);
    StatusStrip strip(pixels.data(), WIDTH, StatusStrip::HeightFor(HEIGHT), WIDTH);
    uint64_t n = 1000;
    for (auto _ : state) {
        n += 17;
        strip.Draw("Quick Sort (LR ptrs)  \u00b7  Random Shuffle, 2048 items", StatusRight(n, 2 * n, -1));
        benchmark::DoNotOptimize(pixels[WIDTH * 10]);
    }
    state.counters["frames/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PartStatusLine);

// One frame of sound: 735 samples with 17 new tones (1 ms, sustain 2).
void BM_PartSound(benchmark::State& state)
{
    g_sound_on = true;
    g_delay_ms = 1.0;
    g_sound_sustain = 2.0;
    SoundReset();
    std::mt19937 rng(3);
    std::vector<int16_t> out(735);
    for (auto _ : state) {
        for (int i = 0; i < 34; ++i) SoundAccess(1 + rng() % ITEMS);
        SoundRender(ITEMS, reinterpret_cast<uint8_t*>(out.data()), 2 * 735);
        benchmark::DoNotOptimize(out[0]);
    }
    g_sound_on = false;
    state.counters["frames/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PartSound);

// Encoding alone: one recorded frame over and over, as H.264 (with the
// conversion to yuv420p) and with its sound as AAC.
void BM_PartEncodeH264(benchmark::State& state)
{
    SortArray A;
    A.FillArray(0, ITEMS, 1);
    std::vector<uint32_t> pixels(WIDTH * HEIGHT, FRAME_BACKGROUND);
    FrameSnapshot snap;
    std::vector<int16_t> sound(735);
    for (size_t i = 0; i < sound.size(); ++i) sound[i] = static_cast<int16_t>((i * 97) % 20000 - 10000);

    char name[] = "/tmp/quorvex-bench-XXXXXX";
    const int fd = mkstemp(name);
    close(fd);
    VideoEncoder::Settings es;
    es.format = *FindOutputFormat("x.mp4", false);
    es.width = WIDTH;
    es.height = HEIGHT;
    es.fps = FPS;
    {
        VideoEncoder encoder(name, es);
        size_t k = 0;
        for (auto _ : state) {
            // a few bars change per frame, as in a run
            A.swap(k % ITEMS, (k * 7 + 3) % ITEMS);
            ++k;
            snap.Take(A);
            RenderFrame(snap, WIDTH, HEIGHT, pixels.data(), WIDTH);
            encoder.WriteVideo(pixels.data(), WIDTH);
            encoder.WriteSound(sound.data(), sound.size());
        }
        encoder.Finish();
    }
    unlink(name);
    state.counters["frames/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PartEncodeH264)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    wxInitializer initializer;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
