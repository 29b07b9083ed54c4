// A table added to a database file; see new_table.h.
#include "recordset/new_table.h"

#include "jet/db_builder.h"
#include "recordset/open_databases.h"

namespace frixa {

void AddLongTable(const std::string& path, const std::string& name, const std::vector<std::string>& columns) {
  jet::NewTable table{name, {}};
  for (const auto& c : columns) table.columns.push_back(jet::NewColumn::Long(c));
  DatabaseHold hold = DatabaseHold::Acquire(path);
  hold.Db().AddTable(table);
  hold.Release();
}

}  // namespace frixa
