// Traces that also show the roles an algorithm paints (its marks and watched
// index variables), and the capture of sounded values.
//
// RoleTrace: before an access token, "m<marks>" when the mark colours changed
// since the last such token, and "v<values>" when the values of the watched
// variables did.
#ifndef QUORVEX_TESTS_ROLETRACE_H
#define QUORVEX_TESTS_ROLETRACE_H

#include <cstdint>
#include <string>
#include <vector>

#include "SortArray.h"
#include "SortSound.h"
#include "Trace.h"

class RoleTrace : public TraceRecorder
{
public:
    explicit RoleTrace(SortArray& array)
        : TraceRecorder(array), m_arr(array), m_marks(MarkText()), m_watches(WatchText())
    {
    }

    void Pace() override
    {
        const size_t before = tokens.size();
        TraceRecorder::Pace();
        if (tokens.size() == before) return; // the second half of a swap

        // the access token is the last one; a comparison token may precede it
        const std::string marks = MarkText(), watches = WatchText();
        if (marks != m_marks) tokens.insert(tokens.end() - 1, "m" + marks);
        if (watches != m_watches) tokens.insert(tokens.end() - 1, "v" + watches);
        m_marks = marks;
        m_watches = watches;
    }

private:
    std::string MarkText() const
    {
        std::string s;
        for (const auto& m : m_arr.m_mark_colours) s += (s.empty() ? "" : ",") + std::to_string(m.load());
        return s;
    }
    std::string WatchText() const
    {
        std::string s;
        for (const WatchEntry& w : m_arr.m_watched)
            s += (s.empty() ? "" : ",") + std::to_string(static_cast<int64_t>(w.variable->load()));
        return s;
    }

    SortArray& m_arr;
    std::string m_marks, m_watches;
};

// While one lives, sound is on and every sounded value is kept: a comparison
// sounds its left operand, then its right one.
class SoundCapture
{
public:
    SoundCapture()
    {
        Clear();
        g_sound_on = true;
    }
    ~SoundCapture()
    {
        g_sound_on = false;
        Clear();
    }

    std::vector<int> Values() const
    {
        wxMutexLocker lock(g_sound_mutex);
        return std::vector<int>(g_pending_accesses.begin(), g_pending_accesses.end());
    }

private:
    static void Clear()
    {
        wxMutexLocker lock(g_sound_mutex);
        g_pending_accesses.clear();
    }
};

// The tokens of TraceRecorder, plus, whenever the marks or the watches differ
// from what the previous paced access saw:
//   m0:4,5:2   position 0 carries mark 4 and position 5 mark 2 (m- nothing marked)
//   W2:0,3:-1  the watch list in order, as colour:position (W- no watches)
// Both go right before the access token of the pacing that first saw them,
// after its comparison token, marks first.
class RoleTraceRecorder : public TraceRecorder
{
public:
    explicit RoleTraceRecorder(SortArray& array, bool watches = false)
        : TraceRecorder(array), m_roles_array(array), m_with_watches(watches)
    {
        m_marks = MarkString();
        m_watches = WatchString();
    }

    void Pace() override
    {
        const size_t before = tokens.size();
        TraceRecorder::Pace();

        std::string roles;
        const std::string marks = MarkString();
        if (marks != m_marks) roles = marks;
        m_marks = marks;
        if (m_with_watches) {
            const std::string watches = WatchString();
            if (watches != m_watches) roles += (roles.empty() ? "" : " ") + watches;
            m_watches = watches;
        }
        if (roles.empty()) return;
        if (tokens.size() > before && tokens.back()[0] != 'c')
            tokens.insert(tokens.end() - 1, roles);
        else
            tokens.push_back(roles);
    }

private:
    std::string MarkString() const
    {
        std::string s;
        for (size_t i = 0; i < m_roles_array.m_mark_colours.size(); ++i) {
            const int c = m_roles_array.m_mark_colours[i].load();
            if (c != 0) s += (s.empty() ? "" : ",") + std::to_string(i) + ":" + std::to_string(c);
        }
        return "m" + (s.empty() ? std::string("-") : s);
    }

    // Read without m_guard: the recorder runs on the thread that changes the list.
    std::string WatchString() const
    {
        std::string s;
        for (const WatchEntry& w : m_roles_array.m_watched) {
            const int64_t pos = static_cast<int64_t>(w.variable->load());
            s += (s.empty() ? "" : ",") + std::to_string(w.colour) + ":" + std::to_string(pos);
        }
        return "W" + (s.empty() ? std::string("-") : s);
    }

    SortArray& m_roles_array;
    bool m_with_watches;
    std::string m_marks, m_watches;
};

#endif
