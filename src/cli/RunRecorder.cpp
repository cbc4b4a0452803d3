#include "RunRecorder.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <memory>

#include "FrameRenderer.h"
#include "SortAlgo.h"
#include "SortArray.h"
#include "SortSound.h"
#include "StatusStrip.h"

uint64_t FrameFirstSample(uint64_t k, int fps)
{
    // round half up, in integers: (2 k 44100 + fps) / (2 fps)
    const uint64_t f = static_cast<uint64_t>(fps);
    return (2 * k * 44100 + f) / (2 * f);
}

bool FrameDue(uint64_t k, uint64_t paced, double delay_ms, int fps)
{
    return static_cast<double>(k) * 1000.0 <= static_cast<double>(paced) * delay_ms * fps;
}

uint64_t FrameLimit(double max_length, int fps)
{
    const double frames = std::floor(max_length * fps);
    return frames < 1 ? 1 : static_cast<uint64_t>(frames);
}

uint64_t FramesForRun(uint64_t paced, double delay_ms, int fps, uint64_t limit)
{
    // the last frame due during the run, K, by estimate and then by the same
    // test the recorder makes
    double estimate = std::floor(static_cast<double>(paced) * delay_ms * fps / 1000.0);
    uint64_t K = estimate > 0 ? static_cast<uint64_t>(estimate) : 0;
    while (K > 0 && !FrameDue(K, paced, delay_ms, fps)) --K;
    while (FrameDue(K + 1, paced, delay_ms, fps)) ++K;
    const uint64_t frames = K + 1 + static_cast<uint64_t>(fps);
    return frames < limit ? frames : limit;
}

bool RunIsRepeatable(size_t algorithm)
{
    void (*const func)(SortArray&) = g_algolist[algorithm].func;
    return func != &BogoSort && func != &BozoSort;
}

namespace {

// Sets up the process-wide settings the array, the algorithms and the sound
// read, and fills the array as the window would.
void PrepareRun(const RenderSettings& s, SortArray& array, bool sound)
{
    g_delay_ms = s.delay_ms;
    g_sound_sustain = s.sustain;
    g_pivot_rule = static_cast<int32_t>(s.pivot);
    g_sound_on = sound;
    SortItem::s_key_shift = 0;

    // a fresh sound: no voices, nothing pending, the level at its start
    SoundReset();
    {
        wxMutexLocker lock(g_sound_mutex);
        g_pending_accesses.clear();
    }
    g_output_level = 1.0;

    array.FillArray(static_cast<unsigned int>(s.input), s.size, s.seed);
    std::srand(s.seed); // the random pivot's source
}

// Counts paced accesses and ends the run once the count or the processor
// time is over budget.
class CountingPacer : public SortDelay
{
public:
    CountingPacer(uint64_t max_paced, double budget_seconds, const volatile std::sig_atomic_t* stop)
        : m_max_paced(max_paced), m_budget(budget_seconds), m_stop(stop),
          m_start(std::chrono::steady_clock::now())
    {
    }

    void Pace() override
    {
        if (++m_paced > m_max_paced) throw SortAbort();
        if ((m_paced & 0xFFF) == 0) {
            const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - m_start;
            if (spent.count() > m_budget || (m_stop && *m_stop)) {
                m_over_budget = true;
                throw SortAbort();
            }
        }
    }

    uint64_t m_paced = 0;
    bool m_over_budget = false;

private:
    uint64_t m_max_paced;
    double m_budget;
    const volatile std::sig_atomic_t* m_stop;
    std::chrono::steady_clock::time_point m_start;
};

// The recording pacer: advances the virtual clock and takes every frame due.
class Recorder : public SortDelay
{
public:
    Recorder(const RenderSettings& s, SortArray& array, FrameSink& sink,
             const volatile std::sig_atomic_t* stop, const RenderProgress& progress)
        : m_s(s), m_array(array), m_sink(sink), m_stop(stop), m_progress(progress),
          m_limit(FrameLimit(s.max_length, s.fps)),
          m_pixels(s.pictures ? static_cast<size_t>(s.width) * static_cast<size_t>(s.height) : 0, FRAME_BACKGROUND),
          m_left(StatusLeft(s))
    {
        if (s.pictures && s.status) {
            m_strip.reset(new StatusStrip(m_pixels.data(), s.width, StatusStrip::HeightFor(s.height), s.width));
            m_top = m_strip->height();
        }
    }

    void Pace() override
    {
        if (m_stop && *m_stop) {
            m_result.end = RenderEnd::Stopped;
            throw SortAbort();
        }
        ++m_result.paced;
        while (FrameDue(m_result.frames, m_result.paced, m_s.delay_ms, m_s.fps)) TakeFrame(false);
    }

    // Takes the next frame; `finished` paints the checked result all green.
    // Throws SortAbort at the length limit.
    void TakeFrame(bool finished)
    {
        if (m_result.frames >= m_limit) {
            if (!finished) m_result.end = RenderEnd::LengthLimit;
            throw SortAbort();
        }
        if (m_s.pictures) {
            m_snapshot.Take(m_array);
            if (finished && m_array.m_sorted_ok) m_snapshot.colours.assign(m_snapshot.colours.size(), COLOUR_CONFIRMED);
            const uint64_t comparisons = g_comparison_count, accesses = g_access_count;
            const int64_t inversions = m_array.m_inversion_count;

            const int W = m_s.width;
            RenderFrame(m_snapshot, W, m_s.height - m_top, m_pixels.data() + static_cast<size_t>(m_top) * W, W);
            if (m_strip) m_strip->Draw(m_left, StatusRight(comparisons, accesses, inversions));
            m_sink.WriteVideo(m_pixels.data(), W);
        }

        if (m_s.sound) {
            const uint64_t k = m_result.frames;
            const size_t n = static_cast<size_t>(FrameFirstSample(k + 1, m_s.fps) - FrameFirstSample(k, m_s.fps));
            m_samples.resize(n);
            if (n > 0) {
                SoundRender(m_array.m_max_value, reinterpret_cast<uint8_t*>(m_samples.data()),
                            static_cast<int>(2 * n));
                m_sink.WriteSound(m_samples.data(), n);
            }
        }
        ++m_result.frames;
        if (m_progress) m_progress(m_result.frames);
    }

    RenderResult m_result;

private:
    const RenderSettings& m_s;
    SortArray& m_array;
    FrameSink& m_sink;
    const volatile std::sig_atomic_t* m_stop;
    const RenderProgress& m_progress;
    const uint64_t m_limit;

    std::vector<uint32_t> m_pixels;
    std::vector<int16_t> m_samples;
    FrameSnapshot m_snapshot;
    std::unique_ptr<StatusStrip> m_strip;
    int m_top = 0; // rows above the bars
    const std::string m_left;
};

} // namespace

uint64_t CountFrames(const RenderSettings& s, double budget_seconds, const volatile std::sig_atomic_t* stop)
{
    if (!RunIsRepeatable(s.algorithm)) return 0;
    const uint64_t limit = FrameLimit(s.max_length, s.fps);
    // accesses beyond those that reach the limit change nothing
    const uint64_t max_paced =
        static_cast<uint64_t>(std::ceil(static_cast<double>(limit) * 1000.0 / s.fps / s.delay_ms)) + 1;

    SortArray array;
    PrepareRun(s, array, false);
    CountingPacer pacer(max_paced, budget_seconds, stop);
    array.m_pacer = &pacer;
    // inversions change no access; counting them would only cost time
    array.m_inversions_on = false;
    array.m_inversion_count = -1;
    try {
        g_algolist[s.algorithm].func(array);
        array.CheckSorted();
    }
    catch (const SortAbort&) {
        if (pacer.m_over_budget) return 0;
        return limit;
    }
    return FramesForRun(pacer.m_paced, s.delay_ms, s.fps, limit);
}

RenderResult RecordRun(const RenderSettings& s, FrameSink& sink, const volatile std::sig_atomic_t* stop,
                       const RenderProgress& progress)
{
    SortArray array;
    PrepareRun(s, array, s.sound);
    Recorder recorder(s, array, sink, stop, progress);

    try {
        // the filled array before the first access
        recorder.TakeFrame(false);
        array.m_pacer = &recorder;
        const AlgoListEntry& entry = g_algolist[s.algorithm];
        array.PrepareInversions(entry);
        entry.func(array);
        array.CheckSorted();
        array.m_pacer = nullptr;
        recorder.m_result.sorted_ok = array.m_sorted_ok;

        // one second of the checked result
        for (int i = 0; i < s.fps; ++i) recorder.TakeFrame(true);
    }
    catch (const SortAbort&) {
        // stopped, or at the length limit; an algorithm ended early may
        // leave watches of variables that are gone: nothing paints again
    }
    array.m_pacer = nullptr;
    g_sound_on = false;
    return recorder.m_result;
}

std::string StatusLeft(const RenderSettings& s)
{
    wxArrayString inputs;
    SortArray::ListInputTypes(inputs);
    std::string text = std::string(g_algolist[s.algorithm].name.utf8_str()) + "  \u00b7  " +
                       std::string(inputs[s.input].utf8_str()) + ", " + std::to_string(s.size) +
                       (s.size == 1 ? " item" : " items");
    return text;
}

std::string StatusRight(uint64_t comparisons, uint64_t accesses, int64_t inversions)
{
    std::string text = GroupDigits(comparisons) + " comparisons    " + GroupDigits(accesses) + " array accesses";
    if (inversions >= 0) text += "    " + GroupDigits(static_cast<uint64_t>(inversions)) + " inversions";
    return text;
}
