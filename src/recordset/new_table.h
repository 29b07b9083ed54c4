// Room recordset/: may include common/, platform/, jet/, run/.
// A table added to a database file that a command builds: through the file's shared image, so
// that the record sets bound to it afterwards see the table.
#pragma once

#include <string>
#include <vector>

namespace frixa {

// Adds the table `name` of Long columns named `columns` (stored in that order), without rows
// and without indexes, to the database at `path`: saved before it returns, unless the file is
// in write-behind mode (record_set.h), which keeps it until the file is let go. Raises the
// errors of jet::Database::Open and jet::Writer::AddTable.
void AddLongTable(const std::string& path, const std::string& name, const std::vector<std::string>& columns);

}  // namespace frixa
