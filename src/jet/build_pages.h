// Page encoders of the database builder: the database header (page 0), usage maps, data pages,
// index leaf pages and table definition (TDEF) pages of a Jet 3 file with 2048-byte pages.
// Each function returns one whole page; db_builder decides which page goes where.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "jet/build_encode.h"
#include "jet/column.h"
#include "jet/data_page.h"

namespace frixa::jet::build {

// ---- page 0 --------------------------------------------------------------------------------

// The database header with database key 0 (no page beyond this one is encrypted), General sort
// order, code page 1252 and no password; bytes 0x18..0x95 masked with the fixed RC4 key.
Bytes EncodeHeaderPage();
// (Field offsets and the mask: jet/header.h.)

// ---- data pages ----------------------------------------------------------------------------

// A data page of `owner` holding `rows` in slot order, as the writer lays rows out
// (data_page.h); throws DoesNotFit (error 1005) when they do not fit.
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
// keys by row. A single leaf: no neighbours, no shared prefix. Throws DoesNotFit when
// the entries do not fit on one page.
Bytes EncodeIndexLeaf(std::uint32_t ownerTdef, std::vector<LeafEntry> entries);
inline constexpr std::size_t kLeafEntriesStart = 0xF8;

// The entries of a leaf of `ownerTdef` in the form EncodeIndexLeaf writes (a single leaf, no
// neighbours, no shared prefix), in stored order; nullopt for a page of any other form.
std::optional<std::vector<LeafEntry>> DecodeIndexLeaf(ByteSpan page, std::uint32_t ownerTdef);

// ---- table definitions ---------------------------------------------------------------------

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
  // Sort order and code page are those of the database (EncodeTdefPage sets them); a fixed
  // column's varIndex is the count of variable columns before it.
  std::vector<ColumnDef> columns;
  std::vector<TdefRealIndex> realIndexes;
  std::vector<TdefLogicalIndex> logicalIndexes;       // in stored order (by name)
  std::vector<TdefLongValueColumn> longValueColumns;  // in stored order (by column name)
};

// One TDEF page, laid out as table_def.h describes: header and column records through the
// reader's own codecs, then the column names, 39 bytes per real index, 20 bytes per logical
// index, the index names, 10 bytes per long-value column, FF FF. The next TDEF page and the
// next AutoNumber are 0; the max column count is the column count (no column was deleted).
//
// Throws DoesNotFit when the definition needs more than one page.
Bytes EncodeTdefPage(const TableDefinition& table);

}  // namespace frixa::jet::build
