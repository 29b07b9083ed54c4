// Rows of numbers in bulk: appended straight into their pages (AppendRows, RowBlock) and read
// straight from their row bytes (NumberScan).
#include "recordset/bulk_rows.h"

#include <algorithm>
#include <exception>
#include <new>
#include <stdexcept>

#include "common/error.h"
#include "recordset/field_convert.h"
#include "recordset/query.h"
#include "recordset/record_set.h"

namespace frixa {

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

// ---- reading ----------------------------------------------------------------------------------

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
  Query query;
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
    s.query = Query::Prepare(db, owner.recordSource_, true);
    s.scan.emplace(db.Scan(s.query.def));
    for (const auto& col : s.query.def.columns) s.fixed.push_back(IsFixedNumberColumn(col) ? 1 : 0);
    s.allFixed = !s.fixed.empty() && std::all_of(s.fixed.begin(), s.fixed.end(), [](std::uint8_t f) { return f != 0; });
    s.numbers.resize(s.query.def.columns.size());
  });
}

RecordSet::NumberScan::NumberScan(NumberScan&&) noexcept = default;
RecordSet::NumberScan& RecordSet::NumberScan::operator=(NumberScan&&) noexcept = default;
RecordSet::NumberScan::~NumberScan() = default;

bool RecordSet::NumberScan::Next() {
  State& s = *state_;
  return s.owner->Guarded([&] {
    while (s.scan->Next()) {
      if (s.query.Matches(*s.scan)) return true;
    }
    return false;
  });
}

int RecordSet::NumberScan::FieldCount() const { return static_cast<int>(state_->query.def.columns.size()); }

RowNumber RecordSet::NumberScan::Field(int position) const {
  const State& s = *state_;
  const auto& columns = s.query.def.columns;
  if (position < 0 || static_cast<std::size_t>(position) >= columns.size()) {
    RaiseJetError(errnum::kJetItemNotFound);
  }
  const auto c = static_cast<std::size_t>(position);
  return s.owner->Guarded([&] {
    if (s.fixed[c] != 0) return NumberOfFixed(s.scan->ReadFixedNumber(c), columns[c].Type());
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
    const auto& columns = s.query.def.columns;
    for (std::size_t c = 0; c < out.size(); ++c) out[c] = NumberOfFixed(s.numbers[c], columns[c].Type());
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

// ---- appending --------------------------------------------------------------------------------

void RecordSet::AppendRow(std::span<const RowNumber> row) { AppendRows(row, row.size()); }

void RecordSet::AppendRows(std::span<const RowNumber> rows, std::size_t width) {
  if (width == 0 || rows.size() % width != 0) throw std::invalid_argument("RecordSet: AppendRows needs whole rows");
  const std::size_t count = rows.size() / width;
  Guarded([&] {
    const Result& r = OpenForWriting();  // AddNew's checks
    jet::Writer& writer = hold_.Db().Write();
    if (!writer.TakesFixedRows(r.table)) {
      // A table with other columns: exactly what a command's AddNew, SetField and Update do.
      for (std::size_t i = 0; i < count; ++i) {
        const std::span<const RowNumber> row = rows.subspan(i * width, width);
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
      return;
    }
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

}  // namespace frixa
