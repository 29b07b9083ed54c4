// SignedNumberText: how numbers appear in status lines and error messages.
// A leading blank for zero and positive values, a minus sign otherwise; "." as the decimal
// point whatever the locale; whole values without a point; at most 7 (single) or 15 (double)
// significant digits with no trailing zeros and no 0 before the point (0.5 gives " .5").
// Values too large or too small for plain digits take the exponent form (" 1.234568E+07").
#pragma once

#include <charconv>
#include <cstdint>
#include <string>

namespace frixa {

std::string SignedNumberText(float value);
std::string SignedNumberText(double value);
std::string SignedNumberText(std::int32_t value);

// std::from_chars for a double in the C form ("-1.5e-3"), except that a value too small for a
// double ("1e-400") reads as a zero of its sign instead of failing, as one too small for a
// single ("1e-50") becomes 0 when narrowed: an underflow is never an error. A value too large
// still fails with result_out_of_range.
std::from_chars_result ReadDouble(const char* first, const char* last, double& value);

// The digits of a whole value with no sign position (the RPM display's text): 1234.9 -> "1234".
std::string PlainWholeNumberText(double value);

}  // namespace frixa
