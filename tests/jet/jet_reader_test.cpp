// The Jet 3 reader on real Access 97 files and on files composed for a case: header, catalog,
// every column type, stored row order across pages, jump tables, long values, moved and
// deleted rows, name lookup.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <tuple>

#include "jet/database.h"
#include "jet/date_time.h"
#include "jet/text.h"
#include "support/jet_synth.h"
#include "support/jet_test_files.h"

namespace frixa::jet {
namespace {

using testing::FileBytes;
using testing::JetFixture;
using testing::SynthColumn;
using testing::SynthTable;

Database OpenFixture(const std::string& name) { return Database::Open(JetFixture(name).string()); }

std::vector<std::vector<Value>> AllRows(const Database& db, const std::string& table) {
  const TableDef def = db.Table(table);
  TableScan scan = db.Scan(def);
  std::vector<std::vector<Value>> rows;
  while (scan.Next()) rows.push_back(scan.ReadRow());
  return rows;
}

std::uint32_t Bits(float f) {
  std::uint32_t b;
  std::memcpy(&b, &f, 4);
  return b;
}

TEST(JetHeader, Access97FileUnmasksToGeneralSortCodePage1252AndNoKey) {
  const Database db = OpenFixture("jackcess_testV1997.mdb");
  EXPECT_EQ(db.Header().version, 0);
  EXPECT_EQ(db.Header().sortOrder, 0x0409);
  EXPECT_EQ(db.Header().codePage, 1252);
  EXPECT_EQ(db.Header().databaseKey, 0u);
  EXPECT_FALSE(db.Header().hasPassword);
  EXPECT_EQ(db.Pages().PageCount(), 58u);
}

TEST(JetCatalog, UserTablesComeInCatalogOrderWithoutSystemTables) {
  EXPECT_EQ(OpenFixture("jackcess_testV1997.mdb").UserTableNames(),
            (std::vector<std::string>{"Table1", "Table2", "Table3", "Table4"}));
  EXPECT_EQ(OpenFixture("ucanaccess_size97.mdb").UserTableNames(),
            (std::vector<std::string>{"table1"}));
  EXPECT_EQ(OpenFixture("jackcess_delTestV1997.mdb").UserTableNames(),
            (std::vector<std::string>{"Table"}));
}

TEST(JetCatalog, TableAndColumnNamesMatchWithoutRegardToCase) {
  const Database db = OpenFixture("jackcess_testV1997.mdb");
  const TableDef def = db.Table("tABLE1");
  EXPECT_EQ(def.page, db.Table("Table1").page);
  EXPECT_EQ(def.FindColumn("a"), 0);
  EXPECT_EQ(def.FindColumn("I"), 8);
  EXPECT_EQ(def.FindColumn("J"), -1);
  EXPECT_NO_THROW(db.Table("msysobjects"));  // system tables are found by name too
}

TEST(JetCatalog, MissingTableRaises3078NamingIt) {
  const Database db = OpenFixture("jackcess_testV1997.mdb");
  try {
    db.Table("Losses");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), 3078);
    EXPECT_EQ(e.description(),
              "The Microsoft Jet database engine cannot find the input table or query 'Losses'.  "
              "Make sure it exists and that its name is spelled correctly.");
  }
}

TEST(JetRows, EveryFixedAndVariableTypeOfTable1ReadsExactly) {
  const Database db = OpenFixture("jackcess_testV1997.mdb");
  const TableDef def = db.Table("Table1");
  std::vector<std::string> names;
  for (const auto& c : def.columns) names.push_back(c.name);
  EXPECT_EQ(names, (std::vector<std::string>{"A", "B", "C", "D", "E", "F", "G", "H", "I"}));
  const auto rows = AllRows(db, "Table1");
  ASSERT_EQ(rows.size(), 2u);
  const auto& r = rows[1];
  EXPECT_EQ(r[0], Value(Text{"abcdefg"}));
  EXPECT_EQ(r[1], Value(Text{"hijklmnop"}));
  EXPECT_EQ(r[2], Value(std::int32_t{2}));          // Byte
  EXPECT_EQ(r[3], Value(std::int32_t{222}));        // Integer
  EXPECT_EQ(r[4], Value(std::int32_t{333333333}));  // Long
  EXPECT_EQ(r[5], Value(444.555));                  // Double
  ASSERT_NE(r[6].Get<DateTime>(), nullptr);
  EXPECT_EQ(FormatIsoDateTime(r[6].Get<DateTime>()->days), "1974-09-21 00:00:00");
  EXPECT_EQ(r[7], Value(Currency{35000}));          // 3.5
  EXPECT_EQ(r[8], Value(true));                     // Boolean
  EXPECT_EQ(rows[0][8], Value(false));
  EXPECT_EQ(rows[0][7], Value(Currency{0}));
}

TEST(JetRows, SinglesReadBitForBit) {
  const Database db = OpenFixture("jackcess_testIndexCodesV1997.mdb");
  const auto rows = AllRows(db, "Table5");
  ASSERT_EQ(rows.size(), 20u);
  std::map<std::string, const Value*> byName;
  for (const auto& r : rows) byName[r[0].Get<Text>()->bytes] = &r[1];
  EXPECT_EQ(Bits(*byName["row11"]->Get<float>()), 0x49448776u);  // 804983.375
  EXPECT_EQ(*byName["row10"]->Get<float>(), -0.00035134f);
  EXPECT_EQ(*byName["row13"]->Get<float>(), 43.32f);
  EXPECT_TRUE(byName["row5"]->IsNull());
}

TEST(JetRows, MultiPageTableComesInMapPageOrderThenSlotOrder) {
  const Database db = OpenFixture("jackcess_testIndexCodesV1997.mdb");
  const TableDef def = db.Table("Table1");
  TableScan scan = db.Scan(def);
  std::vector<PageNumber> pages;
  std::size_t rows = 0;
  RowLocation last{};
  while (scan.Next()) {
    const RowLocation at = scan.Location();
    if (rows > 0) {
      EXPECT_TRUE(at.page > last.page || (at.page == last.page && at.slot == last.slot + 1));
    }
    if (pages.empty() || pages.back() != at.page) pages.push_back(at.page);
    last = at;
    ++rows;
  }
  EXPECT_EQ(rows, 275u);
  EXPECT_EQ(rows, def.rowCount);
  EXPECT_EQ(pages.size(), 3u);
  const auto all = AllRows(db, "Table1");
  EXPECT_EQ(all.front()[0], Value(Text{"row0"}));
  EXPECT_EQ(all.front()[1], Value(Text{"AA"}));
  EXPECT_EQ(all.back()[0], Value(Text{"row99"}));
}

TEST(JetRows, LongRowWithJumpTableAndLongValuesReads) {
  const Database db = OpenFixture("jackcess_test2V1997.mdb");
  const TableDef def = db.Table("MSP_PROJECTS");
  EXPECT_EQ(def.columns.size(), 74u);
  EXPECT_GE(def.pages.size(), 2u);  // the definition continues on a second page
  TableScan scan = db.Scan(def);
  ASSERT_TRUE(scan.Next());
  EXPECT_EQ(scan.RowBytes().size(), 290u);
  const Value authorValue = scan.ReadValue(static_cast<std::size_t>(def.FindColumn("PROJ_PROP_AUTHOR")));
  const Text* author = authorValue.Get<Text>();
  ASSERT_NE(author, nullptr);
  EXPECT_EQ(author->bytes.size(), 348u);
  EXPECT_EQ(author->bytes.substr(0, 8), "Jon Iles");
  const Value symbol = scan.ReadValue(static_cast<std::size_t>(def.FindColumn("PROJ_OPT_CURRENCY_SYMBOL")));
  EXPECT_EQ(symbol, Value(Text{"\xA3"}));  // the cp1252 byte, kept
  const Value blob = scan.ReadValue(static_cast<std::size_t>(def.FindColumn("RESERVED_BINARY_DATA")));
  ASSERT_NE(blob.Get<Binary>(), nullptr);
  EXPECT_EQ(blob.Get<Binary>()->bytes.size(), 22970u);  // a chain over several LVAL pages
  EXPECT_EQ(blob.Get<Binary>()->bytes[0], 0x15);
  EXPECT_FALSE(scan.Next());
}

TEST(JetRows, MovedCatalogRowIsReadInThePlaceOfItsOverflowPointer) {
  const Database db = OpenFixture("jackcess_queryTestV1997.mdb");
  const TableDef def = db.Table("MSysObjects");
  TableScan scan = db.Scan(def);
  int moved = 0;
  while (scan.Next()) {
    if (scan.Location() == RowLocation{18, 28}) {
      EXPECT_EQ(scan.StorageLocation(), (RowLocation{45, 0}));
      ++moved;
    } else {
      EXPECT_EQ(scan.Location(), scan.StorageLocation());
    }
  }
  EXPECT_EQ(moved, 1);
}

TEST(JetRows, TableWithoutRowsScansEmpty) {
  const Database db = OpenFixture("ucanaccess_size97.mdb");
  EXPECT_TRUE(AllRows(db, "table1").empty());
}

// ---- composed files -------------------------------------------------------------------------

TEST(JetRows, VariableOffsetsPastByteRangeReadThroughOneAndTwoJumps) {
  const std::string a(200, 'a');
  const std::string b(150, 'b');
  const std::string c(230, 'c');
  SynthTable t{"Wide",
               {{"N", ColumnType::kLong}, {"A", ColumnType::kText}, {"B", ColumnType::kText},
                {"C", ColumnType::kText}, {"D", ColumnType::kText}},
               {{Value(std::int32_t{1}), Value(Text{a}), Value(Text{b}), Value(), Value(Text{"x"})},
                {Value(std::int32_t{2}), Value(Text{a}), Value(Text{b}), Value(Text{c}), Value(Text{""})},
                {Value(std::int32_t{3}), Value(), Value(), Value(), Value()}}};
  const Database db = Database::FromBytes(testing::SynthesizeDatabase({t}), "wide.mdb");
  const auto rows = AllRows(db, "Wide");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0], t.rows[0]);
  EXPECT_EQ(rows[1], t.rows[1]);
  EXPECT_EQ(rows[2], t.rows[2]);
  const TableDef wide = db.Table("Wide");
  TableScan scan = db.Scan(wide);
  ASSERT_TRUE(scan.Next());
  EXPECT_GT(scan.RowBytes().size(), 256u);
  ASSERT_TRUE(scan.Next());
  EXPECT_GT(scan.RowBytes().size(), 512u);
}

TEST(JetRows, MemosInlineOnOneLongValueRowAndOverAChainRead) {
  const std::string shortText = "short";
  const std::string oneRow(900, 'm');
  std::string chained;
  for (int i = 0; i < 5000; ++i) chained.push_back(static_cast<char>('A' + i % 26));
  SynthTable t{"Notes", {{"Id", ColumnType::kLong}, {"Body", ColumnType::kMemo}},
               {{Value(std::int32_t{1}), Value(Text{shortText})},
                {Value(std::int32_t{2}), Value(Text{oneRow})},
                {Value(std::int32_t{3}), Value(Text{chained})},
                {Value(std::int32_t{4}), Value()}}};
  const Database db = Database::FromBytes(testing::SynthesizeDatabase({t}), "notes.mdb");
  EXPECT_EQ(AllRows(db, "Notes"), t.rows);
}

TEST(JetRows, RowsFillSeveralDataPagesInOrder) {
  std::vector<std::tuple<std::int32_t, float, float>> raw;
  for (int i = 0; i < 1000; ++i) raw.emplace_back(i, static_cast<float>(i) * 0.5f, 1.0f / static_cast<float>(i + 1));
  const Database db = Database::FromBytes(
      testing::SynthesizeDatabase({testing::LossTable("RawData", "SpotRPM", "SpotKWloss", "SpotNMLoss", raw)}),
      "raw.mdb");
  const auto rows = AllRows(db, "RawData");
  ASSERT_EQ(rows.size(), 1000u);
  for (int i = 0; i < 1000; ++i) {
    EXPECT_EQ(rows[static_cast<std::size_t>(i)][0], Value(std::int32_t{i}));
    EXPECT_EQ(rows[static_cast<std::size_t>(i)][2], Value(1.0f / static_cast<float>(i + 1)));
  }
  EXPECT_EQ(db.Table("RawData").rowCount, 1000u);
}

TEST(JetRows, DeletedSlotsAreSkippedAndMovedTargetsAreNotReadTwice) {
  std::vector<std::tuple<std::int32_t, float, float>> raw{{1, 1, 1}, {2, 2, 2}, {3, 3, 3}, {4, 4, 4}};
  std::vector<std::uint8_t> bytes =
      testing::SynthesizeDatabase({testing::LossTable("Losses", "RPM", "KWloss", "NMLoss", raw)});
  const Database db = Database::FromBytes(bytes, "l.mdb");
  const TableDef lossesDef = db.Table("Losses");
  TableScan scan = db.Scan(lossesDef);
  ASSERT_TRUE(scan.Next());
  const PageNumber page = scan.Location().page;
  const std::size_t slots = std::size_t{page} * kPageSize + data_page::kSlotTableOffset;
  bytes[slots + 1 * 2 + 1] |= 0xC0;  // slot 1: deleted
  bytes[slots + 3 * 2 + 1] |= 0x80;  // slot 3: a moved row's new home, reached only by pointer
  const Database damaged = Database::FromBytes(bytes, "l.mdb");
  const auto rows = AllRows(damaged, "Losses");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0][0], Value(std::int32_t{1}));
  EXPECT_EQ(rows[1][0], Value(std::int32_t{3}));
}

// ---- dates and text -------------------------------------------------------------------------

TEST(JetDates, DayNumbersConvertToCalendarTimeBothSidesOfTheEpoch) {
  EXPECT_EQ(FormatIsoDateTime(0.0), "1899-12-30 00:00:00");
  EXPECT_EQ(FormatIsoDateTime(36526.0), "2000-01-01 00:00:00");
  EXPECT_EQ(FormatIsoDateTime(1.5), "1899-12-31 12:00:00");
  EXPECT_EQ(FormatIsoDateTime(-1.25), "1899-12-29 06:00:00");  // the fraction is the time
  EXPECT_EQ(FormatIsoDateTime(-0.5), "1899-12-30 12:00:00");
  EXPECT_EQ(FormatIsoDateTime(2.0 - 0.1 / 86400.0), "1900-01-01 00:00:00");  // rounds to a second
  EXPECT_EQ(FormatIsoDateTime(60.0), "1900-02-28 00:00:00");
  EXPECT_EQ(FormatIsoDateTime(61.0), "1900-03-01 00:00:00");  // no 29 February 1900
  EXPECT_EQ(DaysFromCivil(CivilTime{1899, 12, 29, 6, 0, 0}), -1.25);
  EXPECT_EQ(DaysFromCivil(CivilTime{2024, 2, 29, 18, 0, 0}), 45351.75);
}

TEST(JetText, Cp1252ConvertsToUtf8AndNamesFoldCase) {
  EXPECT_EQ(Cp1252ToUtf8("\x80 \xA3 \xE9 A"), "\xE2\x82\xAC \xC2\xA3 \xC3\xA9 A");
  EXPECT_EQ(Cp1252ToUtf8("\x81"), "\xC2\x81");
  EXPECT_EQ(Utf8ToCp1252("\xE2\x82\xAC\xC3\xA9\xE4\xB8\xAD"), "\x80\xE9?");
  EXPECT_TRUE(EqualsIgnoreCase("SpotKWLoss", "SpotKWloss"));
  EXPECT_TRUE(EqualsIgnoreCase("spotkwloss", "SPOTKWLOSS"));
  EXPECT_TRUE(EqualsIgnoreCase("\xE9t\xE9", "\xC9T\xC9"));
  EXPECT_FALSE(EqualsIgnoreCase("RPM", "RPMs"));
  EXPECT_FALSE(EqualsIgnoreCase("\xF7", "\xD7"));  // division and multiplication signs
}

}  // namespace
}  // namespace frixa::jet
