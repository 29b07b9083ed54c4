// Byte-level helpers of the database builder: rows from optional values, and index keys.
// Little-endian fields, row pointers, the row encoder and the property blobs are the engine's
// own (byte_order.h, page.h, row_format.h, properties.h). Used by build_pages and db_builder;
// nothing here knows which tables a database holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "jet/byte_order.h"
#include "jet/column.h"
#include "jet/page.h"

namespace frixa::jet::build {

using Bytes = std::vector<std::uint8_t>;

// ---- fields --------------------------------------------------------------------------------

void AppendText(Bytes& out, std::string_view text);  // the bytes as they are (code page 1252)

Bytes U32Bytes(std::uint32_t value);
Bytes F64Bytes(double value);

// ---- rows ----------------------------------------------------------------------------------

// One value per column, in the order of the columns: nullopt = null. A fixed column's bytes
// fill exactly its width; a boolean column is True when a value (any, even empty) is present.
using RowValues = std::vector<std::optional<Bytes>>;

// Encodes a row of a table whose columns are `columns` (its max column count: their number)
// with the engine's row encoder (jet/row_format.h).
Bytes EncodeRow(const std::vector<ColumnDef>& columns, const RowValues& values);

// ---- index keys ----------------------------------------------------------------------------

// Key of a Long column in ascending order: 7F, then the value big-endian with the sign bit
// flipped, so that byte order is numeric order.
Bytes LongKey(std::int32_t value);

// Key of a Text column in ascending order under the General sort order: 7F, one sort code per
// character (upper and lower case share a code), 00. Only the characters the builder lets into
// object names are known here (letters, digits, blank, '_' and '-'); nullopt for any other.
std::optional<Bytes> TextKey(std::string_view text);

}  // namespace frixa::jet::build
