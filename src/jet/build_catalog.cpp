// The engine's own part of a new database; see build_catalog.h.
#include "jet/build_catalog.h"

#include <cctype>
#include <set>
#include <stdexcept>

#include "jet/long_value.h"

namespace frixa::jet::build {

namespace {

// Column flags of the system tables; the two security-id columns (Owner, SID) are variable.
constexpr std::uint8_t kSysVariable = column_flags::kSystem | column_flags::kNullable;
constexpr std::uint8_t kSysFixed = kSysVariable | column_flags::kFixedLength;
constexpr std::uint8_t kSysSid = kSysVariable | column_flags::kSecurityId;

// Real index flags.
constexpr std::uint8_t kIndexUnique = 0x01;
constexpr std::uint8_t kIndexIgnoreNulls = 0x02;
constexpr std::uint8_t kIndexRequired = 0x08;

// Logical index types.
constexpr std::uint8_t kLogicalPlain = 0x00;
constexpr std::uint8_t kLogicalPrimary = 0x01;

struct SysColumn {
  const char* name;
  ColumnType type;
  std::uint8_t flags;
  std::uint16_t fixedOffset;
  std::uint16_t length;
};

// Numbers the columns in order; a column's variable index is the count of variable columns
// before it (for a variable column, its own index among them).
std::vector<ColumnDef> SystemColumns(std::initializer_list<SysColumn> columns) {
  std::vector<ColumnDef> out;
  std::uint16_t varSeen = 0;
  for (const auto& c : columns) {
    ColumnDef col;
    col.typeByte = static_cast<std::uint8_t>(c.type);
    col.number = static_cast<std::uint16_t>(out.size());
    col.varIndex = varSeen;
    col.writerId = 0;
    col.flags = c.flags;
    col.fixedOffset = c.fixedOffset;
    col.length = c.length;
    col.name = c.name;
    if (!col.IsFixed()) ++varSeen;
    out.push_back(std::move(col));
  }
  return out;
}

// Access masks of the permission rows.
namespace acm {
constexpr std::uint32_t kFull = 0xFFFFF;
constexpr std::uint32_t kFullButAdminister = 0xFFEFF;
constexpr std::uint32_t kCreatorDefault = 0xF00FE;
constexpr std::uint32_t kOwnerSystemTable = 0x60000;
constexpr std::uint32_t kOwnerRelationships = 0xE0000;
constexpr std::uint32_t kOwnerRelationshipsContainer = 0x60001;
constexpr std::uint32_t kAdminsObjects = 0x60054;
constexpr std::uint32_t kAdminsSystemTable = 0x60014;
constexpr std::uint32_t kReadSystemTable = 0x00014;
constexpr std::uint32_t kOwnerDatabase = 0x6000E;
constexpr std::uint32_t kUsersDatabase = 0x0000E;
}  // namespace acm

// MSysDb properties.
constexpr char kAccessVersion[] = "07.53";
constexpr std::uint32_t kBuild = 3512;
constexpr std::uint32_t kProjectVersion = 0x77;

}  // namespace

Bytes SidUsers() { return {0x02, 0x01}; }
Bytes SidAdmin() { return {0x03, 0x01}; }
Bytes SidCreator() { return {0x02, 0x04}; }
Bytes SidEngine() { return {0x02, 0x03}; }

Bytes SidAdmins() {
  // 102 bytes: 01, then 8-byte groups of which most repeat the same filler.
  const Bytes filler = {0xDF, 0x56, 0x1A, 0x17, 0x23, 0x6A, 0x4B, 0x11};
  const Bytes part1 = {0xDB, 0x87, 0x93, 0x20, 0x81, 0x4F, 0xAB, 0x38};
  const Bytes part2 = {0x71, 0xE6, 0x5F, 0x52, 0xD3, 0x5E, 0x3F, 0xD3};
  const Bytes part3 = {0x28, 0xDB, 0x24, 0x5F, 0x41, 0xEB, 0x03, 0x97};
  const Bytes part4 = {0xF7, 0xED, 0x1D, 0xB9, 0xBB, 0x10, 0xC6, 0x31};
  Bytes sid;
  sid.reserve(102);
  sid.push_back(0x01);
  auto add = [&sid](const Bytes& b, int times) {
    for (int i = 0; i < times; ++i) sid.insert(sid.end(), b.begin(), b.end());
  };
  add(part1, 1);
  add(filler, 1);
  add(part2, 1);
  add(part3, 1);
  add(filler, 3);
  add(part4, 1);
  add(filler, 4);
  sid.insert(sid.end(), filler.begin(), filler.begin() + 5);
  return sid;
}

TableDefinition MSysObjectsDefinition() {
  using enum ColumnType;
  TableDefinition t;
  t.system = true;
  t.ownedMap = map_row::kObjectsOwned;
  t.freeMap = map_row::kObjectsFree;
  t.columns = SystemColumns({
      {"Id", kLong, kSysFixed, 0, 4},
      {"ParentId", kLong, kSysFixed, 4, 4},
      {"Name", kText, kSysVariable, 0, 255},
      {"Type", kInteger, kSysFixed, 8, 2},
      {"DateCreate", kDateTime, kSysFixed, 10, 8},
      {"DateUpdate", kDateTime, kSysFixed, 18, 8},
      {"Owner", kBinary, kSysSid, 0, 255},
      {"Flags", kLong, kSysFixed, 26, 4},
      {"Database", kMemo, kSysVariable, 0, 0},
      {"Connect", kMemo, kSysVariable, 0, 0},
      {"ForeignName", kText, kSysVariable, 0, 255},
      {"RmtInfoShort", kBinary, kSysVariable, 0, 255},
      {"RmtInfoLong", kOle, kSysVariable, 0, 0},
      {"Lv", kOle, kSysVariable, 0, 0},
      {"LvProp", kOle, kSysVariable, 0, 0},
      {"LvModule", kOle, kSysVariable, 0, 0},
      {"LvExtra", kOle, kSysVariable, 0, 0},
  });
  // Real index 0: (ParentId, Name); real index 1: (Id). Both unique.
  t.realIndexes = {
      {{{1, true}, {2, true}}, map_row::kParentIdNamePages, page::kParentIdNameLeaf, kIndexUnique, 0, 0},
      {{{0, true}}, map_row::kIdPages, page::kIdLeaf, kIndexUnique, 0, 0},
  };
  t.logicalIndexes = {{1, 1, kLogicalPrimary, "Id"}, {0, 0, kLogicalPlain, "ParentIdName"}};
  t.longValueColumns = {
      {9, map_row::kConnectOwned, map_row::kConnectFree},
      {8, map_row::kDatabaseOwned, map_row::kDatabaseFree},
      {13, map_row::kLvOwned, map_row::kLvFree},
      {16, map_row::kLvExtraOwned, map_row::kLvExtraFree},
      {15, map_row::kLvModuleOwned, map_row::kLvModuleFree},
      {14, map_row::kLvPropOwned, map_row::kLvPropFree},
      {12, map_row::kRmtInfoLongOwned, map_row::kRmtInfoLongFree},
  };
  return t;
}

TableDefinition MSysAcesDefinition() {
  using enum ColumnType;
  TableDefinition t;
  t.system = true;
  t.ownedMap = map_row::kAcesOwned;
  t.freeMap = map_row::kAcesFree;
  t.columns = SystemColumns({
      {"ObjectId", kLong, kSysFixed, 0, 4},
      {"SID", kBinary, kSysSid, 0, 255},
      {"ACM", kLong, kSysFixed, 4, 4},
      {"FInheritable", kBoolean, kSysFixed, 0, 1},
  });
  t.realIndexes = {{{{0, true}}, map_row::kAcesIndexPages, page::kAcesLeaf, kIndexRequired, 0, 0}};
  t.logicalIndexes = {{0, 0, kLogicalPlain, "ObjectId"}};
  return t;
}

TableDefinition MSysQueriesDefinition() {
  using enum ColumnType;
  TableDefinition t;
  t.system = true;
  t.ownedMap = map_row::kQueriesOwned;
  t.freeMap = map_row::kQueriesFree;
  t.columns = SystemColumns({
      {"ObjectId", kLong, kSysFixed, 0, 4},
      {"Attribute", kByte, kSysFixed, 4, 1},
      {"Order", kBinary, kSysVariable, 0, 255},
      {"Name1", kText, kSysVariable, 0, 255},
      {"Name2", kText, kSysVariable, 0, 255},
      {"Expression", kMemo, kSysVariable, 0, 0},
      {"Flag", kInteger, kSysFixed, 5, 2},
  });
  t.realIndexes = {{{{0, true}, {1, true}, {2, true}}, map_row::kQueriesIndexPages, page::kQueriesLeaf,
                    kIndexUnique, 0, 0}};
  t.logicalIndexes = {{0, 0, kLogicalPrimary, "ObjectIdAttribute"}};
  t.longValueColumns = {{5, map_row::kExpressionOwned, map_row::kExpressionFree}};
  return t;
}

TableDefinition MSysRelationshipsDefinition() {
  using enum ColumnType;
  TableDefinition t;
  t.system = true;
  t.ownedMap = map_row::kRelationshipsOwned;
  t.freeMap = map_row::kRelationshipsFree;
  t.columns = SystemColumns({
      {"szRelationship", kText, kSysVariable, 0, 255},
      {"grbit", kLong, kSysFixed, 0, 4},
      {"ccolumn", kLong, kSysFixed, 4, 4},
      {"icolumn", kLong, kSysFixed, 8, 4},
      {"szObject", kText, kSysVariable, 0, 255},
      {"szColumn", kText, kSysVariable, 0, 255},
      {"szReferencedObject", kText, kSysVariable, 0, 255},
      {"szReferencedColumn", kText, kSysVariable, 0, 255},
  });
  t.realIndexes = {
      {{{0, true}}, map_row::kRelationshipsIndex0Pages, page::kRelationshipsLeaf0, kIndexIgnoreNulls, 0, 0},
      {{{4, true}}, map_row::kRelationshipsIndex1Pages, page::kRelationshipsLeaf1, kIndexIgnoreNulls, 0, 0},
      {{{6, true}}, map_row::kRelationshipsIndex2Pages, page::kRelationshipsLeaf2, kIndexIgnoreNulls, 0, 0},
  };
  t.logicalIndexes = {{1, 1, kLogicalPlain, "szObject"},
                      {2, 2, kLogicalPlain, "szReferencedObject"},
                      {0, 0, kLogicalPlain, "szRelationship"}};
  return t;
}

std::vector<CatalogObject> EngineObjects() {
  using namespace object_id;
  using namespace object_type;
  return {
      {kTables, kRoot, "Tables", kContainer, SidEngine(), kEngineObjectFlags, {}},
      {kDatabases, kRoot, "Databases", kContainer, SidEngine(), kEngineObjectFlags, {}},
      {kRelationships, kRoot, "Relationships", kContainer, SidEngine(), kEngineObjectFlags, {}},
      {kMSysDb, kDatabases, "MSysDb", kDatabase, SidAdmin(), kEngineObjectFlags, DatabasePropertyBlob()},
      {page::kObjectsTdef, kTables, "MSysObjects", kTable, SidEngine(), kEngineObjectFlags, {}},
      {page::kAcesTdef, kTables, "MSysACEs", kTable, SidEngine(), kEngineObjectFlags, {}},
      {page::kQueriesTdef, kTables, "MSysQueries", kTable, SidEngine(), kEngineObjectFlags, {}},
      {page::kRelationshipsTdef, kTables, "MSysRelationships", kTable, SidEngine(), kEngineObjectFlags, {}},
  };
}

std::vector<Ace> EngineAces() {
  using namespace object_id;
  const std::uint32_t objects = page::kObjectsTdef;
  const std::uint32_t aces = page::kAcesTdef;
  const std::uint32_t queries = page::kQueriesTdef;
  const std::uint32_t relationships = page::kRelationshipsTdef;
  return {
      {objects, SidAdmin(), acm::kOwnerSystemTable, false},
      {aces, SidAdmin(), acm::kOwnerSystemTable, false},
      {queries, SidAdmin(), acm::kOwnerSystemTable, false},
      {relationships, SidAdmin(), acm::kOwnerRelationships, false},
      {kTables, SidCreator(), acm::kCreatorDefault, true},
      {kTables, SidAdmin(), acm::kFullButAdminister, true},
      {kRelationships, SidCreator(), acm::kCreatorDefault, true},
      {kRelationships, SidAdmin(), acm::kOwnerRelationshipsContainer, false},
      {kDatabases, SidAdmin(), acm::kOwnerSystemTable, false},
      {kMSysDb, SidAdmin(), acm::kOwnerDatabase, false},
      {kMSysDb, SidUsers(), acm::kUsersDatabase, false},
      {kMSysDb, SidAdmins(), acm::kOwnerDatabase, false},
      {objects, SidAdmins(), acm::kAdminsObjects, false},
      {aces, SidAdmins(), acm::kAdminsObjects, false},
      {queries, SidAdmins(), acm::kAdminsSystemTable, false},
      {queries, SidUsers(), acm::kReadSystemTable, false},
      {relationships, SidAdmins(), acm::kAdminsSystemTable, false},
      {relationships, SidUsers(), acm::kReadSystemTable, false},
      {objects, SidUsers(), acm::kReadSystemTable, false},
      {kTables, SidAdmins(), acm::kFull, true},
      {kTables, SidUsers(), acm::kFull, true},
      {kRelationships, SidAdmins(), acm::kFull, true},
      {kRelationships, SidUsers(), acm::kFull, true},
  };
}

std::vector<Ace> UserTableAces(std::uint32_t tableId) {
  return {
      {tableId, SidAdmin(), acm::kFullButAdminister, false},
      {tableId, SidAdmins(), acm::kFull, false},
      {tableId, SidUsers(), acm::kFull, false},
  };
}

Bytes DatabasePropertyBlob() {
  PropertyBlock db;
  Bytes version;
  AppendText(version, kAccessVersion);
  db.properties.push_back({"AccessVersion", PropertyType(ColumnType::kText), true, version});
  db.properties.push_back({"Build", PropertyType(ColumnType::kLong), false, U32Bytes(kBuild)});
  // Stored as an Integer property with a 4-byte value, as Access stores it.
  db.properties.push_back({"ProjVer", PropertyType(ColumnType::kInteger), false, U32Bytes(kProjectVersion)});
  return EncodeProperties({db});
}


// ---- a user table ------------------------------------------------------------------------

namespace {

constexpr std::size_t kMaxNameLength = 64;
constexpr std::size_t kMaxColumns = 255;
constexpr std::uint16_t kMaxTextLength = 255;

// Column flags of user columns.
constexpr std::uint8_t kUserVariable = column_flags::kNullable;
constexpr std::uint8_t kUserFixed = column_flags::kNullable | column_flags::kFixedLength;

// MSysObjects column numbers the builder fills.
namespace objects_column {
constexpr std::size_t kId = 0;
constexpr std::size_t kParentId = 1;
constexpr std::size_t kName = 2;
constexpr std::size_t kType = 3;
constexpr std::size_t kDateCreate = 4;
constexpr std::size_t kDateUpdate = 5;
constexpr std::size_t kOwner = 6;
constexpr std::size_t kFlags = 7;
constexpr std::size_t kLvProp = 14;
constexpr std::size_t kCount = 17;
}  // namespace objects_column

// MSysACEs column numbers.
namespace aces_column {
constexpr std::size_t kObjectId = 0;
constexpr std::size_t kSid = 1;
constexpr std::size_t kAcm = 2;
constexpr std::size_t kInheritable = 3;
constexpr std::size_t kCount = 4;
}  // namespace aces_column

}  // namespace

std::string FoldedName(std::string_view s) {
  std::string out(s);
  for (auto& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

namespace {

std::optional<std::string> NameProblem(const std::string& name, const char* what) {
  if (name.empty() || name.size() > kMaxNameLength) return std::string(what) + " name of 1 to 64 characters expected: '" + name + "'";
  if (name.front() == ' ' || !TextKey(name)) return std::string(what) + " name with unsupported characters: '" + name + "'";
  return std::nullopt;
}

}  // namespace

std::optional<std::string> NewTableProblem(const NewTable& t) {
  if (auto problem = NameProblem(t.name, "table")) return problem;
  if (t.columns.empty() || t.columns.size() > kMaxColumns) return "table '" + t.name + "' needs 1 to 255 columns";
  std::set<std::string> columnNames;
  for (const auto& c : t.columns) {
    if (auto problem = NameProblem(c.name, "column")) return problem;
    if (!columnNames.insert(FoldedName(c.name)).second) return "duplicate column name '" + c.name + "' in '" + t.name + "'";
    if (c.type == NewColumnType::Text && (c.length == 0 || c.length > kMaxTextLength)) {
      return "text column '" + c.name + "' needs a length of 1 to 255";
    }
  }
  return std::nullopt;
}

TableDefinition UserTableDefinition(const NewTable& table) {
  TableDefinition t;
  std::uint16_t varSeen = 0;
  std::uint16_t fixedOffset = 0;
  for (const auto& c : table.columns) {
    ColumnDef col;
    col.number = static_cast<std::uint16_t>(t.columns.size());
    col.writerId = col.number + 1u;
    col.name = c.name;
    col.varIndex = varSeen;
    switch (c.type) {
      case NewColumnType::Long: col.typeByte = static_cast<std::uint8_t>(ColumnType::kLong); col.length = 4; break;
      case NewColumnType::Single: col.typeByte = static_cast<std::uint8_t>(ColumnType::kSingle); col.length = 4; break;
      case NewColumnType::Double: col.typeByte = static_cast<std::uint8_t>(ColumnType::kDouble); col.length = 8; break;
      case NewColumnType::Text: col.typeByte = static_cast<std::uint8_t>(ColumnType::kText); col.length = c.length; break;
    }
    if (c.type == NewColumnType::Text) {
      col.flags = kUserVariable;
      ++varSeen;
    } else {
      col.flags = kUserFixed;
      col.fixedOffset = fixedOffset;
      fixedOffset = static_cast<std::uint16_t>(fixedOffset + col.length);
    }
    t.columns.push_back(std::move(col));
  }
  return t;
}

// The table's LvProp: the table's own block (OrderByOn off, which every table Access writes
// carries), then per column Required and, where the schema sets it, AllowZeroLength.
Bytes UserTablePropertyBlob(const NewTable& table) {
  const Bytes no{0x00};
  const Bytes yes{0x01};
  const std::uint8_t boolean = PropertyType(ColumnType::kBoolean);
  std::vector<PropertyBlock> blocks;
  blocks.push_back({false, "", {{"OrderByOn", boolean, false, no}}});
  for (const auto& c : table.columns) {
    PropertyBlock column{true, c.name, {}};
    column.properties.push_back({"Required", boolean, true, c.required ? yes : no});
    if (c.type == NewColumnType::Text && c.allowZeroLength) {
      column.properties.push_back({"AllowZeroLength", boolean, true, *c.allowZeroLength ? yes : no});
    }
    blocks.push_back(std::move(column));
  }
  return EncodeProperties(blocks);
}

namespace {

Bytes I16Bytes(std::int16_t value) {
  Bytes b;
  AppendU16(b, static_cast<std::uint16_t>(value));
  return b;
}

Bytes LongValueField(std::size_t length, RowPointer where) {
  Bytes b;
  AppendU32(b, static_cast<std::uint32_t>(length) | long_value::kSingleRowFlag);
  AppendU32(b, where.ToU32());
  AppendU32(b, 0);
  return b;
}

}  // namespace

Bytes CatalogRow(const std::vector<ColumnDef>& layout, const CatalogObject& o, double date, RowPointer properties) {
  RowValues v(objects_column::kCount);
  v[objects_column::kId] = U32Bytes(o.id);
  v[objects_column::kParentId] = U32Bytes(o.parentId);
  Bytes name;
  AppendText(name, o.name);
  v[objects_column::kName] = name;
  v[objects_column::kType] = I16Bytes(o.type);
  v[objects_column::kDateCreate] = F64Bytes(date);
  v[objects_column::kDateUpdate] = F64Bytes(date);
  v[objects_column::kOwner] = o.owner;
  v[objects_column::kFlags] = U32Bytes(o.flags);
  if (!o.properties.empty()) v[objects_column::kLvProp] = LongValueField(o.properties.size(), properties);
  return EncodeRow(layout, v);
}

Bytes AceRow(const std::vector<ColumnDef>& layout, const Ace& a) {
  RowValues v(aces_column::kCount);
  v[aces_column::kObjectId] = U32Bytes(a.objectId);
  v[aces_column::kSid] = a.sid;
  v[aces_column::kAcm] = U32Bytes(a.accessMask);
  if (a.inheritable) v[aces_column::kInheritable] = Bytes{};
  return EncodeRow(layout, v);
}

Bytes ParentIdNameKey(const CatalogObject& o) {
  Bytes key = LongKey(static_cast<std::int32_t>(o.parentId));
  const auto name = TextKey(o.name);
  if (!name) throw std::invalid_argument("ParentIdNameKey: a name without a sort key");
  key.insert(key.end(), name->begin(), name->end());
  return key;
}

Bytes IdKey(const CatalogObject& o) { return LongKey(static_cast<std::int32_t>(o.id)); }

Bytes AceObjectKey(const Ace& a) { return LongKey(static_cast<std::int32_t>(a.objectId)); }

}  // namespace frixa::jet::build
