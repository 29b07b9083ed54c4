// The command line the host starts the program with: exactly 19 characters, the inertia
// factor in characters 1 to 10 and the sensor-to-mass ratio in 11 to 19, each a number in the
// user's locale padded with blanks.
#pragma once

#include <string>
#include <string_view>

namespace frixa {

inline constexpr std::size_t kCommandLineLength = 19;
inline constexpr std::size_t kInertiaFieldLength = 10;

// The user's number conventions, as the platform reports them.
struct NumberLocale {
  char decimalSeparator = '.';
  char groupSeparator = ',';
};

// Converts a field to single precision in the user's locale: blanks around it are ignored,
// group separators between digits are skipped, an exponent (E or D) is allowed. A field that is
// not a number raises error 13 (type mismatch); one outside the single range raises error 6.
// A value too small for a single, however small, is 0 (of its sign).
float ConvertToSingle(std::string_view field, const NumberLocale& locale);

struct HostParameters {
  float inertiaFactor = 0.0f;
  float sensorMassRatio = 0.0f;
};

// Both fields of a 19-character command line; raises as ConvertToSingle does.
HostParameters ParseHostCommandLine(std::string_view commandLine, const NumberLocale& locale);

}  // namespace frixa
