// A whole-file check of what the real engine relies on beyond the rows themselves, done with
// the reader after a file was written: every page of the file is accounted for exactly once
// (header, global map, table definitions, usage-map pages, usage-bitmap pages, and pages listed
// in exactly one owned-pages map: a table's data pages, an index's pages, a long-value
// column's pages), every page a table's owned map lists is a data page of that table and every
// data page is in its table's map, free-space maps list only owned pages, the global map marks
// every page of the file as used and the pages past its end as free, and each table's row
// count equals the rows a scan finds.
#pragma once

#include <string>
#include <vector>

#include "jet/database.h"

namespace frixa::testing {

// One line per problem found; empty for a consistent file.
std::vector<std::string> CheckConsistency(const jet::Database& db);

}  // namespace frixa::testing
