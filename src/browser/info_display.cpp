// The browser's information labels: see info_display.h.
#include "browser/info_display.h"

#include <charconv>
#include <cmath>

#include "common/number_text.h"

namespace frixa {

std::string FormatFixed(double value, int intDigits, int decimals, char decimalSeparator) {
  const bool negative = std::signbit(value) && value != 0.0;
  double magnitude = std::fabs(value);
  // Round half away from zero at the last decimal, on the decimal digits of the value.
  char buf[512];
  auto res = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::fixed, decimals + 25);
  std::string digits(buf, res.ptr);
  const auto point = digits.find('.');
  std::string whole = digits.substr(0, point);
  std::string frac = digits.substr(point + 1);
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
