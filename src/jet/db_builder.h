// The database builder: creates a complete, empty Jet 3 (Access 97 format) database from a
// schema, as bytes. The result holds what the engine itself puts into a new database (the
// system tables MSysObjects, MSysACEs, MSysQueries and MSysRelationships with their indexes,
// the Tables, Databases and Relationships containers, MSysDb with its properties, permission
// rows for every object) and the user tables of the schema, without rows and without indexes.
// The output depends on the schema alone, so a template rebuilt from the same schema is the
// same file byte for byte. Used to produce the embedded templates (templates/).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace frixa::jet {

enum class NewColumnType {
  Long,    // 32-bit signed integer
  Single,  // 32-bit float
  Double,  // 64-bit float
  Text,    // up to `length` characters, code page 1252
};

struct NewColumn {
  std::string name;
  NewColumnType type = NewColumnType::Long;
  std::uint16_t length = 0;  // Text: maximum characters, 1..255; ignored otherwise
  // Text: when set, the column's AllowZeroLength property is written with this value; when
  // not, the property is left out. Ignored for other types.
  std::optional<bool> allowZeroLength;
  // Written as the column's Required property (false: nulls allowed).
  bool required = false;

  static NewColumn Long(std::string name) { return {std::move(name), NewColumnType::Long, 0, std::nullopt, false}; }
  static NewColumn Single(std::string name) { return {std::move(name), NewColumnType::Single, 0, std::nullopt, false}; }
  static NewColumn Double(std::string name) { return {std::move(name), NewColumnType::Double, 0, std::nullopt, false}; }
  static NewColumn Text(std::string name, std::uint16_t length, std::optional<bool> allowZeroLength = std::nullopt) {
    return {std::move(name), NewColumnType::Text, length, allowZeroLength, false};
  }
};

struct NewTable {
  std::string name;
  std::vector<NewColumn> columns;  // in stored order
};

// 2000-01-01 00:00:00 as a date value (days since 1899-12-30).
inline constexpr double kDefaultCreationDate = 36526.0;

struct DatabaseSchema {
  std::vector<NewTable> tables;  // catalogued in this order
  // DateCreate and DateUpdate of every catalog row.
  double creationDate = kDefaultCreationDate;
};

// Builds the database. Names (tables and columns) are 1 to 64 characters of letters, digits,
// blanks, '_' and '-', must not start with a blank, and are unique without regard to case
// (table names also against the system tables'); a table has 1 to 255 columns. A schema that
// breaks these rules, or that is too large for the builder (catalog indexes of one page each:
// roughly 60 tables), raises frixa::Error(errnum::kInvalidProcedureCall, reason).
std::vector<std::uint8_t> BuildDatabase(const DatabaseSchema& schema);

}  // namespace frixa::jet
