// Conversion of assigned values to column types; see field_convert.h.
#include "recordset/field_convert.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string_view>

#include "common/error.h"
#include "common/number_text.h"
#include "jet/date_time.h"

namespace frixa {

namespace {

using jet::ColumnType;

DateTextFormatter& Formatter() {
  static DateTextFormatter formatter;
  return formatter;
}

std::string DefaultDateText(double days) {
  const jet::CivilTime t = jet::CivilFromDays(days);
  return std::to_string(t.month) + "/" + std::to_string(t.day) + "/" + std::to_string(t.year);
}

[[noreturn]] void NoConversion() { RaiseJetError(errnum::kJetConversionError); }
[[noreturn]] void OutOfRange() { RaiseJetError(errnum::kJetNumericOverflow); }

// The number a field value stands for: numbers and dates as they are, text when it is a
// number (blanks around it allowed, "." as decimal point).
double NumberOf(const FieldValue& v) {
  switch (v.kind()) {
    case FieldValue::Kind::kInteger:
    case FieldValue::Kind::kSingle:
    case FieldValue::Kind::kDouble:
    case FieldValue::Kind::kDate: return v.AsDouble();
    case FieldValue::Kind::kText: {
      std::string_view s = v.AsText();
      while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
      while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
      if (!s.empty() && s.front() == '+') s.remove_prefix(1);
      double d = 0;
      const auto res = ReadDouble(s.data(), s.data() + s.size(), d);
      if (s.empty() || res.ec != std::errc() || res.ptr != s.data() + s.size() || !std::isfinite(d)) {
        NoConversion();
      }
      return d;
    }
    case FieldValue::Kind::kNull: break;
  }
  NoConversion();
}

std::int64_t WholeNumber(double d, double lo, double hi) {
  const double r = std::nearbyint(d);  // halves to even
  if (!std::isfinite(r) || r < lo || r > hi) OutOfRange();
  return static_cast<std::int64_t>(r);
}

}  // namespace

void SetDateTextFormatter(DateTextFormatter formatter) { Formatter() = std::move(formatter); }

std::string DateText(double days) {
  const DateTextFormatter& f = Formatter();
  return f ? f(days) : DefaultDateText(days);
}

std::string NumberText(const FieldValue& number) {
  std::string text;
  switch (number.kind()) {
    case FieldValue::Kind::kInteger: return std::to_string(number.AsInteger());
    case FieldValue::Kind::kSingle: text = SignedNumberText(number.AsSingle()); break;
    default: text = SignedNumberText(number.AsDouble()); break;
  }
  if (!text.empty() && text.front() == ' ') text.erase(0, 1);
  const std::size_t digits = text.front() == '-' ? 1 : 0;
  if (text.size() > digits && text[digits] == '.') text.insert(digits, "0");
  return text;
}

jet::FixedNumber ToFixedNumber(double number, jet::ColumnType type) {
  jet::FixedNumber f;
  f.present = true;
  switch (type) {
    case ColumnType::kByte: f.whole = WholeNumber(number, 0, 255); break;
    case ColumnType::kInteger: f.whole = WholeNumber(number, -32768, 32767); break;
    case ColumnType::kLong: f.whole = WholeNumber(number, -2147483648.0, 2147483647.0); break;
    case ColumnType::kCurrency: f.whole = WholeNumber(number * 10000.0, -9.2e18, 9.2e18); break;
    case ColumnType::kSingle:
      if (std::fabs(number) > std::numeric_limits<float>::max()) OutOfRange();
      f.real = static_cast<float>(number);
      break;
    case ColumnType::kDouble:
    case ColumnType::kDateTime: f.real = number; break;
    default: NoConversion();
  }
  return f;
}

jet::Value ToColumnValue(const FieldValue& value, const jet::ColumnDef& column) {
  if (value.IsNull()) return jet::Value();
  const bool isText = value.kind() == FieldValue::Kind::kText;
  switch (column.Type()) {
    case ColumnType::kBoolean: {
      if (isText) {
        const std::string& s = value.AsText();
        if (s == "True" || s == "true" || s == "TRUE") return jet::Value(true);
        if (s == "False" || s == "false" || s == "FALSE") return jet::Value(false);
      }
      return jet::Value(NumberOf(value) != 0);
    }
    case ColumnType::kByte:
    case ColumnType::kInteger:
    case ColumnType::kLong:
      return jet::Value(static_cast<std::int32_t>(ToFixedNumber(NumberOf(value), column.Type()).whole));
    case ColumnType::kCurrency: return jet::Value(jet::Currency{ToFixedNumber(NumberOf(value), column.Type()).whole});
    case ColumnType::kSingle:
      return jet::Value(static_cast<float>(ToFixedNumber(NumberOf(value), column.Type()).real));
    case ColumnType::kDouble: return jet::Value(NumberOf(value));
    case ColumnType::kDateTime:
      if (isText) NoConversion();
      return jet::Value(jet::DateTime{NumberOf(value)});
    case ColumnType::kText:
    case ColumnType::kMemo:
      if (isText) return jet::Value(jet::Text{value.AsText()});
      if (value.kind() == FieldValue::Kind::kDate) return jet::Value(jet::Text{DateText(value.AsDouble())});
      return jet::Value(jet::Text{NumberText(value)});
    case ColumnType::kBinary:
    case ColumnType::kOle: {
      if (!isText) NoConversion();
      const std::string& s = value.AsText();
      return jet::Value(jet::Binary{std::vector<std::uint8_t>(s.begin(), s.end())});
    }
    default: NoConversion();
  }
}

}  // namespace frixa
