// The catalog: the system table MSysObjects, whose definition is always on page 2. Each row
// describes one object (table, query, container, ...); a local table's Id is the page of its
// definition.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "jet/page_file.h"
#include "jet/table_scan.h"

namespace frixa::jet {

namespace catalog {
inline constexpr PageNumber kCatalogDefinitionPage = 2;
inline constexpr std::int32_t kTablesContainerId = 0x0F000001;
// MSysObjects.Type
inline constexpr std::int16_t kTypeTable = 1;
inline constexpr std::int16_t kTypeDatabase = 2;
inline constexpr std::int16_t kTypeContainer = 3;
inline constexpr std::int16_t kTypeQuery = 5;
inline constexpr std::int16_t kTypeLinkedTable = 6;
// MSysObjects.Flags bits that mark an engine or hidden system object.
inline constexpr std::uint32_t kSystemFlags = 0x80000002u;
inline constexpr std::uint32_t kIdPageMask = 0x00FFFFFFu;
}  // namespace catalog

struct CatalogEntry {
  std::int32_t id = 0;
  std::int32_t parentId = 0;
  std::string name;  // cp1252
  std::int16_t type = 0;
  std::uint32_t flags = 0;
  RowLocation location;  // its row in MSysObjects

  bool IsTable() const { return type == catalog::kTypeTable; }
  bool IsSystem() const { return (flags & catalog::kSystemFlags) != 0; }
  bool IsUserTable() const { return IsTable() && !IsSystem(); }
  PageNumber DefinitionPage() const {
    return static_cast<PageNumber>(static_cast<std::uint32_t>(id) & catalog::kIdPageMask);
  }
};

struct Catalog {
  std::vector<CatalogEntry> entries;  // in stored order

  // The local table named `name` (letter case ignored), system tables included; null if none.
  const CatalogEntry* FindTable(std::string_view name) const;
  // The user tables, in stored order.
  std::vector<const CatalogEntry*> UserTables() const;
};

// Reads MSysObjects. Raises CorruptError when it is damaged or lacks its key columns.
Catalog ReadCatalog(const PageFile& file);

}  // namespace frixa::jet
