// Queries: statements prepared against their tables, and a record set's statement run into
// the rows it holds or passed over row by row.
#include "recordset/query.h"

#include "common/error.h"
#include "jet/text.h"
#include "recordset/record_set.h"

namespace frixa {

namespace {

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

}  // namespace

Query Query::Prepare(const jet::Database& db, const std::string& source, bool selectAllOnly) {
  Query q;
  q.statement = ParseStatement(source);
  if (selectAllOnly && q.statement.kind != Statement::Kind::kSelectAll) RaiseJetError(errnum::kJetInvalidStatement);
  q.def = db.Table(q.statement.table);
  // The engine takes unknown names for parameters and reports how many values it lacks.
  std::vector<std::string> unknown;
  auto find = [&](const std::string& name) {
    const int index = q.def.FindColumn(name);
    if (index < 0) {
      bool seen = false;
      for (const auto& u : unknown) seen = seen || jet::EqualsIgnoreCase(u, name);
      if (!seen) unknown.push_back(name);
    }
    return index;
  };
  for (const auto& name : q.statement.averaged) q.averaged.push_back(find(name));
  if (q.statement.where) q.where = find(q.statement.where->column);
  if (!unknown.empty()) {
    RaiseJetError(errnum::kJetTooFewParameters, std::to_string(unknown.size()));
  }
  auto numeric = [&](int index) {
    if (!IsNumeric(q.def.columns[static_cast<std::size_t>(index)].Type())) {
      RaiseJetError(errnum::kJetCriteriaTypeMismatch);
    }
  };
  if (q.where >= 0) numeric(q.where);
  for (int index : q.averaged) numeric(index);
  return q;
}

bool Query::MeetsCondition(jet::TableScan& scan) const {
  const FieldValue v = FieldOf(scan.ReadValue(static_cast<std::size_t>(where)));
  return !v.IsNull() && v.AsDouble() == statement.where->value;
}

void RecordSet::RunStatement() {
  const jet::Database& db = hold_.Db();
  if (recordSource_.empty()) return;
  const Query q = Query::Prepare(db, recordSource_, false);
  const jet::TableDef& def = q.def;

  Result result;
  result.table = def.page;
  result.generation = hold_.Generation();
  jet::TableScan scan = db.Scan(def);

  if (q.statement.kind == Statement::Kind::kSelectAll) {
    result.updatable = true;
    result.columns = def.columns;
    for (const auto& col : def.columns) result.names.push_back(col.name);
    while (scan.Next()) {
      if (!q.Matches(scan)) continue;
      std::vector<FieldValue> row;
      row.reserve(def.columns.size());
      for (std::size_t c = 0; c < def.columns.size(); ++c) row.push_back(FieldOf(scan.ReadValue(c)));
      result.rows.push_back(std::move(row));
      result.locations.push_back(scan.Location());
    }
  } else {
    // The mean of the non-null values in stored order, summed in double precision.
    std::vector<double> sums(q.averaged.size(), 0.0);
    std::vector<long> counts(q.averaged.size(), 0);
    while (scan.Next()) {
      if (!q.Matches(scan)) continue;
      for (std::size_t i = 0; i < q.averaged.size(); ++i) {
        const FieldValue v = FieldOf(scan.ReadValue(static_cast<std::size_t>(q.averaged[i])));
        if (v.IsNull()) continue;
        sums[i] += v.AsDouble();
        ++counts[i];
      }
    }
    std::vector<FieldValue> row;
    for (std::size_t i = 0; i < q.averaged.size(); ++i) {
      result.names.push_back("Expr" + std::to_string(1000 + i));
      row.push_back(counts[i] == 0 ? FieldValue()
                                   : FieldValue::Double(sums[i] / static_cast<double>(counts[i])));
    }
    result.rows.push_back(std::move(row));
  }
  result.deleted.assign(result.rows.size(), false);
  result_ = std::move(result);
}

void RecordSet::ForEachRow(const std::function<void(std::span<const FieldValue>)>& visit) {
  (void)Open();
  Guarded([&] {
    const jet::Database& db = hold_.Db();
    const Query q = Query::Prepare(db, recordSource_, true);
    jet::TableScan scan = db.Scan(q.def);
    std::vector<FieldValue> row(q.def.columns.size());
    while (scan.Next()) {
      if (!q.Matches(scan)) continue;
      for (std::size_t c = 0; c < row.size(); ++c) row[c] = FieldOf(scan.ReadValue(c));
      visit(row);
    }
  });
}

}  // namespace frixa
