// The exact bytes the commands write: Create from a fixed run file on a fixed date, Apply of
// the result, its smoothed copy and a comment saved by the browser; and that Create, since it
// keeps the recorded times, keeps the template's four tables exactly as it wrote them before. Each output is pinned by
// its SHA-256, so that any change to what the database engine writes shows here, however
// harmless it looks to a reader; a gzipped copy of each pinned output lies in tests/data/golden,
// and a mismatch names the first table and row that differ from it. A change that is meant to alter
// the files updates the hashes and the copies in the same commit, and says why.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "browser/file_browser.h"
#include "calfile/smoothed_file.h"
#include "common/app.h"
#include "host/apply_command.h"
#include "jet/database.h"
#include "support/calibration_fixture.h"
#include "support/jet_diff.h"
#include "support/jet_peek.h"
#include "support/jet_test_files.h"
#include "support/sha256.h"

namespace frixa {
namespace {

namespace fs = std::filesystem;

const fs::path kGolden = fs::path(FRIXA_TEST_DATA_DIR) / "golden";

std::string HashOf(const fs::path& path) {
  const auto bytes = testing::ReadWholeFile(path);
  return testing::Sha256Hex(bytes);
}

testing::PeekBytes Gunzip(const fs::path& path) { return testing::GunzippedFile(path); }

// The written file has the pinned hash; if not, where it first differs from the copy of the
// pinned output, `reference`.gz in tests/data/golden (which must itself have that hash).
::testing::AssertionResult WrotePinnedBytes(const fs::path& written, const std::string& pin,
                                            const std::string& reference) {
  const testing::PeekBytes copy = Gunzip(kGolden / (reference + ".gz"));
  const std::string copyHash = testing::Sha256Hex(copy);
  const testing::PeekBytes bytes = testing::ReadWholeFile(written);
  const std::string hash = testing::Sha256Hex(bytes);
  if (hash == pin && copyHash == pin) return ::testing::AssertionSuccess();
  auto failure = ::testing::AssertionFailure();
  if (copyHash != pin) failure << "the copy " << reference << ".gz is not the pinned output; ";
  if (hash == pin) return failure;
  failure << written.filename() << " has SHA-256 " << hash << ", not " << pin;
  if (copyHash == pin) failure << "; " << testing::FirstDifference(testing::PeekFile(copy), testing::PeekFile(bytes));
  return failure;
}

TEST(WrittenBytes, ShaOfTheKnownInputIsRight) {
  const std::uint8_t abc[] = {'a', 'b', 'c'};
  EXPECT_EQ(testing::Sha256Hex(abc), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(testing::Sha256Hex({}), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  const std::string million(1000000, 'a');
  EXPECT_EQ(testing::Sha256Hex({reinterpret_cast<const std::uint8_t*>(million.data()), million.size()}),
            "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(WrittenBytes, CreateApplySmoothAndCommentWriteTheSameBytesAsEver) {
  // A simulated rundown (frixa-cli simulate --start-rpm 1500 --end-rpm 600 --friction 6,0,0
  // --seed 7 --jitter-us 2), kept as it was made so that only the writing can change.
  const fs::path run = kGolden / "Torvex2.000";
  ASSERT_EQ(HashOf(run), "9c9fbfbf070c0ce61ada32ba215a0af5eb5c03e310742c19383fd23b163e7ff6");

  testing::ProgramFolder p;  // today is 12/9/2026
  fs::copy_file(run, p.app.ProgramFile(kRunFileName));
  p.app.InertiaFactor = 1.25f;
  p.app.SensorMassRatio = 1.0f;
  p.Preview();

  p.Create("Rig");
  ASSERT_TRUE(p.ui.messages.empty()) << p.ui.messages[0].text;
  const std::string calibration = p.CalFile("Rig.Frixa");
  EXPECT_TRUE(WrotePinnedBytes(calibration, "ac11f36ffc78b3ecfc1f2f0ba41fd5649542b938a05a44cc5f66cbf4b85557b5",
                               "Rig.Frixa"));

  p.ui.fileNameAnswers.push_back(calibration);
  ApplyCommand(p.app, p.dc);
  ASSERT_TRUE(p.ui.messages.empty()) << p.ui.messages[0].text;
  EXPECT_TRUE(WrotePinnedBytes(p.app.ProgramFile(kHostLossFileName),
                               "4761ff6b6ed82580c288185adfd973d5f7cf81b0f27e679631a35c5d039d46a4", "Torvex2.005"));

  const std::string smoothed = p.CalFile("Rig smooth.Frixa");
  SmoothCalibrationFile(p.ui, calibration, smoothed, "1/2/2027");
  EXPECT_TRUE(WrotePinnedBytes(smoothed, "132ba834fd2d3b20e67af6fe81329f43e090f38b95d77a479c3b59ed4e7b0cd3",
                               "Rig smooth.Frixa"));

  FileBrowser browser('.');
  ASSERT_TRUE(browser.ShowFile(calibration));
  ASSERT_TRUE(browser.SaveComment("Rig 2 after the new bearings")) << browser.saveError();
  browser.Release();
  EXPECT_TRUE(WrotePinnedBytes(calibration, "00bfecbc1429a2f19fe03d4b5f4c21d644817323ec54ea1bfaa4fec6222d60ce",
                               "Rig commented.Frixa"));
}

// The file Create wrote before it kept the recorded times, `Rig without times.Frixa` (the
// same run, date and settings as above): the four tables of the template are kept exactly, and
// the new file differs from the old one only in the catalog's pages, with the table of times
// and its rows on pages after the old file's end.
TEST(WrittenBytes, CreateKeepsTheFourTablesOfTheFileWrittenBeforeTheRecordedTimes) {
  const testing::PeekBytes old = Gunzip(kGolden / "Rig without times.Frixa.gz");
  ASSERT_EQ(testing::Sha256Hex(old), "22046444386bbc65e41abbe178cc73fc9c5950ed8950eb278eb5c7c2033f2898");
  testing::ProgramFolder p;
  fs::copy_file(kGolden / "Torvex2.000", p.app.ProgramFile(kRunFileName));
  p.app.InertiaFactor = 1.25f;
  p.app.SensorMassRatio = 1.0f;
  p.Preview();
  p.Create("Rig");
  ASSERT_TRUE(p.ui.messages.empty()) << p.ui.messages[0].text;
  const testing::PeekBytes now = testing::ReadWholeFile(p.CalFile("Rig.Frixa"));

  const jet::Database before = jet::Database::FromBytes(old, "before.Frixa");
  const jet::Database after = jet::Database::FromBytes(now, "after.Frixa");
  EXPECT_EQ(before.UserTableNames(), (std::vector<std::string>{"RawData", "PointData", "Losses", "Info"}));
  EXPECT_EQ(after.UserTableNames(), (std::vector<std::string>{"RawData", "PointData", "Losses", "Info", "RunCounts"}));
  for (const std::string table : {"RawData", "PointData", "Losses", "Info"}) {
    const jet::TableDef b = before.Table(table);
    const jet::TableDef a = after.Table(table);
    EXPECT_EQ(a.page, b.page) << table;
    EXPECT_EQ(a.definition, b.definition) << table;
    jet::TableScan sb = before.Scan(b);
    jet::TableScan sa = after.Scan(a);
    std::size_t rows = 0;
    for (; sb.Next(); ++rows) {
      ASSERT_TRUE(sa.Next()) << table << " ends at row " << rows;
      for (std::size_t c = 0; c < b.columns.size(); ++c) {
        ASSERT_EQ(sa.ReadValue(c), sb.ReadValue(c)) << table << " row " << rows << " column " << c;
      }
    }
    EXPECT_FALSE(sa.Next()) << table << " has rows beyond the " << rows << " of before";
    EXPECT_EQ(rows, b.rowCount) << table;
  }

  // Page by page: the old file's pages stay but for the catalog's, which gained the new table.
  ASSERT_GT(now.size(), old.size());
  std::vector<std::uint32_t> changed;
  for (std::uint32_t page = 0; page < old.size() / jet::kPageSize; ++page) {
    if (!std::equal(old.begin() + page * jet::kPageSize, old.begin() + (page + 1) * jet::kPageSize,
                    now.begin() + page * jet::kPageSize)) {
      changed.push_back(page);
    }
  }
  // The global map, the definitions of MSysObjects and MSysACEs, the catalog's three index
  // leaves, and the one page each of catalog rows (18), permissions (19) and properties (20).
  EXPECT_EQ(changed, (std::vector<std::uint32_t>{1, 2, 3, 9, 11, 13, 18, 19, 20}));
}

// What a mismatch reports: the table and row of the first change, and its column.
TEST(WrittenBytes, AMismatchNamesTheFirstTableAndRowThatDiffer) {
  const testing::PeekBytes good = Gunzip(kGolden / "Rig.Frixa.gz");
  ASSERT_EQ(testing::Sha256Hex(good), "ac11f36ffc78b3ecfc1f2f0ba41fd5649542b938a05a44cc5f66cbf4b85557b5");
  const jet::Database db = jet::Database::FromBytes(good, "Rig.Frixa");
  const jet::TableDef losses = db.Table("Losses");
  jet::TableScan scan = db.Scan(losses);
  for (int row = 0; row <= 3; ++row) ASSERT_TRUE(scan.Next());
  const std::size_t rowAt = testing::FileOffsetOf(db, scan.RowBytes().data());

  testing::PeekBytes changed = good;
  changed[rowAt + 1] ^= 0x01;  // the first fixed column's lowest byte
  const std::string found = testing::FirstDifference(testing::PeekFile(good), testing::PeekFile(changed));
  EXPECT_EQ(found.rfind("table Losses, row 3 of ", 0), 0u) << found;
  EXPECT_NE(found.find(": column 0 ("), std::string::npos) << found;
  EXPECT_EQ(testing::FirstDifference(testing::PeekFile(good), testing::PeekFile(good)), "");

  // Outside every table (the free bytes of page 0's header): the page and byte.
  changed = good;
  changed[0x700] ^= 0xFF;
  EXPECT_EQ(testing::FirstDifference(testing::PeekFile(good), testing::PeekFile(changed))
                .rfind("every table reads the same; the first difference is on page 0 (type 0) at byte 1792", 0),
            0u);
}

TEST(WrittenBytes, CommittedTemplatesAreTheSameBytesAsEver) {
  const fs::path templates = fs::path(FRIXA_SOURCE_DIR) / "resources" / "templates";
  std::vector<std::pair<std::string, std::string>> found;
  for (const auto& entry : fs::directory_iterator(templates)) {
    found.emplace_back(entry.path().filename().string(), HashOf(entry.path()));
  }
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (std::vector<std::pair<std::string, std::string>>{
                       {"calibration.mdb", "7f3a7367eefc3a8e4ebe208a67f35212f01853edc441102c2e58ad99aa141ffb"},
                       {"host.mdb", "be8be59fb1ed9976e232baae42ec40558131fe6d34011fb656eb13fad178b2f5"}}));
}

}  // namespace
}  // namespace frixa
