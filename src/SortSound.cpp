#include "SortSound.h"

Relaxed<double> g_delay_ms(10.0);
Relaxed<double> g_sound_sustain(2.0);
Relaxed<bool> g_sound_on(false);

std::vector<uint32_t> g_pending_accesses;
wxMutex g_sound_mutex;

void SoundAccess(uint64_t value)
{
    if (!g_sound_on) return;
    wxMutexLocker lock(g_sound_mutex);
    ASSERT(lock.IsOk());
    g_pending_accesses.push_back(static_cast<uint32_t>(value));
}
