#include "SortSound.h"

#include <algorithm>
#include <cmath>
#include <cstring>


Relaxed<double> g_delay_ms(10.0);
Relaxed<double> g_sound_sustain(2.0);
Relaxed<bool> g_sound_on(false);

std::vector<uint32_t> g_pending_accesses;
wxMutex g_sound_mutex;

std::vector<ToneVoice> g_voices;
uint64_t g_sample_clock = 0;
double g_output_level = 1.0;

namespace {

// Held by the renderer for a whole buffer and by SoundReset: pausing the audio
// device does not wait for a buffer already being rendered, so a reset right
// after a pause could otherwise meet one. The worker never takes it.
wxMutex s_render_mutex;

// Audio thread only: the values taken from g_pending_accesses (the two vectors
// trade their storage, so neither is reallocated once grown), and the mix.
std::vector<uint32_t> s_taken;
std::vector<double> s_mix;

// Mixed samples are scaled so that a peak at the level reaches this.
const double OUTPUT_SCALE = 24000.0;
// The level falls by this factor per buffer while no louder peak comes.
const double LEVEL_DECAY = 0.9;

// Finds, for the placement of one voice, the voice that the scan of the whole
// list from its first entry would choose: the first voice finished by the
// buffer's start, else the one that started first (the first of equals). Many
// thousand values can arrive per buffer at high speed, so the finished voices
// are a bit set and the earliest start a tournament tree over the slots; both
// are kept current as voices are overwritten or appended.
class VoicePlacer
{
public:
    explicit VoicePlacer(uint64_t T) : m_T(T)
    {
        ASSERT(g_voices.size() <= MAX_VOICES);
        std::fill(std::begin(m_finished), std::end(m_finished), 0);
        std::fill(std::begin(m_tree), std::end(m_tree), NO_SLOT);
        for (size_t k = 0; k < g_voices.size(); ++k) {
            m_tree[MAX_VOICES + k] = static_cast<uint16_t>(k);
            SetFinished(k, g_voices[k].end_sample <= m_T);
        }
        for (size_t node = MAX_VOICES - 1; node >= 1; --node)
            m_tree[node] = Earlier(m_tree[2 * node], m_tree[2 * node + 1]);
    }

    void Place(const ToneVoice& voice)
    {
        size_t k = FirstFinished();
        if (k == NO_SLOT) {
            if (g_voices.size() == MAX_VOICES) {
                k = m_tree[1];
            }
            else {
                if (g_voices.capacity() < MAX_VOICES) g_voices.reserve(MAX_VOICES);
                k = g_voices.size();
                g_voices.push_back(voice);
            }
        }
        g_voices[k] = voice;
        SetFinished(k, voice.end_sample <= m_T);
        Update(k);
    }

private:
    static constexpr uint16_t NO_SLOT = 0xFFFF;
    static constexpr size_t WORDS = MAX_VOICES / 64;
    static_assert(MAX_VOICES % 64 == 0 && (MAX_VOICES & (MAX_VOICES - 1)) == 0,
                  "the bit set and the tree need a power of two of at least 64 slots");

    void SetFinished(size_t k, bool finished)
    {
        const uint64_t bit = uint64_t(1) << (k % 64);
        if (finished) m_finished[k / 64] |= bit;
        else m_finished[k / 64] &= ~bit;
    }

    size_t FirstFinished() const
    {
        for (size_t w = 0; w < WORDS; ++w)
            if (m_finished[w]) return w * 64 + static_cast<size_t>(__builtin_ctzll(m_finished[w]));
        return NO_SLOT;
    }

    // The slot of the two whose voice started first; the lower slot among equals.
    static uint16_t Earlier(uint16_t a, uint16_t b)
    {
        if (a == NO_SLOT) return b;
        if (b == NO_SLOT) return a;
        const uint64_t sa = g_voices[a].start_sample, sb = g_voices[b].start_sample;
        if (sa != sb) return sa < sb ? a : b;
        return std::min(a, b);
    }

    void Update(size_t k)
    {
        size_t node = MAX_VOICES + k;
        m_tree[node] = static_cast<uint16_t>(k);
        for (node /= 2; node >= 1; node /= 2)
            m_tree[node] = Earlier(m_tree[2 * node], m_tree[2 * node + 1]);
    }

    uint64_t m_T;
    uint64_t m_finished[WORDS];
    uint16_t m_tree[2 * MAX_VOICES]; // node 1 is the root, slot k the leaf MAX_VOICES + k
};

// A mixed sample scaled by the level and limited to the output range; values
// beyond any integer saturate, and 0/0 (a level that has decayed to nothing
// over silence) is silence.
int16_t OutputSample(double v)
{
    if (std::isnan(v)) return 0;
    if (v >= SOUND_CLAMP) return SOUND_CLAMP;
    if (v <= -SOUND_CLAMP) return -SOUND_CLAMP;
    return static_cast<int16_t>(static_cast<int32_t>(v));
}

void StoreSample(uint8_t* out, int16_t s)
{
    const uint16_t u = static_cast<uint16_t>(s);
    out[0] = static_cast<uint8_t>(u & 0xFF); // little-endian, whatever the machine
    out[1] = static_cast<uint8_t>(u >> 8);
}

} // namespace

void SoundAccess(uint64_t value)
{
    if (!g_sound_on) return;
    wxMutexLocker lock(g_sound_mutex);
    ASSERT(lock.IsOk());
    g_pending_accesses.push_back(static_cast<uint32_t>(value));
}

void SoundReset()
{
    wxMutexLocker render(s_render_mutex);
    wxMutexLocker lock(g_sound_mutex);
    ASSERT(lock.IsOk());
    g_sample_clock = 0;
    g_voices.clear();
}

// ---------------------------------------------------------------------------
// The tone

double ToneEnvelope(double x)
{
    if (x < 0.025) return 40 * x;                                 // attack, 0 to 1
    if (x < 0.125) return 1 + (x - 0.025) / (-0.1) * (1.0 - 0.9); // decay, 1 to 0.9
    if (x < 0.7) return 0.9;                                      // sustain
    return 3 * (1 - x);                                           // release, 0.9 to 0
}

double ToneTriangle(double p)
{
    if (p <= 0.25) return 4 * p;
    if (p <= 0.75) return 2 - 4 * p;
    return 4 * p - 4;
}

double ToneSample(const ToneVoice& voice, double r)
{
    const double x = std::min(1.0, r / static_cast<double>(voice.length));
    const double cycles = r / SOUND_SAMPLE_RATE * voice.frequency;
    // the fraction of a non-negative number, exactly as fmod(cycles, 1.0)
    // gives it, without its cost in the mixing loop
    const double p = cycles < 9.0e15 ? cycles - static_cast<double>(static_cast<int64_t>(cycles))
                                     : std::fmod(cycles, 1.0);
    return ToneEnvelope(x) * ToneTriangle(p);
}

// ---------------------------------------------------------------------------
// The renderer

namespace {

// Adds samples first to last - 1 of the buffer starting at T to W.
void MixVoice(const ToneVoice& v, uint64_t T, uint64_t first, uint64_t last, double* W)
{
    for (uint64_t j = first; j < last; ++j)
        W[j] += ToneSample(v, static_cast<double>(T + j - v.start_sample));
}

} // namespace

void SoundPlaceVoices(const uint32_t* values, size_t count, int32_t max_value, uint64_t T, int n)
{
    if (count == 0) return;
    // read once per buffer: a moved slider reaches the next buffer's tones
    const double samples = g_delay_ms / 1000 * g_sound_sustain * SOUND_SAMPLE_RATE;
    const uint64_t L = samples > 0 ? static_cast<uint64_t>(samples) : 0;
    const double m = static_cast<double>(max_value);
    const double spacing = static_cast<double>(n) / static_cast<double>(count);

    VoicePlacer placer(T);
    for (size_t i = 0; i < count; ++i) {
        const uint64_t s = static_cast<uint64_t>(static_cast<double>(T) + static_cast<double>(i) * spacing);
        const double q = static_cast<double>(values[i]) / m;
        placer.Place(ToneVoice{q * q * 1200 + 120, s, s + L, L});
    }
}

void SoundRender(int32_t max_value, uint8_t* stream, int len)
{
    if (len <= 0) return;
    if (!g_sound_on) {
        std::memset(stream, 0, static_cast<size_t>(len));
        return;
    }
    const int n = len / 2;
    if (len % 2) stream[len - 1] = 0;

    wxMutexLocker render(s_render_mutex);
    {
        wxMutexLocker lock(g_sound_mutex);
        ASSERT(lock.IsOk());
        s_taken.swap(g_pending_accesses);
    }

    const uint64_t T = g_sample_clock;
    // the values gathered since the previous buffer are spread evenly over
    // this one, one buffer after they happened
    SoundPlaceVoices(s_taken.data(), s_taken.size(), max_value, T, n);
    s_taken.clear();

    s_mix.assign(static_cast<size_t>(n), 0.0);
    double* W = s_mix.data();
    size_t live = 0;
    for (const ToneVoice& v : g_voices) {
        if (v.end_sample <= T) continue;
        ++live;
        const uint64_t first = v.start_sample > T ? v.start_sample - T : 0;
        const uint64_t last = std::min<uint64_t>(static_cast<uint64_t>(n), v.end_sample - T);
        if (first < last) MixVoice(v, T, first, last, W);
    }

    if (live == 0 || n == 0) {
        std::memset(stream, 0, 2 * static_cast<size_t>(n));
    }
    else {
        const double P = *std::max_element(W, W + n);
        const double A = g_output_level;
        // the level follows a rising peak at once and falls slowly
        const double B = A < P ? P : LEVEL_DECAY * A;
        for (int k = 0; k < n; ++k) {
            // the level glides from A to B across the buffer
            const double D = static_cast<double>(k) / n * (B - A) + A;
            StoreSample(stream + 2 * k, OutputSample(W[k] * OUTPUT_SCALE / D));
        }
        g_output_level = B;
    }

    g_sample_clock += static_cast<uint64_t>(n);
}
