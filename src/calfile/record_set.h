// The record-set holder through which the commands reach the calibration databases, in the
// manner of a bound Data control: set the database name and the statement, Refresh, then read
// rows in order with Fields(position), EOF and MoveNext.
//
//   RecordSet pd;
//   pd.SetDatabaseName(file);
//   pd.SetRecordSource("Select * from PointData where PointRPM=" + SignedNumberText(rpm));
//   pd.Refresh();
//   if (pd.RecordCount() == 1) { float kw = pd.Fields(1).AsSingle(); ... }
//
// Refresh reads the file anew each time, so rows saved since the last Refresh are seen. The
// file is held only during Refresh; an empty database name releases the record set without an
// error. Statements: see statement.h. Table and column names match without regard to letter
// case. Errors are frixa::Error with the Jet engine's numbers: 3024, 3051, 3343, 3049 and 3078
// from opening (jet/database.h), the statement's syntax errors, 3061 for a column the table
// lacks, 3464 for a criterion or average on a column that is not a number, 3021 when there is
// no current row, 3265 for a field position out of range, 91 before any successful Refresh.
//
// The writing side (AddNew, Edit, Update, Delete and field assignment) builds on this class:
// each row keeps the location of its slot in the file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "jet/table_scan.h"

namespace frixa {

// One field of the current row: null, or a value of one of the kinds the tables hold.
// Integer stands for Byte, Integer, Long and Boolean (True = -1) columns; Currency reads as
// Double; Text keeps the file's cp1252 bytes; a Date is the Jet day number.
class FieldValue {
 public:
  enum class Kind { kNull, kInteger, kSingle, kDouble, kText, kDate };

  FieldValue() = default;
  static FieldValue Integer(std::int32_t v);
  static FieldValue Single(float v);
  static FieldValue Double(double v);
  static FieldValue Text(std::string cp1252);
  static FieldValue Date(double days);

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
  Kind kind_ = Kind::kNull;
  double number_ = 0;  // integer, single (exactly widened), double or date
  std::string text_;
};

class RecordSet {
 public:
  void SetDatabaseName(std::string path) { databaseName_ = std::move(path); }
  const std::string& DatabaseName() const { return databaseName_; }
  void SetRecordSource(std::string statement) { recordSource_ = std::move(statement); }
  const std::string& RecordSource() const { return recordSource_; }

  // Opens the database and runs the statement; the record set stands on its first row, if
  // any. With an empty database name: releases the record set, raises nothing.
  void Refresh();

  // True while a Refresh has left a record set.
  bool IsOpen() const { return result_.has_value(); }
  // Rows in the record set (0 for an empty result; 1 for one-row results).
  long RecordCount() const;
  // True past the last row (at once for an empty result).
  bool Eof() const;
  // To the next row; raises 3021 when already past the last.
  void MoveNext();
  // The current row's field at 0-based `position`.
  FieldValue Fields(int position) const;
  int FieldCount() const;
  // The field's name: the column name for "Select *", "Expr1000", "Expr1001", ... for averages.
  const std::string& FieldName(int position) const;

 private:
  struct Result {
    std::vector<std::string> names;
    std::vector<std::vector<FieldValue>> rows;
    std::vector<jet::RowLocation> locations;  // of each row; empty for an aggregate
  };
  const Result& Open() const;

  std::string databaseName_;
  std::string recordSource_;
  std::optional<Result> result_;
  std::size_t current_ = 0;
};

}  // namespace frixa
