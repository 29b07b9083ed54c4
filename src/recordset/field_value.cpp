// FieldValue: the kinds a field holds, their conversions, and how stored values read as fields.
#include "recordset/field_value.h"

#include <cmath>
#include <limits>
#include <utility>

#include "common/error.h"

namespace frixa {

FieldValue FieldValue::Text(std::string cp1252) {
  FieldValue f;
  f.kind_ = Kind::kText;
  f.text_ = std::move(cp1252);
  return f;
}

double FieldValue::AsDouble() const {
  if (kind_ == Kind::kNull) RaiseRuntimeError(errnum::kInvalidUseOfNull);
  if (kind_ == Kind::kText) RaiseRuntimeError(errnum::kTypeMismatch);
  return number_;
}

float FieldValue::AsSingle() const {
  const double v = AsDouble();
  if (std::isfinite(v) && std::fabs(v) > std::numeric_limits<float>::max()) {
    RaiseRuntimeError(errnum::kOverflow);
  }
  return static_cast<float>(v);
}

std::int32_t FieldValue::AsInteger() const {
  const double v = AsDouble();
  // Banker's rounding, as the runtime converts to whole numbers.
  const double r = std::nearbyint(v);
  if (!std::isfinite(r) || r < -2147483648.0 || r > 2147483647.0) {
    RaiseRuntimeError(errnum::kOverflow);
  }
  return static_cast<std::int32_t>(r);
}

const std::string& FieldValue::AsText() const {
  if (kind_ == Kind::kNull) RaiseRuntimeError(errnum::kInvalidUseOfNull);
  if (kind_ != Kind::kText) RaiseRuntimeError(errnum::kTypeMismatch);
  return text_;
}

FieldValue FieldOf(const jet::Value& value) {
  if (value.IsNull()) return FieldValue();
  if (const auto* v = value.Get<bool>()) return FieldValue::Integer(*v ? -1 : 0);
  if (const auto* v = value.Get<std::int32_t>()) return FieldValue::Integer(*v);
  if (const auto* v = value.Get<jet::Currency>()) {
    return FieldValue::Double(static_cast<double>(v->tenThousandths) / 10000.0);
  }
  if (const auto* v = value.Get<float>()) return FieldValue::Single(*v);
  if (const auto* v = value.Get<double>()) return FieldValue::Double(*v);
  if (const auto* v = value.Get<jet::DateTime>()) return FieldValue::Date(v->days);
  if (const auto* v = value.Get<jet::Text>()) return FieldValue::Text(v->bytes);
  if (const auto* v = value.Get<jet::Binary>()) {
    return FieldValue::Text(std::string(v->bytes.begin(), v->bytes.end()));
  }
  if (const auto* v = value.Get<jet::Guid>()) return FieldValue::Text(jet::FormatGuid(*v));
  return FieldValue();
}

}  // namespace frixa
