// The statements the record sets understand, parsed. The program issues three shapes, and the
// parser accepts exactly their family (keywords and names in any letter case, blanks free
// between the parts, an optional ";" at the end, names optionally in [brackets]):
//
//   Select * From T
//   Select * From T Where C = N
//   Select Avg(C1), Avg(C2), ... From T [Where C = N]
//
// N is a number with an optional sign, fraction and exponent ("312", " 312", "-5", "1.5E+07").
// Anything else is refused with the Jet engine's error for it: 3129 not a SELECT statement,
// 3141 a select list other than * or Avg(...), 3131 a FROM clause other than one table name,
// 3075 a WHERE clause other than column = number, 3142 text after the ";".
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace frixa {

struct Criterion {
  std::string column;  // cp1252, as written
  double value = 0;
};

struct Statement {
  enum class Kind { kSelectAll, kAverage };
  Kind kind = Kind::kSelectAll;
  std::string table;                  // cp1252, as written
  std::vector<std::string> averaged;  // kAverage: the column of each result field
  std::optional<Criterion> where;
};

// Raises frixa::Error with the numbers above.
Statement ParseStatement(std::string_view sql);

}  // namespace frixa
