// The writing side of the Jet engine: rows encoded as real Jet files hold them (jump tables
// included), packed data pages, usage maps that move their window or turn into the reference
// form, and the writer on the program's templates: appends across pages, deletes, changes in
// place and rows that move, the rules a row must meet with their error numbers, write-through
// and write-behind saving, and a save that fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>

#include "common/error.h"
#include "jet/data_page.h"
#include "jet/database.h"
#include "jet/db_builder.h"
#include "jet/file_io.h"
#include "jet/usage_map.h"
#include "support/error_of.h"
#include "support/jet_consistency.h"
#include "support/jet_test_files.h"
#include "templates/templates.h"

namespace frixa::jet {
namespace {

namespace fs = std::filesystem;
using testing::CheckConsistency;
using testing::FileBytes;
using testing::ScratchFile;
using Bytes = std::vector<std::uint8_t>;

using testing::ErrorOf;

std::vector<std::vector<Value>> AllRows(const Database& db, const std::string& table) {
  const TableDef def = db.Table(table);
  TableScan scan = db.Scan(def);
  std::vector<std::vector<Value>> rows;
  while (scan.Next()) rows.push_back(scan.ReadRow());
  return rows;
}

std::vector<Value> RawRow(int i) {
  return {Value(std::int32_t{300 + i / 10}), Value(0.25f * static_cast<float>(i)), Value(1.0f / static_cast<float>(i + 1))};
}

std::vector<Value> InfoRow(const std::string& comment) {
  return {Value(1.25), Value(60.0), Value(312.0f), Value(2480.0f), Value(Text{"12/3/2024"}),
          Value(Text{"Version : 1.1.0"}), Value(Text{comment})};
}

ScratchFile CalibrationFile() { return ScratchFile(*BuildTemplate(kCalibrationTemplateId)); }

// ---- rows --------------------------------------------------------------------------------------

TEST(JetRowEncoder, ReencodingEveryFixtureRowGivesTheBytesJetWrote) {
  // Real rows, the 290-byte row with its jump table among them: split by the reader, encoded
  // again, byte for byte.
  std::size_t rows = 0;
  std::size_t longRows = 0;
  for (const auto& e : fs::directory_iterator(testing::JetFixture(""))) {
    if (e.path().extension() != ".mdb") continue;
    const Database db = Database::Open(e.path().string());
    for (const auto& entry : db.GetCatalog().entries) {
      if (!entry.IsTable()) continue;
      const TableDef def = db.TableAt(entry.DefinitionPage());
      TableScan scan = db.Scan(def);
      while (scan.Next()) {
        const ByteSpan row = scan.RowBytes();
        if (row[0] != def.maxColumns) continue;  // written before columns were added
        std::vector<std::uint8_t> again;
        EncodeRow(def.columns, def.maxColumns, scan.Fields(), again);
        // Jet leaves whatever was there in the fixed bytes of a null column; we write zeros.
        Bytes expected(row.begin(), row.end());
        for (std::size_t c = 0; c < def.columns.size(); ++c) {
          const ColumnDef& col = def.columns[c];
          if (!col.IsFixed() || col.Type() == ColumnType::kBoolean || scan.Fields()[c].present) continue;
          std::fill_n(expected.begin() + 1 + col.fixedOffset, FixedWidthOf(col), 0);
        }
        ASSERT_EQ(again, expected) << e.path().filename() << " " << entry.name;
        ++rows;
        if (row.size() > 256) ++longRows;
      }
    }
  }
  EXPECT_GT(rows, 500u);
  EXPECT_GE(longRows, 1u);
}

TEST(JetRowEncoder, JumpTableNamesTheFirstOffsetOfEachSpan) {
  TableDef def;
  def.maxColumns = 4;
  def.varColumnCount = 3;
  def.columns.resize(4);
  def.columns[0] = ColumnDef{"n", static_cast<std::uint8_t>(ColumnType::kLong), 0, 0, 0, 4, column_flags::kFixedLength, 0, 0};
  for (std::uint16_t i = 1; i < 4; ++i) {
    def.columns[i] = ColumnDef{"t", static_cast<std::uint8_t>(ColumnType::kText), i, static_cast<std::uint16_t>(i - 1), 0, 255, 0, 0, 0};
  }
  const Bytes n{1, 0, 0, 0};
  const Bytes a(200, 'a'), b(300, 'b'), c(100, 'c');
  const std::vector<FieldBytes> fields{{true, n}, {true, a}, {true, b}, {true, c}};
  Bytes row;
  EncodeRow(def.columns, def.maxColumns, fields, row);
  // 5 + 600 bytes of data; eod at 605; offsets 5, 205, 505; two jump entries: offset 2 is the
  // first at or past 256, the eod (index 3) the first past 512.
  ASSERT_EQ(row.size(), 613u);
  EXPECT_EQ(Bytes(row.end() - 8, row.end()), (Bytes{0x5D, 0xF9, 0xCD, 0x05, 0x03, 0x02, 0x03, 0x0F}));
  std::vector<FieldBytes> split;
  SplitRow(row, def, split);
  EXPECT_EQ(Bytes(split[1].bytes.begin(), split[1].bytes.end()), a);
  EXPECT_EQ(Bytes(split[2].bytes.begin(), split[2].bytes.end()), b);
  EXPECT_EQ(Bytes(split[3].bytes.begin(), split[3].bytes.end()), c);
}

// ---- data pages --------------------------------------------------------------------------------

TEST(JetDataPageEditing, RowsStayPackedAndFreeSpaceExactWhenOneChangesSize) {
  Bytes page(kPageSize);
  data_page::Initialize(page, 77);
  const Bytes a(10, 'a'), b(20, 'b'), c(30, 'c'), longer(50, 'B');
  EXPECT_EQ(data_page::AddRow(page, a, 0), 0);
  EXPECT_EQ(data_page::AddRow(page, b, 0), 1);
  EXPECT_EQ(data_page::AddRow(page, c, 0), 2);
  ASSERT_TRUE(data_page::ReplaceRow(page, 1, longer, 0));
  DataPageView view(PageView(9, page));
  EXPECT_EQ(view.Owner(), 77u);
  EXPECT_EQ(view.FreeSpace(), 2038 - (10 + 50 + 30) - 3 * 2);
  EXPECT_EQ(Bytes(view.Row(0).begin(), view.Row(0).end()), a);
  EXPECT_EQ(Bytes(view.Row(1).begin(), view.Row(1).end()), longer);
  EXPECT_EQ(Bytes(view.Row(2).begin(), view.Row(2).end()), c);

  ASSERT_TRUE(data_page::ReplaceRow(page, 1, {}, data_page::kDeletedRow));
  EXPECT_TRUE(view.Slot(1).IsDeleted());
  EXPECT_TRUE(view.Row(1).empty());
  EXPECT_EQ(Bytes(view.Row(2).begin(), view.Row(2).end()), c);
  EXPECT_EQ(view.FreeSpace(), 2038 - (10 + 30) - 3 * 2);

  // 1992 bytes free: row 0 may grow by that much, a new row may take 1990 (and its slot).
  const Bytes before = page;
  EXPECT_FALSE(data_page::ReplaceRow(page, 0, Bytes(10 + 1993, 'x'), 0));
  EXPECT_EQ(page, before);
  EXPECT_FALSE(data_page::RoomForRow(page, 1991));
  EXPECT_TRUE(data_page::RoomForRow(page, 1990));
  ASSERT_TRUE(data_page::ReplaceRow(page, 0, Bytes(10 + 1992, 'x'), 0));
  EXPECT_EQ(view.FreeSpace(), 0);
  EXPECT_EQ(Bytes(view.Row(2).begin(), view.Row(2).end()), c);
}

// ---- usage maps --------------------------------------------------------------------------------

// A file of zero pages with one map page (page 1: the map rows) for the map editing tests.
class MapFile : public UsageMapPages {
 public:
  explicit MapFile(PageNumber pages, PageNumber firstFree) : file_(Bytes(std::size_t{pages} * kPageSize)) {
    const MutableByteSpan map = file_.MutablePage(1);
    data_page::Initialize(map, 1);
    Bytes global(usage_map::kInlineRowSize, 0);
    for (PageNumber p = firstFree; p < 1024; ++p) global[5 + p / 8] = static_cast<std::uint8_t>(global[5 + p / 8] | (1u << (p % 8)));
    data_page::AddRow(map, global, 0);
    data_page::AddRow(map, Bytes(usage_map::kInlineRowSize, 0), 0);  // row 1: a table's map
  }
  ByteSpan Read(PageNumber p) override { return file_.Page(p).Bytes(); }
  MutableByteSpan Edit(PageNumber p) override { return file_.MutablePage(p); }
  PageNumber Append() override { return file_.AppendPage(); }
  PageNumber PageCount() const override { return file_.PageCount(); }
  PageFile file_;
};

constexpr RowPointer kTableMap{1, 1};

std::uint32_t MapStart(MapFile& f) { return ReadU32(DataPageView(f.file_.Page(1)).Row(kTableMap.row), 1); }

TEST(JetUsageMapEditing, NewInlineWindowStartsAtPageZeroWhenItFitsElseAtAMultipleOf8) {
  MapFile f(2200, 2200);
  SetUsageMapBit(f, kTableMap, 700, true, UsageMapKind::kExact);
  SetUsageMapBit(f, kTableMap, 1023, true, UsageMapKind::kExact);  // both fit a window from 0
  EXPECT_EQ(MapStart(f), 0u);
  SetUsageMapBit(f, kTableMap, 1500, false, UsageMapKind::kExact);  // clearing moves nothing
  EXPECT_EQ(MapStart(f), 0u);
  SetUsageMapBit(f, kTableMap, 700, false, UsageMapKind::kExact);
  SetUsageMapBit(f, kTableMap, 1030, true, UsageMapKind::kExact);  // 1023..1030: from 1016
  EXPECT_EQ(MapStart(f), 1016u);
  EXPECT_EQ(ReadUsageMap(f.file_, kTableMap), (std::vector<PageNumber>{1023, 1030}));
  // 1023..2045 spans 1023 pages, but no multiple of 8 lets one window hold both: bitmap pages.
  SetUsageMapBit(f, kTableMap, 2045, true, UsageMapKind::kExact);
  EXPECT_EQ(DataPageView(f.file_.Page(1)).Row(kTableMap.row)[0], usage_map::kReference);
  EXPECT_EQ(ReadUsageMap(f.file_, kTableMap), (std::vector<PageNumber>{1023, 1030, 2045}));
}

TEST(JetUsageMapEditing, ExactMapMovesItsWindowAndThenTurnsIntoBitmapPages) {
  MapFile f(2100, 2100);
  SetUsageMapBit(f, kTableMap, 1500, true, UsageMapKind::kExact);  // outside 0..1023: window moves
  SetUsageMapBit(f, kTableMap, 1600, true, UsageMapKind::kExact);
  EXPECT_EQ(ReadUsageMap(f.file_, kTableMap), (std::vector<PageNumber>{1500, 1600}));
  EXPECT_EQ(MapStart(f), 1496u);  // the multiple of 8 at or below 1500
  EXPECT_EQ(f.PageCount(), 2100u);
  SetUsageMapBit(f, kTableMap, 5, true, UsageMapKind::kExact);  // 5..1600 spans more than 1024
  EXPECT_EQ(ReadUsageMap(f.file_, kTableMap), (std::vector<PageNumber>{5, 1500, 1600}));
  ASSERT_EQ(f.PageCount(), 2101u);  // one bitmap page appended
  EXPECT_TRUE(f.file_.Page(2100).Is(PageType::kUsageBitmap));
  SetUsageMapBit(f, kTableMap, 1500, false, UsageMapKind::kExact);
  EXPECT_EQ(ReadUsageMap(f.file_, kTableMap), (std::vector<PageNumber>{5, 1600}));
  EXPECT_TRUE(UsageMapBit(f, kTableMap, 1600));
  EXPECT_FALSE(UsageMapBit(f, kTableMap, 1500));
}

TEST(JetUsageMapEditing, FreeSpaceHintMovesToTheNewPageAndForgetsTheFarOldOne) {
  MapFile f(2100, 2100);
  SetUsageMapBit(f, kTableMap, 5, true, UsageMapKind::kHint);
  EXPECT_EQ(MapStart(f), 0u);
  SetUsageMapBit(f, kTableMap, 2003, true, UsageMapKind::kHint);
  EXPECT_EQ(ReadUsageMap(f.file_, kTableMap), (std::vector<PageNumber>{2003}));
  EXPECT_EQ(MapStart(f), 2000u);
  EXPECT_EQ(f.PageCount(), 2100u);  // no bitmap page for a hint
}

TEST(JetUsageMapEditing, GlobalMapPastItsWindowKeepsEveryPageOfTheFileUsedAndTheRestFree) {
  MapFile f(1030, 1030);  // pages 0..1029 used; the inline window ends at 1023
  SetUsageMapBit(f, usage_map::kGlobalMap, 1029, false, UsageMapKind::kGlobalFree);
  ASSERT_EQ(f.PageCount(), 1031u);  // its bitmap page
  const ByteSpan row = DataPageView(f.file_.Page(1)).Row(0);
  EXPECT_EQ(row[0], usage_map::kReference);
  EXPECT_EQ(ReadU32(row, 1), 1030u);
  for (PageNumber p : {0u, 17u, 1023u, 1029u, 1030u}) EXPECT_FALSE(UsageMapBit(f, usage_map::kGlobalMap, p)) << p;
  for (PageNumber p : {1031u, 5000u, 16351u}) EXPECT_TRUE(UsageMapBit(f, usage_map::kGlobalMap, p)) << p;
  EXPECT_FALSE(UsageMapCovers(f, usage_map::kGlobalMap, 16352));
}

// ---- the writer on the calibration template -------------------------------------------------------

TEST(JetWriter, AppendedRowsAreSavedReadBackInOrderAndCounted) {
  const ScratchFile file = CalibrationFile();
  {
    Database db = Database::Open(file.str());
    const TableDef raw = db.Table("RawData");
    for (int i = 0; i < 400; ++i) {
      const RowLocation at = db.Write().Append(raw.page, RawRow(i));
      if (i == 0) {
        EXPECT_EQ(at.slot, 0);
      }
    }
    EXPECT_FALSE(db.Write().HasUnsavedChanges());
  }
  const Database again = Database::Open(file.str());  // as saved
  const auto rows = AllRows(again, "RawData");
  ASSERT_EQ(rows.size(), 400u);
  for (int i = 0; i < 400; ++i) EXPECT_EQ(rows[static_cast<std::size_t>(i)], RawRow(i)) << i;
  EXPECT_EQ(again.Table("RawData").rowCount, 400u);
  // 14-byte rows: 127 to a page, so four data pages.
  EXPECT_EQ(ReadUsageMap(again.Pages(), again.Table("RawData").ownedPagesMap).size(), 4u);
  EXPECT_EQ(CheckConsistency(again), std::vector<std::string>{});
}

TEST(JetWriter, WriteBehindLeavesTheFileAsItWasUntilFlush) {
  const ScratchFile file = CalibrationFile();
  const Bytes before = FileBytes(file.path());
  Database db = Database::Open(file.str());
  db.Write().SetMode(WriteMode::kWriteBehind);
  const TableDef raw = db.Table("RawData");
  for (int i = 0; i < 1000; ++i) db.Write().Append(raw.page, RawRow(i));
  EXPECT_TRUE(db.Write().HasUnsavedChanges());
  EXPECT_EQ(FileBytes(file.path()), before);
  db.Write().Flush();
  EXPECT_FALSE(db.Write().HasUnsavedChanges());
  const Database saved = Database::Open(file.str());
  EXPECT_EQ(AllRows(saved, "RawData").size(), 1000u);
  EXPECT_EQ(saved.Pages().Bytes(), db.Pages().Bytes());
  EXPECT_EQ(CheckConsistency(saved), std::vector<std::string>{});
}

TEST(JetWriter, FileOfMoreThan1024PagesGetsReferenceMapsAndStaysConsistent) {
  const ScratchFile file = CalibrationFile();
  Database db = Database::Open(file.str());
  db.Write().SetMode(WriteMode::kWriteBehind);
  const TableDef raw = db.Table("RawData");
  constexpr int kRows = 127 * 1100;
  for (int i = 0; i < kRows; ++i) db.Write().Append(raw.page, RawRow(i));
  db.Write().SetMode(WriteMode::kWriteThrough);
  const TableDef losses = db.Table("Losses");
  db.Write().Append(losses.page, std::vector<Value>{Value(std::int32_t{7}), Value(1.0f), Value(2.0f)});

  const TableDef points = db.Table("PointData");
  db.Write().Append(points.page, std::vector<Value>{Value(std::int32_t{8}), Value(1.0f), Value(2.0f)});

  const Database saved = Database::Open(file.str());
  EXPECT_GT(saved.Pages().PageCount(), 1124u);
  // The small tables' maps: an inline window from the multiple of 8 at or below their page.
  for (const char* name : {"Losses", "PointData"}) {
    const RowPointer map = saved.Table(name).ownedPagesMap;
    const ByteSpan row = DataPageView(saved.Pages().Page(map.page)).Row(map.row);
    const std::vector<PageNumber> pages = ReadUsageMap(saved.Pages(), map);
    ASSERT_EQ(pages.size(), 1u) << name;
    EXPECT_EQ(row[0], usage_map::kInline) << name;
    EXPECT_EQ(ReadU32(row, 1), pages[0] / 8 * 8) << name;
  }
  EXPECT_EQ(DataPageView(saved.Pages().Page(1)).Row(0)[0], usage_map::kReference);
  const RowPointer owned = saved.Table("RawData").ownedPagesMap;
  EXPECT_EQ(DataPageView(saved.Pages().Page(owned.page)).Row(owned.row)[0], usage_map::kReference);
  EXPECT_EQ(saved.Table("RawData").rowCount, static_cast<std::uint32_t>(kRows));
  EXPECT_EQ(AllRows(saved, "Losses").size(), 1u);
  EXPECT_EQ(CheckConsistency(saved), std::vector<std::string>{});
}

TEST(JetWriter, DeletedRowKeepsItsSlotFlaggedC000WithNoBytes) {
  const ScratchFile file = CalibrationFile();
  Database db = Database::Open(file.str());
  const TableDef raw = db.Table("RawData");
  std::vector<RowLocation> at;
  for (int i = 0; i < 5; ++i) at.push_back(db.Write().Append(raw.page, RawRow(i)));
  db.Write().Delete(raw.page, at[1]);
  db.Write().Delete(raw.page, at[3]);
  EXPECT_EQ(ErrorOf([&] { db.Write().Delete(raw.page, at[3]); }), 3167);

  const Database saved = Database::Open(file.str());
  const DataPageView page(saved.Pages().Page(at[1].page));
  EXPECT_EQ(page.Slot(1).raw & 0xC000, 0xC000);
  EXPECT_TRUE(page.Row(1).empty());
  EXPECT_EQ(page.FreeSpace(), 2038 - 3 * 14 - 5 * 2);
  EXPECT_EQ(AllRows(saved, "RawData"), (std::vector<std::vector<Value>>{RawRow(0), RawRow(2), RawRow(4)}));
  EXPECT_EQ(saved.Table("RawData").rowCount, 3u);
  EXPECT_EQ(CheckConsistency(saved), std::vector<std::string>{});
}

TEST(JetWriter, RowThatOutgrowsItsPageMovesBehindAPointerAndKeepsItsPlaceInOrder) {
  const ScratchFile file = CalibrationFile();
  Database db = Database::Open(file.str());
  const TableDef info = db.Table("Info");
  // Info rows of 25 fixed + 64 text + 6 bytes (97 with their slot): 19 leave 195 bytes free.
  std::vector<RowLocation> at;
  for (int i = 0; i < 19; ++i) at.push_back(db.Write().Append(info.page, InfoRow(std::string(40, static_cast<char>('a' + i)))));
  ASSERT_EQ(at.back().page, at.front().page);
  const std::string grown(255, 'G');  // the row crosses 256 bytes: a jump table, and a move
  db.Write().Update(info.page, at[3], InfoRow(grown));

  Database saved = Database::Open(file.str());
  const DataPageView home(saved.Pages().Page(at[3].page));
  EXPECT_EQ(home.Slot(3).raw & 0xC000, 0x4000);
  ASSERT_EQ(home.Row(3).size(), 4u);
  const RowPointer moved = RowPointer::FromU32(ReadU32(home.Row(3), 0));
  EXPECT_NE(moved.page, at[3].page);
  EXPECT_EQ(DataPageView(saved.Pages().Page(moved.page)).Slot(moved.row).raw & 0xC000, 0x8000);
  auto rows = AllRows(saved, "Info");
  ASSERT_EQ(rows.size(), 19u);
  EXPECT_EQ(rows[3], InfoRow(grown));  // read in the place of its first slot
  EXPECT_EQ(rows[4], InfoRow(std::string(40, 'e')));
  EXPECT_EQ(CheckConsistency(saved), std::vector<std::string>{});

  // Shorter again: changed where it now lives. Deleted: pointer and moved row both go.
  db.Write().Update(info.page, at[3], InfoRow(" "));
  EXPECT_EQ(AllRows(Database::Open(file.str()), "Info")[3], InfoRow(" "));
  db.Write().Delete(info.page, at[3]);
  saved = Database::Open(file.str());
  EXPECT_EQ(DataPageView(saved.Pages().Page(moved.page)).Slot(moved.row).raw & 0xC000, 0xC000);
  EXPECT_EQ(DataPageView(saved.Pages().Page(at[3].page)).Slot(3).raw & 0xC000, 0xC000);
  EXPECT_EQ(AllRows(saved, "Info").size(), 18u);
  EXPECT_EQ(saved.Table("Info").rowCount, 18u);
  EXPECT_EQ(CheckConsistency(saved), std::vector<std::string>{});
}

TEST(JetWriter, MovedRowThatOutgrowsItsNewPageMovesOnAndTheOldCopyIsDeleted) {
  const ScratchFile file = CalibrationFile();
  Database db = Database::Open(file.str());
  const TableDef info = db.Table("Info");
  std::vector<RowLocation> at;
  // 20 rows of 97 bytes with their slots leave 98 bytes: too few for 160 more.
  for (int i = 0; i < 20; ++i) at.push_back(db.Write().Append(info.page, InfoRow(std::string(40, 'x'))));
  db.Write().Update(info.page, at[0], InfoRow(std::string(200, '1')));  // moves to a new page
  const RowPointer first = RowPointer::FromU32(ReadU32(DataPageView(db.Pages().Page(at[0].page)).Row(0), 0));
  // Fill the new page until the moved row has no room to grow there.
  while (data_page::FreeBytes(db.Pages().Page(first.page).Bytes()) > 40) {
    db.Write().Append(info.page, InfoRow(std::string(40, 'y')));
  }
  db.Write().Update(info.page, at[0], InfoRow(std::string(255, '2')));

  const Database saved = Database::Open(file.str());
  const RowPointer second = RowPointer::FromU32(ReadU32(DataPageView(saved.Pages().Page(at[0].page)).Row(0), 0));
  EXPECT_NE(second.page, first.page);
  EXPECT_EQ(DataPageView(saved.Pages().Page(first.page)).Slot(first.row).raw & 0xC000, 0xC000);
  EXPECT_EQ(AllRows(saved, "Info").front(), InfoRow(std::string(255, '2')));
  EXPECT_EQ(AllRows(saved, "Info").size(), saved.Table("Info").rowCount);
  EXPECT_EQ(CheckConsistency(saved), std::vector<std::string>{});
}

TEST(JetWriter, RowsThatBreakTheColumnRulesAreRefusedWithTheEnginesNumbers) {
  const ScratchFile file = CalibrationFile();
  const Bytes before = FileBytes(file.path());
  Database db = Database::Open(file.str());
  const TableDef info = db.Table("Info");
  try {
    db.Write().Append(info.page, InfoRow(""));
    FAIL() << "a zero-length comment was stored";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), 3315);
    EXPECT_EQ(e.description(), "Field 'Info.Comment' can't be a zero-length string.");
  }
  EXPECT_EQ(ErrorOf([&] { db.Write().Append(info.page, InfoRow(std::string(256, 'c'))); }), 3163);
  EXPECT_EQ(ErrorOf([&] { db.Write().Append(info.page, InfoRow(std::string(255, 'c'))); }), 0);
  auto wrongKind = InfoRow(" ");
  wrongKind[2] = Value(2.5);  // a double for a Single column
  EXPECT_EQ(ErrorOf([&] { db.Write().Append(info.page, wrongKind); }), 3421);
  EXPECT_EQ(ErrorOf([&] { db.Write().Append(db.Table("MSysObjects").page, std::vector<Value>{}); }), 3027);
  EXPECT_EQ(AllRows(Database::Open(file.str()), "Info").size(), 1u);
  EXPECT_NE(FileBytes(file.path()), before);
}

TEST(JetWriter, RequiredColumnRefusesNullAndOversizedRowIsRefused) {
  DatabaseSchema schema;
  NewColumn must = NewColumn::Long("Must");
  must.required = true;
  NewTable wide{"Wide", {must}};
  for (int i = 0; i < 8; ++i) wide.columns.push_back(NewColumn::Text("T" + std::to_string(i), 255, true));
  schema.tables = {wide};
  const ScratchFile file(BuildDatabase(schema));
  Database db = Database::Open(file.str());
  const TableDef def = db.Table("Wide");
  std::vector<Value> row(9, Value(Text{std::string(255, 'w')}));
  row[0] = Value();
  try {
    db.Write().Append(def.page, row);
    FAIL() << "a null was stored where Required is on";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), 3314);
    EXPECT_NE(e.description().find("'Wide.Must'"), std::string::npos);
  }
  row[0] = Value(std::int32_t{1});
  EXPECT_EQ(ErrorOf([&] { db.Write().Append(def.page, row); }), 3047);  // 8 x 255 bytes
  row[8] = Value(Text{""});  // AllowZeroLength on: fine, and the row now fits
  EXPECT_EQ(ErrorOf([&] { db.Write().Append(def.page, row); }), 0);
}

TEST(JetWriter, ReadOnlyFileIsRefusedWith3027AndLeftAlone) {
  const ScratchFile file = CalibrationFile();
  const Bytes before = FileBytes(file.path());
  Database db = Database::Open(file.str());
  const TableDef raw = db.Table("RawData");
  fs::permissions(file.path(), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  EXPECT_EQ(ErrorOf([&] { db.Write().Append(raw.page, RawRow(1)); }), 3027);
  EXPECT_EQ(ErrorOf([&] { db.Write().SetMode(WriteMode::kWriteBehind); }), 3027);
  EXPECT_FALSE(db.Write().HasUnsavedChanges());
  EXPECT_TRUE(AllRows(db, "RawData").empty());
  fs::permissions(file.path(), fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(FileBytes(file.path()), before);
}

// The files on disk, but for one step of saving that fails when `fail` names it. A failing
// write first writes `allowed` pages of the call; with `failResizes` every resize fails too;
// with `failRestores` every later write and resize fails as well (the undoing of the failed
// save included).
class FailingFiles final : public FileAccess {
 public:
  enum class Step { kNone, kWrite, kResize, kCreate, kSync, kReplace };

  Step fail = Step::kNone;
  std::size_t allowed = 0;
  int error = errnum::kJetDiskError;
  bool failResizes = false;
  bool failRestores = false;
  int failures = 0;

  std::vector<std::uint8_t> Read(const std::string& path) override { return DiskFiles().Read(path); }
  void WritePages(const std::string& path, std::span<const PageWrite> pages) override {
    if (fail == Step::kWrite && (failures == 0 || failRestores)) {
      const std::size_t n = std::min(allowed, pages.size());
      DiskFiles().WritePages(path, pages.first(n));
      if (n < pages.size()) Fails();
      return;
    }
    DiskFiles().WritePages(path, pages);
  }
  void Resize(const std::string& path, std::uint64_t size) override {
    if (fail == Step::kResize || failResizes || (failRestores && failures > 0)) Fails();
    DiskFiles().Resize(path, size);
  }
  bool Create(const std::string& path) override { return Allowed(Step::kCreate) && DiskFiles().Create(path); }
  bool Sync(const std::string& path) override { return Allowed(Step::kSync) && DiskFiles().Sync(path); }
  bool Replace(const std::string& from, const std::string& to) override {
    return Allowed(Step::kReplace) && DiskFiles().Replace(from, to);
  }
  void Remove(const std::string& path) override { DiskFiles().Remove(path); }
  std::optional<FileStamp> Stamp(const std::string& path) override { return DiskFiles().Stamp(path); }
  bool IsReadOnly(const std::string& path) override { return DiskFiles().IsReadOnly(path); }

 private:
  [[noreturn]] void Fails() {
    ++failures;
    RaiseJetError(error);
  }
  bool Allowed(Step step) {
    if (fail != step) return true;
    ++failures;
    return false;
  }
};

TEST(JetWriter, FailedSaveIsUndoneOnDiskAndInMemory) {
  const ScratchFile file = CalibrationFile();
  FailingFiles files;
  Database db = Database::Open(file.str(), files);
  const TableDef raw = db.Table("RawData");
  for (int i = 0; i < 127; ++i) db.Write().Append(raw.page, RawRow(i));  // one full page
  const Bytes before = FileBytes(file.path());
  // The next row needs a new page: the save writes it, then the disk is full.
  files.fail = FailingFiles::Step::kWrite;
  files.allowed = 1;
  files.error = errnum::kJetDiskFull;
  try {
    db.Write().Append(raw.page, RawRow(127));
    FAIL() << "the save did not fail";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), 3026);
    EXPECT_EQ(e.description(), "Not enough space on disk.");
  }
  files.fail = FailingFiles::Step::kNone;
  EXPECT_EQ(FileBytes(file.path()), before);
  EXPECT_EQ(db.Pages().Bytes(), before);
  EXPECT_FALSE(db.Write().HasUnsavedChanges());
  // Room again: the same row is stored as if nothing had happened.
  db.Write().Append(raw.page, RawRow(127));
  const Database saved = Database::Open(file.str());
  EXPECT_EQ(AllRows(saved, "RawData").size(), 128u);
  EXPECT_EQ(CheckConsistency(saved), std::vector<std::string>{});
}

TEST(JetWriter, SaveAfterAFailureThatCouldNotBeUndoneRewritesTheWholeFile) {
  const ScratchFile file = CalibrationFile();
  FailingFiles files;
  Database db = Database::Open(file.str(), files);
  const TableDef raw = db.Table("RawData");
  files.fail = FailingFiles::Step::kWrite;
  files.allowed = 1;
  files.failRestores = true;
  EXPECT_EQ(ErrorOf([&] { db.Write().Append(raw.page, RawRow(0)); }), 3043);
  files.fail = FailingFiles::Step::kNone;
  files.failRestores = false;
  EXPECT_TRUE(db.Write().HasUnsavedChanges());
  db.Write().Append(raw.page, RawRow(1));
  EXPECT_EQ(FileBytes(file.path()), db.Pages().Bytes());
  const Database saved = Database::Open(file.str());
  EXPECT_EQ(AllRows(saved, "RawData"), (std::vector<std::vector<Value>>{RawRow(1)}));
  EXPECT_EQ(CheckConsistency(saved), std::vector<std::string>{});
}

TEST(JetWriter, ReplaceModeSavesAWholeNewFileAndAFailedSaveLeavesTheOldOneUntouched) {
  const ScratchFile file = CalibrationFile();
  FailingFiles files;
  Database db = Database::Open(file.str(), files);
  const TableDef info = db.Table("Info");
  const RowLocation row = db.Write().Append(info.page, InfoRow(" "));
  db.Write().SetMode(WriteMode::kReplaceFile);
  const std::string temporary = file.str() + ".tmp";
  const Bytes before = FileBytes(file.path());
  // Writing the new copy fails halfway: the file keeps every byte, the copy is gone.
  files.fail = FailingFiles::Step::kWrite;
  files.allowed = 3;
  files.error = errnum::kJetDiskFull;
  EXPECT_EQ(ErrorOf([&] { db.Write().Update(info.page, row, InfoRow(std::string(200, 'G'))); }), 3026);
  files.fail = FailingFiles::Step::kNone;
  EXPECT_EQ(FileBytes(file.path()), before);
  EXPECT_FALSE(fs::exists(temporary));
  EXPECT_EQ(db.Pages().Bytes(), before);
  EXPECT_FALSE(db.Write().HasUnsavedChanges());

  // A save that moves the row to a new page: the file is replaced by the whole new image.
  db.Write().Update(info.page, row, InfoRow(std::string(255, 'G')));
  EXPECT_FALSE(fs::exists(temporary));
  EXPECT_EQ(FileBytes(file.path()), db.Pages().Bytes());
  const Database saved = Database::Open(file.str());
  EXPECT_EQ(AllRows(saved, "Info"), (std::vector<std::vector<Value>>{InfoRow(std::string(255, 'G'))}));
  EXPECT_EQ(CheckConsistency(saved), std::vector<std::string>{});

  // A read-only file is refused before anything is written.
  fs::permissions(file.path(), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  EXPECT_EQ(ErrorOf([&] { db.Write().Update(info.page, row, InfoRow("x")); }), 3027);
  fs::permissions(file.path(), fs::perms::owner_write, fs::perm_options::add);
  EXPECT_FALSE(fs::exists(temporary));
  EXPECT_EQ(AllRows(Database::Open(file.str()), "Info")[0], InfoRow(std::string(255, 'G')));
}

TEST(JetWriter, EachFailingStepOfASaveLeavesTheOldFileAndRaisesItsOwnError) {
  using Step = FailingFiles::Step;
  struct Case {
    Step step;
    WriteMode mode;
    int error;  // 0: the save succeeds all the same
  };
  const Case cases[] = {
      {Step::kWrite, WriteMode::kReplaceFile, 3026},    // the new copy cannot be written
      {Step::kSync, WriteMode::kReplaceFile, 3043},     // nor forced to the disk
      {Step::kReplace, WriteMode::kReplaceFile, 3051},  // nor moved over the file
      {Step::kCreate, WriteMode::kReplaceFile, 0},      // no copy at all: saved in place
      {Step::kWrite, WriteMode::kWriteThrough, 3026},   // pages in place: undone
      {Step::kResize, WriteMode::kWriteThrough, 3026},  // the undoing cannot cut the new page
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.step) * 10 + static_cast<int>(c.mode));
    const ScratchFile file = CalibrationFile();
    FailingFiles files;
    Database db = Database::Open(file.str(), files);
    const TableDef raw = db.Table("RawData");
    for (int i = 0; i < 127; ++i) db.Write().Append(raw.page, RawRow(i));  // one full page
    db.Write().SetMode(c.mode);
    const Bytes before = FileBytes(file.path());
    // The next row needs a new page: the save writes it and changes old pages.
    files.fail = c.step == Step::kResize ? Step::kWrite : c.step;
    files.allowed = 1;
    files.error = errnum::kJetDiskFull;
    files.failResizes = c.step == Step::kResize;
    const auto change = [&] { db.Write().Append(raw.page, RawRow(127)); };
    if (c.error == 0) {
      change();
      EXPECT_EQ(files.failures, 1);
      EXPECT_EQ(FileBytes(file.path()), db.Pages().Bytes());
      EXPECT_EQ(AllRows(Database::Open(file.str()), "RawData").size(), 128u);
      continue;
    }
    EXPECT_EQ(ErrorOf(change), c.error);
    EXPECT_GE(files.failures, 1);
    files.fail = Step::kNone;
    files.failResizes = false;
    EXPECT_FALSE(fs::exists(file.str() + ".tmp"));
    EXPECT_EQ(db.Pages().Bytes(), before);
    EXPECT_EQ(AllRows(db, "RawData").size(), 127u);
    if (c.step == Step::kResize) {
      // The disk keeps part of the failed save until the next one, which writes every page.
      EXPECT_NE(FileBytes(file.path()), before);
      EXPECT_TRUE(db.Write().HasUnsavedChanges());
      db.Write().Flush();
    } else {
      EXPECT_FALSE(db.Write().HasUnsavedChanges());
    }
    EXPECT_EQ(FileBytes(file.path()), before);
    const Database reread = Database::Open(file.str());
    EXPECT_EQ(AllRows(reread, "RawData").size(), 127u);
    EXPECT_EQ(CheckConsistency(reread), std::vector<std::string>{});
  }
}

TEST(JetWriter, FileWhosePageOneIsNoGlobalMapIsNotWritten) {
  // Files composed for the reader's tests keep table maps on page 1.
  Bytes bytes = *BuildTemplate(kHostTemplateId);
  bytes[kPageSize + data_page::kOwnerOffset] = 0;  // page 1's owner
  const ScratchFile file(bytes);
  Database db = Database::Open(file.str());
  EXPECT_EQ(ErrorOf([&] { db.Write().Append(db.Table("Losses").page, std::vector<Value>(3)); }), 3027);
}

TEST(JetWriter, DataPageTakesAtMost255RowsHoweverSmallTheRows) {
  // One Text column, every row null: 5 bytes and a slot, 291 would fit in the bytes of a page.
  DatabaseSchema schema;
  schema.tables.push_back(NewTable{"Tiny", {NewColumn::Text("A", 10)}});
  const ScratchFile file(BuildDatabase(schema));
  {
    Database db = Database::Open(file.str());
    db.Write().SetMode(WriteMode::kWriteBehind);
    const TableDef tiny = db.Table("Tiny");
    for (int i = 0; i < 600; ++i) {
      const RowLocation at = db.Write().Append(tiny.page, std::vector<Value>(1));
      EXPECT_EQ(at.slot, i % 255) << i;
    }
    db.Write().Flush();
  }
  const Database saved = Database::Open(file.str());
  const TableDef tiny = saved.Table("Tiny");
  std::vector<std::size_t> slots;
  for (const PageNumber p : ReadUsageMap(saved.Pages(), tiny.ownedPagesMap)) {
    slots.push_back(DataPageView(saved.Pages().Page(p)).SlotCount());
  }
  EXPECT_EQ(slots, (std::vector<std::size_t>{255, 255, 90}));
  EXPECT_EQ(AllRows(saved, "Tiny").size(), 600u);
  EXPECT_EQ(CheckConsistency(saved), std::vector<std::string>{});
}

TEST(JetWriter, TemplatesAreConsistentAsBuilt) {
  for (int id : {kCalibrationTemplateId, kHostTemplateId}) {
    const Database db = Database::FromBytes(*BuildTemplate(id), "template");
    EXPECT_EQ(CheckConsistency(db), std::vector<std::string>{}) << id;
  }
}

}  // namespace
}  // namespace frixa::jet
