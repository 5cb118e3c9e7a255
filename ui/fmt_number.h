// Numbers in the host's format: its decimal separator (first character of
// the host variable DezTrenn) and its leading-zero switch (bDecLeadingZero).
// Texts and values are the same whatever C locale the process has set.
#pragma once

#include "kw_types.h"

// Room for the longest result: a sign, six integer digits or one digit and a
// three-digit exponent, the separator and 16 fraction digits.
enum { FMT_NUMBER_SIZE = 32 };

// Writes 'value' into out (FMT_NUMBER_SIZE bytes) with |digits| fraction
// digits (at most 16): exponential form above 100000 in magnitude, and for
// a negative 'digits' also for non-zero magnitudes below 0.1; fixed-point
// otherwise.
void FMT_FormatNumber(char* out, double value, int digits);

// The C library writes numbers with the decimal point of the process's
// locale, and any part of the host process may have set that: this turns the
// point of a number the C library wrote back into '.'.
void FMT_PointForLocalePoint(char* text);

// The value of a number typed with a point, a comma or the host's separator,
// as atof reads it; also what FMT_FormatNumber wrote without a leading zero
// ("- ,25" is -0.25). 0 when the text holds no number; NaN or an infinity
// when the text says so or the number is beyond a double. The separators in
// 'text' become points.
double FMT_ParseNumber(char* text);
