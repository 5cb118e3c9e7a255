// Number formatting and parsing on any input: every digits value, any double
// and any separator into a buffer of exactly the documented size, and any
// text parsed in place; the sanitizers see any write past either buffer.
// What is shown reads back as the same value whatever the host's separator
// and leading-zero switch.
#include <ctype.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "fmt_number.h"
#include "plugin_state.h"

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size)
{
    if (size < 14) return 0;
    char separator[2] = {(char)data[0], 0};
    g_host.DezTrenn = (uintptr_t)separator;
    g_host.bDecLeadingZero = data[1] & 1;
    int digits;
    double value;
    memcpy(&digits, data + 2, sizeof digits);
    memcpy(&value, data + 6, sizeof value);
    if (data[1] & 2) digits = (int)(data[2] % 41) - 20;  // mostly the meaningful range
    char* out = (char*)malloc(FMT_NUMBER_SIZE);
    FMT_FormatNumber(out, value, digits);
    if (!memchr(out, 0, FMT_NUMBER_SIZE)) abort();
    // A separator that cannot be read as part of a number.
    if (isfinite(value) && ispunct((unsigned char)separator[0]) && separator[0] != '+' && separator[0] != '-') {
        double shown = FMT_ParseNumber(out);
        char plain[2] = ".";
        g_host.DezTrenn = (uintptr_t)plain;
        g_host.bDecLeadingZero = 1;
        FMT_FormatNumber(out, value, digits);
        if (FMT_ParseNumber(out) != shown) abort();
        g_host.DezTrenn = (uintptr_t)separator;
    }
    free(out);

    size_t n = size - 14;
    char* text = (char*)malloc(n + 1);
    memcpy(text, data + 14, n);
    text[n] = 0;
    FMT_ParseNumber(text);
    free(text);
    return 0;
}
