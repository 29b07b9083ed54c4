// Table definitions (TDEF pages, type 2): a table's columns, its row count and where its pages
// are listed. A definition longer than a page continues on further TDEF pages; each repeats
// the 8-byte page header and carries on with the definition bytes after it.
//
// Definition, offsets into the bytes joined over all its pages:
//    0    1    2..3   4..7               8..11             12..15     16..19
//   | 02 | 01 | "VC" | next TDEF page   | definition length| row count| next AutoNumber |
//    20           21..22       23..24       25..26    27..30          31..34
//   | 4E user /  | max column | variable   | column  | logical index | real index |
//   | 53 system  | count      | col. count | count   | count         | count      |
//    35..38                         39..42
//   | owned pages usage map (ptr)  | free-space pages usage map (ptr) |
//    43 ..  8 bytes per real index (row count, distinct keys)
//    then 18 bytes per column (ColumnRecord below), then the column names (u8 length +
//    cp1252 bytes) in the same order, then the index records, index names and the usage maps
//    of the long-value columns, and FF FF.
//
// Column record (18 bytes):
//    0      1..2     3..4        5..8        9..10  11..12    13     14..15        16..17
//   | type | number | var index | writer id | sort | code pg | flags | fixed offset | length |
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/column.h"
#include "jet/page_file.h"

namespace frixa::jet {

namespace tdef {
inline constexpr std::uint8_t kSignature[4] = {static_cast<std::uint8_t>(PageType::kTableDefinition), 0x01,
                                               'V', 'C'};
inline constexpr std::size_t kPageHeaderSize = 8;     // repeated on continuation pages
inline constexpr std::size_t kNextPageOffset = 4;     // u32, 0 on the last page
inline constexpr std::size_t kLengthOffset = 8;       // u32
inline constexpr std::size_t kRowCountOffset = 12;    // u32
inline constexpr std::size_t kAutoNumberOffset = 16;  // u32
inline constexpr std::size_t kKindOffset = 20;        // u8
inline constexpr std::size_t kMaxColumnsOffset = 21;  // u16
inline constexpr std::size_t kVarColumnsOffset = 23;  // u16
inline constexpr std::size_t kColumnCountOffset = 25; // u16
inline constexpr std::size_t kLogicalIndexCountOffset = 27;  // u32
inline constexpr std::size_t kRealIndexCountOffset = 31;     // u32
inline constexpr std::size_t kOwnedMapOffset = 35;    // RowPointer
inline constexpr std::size_t kFreeMapOffset = 39;     // RowPointer
inline constexpr std::size_t kFixedPartSize = 43;
inline constexpr std::size_t kRealIndexEntrySize = 8;
inline constexpr std::uint8_t kKindUser = 0x4E;
inline constexpr std::uint8_t kKindSystem = 0x53;
inline constexpr std::uint16_t kEnd = 0xFFFF;  // the definition's last two bytes

namespace column_record {
inline constexpr std::size_t kSize = 18;
inline constexpr std::size_t kType = 0;
inline constexpr std::size_t kNumber = 1;
inline constexpr std::size_t kVarIndex = 3;
inline constexpr std::size_t kWriterId = 5;
inline constexpr std::size_t kSortOrder = 9;
inline constexpr std::size_t kCodePage = 11;
inline constexpr std::size_t kFlags = 13;
inline constexpr std::size_t kFixedOffset = 14;
inline constexpr std::size_t kLength = 16;
}  // namespace column_record

// Definitions are read from at most this many pages; a longer chain is taken for a loop.
inline constexpr std::size_t kMaxPages = 64;
}  // namespace tdef

// The fixed part of a definition: its first kFixedPartSize bytes.
struct TableDefHeader {
  PageNumber nextPage = 0;
  std::uint32_t length = 0;
  std::uint32_t rowCount = 0;
  std::uint32_t nextAutoNumber = 0;
  std::uint8_t kind = 0;
  std::uint16_t maxColumns = 0;
  std::uint16_t varColumnCount = 0;
  std::uint16_t columnCount = 0;
  std::uint32_t logicalIndexCount = 0;
  std::uint32_t realIndexCount = 0;
  RowPointer ownedPagesMap;
  RowPointer freeSpaceMap;
};

// The header of the definition bytes `definition` (at least kFixedPartSize of them).
TableDefHeader LoadTableDefHeader(ByteSpan definition);
// Writes `header` with the signature into the first kFixedPartSize bytes of `definition`.
void StoreTableDefHeader(MutableByteSpan definition, const TableDefHeader& header);

// A column record (tdef::column_record::kSize bytes); the name is stored apart.
ColumnDef LoadColumnRecord(ByteSpan record);
void StoreColumnRecord(MutableByteSpan record, const ColumnDef& column);

struct TableDef {
  PageNumber page = 0;                 // the first TDEF page: the table's id in the catalog
  std::uint32_t rowCount = 0;          // as the definition keeps it
  std::uint32_t nextAutoNumber = 0;
  std::uint8_t kind = 0;               // tdef::kKindUser or tdef::kKindSystem
  std::uint16_t maxColumns = 0;        // the column count every row starts with
  std::uint16_t varColumnCount = 0;
  std::uint32_t logicalIndexCount = 0;
  std::uint32_t realIndexCount = 0;
  RowPointer ownedPagesMap;
  RowPointer freeSpaceMap;
  // In column-number order: the order of "Select *".
  std::vector<ColumnDef> columns;
  // The definition bytes joined over its pages, for the parts not decoded here (indexes,
  // long-value usage maps); `namesEnd` is where the column names stop.
  std::vector<std::uint8_t> definition;
  std::size_t namesEnd = 0;
  std::vector<PageNumber> pages;       // the TDEF pages, first to last

  // Index into `columns` of the column named `name` (letter case ignored), or -1.
  int FindColumn(std::string_view name) const;
};

// Reads the definition that starts on `page`. Raises CorruptError for anything that does not
// fit: wrong page type, a chain that loops or runs out of the file, counts beyond the bytes.
TableDef ReadTableDef(const PageFile& file, PageNumber page);

}  // namespace frixa::jet
