// Numbers in the host's format: separator and leading zero as the host sets
// them, fixed-point or exponential by magnitude and the sign of 'digits'.
#include <gtest/gtest.h>

#include <float.h>
#include <math.h>
#include <string.h>

#include "fmt_number.h"
#include "plugin_state.h"

namespace {

struct HostFormat {
    char separator[2];
    HostFormat(char s, u32 leadingZero) : separator{s, 0}
    {
        g_host.DezTrenn = (uintptr_t)separator;
        g_host.bDecLeadingZero = leadingZero;
    }
    ~HostFormat() { g_host.DezTrenn = 0; }
};

std::string Format(double value, int digits)
{
    char out[FMT_NUMBER_SIZE];
    FMT_FormatNumber(out, value, digits);
    return out;
}

TEST(FormatNumber, SeparatorLeadingZeroAndForm)
{
    struct { char separator; u32 leadingZero; double value; int digits; const char* text; } cases[] = {
        {',', 0, 0.25, 2, " ,25"},     {',', 0, -0.25, 2, "- ,25"},   {',', 0, 12.5, 2, "12,50"},
        {'.', 1, 0.25, 2, "0.25"},     {'.', 0, 0.25, 2, " .25"},     {',', 1, -0.25, 2, "-0,25"},
        {'.', 1, 250000.0, 2, "2.50e+05"}, {'.', 1, 100000.0, 2, "100000.00"},  // above 100000 only
        {'.', 1, 0.05, -3, "5.000e-02"}, {'.', 1, 0.05, 3, "0.050"},   {'.', 1, 0.0, -3, "0.000"},
        {'.', 1, 0.1, -2, "0.10"},      {'.', 1, -0.099, -2, "-9.90e-02"},
        {'.', 1, 1.0, 20, "1.0000000000000000"},  // digits above 16 are 16
        {',', 0, 7.0, 0, "7"},          {',', 0, 0.5, 0, "0"},        // no separator to replace
        {';', 1, 1.5, 1, "1;5"},
    };
    for (const auto& c : cases) {
        HostFormat host(c.separator, c.leadingZero);
        EXPECT_EQ(Format(c.value, c.digits), c.text) << c.value << " at " << c.digits;
    }
}

// The longest results still fit the buffer: 16 fraction digits, the largest
// magnitudes, every digits value down to the most negative.
TEST(FormatNumber, NeverPastTheBuffer)
{
    HostFormat host(',', 0);
    for (double v : {-DBL_MAX, DBL_MAX, -99999.9999999999, -DBL_MIN, -0.0, (double)INFINITY, (double)NAN})
        for (int digits : {16, 17, -16, -17, INT32_MIN, INT32_MAX}) {
            char out[FMT_NUMBER_SIZE + 8];
            memset(out, 'x', sizeof out);
            FMT_FormatNumber(out, v, digits);
            EXPECT_LT(strlen(out), (size_t)FMT_NUMBER_SIZE) << v << " at " << digits;
            EXPECT_EQ(out[FMT_NUMBER_SIZE], 'x');
        }
}

TEST(ParseNumber, PointCommaTheHostsSeparatorAndGarbage)
{
    struct { char separator; const char* text; double value; } cases[] = {
        {'.', "1,5", 1.5}, {'.', "1.5", 1.5}, {',', "1,5", 1.5}, {',', "1.5", 1.5}, {';', "1;5", 1.5},
        {';', "1,5", 1.5}, {'.', "  -2.25e1x", -22.5}, {'.', "abc", 0}, {'.', "", 0}, {',', "12 345", 12},
    };
    for (const auto& c : cases) {
        HostFormat host(c.separator, 1);
        char text[32];
        strcpy(text, c.text);
        EXPECT_EQ(FMT_ParseNumber(text), c.value) << c.text << " with '" << c.separator << "'";
    }
}

}  // namespace
