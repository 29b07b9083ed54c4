// The browser's information labels: see info_display.h.
#include "browser/info_display.h"

#include <charconv>
#include <cmath>

#include "common/number_text.h"

namespace frixa {
namespace {

// The whole and fractional digits of a value of 0 or more rounded to 15 significant digits,
// without an exponent: 1234.5 gives "1234" and "5", 1e-3 "0" and "001".
void SignificantDigits(double magnitude, std::string& whole, std::string& frac) {
  constexpr int kDigits = 15;
  char buf[64];
  const auto res =
      std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific, kDigits - 1);
  const std::string text(buf, res.ptr);  // d.ddddddddddddddde+XX
  const auto e = text.find('e');
  std::string digits = text.substr(0, 1) + text.substr(2, e - 2);
  int exponent = 0;
  std::from_chars(text.data() + e + (text[e + 1] == '+' ? 2 : 1), text.data() + text.size(),
                  exponent);
  if (magnitude == 0.0) exponent = 0;
  if (exponent >= 0) {
    const auto wholeDigits = static_cast<std::size_t>(exponent) + 1;
    if (digits.size() < wholeDigits) digits.resize(wholeDigits, '0');
    whole = digits.substr(0, wholeDigits);
    frac = digits.substr(wholeDigits);
  } else {
    whole = "0";
    frac = std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
  }
}

}  // namespace

std::string FormatFixed(double value, int intDigits, int decimals, char decimalSeparator) {
  if (!std::isfinite(value)) return std::isnan(value) ? "NaN" : value < 0 ? "-Inf" : "Inf";
  const bool negative = std::signbit(value) && value != 0.0;
  const double magnitude = std::fabs(value);
  // The format works on the value's text form, the 15 significant digits of a double (so 1e30
  // is a 1 and thirty zeros, not the binary value's 31 digits); it rounds half away from zero
  // at the last decimal, on those digits.
  std::string whole;
  std::string frac;
  SignificantDigits(magnitude, whole, frac);
  frac.resize(static_cast<std::size_t>(decimals) + 1, '0');
  const bool roundUp = frac[static_cast<std::size_t>(decimals)] >= '5';
  frac.resize(static_cast<std::size_t>(decimals));
  if (roundUp) {
    std::string all = whole + frac;
    int i = static_cast<int>(all.size()) - 1;
    for (; i >= 0; --i) {
      if (all[static_cast<std::size_t>(i)] == '9') {
        all[static_cast<std::size_t>(i)] = '0';
      } else {
        ++all[static_cast<std::size_t>(i)];
        break;
      }
    }
    if (i < 0) all.insert(all.begin(), '1');
    whole = all.substr(0, all.size() - static_cast<std::size_t>(decimals));
    frac = all.substr(all.size() - static_cast<std::size_t>(decimals));
  }
  while (static_cast<int>(whole.size()) < intDigits) whole.insert(whole.begin(), '0');
  while (whole.size() > 1 && static_cast<int>(whole.size()) > intDigits && whole[0] == '0') {
    whole.erase(whole.begin());
  }
  std::string out = negative && (whole.find_first_not_of('0') != std::string::npos ||
                                 frac.find_first_not_of('0') != std::string::npos)
                        ? "-"
                        : "";
  out += whole;
  if (decimals > 0) {
    out += decimalSeparator;
    out += frac;
  }
  return out;
}

std::string DefaultNumberText(float value, char decimalSeparator) {
  std::string text = SignedNumberText(value);
  if (text[0] == ' ') text.erase(0, 1);
  // SignedNumberText drops the 0 before the point; the default form keeps it.
  const std::size_t digitsStart = text[0] == '-' ? 1 : 0;
  if (digitsStart < text.size() && text[digitsStart] == '.') text.insert(digitsStart, "0");
  for (auto& c : text) {
    if (c == '.') c = decimalSeparator;
  }
  return text;
}

InfoDisplay ReadInfoDisplay(const RecordSet& info, char decimalSeparator) {
  InfoDisplay d;
  d.moiApplied = FormatFixed(info.Fields(0).AsDouble(), 2, 7, decimalSeparator) + " Kg/M^2";
  d.ppr = FormatFixed(info.Fields(1).AsDouble(), 1, 7, decimalSeparator);
  d.lowRpm = DefaultNumberText(info.Fields(2).AsSingle(), decimalSeparator) + " RPM";
  d.highRpm = DefaultNumberText(info.Fields(3).AsSingle(), decimalSeparator) + " RPM";
  d.date = info.Fields(4).AsText();
  const FieldValue comment = info.Fields(6);
  d.comment = comment.IsNull() ? "" : comment.AsText();
  return d;
}

}  // namespace frixa
