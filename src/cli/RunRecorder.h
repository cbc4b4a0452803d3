// A run of one algorithm recorded as video frames and sound on a virtual
// clock: each paced access advances the clock by the delay, and at every
// 1/fps boundary the next frame is taken as the window would paint it then,
// with the sound of exactly that frame's samples.
#ifndef QUORVEX_RUNRECORDER_H
#define QUORVEX_RUNRECORDER_H

#include <csignal>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct RenderSettings
{
    size_t algorithm = 5; // 0-based catalogue position: Quick Sort (LR ptrs)
    size_t input = 0;     // Random Shuffle
    size_t size = 100;
    size_t pivot = 0;     // First Item
    double delay_ms = 10.0;
    double sustain = 2.0;
    uint32_t seed = 1;
    int fps = 60;
    int width = 1280, height = 720;
    bool sound = true;
    bool status = true;
    bool pictures = true; // false for a sound-only file: no frame is drawn
    double max_length = 600.0; // seconds of video
};

// Where the frames go: the encoder, or nothing (to measure the rendering).
class FrameSink
{
public:
    // width x height words 0xAARRGGBB, rows `stride` words apart.
    virtual void WriteVideo(const uint32_t* pixels, ptrdiff_t stride) = 0;
    // 44100 Hz signed 16-bit mono samples.
    virtual void WriteSound(const int16_t* samples, size_t count) = 0;

protected:
    ~FrameSink() = default;
};

enum class RenderEnd
{
    Finished,    // the run and its result check ended; the hold may be cut by the limit
    LengthLimit, // the run was cut at max_length
    Stopped,     // the stop flag was raised
};

struct RenderResult
{
    RenderEnd end = RenderEnd::Finished;
    uint64_t frames = 0;
    uint64_t paced = 0;      // paced accesses of the run
    bool sorted_ok = false;  // the result check's verdict (if the run finished)
};

// Called after every frame with the number of frames written so far.
using RenderProgress = std::function<void(uint64_t frames)>;

// The first sample of frame k at fps frames per second: round(k * 44100 / fps).
uint64_t FrameFirstSample(uint64_t k, int fps);

// Whether frame k is due once `paced` accesses have passed: k/fps seconds
// <= paced * delay.
bool FrameDue(uint64_t k, uint64_t paced, double delay_ms, int fps);

// The most frames a video of max_length seconds holds (at least 1).
uint64_t FrameLimit(double max_length, int fps);

// The frames of a run of `paced` paced accesses: one for the filled array,
// one per 1/fps of the run's time, then one second of the result; at most
// `limit`.
uint64_t FramesForRun(uint64_t paced, double delay_ms, int fps, uint64_t limit);

// Whether the algorithm always does the same with the same input and seed
// (all but bogo and bozo sort, which draw from the system's random device).
bool RunIsRepeatable(size_t algorithm);

// The number of frames the run will give, found by running it once without
// pictures or sound: 0 if that is unknown (not repeatable, or the run needs
// more than `budget_seconds` of processor time to count). Leaves the sound
// switched off.
uint64_t CountFrames(const RenderSettings& settings, double budget_seconds,
                     const volatile std::sig_atomic_t* stop);

// Fills the array, runs the algorithm and its result check on this thread
// and hands every frame to the sink. Ends early when *stop becomes non-zero
// or the video reaches max_length.
RenderResult RecordRun(const RenderSettings& settings, FrameSink& sink,
                       const volatile std::sig_atomic_t* stop, const RenderProgress& progress);

// The status strip's two texts.
std::string StatusLeft(const RenderSettings& settings);
std::string StatusRight(uint64_t comparisons, uint64_t accesses, int64_t inversions);

#endif
