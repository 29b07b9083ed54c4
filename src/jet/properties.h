// Object and column properties, as MSysObjects.LvProp keeps them in a "KKD\0" blob. The writer
// reads the two properties that the engine enforces on every row it stores: Required (no
// nulls) and AllowZeroLength (text columns: no "" unless set).
//
//   "KKD\0"
//   chunk: [u32 length, header included][u16 kind] body
//     kind 0x80  names: [u16 length][name] ...          (referred to by index below)
//     kind 0x00  the object's own properties  } body: [u32 6 + n][u16 n][target name]
//     kind 0x01  one column's properties      }       then properties
//   property: [u16 length][u8 DDL flag][u8 data type][u16 name index][u16 value length][value]
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "jet/column.h"
#include "jet/page_file.h"

namespace frixa::jet {

namespace properties {
inline constexpr char kSignature[4] = {'K', 'K', 'D', '\0'};
inline constexpr std::uint16_t kChunkNames = 0x80;
inline constexpr std::uint16_t kChunkObject = 0x00;
inline constexpr std::uint16_t kChunkColumn = 0x01;
inline constexpr std::size_t kChunkHeaderSize = 6;     // u32 length, u16 kind
inline constexpr std::size_t kTargetHeaderSize = 6;    // u32 6 + name length, u16 name length
inline constexpr std::size_t kPropertyHeaderSize = 8;  // u16 length, ddl, type, u16 name, u16 size
}  // namespace properties

// A property's data type byte is that of a column of the type (column.h).
inline constexpr std::uint8_t PropertyType(ColumnType type) { return static_cast<std::uint8_t>(type); }

struct Property {
  std::string name;
  std::uint8_t type = 0;
  bool ddl = false;
  std::vector<std::uint8_t> value;
};

struct PropertyBlock {
  bool column = false;  // false: the object's own
  std::string target;   // the column's name
  std::vector<Property> properties;
};

// Decodes a blob; raises CorruptError when a length does not fit.
std::vector<PropertyBlock> DecodeProperties(ByteSpan blob);

// Encodes a blob that decodes to `blocks`: the name list holds each property name once, in
// order of first use. The object's own block (column false) must come first; the program's
// mistake otherwise (std::invalid_argument).
std::vector<std::uint8_t> EncodeProperties(const std::vector<PropertyBlock>& blocks);

// The Boolean property `name` of column `column` (names compare without regard to case);
// nullopt when the blob does not hold it.
std::optional<bool> ColumnFlag(const std::vector<PropertyBlock>& blocks, std::string_view column,
                               std::string_view name);

// The catalog row of the table whose definition starts on `tdefPage`: its name and its
// properties (none when its LvProp is null). Raises CorruptError when the catalog has no such
// table.
struct CatalogTable {
  std::string name;
  std::vector<PropertyBlock> properties;
};
CatalogTable ReadCatalogTable(const PageFile& file, PageNumber tdefPage);

}  // namespace frixa::jet
