// RecordSet: statements run over the Jet reader, results held in memory.
#include "recordset/record_set.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <exception>
#include <limits>
#include <new>
#include <stdexcept>

#include "common/error.h"
#include "jet/database.h"
#include "jet/text.h"
#include "recordset/field_convert.h"
#include "recordset/statement.h"

namespace frixa {

// ---- FieldValue -----------------------------------------------------------------------------

FieldValue FieldValue::Integer(std::int32_t v) {
  FieldValue f;
  f.kind_ = Kind::kInteger;
  f.number_ = v;
  return f;
}
FieldValue FieldValue::Single(float v) {
  FieldValue f;
  f.kind_ = Kind::kSingle;
  f.number_ = v;
  return f;
}
FieldValue FieldValue::Double(double v) {
  FieldValue f;
  f.kind_ = Kind::kDouble;
  f.number_ = v;
  return f;
}
FieldValue FieldValue::Text(std::string cp1252) {
  FieldValue f;
  f.kind_ = Kind::kText;
  f.text_ = std::move(cp1252);
  return f;
}
FieldValue FieldValue::Date(double days) {
  FieldValue f;
  f.kind_ = Kind::kDate;
  f.number_ = days;
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

// ---- RowNumber ------------------------------------------------------------------------------

RowNumber RowNumber::Of(const FieldValue& value) {
  switch (value.kind()) {
    case FieldValue::Kind::kNull: return RowNumber();
    case FieldValue::Kind::kText: RaiseRuntimeError(errnum::kTypeMismatch);
    default: return RowNumber(value.kind(), value.AsDouble());
  }
}

double RowNumber::AsDouble() const {
  if (kind_ == FieldValue::Kind::kNull) RaiseRuntimeError(errnum::kInvalidUseOfNull);
  return number_;
}

FieldValue RowNumber::ToField() const {
  switch (kind_) {
    case FieldValue::Kind::kInteger: return FieldValue::Integer(static_cast<std::int32_t>(number_));
    case FieldValue::Kind::kSingle: return FieldValue::Single(static_cast<float>(number_));
    case FieldValue::Kind::kDouble: return FieldValue::Double(number_);
    case FieldValue::Kind::kDate: return FieldValue::Date(number_);
    default: return FieldValue();
  }
}

namespace {
RowPath g_rowPath = RowPath::kBulk;
}  // namespace

void SetRowPath(RowPath path) { g_rowPath = path; }
RowPath CurrentRowPath() { return g_rowPath; }

// ---- running statements ---------------------------------------------------------------------

namespace {

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

bool IsNumeric(jet::ColumnType t) {
  switch (t) {
    case jet::ColumnType::kBoolean:
    case jet::ColumnType::kByte:
    case jet::ColumnType::kInteger:
    case jet::ColumnType::kLong:
    case jet::ColumnType::kCurrency:
    case jet::ColumnType::kSingle:
    case jet::ColumnType::kDouble:
    case jet::ColumnType::kDateTime: return true;
    default: return false;
  }
}

// Column indexes of the names a statement uses; the engine takes unknown names for parameters
// and reports how many values it lacks.
struct Resolved {
  int where = -1;
  std::vector<int> averaged;
};

Resolved Resolve(const Statement& st, const jet::TableDef& def) {
  Resolved r;
  std::vector<std::string> unknown;
  auto find = [&](const std::string& name) {
    const int index = def.FindColumn(name);
    if (index < 0) {
      bool seen = false;
      for (const auto& u : unknown) seen = seen || jet::EqualsIgnoreCase(u, name);
      if (!seen) unknown.push_back(name);
    }
    return index;
  };
  for (const auto& name : st.averaged) r.averaged.push_back(find(name));
  if (st.where) r.where = find(st.where->column);
  if (!unknown.empty()) {
    RaiseJetError(errnum::kJetTooFewParameters, std::to_string(unknown.size()));
  }
  auto numeric = [&](int index) {
    if (!IsNumeric(def.columns[static_cast<std::size_t>(index)].Type())) {
      RaiseJetError(errnum::kJetCriteriaTypeMismatch);
    }
  };
  if (r.where >= 0) numeric(r.where);
  for (int index : r.averaged) numeric(index);
  return r;
}

}  // namespace

RecordSet::~RecordSet() = default;
RecordSet::RecordSet(RecordSet&&) noexcept = default;
RecordSet& RecordSet::operator=(RecordSet&&) noexcept = default;

template <typename F>
decltype(auto) RecordSet::Guarded(F&& f) {
  try {
    return f();
  } catch (const Error&) {
    if (hold_ && hold_.Db().Write().Mode() == jet::WriteMode::kWriteBehind) {
      try {
        hold_.Db().Write().Flush();
      } catch (const Error&) {
        // The first error is the one to report; the pages stay unsaved for the next save.
      }
    }
    throw;
  }
}

void RecordSet::Refresh() {
  result_.reset();
  current_ = 0;
  editMode_ = EditMode::kNone;
  buffer_.clear();
  if (databaseName_.empty()) {  // releases the file; nothing to read
    hold_.Release();
    return;
  }
  Guarded([&] {
    if (hold_.Holds(databaseName_)) {
      hold_.Revalidate();
    } else {
      DatabaseHold other = DatabaseHold::Acquire(databaseName_);
      hold_.Release();
      hold_ = std::move(other);
    }
    RunStatement();
  });
}

namespace {

// Whether the scan's current row meets the statement's condition, if it has one.
bool RowMatches(jet::TableScan& scan, const Statement& st, const Resolved& cols) {
  if (cols.where < 0) return true;
  const FieldValue v = FieldOf(scan.ReadValue(static_cast<std::size_t>(cols.where)));
  return !v.IsNull() && v.AsDouble() == st.where->value;
}

}  // namespace

void RecordSet::ForEachRow(const std::function<void(std::span<const FieldValue>)>& visit) {
  (void)Open();
  Guarded([&] {
    const jet::Database& db = hold_.Db();
    const Statement st = ParseStatement(recordSource_);
    if (st.kind != Statement::Kind::kSelectAll) RaiseJetError(errnum::kJetInvalidStatement);
    const jet::TableDef def = db.Table(st.table);
    const Resolved cols = Resolve(st, def);
    jet::TableScan scan = db.Scan(def);
    std::vector<FieldValue> row(def.columns.size());
    while (scan.Next()) {
      if (!RowMatches(scan, st, cols)) continue;
      for (std::size_t c = 0; c < row.size(); ++c) row[c] = FieldOf(scan.ReadValue(c));
      visit(row);
    }
  });
}

// ---- rows in bulk -------------------------------------------------------------------------------

namespace {

RowNumber NumberOfValue(const jet::Value& value) { return RowNumber::Of(FieldOf(value)); }

RowNumber NumberOfFixed(const jet::FixedNumber& f, jet::ColumnType type) {
  if (!f.present) return RowNumber();
  switch (type) {
    case jet::ColumnType::kByte:
    case jet::ColumnType::kInteger:
    case jet::ColumnType::kLong: return RowNumber::Integer(static_cast<std::int32_t>(f.whole));
    case jet::ColumnType::kCurrency: return RowNumber::Double(static_cast<double>(f.whole) / 10000.0);
    case jet::ColumnType::kSingle: return RowNumber::Single(static_cast<float>(f.real));
    case jet::ColumnType::kDateTime: return RowNumber::Date(f.real);
    default: return RowNumber::Double(f.real);
  }
}

bool IsFixedNumberColumn(const jet::ColumnDef& col) { return col.IsFixed() && jet::IsFixedNumberType(col.Type()); }

}  // namespace

struct RecordSet::NumberScan::State {
  RecordSet* owner = nullptr;
  Statement statement;
  jet::TableDef def;
  Resolved cols;
  std::optional<jet::TableScan> scan;
  std::vector<std::uint8_t> fixed;  // per column: read typed
  bool allFixed = false;            // every column read typed, all at once
  mutable std::vector<jet::FixedNumber> numbers;
};

RecordSet::NumberScan::NumberScan(RecordSet& owner) : state_(std::make_unique<State>()) {
  (void)owner.Open();
  State& s = *state_;
  s.owner = &owner;
  owner.Guarded([&] {
    const jet::Database& db = owner.hold_.Db();
    s.statement = ParseStatement(owner.recordSource_);
    if (s.statement.kind != Statement::Kind::kSelectAll) RaiseJetError(errnum::kJetInvalidStatement);
    s.def = db.Table(s.statement.table);
    s.cols = Resolve(s.statement, s.def);
    s.scan.emplace(db.Scan(s.def));
    const bool bulk = CurrentRowPath() == RowPath::kBulk;
    for (const auto& col : s.def.columns) s.fixed.push_back(bulk && IsFixedNumberColumn(col) ? 1 : 0);
    s.allFixed = !s.fixed.empty() && std::all_of(s.fixed.begin(), s.fixed.end(), [](std::uint8_t f) { return f != 0; });
    s.numbers.resize(s.def.columns.size());
  });
}

RecordSet::NumberScan::NumberScan(NumberScan&&) noexcept = default;
RecordSet::NumberScan& RecordSet::NumberScan::operator=(NumberScan&&) noexcept = default;
RecordSet::NumberScan::~NumberScan() = default;

bool RecordSet::NumberScan::Next() {
  State& s = *state_;
  return s.owner->Guarded([&] {
    while (s.scan->Next()) {
      if (RowMatches(*s.scan, s.statement, s.cols)) return true;
    }
    return false;
  });
}

int RecordSet::NumberScan::FieldCount() const { return static_cast<int>(state_->def.columns.size()); }

RowNumber RecordSet::NumberScan::Field(int position) const {
  const State& s = *state_;
  if (position < 0 || static_cast<std::size_t>(position) >= s.def.columns.size()) {
    RaiseJetError(errnum::kJetItemNotFound);
  }
  const auto c = static_cast<std::size_t>(position);
  return s.owner->Guarded([&] {
    if (s.fixed[c] != 0) return NumberOfFixed(s.scan->ReadFixedNumber(c), s.def.columns[c].Type());
    return NumberOfValue(s.scan->ReadValue(c));
  });
}

void RecordSet::NumberScan::Fields(std::span<RowNumber> out) const {
  const State& s = *state_;
  if (!s.allFixed) {
    for (std::size_t c = 0; c < out.size(); ++c) out[c] = Field(static_cast<int>(c));
    return;
  }
  if (out.size() != s.numbers.size()) RaiseJetError(errnum::kJetItemNotFound);
  s.owner->Guarded([&] {
    s.scan->ReadFixedNumbers(s.numbers);
    for (std::size_t c = 0; c < out.size(); ++c) out[c] = NumberOfFixed(s.numbers[c], s.def.columns[c].Type());
  });
}

RecordSet::NumberScan RecordSet::ScanNumbers() { return NumberScan(*this); }

bool RecordSet::HoldsOnlyNumbers() const {
  const Result& r = Open();
  if (!r.updatable) return false;
  for (const auto& col : r.columns) {
    if (!IsFixedNumberColumn(col)) return false;
  }
  return true;
}

void RecordSet::AppendRow(std::span<const RowNumber> row) { AppendRows(row, row.size()); }

void RecordSet::AppendRows(std::span<const RowNumber> rows, std::size_t width) {
  if (width == 0 || rows.size() % width != 0) throw std::invalid_argument("RecordSet: AppendRows needs whole rows");
  const std::size_t count = rows.size() / width;
  // The general way: exactly what a command's AddNew, SetField and Update do.
  const auto general = [&](std::size_t from) {
    for (std::size_t r = from; r < count; ++r) {
      const std::span<const RowNumber> row = rows.subspan(r * width, width);
      AddNew();
      try {
        for (std::size_t c = 0; c < width; ++c) SetField(static_cast<int>(c), row[c].ToField());
        Update();
      } catch (...) {
        editMode_ = EditMode::kNone;
        buffer_.clear();
        throw;
      }
    }
  };
  if (CurrentRowPath() == RowPath::kGeneral) return general(0);
  Guarded([&] {
    const Result& r = OpenForWriting();  // AddNew's checks
    jet::Writer& writer = hold_.Db().Write();
    if (!writer.TakesFixedRows(r.table)) return general(0);
    editMode_ = EditMode::kNone;
    buffer_.clear();
    if (width > r.columns.size()) RaiseJetError(errnum::kJetItemNotFound);
    // SetField's conversions row by row; the rows before one that fails are stored, then its
    // error is raised. Update's checks follow in the writer.
    const std::size_t columns = r.columns.size();
    numbers_.assign(count * columns, jet::FixedNumber{});
    std::size_t converted = 0;
    std::exception_ptr failure;
    try {
      for (; converted < count; ++converted) {
        const RowNumber* row = rows.data() + converted * width;
        jet::FixedNumber* out = numbers_.data() + converted * columns;
        for (std::size_t c = 0; c < width; ++c) {
          // Built in place: a copy of the returned number would be read back in one piece
          // just after it was written field by field, which stalls the loop.
          if (!row[c].IsNull()) new (&out[c]) jet::FixedNumber(ToFixedNumber(row[c].AsDouble(), r.columns[c].Type()));
        }
      }
    } catch (...) {
      failure = std::current_exception();
    }
    const jet::PageNumber table = r.table;
    if (converted > 0) {
      writer.AppendFixedRows(table, std::span<const jet::FixedNumber>(numbers_.data(), converted * columns));
    }
    if (failure) std::rethrow_exception(failure);
  });
}

RowBlock::RowBlock(RecordSet& rs, std::size_t width, std::size_t rows)
    : rs_(rs), width_(width), capacity_(width * rows) {
  rows_.reserve(capacity_);
}

void RowBlock::Add(std::initializer_list<RowNumber> row) {
  if (row.size() != width_) throw std::invalid_argument("RowBlock: a row of another width");
  rows_.insert(rows_.end(), row);
  if (rows_.size() >= capacity_) Store();
}

void RowBlock::Store() {
  std::vector<RowNumber> rows;
  rows.swap(rows_);
  rows_.reserve(capacity_);
  if (rows.empty()) return;
  try {
    rs_.AppendRows(rows, width_);
  } catch (...) {
    if (onFailed) onFailed();
    throw;
  }
  if (onStored) onStored(rows);
}

void RecordSet::RunStatement() {
  const jet::Database& db = hold_.Db();
  if (recordSource_.empty()) return;
  const Statement st = ParseStatement(recordSource_);
  const jet::TableDef def = db.Table(st.table);
  const Resolved cols = Resolve(st, def);

  Result result;
  result.table = def.page;
  result.generation = hold_.Generation();
  jet::TableScan scan = db.Scan(def);
  auto matches = [&]() { return RowMatches(scan, st, cols); };

  if (st.kind == Statement::Kind::kSelectAll) {
    result.updatable = true;
    result.columns = def.columns;
    for (const auto& col : def.columns) result.names.push_back(col.name);
    while (scan.Next()) {
      if (!matches()) continue;
      std::vector<FieldValue> row;
      row.reserve(def.columns.size());
      for (std::size_t c = 0; c < def.columns.size(); ++c) row.push_back(FieldOf(scan.ReadValue(c)));
      result.rows.push_back(std::move(row));
      result.locations.push_back(scan.Location());
    }
  } else {
    // The mean of the non-null values in stored order, summed in double precision.
    std::vector<double> sums(cols.averaged.size(), 0.0);
    std::vector<long> counts(cols.averaged.size(), 0);
    while (scan.Next()) {
      if (!matches()) continue;
      for (std::size_t i = 0; i < cols.averaged.size(); ++i) {
        const FieldValue v = FieldOf(scan.ReadValue(static_cast<std::size_t>(cols.averaged[i])));
        if (v.IsNull()) continue;
        sums[i] += v.AsDouble();
        ++counts[i];
      }
    }
    std::vector<FieldValue> row;
    for (std::size_t i = 0; i < cols.averaged.size(); ++i) {
      result.names.push_back("Expr" + std::to_string(1000 + i));
      row.push_back(counts[i] == 0 ? FieldValue()
                                   : FieldValue::Double(sums[i] / static_cast<double>(counts[i])));
    }
    result.rows.push_back(std::move(row));
  }
  result.deleted.assign(result.rows.size(), false);
  result_ = std::move(result);
}

const RecordSet::Result& RecordSet::Open() const {
  if (!result_) RaiseRuntimeError(errnum::kObjectNotSet);
  return *result_;
}

long RecordSet::RecordCount() const {
  const Result& r = Open();
  return static_cast<long>(r.rows.size() - r.deletedCount);
}

bool RecordSet::Eof() const { return current_ >= Open().rows.size(); }

void RecordSet::MoveNext() {
  if (Eof()) RaiseJetError(errnum::kJetNoCurrentRecord);
  ++current_;
  editMode_ = EditMode::kNone;  // moving drops a row being added or changed
  buffer_.clear();
}

int RecordSet::FieldCount() const { return static_cast<int>(Open().names.size()); }

FieldValue RecordSet::Fields(int position) const {
  const Result& r = Open();
  if (position < 0 || static_cast<std::size_t>(position) >= r.names.size()) {
    RaiseJetError(errnum::kJetItemNotFound);
  }
  if (editMode_ != EditMode::kNone) return FieldOf(buffer_[static_cast<std::size_t>(position)]);
  if (current_ >= r.rows.size()) RaiseJetError(errnum::kJetNoCurrentRecord);
  if (r.deleted[current_]) RaiseJetError(errnum::kJetRecordDeleted);
  return r.rows[current_][static_cast<std::size_t>(position)];
}

const std::string& RecordSet::FieldName(int position) const {
  const Result& r = Open();
  if (position < 0 || static_cast<std::size_t>(position) >= r.names.size()) {
    RaiseJetError(errnum::kJetItemNotFound);
  }
  return r.names[static_cast<std::size_t>(position)];
}

// ---- writing ----------------------------------------------------------------------------------

RecordSet::Result& RecordSet::OpenForWriting() {
  if (!result_) RaiseRuntimeError(errnum::kObjectNotSet);
  Result& r = *result_;
  if (!r.updatable) RaiseJetError(errnum::kJetReadOnly);
  if (hold_.Generation() != r.generation) RaiseJetError(errnum::kJetDataChanged);
  hold_.Db().Write().CheckTableWritable(r.table);
  return r;
}

void RecordSet::AddNew() {
  Guarded([&] {
    const Result& r = OpenForWriting();
    buffer_.assign(r.names.size(), jet::Value());
    editMode_ = EditMode::kAdd;
  });
}

void RecordSet::Edit() {
  Guarded([&] {
    const Result& r = OpenForWriting();
    if (current_ >= r.rows.size() || r.deleted[current_]) {
      RaiseJetError(current_ >= r.rows.size() ? errnum::kJetNoCurrentRecord : errnum::kJetRecordDeleted);
    }
    jet::Database& db = hold_.Db();
    buffer_ = db.ReadRowAt(db.TableAt(r.table), r.locations[current_]);
    editMode_ = EditMode::kEdit;
  });
}

void RecordSet::SetField(int position, const FieldValue& value) {
  Guarded([&] {
    const Result& r = Open();
    if (position < 0 || static_cast<std::size_t>(position) >= r.names.size()) {
      RaiseJetError(errnum::kJetItemNotFound);
    }
    if (editMode_ == EditMode::kNone) RaiseJetError(errnum::kJetUpdateWithoutAddNew);
    jet::Writer& writer = hold_.Db().Write();
    const auto column = static_cast<std::size_t>(position);
    const jet::Value stored = ToColumnValue(value, r.columns[column]);
    writer.CheckValue(r.table, column, stored);
    buffer_[column] = stored;
  });
}

void RecordSet::Update() {
  Guarded([&] {
    if (editMode_ == EditMode::kNone) RaiseJetError(errnum::kJetUpdateWithoutAddNew);
    Result& r = OpenForWriting();
    jet::Writer& writer = hold_.Db().Write();
    if (editMode_ == EditMode::kAdd) {
      writer.Append(r.table, buffer_);
    } else {
      if (current_ >= r.rows.size()) RaiseJetError(errnum::kJetNoCurrentRecord);
      writer.Update(r.table, r.locations[current_], buffer_);
      for (std::size_t c = 0; c < buffer_.size(); ++c) r.rows[current_][c] = FieldOf(buffer_[c]);
    }
    editMode_ = EditMode::kNone;
    buffer_.clear();
  });
}

void RecordSet::CancelUpdate() {
  (void)Open();
  if (editMode_ == EditMode::kNone) RaiseJetError(errnum::kJetUpdateWithoutAddNew);
  editMode_ = EditMode::kNone;
  buffer_.clear();
}

void RecordSet::Delete() {
  Guarded([&] {
    Result& r = OpenForWriting();
    if (current_ >= r.rows.size()) RaiseJetError(errnum::kJetNoCurrentRecord);
    if (r.deleted[current_]) RaiseJetError(errnum::kJetRecordDeleted);
    hold_.Db().Write().Delete(r.table, r.locations[current_]);
    r.deleted[current_] = true;
    ++r.deletedCount;
    editMode_ = EditMode::kNone;
    buffer_.clear();
  });
}

void RecordSet::SetWriteBehind(bool on) {
  (void)Open();
  hold_.Db().Write().SetMode(on ? jet::WriteMode::kWriteBehind : jet::WriteMode::kWriteThrough);
}

void RecordSet::SetWholeFileSaves(bool on) {
  (void)Open();
  hold_.Db().Write().SetMode(on ? jet::WriteMode::kReplaceFile : jet::WriteMode::kWriteThrough);
}

void RecordSet::Flush() {
  (void)Open();
  hold_.Db().Write().Flush();
}

}  // namespace frixa
