#pragma once

// How the program writes its numbers as text, whatever the machine's regional settings: "." is
// always the decimal point (text_rules.h reads them).

#include <string>

namespace drawfield {

// Text form of an integer: a blank before a number of 0 or more, "-" before a negative one
// (60 gives " 60", -5 gives "-5").
[[nodiscard]] std::string integerText(long long value);

// Text form of a real: sign as for integers, at most 15 significant digits rounded to nearest,
// trailing zeros and a trailing "." dropped, no zero before the "." below 1 ("-.5"). Magnitudes
// from 1E15 up and below 1E-4 are written as mantissa, "E", sign and at least two exponent digits
// ("-1.5E-07").
[[nodiscard]] std::string realText(double value);

// value with `digits` significant digits as printf's %g gives it ("0.05", "1.5e-07", "250"): the
// one form of the program's messages, reports and labels.
[[nodiscard]] std::string significantText(double value, int digits);

// value with `digits` significant digits without an exponent, trailing zeros dropped: "0.000178"
// for 1.78e-4, "25000" for 2.5e4.
[[nodiscard]] std::string plainSignificantText(double value, int digits);

// Appends realText(value) to out without a temporary string: the record file writes millions.
void appendRealText(std::string& out, double value);
void appendIntegerText(std::string& out, long long value);

} // namespace drawfield
