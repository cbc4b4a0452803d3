#include "SortSound.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif


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

// The mix one sample at a time.
void MixVoiceScalar(const ToneVoice& v, uint64_t T, uint64_t first, uint64_t last, double* W)
{
    for (uint64_t j = first; j < last; ++j)
        W[j] += ToneSample(v, static_cast<double>(T + j - v.start_sample));
}

#if defined(__x86_64__) && defined(__GNUC__)
// The same four samples at a time, for processors with AVX2 (and without
// fused multiply-add, which would round differently). Every lane does what
// ToneSample does, operation for operation: all branches of the envelope and
// of the triangle are computed and the one ToneSample would take is chosen,
// so each sample is bit for bit the same.
__attribute__((target("avx2"))) void MixVoiceAvx2(const ToneVoice& v, uint64_t T, uint64_t first,
                                                   uint64_t last, double* W)
{
    const double length = static_cast<double>(v.length);
    const double r_first = static_cast<double>(T + first - v.start_sample);
    const uint64_t count = last - first;
    // the whole-number phase and position are exact while below 2^53, and
    // the truncation matches the conversion through a 64-bit integer while
    // the phase stays below 9e15 (the scalar code takes fmod beyond)
    const double r_last = r_first + static_cast<double>(count);
    if (r_last >= 9.0e15 || r_last / SOUND_SAMPLE_RATE * v.frequency >= 9.0e15) {
        MixVoiceScalar(v, T, first, last, W);
        return;
    }

    const __m256d len = _mm256_set1_pd(length);
    const __m256d one = _mm256_set1_pd(1.0);
    const __m256d rate = _mm256_set1_pd(SOUND_SAMPLE_RATE);
    const __m256d freq = _mm256_set1_pd(v.frequency);
    const __m256d c0025 = _mm256_set1_pd(0.025), c0125 = _mm256_set1_pd(0.125), c07 = _mm256_set1_pd(0.7);
    const __m256d c40 = _mm256_set1_pd(40.0), cm01 = _mm256_set1_pd(-0.1);
    const __m256d decay_span = _mm256_set1_pd(1.0 - 0.9), c09 = _mm256_set1_pd(0.9), c3 = _mm256_set1_pd(3.0);
    const __m256d c025 = _mm256_set1_pd(0.25), c075 = _mm256_set1_pd(0.75);
    const __m256d c4 = _mm256_set1_pd(4.0), c2 = _mm256_set1_pd(2.0);
    const __m256d four = _mm256_set1_pd(4.0);

    double* out = W + first;
    __m256d r = _mm256_add_pd(_mm256_set1_pd(r_first), _mm256_set_pd(3.0, 2.0, 1.0, 0.0));
    uint64_t k = 0;
    for (; k + 4 <= count; k += 4) {
        // x = min(1, r / length): the quotient unless it is not below 1
        const __m256d q = _mm256_div_pd(r, len);
        const __m256d x = _mm256_blendv_pd(one, q, _mm256_cmp_pd(q, one, _CMP_LT_OQ));

        const __m256d attack = _mm256_mul_pd(c40, x);
        const __m256d decay = _mm256_add_pd(one, _mm256_mul_pd(_mm256_div_pd(_mm256_sub_pd(x, c0025), cm01), decay_span));
        const __m256d release = _mm256_mul_pd(c3, _mm256_sub_pd(one, x));
        __m256d e = _mm256_blendv_pd(release, c09, _mm256_cmp_pd(x, c07, _CMP_LT_OQ));
        e = _mm256_blendv_pd(e, decay, _mm256_cmp_pd(x, c0125, _CMP_LT_OQ));
        e = _mm256_blendv_pd(e, attack, _mm256_cmp_pd(x, c0025, _CMP_LT_OQ));

        const __m256d cycles = _mm256_mul_pd(_mm256_div_pd(r, rate), freq);
        const __m256d p = _mm256_sub_pd(cycles, _mm256_round_pd(cycles, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC));
        const __m256d p4 = _mm256_mul_pd(c4, p);
        __m256d w = _mm256_sub_pd(p4, c4);
        w = _mm256_blendv_pd(w, _mm256_sub_pd(c2, p4), _mm256_cmp_pd(p, c075, _CMP_LE_OQ));
        w = _mm256_blendv_pd(w, p4, _mm256_cmp_pd(p, c025, _CMP_LE_OQ));

        _mm256_storeu_pd(out + k, _mm256_add_pd(_mm256_loadu_pd(out + k), _mm256_mul_pd(e, w)));
        r = _mm256_add_pd(r, four);
    }
    for (; k < count; ++k) out[k] += ToneSample(v, r_first + static_cast<double>(k));
}

const bool s_have_avx2 = __builtin_cpu_supports("avx2");
#endif

} // namespace

void SoundMixVoice(const ToneVoice& v, uint64_t T, uint64_t first, uint64_t last, double* W)
{
    if (first >= last) return;
#if defined(__x86_64__) && defined(__GNUC__)
    if (s_have_avx2) {
        MixVoiceAvx2(v, T, first, last, W);
        return;
    }
#endif
    MixVoiceScalar(v, T, first, last, W);
}

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
        SoundMixVoice(v, T, first, last, W);
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
