// Host command line conversion: see command_line.h.
#include "app/command_line.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "common/error.h"
#include "common/number_text.h"

namespace frixa {
namespace {
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
}  // namespace

float ConvertToSingle(std::string_view field, const NumberLocale& locale) {
  std::size_t first = 0;
  std::size_t last = field.size();
  while (first < last && (field[first] == ' ' || field[first] == '\t')) ++first;
  while (last > first && (field[last - 1] == ' ' || field[last - 1] == '\t')) --last;
  const std::string_view s = field.substr(first, last - first);

  // Rebuild the number in the C form ("-123.45e6") while checking its grammar.
  std::string c;
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) c += s[i++];
  bool digits = false;
  bool point = false;
  for (; i < s.size(); ++i) {
    const char ch = s[i];
    if (IsDigit(ch)) {
      c += ch;
      digits = true;
    } else if (ch == locale.decimalSeparator && !point) {
      c += '.';
      point = true;
    } else if (ch == locale.groupSeparator && !point && digits && i + 1 < s.size() &&
               IsDigit(s[i + 1])) {
      // grouping between digits of the whole part is skipped
    } else {
      break;
    }
  }
  if (!digits) RaiseRuntimeError(errnum::kTypeMismatch);
  if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
    std::string exp = "e";
    std::size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) exp += s[j++];
    const std::size_t expDigitsStart = j;
    while (j < s.size() && IsDigit(s[j])) exp += s[j++];
    if (j == expDigitsStart) RaiseRuntimeError(errnum::kTypeMismatch);
    c += exp;
    i = j;
  }
  if (i != s.size()) RaiseRuntimeError(errnum::kTypeMismatch);

  double value = 0.0;
  const char* begin = c.c_str();
  if (*begin == '+') ++begin;
  const auto res = ReadDouble(begin, c.c_str() + c.size(), value);
  if (res.ec == std::errc::result_out_of_range) RaiseRuntimeError(errnum::kOverflow);
  if (res.ec != std::errc()) RaiseRuntimeError(errnum::kTypeMismatch);
  if (!std::isfinite(value) || std::fabs(value) > std::numeric_limits<float>::max()) {
    RaiseRuntimeError(errnum::kOverflow);
  }
  return static_cast<float>(value);
}

HostParameters ParseHostCommandLine(std::string_view commandLine, const NumberLocale& locale) {
  HostParameters p;
  p.inertiaFactor = ConvertToSingle(commandLine.substr(0, kInertiaFieldLength), locale);
  p.sensorMassRatio = ConvertToSingle(commandLine.substr(kInertiaFieldLength), locale);
  return p;
}

}  // namespace frixa
