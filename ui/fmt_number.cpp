#include "fmt_number.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "plugin_state.h"

enum { MAX_DIGITS = 16 };

static char HostSeparator(void)
{
    const char* separator = (const char*)g_host.DezTrenn;
    return separator ? separator[0] : '.';
}

void FMT_FormatNumber(char* out, double value, int digits)
{
    if (digits > MAX_DIGITS) digits = MAX_DIGITS;
    // The buffer is sized for 16 fraction digits in either direction.
    int precision = digits < -MAX_DIGITS ? MAX_DIGITS : abs(digits);
    double magnitude = fabs(value);
    bool exponential = magnitude > 100000.0 || (digits < 0 && value != 0 && magnitude < 0.1);
    char format[8];
    snprintf(format, sizeof format, "%%.%d%c", precision, exponential ? 'e' : 'f');
    snprintf(out, FMT_NUMBER_SIZE, format, value);

    if (!g_host.bDecLeadingZero && strlen(out) > 2) {
        if (out[0] == '0' && out[1] == '.') out[0] = ' ';
        else if (out[0] == '-' && out[1] == '0' && out[2] == '.') out[1] = ' ';
    }
    char separator = HostSeparator();
    if (separator != '.' && separator != 0) {
        char* point = strchr(out, '.');
        if (point) *point = separator;
    }
}

double FMT_ParseNumber(char* text)
{
    char separator = HostSeparator();
    bool ownSeparator = separator != '.' && separator != ',' && separator != 0;
    for (char* p = text; *p; ++p)
        if (*p == ',' || (ownSeparator && *p == separator)) *p = '.';
    return atof(text);
}
