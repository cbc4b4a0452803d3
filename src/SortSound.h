// The access sound: every sounded item value becomes a short tone.
#ifndef QUORVEX_SORTSOUND_H
#define QUORVEX_SORTSOUND_H

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

// Hands one sounded value (its low 32 bits) to the renderer; returns at once
// while sound is off.
void SoundAccess(uint64_t value);

#endif
