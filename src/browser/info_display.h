// How the browser shows a calibration file's information record: the five value labels and
// the comment, taken from the Info row by position (2 is the lowest RPM, 3 the highest, whatever
// the columns are called).
#pragma once

#include <string>

#include "recordset/record_set.h"

namespace frixa {

inline constexpr const char* kNoFileSelected = "No File Selected";

struct InfoDisplay {
  std::string moiApplied;  // "00.0000000" + " Kg/M^2"
  std::string ppr;         // "0.0000000"
  std::string lowRpm;      // default number text + " RPM"
  std::string highRpm;
  std::string date;        // as stored
  std::string comment;     // as stored
};

// Formats `value` with at least `intDigits` digits before the decimal separator and exactly
// `decimals` after it, rounded half away from zero: (1.5, 2, 7) -> "01.5000000". As the
// platform's format does, it works on the value's 15 significant digits: 1e30 gives a 1, thirty
// zeros and the decimals. Infinities and NaN give "Inf", "-Inf" and "NaN".
std::string FormatFixed(double value, int intDigits, int decimals, char decimalSeparator);

// The default number-to-text form of a single: up to 7 significant digits, no trailing zeros,
// no thousands separator, a 0 before the separator below 1 ("0.5"), exponent form where the
// plain form would not do.
std::string DefaultNumberText(float value, char decimalSeparator);

// Reads fields 0 to 4 and 6 of the record set's current row. Raises as the record set does
// (3021 without a current row, 94 for a null where a number is shown).
InfoDisplay ReadInfoDisplay(const RecordSet& info, char decimalSeparator);

}  // namespace frixa
