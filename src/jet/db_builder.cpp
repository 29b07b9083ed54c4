// The database builder; see db_builder.h.
//
// Page layout of a built database:
//
//   0        header                       10  map of the Id index's pages
//   1        global usage map             11  Id index leaf
//   2..5     TDEFs of the system tables   12  maps of MSysACEs, MSysQueries, MSysRelationships
//   6, 7     maps of MSysObjects          13..17  their index leaves
//   8        map of ParentIdName's pages  then: catalog data pages, permission data pages,
//   9        ParentIdName index leaf            long-value (LVAL) pages, and per user table
//                                               its TDEF page and its map page.
//
// Row sizes do not depend on page numbers (ids and pointers are fixed-width), so the rows are
// first packed to count the pages each table needs, then encoded with the final numbers.
#include "jet/db_builder.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <stdexcept>

#include "common/error.h"
#include "jet/build_catalog.h"
#include "jet/build_encode.h"
#include "jet/build_pages.h"
#include "jet/usage_map.h"

namespace frixa::jet {

namespace {

using namespace build;

[[noreturn]] void Refuse(const std::string& why) {
  throw Error(errnum::kInvalidProcedureCall, "BuildDatabase: " + why);
}

void Validate(const DatabaseSchema& schema) {
  std::set<std::string> tableNames;
  for (const auto& o : EngineObjects()) {
    if (o.parentId == object_id::kTables) tableNames.insert(FoldedName(o.name));
  }
  for (const auto& t : schema.tables) {
    if (const auto problem = NewTableProblem(t)) Refuse(*problem);
    if (!tableNames.insert(FoldedName(t.name)).second) Refuse("duplicate table name '" + t.name + "'");
  }
}

std::vector<std::size_t> Sizes(const std::vector<Bytes>& rows) {
  std::vector<std::size_t> sizes;
  for (const auto& r : rows) sizes.push_back(r.size());
  return sizes;
}

std::uint32_t PageCount(const std::vector<std::pair<std::uint32_t, std::uint8_t>>& placed) {
  return placed.empty() ? 1 : placed.back().first + 1;
}

// The rows of consecutive data pages from `first`, as PackRows placed them.
std::vector<Bytes> DataPages(std::uint32_t owner, const std::vector<Bytes>& rows,
                             const std::vector<std::pair<std::uint32_t, std::uint8_t>>& placed,
                             std::uint32_t pageCount) {
  std::vector<std::vector<Bytes>> perPage(pageCount);
  for (std::size_t i = 0; i < rows.size(); ++i) perPage[placed[i].first].push_back(rows[i]);
  std::vector<Bytes> pages;
  for (const auto& r : perPage) pages.push_back(EncodeDataPage(owner, r));
  return pages;
}

std::vector<std::uint32_t> Range(std::uint32_t first, std::uint32_t count) {
  std::vector<std::uint32_t> pages;
  for (std::uint32_t i = 0; i < count; ++i) pages.push_back(first + i);
  return pages;
}

std::vector<std::uint8_t> Build(const DatabaseSchema& schema) {
  const auto objectsDef = MSysObjectsDefinition();
  const auto acesDef = MSysAcesDefinition();
  const auto& objectsLayout = objectsDef.columns;
  const auto& acesLayout = acesDef.columns;

  // The catalog's objects and permission rows; user tables get their ids (= TDEF pages) once
  // the page counts are known.
  std::vector<CatalogObject> objects = EngineObjects();
  const std::size_t firstUserObject = objects.size();
  std::vector<TableDefinition> userDefs;
  for (const auto& t : schema.tables) {
    objects.push_back({0, object_id::kTables, t.name, object_type::kTable, SidAdmin(), 0, UserTablePropertyBlob(t)});
    userDefs.push_back(UserTableDefinition(t));
  }
  auto acesFor = [&objects, firstUserObject]() {
    std::vector<Ace> aces = EngineAces();
    for (std::size_t i = firstUserObject; i < objects.size(); ++i) {
      const auto more = UserTableAces(objects[i].id);
      aces.insert(aces.end(), more.begin(), more.end());
    }
    return aces;
  };

  // Long values: every property blob is one row of an LVAL page.
  std::vector<Bytes> longValues;
  std::vector<std::size_t> longValueOf(objects.size(), SIZE_MAX);
  for (std::size_t i = 0; i < objects.size(); ++i) {
    if (objects[i].properties.empty()) continue;
    longValueOf[i] = longValues.size();
    longValues.push_back(objects[i].properties);
  }

  // Pass 1: sizes only.
  std::vector<Bytes> catalogRows;
  for (const auto& o : objects) catalogRows.push_back(CatalogRow(objectsLayout, o, schema.creationDate, {}));
  std::vector<Bytes> aceRows;
  for (const auto& a : acesFor()) aceRows.push_back(AceRow(acesLayout, a));
  const auto catalogPlaced = PackRows(Sizes(catalogRows));
  const auto acePlaced = PackRows(Sizes(aceRows));
  const auto longPlaced = PackRows(Sizes(longValues));

  const std::uint32_t catalogFirst = page::kFirstFree;
  const std::uint32_t catalogPages = PageCount(catalogPlaced);
  const std::uint32_t aceFirst = catalogFirst + catalogPages;
  const std::uint32_t acePages = PageCount(acePlaced);
  const std::uint32_t longFirst = aceFirst + acePages;
  const std::uint32_t longPages = PageCount(longPlaced);
  const std::uint32_t tablesFirst = longFirst + longPages;
  const auto pageCount = static_cast<std::uint32_t>(tablesFirst + 2 * schema.tables.size());
  if (pageCount > usage_map::kInlineRowPages) Refuse("database larger than 1024 pages");

  for (std::size_t i = 0; i < schema.tables.size(); ++i) {
    objects[firstUserObject + i].id = tablesFirst + 2 * static_cast<std::uint32_t>(i);
  }

  // Pass 2: the rows with their final contents.
  auto placedAt = [](const std::vector<std::pair<std::uint32_t, std::uint8_t>>& placed, std::size_t i, std::uint32_t first) {
    return RowPointer{first + placed[i].first, placed[i].second};
  };
  catalogRows.clear();
  for (std::size_t i = 0; i < objects.size(); ++i) {
    const RowPointer lv = longValueOf[i] == SIZE_MAX ? RowPointer{} : placedAt(longPlaced, longValueOf[i], longFirst);
    catalogRows.push_back(CatalogRow(objectsLayout, objects[i], schema.creationDate, lv));
  }
  const auto aces = acesFor();
  aceRows.clear();
  for (const auto& a : aces) aceRows.push_back(AceRow(acesLayout, a));

  // Index leaves of the catalog and of the permissions.
  std::vector<LeafEntry> parentIdName;
  std::vector<LeafEntry> ids;
  for (std::size_t i = 0; i < objects.size(); ++i) {
    const auto at = placedAt(catalogPlaced, i, catalogFirst);
    parentIdName.push_back({ParentIdNameKey(objects[i]), at});
    ids.push_back({IdKey(objects[i]), at});
  }
  std::vector<LeafEntry> aceObjects;
  std::set<std::uint32_t> distinctAceObjects;
  for (std::size_t i = 0; i < aces.size(); ++i) {
    aceObjects.push_back({LongKey(static_cast<std::int32_t>(aces[i].objectId)), placedAt(acePlaced, i, aceFirst)});
    distinctAceObjects.insert(aces[i].objectId);
  }

  // Usage maps.
  std::map<std::uint32_t, std::vector<std::uint32_t>> maps;
  maps[map_row::kObjectsOwned.ToU32()] = Range(catalogFirst, catalogPages);
  maps[map_row::kObjectsFree.ToU32()] = {catalogFirst + catalogPages - 1};
  maps[map_row::kAcesOwned.ToU32()] = Range(aceFirst, acePages);
  maps[map_row::kAcesFree.ToU32()] = {aceFirst + acePages - 1};
  maps[map_row::kLvPropOwned.ToU32()] = Range(longFirst, longPages);
  maps[map_row::kLvPropFree.ToU32()] = {longFirst + longPages - 1};
  maps[map_row::kParentIdNamePages.ToU32()] = {page::kParentIdNameLeaf};
  maps[map_row::kIdPages.ToU32()] = {page::kIdLeaf};
  maps[map_row::kAcesIndexPages.ToU32()] = {page::kAcesLeaf};
  maps[map_row::kQueriesIndexPages.ToU32()] = {page::kQueriesLeaf};
  maps[map_row::kRelationshipsIndex0Pages.ToU32()] = {page::kRelationshipsLeaf0};
  maps[map_row::kRelationshipsIndex1Pages.ToU32()] = {page::kRelationshipsLeaf1};
  maps[map_row::kRelationshipsIndex2Pages.ToU32()] = {page::kRelationshipsLeaf2};
  auto mapPage = [&maps](std::uint32_t pageNumber, std::uint8_t rows) {
    std::vector<Bytes> r;
    for (std::uint8_t i = 0; i < rows; ++i) r.push_back(NewInlineUsageMap(maps[RowPointer{pageNumber, i}.ToU32()]));
    return EncodeDataPage(usage_map::kMapPageOwner, r);
  };

  // System table definitions with their counts.
  auto objectsTdef = objectsDef;
  objectsTdef.rowCount = static_cast<std::uint32_t>(objects.size());
  for (auto& ix : objectsTdef.realIndexes) ix.distinctKeys = objectsTdef.rowCount;
  auto acesTdef = acesDef;
  acesTdef.rowCount = static_cast<std::uint32_t>(aces.size());
  acesTdef.realIndexes[0].distinctKeys = static_cast<std::uint32_t>(distinctAceObjects.size());

  std::vector<Bytes> pages(pageCount);
  pages[page::kHeader] = EncodeHeaderPage();
  pages[page::kGlobalMap] = EncodeDataPage(
      usage_map::kGlobalMapPageOwner, {NewInlineUsageMap(Range(pageCount, usage_map::kInlineRowPages - pageCount)), NewInlineUsageMap({})});
  pages[page::kObjectsTdef] = EncodeTdefPage(objectsTdef);
  pages[page::kAcesTdef] = EncodeTdefPage(acesTdef);
  pages[page::kQueriesTdef] = EncodeTdefPage(MSysQueriesDefinition());
  pages[page::kRelationshipsTdef] = EncodeTdefPage(MSysRelationshipsDefinition());
  pages[page::kObjectsMaps] = mapPage(page::kObjectsMaps, map_row::kObjectsMapsRows);
  pages[page::kObjectsExtraMap] = mapPage(page::kObjectsExtraMap, 1);
  pages[page::kParentIdNameMap] = mapPage(page::kParentIdNameMap, 1);
  pages[page::kParentIdNameLeaf] = EncodeIndexLeaf(page::kObjectsTdef, parentIdName);
  pages[page::kIdMap] = mapPage(page::kIdMap, 1);
  pages[page::kIdLeaf] = EncodeIndexLeaf(page::kObjectsTdef, ids);
  pages[page::kSystemMaps] = mapPage(page::kSystemMaps, map_row::kSystemMapsRows);
  pages[page::kAcesLeaf] = EncodeIndexLeaf(page::kAcesTdef, aceObjects);
  pages[page::kQueriesLeaf] = EncodeIndexLeaf(page::kQueriesTdef, {});
  pages[page::kRelationshipsLeaf0] = EncodeIndexLeaf(page::kRelationshipsTdef, {});
  pages[page::kRelationshipsLeaf1] = EncodeIndexLeaf(page::kRelationshipsTdef, {});
  pages[page::kRelationshipsLeaf2] = EncodeIndexLeaf(page::kRelationshipsTdef, {});

  auto put = [&pages](std::uint32_t first, std::vector<Bytes> run) {
    for (std::size_t i = 0; i < run.size(); ++i) pages[first + i] = std::move(run[i]);
  };
  put(catalogFirst, DataPages(page::kObjectsTdef, catalogRows, catalogPlaced, catalogPages));
  put(aceFirst, DataPages(page::kAcesTdef, aceRows, acePlaced, acePages));
  put(longFirst, DataPages(data_page::kLongValueOwner, longValues, longPlaced, longPages));

  for (std::size_t i = 0; i < userDefs.size(); ++i) {
    const std::uint32_t tdef = tablesFirst + 2 * static_cast<std::uint32_t>(i);
    auto def = userDefs[i];
    def.ownedMap = {tdef + 1, 0};
    def.freeMap = {tdef + 1, 1};
    pages[tdef] = EncodeTdefPage(def);
    pages[tdef + 1] = EncodeDataPage(usage_map::kMapPageOwner, {NewInlineUsageMap({}), NewInlineUsageMap({})});
  }

  std::vector<std::uint8_t> file;
  file.reserve(std::size_t{pageCount} * kPageSize);
  for (const auto& p : pages) {
    if (p.size() != kPageSize) throw std::logic_error("BuildDatabase: page left unwritten");
    file.insert(file.end(), p.begin(), p.end());
  }
  return file;
}

}  // namespace

std::vector<std::uint8_t> BuildDatabase(const DatabaseSchema& schema) {
  Validate(schema);
  try {
    return Build(schema);
  } catch (const DoesNotFit& e) {
    Refuse(std::string("schema too large: ") + e.what());
  }
}

}  // namespace frixa::jet
