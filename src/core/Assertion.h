// The program-wide report for a broken internal invariant.
#ifndef QUORVEX_ASSERTION_H
#define QUORVEX_ASSERTION_H

// Logs "Assertion failed:\n<condition> in <file>:<line>" at error level,
// flushes the log so that it is shown, and aborts the process.
[[noreturn]] void ReportAssertion(const char* condition, const char* file, int line);

// Internal invariants only: no user input ever reaches an ASSERT.
#define ASSERT(cond)                                                      \
    do {                                                                  \
        if (!(cond)) ReportAssertion(#cond, __FILE__, __LINE__);          \
    } while (0)

#endif
