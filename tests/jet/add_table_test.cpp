// A user table added to an existing database (Writer::AddTable) against the same table in a
// database the builder makes with it: the catalog, permission and definition records equal,
// every index entry pointing at the row of its key, the file consistent; and the refusals,
// which leave the file as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "common/error.h"
#include "jet/build_catalog.h"
#include "jet/database.h"
#include "jet/db_builder.h"
#include "support/jet_consistency.h"
#include "support/jet_test_files.h"

namespace frixa::jet {
namespace {

using testing::ScratchFile;

const NewTable kBase{"Base", {NewColumn::Long("A"), NewColumn::Text("Note", 20, false)}};
const NewTable kCounts{"RunCounts", {NewColumn::Long("Rundown"), NewColumn::Long("RunCount")}};

DatabaseSchema SchemaOf(std::vector<NewTable> tables) {
  DatabaseSchema s;
  s.tables = std::move(tables);
  return s;
}

// Every row of the table, as values, in stored order.
std::vector<std::vector<Value>> Rows(const Database& db, const std::string& table) {
  const TableDef def = db.Table(table);
  TableScan scan = db.Scan(def);
  std::vector<std::vector<Value>> rows;
  while (scan.Next()) {
    std::vector<Value> row;
    for (std::size_t c = 0; c < def.columns.size(); ++c) row.push_back(scan.ReadValue(c));
    rows.push_back(std::move(row));
  }
  return rows;
}

std::int32_t LongOf(const Value& v) { return *v.Get<std::int32_t>(); }

// The entries of a catalog index leaf as (key, page, slot).
using Entries = std::set<std::tuple<build::Bytes, PageNumber, unsigned>>;
Entries LeafOf(const Database& db, PageNumber page, PageNumber owner) {
  const auto decoded = build::DecodeIndexLeaf(db.Pages().Page(page).Bytes(), owner);
  EXPECT_TRUE(decoded.has_value()) << "leaf " << page;
  Entries out;
  if (decoded) {
    for (const auto& e : *decoded) out.insert({e.key, e.row.page, e.row.row});
  }
  return out;
}

TEST(AddTable, CataloguesTheTableAsTheBuilderCataloguesItInANewFile) {
  ScratchFile file(BuildDatabase(SchemaOf({kBase})));
  {
    Database db = Database::Open(file.str());
    const TableDef added = db.AddTable(kCounts);
    EXPECT_EQ(added.page + 2, db.Pages().PageCount());  // its TDEF and its map page, at the end
    EXPECT_EQ(db.UserTableNames(), (std::vector<std::string>{"Base", "RunCounts"}));
  }
  // Saved as it was made: read again from the disk.
  const Database db = Database::Open(file.str());
  const Database fresh = Database::FromBytes(BuildDatabase(SchemaOf({kBase, kCounts})), "fresh.mdb");
  EXPECT_EQ(testing::CheckConsistency(db), std::vector<std::string>{});
  ASSERT_EQ(db.UserTableNames(), (std::vector<std::string>{"Base", "RunCounts"}));

  const TableDef def = db.Table("RunCounts");
  const TableDef want = fresh.Table("RunCounts");
  EXPECT_EQ(def.rowCount, 0u);
  auto withoutMaps = [](std::vector<std::uint8_t> d) {
    std::fill(d.begin() + tdef::kOwnedMapOffset, d.begin() + tdef::kFixedPartSize, 0);
    return d;
  };
  EXPECT_EQ(withoutMaps(def.definition), withoutMaps(want.definition));

  // Catalog and permission rows: the same values, the table's id aside.
  auto objectRow = [](const Database& d, const std::string& name) {
    for (auto row : Rows(d, "MSysObjects")) {
      if (const auto* n = row[2].Get<Text>(); n && n->bytes == name) {
        row[0] = Value();
        return row;
      }
    }
    return std::vector<Value>{};
  };
  ASSERT_FALSE(objectRow(fresh, "RunCounts").empty());
  EXPECT_EQ(objectRow(db, "RunCounts"), objectRow(fresh, "RunCounts"));
  auto aceRows = [](const Database& d, std::int32_t id) {
    std::vector<std::vector<Value>> rows;
    for (auto row : Rows(d, "MSysACEs")) {
      if (LongOf(row[0]) != id) continue;
      row[0] = Value();
      rows.push_back(std::move(row));
    }
    return rows;
  };
  EXPECT_EQ(aceRows(db, static_cast<std::int32_t>(def.page)).size(), 3u);
  EXPECT_EQ(aceRows(db, static_cast<std::int32_t>(def.page)), aceRows(fresh, static_cast<std::int32_t>(want.page)));

  // The system tables' definitions (row counts, distinct keys) as the builder writes them.
  for (PageNumber tdefPage : {build::page::kObjectsTdef, build::page::kAcesTdef}) {
    const auto got = db.Pages().Page(tdefPage).Bytes();
    const auto expected = fresh.Pages().Page(tdefPage).Bytes();
    EXPECT_TRUE(std::equal(got.begin(), got.end(), expected.begin(), expected.end())) << "TDEF page " << tdefPage;
  }

  // Each index entry points at the row whose key it holds, one entry per row.
  Entries parentIdName;
  Entries ids;
  for (const CatalogEntry& e : db.GetCatalog().entries) {
    build::CatalogObject o;
    o.id = static_cast<std::uint32_t>(e.id);
    o.parentId = static_cast<std::uint32_t>(e.parentId);
    o.name = e.name;
    parentIdName.insert({build::ParentIdNameKey(o), e.location.page, e.location.slot});
    ids.insert({build::IdKey(o), e.location.page, e.location.slot});
  }
  EXPECT_EQ(LeafOf(db, build::page::kParentIdNameLeaf, build::page::kObjectsTdef), parentIdName);
  EXPECT_EQ(LeafOf(db, build::page::kIdLeaf, build::page::kObjectsTdef), ids);
  Entries aces;
  const TableDef acesDef = db.Table("MSysACEs");
  TableScan scan = db.Scan(acesDef);
  while (scan.Next()) {
    build::Ace a;
    a.objectId = static_cast<std::uint32_t>(LongOf(scan.ReadValue(0)));
    aces.insert({build::AceObjectKey(a), scan.Location().page, scan.Location().slot});
  }
  EXPECT_EQ(aces.size(), build::EngineAces().size() + 3 * db.UserTableNames().size());
  EXPECT_EQ(LeafOf(db, build::page::kAcesLeaf, build::page::kAcesTdef), aces);
}

TEST(AddTable, TheNewTableTakesRowsAndKeepsThemAcrossPages) {
  ScratchFile file(BuildDatabase(SchemaOf({kBase})));
  {
    Database db = Database::Open(file.str());
    const TableDef def = db.AddTable(kCounts);
    std::vector<FixedNumber> numbers;
    for (std::int64_t i = 0; i < 1000; ++i) {
      numbers.push_back({true, 1 + i / 600, 0});
      numbers.push_back({true, i == 7 ? 0 : 0xFFFFFF - i, 0});
    }
    db.Write().SetMode(WriteMode::kWriteBehind);
    db.Write().AppendFixedRows(def.page, numbers);
    db.Write().Flush();
  }
  const Database db = Database::Open(file.str());
  EXPECT_EQ(testing::CheckConsistency(db), std::vector<std::string>{});
  const auto rows = Rows(db, "RunCounts");
  ASSERT_EQ(rows.size(), 1000u);
  EXPECT_EQ(db.Table("RunCounts").rowCount, 1000u);
  for (std::int32_t i = 0; i < 1000; ++i) {
    ASSERT_EQ(LongOf(rows[static_cast<std::size_t>(i)][0]), 1 + i / 600) << i;
    ASSERT_EQ(LongOf(rows[static_cast<std::size_t>(i)][1]), i == 7 ? 0 : 0xFFFFFF - i) << i;
  }
}

TEST(AddTable, RefusalsAndFullIndexesLeaveTheFileAsItWas) {
  ScratchFile file(BuildDatabase(SchemaOf({kBase})));
  Database db = Database::Open(file.str());
  const auto before = testing::FileBytes(file.path());
  auto numberOf = [&](const NewTable& t) {
    try {
      db.AddTable(t);
    } catch (const Error& e) {
      return e.number();
    }
    return 0;
  };
  EXPECT_EQ(numberOf({"base", {NewColumn::Long("X")}}), errnum::kInvalidProcedureCall);
  EXPECT_EQ(numberOf({"MSysObjects", {NewColumn::Long("X")}}), errnum::kInvalidProcedureCall);
  EXPECT_EQ(numberOf({"Bad/Name", {NewColumn::Long("X")}}), errnum::kInvalidProcedureCall);
  EXPECT_EQ(numberOf({"NoColumns", {}}), errnum::kInvalidProcedureCall);
  EXPECT_EQ(testing::FileBytes(file.path()), before);

  // Tables until the catalog's single index leaves are full: the one that does not fit is
  // refused whole, and the file stays as the last table left it.
  int added = 0;
  int refusal = 0;
  std::vector<std::uint8_t> last;
  while (refusal == 0 && added < 200) {
    last = testing::FileBytes(file.path());
    refusal = numberOf({"Table of counts " + std::to_string(added), {NewColumn::Long("N")}});
    if (refusal == 0) ++added;
  }
  EXPECT_EQ(refusal, errnum::kJetReadOnly);
  EXPECT_GT(added, 40);
  EXPECT_EQ(testing::FileBytes(file.path()), last);
  const Database reread = Database::Open(file.str());
  EXPECT_EQ(reread.UserTableNames().size(), static_cast<std::size_t>(added) + 1);
  EXPECT_EQ(testing::CheckConsistency(reread), std::vector<std::string>{});
}

}  // namespace
}  // namespace frixa::jet
