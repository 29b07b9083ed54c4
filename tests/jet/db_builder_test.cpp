// The database builder and its encoders, against the real Access 97 file
// jackcess_testIndexCodesV1997.mdb (the "fixture") read with the tests' own page decoder
// (support/jet_peek): encoders must reproduce the fixture's structures byte for byte, and a
// built database must hold the engine's system objects exactly as the fixture does, apart from
// per-file values (dates, row counts, page numbers of data).
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "common/error.h"
#include "jet/build_catalog.h"
#include "jet/build_encode.h"
#include "jet/build_pages.h"
#include "jet/db_builder.h"
#include "jet/properties.h"
#include "jet/usage_map.h"
#include "support/jet_peek.h"

namespace frixa::jet {
namespace {

using testing::DecodeLeaf;
using testing::DecodeProperties;
using testing::DecodeRow;
using testing::PeekBytes;
using testing::PeekFile;
using testing::PeekTdef;
using testing::PeekU32;

const std::filesystem::path kFixtures = std::filesystem::path(FRIXA_SHARED_DIR) / "fixtures" / "jet3";

const PeekFile& Fixture() {
  static const PeekFile f = PeekFile::Load(kFixtures / "jackcess_testIndexCodesV1997.mdb");
  return f;
}

// Catalog column numbers (MSysObjects) and permission column numbers (MSysACEs).
constexpr std::size_t kId = 0, kParentId = 1, kName = 2, kType = 3, kDateCreate = 4, kDateUpdate = 5, kOwner = 6,
                      kFlags = 7, kLvProp = 14;
constexpr std::size_t kAceObject = 0, kAceSid = 1, kAceMask = 2, kAceInheritable = 3;

std::string AsText(const std::optional<PeekBytes>& v) { return v ? std::string(v->begin(), v->end()) : "<null>"; }
std::uint32_t AsU32(const std::optional<PeekBytes>& v) { return PeekU32(*v, 0); }

// A catalog row followed to where it lies (a slot holding an overflow pointer leads on).
PeekBytes RowAt(const PeekFile& f, std::uint32_t page, std::uint8_t slot) {
  const auto slots = f.Slots(page);
  const auto& s = slots.at(slot);
  if (s.flags & 0x4000) return RowAt(f, PeekU32(s.row, 0) >> 8, s.row[0]);
  return s.row;
}

struct CatalogEntry {
  std::vector<std::optional<PeekBytes>> values;
  std::uint32_t page = 0;
  std::uint8_t slot = 0;
};

std::map<std::string, CatalogEntry> CatalogByName(const PeekFile& f) {
  const PeekTdef t = f.Tdef(2);
  std::map<std::string, CatalogEntry> out;
  for (const auto& r : f.TableRows(2)) {
    auto v = DecodeRow(t, r.row);
    out[AsText(v[kName])] = {v, r.page, r.slot};
  }
  return out;
}

struct AceRow {
  std::uint32_t object;
  PeekBytes sid;
  std::uint32_t mask;
  bool inheritable;
  bool operator<(const AceRow& o) const {
    return std::tie(object, sid, mask, inheritable) < std::tie(o.object, o.sid, o.mask, o.inheritable);
  }
  bool operator==(const AceRow& o) const = default;
};

std::vector<AceRow> Aces(const PeekFile& f) {
  const PeekTdef t = f.Tdef(3);
  std::vector<AceRow> out;
  for (const auto& r : f.TableRows(3)) {
    const auto v = DecodeRow(t, r.row);
    out.push_back({AsU32(v[kAceObject]), *v[kAceSid], AsU32(v[kAceMask]), v[kAceInheritable].has_value()});
  }
  return out;
}

const PeekBytes kUsers = {0x02, 0x01};
const PeekBytes kAdmin = {0x03, 0x01};
const PeekBytes kCreator = {0x02, 0x04};

// The fixture's Admins group: the long SID on the Tables container. A second Admins SID was
// added to the fixture by a later Access session; its rows are not part of a new database.
PeekBytes FixtureAdminsSid() {
  for (const auto& a : Aces(Fixture())) {
    if (a.object == build::object_id::kTables && a.sid.size() > 2) return a.sid;
  }
  return {};
}

const std::vector<std::string> kEngineObjectNames = {"Tables",      "Databases", "Relationships", "MSysDb",
                                                     "MSysObjects", "MSysACEs",  "MSysQueries",   "MSysRelationships"};

DatabaseSchema SampleSchema() {
  DatabaseSchema s;
  s.tables = {
      {"Readings", {NewColumn::Long("Rpm"), NewColumn::Single("Power"), NewColumn::Double("Torque")}},
      {"Notes",
       {NewColumn::Text("Title", 10, false), NewColumn::Long("Count"), NewColumn::Text("Body", 255, true),
        NewColumn::Double("Weight"), NewColumn::Single("Ratio"), NewColumn::Text("Tag", 20)}},
  };
  return s;
}

const PeekFile& Built() {
  static const PeekFile f(BuildDatabase(SampleSchema()));
  return f;
}

// ---- encoders against the fixture -------------------------------------------------------

TEST(BuilderKeys, TextKeysEqualEveryParentIdNameEntryOfTheFixture) {
  const auto& f = Fixture();
  const PeekTdef t = f.Tdef(2);
  const auto leaf = DecodeLeaf(f.Page(build::page::kParentIdNameLeaf));
  ASSERT_EQ(leaf.entries.size(), 51u);
  for (const auto& e : leaf.entries) {
    const auto v = DecodeRow(t, RowAt(f, e.page, e.slot));
    PeekBytes expected = build::LongKey(static_cast<std::int32_t>(AsU32(v[kParentId])));
    const auto name = build::TextKey(AsText(v[kName]));
    ASSERT_TRUE(name.has_value()) << AsText(v[kName]);
    expected.insert(expected.end(), name->begin(), name->end());
    EXPECT_EQ(e.key, expected) << AsText(v[kName]);
  }
}

TEST(BuilderKeys, LongKeysEqualEveryIdEntryOfTheFixture) {
  const auto& f = Fixture();
  const PeekTdef t = f.Tdef(2);
  const auto leaf = DecodeLeaf(f.Page(build::page::kIdLeaf));
  ASSERT_EQ(leaf.entries.size(), 51u);
  for (const auto& e : leaf.entries) {
    const auto v = DecodeRow(t, RowAt(f, e.page, e.slot));
    EXPECT_EQ(e.key, build::LongKey(static_cast<std::int32_t>(AsU32(v[kId])))) << AsText(v[kName]);
  }
}

TEST(BuilderKeys, TextKeyIgnoresCaseAndRefusesCharactersOutsideObjectNames) {
  EXPECT_EQ(build::TextKey("Losses"), (PeekBytes{0x7F, 0x6D, 0x72, 0x76, 0x76, 0x66, 0x76, 0x00}));
  EXPECT_EQ(build::TextKey("LOSSES"), build::TextKey("losses"));
  EXPECT_EQ(build::TextKey("A_1 -"), (PeekBytes{0x7F, 0x60, 0x2C, 0x57, 0x11, 0x1E, 0x00}));
  EXPECT_FALSE(build::TextKey("Loss.es").has_value());
  EXPECT_FALSE(build::TextKey("Caf\xE9").has_value());
}

TEST(BuilderRows, ReencodingTheFixtureCatalogAndPermissionRowsGivesTheSameBytes) {
  const auto& f = Fixture();
  const std::pair<std::uint32_t, build::TableDefinition> tables[] = {{2, build::MSysObjectsDefinition()},
                                                                     {3, build::MSysAcesDefinition()}};
  for (const auto& [page, def] : tables) {
    const PeekTdef t = f.Tdef(page);
    const auto rows = f.TableRows(page);
    ASSERT_GT(rows.size(), 40u);
    for (const auto& r : rows) {
      const auto values = DecodeRow(t, r.row);
      ASSERT_EQ(t.maxColumns, def.columns.size());
      EXPECT_EQ(build::EncodeRow(def.columns, values), r.row)
          << "table page " << page << " row " << r.page << ":" << int(r.slot);
    }
  }
}

// Property blobs whose name lists hold exactly the names their blocks use, in order.
TEST(BuilderProperties, ReencodingFixtureBlobsGivesTheSameBytes) {
  const std::pair<std::string, std::string> blobs[] = {{"jackcess_testIndexCodesV1997.mdb", "Table11"},
                                                       {"jackcess_delTestV1997.mdb", "MSysDb"},
                                                       {"jackcess_queryTestV1997.mdb", "Table1"},
                                                       {"ucanaccess_size97.mdb", "table1"}};
  for (const auto& [file, object] : blobs) {
    const PeekFile f = PeekFile::Load(kFixtures / file);
    const auto catalog = CatalogByName(f);
    const auto& row = catalog.at(object).values;
    const PeekBytes blob = f.SingleRowLongValue(*row[kLvProp]);
    const auto decoded = DecodeProperties(blob);
    std::vector<PropertyBlock> blocks;
    for (const auto& b : decoded.blocks) {
      PropertyBlock block{b.chunkType == properties::kChunkColumn, b.target, {}};
      for (const auto& p : b.properties) block.properties.push_back({p.name, p.type, p.ddl != 0, p.value});
      blocks.push_back(block);
    }
    EXPECT_EQ(EncodeProperties(blocks), blob) << file << " " << object;
  }
}

TEST(BuilderPages, HeaderPageEqualsTheFixtureHeaderByteForByte) {
  EXPECT_EQ(build::EncodeHeaderPage(), Fixture().Page(0));
  const PeekFile built(build::EncodeHeaderPage());
  const PeekBytes plain = built.PlainHeader();
  EXPECT_EQ(testing::PeekU16(plain, 0x3A), 0x0409);  // General sort order
  EXPECT_EQ(testing::PeekU16(plain, 0x3C), 1252);    // code page
  EXPECT_EQ(PeekU32(plain, 0x3E), 0u);               // database key: nothing else encrypted
}

TEST(BuilderPages, IndexLeavesReproduceTheFixtureLeaves) {
  const auto& f = Fixture();
  for (const std::uint32_t n : {build::page::kParentIdNameLeaf, build::page::kIdLeaf, build::page::kAcesLeaf,
                                build::page::kQueriesLeaf, build::page::kRelationshipsLeaf0}) {
    const PeekBytes real = f.Page(n);
    const auto leaf = DecodeLeaf(real);
    std::vector<build::LeafEntry> entries;
    for (const auto& e : leaf.entries) entries.push_back({e.key, {e.page, e.slot}});
    const PeekBytes ours = build::EncodeIndexLeaf(leaf.owner, entries);
    EXPECT_TRUE(std::equal(real.begin(), real.begin() + static_cast<std::ptrdiff_t>(leaf.end), ours.begin()))
        << "leaf page " << n;
    EXPECT_TRUE(std::all_of(ours.begin() + static_cast<std::ptrdiff_t>(leaf.end), ours.end(), [](auto b) { return b == 0; }));
  }
}

TEST(BuilderPages, UsageMapPagesReproduceTheFixtureMapPages) {
  const auto& f = Fixture();
  for (const std::uint32_t n : {build::page::kObjectsMaps, build::page::kSystemMaps, build::page::kIdMap}) {
    const auto slots = f.Slots(n);
    std::vector<PeekBytes> rows;
    for (std::size_t i = 0; i < slots.size(); ++i) {
      rows.push_back(NewInlineUsageMap(f.UsageMapPages(n << 8 | static_cast<std::uint32_t>(i))));
      EXPECT_EQ(rows.back(), slots[i].row) << "map " << n << ":" << i;
    }
    const PeekBytes real = f.Page(n);
    const PeekBytes ours = build::EncodeDataPage(usage_map::kMapPageOwner, rows);
    const std::size_t header = 10 + 2 * rows.size();
    const std::size_t rowsStart = 2048 - rows.size() * usage_map::kInlineRowSize;
    EXPECT_TRUE(std::equal(real.begin(), real.begin() + static_cast<std::ptrdiff_t>(header), ours.begin())) << n;
    EXPECT_TRUE(std::equal(real.begin() + static_cast<std::ptrdiff_t>(rowsStart), real.end(),
                           ours.begin() + static_cast<std::ptrdiff_t>(rowsStart)))
        << n;
  }
}

TEST(BuilderPages, UserTableDefinitionEqualsTheFixtureTableOfThreeTextColumns) {
  // queryTest's Table1: col1, col2, col3 Text(50), no indexes, map page 38.
  const PeekFile f = PeekFile::Load(kFixtures / "jackcess_queryTestV1997.mdb");
  build::TableDefinition t;
  t.ownedMap = {38, 0};
  t.freeMap = {38, 1};
  for (std::uint16_t i = 0; i < 3; ++i) {
    t.columns.push_back(ColumnDef{"col" + std::to_string(i + 1), static_cast<std::uint8_t>(ColumnType::kText), i, i, 0, 50,
                                  column_flags::kNullable, 0, 0, 0x00010000u + i});
  }
  const PeekBytes real = f.Page(37);
  const PeekBytes ours = build::EncodeTdefPage(t);
  const std::size_t length = PeekU32(real, 8);
  ASSERT_EQ(length, 114u);
  EXPECT_EQ(PeekBytes(ours.begin(), ours.begin() + 114), PeekBytes(real.begin(), real.begin() + 114));
}

// ---- a built database against the fixture's catalog ----------------------------------------

TEST(BuilderCatalog, SystemTableDefinitionsMatchTheFixtureFieldByField) {
  for (std::uint32_t page = 2; page <= 5; ++page) {
    SCOPED_TRACE("TDEF page " + std::to_string(page));
    const PeekTdef a = Fixture().Tdef(page);
    const PeekTdef b = Built().Tdef(page);
    EXPECT_EQ(b.length, a.length);
    EXPECT_EQ(b.tableType, 0x53);
    EXPECT_EQ(b.tableType, a.tableType);
    EXPECT_EQ(b.autoNumber, a.autoNumber);
    EXPECT_EQ(b.maxColumns, a.maxColumns);
    EXPECT_EQ(b.varColumns, a.varColumns);
    EXPECT_EQ(b.ownedMap, a.ownedMap);
    EXPECT_EQ(b.freeMap, a.freeMap);
    ASSERT_EQ(b.columns.size(), a.columns.size());
    for (std::size_t i = 0; i < a.columns.size(); ++i) {
      const auto& x = a.columns[i];
      const auto& y = b.columns[i];
      SCOPED_TRACE(x.name);
      EXPECT_EQ(y.name, x.name);
      EXPECT_EQ(y.type, x.type);
      EXPECT_EQ(y.number, x.number);
      EXPECT_EQ(y.varIndex, x.varIndex);
      EXPECT_EQ(y.id, x.id);
      EXPECT_EQ(y.sortOrder, x.sortOrder);
      EXPECT_EQ(y.codePage, x.codePage);
      EXPECT_EQ(y.flags, x.flags);
      EXPECT_EQ(y.length, x.length);
      // A variable column's fixed offset is left over from elsewhere in real files.
      if (x.fixed()) {
        EXPECT_EQ(y.fixedOffset, x.fixedOffset);
      } else {
        EXPECT_EQ(y.fixedOffset, 0);
      }
    }
    ASSERT_EQ(b.realIndexes.size(), a.realIndexes.size());
    for (std::size_t i = 0; i < a.realIndexes.size(); ++i) {
      EXPECT_EQ(b.realIndexes[i].columns, a.realIndexes[i].columns);
      EXPECT_EQ(b.realIndexes[i].map, a.realIndexes[i].map);
      EXPECT_EQ(b.realIndexes[i].firstPage, a.realIndexes[i].firstPage);
      EXPECT_EQ(b.realIndexes[i].flags, a.realIndexes[i].flags);
      EXPECT_EQ(b.realIndexes[i].count, 0u);
      EXPECT_EQ(b.realIndexes[i].count, a.realIndexes[i].count);
    }
    ASSERT_EQ(b.logicalIndexes.size(), a.logicalIndexes.size());
    for (std::size_t i = 0; i < a.logicalIndexes.size(); ++i) {
      EXPECT_EQ(b.logicalIndexes[i].name, a.logicalIndexes[i].name);
      EXPECT_EQ(b.logicalIndexes[i].number, a.logicalIndexes[i].number);
      EXPECT_EQ(b.logicalIndexes[i].realIndex, a.logicalIndexes[i].realIndex);
      EXPECT_EQ(b.logicalIndexes[i].middle, a.logicalIndexes[i].middle);
      EXPECT_EQ(b.logicalIndexes[i].type, a.logicalIndexes[i].type);
    }
    ASSERT_EQ(b.longValueColumns.size(), a.longValueColumns.size());
    for (std::size_t i = 0; i < a.longValueColumns.size(); ++i) {
      EXPECT_EQ(b.longValueColumns[i].number, a.longValueColumns[i].number);
      EXPECT_EQ(b.longValueColumns[i].owned, a.longValueColumns[i].owned);
      EXPECT_EQ(b.longValueColumns[i].free, a.longValueColumns[i].free);
    }
    EXPECT_TRUE(b.endsWithFFFF);
  }
}

TEST(BuilderCatalog, SystemTableCountsDescribeTheBuiltRows) {
  // 8 engine objects + 2 tables; 23 engine permission rows + 3 per table over 10 objects.
  const PeekTdef objects = Built().Tdef(2);
  EXPECT_EQ(objects.rowCount, 10u);
  EXPECT_EQ(objects.realIndexes[0].distinctKeys, 10u);
  EXPECT_EQ(objects.realIndexes[1].distinctKeys, 10u);
  const PeekTdef aces = Built().Tdef(3);
  EXPECT_EQ(aces.rowCount, 29u);
  EXPECT_EQ(aces.realIndexes[0].distinctKeys, 10u);
  EXPECT_EQ(Built().Tdef(4).rowCount, 0u);
  EXPECT_EQ(Built().Tdef(5).rowCount, 0u);
  EXPECT_EQ(Built().TableRows(2).size(), 10u);
  EXPECT_EQ(Built().TableRows(3).size(), 29u);
}

TEST(BuilderCatalog, EngineObjectsMatchTheFixtureApartFromDates) {
  const auto a = CatalogByName(Fixture());
  const auto b = CatalogByName(Built());
  for (std::size_t i = 0; i < kEngineObjectNames.size(); ++i) {
    const auto& name = kEngineObjectNames[i];
    SCOPED_TRACE(name);
    const auto& x = a.at(name);
    const auto& y = b.at(name);
    // Both files keep the engine's objects in the first eight slots of page 18, in this order.
    EXPECT_EQ(x.page, 18u);
    EXPECT_EQ(y.page, 18u);
    EXPECT_EQ(x.slot, i);
    EXPECT_EQ(y.slot, i);
    for (const std::size_t c : {kId, kParentId, kType, kOwner, kFlags}) EXPECT_EQ(y.values[c], x.values[c]) << c;
    for (std::size_t c = 0; c < x.values.size(); ++c) EXPECT_EQ(y.values[c].has_value(), x.values[c].has_value()) << c;
    EXPECT_EQ(y.values[kDateCreate], build::F64Bytes(kDefaultCreationDate));
    EXPECT_EQ(y.values[kDateUpdate], build::F64Bytes(kDefaultCreationDate));
  }
}

TEST(BuilderCatalog, DatabasePropertiesMatchTheFixturesEngineAndAccess97Properties) {
  const auto fixtureDb = CatalogByName(Fixture()).at("MSysDb").values;
  const auto builtDb = CatalogByName(Built()).at("MSysDb").values;
  const auto a = DecodeProperties(Fixture().SingleRowLongValue(*fixtureDb[kLvProp]));
  const auto b = DecodeProperties(Built().SingleRowLongValue(*builtDb[kLvProp]));
  ASSERT_EQ(b.blocks.size(), 1u);
  EXPECT_EQ(b.blocks[0].chunkType, 0);
  EXPECT_EQ(b.blocks[0].target, "");
  // The fixture's later Access sessions added navigation-pane and AutoCorrect properties.
  const std::vector<std::string> kept = {"AccessVersion", "Build", "ProjVer"};
  std::vector<testing::PeekProperty> expected;
  for (const auto& p : a.blocks.at(0).properties) {
    if (std::find(kept.begin(), kept.end(), p.name) != kept.end()) expected.push_back(p);
  }
  ASSERT_EQ(b.blocks[0].properties.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(b.blocks[0].properties[i].name, expected[i].name);
    EXPECT_EQ(b.blocks[0].properties[i].ddl, expected[i].ddl);
    EXPECT_EQ(b.blocks[0].properties[i].type, expected[i].type);
    EXPECT_EQ(b.blocks[0].properties[i].value, expected[i].value);
  }
  EXPECT_EQ(b.names, kept);
  EXPECT_EQ(b.blocks[0].properties[0].value, (PeekBytes{'0', '7', '.', '5', '3'}));
}

TEST(BuilderCatalog, EnginePermissionRowsMatchTheFixture) {
  std::set<std::uint32_t> engineIds;
  for (const auto& [name, e] : CatalogByName(Fixture())) {
    if (std::find(kEngineObjectNames.begin(), kEngineObjectNames.end(), name) != kEngineObjectNames.end()) {
      engineIds.insert(AsU32(e.values[kId]));
    }
  }
  ASSERT_EQ(engineIds.size(), 8u);
  const PeekBytes admins = FixtureAdminsSid();
  ASSERT_EQ(admins.size(), 102u);
  std::vector<AceRow> expected;
  for (const auto& r : Aces(Fixture())) {
    if (engineIds.count(r.object) && (r.sid.size() == 2 || r.sid == admins)) expected.push_back(r);
  }
  std::vector<AceRow> built;
  for (const auto& r : Aces(Built())) {
    if (engineIds.count(r.object)) built.push_back(r);
  }
  ASSERT_EQ(expected.size(), 23u);
  ASSERT_EQ(built.size(), 23u);
  // A new database holds the engine's rows first.
  const auto all = Aces(Built());
  EXPECT_TRUE(std::equal(built.begin(), built.end(), all.begin()));
  std::sort(expected.begin(), expected.end());
  std::sort(built.begin(), built.end());
  EXPECT_EQ(built, expected);
}

TEST(BuilderCatalog, UserTablePermissionsAreTheTablesContainerDefaultsWithoutCreator) {
  std::vector<AceRow> defaults;
  const PeekBytes admins = FixtureAdminsSid();
  for (const auto& r : Aces(Fixture())) {
    if (r.object == build::object_id::kTables && r.inheritable && r.sid != kCreator &&
        (r.sid.size() == 2 || r.sid == admins)) {
      defaults.push_back(r);
    }
  }
  ASSERT_EQ(defaults.size(), 3u);
  const auto catalog = CatalogByName(Built());
  for (const std::string table : {"Readings", "Notes"}) {
    const std::uint32_t id = AsU32(catalog.at(table).values[kId]);
    std::vector<AceRow> expected;
    for (auto r : defaults) expected.push_back({id, r.sid, r.mask, false});
    std::vector<AceRow> built;
    for (const auto& r : Aces(Built())) {
      if (r.object == id) built.push_back(r);
    }
    std::sort(expected.begin(), expected.end());
    std::sort(built.begin(), built.end());
    EXPECT_EQ(built, expected) << table;
  }
  // Admin FFEFF, Admins and Users FFFFF.
  EXPECT_EQ(defaults.size(), 3u);
}

TEST(BuilderCatalog, FixedMapAndIndexPagesAreLaidOutAsInTheFixture) {
  const auto& a = Fixture();
  const auto& b = Built();
  // Page 1 (global map, owner field 1) and the map pages: same number of rows.
  for (const std::uint32_t n : {1u, 6u, 7u, 8u, 10u, 12u}) {
    EXPECT_EQ(b.Slots(n).size(), a.Slots(n).size()) << n;
    EXPECT_EQ(PeekU32(b.Page(n), 4), PeekU32(a.Page(n), 4)) << n;
  }
  // Maps of index pages and of empty tables: identical contents.
  for (const auto ptr : {build::map_row::kParentIdNamePages, build::map_row::kIdPages, build::map_row::kAcesIndexPages,
                         build::map_row::kQueriesIndexPages, build::map_row::kRelationshipsIndex0Pages,
                         build::map_row::kRelationshipsIndex1Pages, build::map_row::kRelationshipsIndex2Pages,
                         build::map_row::kQueriesOwned, build::map_row::kRelationshipsOwned, build::map_row::kLvOwned,
                         build::map_row::kExpressionOwned}) {
    EXPECT_EQ(b.UsageMapPages(ptr.ToU32()), a.UsageMapPages(ptr.ToU32())) << ptr.page << ":" << int(ptr.row);
  }
  // Empty leaves of MSysQueries and MSysRelationships.
  for (std::uint32_t n = 14; n <= 17; ++n) {
    const auto x = DecodeLeaf(a.Page(n));
    const auto y = DecodeLeaf(b.Page(n));
    EXPECT_EQ(y.owner, x.owner);
    EXPECT_EQ(y.freeSpace, 1800);
    EXPECT_EQ(y.freeSpace, x.freeSpace);
    EXPECT_TRUE(y.entries.empty());
  }
}

TEST(BuilderCatalog, IndexLeavesListEveryRowOnceInKeyOrder) {
  const auto& f = Built();
  const PeekTdef objects = f.Tdef(2);
  const PeekTdef acesDef = f.Tdef(3);
  struct Case {
    std::uint32_t leaf;
    std::uint32_t table;
    const PeekTdef* def;
    std::size_t keyColumn;
    bool unique;
  };
  for (const Case c : {Case{9, 2, &objects, kParentId, true}, Case{11, 2, &objects, kId, true},
                       Case{13, 3, &acesDef, kAceObject, false}}) {
    SCOPED_TRACE("leaf " + std::to_string(c.leaf));
    const auto leaf = DecodeLeaf(f.Page(c.leaf));
    const auto rows = f.TableRows(c.table);
    ASSERT_EQ(leaf.entries.size(), rows.size());
    EXPECT_EQ(leaf.owner, c.table);
    EXPECT_EQ(leaf.freeSpace, 2048 - leaf.end);
    std::set<std::pair<std::uint32_t, int>> seen;
    for (std::size_t i = 0; i < leaf.entries.size(); ++i) {
      const auto& e = leaf.entries[i];
      if (i > 0) {
        const auto& p = leaf.entries[i - 1];
        EXPECT_TRUE(c.unique ? p.key < e.key : p.key <= e.key);
      }
      EXPECT_TRUE(seen.insert({e.page, e.slot}).second);
      const auto v = DecodeRow(*c.def, RowAt(f, e.page, e.slot));
      // The key opens with 7F and the row's Long value, big-endian with the sign bit flipped.
      const std::uint32_t value = AsU32(v[c.keyColumn]) ^ 0x80000000u;
      EXPECT_EQ(PeekBytes(e.key.begin(), e.key.begin() + 5),
                (PeekBytes{0x7F, std::uint8_t(value >> 24), std::uint8_t(value >> 16), std::uint8_t(value >> 8),
                           std::uint8_t(value)}));
    }
  }
}

// ---- layout and user tables -------------------------------------------------------------

TEST(BuilderLayout, UsageMapsAccountForEveryPage) {
  const auto& f = Built();
  const std::uint32_t count = f.pageCount();
  // 18 fixed pages, one page each of catalog, permissions and long values, 2 per table.
  EXPECT_EQ(count, 25u);
  std::vector<std::uint32_t> freePages;
  for (std::uint32_t p = count; p < 1024; ++p) freePages.push_back(p);
  EXPECT_EQ(f.UsageMapPages(build::page::kGlobalMap << 8), freePages);
  EXPECT_TRUE(f.UsageMapPages(build::page::kGlobalMap << 8 | 1).empty());

  std::vector<std::uint32_t> catalog, aces, longValues;
  for (std::uint32_t p = 18; p < count; ++p) {
    const auto page = f.Page(p);
    if (page[0] != 0x01) continue;
    const std::uint32_t owner = PeekU32(page, 4);
    if (owner == 2) catalog.push_back(p);
    if (owner == 3) aces.push_back(p);
    if (owner == data_page::kLongValueOwner) longValues.push_back(p);
  }
  EXPECT_EQ(catalog, (std::vector<std::uint32_t>{18}));
  EXPECT_EQ(aces, (std::vector<std::uint32_t>{19}));
  EXPECT_EQ(longValues, (std::vector<std::uint32_t>{20}));
  EXPECT_EQ(f.UsageMapPages(build::map_row::kObjectsOwned.ToU32()), catalog);
  EXPECT_EQ(f.UsageMapPages(build::map_row::kObjectsFree.ToU32()), catalog);
  EXPECT_EQ(f.UsageMapPages(build::map_row::kAcesOwned.ToU32()), aces);
  EXPECT_EQ(f.UsageMapPages(build::map_row::kAcesFree.ToU32()), aces);
  EXPECT_EQ(f.UsageMapPages(build::map_row::kLvPropOwned.ToU32()), longValues);
  EXPECT_EQ(f.UsageMapPages(build::map_row::kLvPropFree.ToU32()), longValues);
  // Pages 21..24: TDEF and map page of each table.
  EXPECT_EQ(f.Page(21)[0], 0x02);
  EXPECT_EQ(f.Page(23)[0], 0x02);
  EXPECT_EQ(f.Slots(22).size(), 2u);
  EXPECT_EQ(f.Slots(24).size(), 2u);
}

TEST(BuilderTables, UserTableDefinitionFollowsTheSchema) {
  const auto catalog = CatalogByName(Built());
  const auto& notes = catalog.at("Notes").values;
  const std::uint32_t page = AsU32(notes[kId]);
  EXPECT_EQ(page, 23u);
  EXPECT_EQ(AsU32(notes[kParentId]), 0x0F000001u);
  EXPECT_EQ(notes[kType], (PeekBytes{0x01, 0x00}));
  EXPECT_EQ(notes[kOwner], kAdmin);
  EXPECT_EQ(AsU32(notes[kFlags]), 0u);

  const PeekTdef t = Built().Tdef(page);
  EXPECT_EQ(t.tableType, 0x4E);
  EXPECT_EQ(t.rowCount, 0u);
  EXPECT_EQ(t.maxColumns, 6);
  EXPECT_EQ(t.varColumns, 3);
  EXPECT_TRUE(t.realIndexes.empty());
  EXPECT_TRUE(t.logicalIndexes.empty());
  EXPECT_TRUE(t.longValueColumns.empty());
  EXPECT_TRUE(t.endsWithFFFF);
  EXPECT_EQ(t.ownedMap, (page + 1) << 8);
  EXPECT_EQ(t.freeMap, (page + 1) << 8 | 1);
  EXPECT_TRUE(Built().UsageMapPages(t.ownedMap).empty());
  EXPECT_TRUE(Built().UsageMapPages(t.freeMap).empty());
  struct Expect {
    const char* name;
    std::uint8_t type;
    std::uint16_t varIndex;
    std::uint8_t flags;
    std::uint16_t fixedOffset;
    std::uint16_t length;
  };
  const Expect expected[] = {{"Title", 10, 0, 0x02, 0, 10},  {"Count", 4, 1, 0x03, 0, 4},   {"Body", 10, 1, 0x02, 0, 255},
                             {"Weight", 7, 2, 0x03, 4, 8},   {"Ratio", 6, 2, 0x03, 12, 4}, {"Tag", 10, 2, 0x02, 0, 20}};
  ASSERT_EQ(t.columns.size(), 6u);
  for (std::uint16_t i = 0; i < 6; ++i) {
    const auto& c = t.columns[i];
    SCOPED_TRACE(expected[i].name);
    EXPECT_EQ(c.name, expected[i].name);
    EXPECT_EQ(c.number, i);
    EXPECT_EQ(c.id, i + 1u);
    EXPECT_EQ(c.type, expected[i].type);
    EXPECT_EQ(c.varIndex, expected[i].varIndex);
    EXPECT_EQ(c.flags, expected[i].flags);
    EXPECT_EQ(c.fixedOffset, expected[i].fixedOffset);
    EXPECT_EQ(c.length, expected[i].length);
    EXPECT_EQ(c.sortOrder, 0x0409);
    EXPECT_EQ(c.codePage, 1252);
  }
}

TEST(BuilderTables, ColumnPropertiesAreWrittenAsAsked) {
  const auto catalog = CatalogByName(Built());
  const auto props = DecodeProperties(Built().SingleRowLongValue(*catalog.at("Notes").values[kLvProp]));
  ASSERT_EQ(props.blocks.size(), 7u);
  EXPECT_EQ(props.blocks[0].chunkType, 0);
  ASSERT_EQ(props.blocks[0].properties.size(), 1u);
  EXPECT_EQ(props.blocks[0].properties[0].name, "OrderByOn");
  EXPECT_EQ(props.blocks[0].properties[0].value, PeekBytes{0x00});
  // (column, AllowZeroLength written and its value)
  const std::vector<std::pair<std::string, std::optional<std::uint8_t>>> columns = {
      {"Title", 0}, {"Count", std::nullopt}, {"Body", 1}, {"Weight", std::nullopt}, {"Ratio", std::nullopt}, {"Tag", std::nullopt}};
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const auto& block = props.blocks[i + 1];
    SCOPED_TRACE(columns[i].first);
    EXPECT_EQ(block.chunkType, 1);
    EXPECT_EQ(block.target, columns[i].first);
    ASSERT_EQ(block.properties.size(), columns[i].second ? 2u : 1u);
    EXPECT_EQ(block.properties[0].name, "Required");
    EXPECT_EQ(block.properties[0].ddl, 1);
    EXPECT_EQ(block.properties[0].type, 1);
    EXPECT_EQ(block.properties[0].value, PeekBytes{0x00});
    if (columns[i].second) {
      EXPECT_EQ(block.properties[1].name, "AllowZeroLength");
      EXPECT_EQ(block.properties[1].ddl, 1);
      EXPECT_EQ(block.properties[1].type, 1);
      EXPECT_EQ(block.properties[1].value, PeekBytes{*columns[i].second});
    }
  }
  EXPECT_EQ(props.names, (std::vector<std::string>{"OrderByOn", "Required", "AllowZeroLength"}));
}

TEST(BuilderOutput, SameSchemaGivesTheSameBytesAndTheDateLandsInEveryCatalogRow) {
  EXPECT_EQ(BuildDatabase(SampleSchema()), Built().bytes());
  DatabaseSchema other = SampleSchema();
  other.creationDate = 45000.5;
  const PeekFile f(BuildDatabase(other));
  ASSERT_EQ(f.bytes().size(), Built().bytes().size());
  const PeekTdef t = f.Tdef(2);
  for (const auto& r : f.TableRows(2)) {
    const auto v = DecodeRow(t, r.row);
    EXPECT_EQ(v[kDateCreate], build::F64Bytes(45000.5));
    EXPECT_EQ(v[kDateUpdate], build::F64Bytes(45000.5));
  }
  // Only the 16 date bytes of each of the 10 catalog rows differ.
  std::size_t differing = 0;
  for (std::size_t i = 0; i < f.bytes().size(); ++i) differing += f.bytes()[i] != Built().bytes()[i];
  EXPECT_LE(differing, 160u);
  EXPECT_GT(differing, 0u);
}

TEST(BuilderOutput, ManyTablesSpillCatalogAndPermissionRowsOntoFurtherPages) {
  DatabaseSchema s;
  for (int i = 0; i < 50; ++i) {
    s.tables.push_back({"Table " + std::to_string(i),
                        {NewColumn::Long("A"), NewColumn::Text("B", 50, false)}});
  }
  const PeekFile f(BuildDatabase(s));
  const auto aces = f.TableRows(3);
  const auto objects = f.TableRows(2);
  EXPECT_EQ(aces.size(), 23u + 150u);
  EXPECT_EQ(objects.size(), 58u);
  EXPECT_EQ(f.Tdef(3).rowCount, 173u);
  EXPECT_EQ(f.Tdef(2).rowCount, 58u);
  std::set<std::uint32_t> acePages, objectPages;
  for (const auto& r : aces) acePages.insert(r.page);
  for (const auto& r : objects) objectPages.insert(r.page);
  ASSERT_GE(acePages.size(), 2u);
  ASSERT_GE(objectPages.size(), 2u);
  EXPECT_EQ(f.UsageMapPages(build::map_row::kAcesOwned.ToU32()), std::vector<std::uint32_t>(acePages.begin(), acePages.end()));
  EXPECT_EQ(f.UsageMapPages(build::map_row::kAcesFree.ToU32()), std::vector<std::uint32_t>{*acePages.rbegin()});
  EXPECT_EQ(f.UsageMapPages(build::map_row::kObjectsOwned.ToU32()),
            std::vector<std::uint32_t>(objectPages.begin(), objectPages.end()));
  EXPECT_EQ(DecodeLeaf(f.Page(13)).entries.size(), 173u);
  EXPECT_EQ(DecodeLeaf(f.Page(9)).entries.size(), 58u);
  // Every table's id is its TDEF page, and the TDEF names its columns.
  const PeekTdef t = f.Tdef(2);
  for (const auto& r : objects) {
    const auto v = DecodeRow(t, r.row);
    if (AsU32(v[kParentId]) != 0x0F000001u || AsU32(v[kFlags]) != 0) continue;
    EXPECT_EQ(f.Tdef(AsU32(v[kId])).columns.at(1).name, "B");
  }
}

// ---- refused schemas --------------------------------------------------------------------

void ExpectRefused(const DatabaseSchema& s, const std::string& fragment) {
  try {
    BuildDatabase(s);
    ADD_FAILURE() << "no error for: " << fragment;
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), errnum::kInvalidProcedureCall);
    EXPECT_NE(e.description().find(fragment), std::string::npos) << e.description();
  }
}

TEST(BuilderValidation, SchemasTheBuilderCannotWriteAreRefusedWithError5) {
  const auto one = [](std::string table, std::vector<NewColumn> cols) {
    DatabaseSchema s;
    s.tables.push_back({std::move(table), std::move(cols)});
    return s;
  };
  ExpectRefused(one("msysobjects", {NewColumn::Long("A")}), "duplicate table name 'msysobjects'");
  DatabaseSchema twice = one("Losses", {NewColumn::Long("A")});
  twice.tables.push_back({"LOSSES", {NewColumn::Long("A")}});
  ExpectRefused(twice, "duplicate table name 'LOSSES'");
  ExpectRefused(one("Empty", {}), "table 'Empty' needs 1 to 255 columns");
  ExpectRefused(one("T", {NewColumn::Long("A"), NewColumn::Single("a")}), "duplicate column name 'a' in 'T'");
  ExpectRefused(one("T", {NewColumn::Text("A", 0)}), "text column 'A' needs a length of 1 to 255");
  ExpectRefused(one("T", {NewColumn::Text("A", 256)}), "text column 'A' needs a length of 1 to 255");
  ExpectRefused(one("T.1", {NewColumn::Long("A")}), "table name with unsupported characters: 'T.1'");
  ExpectRefused(one(" T", {NewColumn::Long("A")}), "table name with unsupported characters: ' T'");
  ExpectRefused(one(std::string(65, 'T'), {NewColumn::Long("A")}), "table name of 1 to 64 characters");
  ExpectRefused(one("T", {NewColumn::Long("")}), "column name of 1 to 64 characters");
}

TEST(BuilderValidation, CatalogTooLargeForOneIndexPageIsRefused) {
  DatabaseSchema s;
  for (int i = 0; i < 100; ++i) {
    s.tables.push_back({std::string(55, 'T') + std::to_string(1000 + i), {NewColumn::Long("A")}});
  }
  ExpectRefused(s, "schema too large");
}

}  // namespace
}  // namespace frixa::jet
