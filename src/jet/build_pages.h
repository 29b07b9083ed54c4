// Page encoders of the database builder: the database header (page 0), usage maps, data pages,
// index leaf pages and table definition (TDEF) pages of a Jet 3 file with 2048-byte pages.
// Each function returns one whole page; db_builder decides which page goes where.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "jet/build_encode.h"
#include "jet/data_page.h"

namespace frixa::jet::build {

// Page type bytes.
inline constexpr std::uint8_t kPageHeader = 0x00;
inline constexpr std::uint8_t kPageData = 0x01;
inline constexpr std::uint8_t kPageTdef = 0x02;
inline constexpr std::uint8_t kPageLeaf = 0x04;

// Owner field of long-value pages: the text "LVAL".
inline constexpr std::uint32_t kLongValueOwner = data_page::kLongValueOwner;

// Sort order (General) and code page (Windows-1252) of the database and of every column.
inline constexpr std::uint16_t kSortOrderGeneral = 0x0409;
inline constexpr std::uint16_t kCodePage1252 = 1252;

// ---- page 0 --------------------------------------------------------------------------------

// The database header with database key 0 (no page beyond this one is encrypted), General sort
// order, code page 1252 and no password; bytes 0x18..0x95 masked with the fixed RC4 key.
Bytes EncodeHeaderPage();
// (Field offsets and the mask: jet/header.h.)

// ---- usage maps ----------------------------------------------------------------------------

// Inline usage-map row (133 bytes): 00, u32 first page (0), then one bit per page 0..1023.
inline constexpr std::size_t kUsageMapRowSize = 133;
inline constexpr std::uint32_t kUsageMapPages = 1024;
Bytes EncodeUsageMap(const std::vector<std::uint32_t>& pages);

// ---- data pages ----------------------------------------------------------------------------

// Data page header: [01][01][u16 free space][u32 owner][u16 row count][u16 offset per row].
inline constexpr std::size_t kDataPageHeaderSize = 10;
inline constexpr std::size_t kDataPageRowSpace = kPageSize - kDataPageHeaderSize;

// Rows pack downward from the end of the page in slot order; throws std::length_error when
// they do not fit.
Bytes EncodeDataPage(std::uint32_t owner, const std::vector<Bytes>& rows);

// Places rows of the given sizes on consecutive pages, filling each page in order until the
// next row does not fit. Returns (page index from 0, slot) per row.
std::vector<std::pair<std::uint32_t, std::uint8_t>> PackRows(const std::vector<std::size_t>& sizes);

// ---- index leaf pages ----------------------------------------------------------------------

struct LeafEntry {
  Bytes key;
  RowPointer row;
};

// Leaf header: [04][01][u16 free][u32 owner TDEF][u32 prev][u32 next][u32 tail][u8 prefix]
// [u8 0], a bitmask from 0x16 with one bit set where each entry ends (bit k = offset 0xF8 + k),
// entries from 0xF8: key, 3-byte big-endian page, slot. Entries are sorted by key bytes, equal
// keys by row. A single leaf: no neighbours, no shared prefix. Throws std::length_error when
// the entries do not fit on one page.
Bytes EncodeIndexLeaf(std::uint32_t ownerTdef, std::vector<LeafEntry> entries);
inline constexpr std::size_t kLeafEntriesStart = 0xF8;

// ---- table definitions ---------------------------------------------------------------------

// Column flag bits.
inline constexpr std::uint8_t kColumnFixed = 0x01;

struct TdefColumn {
  std::uint8_t type = 0;
  std::uint16_t number = 0;
  std::uint16_t varIndex = 0;  // index among the variable columns; fixed: how many come before
  std::uint32_t id = 0;
  std::uint8_t flags = 0;
  std::uint16_t fixedOffset = 0;
  std::uint16_t length = 0;
  std::string name;
};

struct TdefRealIndex {
  std::vector<std::pair<std::uint16_t, bool>> columns;  // (column number, ascending), at most 10
  RowPointer map;           // usage map of the index's pages
  std::uint32_t firstPage = 0;
  std::uint8_t flags = 0;   // 01 unique, 02 ignore nulls, 08 required
  std::uint32_t count = 0;  // first u32 of the index's 8 bytes in the header part
  std::uint32_t distinctKeys = 0;
};

struct TdefLogicalIndex {
  std::uint32_t number = 0;
  std::uint32_t realIndex = 0;
  std::uint8_t type = 0;  // 01 primary key
  std::string name;
};

struct TdefLongValueColumn {
  std::uint16_t number = 0;
  RowPointer ownedMap;
  RowPointer freeMap;
};

struct TableDefinition {
  bool system = false;
  std::uint32_t rowCount = 0;
  RowPointer ownedMap;  // pages holding the table's rows
  RowPointer freeMap;   // those of them with room for more
  std::vector<TdefColumn> columns;
  std::vector<TdefRealIndex> realIndexes;
  std::vector<TdefLogicalIndex> logicalIndexes;       // in stored order (by name)
  std::vector<TdefLongValueColumn> longValueColumns;  // in stored order (by column name)
};

// One TDEF page:
//
//   0  02 01 "VC"  4 u32 next TDEF page (0)  8 u32 definition length  12 u32 row count
//   16 u32 next AutoNumber (0)  20 u8 4E user / 53 system  21 u16 max columns
//   23 u16 variable columns  25 u16 columns  27 u32 logical indexes  31 u32 real indexes
//   35 u32 owned-pages map pointer  39 u32 free-space map pointer
//   43 8 bytes per real index, then 18 bytes per column, the column names (u8 length + text),
//   39 bytes per real index, 20 bytes per logical index, the index names, 10 bytes per
//   long-value column, FF FF.
//
// Throws std::length_error when the definition needs more than one page.
Bytes EncodeTdefPage(const TableDefinition& table);

}  // namespace frixa::jet::build
