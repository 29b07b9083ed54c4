// Room recordset/: may include common/, platform/, jet/, run/.
// The value of one field as the record sets hand it out and take it in, and how a stored value
// reads as one.
#pragma once

#include <cstdint>
#include <string>

#include "jet/value.h"

namespace frixa {

// One field of the current row: null, or a value of one of the kinds the tables hold.
// Integer stands for Byte, Integer, Long and Boolean (True = -1) columns; Currency reads as
// Double; Text keeps the file's cp1252 bytes; a Date is the Jet day number.
class FieldValue {
 public:
  enum class Kind { kNull, kInteger, kSingle, kDouble, kText, kDate };

  FieldValue() = default;
  static FieldValue Integer(std::int32_t v) { return FieldValue(Kind::kInteger, v); }
  static FieldValue Single(float v) { return FieldValue(Kind::kSingle, v); }
  static FieldValue Double(double v) { return FieldValue(Kind::kDouble, v); }
  static FieldValue Text(std::string cp1252);
  static FieldValue Date(double days) { return FieldValue(Kind::kDate, days); }

  Kind kind() const { return kind_; }
  bool IsNull() const { return kind_ == Kind::kNull; }

  // The value as the given kind. Null raises 94 (invalid use of Null); text raises 13 (type
  // mismatch) for the numeric accessors. Numbers convert between each other as the runtime
  // does when it assigns them (AsSingle rounds a Double to single precision).
  std::int32_t AsInteger() const;
  float AsSingle() const;
  double AsDouble() const;
  const std::string& AsText() const;  // raises 13 for a non-text value

  friend bool operator==(const FieldValue&, const FieldValue&) = default;

 private:
  FieldValue(Kind kind, double number) : kind_(kind), number_(number) {}
  Kind kind_ = Kind::kNull;
  double number_ = 0;  // integer, single (exactly widened), double or date
  std::string text_;
};

// The field a value stored in a row reads as: Boolean as Integer (True = -1), Currency as
// Double, Binary as Text of its bytes, a GUID as its text in braces.
FieldValue FieldOf(const jet::Value& value);

}  // namespace frixa
