// Room recordset/: may include common/, platform/, jet/, run/.
// A record source prepared against its database: the statement parsed, its table found and the
// column names it uses resolved, so that a scan of the table can be told which rows it gives.
#pragma once

#include <string>
#include <vector>

#include "jet/database.h"
#include "jet/table_scan.h"
#include "recordset/statement.h"

namespace frixa {

struct Query {
  Statement statement;
  jet::TableDef def;
  int where = -1;             // the column of the condition; -1 without one
  std::vector<int> averaged;  // kAverage: the column of each result field

  // Raises the statement's syntax errors (statement.h), the table's (3078), 3061 naming how
  // many of the names used the table lacks, 3464 for a criterion or average on a column that is
  // not a number. With `selectAllOnly`, 3129 for an aggregate, before the table is looked up.
  static Query Prepare(const jet::Database& db, const std::string& source, bool selectAllOnly);

  // Whether the scan's current row meets the statement's condition, if it has one.
  bool Matches(jet::TableScan& scan) const { return where < 0 || MeetsCondition(scan); }

 private:
  bool MeetsCondition(jet::TableScan& scan) const;
};

}  // namespace frixa
