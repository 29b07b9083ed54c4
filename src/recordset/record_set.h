// Room recordset/: may include common/, platform/, jet/, run/.
// The record-set holder through which the commands reach the calibration databases, in the
// manner of a bound Data control: set the database name and the statement, Refresh, then read
// rows in order with Fields(position), EOF and MoveNext, and write them with AddNew / Edit,
// SetField and Update, or Delete.
//
//   RecordSet pd;
//   pd.SetDatabaseName(file);
//   pd.SetRecordSource("Select * from PointData where PointRPM=" + SignedNumberText(rpm));
//   pd.Refresh();
//   if (pd.RecordCount() == 1) { float kw = pd.Fields(1).AsSingle(); ... }
//
//   ld.AddNew();
//   ld.SetField(0, FieldValue::Single(312.0f));  // stored into the Long column RPM as 312
//   ld.SetField(1, pd.Fields(1));
//   ld.Update();                                  // saved to the file before it returns
//
// Record sets bound to the same file share one image of it (calfile/open_databases.h): a row
// saved through one is seen by every statement any of them runs afterwards, and Refresh reads
// the file again only when it changed on disk. The file stays open from the Refresh that binds
// it until the record set is bound elsewhere or released (an empty database name and Refresh);
// when the last record set lets it go, unsaved changes are saved.
//
// The rows of a record set are those its Refresh found: rows added through it show at the next
// Refresh; a row deleted through it stays current (its fields then raise 3167) until MoveNext.
// "Select *" results, with or without their Where, are updatable; averages are not.
//
// Fields: field_value.h; rows of numbers appended and read in bulk: bulk_rows.h, AppendRows and
// NumberScan below. Statements: see statement.h. Table and column names match without regard
// to letter case.
// Errors are frixa::Error with the Jet engine's numbers: 3024, 3051, 3343, 3049 and 3078 from
// opening (jet/database.h), the statement's syntax errors, 3061 for a column the table lacks,
// 3464 for a criterion or average on a column that is not a number, 3021 when there is no
// current row, 3265 for a field position out of range, 91 before any successful Refresh;
// writing: 3020 SetField or Update without AddNew or Edit, 3027 a read-only file or record set,
// 3421 and 3349 for values that do not convert to their column (calfile/field_convert.h), 3163
// a text longer than its column, 3315 a zero-length text where the column refuses it, 3167 a
// deleted row, 3197 a row read before its file was read again, and the errors of saving
// (3024, 3051, 3026, 3043; jet/writer.h).
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/error.h"
#include "jet/table_scan.h"
#include "jet/value.h"
#include "recordset/bulk_rows.h"
#include "recordset/field_value.h"
#include "recordset/open_databases.h"

namespace frixa {

class RecordSet {
 public:
  enum class EditMode { kNone, kAdd, kEdit };

  RecordSet() = default;
  ~RecordSet();  // lets the file go; unsaved changes whose save fails are lost here
  RecordSet(RecordSet&&) noexcept;
  RecordSet& operator=(RecordSet&&) noexcept;
  RecordSet(const RecordSet&) = delete;
  RecordSet& operator=(const RecordSet&) = delete;

  void SetDatabaseName(std::string path) { databaseName_ = std::move(path); }
  const std::string& DatabaseName() const { return databaseName_; }
  void SetRecordSource(std::string statement) { recordSource_ = std::move(statement); }
  const std::string& RecordSource() const { return recordSource_; }

  // Opens the database and runs the statement; the record set stands on its first row, if
  // any. With an empty database name: releases the record set and its file (saving what is
  // unsaved: that save's errors are raised).
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

  // ---- writing ----
  // A new row to fill: every field null. Raises 3027 for a read-only file or an average.
  void AddNew();
  // The current row to change (3021 without one).
  void Edit();
  // Assigns field `position` of the row being added or changed; the value is converted to the
  // column's type at once (3421, 3349, 3163 here). Reading Fields(position) then gives it.
  void SetField(int position, const FieldValue& value);
  // Saves the row being added (appended to its table) or changed (in place); 3020 without
  // AddNew or Edit. On an error the row stays in edit mode.
  void Update();
  // Drops the row being added or changed.
  void CancelUpdate();
  // Deletes the current row; it stays current until MoveNext.
  void Delete();
  EditMode GetEditMode() const { return editMode_; }

  // Write-behind for the file this record set is bound to, and so for every record set bound
  // to it: saved rows stay in memory until the file is let go, Flush is called, write-behind
  // ends, or an operation of a record set on that file fails (which saves them before its error
  // is raised). Only for a file nobody else reads meanwhile, such as one written under a
  // temporary name. Must follow a Refresh.
  void SetWriteBehind(bool on);
  // Whole-file saves for the file this record set is bound to: each change is saved as a new
  // copy of the file that replaces the old one in one step, so that a save cut short leaves
  // the old file whole. For rare small changes to files the user keeps. Must follow a Refresh.
  void SetWholeFileSaves(bool on);
  // Saves what write-behind kept.
  void Flush();

  // Appends one row to the table of this "Select *" record set: AddNew, SetField(position,
  // row[position]) for each number given (the other fields stay null), Update, with their
  // checks and error numbers. For commands that append in a loop; on a table of fixed-size
  // numbers (RawData, PointData, Losses) the row is encoded straight into its page. On an
  // error nothing of the row is stored and no row is left in edit mode.
  void AppendRow(std::span<const RowNumber> row);
  void AppendRow(std::initializer_list<RowNumber> row) { AppendRow(std::span<const RowNumber>(row.begin(), row.size())); }
  // Rows of `width` numbers each, one after the other in `rows`: AppendRow for each in turn,
  // with the same files, checks and error numbers (a row that fails raises with the rows
  // before it stored). On a table of fixed-size numbers they are encoded together.
  void AppendRows(std::span<const RowNumber> rows, std::size_t width);

  // A typed scan of the rows that the record source, a "Select *" statement (its Where
  // included), gives now, in stored order, as ForEachRow reads them: each field read as a
  // number straight from the row's bytes. Field(position) raises 13 for a text, binary or
  // Boolean column, 3265 for a position out of range. Must follow a Refresh; raises 3129 for
  // an aggregate record source. The scan must not outlive the record set's binding.
  class NumberScan {
   public:
    NumberScan(NumberScan&&) noexcept;
    NumberScan& operator=(NumberScan&&) noexcept;
    ~NumberScan();
    // To the next row; false past the last.
    bool Next();
    int FieldCount() const;
    RowNumber Field(int position) const;
    // Every field of the row: out[c] is Field(c); FieldCount() of them.
    void Fields(std::span<RowNumber> out) const;

   private:
    friend class RecordSet;
    struct State;
    explicit NumberScan(RecordSet& owner);
    std::unique_ptr<State> state_;
  };
  NumberScan ScanNumbers();
  // Whether every column of this "Select *" record set's table is a fixed-size number, so that
  // NumberScan reads every field of it.
  bool HoldsOnlyNumbers() const;
  // Every row of ScanNumbers, all fields, passed to `visit` as a span of RowNumber.
  template <typename Visit>
  void ForEachNumberRow(Visit&& visit) {
    NumberScan scan = ScanNumbers();
    std::vector<RowNumber> row(static_cast<std::size_t>(scan.FieldCount()));
    while (scan.Next()) {
      scan.Fields(row);
      visit(std::span<const RowNumber>(row));
    }
  }

  // Reads the rows that the record source, a "Select *" statement, gives now, one at a time,
  // passing each to `visit` without keeping any: one pass over a table too large to hold as
  // values. Rows saved but still kept by write-behind are included. The record set itself
  // stays as it was. Must follow a Refresh; raises 3129 for an aggregate record source.
  void ForEachRow(const std::function<void(std::span<const FieldValue>)>& visit);

 private:
  struct Result {
    std::vector<std::string> names;
    std::vector<std::vector<FieldValue>> rows;
    std::vector<jet::RowLocation> locations;  // of each row; empty for an aggregate
    std::vector<bool> deleted;                // rows deleted through this record set
    std::size_t deletedCount = 0;
    std::vector<jet::ColumnDef> columns;      // "Select *": the table's columns
    bool updatable = false;
    jet::PageNumber table = 0;  // its definition page
    std::uint64_t generation = 0;
  };
  const Result& Open() const;
  Result& OpenForWriting();
  void RunStatement();
  // Runs `f`; when it raises and the file is in write-behind mode, saves what is kept first.
  template <typename F>
  decltype(auto) Guarded(F&& f) {
    try {
      return f();
    } catch (const Error&) {
      SaveWhatWriteBehindKept();
      throw;
    }
  }
  // After an error: saves the pages write-behind kept, if it keeps any; the error of that save
  // is dropped (the first error is the one to report; the pages stay unsaved for the next save).
  void SaveWhatWriteBehindKept();

  std::string databaseName_;
  std::string recordSource_;
  std::optional<Result> result_;
  std::size_t current_ = 0;
  DatabaseHold hold_;
  EditMode editMode_ = EditMode::kNone;
  std::vector<jet::Value> buffer_;  // the row being added or changed, one value per column
  std::vector<jet::FixedNumber> numbers_;  // the rows AppendRows hands the writer
};

}  // namespace frixa
