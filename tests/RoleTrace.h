// A trace that also shows the roles an algorithm paints: before an access
// token, "m<marks>" when the mark colours changed since the last such token,
// and "v<values>" when the values of the watched variables did.
#ifndef QUORVEX_TESTS_ROLETRACE_H
#define QUORVEX_TESTS_ROLETRACE_H

#include <string>

#include "SortArray.h"
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

#endif
