// The writing side of the record sets on files extracted from the calibration template: AddNew,
// SetField and Update; Edit; Delete; values converted to their columns; one shared image per
// file, read again only when the file changed; write-behind and its saves; and the engine's
// error numbers for every refusal.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <span>
#include <stdexcept>
#include <vector>

#include "common/error.h"
#include "jet/database.h"
#include "recordset/field_convert.h"
#include "recordset/record_set.h"
#include "support/error_of.h"
#include "support/jet_consistency.h"
#include "support/jet_test_files.h"
#include "support/row_model.h"
#include "templates/templates.h"

namespace frixa {
namespace {

namespace fs = std::filesystem;
using testing::FileBytes;
using testing::ScratchFile;

using testing::ErrorOf;

// Replaces the contents of the file at `path` (std::filesystem::copy_file cannot overwrite
// under mingw).
void Overwrite(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  std::FILE* f = std::fopen(path.string().c_str(), "wb");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
  std::fclose(f);
}

std::string DescriptionOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.description();
  }
  return "";
}

class RecordSetWriting : public ::testing::Test {
 protected:
  RecordSetWriting() : file_(*BuildTemplate(kCalibrationTemplateId)) {}

  RecordSet Bound(const std::string& statement) {
    RecordSet rs;
    rs.SetDatabaseName(file_.str());
    rs.SetRecordSource(statement);
    rs.Refresh();
    return rs;
  }

  void AddRaw(RecordSet& rs, float rpm, float kw, float nm) {
    rs.AddNew();
    rs.SetField(0, FieldValue::Single(rpm));
    rs.SetField(1, FieldValue::Single(kw));
    rs.SetField(2, FieldValue::Single(nm));
    rs.Update();
  }

  void AddInfo(RecordSet& rs, const std::string& comment) {
    rs.AddNew();
    rs.SetField(0, FieldValue::Double(1.25));
    rs.SetField(4, FieldValue::Text("12/3/2024"));
    rs.SetField(5, FieldValue::Text("Version : 1.1.0"));
    rs.SetField(6, FieldValue::Text(comment));
    rs.Update();
  }

  // The rows of `table` as the file on disk holds them now.
  std::size_t RowsOnDisk(const std::string& table) {
    const jet::Database db = jet::Database::Open(file_.str());
    const jet::TableDef def = db.Table(table);
    jet::TableScan scan = db.Scan(def);
    std::size_t n = 0;
    while (scan.Next()) ++n;
    EXPECT_EQ(n, def.rowCount);
    EXPECT_EQ(testing::CheckConsistency(db), std::vector<std::string>{});
    return n;
  }

  ScratchFile file_;
};

TEST_F(RecordSetWriting, AddNewAndUpdateSaveOneRowThatTheNextRefreshReads) {
  RecordSet rd = Bound("Select * From RawData");
  EXPECT_EQ(rd.GetEditMode(), RecordSet::EditMode::kNone);
  rd.AddNew();
  EXPECT_EQ(rd.GetEditMode(), RecordSet::EditMode::kAdd);
  EXPECT_TRUE(rd.Fields(1).IsNull());
  rd.SetField(0, FieldValue::Single(599.0f));
  rd.SetField(1, FieldValue::Single(1.5f));
  rd.SetField(2, FieldValue::Double(0.25));
  EXPECT_EQ(rd.Fields(0), FieldValue::Integer(599));  // already the column's type
  rd.Update();
  EXPECT_EQ(rd.GetEditMode(), RecordSet::EditMode::kNone);
  EXPECT_EQ(rd.RecordCount(), 0);  // rows added show at the next Refresh
  EXPECT_EQ(RowsOnDisk("RawData"), 1u);

  rd.Refresh();
  ASSERT_EQ(rd.RecordCount(), 1);
  EXPECT_EQ(rd.Fields(0), FieldValue::Integer(599));
  EXPECT_EQ(rd.Fields(1), FieldValue::Single(1.5f));
  EXPECT_EQ(rd.Fields(2), FieldValue::Single(0.25f));
}

TEST_F(RecordSetWriting, AssignedValuesTakeTheirColumnsType) {
  RecordSet rd = Bound("Select * From RawData");
  rd.AddNew();
  rd.SetField(0, FieldValue::Single(1499.5f));  // halves to even
  EXPECT_EQ(rd.Fields(0), FieldValue::Integer(1500));
  rd.SetField(0, FieldValue::Double(2.5));
  EXPECT_EQ(rd.Fields(0), FieldValue::Integer(2));
  rd.SetField(0, FieldValue::Text(" 312 "));
  EXPECT_EQ(rd.Fields(0), FieldValue::Integer(312));
  EXPECT_EQ(ErrorOf([&] { rd.SetField(0, FieldValue::Text("abc")); }), 3421);
  EXPECT_EQ(ErrorOf([&] { rd.SetField(0, FieldValue::Double(3e9)); }), 3349);
  EXPECT_EQ(ErrorOf([&] { rd.SetField(1, FieldValue::Double(1e39)); }), 3349);
  rd.SetField(1, FieldValue::Integer(7));
  EXPECT_EQ(rd.Fields(1), FieldValue::Single(7.0f));
  rd.CancelUpdate();
  EXPECT_EQ(RowsOnDisk("RawData"), 0u);

  RecordSet id = Bound("Select * From Info");
  id.AddNew();
  id.SetField(4, FieldValue::Date(45629.0));  // 2024-12-03
  EXPECT_EQ(id.Fields(4), FieldValue::Text("12/3/2024"));
  SetDateTextFormatter([](double days) { return "day " + std::to_string(static_cast<int>(days)); });
  id.SetField(4, FieldValue::Date(45629.75));
  SetDateTextFormatter({});
  EXPECT_EQ(id.Fields(4), FieldValue::Text("day 45629"));
  id.SetField(6, FieldValue::Single(0.5f));
  EXPECT_EQ(id.Fields(6), FieldValue::Text("0.5"));
  id.SetField(6, FieldValue::Double(-1234.5));
  EXPECT_EQ(id.Fields(6), FieldValue::Text("-1234.5"));
}

TEST_F(RecordSetWriting, EditRewritesTheCommentOfTheCurrentRow) {
  RecordSet id = Bound("select * from Info");
  AddInfo(id, " ");
  id.Refresh();
  id.Edit();
  EXPECT_EQ(id.Fields(6), FieldValue::Text(" "));
  id.SetField(6, FieldValue::Text("Rig 2 after new bearings"));
  id.Update();
  EXPECT_EQ(id.Fields(6), FieldValue::Text("Rig 2 after new bearings"));

  // Longest, then shorter again; each saved at once.
  const std::string longest(255, 'L');
  id.Edit();
  id.SetField(6, FieldValue::Text(longest));
  id.Update();
  RecordSet other = Bound("select * from Info");
  EXPECT_EQ(other.Fields(6).AsText(), longest);
  EXPECT_EQ(other.Fields(5).AsText(), "Version : 1.1.0");
  id.Edit();
  id.SetField(6, FieldValue::Text("short"));
  id.Update();
  other.Refresh();
  EXPECT_EQ(other.Fields(6).AsText(), "short");
  EXPECT_EQ(RowsOnDisk("Info"), 1u);
}

TEST_F(RecordSetWriting, CommentThatIsEmptyOrTooLongIsRefusedAndTheStoredOneStays) {
  RecordSet id = Bound("select * from Info");
  AddInfo(id, "kept");
  id.Refresh();
  id.Edit();
  EXPECT_EQ(ErrorOf([&] { id.SetField(6, FieldValue::Text(std::string(256, 'x'))); }), 3163);
  EXPECT_EQ(DescriptionOf([&] { id.SetField(6, FieldValue::Text(std::string(256, 'x'))); }),
            "The field is too small to accept the amount of data you attempted to add.  Try "
            "inserting or pasting less data.");
  id.SetField(6, FieldValue::Text(""));
  EXPECT_EQ(ErrorOf([&] { id.Update(); }), 3315);
  EXPECT_EQ(DescriptionOf([&] { id.Update(); }), "Field 'Info.Comment' can't be a zero-length string.");
  EXPECT_EQ(id.GetEditMode(), RecordSet::EditMode::kEdit);  // still editing after the refusal
  id.CancelUpdate();
  id.Refresh();
  EXPECT_EQ(id.Fields(6).AsText(), "kept");
  id.Edit();
  id.SetField(6, FieldValue::Text(" "));  // one blank is the empty comment
  EXPECT_NO_THROW(id.Update());
}

TEST_F(RecordSetWriting, DeleteInALoopEmptiesTheTable) {
  RecordSet ld = Bound("Select * from Losses");
  for (int rpm = 100; rpm < 105; ++rpm) AddRaw(ld, static_cast<float>(rpm), 1.0f, 2.0f);
  ld.Refresh();
  ASSERT_EQ(ld.RecordCount(), 5);
  ld.Delete();
  EXPECT_EQ(ld.RecordCount(), 4);
  EXPECT_EQ(ErrorOf([&] { (void)ld.Fields(0); }), 3167);  // the deleted row stays current
  EXPECT_EQ(ErrorOf([&] { ld.Delete(); }), 3167);
  EXPECT_EQ(ErrorOf([&] { ld.Edit(); }), 3167);
  ld.MoveNext();
  EXPECT_EQ(ld.Fields(0), FieldValue::Integer(101));
  while (!ld.Eof()) {
    ld.Delete();
    ld.MoveNext();
  }
  EXPECT_EQ(ld.RecordCount(), 0);
  ld.Refresh();
  EXPECT_EQ(ld.RecordCount(), 0);
  EXPECT_EQ(RowsOnDisk("Losses"), 0u);
}

TEST_F(RecordSetWriting, OperationsOutOfOrderRaiseTheEnginesNumbers) {
  RecordSet ld = Bound("Select * from Losses");
  EXPECT_EQ(ErrorOf([&] { ld.Update(); }), 3020);
  EXPECT_EQ(DescriptionOf([&] { ld.SetField(0, FieldValue::Integer(1)); }),
            "Update or CancelUpdate without AddNew or Edit.");
  EXPECT_EQ(ErrorOf([&] { ld.CancelUpdate(); }), 3020);
  EXPECT_EQ(ErrorOf([&] { ld.Edit(); }), 3021);  // no current row
  EXPECT_EQ(ErrorOf([&] { ld.Delete(); }), 3021);
  ld.AddNew();
  EXPECT_EQ(ErrorOf([&] { ld.SetField(3, FieldValue::Integer(1)); }), 3265);
  EXPECT_EQ(ErrorOf([&] { ld.SetField(-1, FieldValue::Integer(1)); }), 3265);
  ld.CancelUpdate();

  RecordSet avg = Bound("SELECT AVG(SpotKWLoss), AVG(SpotNMLoss) FROM RawData");
  EXPECT_EQ(ErrorOf([&] { avg.AddNew(); }), 3027);
  RecordSet unbound;
  EXPECT_EQ(ErrorOf([&] { unbound.AddNew(); }), 91);
}

TEST_F(RecordSetWriting, ReadOnlyFileRefusesEveryChangeWith3027) {
  RecordSet ld = Bound("Select * from Losses");
  AddRaw(ld, 100, 1, 2);
  ld.Refresh();
  const auto before = FileBytes(file_.path());
  fs::permissions(file_.path(), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  EXPECT_EQ(ErrorOf([&] { ld.AddNew(); }), 3027);
  EXPECT_EQ(ErrorOf([&] { ld.Edit(); }), 3027);
  EXPECT_EQ(ErrorOf([&] { ld.Delete(); }), 3027);
  EXPECT_EQ(DescriptionOf([&] { ld.AddNew(); }), "Can't update.  Database or object is read-only.");
  fs::permissions(file_.path(), fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(FileBytes(file_.path()), before);
}

TEST_F(RecordSetWriting, FileThatCannotBeOpenedForWritingRaises3051) {
  RecordSet ld = Bound("Select * from Losses");
  ld.AddNew();
  ld.SetField(0, FieldValue::Integer(5));
  // The file is replaced by a folder of its name while the record set holds its image.
  fs::remove(file_.path());
  fs::create_directory(file_.path());
  EXPECT_EQ(ErrorOf([&] { ld.Update(); }), 3051);
  fs::remove(file_.path());
  ld.SetDatabaseName(file_.str());
  EXPECT_EQ(ErrorOf([&] { ld.Refresh(); }), 3024);
}

TEST_F(RecordSetWriting, RowSavedThroughOneRecordSetIsSeenThroughTheOthersAfterRefresh) {
  RecordSet rd = Bound("Select * From RawData");
  RecordSet avg = Bound("SELECT AVG(SpotKWLoss), AVG(SpotNMLoss) FROM RawData where SpotRPM= 312");
  EXPECT_TRUE(avg.Fields(0).IsNull());
  AddRaw(rd, 312, 1.0f, 4.0f);
  AddRaw(rd, 312, 2.0f, 8.0f);
  AddRaw(rd, 313, 9.0f, 9.0f);
  avg.Refresh();
  EXPECT_EQ(avg.Fields(0), FieldValue::Double(1.5));
  EXPECT_EQ(avg.Fields(1), FieldValue::Double(6.0));
  EXPECT_EQ(DatabaseHold::OpenFileCount(), 1u);
}

TEST_F(RecordSetWriting, RefreshDoesNotReadAnUnchangedFileAgain) {
  RecordSet a = Bound("Select * from Losses");
  AddRaw(a, 100, 1, 2);
  RecordSet b = Bound("Select * from Losses");
  ASSERT_EQ(b.RecordCount(), 1);
  // Same size and write time, other bytes: a file read again would not even open.
  const auto written = fs::last_write_time(file_.path());
  auto bytes = FileBytes(file_.path());
  std::fill(bytes.begin(), bytes.end(), std::uint8_t{0x55});
  Overwrite(file_.path(), bytes);
  fs::last_write_time(file_.path(), written);
  b.Refresh();
  EXPECT_EQ(b.RecordCount(), 1);
  EXPECT_EQ(b.Fields(0), FieldValue::Integer(100));
}

TEST_F(RecordSetWriting, FileChangedOnDiskIsReadAgainAndOldRowsCannotBeWritten) {
  RecordSet a = Bound("Select * from Losses");
  AddRaw(a, 100, 1, 2);
  a.Refresh();
  // Rebuilt from the template under the record set's feet, as Create rebuilds a file.
  Overwrite(file_.path(), *BuildTemplate(kCalibrationTemplateId));
  RecordSet b = Bound("Select * from Losses");
  EXPECT_EQ(b.RecordCount(), 0);
  EXPECT_EQ(a.RecordCount(), 1);  // what its Refresh found
  EXPECT_EQ(ErrorOf([&] { a.Edit(); }), 3197);
  EXPECT_EQ(ErrorOf([&] { a.Delete(); }), 3197);
  a.Refresh();
  EXPECT_EQ(a.RecordCount(), 0);
}

TEST_F(RecordSetWriting, LastRecordSetToLetGoClosesTheFile) {
  const std::size_t open = DatabaseHold::OpenFileCount();
  RecordSet a = Bound("Select * from Losses");
  RecordSet b = Bound("Select * from Info");
  EXPECT_EQ(DatabaseHold::OpenFileCount(), open + 1);
  a.SetDatabaseName("");
  a.Refresh();
  EXPECT_EQ(DatabaseHold::OpenFileCount(), open + 1);
  b.SetDatabaseName("");
  b.Refresh();
  EXPECT_EQ(DatabaseHold::OpenFileCount(), open);
}

TEST_F(RecordSetWriting, WriteBehindKeepsRowsInMemoryUntilTheFileIsLetGo) {
  const auto before = FileBytes(file_.path());
  RecordSet rd = Bound("Select * From RawData");
  rd.SetWriteBehind(true);
  for (int i = 0; i < 500; ++i) AddRaw(rd, 300.0f + static_cast<float>(i / 7), 0.5f, 0.25f);
  EXPECT_EQ(FileBytes(file_.path()), before);
  RecordSet avg = Bound("SELECT AVG(SpotKWLoss), AVG(SpotNMLoss) FROM RawData");
  EXPECT_EQ(avg.Fields(0), FieldValue::Double(0.5));  // the shared image has them
  EXPECT_EQ(FileBytes(file_.path()), before);
  avg.SetDatabaseName("");
  avg.Refresh();
  EXPECT_EQ(FileBytes(file_.path()), before);  // rd still holds the file
  rd.SetDatabaseName("");
  rd.Refresh();
  EXPECT_EQ(RowsOnDisk("RawData"), 500u);
}

TEST_F(RecordSetWriting, WriteBehindSavesWhatItKeptWhenAnOperationFails) {
  RecordSet rd = Bound("Select * From RawData");
  rd.SetWriteBehind(true);
  for (int i = 0; i < 300; ++i) AddRaw(rd, 400, 1, 1);
  rd.AddNew();
  EXPECT_EQ(ErrorOf([&] { rd.SetField(0, FieldValue::Text("not a number")); }), 3421);
  EXPECT_EQ(RowsOnDisk("RawData"), 300u);
  rd.CancelUpdate();
  AddRaw(rd, 401, 1, 1);
  EXPECT_EQ(RowsOnDisk("RawData"), 300u);
  rd.Flush();
  EXPECT_EQ(RowsOnDisk("RawData"), 301u);
}

TEST_F(RecordSetWriting, WriteBehindRowsAreSavedWhenTheRecordSetGoes) {
  {
    RecordSet rd = Bound("Select * From RawData");
    rd.SetWriteBehind(true);
    AddRaw(rd, 400, 1, 1);
  }
  EXPECT_EQ(RowsOnDisk("RawData"), 1u);
}

TEST_F(RecordSetWriting, ForEachRowPassesWhatARefreshWouldHoldWithoutMovingTheRecordSet) {
  RecordSet rd = Bound("Select * From RawData");
  rd.SetWriteBehind(true);
  for (int i = 0; i < 300; ++i) AddRaw(rd, static_cast<float>(600 + i % 7), 0.5f * static_cast<float>(i), 1.0f);
  // Kept by write-behind, not yet on disk: still read.
  std::vector<std::vector<FieldValue>> passed;
  rd.ForEachRow([&](std::span<const FieldValue> row) { passed.emplace_back(row.begin(), row.end()); });
  EXPECT_EQ(rd.RecordCount(), 0);  // the record set still holds what its last Refresh read
  rd.Refresh();
  std::vector<std::vector<FieldValue>> held;
  for (; !rd.Eof(); rd.MoveNext()) held.push_back({rd.Fields(0), rd.Fields(1), rd.Fields(2)});
  EXPECT_EQ(passed, held);
  ASSERT_EQ(passed.size(), 300u);
  EXPECT_EQ(passed[299][1], FieldValue::Single(149.5f));

  // With a condition, only the matching rows; an aggregate has no rows to pass.
  RecordSet some = Bound("Select * From RawData where SpotRPM=603");
  long n = 0;
  some.ForEachRow([&](std::span<const FieldValue> row) {
    EXPECT_EQ(row[0], FieldValue::Integer(603));
    ++n;
  });
  EXPECT_EQ(n, some.RecordCount());
  EXPECT_EQ(n, 43);
  RecordSet mean = Bound("SELECT AVG(SpotKWLoss), AVG(SpotNMLoss) FROM RawData where SpotRPM=603");
  EXPECT_EQ(ErrorOf([&] { mean.ForEachRow([](std::span<const FieldValue>) {}); }), 3129);
}

TEST_F(RecordSetWriting, HostTemplateTakesTheCopiedCurveRowForRow) {
  // Apply's copy: every Losses row of a calibration file into a fresh host loss file.
  RecordSet ld = Bound("Select * from Losses");
  for (int rpm = 312; rpm <= 2480; ++rpm) {
    AddRaw(ld, static_cast<float>(rpm), static_cast<float>(rpm) / 1000.0f, 1.0f / static_cast<float>(rpm));
  }
  const ScratchFile host(*BuildTemplate(kHostTemplateId));
  RecordSet lossCal;
  lossCal.SetDatabaseName(host.str());
  lossCal.SetRecordSource("Select * from Losses");
  lossCal.Refresh();
  ld.Refresh();
  while (!ld.Eof()) {
    lossCal.AddNew();
    for (int c = 0; c < 3; ++c) lossCal.SetField(c, ld.Fields(c));
    lossCal.Update();
    ld.MoveNext();
  }
  lossCal.SetDatabaseName("");
  lossCal.Refresh();
  const jet::Database db = jet::Database::Open(host.str());
  const jet::TableDef def = db.Table("Losses");
  EXPECT_EQ(def.rowCount, 2480u - 312u + 1u);
  jet::TableScan scan = db.Scan(def);
  std::int32_t rpm = 312;
  while (scan.Next()) {
    ASSERT_EQ(scan.ReadValue(0), jet::Value(rpm));
    ASSERT_EQ(scan.ReadValue(2), jet::Value(1.0f / static_cast<float>(rpm)));
    ++rpm;
  }
  EXPECT_EQ(rpm, 2481);
  EXPECT_EQ(testing::CheckConsistency(db), std::vector<std::string>{});
}

// Rows appended a block at a time give the file that the model gives for the same rows added one
// at a time (AddNew, SetField, Update), under write-behind and saved row by row, across page
// boundaries and around a row that fails its conversion in the middle of a block (its error
// raised, the rows before it stored).
TEST_F(RecordSetWriting, RowsAppendedInBlocksWriteTheFileThatRowsOneByOneWrite) {
  constexpr int kRows = 1500;
  constexpr int kBad = 700;
  const auto row = [](int i) {
    const double kw = i == kBad ? 1e300 : 0.001 * i;  // too large for a Single: 3349
    return std::vector<RowNumber>{RowNumber::Single(static_cast<float>(3000 - i / 7)), RowNumber::Double(kw),
                                  RowNumber::Single(0.5f + static_cast<float>(i % 13))};
  };
  for (const bool behind : {true, false}) {
    const ScratchFile blocks(*BuildTemplate(kCalibrationTemplateId));
    const ScratchFile single(*BuildTemplate(kCalibrationTemplateId));
    {
      RecordSet one;
      one.SetDatabaseName(single.str());
      one.SetRecordSource("Select * From RawData");
      one.Refresh();
      one.SetWriteBehind(behind);
      for (int i = 0; i < kRows; ++i) {
        const std::vector<RowNumber> r = row(i);
        EXPECT_EQ(ErrorOf([&] { testing::AppendOneByOne(one, r, 3); }), i == kBad ? 3349 : 0) << i;
      }
      RecordSet many;
      many.SetDatabaseName(blocks.str());
      many.SetRecordSource("Select * From RawData");
      many.Refresh();
      many.SetWriteBehind(behind);
      std::vector<RowNumber> block;
      int errors = 0;
      for (int i = 0; i < kRows; ++i) {
        const std::vector<RowNumber> r = row(i);
        block.insert(block.end(), r.begin(), r.end());
        if (block.size() == 3 * 256 || i + 1 == kRows) {
          const int error = ErrorOf([&] { many.AppendRows(block, 3); });
          errors += error != 0;
          if (error != 0) {
            EXPECT_EQ(error, 3349);
            // The block's rows after the failing one are appended again.
            const std::size_t after = static_cast<std::size_t>(kBad + 1 - (i + 1 - static_cast<int>(block.size() / 3)));
            many.AppendRows(std::span<const RowNumber>(block).subspan(after * 3), 3);
          }
          block.clear();
        }
      }
      EXPECT_EQ(errors, 1);
      EXPECT_THROW(many.AppendRows(std::vector<RowNumber>(4), 3), std::invalid_argument);  // no whole rows
    }
    EXPECT_TRUE(FileBytes(blocks.str()) == FileBytes(single.str())) << "write-behind " << behind;
    const jet::Database db = jet::Database::Open(blocks.str());
    EXPECT_EQ(db.Table("RawData").rowCount, static_cast<std::uint32_t>(kRows - 1));
    EXPECT_EQ(testing::CheckConsistency(db), std::vector<std::string>{});
  }
}

// A block of rows stores itself when full and on Store, and says which blocks were stored and
// which failed.
TEST_F(RecordSetWriting, RowBlockStoresFullBlocksAndTellsWhatWasStored) {
  RecordSet rd = Bound("Select * From RawData");
  RowBlock block(rd, 3, 4);
  std::vector<std::size_t> stored;
  int failed = 0;
  block.onStored = [&](std::span<const RowNumber> rows) { stored.push_back(rows.size() / 3); };
  block.onFailed = [&] { ++failed; };
  for (int i = 0; i < 9; ++i) block.Add({RowNumber::Single(700.0f + static_cast<float>(i)), RowNumber::Single(1), RowNumber::Single(2)});
  EXPECT_EQ(stored, (std::vector<std::size_t>{4, 4}));
  block.Add({RowNumber::Single(800), RowNumber::Double(1e300), RowNumber::Single(2)});  // too large: 3349
  EXPECT_EQ(ErrorOf([&] { block.Store(); }), 3349);
  EXPECT_EQ(failed, 1);
  EXPECT_EQ(stored.size(), 2u);
  block.Store();  // nothing left gathered
  EXPECT_EQ(stored.size(), 2u);
  EXPECT_THROW(block.Add({RowNumber::Single(1)}), std::invalid_argument);
  EXPECT_EQ(RowsOnDisk("RawData"), 9u);  // the failing row's block-mate before it is stored
}

}  // namespace
}  // namespace frixa
