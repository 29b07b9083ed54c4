// The recorded times: Create keeps every accepted record's count as the run file holds it,
// the reader gives them back per rundown, and a damaged table is reported, not read.
#include "calfile/recorded_counts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "common/error.h"
#include "jet/database.h"
#include "jet/usage_map.h"
#include "recordset/data_controls.h"
#include "support/calibration_fixture.h"
#include "support/jet_test_files.h"

namespace frixa {
namespace {

using testing::ProgramFolder;

// The counts of the records a run pass accepts, read here from the file's bytes: a record is
// rejected only when its marker is not '#' and none of its three count bytes is 0.
RecordedCounts AcceptedCountsOf(const std::string& runFile) {
  const auto bytes = testing::FileBytes(runFile);
  RecordedCounts counts;
  for (std::size_t at = 0; at + 16 <= bytes.size(); at += 16) {
    const std::uint8_t* r = bytes.data() + at;
    if (r[0] != '#' && r[1] != 0 && r[2] != 0 && r[3] != 0) break;
    counts.push_back((r[1] << 16) | (r[2] << 8) | r[3]);
  }
  return counts;
}

int ErrorNumberOf(const std::function<void()>& f, std::string* description = nullptr) {
  try {
    f();
  } catch (const Error& e) {
    if (description) *description = e.description();
    return e.number();
  }
  return 0;
}

TEST(RecordedCounts, ARunFilesAcceptedCountsUpToTheFirstRejectedRecord) {
  testing::TempFolder folder;
  const std::string run = folder.File("Torvex2.000");
  auto records = testing::RecordsWithCounts({40000, 0, 16777215, 39000, 1, 38000});
  records[3].marker = 0;                  // a zero count byte: still accepted
  records[3].countLow = 0;                // 39000 = 0x0098B8 -> 0x009800
  records[4].marker = 0;                  // 1 = 00 00 01: accepted
  records.push_back(records[0]);
  records.back().marker = 'x';            // 40000 = 0x009C40: high byte 0, accepted
  records.push_back(testing::RecordsWithCounts({0x010203})[0]);
  records.back().marker = 0;              // no zero byte, no '#': rejected, the pass ends
  records.push_back(records[0]);
  testing::WriteRunFile(run, records);
  EXPECT_EQ(ReadRunFileCounts(run), (RecordedCounts{40000, 0, 16777215, 0x9800, 1, 38000, 40000}));
  EXPECT_EQ(ReadRunFileCounts(run), AcceptedCountsOf(run));
  EXPECT_EQ(ReadRunFileCounts(folder.File("none.000")), RecordedCounts{});
}

TEST(RecordedCounts, CreateKeepsTheRunAsRecordedAndTheReaderGivesItBack) {
  ProgramFolder p;
  RundownModel model = ProgramFolder::ShortRundown();
  model.jitterUs = 3;
  p.SimulateAndPreview(model);
  // Record 200 made one the pass rejects: the pass, and the counts kept, end before it.
  const std::string run = p.app.ProgramFile(kRunFileName);
  auto bytes = testing::FileBytes(run);
  const std::uint8_t rejected[4] = {'x', 1, 2, 3};
  std::copy(rejected, rejected + 4, bytes.begin() + 199 * 16);
  testing::WriteBytes(run, bytes);
  p.Create("Rig");
  const std::string file = p.CalFile("Rig.Frixa");
  ASSERT_TRUE(std::filesystem::exists(file)) << (p.ui.messages.empty() ? "" : p.ui.messages.back().text);
  const RecordedCounts expected = AcceptedCountsOf(p.app.ProgramFile(kRunFileName));
  ASSERT_EQ(expected.size(), 199u);
  EXPECT_EQ(ReadRecordedCounts(file), std::vector<RecordedCounts>{expected});

  // The table as any table: sixteen counts to a row, the last row's tail null.
  const auto rows = testing::ReadTable(file, kRecordedCountsTable);
  ASSERT_EQ(rows.size(), 13u);
  EXPECT_EQ(rows[0][0], FieldValue::Integer(1));
  EXPECT_EQ(rows[0][1], FieldValue::Integer(0));
  EXPECT_EQ(rows[0][2], FieldValue::Integer(expected[0]));
  EXPECT_EQ(rows[12][1], FieldValue::Integer(192));
  EXPECT_EQ(rows[12][2 + 6], FieldValue::Integer(expected[198]));
  EXPECT_TRUE(rows[12][2 + 7].IsNull());
  EXPECT_TRUE(rows[12][2 + 15].IsNull());
  const jet::Database db = jet::Database::Open(file);
  EXPECT_EQ(db.UserTableNames(),
            (std::vector<std::string>{"RawData", "PointData", "Losses", "Info", kRecordedCountsTable}));
}

TEST(RecordedCounts, ADamagedTableIsReportedNamingIt) {
  ProgramFolder p;
  p.SimulateAndPreview(ProgramFolder::ShortRundown());
  p.Create("Rig");
  const std::string file = p.CalFile("Rig.Frixa");
  ASSERT_EQ(ReadRecordedCounts(file).size(), 1u);

  // Rundown numbers that skip one.
  const std::string changed = p.CalFile("Changed.Frixa");
  std::filesystem::copy_file(file, changed);
  RecordSet rs;
  Bind(rs, changed, std::string("Select * From ") + kRecordedCountsTable);
  for (int i = 0; i < 10; ++i) rs.MoveNext();
  rs.Edit();
  rs.SetField(0, FieldValue::Integer(3));
  rs.Update();
  Release(rs);
  std::string why;
  EXPECT_EQ(ErrorNumberOf([&] { ReadRecordedCounts(changed); }, &why), errnum::kJetCorrupt);
  EXPECT_NE(why.find("RunCounts: rundowns out of order"), std::string::npos) << why;

  // A null among the first row's counts, counts after it.
  Bind(rs, changed, std::string("Select * From ") + kRecordedCountsTable);
  rs.Edit();
  rs.SetField(4, FieldValue());
  rs.Update();
  Release(rs);
  EXPECT_EQ(ErrorNumberOf([&] { ReadRecordedCounts(changed); }, &why), errnum::kJetCorrupt);
  EXPECT_NE(why.find("RunCounts: a count after a null"), std::string::npos) << why;

  // A row's first revolution that does not follow the row before.
  testing::WriteBytes(changed, testing::FileBytes(file));
  Bind(rs, changed, std::string("Select * From ") + kRecordedCountsTable);
  rs.MoveNext();
  rs.Edit();
  rs.SetField(1, FieldValue::Integer(17));
  rs.Update();
  Release(rs);
  EXPECT_EQ(ErrorNumberOf([&] { ReadRecordedCounts(changed); }, &why), errnum::kJetCorrupt);
  EXPECT_NE(why.find("RunCounts: revolutions out of order"), std::string::npos) << why;

  // A data page of the table overwritten: a damaged file, no crash.
  const jet::Database db = jet::Database::Open(file);
  const auto pages = jet::ReadUsageMap(db.Pages(), db.Table(kRecordedCountsTable).ownedPagesMap);
  ASSERT_FALSE(pages.empty());
  auto bytes = testing::FileBytes(file);
  std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(pages[0] * jet::kPageSize) + 8, 40, 0xEE);
  testing::WriteBytes(changed, bytes);
  EXPECT_EQ(ErrorNumberOf([&] { ReadRecordedCounts(changed); }), errnum::kJetCorrupt);
}

}  // namespace
}  // namespace frixa
