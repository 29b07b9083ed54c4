// Byte-level encoders of the database builder: rows described the builder's way, index keys
// and property (LvProp) blobs. Little-endian fields, row pointers, the row encoder and the RC4
// mask are the engine's own (byte_order.h, page.h, row_format.h, rc4.h). Used by build_pages
// and db_builder; nothing here knows which tables a database holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "jet/byte_order.h"
#include "jet/page.h"

namespace frixa::jet::build {

using Bytes = std::vector<std::uint8_t>;

// ---- fields --------------------------------------------------------------------------------

void AppendText(Bytes& out, std::string_view text);  // the bytes as they are (code page 1252)

Bytes U32Bytes(std::uint32_t value);
Bytes F64Bytes(double value);

// ---- rows ----------------------------------------------------------------------------------

// Where one column's value goes in a row of its table.
struct RowColumn {
  std::uint16_t number = 0;       // position in the null mask
  bool fixed = false;             // fixed area (true) or variable data (false)
  bool boolean = false;           // value held by the null-mask bit alone
  std::uint16_t fixedOffset = 0;  // fixed columns: offset in the fixed area
  std::uint16_t length = 0;       // fixed columns: width in the fixed area
  std::uint16_t varIndex = 0;     // variable columns: index among them
};

// One value per column, in the order of `columns`: nullopt = null. A fixed column's bytes
// fill exactly its width; a boolean column is True when a value (any, even empty) is present.
using RowValues = std::vector<std::optional<Bytes>>;

// Encodes a Jet 3 row with the engine's row encoder (jet/row_format.h); rows longer than 256
// bytes get their jump table.
Bytes EncodeRow(std::uint16_t columnCount, const std::vector<RowColumn>& columns,
                const RowValues& values);

// ---- index keys ----------------------------------------------------------------------------

// Key of a Long column in ascending order: 7F, then the value big-endian with the sign bit
// flipped, so that byte order is numeric order.
Bytes LongKey(std::int32_t value);

// Key of a Text column in ascending order under the General sort order: 7F, one sort code per
// character (upper and lower case share a code), 00. Only the characters the builder lets into
// object names are known here (letters, digits, blank, '_' and '-'); nullopt for any other.
std::optional<Bytes> TextKey(std::string_view text);

// ---- properties (LvProp) -------------------------------------------------------------------

// Property data types as the blob stores them.
namespace prop_type {
inline constexpr std::uint8_t kBoolean = 1;
inline constexpr std::uint8_t kByte = 2;
inline constexpr std::uint8_t kInteger = 3;
inline constexpr std::uint8_t kLong = 4;
inline constexpr std::uint8_t kText = 10;
}  // namespace prop_type

struct Property {
  std::string name;
  std::uint8_t type = 0;
  bool ddl = false;  // set by data definition (engine property) rather than by the application
  Bytes value;
};

// The properties of the object itself (target "") or of one of its columns (target = name).
struct PropertyBlock {
  std::string target;
  std::vector<Property> properties;
};

// Encodes the "KKD\0" property blob:
//
//   "KKD\0"
//   chunk 0x80: [u32 length][u16 0x80] then [u16 length][name] for every property name
//   per block:  [u32 length][u16 type: 0 object, 1 column][u32 6 + n][u16 n][target name]
//               then per property [u16 8 + v][u8 ddl][u8 type][u16 name index][u16 v][value]
//
// The first block must be the object's own (target ""); the name list holds each name once,
// in order of first use.
Bytes EncodePropertyBlob(const std::vector<PropertyBlock>& blocks);

}  // namespace frixa::jet::build
