#include "Assertion.h"

#include <cstdio>
#include <cstdlib>

#include <wx/log.h>
#include <wx/thread.h>

void ReportAssertion(const char* condition, const char* file, int line)
{
    wxLogError("Assertion failed:\n%s in %s:%d", condition, file, line);
    wxLog::FlushActive();
    // The toolkit's log queues messages of other threads for the GUI thread,
    // which would never show them before the abort: say it on stderr too.
    if (!wxThread::IsMain())
        std::fprintf(stderr, "Assertion failed:\n%s in %s:%d\n", condition, file, line);
    std::abort();
}
