// The access sound: every sounded item value becomes a short tone.
#ifndef QUORVEX_SORTSOUND_H
#define QUORVEX_SORTSOUND_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include <wx/thread.h>

#include "SortArray.h"

// Settings written by the main window, read by the worker and the audio thread.
extern Relaxed<double> g_delay_ms;      // milliseconds per paced access
extern Relaxed<double> g_sound_sustain; // tone length as a multiple of the delay
extern Relaxed<bool> g_sound_on;        // sound output enabled

// Values sounded since the audio thread last took them; guarded by g_sound_mutex.
extern std::vector<uint32_t> g_pending_accesses;
extern wxMutex g_sound_mutex;

// One sounding tone, on the time axis of g_sample_clock.
struct ToneVoice
{
    double frequency;      // Hz
    uint64_t start_sample; // first sample of the tone
    uint64_t end_sample;   // one past its last sample: start_sample + length
    uint64_t length;       // in samples
};

// The output stream's format: 44100 samples per second, one channel.
constexpr double SOUND_SAMPLE_RATE = 44100.0;
// The voice list never grows beyond this; afterwards voices are reused.
constexpr size_t MAX_VOICES = 512;
// No output sample exceeds this magnitude.
constexpr int SOUND_CLAMP = 32200;

// The renderer's state, touched only by the audio thread and by SoundReset.
extern std::vector<ToneVoice> g_voices;
extern uint64_t g_sample_clock; // samples rendered since the last SoundReset
extern double g_output_level;   // the mixer's running normalisation level

// Hands one sounded value (its low 32 bits) to the renderer; returns at once
// while sound is off.
void SoundAccess(uint64_t value);

// Forgets every voice and restarts the sample clock; pending values and the
// level stay. Called while the audio device is paused.
void SoundReset();

// The tone's shape, as pure functions. x is the position within the tone
// (0 at its start, towards 1 at its end); p is the phase within one period,
// in [0, 1).
double ToneEnvelope(double x);
double ToneTriangle(double p);
// The value of a voice r samples after its start, before mixing.
double ToneSample(const ToneVoice& voice, double r);

// Adds the voice's samples first to last - 1 of the buffer that begins at
// sample clock T to W: W[j] += ToneSample(voice, T + j - start), exactly.
void SoundMixVoice(const ToneVoice& voice, uint64_t T, uint64_t first, uint64_t last, double* W);

// Turns sounded values into voices starting in the buffer of n samples that
// begins at sample clock T, the i-th of count at T + i * (n / count); each one
// takes the first voice finished by T, else the one that started first once
// the list is full, else a new entry. Used by SoundRender.
void SoundPlaceVoices(const uint32_t* values, size_t count, int32_t max_value,
                      uint64_t T, int n);

// Fills one buffer of len bytes with signed 16-bit little-endian mono
// samples: the pending values become voices (pitch scaled by max_value, the
// array's largest value), the live voices are mixed, levelled and limited.
// The sound mutex is held only to take the pending values, so a worker
// recording a value waits for no more than one append.
void SoundRender(int32_t max_value, uint8_t* stream, int len);

// The audio device's callback; udata is the array view whose largest value
// scales the pitch. Defined with the windows.
void SoundCallback(void* udata, uint8_t* stream, int len);

#endif
