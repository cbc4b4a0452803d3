// Helpers for the window suites: pumping the toolkit's events from a test.
#ifndef QUORVEX_TESTS_GUITEST_H
#define QUORVEX_TESTS_GUITEST_H

#include <functional>

#include <wx/app.h>
#include <wx/stopwatch.h>
#include <wx/utils.h>

// Processes pending and windowing-system events for about ms milliseconds.
inline void PumpEvents(long ms)
{
    wxStopWatch sw;
    do {
        wxTheApp->ProcessPendingEvents();
        wxYield();
        wxMilliSleep(2);
    } while (sw.Time() < ms);
}

// Pumps events until done() holds or timeout_ms has passed; returns done().
inline bool PumpUntil(const std::function<bool()>& done, long timeout_ms)
{
    wxStopWatch sw;
    while (!done() && sw.Time() < timeout_ms) {
        wxTheApp->ProcessPendingEvents();
        wxYield();
        wxMilliSleep(2);
    }
    return done();
}

#endif
