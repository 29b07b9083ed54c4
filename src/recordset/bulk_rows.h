// Room recordset/: may include common/, platform/, jet/, run/.
// Rows of numbers appended and read in bulk: the number of one field (RowNumber), and the block
// in which a command appending in a loop gathers rows (RowBlock). Record sets take and give them
// through RecordSet::AppendRows and RecordSet::NumberScan (record_set.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <span>
#include <vector>

#include "recordset/field_value.h"

namespace frixa {

class RecordSet;

// A number of a row appended or read in bulk (RecordSet::AppendRow, RecordSet::NumberScan):
// null, or a value of one of FieldValue's number kinds, without FieldValue's text.
class RowNumber {
 public:
  RowNumber() = default;
  static RowNumber Integer(std::int32_t v) { return RowNumber(FieldValue::Kind::kInteger, v); }
  static RowNumber Single(float v) { return RowNumber(FieldValue::Kind::kSingle, v); }
  static RowNumber Double(double v) { return RowNumber(FieldValue::Kind::kDouble, v); }
  static RowNumber Date(double days) { return RowNumber(FieldValue::Kind::kDate, days); }
  // The number a field holds; raises 13 (type mismatch) for text.
  static RowNumber Of(const FieldValue& value);

  FieldValue::Kind kind() const { return kind_; }
  bool IsNull() const { return kind_ == FieldValue::Kind::kNull; }
  // As FieldValue's: null raises 94.
  double AsDouble() const;
  FieldValue ToField() const;

  friend bool operator==(const RowNumber&, const RowNumber&) = default;

 private:
  RowNumber(FieldValue::Kind kind, double number) : kind_(kind), number_(number) {}
  FieldValue::Kind kind_ = FieldValue::Kind::kNull;
  double number_ = 0;
};

// Rows of a "Select *" record set's table gathered so that a command appending in a loop hands
// them to AppendRows a block at a time. Rows still gathered when the block goes are not stored.
class RowBlock {
 public:
  RowBlock(RecordSet& rs, std::size_t width, std::size_t rows = 256);
  // Gathers a row of `width` numbers; stores the block when it is full.
  void Add(std::initializer_list<RowNumber> row);
  // Appends what is gathered: AppendRows's errors, with the rows before a failing one stored.
  void Store();

  // Told the rows of each block once they are stored, or that a block failed (some of its
  // rows may be stored).
  std::function<void(std::span<const RowNumber>)> onStored;
  std::function<void()> onFailed;

 private:
  RecordSet& rs_;
  std::size_t width_;
  std::size_t capacity_;
  std::vector<RowNumber> rows_;
};

}  // namespace frixa
