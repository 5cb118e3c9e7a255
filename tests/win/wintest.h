// Minimal test harness for Windows programs run under Wine: plain ok() checks
// in the manner of Wine's own tests. A program's main() ends with
// wintest_finish(), whose result is the process exit code.
#pragma once

#include <stdarg.h>
#include <stdio.h>

static int wintest_failures;
static int wintest_checks;

#define ok(cond, ...) wintest_ok((cond) != 0, __FILE__, __LINE__, __VA_ARGS__)

// Returns the outcome, so a check can guard what depends on it.
static inline int wintest_ok(int passed, const char* file, int line, const char* fmt, ...)
{
    ++wintest_checks;
    if (passed) return 1;
    ++wintest_failures;
    va_list args;
    va_start(args, fmt);
    fprintf(stdout, "%s:%d: Test failed: ", file, line);
    vfprintf(stdout, fmt, args);
    fputc('\n', stdout);
    va_end(args);
    fflush(stdout);
    return 0;
}

static inline int wintest_finish(const char* name)
{
    printf("%s: %d checks, %d failures\n", name, wintest_checks, wintest_failures);
    fflush(stdout);
    return wintest_failures ? 1 : 0;
}
