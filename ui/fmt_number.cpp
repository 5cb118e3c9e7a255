#include "fmt_number.h"

#include <locale.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "plugin_state.h"

enum { MAX_DIGITS = 16, PARSE_SIZE = 512 };

static char HostSeparator(void)
{
    const char* separator = (const char*)g_host.DezTrenn;
    return separator ? separator[0] : '.';
}

static bool IsDigit(char c) { return c >= '0' && c <= '9'; }
static bool IsLetter(char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }

// Whatever stands between the whole digits and the fraction digits (one or
// more bytes) becomes '.'.
void FMT_PointForLocalePoint(char* text)
{
    char* point = text + (text[0] == '-');
    char* whole = point;
    while (IsDigit(*point)) ++point;
    char* fraction = point;
    while (*fraction && !IsDigit(*fraction) && !IsLetter(*fraction)) ++fraction;
    if (point == whole || fraction == point || !IsDigit(*fraction)) return;
    *point = '.';
    memmove(point + 1, fraction, strlen(fraction) + 1);
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
    FMT_PointForLocalePoint(out);

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

// strtod reads the decimal point of the process's locale: the text goes to
// it with its first '.' in that form. Blanks between a sign and the point
// are dropped, so that the formatter's own "- .25" (no leading zero) reads
// as -0.25. Texts are read to PARSE_SIZE - 1 characters.
static double ReadNumber(const char* text)
{
    const char* localePoint = localeconv()->decimal_point;
    if (!localePoint || !localePoint[0]) localePoint = ".";
    char number[PARSE_SIZE];
    size_t n = 0;
    const char* p = text;
    while (*p == ' ' || *p == '\t') ++p;
    if (*p == '-' || *p == '+') {
        number[n++] = *p++;
        const char* blanks = p;
        while (*blanks == ' ') ++blanks;
        if (*blanks == '.') p = blanks;
    }
    bool pointDone = false;
    for (; *p && n + 1 < sizeof number; ++p) {
        if (*p != '.' || pointDone) {
            number[n++] = *p;
            continue;
        }
        pointDone = true;
        for (const char* l = localePoint; *l && n + 1 < sizeof number; ++l) number[n++] = *l;
    }
    number[n] = 0;
    return strtod(number, nullptr);
}

double FMT_ParseNumber(char* text)
{
    char separator = HostSeparator();
    bool ownSeparator = separator != '.' && separator != ',' && separator != 0;
    for (char* p = text; *p; ++p)
        if (*p == ',' || (ownSeparator && *p == separator)) *p = '.';
    return ReadNumber(text);
}
