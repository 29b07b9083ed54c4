// Number text for status lines: see number_text.h.
#include "common/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace frixa {
namespace {

// Formats |value| with `precision` significant digits in the general form: plain digits when
// the decimal exponent lies in [-4, precision), otherwise mantissa and "E+dd".
template <typename T>
std::string GeneralText(T value, int precision) {
  if (value == T(0) || std::isnan(value)) {
    return value == T(0) ? " 0" : " NaN";
  }
  const bool negative = std::signbit(value);
  const T magnitude = std::fabs(value);
  std::string out(1, negative ? '-' : ' ');
  if (std::isinf(magnitude)) {
    out += "Inf";
    return out;
  }

  // d.ddddddde+XX with exactly `precision` significant digits, rounded to nearest.
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific,
                                 precision - 1);
  const std::string sci(buf, res.ptr);
  const auto epos = sci.find('e');
  std::string digits;
  for (std::size_t i = 0; i < epos; ++i) {
    if (sci[i] != '.') digits += sci[i];
  }
  const int exponent = std::atoi(sci.c_str() + epos + 1);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  if (exponent < -4 || exponent >= precision) {
    // Exponent form: 1.234568E+07, 1E-05.
    out += digits[0];
    if (digits.size() > 1) {
      out += '.';
      out.append(digits, 1, std::string::npos);
    }
    out += 'E';
    out += exponent < 0 ? '-' : '+';
    const int e = std::abs(exponent);
    if (e < 10) out += '0';
    out += std::to_string(e);
    return out;
  }

  if (exponent >= 0) {
    const auto intDigits = static_cast<std::size_t>(exponent) + 1;
    if (digits.size() <= intDigits) {
      out += digits;
      out.append(intDigits - digits.size(), '0');
    } else {
      out.append(digits, 0, intDigits);
      out += '.';
      out.append(digits, intDigits, std::string::npos);
    }
  } else {
    out += '.';
    out.append(static_cast<std::size_t>(-exponent - 1), '0');
    out += digits;
  }
  return out;
}

}  // namespace

std::string SignedNumberText(float value) { return GeneralText(value, 7); }
std::string SignedNumberText(double value) { return GeneralText(value, 15); }

std::string SignedNumberText(std::int32_t value) {
  return (value < 0 ? "" : " ") + std::to_string(value);
}

std::from_chars_result ReadDouble(const char* first, const char* last, double& value) {
  std::from_chars_result res = std::from_chars(first, last, value);
  if (res.ec != std::errc::result_out_of_range) return res;
  // Out of range: too small when the first significant digit stands after the point.
  const char* p = first;
  const bool negative = p != res.ptr && *p == '-';
  if (p != res.ptr && (*p == '-' || *p == '+')) ++p;
  long long order = 0;  // the position of the first significant digit, 1 for the units
  bool significant = false;
  for (; p != res.ptr && *p >= '0' && *p <= '9'; ++p) {
    if (*p != '0') significant = true;
    if (significant) ++order;
  }
  if (p != res.ptr && *p == '.') {
    for (++p; p != res.ptr && *p >= '0' && *p <= '9'; ++p) {
      if (significant) continue;
      if (*p != '0') significant = true;
      else --order;
    }
  }
  if (p != res.ptr && (*p == 'e' || *p == 'E')) {
    ++p;
    const bool negativeExponent = p != res.ptr && *p == '-';
    if (p != res.ptr && (*p == '-' || *p == '+')) ++p;
    long long exponent = 0;
    for (; p != res.ptr && *p >= '0' && *p <= '9'; ++p) {
      if (exponent < 100000) exponent = exponent * 10 + (*p - '0');
    }
    order += negativeExponent ? -exponent : exponent;
  }
  if (order < 0) {
    value = negative ? -0.0 : 0.0;
    res.ec = std::errc();
  }
  return res;
}

std::string PlainWholeNumberText(double value) {
  return std::to_string(static_cast<long long>(std::floor(value)));
}

}  // namespace frixa
