// Helpers for the window suites: pumping the toolkit's events from a test.
#ifndef QUORVEX_TESTS_GUITEST_H
#define QUORVEX_TESTS_GUITEST_H

#include <cstdio>
#include <functional>
#include <vector>

#include <wx/app.h>
#include <wx/log.h>
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

// The log target of the window suites: collects error and warning messages
// instead of showing them in modal message boxes (which would wait for a
// click that never comes), and echoes every message to stderr. Installed by the window test entry.
class TestLog : public wxLog
{
public:
    // The messages logged since the last Clear, messages of the worker
    // thread included.
    static std::vector<wxString> Errors()
    {
        wxLog::FlushActive();
        return Instance().m_errors;
    }
    static void Clear()
    {
        wxLog::FlushActive();
        Instance().m_errors.clear();
    }
    // True if a message beginning with prefix was logged since the last Clear.
    static bool Logged(const wxString& prefix)
    {
        for (const wxString& e : Errors())
            if (e.StartsWith(prefix)) return true;
        return false;
    }

    static TestLog& Instance()
    {
        static TestLog* log = new TestLog; // owned by the log once installed
        return *log;
    }

protected:
    void DoLogRecord(wxLogLevel level, const wxString& msg, const wxLogRecordInfo&) override
    {
        if (level > wxLOG_Info) return;
        std::fprintf(stderr, "[log] %s\n", static_cast<const char*>(msg.utf8_str()));
        if (level <= wxLOG_Warning) m_errors.push_back(msg);
    }

private:
    std::vector<wxString> m_errors;
};

#endif
