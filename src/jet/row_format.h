// The layout of a Jet 3 row: its split into the bytes of each column (reading) and its
// encoding from them (writing).
//
//   0           1 ..                        eod                                    end of row
//  +-----------+------------+---------------+-----+-----------------+-------+------+----------+
//  | col count | fixed area | variable data | eod | var offsets     | jump  | var  | null     |
//  | (u8)      |            |               |(u8) | last col first  | table | count| mask     |
//  +-----------+------------+---------------+-----+-----------------+-------+------+----------+
//
// - col count: the table's max column count when the row was written; later columns are null.
// - fixed area: each fixed column at 1 + its fixed offset, full width even when null.
// - variable columns: offsets are single bytes from the row start; the jump table lifts them
//   past 255. A row of length L has J = (L - 1) / 256 jump entries; entry k (k = 1..J, entry 1
//   just before the var count) holds the first offset index whose real offset is >= 256 * k,
//   or FF. When the end-of-data offset lies before 256 * J the last entry is a dummy.
//   The eod byte is the offset of the end of the variable data; var column i runs from
//   offset i to offset i + 1.
// - null mask: (col count + 7) / 8 bytes, bit n (LSB first) for column number n; 1 = present.
//   A Boolean column has no bytes: its bit is its value.
// A table without variable columns has only the col count, the fixed area and the null mask.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "jet/table_def.h"

namespace frixa::jet {

namespace row_format {
inline constexpr std::size_t kColumnCountOffset = 0;
inline constexpr std::size_t kFixedAreaOffset = 1;
inline constexpr std::size_t kJumpSpan = 256;
inline constexpr std::uint8_t kNoJump = 0xFF;  // a jump entry with no offset in its span
inline constexpr std::size_t NullMaskSize(std::size_t columnCount) {
  return (columnCount + 7) / 8;
}
}  // namespace row_format

// The bytes of one column of one row. `present` is the null-mask bit: false means null (for
// a Boolean: false). `bytes` is empty for null and Boolean columns.
struct FieldBytes {
  bool present = false;
  ByteSpan bytes;
};

// A value of a fixed-size number column (Byte, Integer, Long, Currency, Single, Double,
// DateTime), without the weight of a Value: `whole` for the whole-number types (Currency in
// ten-thousandths), `real` for the others. `present` false is null.
struct FixedNumber {
  bool present = false;
  std::int64_t whole = 0;
  double real = 0;
};

// True for the column types a FixedNumber carries.
bool IsFixedNumberType(ColumnType type);

// The bytes of a present value of `type` (a fixed-number type), FixedSizeOf(type) of them.
void StoreFixedNumber(ColumnType type, const FixedNumber& value, std::uint8_t* out);
// The value stored in `bytes` (FixedSizeOf(type) of them) for `type`.
FixedNumber LoadFixedNumber(ColumnType type, const std::uint8_t* bytes);

// Splits `row` into the fields of `def.columns`, in that order, into `out`. Raises
// CorruptError when a count, an offset or a column's bytes do not fit inside the row.
void SplitRow(ByteSpan row, const TableDef& def, std::vector<FieldBytes>& out);

// Bytes a fixed column takes in the fixed area: its type's size, or its declared length for a
// fixed column of a type without one.
std::size_t FixedWidthOf(const ColumnDef& column);

// Encodes one row of a table whose columns are `columns` (any order) and whose rows start
// with `columnCount` (its max column count) into `out`, replacing what `out` held. `fields`
// holds one entry per column, in the order of `columns`: `present` false is null (for a
// Boolean: False); the bytes of a present fixed column are exactly its width, those of a
// variable column its value. Rows longer than 256 bytes get their jump table. Arguments that
// break these rules are a programmer's mistake: std::invalid_argument.
void EncodeRow(std::span<const ColumnDef> columns, std::size_t columnCount,
               std::span<const FieldBytes> fields, std::vector<std::uint8_t>& out);

}  // namespace frixa::jet
