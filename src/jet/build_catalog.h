// What the engine itself puts into every new database, as the builder writes it: the fixed
// pages of the system tables, the definitions of MSysObjects, MSysACEs, MSysQueries and
// MSysRelationships, the catalog's own objects (containers, MSysDb), the permission rows of
// each object and the database's properties. db_builder adds the user tables around this.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "jet/build_encode.h"
#include "jet/build_pages.h"
#include "jet/db_builder.h"
#include "jet/properties.h"

namespace frixa::jet::build {

// ---- fixed pages -------------------------------------------------------------------------
// Every new database lays out its first 18 pages the same way.
namespace page {
inline constexpr std::uint32_t kHeader = 0;
inline constexpr std::uint32_t kGlobalMap = 1;          // set bit = page free
inline constexpr std::uint32_t kObjectsTdef = 2;        // MSysObjects
inline constexpr std::uint32_t kAcesTdef = 3;           // MSysACEs
inline constexpr std::uint32_t kQueriesTdef = 4;        // MSysQueries
inline constexpr std::uint32_t kRelationshipsTdef = 5;  // MSysRelationships
inline constexpr std::uint32_t kObjectsMaps = 6;        // MSysObjects rows and long values
inline constexpr std::uint32_t kObjectsExtraMap = 7;    // LvExtra's free-space map
inline constexpr std::uint32_t kParentIdNameMap = 8;
inline constexpr std::uint32_t kParentIdNameLeaf = 9;
inline constexpr std::uint32_t kIdMap = 10;
inline constexpr std::uint32_t kIdLeaf = 11;
inline constexpr std::uint32_t kSystemMaps = 12;  // MSysACEs, MSysQueries, MSysRelationships
inline constexpr std::uint32_t kAcesLeaf = 13;
inline constexpr std::uint32_t kQueriesLeaf = 14;
inline constexpr std::uint32_t kRelationshipsLeaf0 = 15;  // szRelationship
inline constexpr std::uint32_t kRelationshipsLeaf1 = 16;  // szObject
inline constexpr std::uint32_t kRelationshipsLeaf2 = 17;  // szReferencedObject
inline constexpr std::uint32_t kFirstFree = 18;
}  // namespace page

// The usage-map rows on the map pages above.
namespace map_row {
// Page 6 (15 rows) and page 7 (1 row).
inline constexpr RowPointer kObjectsOwned{page::kObjectsMaps, 0};
inline constexpr RowPointer kObjectsFree{page::kObjectsMaps, 1};
inline constexpr RowPointer kDatabaseOwned{page::kObjectsMaps, 2};
inline constexpr RowPointer kDatabaseFree{page::kObjectsMaps, 3};
inline constexpr RowPointer kConnectOwned{page::kObjectsMaps, 4};
inline constexpr RowPointer kConnectFree{page::kObjectsMaps, 5};
inline constexpr RowPointer kRmtInfoLongOwned{page::kObjectsMaps, 6};
inline constexpr RowPointer kRmtInfoLongFree{page::kObjectsMaps, 7};
inline constexpr RowPointer kLvOwned{page::kObjectsMaps, 8};
inline constexpr RowPointer kLvFree{page::kObjectsMaps, 9};
inline constexpr RowPointer kLvPropOwned{page::kObjectsMaps, 10};
inline constexpr RowPointer kLvPropFree{page::kObjectsMaps, 11};
inline constexpr RowPointer kLvModuleOwned{page::kObjectsMaps, 12};
inline constexpr RowPointer kLvModuleFree{page::kObjectsMaps, 13};
inline constexpr RowPointer kLvExtraOwned{page::kObjectsMaps, 14};
inline constexpr RowPointer kLvExtraFree{page::kObjectsExtraMap, 0};
inline constexpr std::uint8_t kObjectsMapsRows = 15;
// Pages 8 and 10.
inline constexpr RowPointer kParentIdNamePages{page::kParentIdNameMap, 0};
inline constexpr RowPointer kIdPages{page::kIdMap, 0};
// Page 12 (13 rows).
inline constexpr RowPointer kAcesOwned{page::kSystemMaps, 0};
inline constexpr RowPointer kAcesFree{page::kSystemMaps, 1};
inline constexpr RowPointer kAcesIndexPages{page::kSystemMaps, 2};
inline constexpr RowPointer kQueriesOwned{page::kSystemMaps, 3};
inline constexpr RowPointer kQueriesFree{page::kSystemMaps, 4};
inline constexpr RowPointer kExpressionOwned{page::kSystemMaps, 5};
inline constexpr RowPointer kExpressionFree{page::kSystemMaps, 6};
inline constexpr RowPointer kQueriesIndexPages{page::kSystemMaps, 7};
inline constexpr RowPointer kRelationshipsOwned{page::kSystemMaps, 8};
inline constexpr RowPointer kRelationshipsFree{page::kSystemMaps, 9};
inline constexpr RowPointer kRelationshipsIndex0Pages{page::kSystemMaps, 10};
inline constexpr RowPointer kRelationshipsIndex1Pages{page::kSystemMaps, 11};
inline constexpr RowPointer kRelationshipsIndex2Pages{page::kSystemMaps, 12};
inline constexpr std::uint8_t kSystemMapsRows = 13;
}  // namespace map_row

// ---- the catalog's objects ---------------------------------------------------------------

namespace object_id {
inline constexpr std::uint32_t kRoot = 0x0F000000;  // parent of the containers
inline constexpr std::uint32_t kTables = 0x0F000001;
inline constexpr std::uint32_t kDatabases = 0x0F000002;
inline constexpr std::uint32_t kRelationships = 0x0F000003;
inline constexpr std::uint32_t kMSysDb = 0x10000000;
}  // namespace object_id

// MSysObjects.Type
namespace object_type {
inline constexpr std::int16_t kTable = 1;
inline constexpr std::int16_t kDatabase = 2;
inline constexpr std::int16_t kContainer = 3;
}  // namespace object_type

// MSysObjects.Flags of the objects the engine creates for itself.
inline constexpr std::uint32_t kEngineObjectFlags = 0x80000000u;

// Security ids (MSysACEs.SID, MSysObjects.Owner).
Bytes SidUsers();    // 02 01: the Users group
Bytes SidAdmin();    // 03 01: the Admin user, owner of what users create
Bytes SidCreator();  // 02 04: the creator of a new object (container defaults only)
Bytes SidEngine();   // 02 03: the engine, owner of its own objects
Bytes SidAdmins();   // the Admins group of the workgroup the templates were made in

// The four system tables, indexed like their TDEF pages 2..5.
TableDefinition MSysObjectsDefinition();
TableDefinition MSysAcesDefinition();
TableDefinition MSysQueriesDefinition();
TableDefinition MSysRelationshipsDefinition();

// One row of the catalog (MSysObjects) as far as the builder fills it.
struct CatalogObject {
  std::uint32_t id = 0;
  std::uint32_t parentId = 0;
  std::string name;
  std::int16_t type = 0;
  Bytes owner;
  std::uint32_t flags = 0;
  Bytes properties;  // LvProp blob, empty for none
};

// The engine's objects in the order they lie in the catalog: the containers Tables, Databases
// and Relationships, MSysDb, then MSysObjects, MSysACEs, MSysQueries, MSysRelationships.
std::vector<CatalogObject> EngineObjects();

// One permission row (MSysACEs).
struct Ace {
  std::uint32_t objectId = 0;
  Bytes sid;
  std::uint32_t accessMask = 0;
  bool inheritable = false;
};

// The permission rows of the engine's objects, in the order a new database holds them.
std::vector<Ace> EngineAces();

// The permission rows of a new user table: the Tables container's inheritable entries for
// Admin, Admins and Users, not inheritable themselves.
std::vector<Ace> UserTableAces(std::uint32_t tableId);

// The database's own properties (MSysDb.LvProp): AccessVersion "07.53", Build and ProjVer.
Bytes DatabasePropertyBlob();

// ---- a user table ------------------------------------------------------------------------
// What a user table brings into the catalog, the same whether the builder makes it with a new
// database or the writer adds it to an existing one (Writer::AddTable).

// Why `table` cannot be made (names of 1 to 64 supported characters, unique columns, 1 to 255
// of them, text lengths 1 to 255), or nullopt. Table names must also differ from the others'
// without regard to case (FoldedName), which the caller checks.
std::optional<std::string> NewTableProblem(const NewTable& table);
std::string FoldedName(std::string_view name);

// The TDEF of a user table, apart from its page numbers (usage maps).
TableDefinition UserTableDefinition(const NewTable& table);
// The table's LvProp: OrderByOn off, then per column Required and, where set, AllowZeroLength.
Bytes UserTablePropertyBlob(const NewTable& table);

// The catalog row of `o` (MSysObjects' columns `layout`) created and updated on `date`, its
// LvProp (when it has one) a single long-value row at `properties`.
Bytes CatalogRow(const std::vector<ColumnDef>& layout, const CatalogObject& o, double date, RowPointer properties);
// The permission row of `a` (MSysACEs' columns `layout`).
Bytes AceRow(const std::vector<ColumnDef>& layout, const Ace& a);

// Keys of the catalog's indexes: ParentIdName (ParentId, Name), Id; of MSysACEs': ObjectId.
Bytes ParentIdNameKey(const CatalogObject& o);
Bytes IdKey(const CatalogObject& o);
Bytes AceObjectKey(const Ace& a);

}  // namespace frixa::jet::build
