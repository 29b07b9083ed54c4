// Page encoders of the database builder; see build_pages.h.
#include "jet/build_pages.h"

#include <algorithm>

#include "common/error.h"
#include "jet/header.h"
#include "jet/table_def.h"

namespace frixa::jet::build {

namespace {

// ---- page 0 layout (the fields the reader knows: jet/header.h) ----
// Bytes 0x18..0x2F and 0x56..0x57 as every Jet 3 file seen holds them; the engine does not
// document them (0x56 may be the creating engine's build).
constexpr std::uint8_t kHeaderPrologue[24] = {0x00, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00,
                                              0x02, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00,
                                              0x04, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00};
constexpr std::size_t kEngineBuildOffset = 0x56;
constexpr std::uint16_t kEngineBuild = 0x0D64;
// A table of 256 byte pairs at 0x600 whose meaning is unknown: [01 01] [00 01] [00 01] ...
constexpr std::size_t kPairTableOffset = 0x600;
constexpr std::size_t kPairTableEntries = 256;

// ---- index leaves ----
constexpr std::size_t kLeafFreeOffset = 2;
constexpr std::size_t kLeafOwnerOffset = 4;
constexpr std::size_t kLeafEndMaskOffset = 0x16;

// ---- TDEF ----
constexpr std::size_t kIndexColumnSlots = 10;

}  // namespace

Bytes EncodeHeaderPage() {
  Bytes page(kPageSize, 0);
  std::copy(header::kMagic.begin(), header::kMagic.end(), page.begin() + header::kMagicOffset);
  std::copy(header::kSignature, header::kSignature + header::kSignatureSize,
            page.begin() + header::kSignatureOffset);
  page[header::kVersionOffset] = header::kVersionJet3;

  std::copy(std::begin(kHeaderPrologue), std::end(kHeaderPrologue), page.begin() + header::kMaskedOffset);
  StoreU16(page, header::kSortOrderOffset, header::kSortGeneral);
  StoreU16(page, header::kCodePageOffset, header::kCodePage1252);
  StoreU32(page, header::kDatabaseKeyOffset, 0);  // 0: pages after page 0 are not encrypted
  StoreU16(page, kEngineBuildOffset, kEngineBuild);
  ApplyHeaderMask(page);

  for (std::size_t i = 0; i < kPairTableEntries; ++i) {
    page[kPairTableOffset + 2 * i] = i == 0 ? 0x01 : 0x00;
    page[kPairTableOffset + 2 * i + 1] = 0x01;
  }
  return page;
}

Bytes EncodeDataPage(std::uint32_t owner, const std::vector<Bytes>& rows) {
  Bytes page(kPageSize);
  data_page::Initialize(page, owner);
  for (const Bytes& row : rows) {
    if (!data_page::RoomForRow(page, row.size())) throw DoesNotFit("EncodeDataPage: rows do not fit");
    data_page::AddRow(page, row, 0);
  }
  return page;
}

std::vector<std::pair<std::uint32_t, std::uint8_t>> PackRows(const std::vector<std::size_t>& sizes) {
  std::vector<std::pair<std::uint32_t, std::uint8_t>> placed;
  std::uint32_t page = 0;
  std::size_t used = 0;
  std::uint32_t slot = 0;
  for (const auto size : sizes) {
    const std::size_t need = size + data_page::kSlotSize;
    if (need > data_page::kEmptyFreeSpace) throw DoesNotFit("PackRows: row larger than a page");
    if (used + need > data_page::kEmptyFreeSpace || slot >= data_page::kMaxRowsPerPage) {
      ++page;
      used = 0;
      slot = 0;
    }
    placed.emplace_back(page, static_cast<std::uint8_t>(slot));
    used += need;
    ++slot;
  }
  return placed;
}

namespace {

// Byte order of index keys; a key that is a prefix of another sorts first.
bool KeyLess(const Bytes& a, const Bytes& b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    if (a[i] != b[i]) return a[i] < b[i];
  }
  return a.size() < b.size();
}

}  // namespace

Bytes EncodeIndexLeaf(std::uint32_t ownerTdef, std::vector<LeafEntry> entries) {
  std::sort(entries.begin(), entries.end(), [](const LeafEntry& a, const LeafEntry& b) {
    if (KeyLess(a.key, b.key)) return true;
    if (KeyLess(b.key, a.key)) return false;
    return a.row.ToU32() < b.row.ToU32();
  });
  Bytes page(kPageSize, 0);
  page[0] = static_cast<std::uint8_t>(PageType::kIndexLeaf);
  page[1] = 0x01;
  StoreU32(page, kLeafOwnerOffset, ownerTdef);
  std::size_t at = kLeafEntriesStart;
  for (const auto& e : entries) {
    const std::size_t size = e.key.size() + 4;
    if (at + size > kPageSize) throw DoesNotFit("EncodeIndexLeaf: entries do not fit one leaf");
    std::copy(e.key.begin(), e.key.end(), page.begin() + static_cast<std::ptrdiff_t>(at));
    at += e.key.size();
    page[at++] = static_cast<std::uint8_t>(e.row.page >> 16);
    page[at++] = static_cast<std::uint8_t>(e.row.page >> 8);
    page[at++] = static_cast<std::uint8_t>(e.row.page);
    page[at++] = e.row.row;
    const std::size_t bit = at - kLeafEntriesStart;
    page[kLeafEndMaskOffset + bit / 8] = static_cast<std::uint8_t>(page[kLeafEndMaskOffset + bit / 8] | (1u << (bit % 8)));
  }
  StoreU16(page, kLeafFreeOffset, static_cast<std::uint16_t>(kPageSize - at));
  return page;
}

std::optional<std::vector<LeafEntry>> DecodeIndexLeaf(ByteSpan page, std::uint32_t ownerTdef) {
  constexpr std::size_t kPrevOffset = 8;
  constexpr std::size_t kNextOffset = 12;
  constexpr std::size_t kTailOffset = 16;
  constexpr std::size_t kPrefixOffset = 20;
  constexpr std::size_t kEntrySuffix = 4;  // 3-byte page, slot
  if (page.size() != kPageSize || page[0] != static_cast<std::uint8_t>(PageType::kIndexLeaf) ||
      ReadU32(page, kLeafOwnerOffset) != ownerTdef || ReadU32(page, kPrevOffset) != 0 ||
      ReadU32(page, kNextOffset) != 0 || ReadU32(page, kTailOffset) != 0 || page[kPrefixOffset] != 0) {
    return std::nullopt;
  }
  std::vector<LeafEntry> entries;
  std::size_t start = kLeafEntriesStart;
  for (std::size_t at = kLeafEntriesStart + 1; at <= kPageSize; ++at) {
    const std::size_t bit = at - kLeafEntriesStart;
    if ((page[kLeafEndMaskOffset + bit / 8] & (1u << (bit % 8))) == 0) continue;
    if (at - start <= kEntrySuffix) return std::nullopt;
    const std::size_t keyEnd = at - kEntrySuffix;
    LeafEntry e;
    e.key.assign(page.begin() + static_cast<std::ptrdiff_t>(start), page.begin() + static_cast<std::ptrdiff_t>(keyEnd));
    e.row.page = (std::uint32_t{page[keyEnd]} << 16) | (std::uint32_t{page[keyEnd + 1]} << 8) | page[keyEnd + 2];
    e.row.row = page[keyEnd + 3];
    entries.push_back(std::move(e));
    start = at;
  }
  if (ReadU16(page, kLeafFreeOffset) != kPageSize - start) return std::nullopt;
  return entries;
}

Bytes EncodeTdefPage(const TableDefinition& table) {
  std::uint16_t varColumns = 0;
  for (const auto& c : table.columns) {
    if (!c.IsFixed()) ++varColumns;
  }
  const auto columnCount = static_cast<std::uint16_t>(table.columns.size());

  // The header, the real indexes' counts and the column records; the length is stored last.
  Bytes d(tdef::kFixedPartSize + table.realIndexes.size() * tdef::kRealIndexEntrySize +
          table.columns.size() * tdef::column_record::kSize);
  std::size_t at = tdef::kFixedPartSize;
  for (const auto& ix : table.realIndexes) {
    StoreU32(d, at, ix.count);
    StoreU32(d, at + 4, ix.distinctKeys);
    at += tdef::kRealIndexEntrySize;
  }
  for (ColumnDef c : table.columns) {
    c.sortOrder = header::kSortGeneral;
    c.codePage = header::kCodePage1252;
    StoreColumnRecord(MutableByteSpan(d).subspan(at, tdef::column_record::kSize), c);
    at += tdef::column_record::kSize;
  }
  for (const auto& c : table.columns) {
    AppendU8(d, static_cast<std::uint32_t>(c.name.size()));
    AppendText(d, c.name);
  }
  for (const auto& ix : table.realIndexes) {
    if (ix.columns.size() > kIndexColumnSlots) throw DoesNotFit("EncodeTdefPage: index of more than 10 columns");
    for (std::size_t i = 0; i < kIndexColumnSlots; ++i) {
      if (i < ix.columns.size()) {
        AppendU16(d, ix.columns[i].first);
        AppendU8(d, ix.columns[i].second ? 0x01 : 0x00);
      } else {
        AppendU16(d, 0xFFFF);
        AppendU8(d, 0x00);
      }
    }
    AppendU32(d, ix.map.ToU32());
    AppendU32(d, ix.firstPage);
    AppendU8(d, ix.flags);
  }
  for (const auto& lx : table.logicalIndexes) {
    AppendU32(d, lx.number);
    AppendU32(d, lx.realIndex);
    AppendU8(d, 0x00);
    AppendU32(d, 0xFFFFFFFFu);
    AppendU32(d, 0);
    AppendU8(d, 0x04);
    AppendU8(d, 0x04);
    AppendU8(d, lx.type);
  }
  for (const auto& lx : table.logicalIndexes) {
    AppendU8(d, static_cast<std::uint32_t>(lx.name.size()));
    AppendText(d, lx.name);
  }
  for (const auto& lv : table.longValueColumns) {
    AppendU16(d, lv.number);
    AppendU32(d, lv.ownedMap.ToU32());
    AppendU32(d, lv.freeMap.ToU32());
  }
  AppendU16(d, tdef::kEnd);

  if (d.size() > kPageSize) throw DoesNotFit("EncodeTdefPage: definition longer than a page");
  TableDefHeader h;
  h.length = static_cast<std::uint32_t>(d.size());
  h.rowCount = table.rowCount;
  h.kind = table.system ? tdef::kKindSystem : tdef::kKindUser;
  h.maxColumns = columnCount;
  h.varColumnCount = varColumns;
  h.columnCount = columnCount;
  h.logicalIndexCount = static_cast<std::uint32_t>(table.logicalIndexes.size());
  h.realIndexCount = static_cast<std::uint32_t>(table.realIndexes.size());
  h.ownedPagesMap = table.ownedMap;
  h.freeSpaceMap = table.freeMap;
  StoreTableDefHeader(d, h);
  d.resize(kPageSize, 0);
  return d;
}

}  // namespace frixa::jet::build
