// The access sound: voice placement and reuse, the tone's shape, the mixer's
// level and limit, and what a listener hears, rendered without a device.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <thread>

#include "SortSound.h"

namespace {

const int N = 4096; // samples per buffer, as the device is opened

// Brings the sound state to a known start and puts the settings back after.
class Sound : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_delay = g_delay_ms;
        m_sustain = g_sound_sustain;
        m_on = g_sound_on;
        g_sound_on = true;
        g_delay_ms = 10.0;
        g_sound_sustain = 1.0;
        SoundReset();
        g_pending_accesses.clear();
        g_output_level = 1.0;
    }
    void TearDown() override
    {
        g_sound_on = false;
        SoundReset();
        g_pending_accesses.clear();
        g_output_level = 1.0;
        g_delay_ms = m_delay;
        g_sound_sustain = m_sustain;
        g_sound_on = m_on;
    }

    double m_delay = 0, m_sustain = 0;
    bool m_on = false;
};

std::vector<int16_t> Decode(const std::vector<uint8_t>& bytes)
{
    std::vector<int16_t> s(bytes.size() / 2);
    for (size_t k = 0; k < s.size(); ++k)
        s[k] = static_cast<int16_t>(bytes[2 * k] | (bytes[2 * k + 1] << 8));
    return s;
}

// One buffer through the renderer; the bytes start as garbage so that a
// sample left unwritten shows.
std::vector<int16_t> Render(int32_t max_value, int n = N)
{
    std::vector<uint8_t> bytes(2 * static_cast<size_t>(n), 0xA5);
    SoundRender(max_value, bytes.data(), static_cast<int>(bytes.size()));
    return Decode(bytes);
}

bool AllZero(const std::vector<int16_t>& s)
{
    return std::all_of(s.begin(), s.end(), [](int16_t v) { return v == 0; });
}

int Peak(const std::vector<int16_t>& s)
{
    int p = 0;
    for (int16_t v : s) p = std::max(p, std::abs(static_cast<int>(v)));
    return p;
}

void Pend(std::initializer_list<uint32_t> values)
{
    for (uint32_t v : values) SoundAccess(v);
}

// ---------------------------------------------------------------------------
// A straightforward renderer written down step by step, to hold the real one
// to: a full scan of the voice list per value, fmod for the phase, and every
// sample of the buffer visited for every live voice.
struct Reference
{
    std::vector<ToneVoice> voices;
    uint64_t clock = 0;
    double level = 1.0;

    std::vector<int16_t> Render(const std::vector<uint32_t>& pending, int32_t max_value, int n)
    {
        const uint64_t T = clock;
        const size_t c = pending.size();
        for (size_t i = 0; i < c; ++i) {
            const uint64_t s = static_cast<uint64_t>(static_cast<double>(T) + i * (static_cast<double>(n) / c));
            const uint64_t L = static_cast<uint64_t>(g_delay_ms / 1000 * g_sound_sustain * 44100);
            const double q = static_cast<double>(pending[i]) / static_cast<double>(max_value);
            const ToneVoice v{q * q * 1200 + 120, s, s + L, L};
            size_t oldest = voices.size();
            bool placed = false;
            for (size_t k = 0; k < voices.size(); ++k) {
                if (voices[k].end_sample <= T) {
                    voices[k] = v;
                    placed = true;
                    break;
                }
                if (oldest == voices.size() || voices[k].start_sample < voices[oldest].start_sample) oldest = k;
            }
            if (!placed) {
                if (voices.size() == 512) voices[oldest] = v;
                else voices.push_back(v);
            }
        }

        std::vector<double> W(n, 0.0);
        size_t live = 0;
        for (const ToneVoice& v : voices) {
            if (v.end_sample <= T) continue;
            ++live;
            for (int j = 0; j < n; ++j) {
                const uint64_t t = T + j;
                if (t < v.start_sample) continue;
                if (t >= v.end_sample) break;
                const double r = static_cast<double>(t - v.start_sample);
                const double x = std::min(1.0, r / v.length);
                double e;
                if (x < 0.025) e = 40 * x;
                else if (x < 0.125) e = 1 + (x - 0.025) / (-0.1) * 0.09999999999999998;
                else if (x < 0.7) e = 0.9;
                else e = 3 * (1 - x);
                const double p = std::fmod(r / 44100 * v.frequency, 1.0);
                double w;
                if (p <= 0.25) w = 4 * p;
                else if (p <= 0.75) w = 2 - 4 * p;
                else w = 4 * p - 4;
                W[j] += e * w;
            }
        }

        std::vector<int16_t> out(n, 0);
        if (live > 0) {
            double P = W[0];
            for (double w : W) P = std::max(P, w);
            const double A = level;
            const double B = A < P ? P : 0.9 * A;
            for (int k = 0; k < n; ++k) {
                const double D = static_cast<double>(k) / n * (B - A) + A;
                const double v = W[k] * 24000 / D;
                // truncated and clamped; beyond the integers it saturates
                out[k] = static_cast<int16_t>(v >= 32200 ? 32200 : v <= -32200 ? -32200 : static_cast<int32_t>(v));
            }
            level = B;
        }
        clock += n;
        return out;
    }
};

} // namespace

// ---------------------------------------------------------------------------
// The tone's shape

TEST(ToneShape, EnvelopeRisesDecaysSustainsAndReleases)
{
    struct Case { double x, e; };
    const Case cases[] = {
        {0.0, 0.0}, {0.0125, 0.5}, {0.025, 1.0},   // attack to full
        {0.075, 0.95}, {0.125, 0.9},               // decay to the sustain level
        {0.4, 0.9}, {0.6999, 0.9},                 // sustain
        {0.7, 0.9}, {0.85, 0.45}, {1.0, 0.0},      // release to nothing
    };
    for (const Case& c : cases) EXPECT_NEAR(ToneEnvelope(c.x), c.e, 1e-12) << "x = " << c.x;

    // no step anywhere: neighbouring positions stay close
    for (double x = 0; x < 1; x += 1.0 / 4410)
        EXPECT_LT(std::fabs(ToneEnvelope(x + 1e-9) - ToneEnvelope(x)), 1e-6) << "x = " << x;
    // the decay's constant is 1 - 0.9 as the machine computes it
    EXPECT_EQ(ToneEnvelope(0.075), 1 + (0.075 - 0.025) / (-0.1) * 0.09999999999999998);
}

TEST(ToneShape, TriangleGoesUpDownAndBackInOnePeriod)
{
    struct Case { double p, w; };
    const Case cases[] = {
        {0.0, 0.0}, {0.125, 0.5}, {0.25, 1.0}, {0.5, 0.0},
        {0.75, -1.0}, {0.875, -0.5}, {0.999999, -0.000004},
    };
    for (const Case& c : cases) EXPECT_NEAR(ToneTriangle(c.p), c.w, 1e-9) << "p = " << c.p;
}

TEST(ToneShape, SampleOfAVoiceIsEnvelopeTimesTriangleAtItsPhase)
{
    const ToneVoice v{1320.0, 0, 4410, 4410};
    for (double r : {0.0, 1.0, 17.0, 300.0, 1234.0, 4000.0, 4409.0}) {
        const double expected = ToneEnvelope(std::min(1.0, r / 4410)) *
                                ToneTriangle(std::fmod(r / 44100 * 1320.0, 1.0));
        EXPECT_EQ(ToneSample(v, r), expected) << "r = " << r;
    }
}

// ---------------------------------------------------------------------------
// Voices

// The mixing loop adds to every sample of its range exactly what the tone's
// sample function gives, bit for bit: over random voices (short and long,
// low and high, starting before, in and after the buffer) and at the edges
// of the envelope's stages, and it leaves the samples outside its range alone.
TEST(ToneShape, MixAddsExactlyEachSampleOfTheVoice)
{
    std::mt19937_64 rng(5150);
    const int n = 4096;
    for (int round = 0; round < 400; ++round) {
        const uint64_t T = rng() % 2 ? rng() % 100000000 : rng() % 10000;
        const uint64_t lengths[] = {1, 2, 3, 40, 441, 2452, 4096, 100000, 4410000};
        const uint64_t L = round % 3 ? lengths[rng() % 9] : 1 + rng() % 20000;
        const uint64_t start = T + n > L + 5000 ? T + n - L - 5000 + rng() % (L + 2 * n + 5000) : rng() % (T + n);
        const double frequency = 120.0 + std::ldexp(static_cast<double>(rng() >> 11), -53) * 1200.0;
        const ToneVoice v{frequency, start, start + L, L};
        if (v.end_sample <= T) continue;
        const uint64_t first = v.start_sample > T ? v.start_sample - T : 0;
        const uint64_t last = std::min<uint64_t>(n, v.end_sample - T);

        // some noise already in the buffer, as other voices leave it
        std::vector<double> got(n), want(n);
        for (int j = 0; j < n; ++j) got[j] = want[j] = (rng() % 4 == 0) ? std::ldexp(static_cast<double>(rng() >> 11), -52) - 1.0 : 0.0;
        for (uint64_t j = first; j < last; ++j) want[j] += ToneSample(v, static_cast<double>(T + j - v.start_sample));
        SoundMixVoice(v, T, first, last, got.data());
        for (int j = 0; j < n; ++j)
            ASSERT_EQ(std::memcmp(&got[j], &want[j], sizeof(double)), 0)
                << "round " << round << ", sample " << j << ": " << got[j] << " not " << want[j];
    }
}

TEST_F(Sound, VoiceLengthFollowsDelayTimesSustain)
{
    struct Case { double delay, sustain; uint64_t length; };
    const Case cases[] = {
        {10.0, 1.0, 441},
        {14.142135623730947, 3.932235335728215, 2452}, // the start-up settings, about 56 ms
        {0.0, 3.0, 0},
    };
    for (const Case& c : cases) {
        SoundReset();
        g_delay_ms = c.delay;
        g_sound_sustain = c.sustain;
        Pend({100});
        Render(100);
        ASSERT_EQ(g_voices.size(), 1u);
        EXPECT_EQ(g_voices[0].length, c.length) << c.delay << " ms x " << c.sustain;
        EXPECT_EQ(g_voices[0].end_sample, g_voices[0].start_sample + c.length);
    }
}

TEST_F(Sound, AccessesOfOneBufferAreSpreadOverTheNext)
{
    EXPECT_TRUE(AllZero(Render(300))); // nothing sounded yet: silence, but the clock runs
    ASSERT_EQ(g_sample_clock, uint64_t(N));

    Pend({300, 150, 0});
    Render(300);
    ASSERT_EQ(g_voices.size(), 3u);
    const uint64_t T = N;
    EXPECT_EQ(g_voices[0].start_sample, T);
    EXPECT_EQ(g_voices[1].start_sample, T + 1365);
    EXPECT_EQ(g_voices[2].start_sample, T + 2730);
    // pitch rises with the square of the value
    EXPECT_DOUBLE_EQ(g_voices[0].frequency, 1320.0);
    EXPECT_DOUBLE_EQ(g_voices[1].frequency, 420.0);
    EXPECT_DOUBLE_EQ(g_voices[2].frequency, 120.0);
    EXPECT_EQ(g_sample_clock, 2 * uint64_t(N));
    EXPECT_TRUE(g_pending_accesses.empty());
}

TEST_F(Sound, FullListReusesAFinishedVoiceFirstThenTheEarliestStart)
{
    // 512 voices sounding into the next buffer, started at scattered times;
    // slot 0 starts late, so that the earliest start lies inside the list
    const uint64_t T = 100000;
    std::vector<ToneVoice> full;
    for (size_t k = 0; k < 512; ++k) {
        const uint64_t start = T - 1000 + (k * 37) % 900 + (k == 0 ? 500 : 0);
        full.push_back(ToneVoice{500.0, start, T + 50 + k, T + 50 + k - start});
    }
    const size_t earliest_slot = 73; // 73 * 37 = 3 * 900 + 1

    struct Case { const char* what; std::vector<size_t> finished; size_t expected_slot; };
    const Case cases[] = {
        {"no voice finished: the earliest start goes", {}, earliest_slot},
        {"a finished voice deep in the list goes first", {300}, 300},
        {"the first of two finished voices goes", {411, 7}, 7},
    };
    for (const Case& c : cases) {
        g_voices = full;
        for (size_t k : c.finished) g_voices[k].end_sample = T - (k % 2); // ended by the buffer's start
        g_sample_clock = T;
        Pend({42});
        Render(100);
        ASSERT_EQ(g_voices.size(), 512u) << c.what;
        for (size_t k = 0; k < 512; ++k) {
            const bool replaced = g_voices[k].start_sample == T && g_voices[k].length == 441;
            EXPECT_EQ(replaced, k == c.expected_slot) << c.what << ", slot " << k;
        }
    }

    // among equal earliest starts the first one goes
    g_voices = full;
    for (size_t k : {20, 30, 40}) g_voices[k].start_sample = 1;
    g_sample_clock = T;
    Pend({42});
    Render(100);
    EXPECT_EQ(g_voices[20].start_sample, T);
    EXPECT_EQ(g_voices[30].start_sample, 1u);
    EXPECT_EQ(g_voices[40].start_sample, 1u);
}

TEST_F(Sound, ListGrowsTo512AndIsThenRecycledInPlace)
{
    g_delay_ms = 1000.0; // tones far longer than a buffer: nothing finishes
    for (int b = 0; b < 3; ++b) {
        for (int i = 0; i < 200; ++i) SoundAccess(static_cast<uint32_t>(i));
        Render(200);
    }
    EXPECT_EQ(g_voices.size(), 512u);
    // the 88 values beyond 512 took the earliest starts, those of the first buffer
    size_t from_first = 0, from_last = 0;
    for (const ToneVoice& v : g_voices) {
        from_first += v.start_sample < uint64_t(N);
        from_last += v.start_sample >= 2 * uint64_t(N);
    }
    EXPECT_EQ(from_first, 112u);
    EXPECT_EQ(from_last, 200u);
}

// The real renderer against the reference on random loads: the same voices,
// clock, level and samples, buffer after buffer.
TEST_F(Sound, MatchesAStraightforwardRendererOnRandomLoads)
{
    std::mt19937 rng(20240611);
    Reference ref;
    const double delays[] = {0.0, 0.1, 1.0, 5.0, 14.142135623730947, 60.0, 400.0};
    const size_t counts[] = {0, 1, 2, 3, 17, 100, 511, 512, 600, 3000, 9000};
    int clamped = 0;
    for (int round = 0; round < 150; ++round) {
        g_delay_ms = delays[rng() % 7];
        g_sound_sustain = 1.0 + (rng() % 40) / 10.0;
        const int32_t max_value = 1 + static_cast<int32_t>(rng() % 2048);
        const size_t count = counts[rng() % 11];
        std::vector<uint32_t> pending;
        for (size_t i = 0; i < count; ++i) pending.push_back(static_cast<uint32_t>(rng() % (max_value + 1)));
        // sometimes a stretch of silence at zero delay lets the level fall far
        if (round % 40 == 39) g_output_level = ref.level = 1e-6;

        for (uint32_t v : pending) SoundAccess(v);
        const std::vector<int16_t> got = Render(max_value);
        const std::vector<int16_t> want = ref.Render(pending, max_value, N);

        ASSERT_EQ(got, want) << "round " << round;
        ASSERT_EQ(g_sample_clock, ref.clock);
        ASSERT_EQ(g_output_level, ref.level) << "round " << round;
        ASSERT_EQ(g_voices.size(), ref.voices.size());
        for (size_t k = 0; k < ref.voices.size(); ++k) {
            ASSERT_EQ(g_voices[k].start_sample, ref.voices[k].start_sample) << "round " << round << " slot " << k;
            ASSERT_EQ(g_voices[k].end_sample, ref.voices[k].end_sample);
            ASSERT_EQ(g_voices[k].length, ref.voices[k].length);
            ASSERT_EQ(g_voices[k].frequency, ref.voices[k].frequency);
        }
        EXPECT_LE(Peak(got), 32200);
        clamped += Peak(got) == 32200;
    }
    EXPECT_GT(clamped, 0); // the loads were loud enough to reach the limit
}

// ---------------------------------------------------------------------------
// Silence, limit and level

TEST_F(Sound, SoundOffGivesZerosAndStopsTheClock)
{
    Pend({10, 20});
    Render(20);
    const uint64_t clock = g_sample_clock;
    g_sound_on = false;
    SoundAccess(20); // not recorded while off
    g_sound_on = true;
    Pend({5});
    g_sound_on = false;
    for (int b = 0; b < 3; ++b) EXPECT_TRUE(AllZero(Render(20)));
    EXPECT_EQ(g_sample_clock, clock);
    EXPECT_EQ(g_pending_accesses, std::vector<uint32_t>{5}); // still there for the next buffer

    // an odd byte count: every byte is written
    std::vector<uint8_t> bytes(7, 0xA5);
    g_sound_on = true;
    SoundRender(20, bytes.data(), 7);
    EXPECT_EQ(bytes[6], 0);
}

TEST_F(Sound, ZeroDelayVoicesTakeSlotsButNeverSound)
{
    g_delay_ms = 0.0;
    for (int b = 0; b < 4; ++b) {
        for (int i = 0; i < 300; ++i) SoundAccess(static_cast<uint32_t>(i));
        EXPECT_TRUE(AllZero(Render(300))) << "buffer " << b;
    }
    // each buffer reuses the slots of the one before: the first value of a
    // buffer starts and ends at its first sample, so the next value takes the
    // same slot again
    EXPECT_EQ(g_voices.size(), 299u);
    for (const ToneVoice& v : g_voices) EXPECT_EQ(v.length, 0u);
    EXPECT_LT(g_output_level, 0.9 * 0.9 * 0.9); // live but silent voices: the level falls
    // the level falls over the silence; once it reaches nothing, the buffer
    // stays silent instead of dividing zero by zero
    g_output_level = 0.0;
    for (int i = 0; i < 10; ++i) SoundAccess(static_cast<uint32_t>(i));
    EXPECT_TRUE(AllZero(Render(300)));
}

TEST_F(Sound, NoSampleBeyondTheLimitHoweverManyVoicesOverlap)
{
    g_delay_ms = 100.0;
    g_output_level = 0.001; // after a long quiet stretch
    const uint64_t T = g_sample_clock;
    g_voices.assign(512, ToneVoice{1320.0, T, T + 8000, 8000});
    const std::vector<int16_t> s = Render(100);
    EXPECT_EQ(*std::max_element(s.begin(), s.end()), 32200);
    EXPECT_EQ(*std::min_element(s.begin(), s.end()), -32200);
    EXPECT_EQ(Peak(s), 32200);
    const std::vector<int16_t> next = Render(100);
    EXPECT_LE(Peak(next), 32200);
}

TEST_F(Sound, LevelFollowsAPeakAtOnceAndFallsByATenthPerBuffer)
{
    g_delay_ms = 100.0;
    const uint64_t T = g_sample_clock;
    // a loud burst: 60 equal voices in step, over by the end of the buffer...
    std::vector<ToneVoice> v(60, ToneVoice{660.0, T, T + 4000, 4000});
    // ...and one quiet long tone that goes on for many buffers
    v.push_back(ToneVoice{440.0, T, T + 20 * uint64_t(N), 20 * uint64_t(N)});
    g_voices = v;

    Render(100);
    const double loud = g_output_level;
    EXPECT_GT(loud, 40.0); // the level took the burst's peak at once

    int previous_peak = 0;
    double level = loud;
    for (int b = 0; b < 8; ++b) {
        const std::vector<int16_t> s = Render(100);
        level *= 0.9;
        EXPECT_DOUBLE_EQ(g_output_level, level) << "buffer " << b;
        // the quiet tone gets louder as the level falls
        EXPECT_GT(Peak(s), previous_peak) << "buffer " << b;
        previous_peak = Peak(s);
    }
}

// What a listener hears of one access of the largest value: one tone at
// 1320 Hz that begins with the next buffer.
TEST_F(Sound, SingleAccessOfTheLargestValueSoundsAt1320Hz)
{
    g_delay_ms = 100.0; // 4410 samples
    Pend({2048});
    std::vector<int16_t> s = Render(2048);
    const std::vector<int16_t> more = Render(2048);
    s.insert(s.end(), more.begin(), more.end());
    EXPECT_EQ(s[0], 0); // the attack starts from nothing at the first sample
    EXPECT_GT(s[1], 0);
    for (size_t k = 4410; k < s.size(); ++k) ASSERT_EQ(s[k], 0) << "sample " << k;

    // rising zero crossings, placed between samples, over the sustained part
    std::vector<double> rising;
    for (size_t k = 600; k < 3000; ++k)
        if (s[k - 1] < 0 && s[k] >= 0)
            rising.push_back(k - 1 + static_cast<double>(-s[k - 1]) / (s[k] - s[k - 1]));
    ASSERT_GE(rising.size(), 50u);
    const double periods = static_cast<double>(rising.size() - 1);
    const double hz = periods * 44100.0 / (rising.back() - rising.front());
    EXPECT_NEAR(hz, 1320.0, 2.0);
    EXPECT_GT(Peak(s), 15000); // clearly audible at the start-up level
}

// A worker recording values while the audio thread renders: every value
// becomes exactly one voice, none lost and none twice.
TEST_F(Sound, ValuesRecordedWhileRenderingAreEachSoundedOnce)
{
    g_delay_ms = 2000.0; // tones that outlast the whole test: no slot is reused
    g_sound_sustain = 10.0;
    const int values = 300;
    Relaxed<bool> done(false);
    std::thread worker([&] {
        for (int i = 0; i < values; ++i) {
            SoundAccess(static_cast<uint32_t>(i));
            if (i % 7 == 0) std::this_thread::yield();
        }
        done = true;
    });
    int buffers = 0;
    while (!done) {
        Render(values);
        ++buffers;
    }
    worker.join();
    Render(values);
    EXPECT_EQ(g_voices.size(), static_cast<size_t>(values));
    EXPECT_TRUE(g_pending_accesses.empty());
    std::vector<bool> seen(values, false);
    for (const ToneVoice& v : g_voices) {
        const int value = static_cast<int>(std::lround(std::sqrt((v.frequency - 120) / 1200) * values));
        ASSERT_GE(value, 0);
        ASSERT_LT(value, values);
        EXPECT_FALSE(seen[value]) << "value " << value << " sounded twice";
        seen[value] = true;
    }
    EXPECT_GE(buffers, 1);
}
