// Numbers in the host's format: separator and leading zero as the host sets
// them, fixed-point or exponential by magnitude and the sign of 'digits';
// the same texts and values whatever C locale the process has set.
#include <gtest/gtest.h>

#include <locale.h>
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

// A host process on a German Windows often sets its C locale: every case
// runs in the C locale and in a German one (tools/setup.sh generates it).
template <class Check>
void InEachLocale(Check check)
{
    for (const char* locale : {"C", "de_DE.UTF-8"}) {
        if (setlocale(LC_ALL, locale)) check(locale);
        else ADD_FAILURE() << "no locale " << locale << ": run tools/setup.sh";
    }
    setlocale(LC_ALL, "C");
}

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
        {';', 1, 1.5, 1, "1;5"},         {',', 1, -123456.0, 2, "-1,23e+05"},
    };
    InEachLocale([&](const char* locale) {
        for (const auto& c : cases) {
            HostFormat host(c.separator, c.leadingZero);
            EXPECT_EQ(Format(c.value, c.digits), c.text) << c.value << " at " << c.digits << " in " << locale;
        }
    });
}

// The formatter's own texts without a leading zero read back; words and
// numbers beyond a double give NaN or an infinity for the caller to refuse.
TEST(ParseNumber, PointCommaTheHostsSeparatorAndGarbage)
{
    struct { char separator; const char* text; double value; } cases[] = {
        {'.', "1,5", 1.5}, {'.', "1.5", 1.5}, {',', "1,5", 1.5}, {',', "1.5", 1.5}, {';', "1;5", 1.5},
        {';', "1,5", 1.5}, {'.', "  -2.25e1x", -22.5}, {'.', "abc", 0}, {'.', "", 0}, {',', "12 345", 12},
        {',', "- ,25", -0.25}, {'.', "- .25", -0.25}, {',', " ,25", 0.25}, {'.', "-  .5", -0.5},
        {'.', "- 5", 0}, {'.', "1.23e+05", 123000}, {'.', "nan", NAN}, {'.', "-inf", -INFINITY},
        {',', "1e999", INFINITY},
    };
    InEachLocale([&](const char* locale) {
        for (const auto& c : cases) {
            HostFormat host(c.separator, 1);
            char text[32];
            strcpy(text, c.text);
            double value = FMT_ParseNumber(text);
            EXPECT_TRUE(value == c.value || (isnan(value) && isnan(c.value)))
                << c.text << " with '" << c.separator << "' in " << locale << ": " << value;
        }
    });
}

}  // namespace
