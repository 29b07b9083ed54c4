// Writer's new tables: a user table added to an existing database, catalogued as the database
// builder catalogues the tables of a new one (build_catalog.h), through the writer's own page
// placement, so that maps, counts and the journal stay right.
#include <algorithm>
#include <stdexcept>

#include "common/error.h"
#include "jet/build_catalog.h"
#include "jet/catalog.h"
#include "jet/data_page.h"
#include "jet/row_format.h"
#include "jet/writer.h"

namespace frixa::jet {

namespace {

using namespace build;

// The room a long-value page keeps in its free-space map: one more slot of at least a byte.
constexpr std::size_t kLongValueFreeThreshold = data_page::kSlotSize + 1;

void CopyPage(MutableByteSpan to, const Bytes& from) { std::copy(from.begin(), from.end(), to.begin()); }

// Adds `delta` to the distinct-key count of every real index in the definition on `tdefPage`
// (a single-page definition, so that its offsets are the page's).
void AddToDistinctKeys(MutableByteSpan tdefPage, std::uint32_t realIndexes, std::uint32_t delta) {
  for (std::uint32_t i = 0; i < realIndexes; ++i) {
    const std::size_t at = tdef::kFixedPartSize + i * tdef::kRealIndexEntrySize + 4;
    StoreU32(tdefPage, at, ReadU32(tdefPage, at) + delta);
  }
}

}  // namespace

Writer::TableState Writer::PlacementState(PageNumber owner, RowPointer ownedMap, RowPointer freeMap,
                                          std::size_t freeThreshold) {
  TableState t;
  t.tdef = owner;
  t.def.ownedPagesMap = ownedMap;
  t.def.freeSpaceMap = freeMap;
  t.freeThreshold = freeThreshold;
  const std::vector<PageNumber> owned = ReadUsageMap(file_, ownedMap);
  for (auto it = owned.rbegin(); it != owned.rend(); ++it) {
    const PageView view = file_.Page(*it);
    if (view.Is(PageType::kData) && DataPageView(view).Owner() == owner) {
      t.lastPage = *it;
      break;
    }
  }
  return t;
}

PageNumber Writer::AddTablePages(const NewTable& table, double date) {
  if (const auto problem = NewTableProblem(table)) throw Error(errnum::kInvalidProcedureCall, "AddTable: " + *problem);
  const Catalog catalog = ReadCatalog(file_);
  for (const auto& e : catalog.entries) {
    if (e.parentId == catalog::kTablesContainerId && FoldedName(e.name) == FoldedName(table.name)) {
      throw Error(errnum::kInvalidProcedureCall, "AddTable: a table named '" + e.name + "' exists");
    }
  }

  // The catalog as the builder lays it out: MSysObjects and MSysACEs with their index leaves,
  // the properties' long values in LvProp's own pages.
  const TableDef objectsDef = ReadTableDef(file_, page::kObjectsTdef);
  const TableDef acesDef = ReadTableDef(file_, page::kAcesTdef);
  const auto builderObjects = MSysObjectsDefinition();
  const auto builderAces = MSysAcesDefinition();
  if (objectsDef.kind != tdef::kKindSystem || acesDef.kind != tdef::kKindSystem ||
      objectsDef.pages.size() != 1 || acesDef.pages.size() != 1 ||
      objectsDef.columns.size() != builderObjects.columns.size() || acesDef.columns.size() != builderAces.columns.size() ||
      objectsDef.realIndexCount != builderObjects.realIndexes.size() ||
      acesDef.realIndexCount != builderAces.realIndexes.size()) {
    NotWritable("the catalog is not laid out as this engine lays out a new database");
  }
  auto parentIdName = DecodeIndexLeaf(file_.Page(page::kParentIdNameLeaf).Bytes(), page::kObjectsTdef);
  auto ids = DecodeIndexLeaf(file_.Page(page::kIdLeaf).Bytes(), page::kObjectsTdef);
  auto aceObjects = DecodeIndexLeaf(file_.Page(page::kAcesLeaf).Bytes(), page::kAcesTdef);
  if (!parentIdName || !ids || !aceObjects) NotWritable("the catalog's indexes are not single leaves");

  auto minimalRow = [](const TableDef& def) {
    std::vector<FieldBytes> nulls(def.columns.size());
    std::vector<std::uint8_t> row;
    EncodeRow(def.columns, def.maxColumns, nulls, row);
    return row.size() + data_page::kSlotSize;
  };
  TableState objects = PlacementState(page::kObjectsTdef, objectsDef.ownedPagesMap, objectsDef.freeSpaceMap, minimalRow(objectsDef));
  TableState aces = PlacementState(page::kAcesTdef, acesDef.ownedPagesMap, acesDef.freeSpaceMap, minimalRow(acesDef));
  TableState properties = PlacementState(data_page::kLongValueOwner, map_row::kLvPropOwned, map_row::kLvPropFree,
                                         kLongValueFreeThreshold);

  // The table's own pages: its definition, then the page of its two usage maps.
  const PageNumber tdefPage = AllocatePage();
  const PageNumber mapPage = AllocatePage();
  TableDefinition def = UserTableDefinition(table);
  def.ownedMap = {mapPage, 0};
  def.freeMap = {mapPage, 1};
  try {
    CopyPage(Edit(tdefPage), EncodeTdefPage(def));
    CopyPage(Edit(mapPage), EncodeDataPage(usage_map::kMapPageOwner, {NewInlineUsageMap({}), NewInlineUsageMap({})}));
  } catch (const DoesNotFit&) {
    NotWritable("the table's definition does not fit a page");
  }

  // Its catalog row, with its properties, and its permission rows.
  const CatalogObject object{tdefPage, object_id::kTables, table.name, object_type::kTable, SidAdmin(), 0,
                             UserTablePropertyBlob(table)};
  const RowLocation blob = Place(properties, object.properties, 0);
  const RowLocation row = Place(objects, CatalogRow(objectsDef.columns, object, date,
                                                    {blob.page, static_cast<std::uint8_t>(blob.slot)}), 0);
  AddToRowCount(objects, +1);
  const RowPointer rowPointer{row.page, static_cast<std::uint8_t>(row.slot)};
  parentIdName->push_back({ParentIdNameKey(object), rowPointer});
  ids->push_back({IdKey(object), rowPointer});
  const std::vector<Ace> permissions = UserTableAces(tdefPage);
  for (const Ace& a : permissions) {
    const RowLocation at = Place(aces, AceRow(acesDef.columns, a), 0);
    aceObjects->push_back({AceObjectKey(a), {at.page, static_cast<std::uint8_t>(at.slot)}});
  }
  AddToRowCount(aces, static_cast<int>(permissions.size()));
  AddToDistinctKeys(Edit(page::kObjectsTdef), objectsDef.realIndexCount, 1);
  AddToDistinctKeys(Edit(page::kAcesTdef), acesDef.realIndexCount, 1);

  try {
    const Bytes parentIdNameLeaf = EncodeIndexLeaf(page::kObjectsTdef, std::move(*parentIdName));
    const Bytes idLeaf = EncodeIndexLeaf(page::kObjectsTdef, std::move(*ids));
    const Bytes aceLeaf = EncodeIndexLeaf(page::kAcesTdef, std::move(*aceObjects));
    CopyPage(Edit(page::kParentIdNameLeaf), parentIdNameLeaf);
    CopyPage(Edit(page::kIdLeaf), idLeaf);
    CopyPage(Edit(page::kAcesLeaf), aceLeaf);
  } catch (const DoesNotFit&) {
    NotWritable("the catalog's indexes have no room for another table");
  }
  return tdefPage;
}

}  // namespace frixa::jet
