// CheckConsistency: page accounting and usage maps of a whole file, with the reader's decoders.
#include "support/jet_consistency.h"

#include <map>
#include <set>

#include "jet/data_page.h"
#include "jet/usage_map.h"

namespace frixa::testing {

namespace {

using jet::ByteSpan;
using jet::PageNumber;
using jet::RowPointer;

constexpr std::size_t kRealIndexSize = 39;
constexpr std::size_t kRealIndexMapOffset = 30;
constexpr std::size_t kLogicalIndexSize = 20;
constexpr std::size_t kLongValueEntrySize = 10;

struct OwnedMap {
  RowPointer map;
  PageNumber table = 0;
  enum class Kind { kRows, kIndex, kLongValues } kind = Kind::kRows;
};

// The maps a table definition points at beyond its own two: one per real index and two per
// long-value column (owned, free).
void ExtraMaps(const jet::TableDef& def, std::vector<OwnedMap>& owned, std::vector<RowPointer>& free) {
  const ByteSpan d(def.definition);
  std::size_t pos = def.namesEnd;
  for (std::uint32_t i = 0; i < def.realIndexCount; ++i) {
    owned.push_back({RowPointer::FromU32(jet::ReadU32(d, pos + kRealIndexMapOffset)), def.page, OwnedMap::Kind::kIndex});
    pos += kRealIndexSize;
  }
  pos += def.logicalIndexCount * kLogicalIndexSize;
  for (std::uint32_t i = 0; i < def.logicalIndexCount; ++i) pos += 1 + jet::ReadU8(d, pos);
  while (pos + 2 <= d.size() && jet::ReadU16(d, pos) != 0xFFFF) {
    owned.push_back({RowPointer::FromU32(jet::ReadU32(d, pos + 2)), def.page, OwnedMap::Kind::kLongValues});
    free.push_back(RowPointer::FromU32(jet::ReadU32(d, pos + 6)));
    pos += kLongValueEntrySize;
  }
}

// The bitmap pages of a reference map row.
std::vector<PageNumber> BitmapPagesOf(ByteSpan row) {
  std::vector<PageNumber> out;
  if (row.empty() || row[0] != jet::usage_map::kReference) return out;
  for (std::size_t at = 1; at + 4 <= row.size(); at += 4) {
    const PageNumber p = jet::ReadU32(row, at);
    if (p != 0) out.push_back(p);
  }
  return out;
}

ByteSpan MapRow(const jet::PageFile& file, RowPointer map) {
  return jet::DataPageView(file.Page(map.page)).Row(map.row);
}

}  // namespace

std::vector<std::string> CheckConsistency(const jet::Database& db) {
  std::vector<std::string> problems;
  const jet::PageFile& file = db.Pages();
  const PageNumber count = file.PageCount();
  std::map<PageNumber, std::string> accounted;
  auto account = [&](PageNumber p, const std::string& as) {
    if (p >= count) {
      problems.push_back(as + ": page " + std::to_string(p) + " lies beyond the file");
      return;
    }
    const auto [it, fresh] = accounted.emplace(p, as);
    if (!fresh) problems.push_back("page " + std::to_string(p) + " is both " + it->second + " and " + as);
  };
  account(0, "the header");
  account(1, "the global map");

  try {
    std::vector<OwnedMap> owned;
    std::vector<RowPointer> freeMaps;
    std::vector<std::pair<jet::TableDef, RowPointer>> tables;  // with their free-space map
    for (const auto& entry : db.GetCatalog().entries) {
      if (!entry.IsTable()) continue;
      jet::TableDef def = db.TableAt(entry.DefinitionPage());
      for (const PageNumber p : def.pages) account(p, "the definition of " + entry.name);
      owned.push_back({def.ownedPagesMap, def.page, OwnedMap::Kind::kRows});
      freeMaps.push_back(def.freeSpaceMap);
      ExtraMaps(def, owned, freeMaps);
      // Row count: the definition's against a scan.
      std::size_t scanned = 0;
      jet::TableScan scan = db.Scan(def);
      while (scan.Next()) ++scanned;
      if (scanned != def.rowCount) {
        problems.push_back(entry.name + ": its definition counts " + std::to_string(def.rowCount) +
                           " rows, a scan finds " + std::to_string(scanned));
      }
      const RowPointer freeMap = def.freeSpaceMap;
      tables.emplace_back(std::move(def), freeMap);
    }

    // Map pages (the pages the map rows lie on) and the bitmap pages of reference maps.
    std::set<PageNumber> mapPages;
    std::set<PageNumber> bitmapPages;
    auto noteMap = [&](RowPointer map) {
      if (map.IsNull()) return;
      if (map.page != 1) mapPages.insert(map.page);
      for (const PageNumber p : BitmapPagesOf(MapRow(file, map))) {
        if (!bitmapPages.insert(p).second) problems.push_back("bitmap page " + std::to_string(p) + " serves two maps");
      }
    };
    for (const auto& m : owned) noteMap(m.map);
    for (const auto& m : freeMaps) noteMap(m);
    const ByteSpan globalRow = MapRow(file, jet::usage_map::kGlobalMap);
    for (const PageNumber p : BitmapPagesOf(globalRow)) {
      if (!bitmapPages.insert(p).second) problems.push_back("bitmap page " + std::to_string(p) + " serves two maps");
    }
    for (const PageNumber p : mapPages) account(p, "a usage-map page");
    for (const PageNumber p : bitmapPages) {
      account(p, "a usage-bitmap page");
      if (p < count && !file.Page(p).Is(jet::PageType::kUsageBitmap)) {
        problems.push_back("bitmap page " + std::to_string(p) + " is not of type 5");
      }
    }

    // Owned pages: each listed once, each of the right kind and owner.
    std::map<PageNumber, std::set<PageNumber>> ownedByTable;  // rows only
    for (const auto& m : owned) {
      if (m.map.IsNull()) continue;
      for (const PageNumber p : jet::ReadUsageMap(file, m.map)) {
        const jet::PageView page = file.Page(p);
        std::string what;
        switch (m.kind) {
          case OwnedMap::Kind::kRows:
            what = "a data page of table " + std::to_string(m.table);
            ownedByTable[m.table].insert(p);
            if (!page.Is(jet::PageType::kData) || jet::DataPageView(page).Owner() != m.table) {
              problems.push_back("page " + std::to_string(p) + " is in the owned map of table " +
                                 std::to_string(m.table) + " but is not one of its data pages");
            }
            break;
          case OwnedMap::Kind::kIndex:
            what = "an index page of table " + std::to_string(m.table);
            if (!page.Is(jet::PageType::kIndexLeaf) && !page.Is(jet::PageType::kIndexNode)) {
              problems.push_back("page " + std::to_string(p) + " is in an index map but is no index page");
            }
            break;
          case OwnedMap::Kind::kLongValues:
            what = "a long-value page of table " + std::to_string(m.table);
            if (!page.Is(jet::PageType::kData) || jet::DataPageView(page).Owner() != jet::data_page::kLongValueOwner) {
              problems.push_back("page " + std::to_string(p) + " is in a long-value map but is no LVAL page");
            }
            break;
        }
        account(p, what);
      }
    }
    // Every data page of a table is in that table's map.
    for (PageNumber p = 2; p < count; ++p) {
      const jet::PageView page = file.Page(p);
      if (!page.Is(jet::PageType::kData)) continue;
      const std::uint32_t owner = jet::DataPageView(page).Owner();
      if (owner == 0 || owner == jet::data_page::kLongValueOwner) continue;
      if (ownedByTable[owner].count(p) == 0) {
        problems.push_back("data page " + std::to_string(p) + " of table " + std::to_string(owner) +
                           " is missing from its owned map");
      }
    }
    // Free-space maps list owned pages only.
    for (const auto& [def, freeMap] : tables) {
      if (freeMap.IsNull()) continue;
      for (const PageNumber p : jet::ReadUsageMap(file, freeMap)) {
        if (ownedByTable[def.page].count(p) == 0) {
          problems.push_back("the free-space map of table " + std::to_string(def.page) + " lists page " +
                             std::to_string(p) + ", which it does not own");
        }
      }
    }

    // The global map: used inside the file, free beyond it, wherever it has a bit.
    auto globalBit = [&](PageNumber p, bool& covered) {
      if (globalRow[0] == jet::usage_map::kInline) {
        const std::uint32_t start = jet::ReadU32(globalRow, 1);
        covered = p >= start && p - start < (globalRow.size() - 5) * 8;
        return covered && ((globalRow[5 + (p - start) / 8] >> ((p - start) % 8)) & 1u) != 0;
      }
      const std::size_t j = p / jet::usage_map::kPagesPerBitmapPage;
      const std::size_t bit = p % jet::usage_map::kPagesPerBitmapPage;
      covered = 1 + 4 * j + 4 <= globalRow.size() && jet::ReadU32(globalRow, 1 + 4 * j) != 0;
      if (!covered) return false;
      const ByteSpan bitmap = file.Page(jet::ReadU32(globalRow, 1 + 4 * j)).Bytes().subspan(4);
      return ((bitmap[bit / 8] >> (bit % 8)) & 1u) != 0;
    };
    const PageNumber checkUpTo = globalRow[0] == jet::usage_map::kInline
                                     ? jet::ReadU32(globalRow, 1) + static_cast<PageNumber>((globalRow.size() - 5) * 8)
                                     : static_cast<PageNumber>((count / jet::usage_map::kPagesPerBitmapPage + 1) *
                                                               jet::usage_map::kPagesPerBitmapPage);
    for (PageNumber p = 0; p < std::max(count, checkUpTo); ++p) {
      bool covered = false;
      const bool free = globalBit(p, covered);
      if (p < count && !covered) {
        problems.push_back("the global map has no bit for page " + std::to_string(p));
      } else if (covered && free != (p >= count)) {
        problems.push_back("the global map marks page " + std::to_string(p) + (free ? " free" : " used"));
      }
      if (problems.size() > 50) break;
    }
  } catch (const Error& e) {
    problems.push_back("reading failed: " + e.description());
  }

  for (PageNumber p = 0; p < count; ++p) {
    if (accounted.count(p) == 0) problems.push_back("page " + std::to_string(p) + " is not accounted for");
    if (problems.size() > 60) break;
  }
  return problems;
}

}  // namespace frixa::testing
