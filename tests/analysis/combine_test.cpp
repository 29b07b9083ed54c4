// The combined calibration written from simulated rundowns of one rig: where each file's rows
// begin, the information record and its comment cut to the column's 255 characters, and the
// refusals that leave nothing behind.
#include "analysis/combine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>

#include "calfile/recorded_counts.h"
#include "common/error.h"
#include "support/calibration_fixture.h"
#include "support/jet_test_files.h"

namespace frixa {
namespace {

using testing::ProgramFolder;
using testing::ReadTable;

std::set<std::string> Names(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    names.insert(e.path().filename().string());
  }
  return names;
}

std::string Refusal(const std::function<void()>& f) {
  try {
    f();
  } catch (const CombiningRefused& e) {
    return e.what();
  }
  return "(not refused)";
}

TEST(CombineCalibrationFiles, RowsFileAfterFileAndTheRecordOfThemAll) {
  ProgramFolder p;
  std::vector<std::string> files;
  std::string comment = kCombinedCommentPrefix;
  for (int i = 0; i < 3; ++i) {
    RundownModel model = ProgramFolder::ShortRundown();
    model.startRpm = 1400 + 100 * i;
    model.endRpm = 650 - 25 * i;
    p.SimulateAndPreview(model);
    const std::string title = std::string(90, static_cast<char>('a' + i));
    p.Create(title);
    files.push_back(p.CalFile(title + ".Frixa"));
    comment += (i ? ", " : "") + title;
  }
  const std::string name = p.CalFile("All.Frixa");
  const CombinedFile out = CombineCalibrationFiles(p.ui, files, name, "12/9/2026");

  std::vector<long> starts;
  long rows = 0;
  float low = 1e9f, high = 0;
  for (const auto& f : files) {
    starts.push_back(rows);
    rows += static_cast<long>(ReadTable(f, "RawData").size());
    const auto info = ReadTable(f, "Info");
    low = std::min(low, info[0][2].AsSingle());
    high = std::max(high, info[0][3].AsSingle());
  }
  EXPECT_EQ(out.rundownStarts, starts);
  EXPECT_EQ(out.rawRows, rows);
  EXPECT_EQ(static_cast<long>(ReadTable(name, "RawData").size()), rows);
  EXPECT_EQ(out.points, static_cast<long>(ReadTable(name, "PointData").size()));
  EXPECT_EQ(out.lossRows, static_cast<long>(high - low) + 1);
  EXPECT_EQ(static_cast<long>(ReadTable(name, "Losses").size()), out.lossRows);

  const auto info = ReadTable(name, "Info");
  ASSERT_EQ(info.size(), 1u);
  EXPECT_EQ(info[0][0], FieldValue::Double(1.25));
  EXPECT_EQ(info[0][1], FieldValue::Double(1.0));
  EXPECT_EQ(info[0][2].AsSingle(), low);
  EXPECT_EQ(info[0][3].AsSingle(), high);
  EXPECT_EQ(info[0][4].AsText(), "12/9/2026");
  EXPECT_EQ(info[0][5].AsText(), "Version : 1.1.0");
  ASSERT_GT(comment.size(), 255u);
  EXPECT_EQ(info[0][6].AsText(), comment.substr(0, 255));
  EXPECT_FALSE(std::filesystem::exists(name + ".tmp"));
}

// Each file's recorded times go with its rows, numbered in the order of the files; a file
// without them (written before Create kept them) leaves the combined file without any.
TEST(CombineCalibrationFiles, KeepsEveryRundownsRecordedTimesOrNone) {
  ProgramFolder p;
  std::vector<std::string> files;
  for (int i = 0; i < 2; ++i) {
    RundownModel model = ProgramFolder::ShortRundown();
    model.startRpm = 1400 + 100 * i;
    model.jitterUs = 2;
    model.seed = 11 + i;
    p.SimulateAndPreview(model);
    p.Create("Run " + std::to_string(i));
    files.push_back(p.CalFile("Run " + std::to_string(i) + ".Frixa"));
  }
  const auto first = ReadRecordedCounts(files[0]);
  const auto second = ReadRecordedCounts(files[1]);
  ASSERT_EQ(first.size(), 1u);
  ASSERT_EQ(second.size(), 1u);
  ASSERT_NE(first[0], second[0]);

  const std::string both = p.CalFile("Both.Frixa");
  CombineCalibrationFiles(p.ui, files, both, "12/9/2026");
  EXPECT_EQ(ReadRecordedCounts(both), (std::vector<RecordedCounts>{first[0], second[0]}));
  // A combined file combined again keeps its rundowns apart.
  const std::string three = p.CalFile("Three.Frixa");
  CombineCalibrationFiles(p.ui, {both, files[0]}, three, "12/9/2026");
  EXPECT_EQ(ReadRecordedCounts(three), (std::vector<RecordedCounts>{first[0], second[0], first[0]}));

  const std::string older = p.CalFile("Older.Frixa");
  testing::WriteBytes(older, testing::GunzippedFile(testing::GoldenFile("Rig without times.Frixa.gz")));
  ASSERT_TRUE(ReadRecordedCounts(older).empty());
  const std::string mixed = p.CalFile("Mixed.Frixa");
  CombineCalibrationFiles(p.ui, {files[0], older}, mixed, "12/9/2026");
  EXPECT_TRUE(ReadRecordedCounts(mixed).empty());
  EXPECT_EQ(ReadTable(mixed, "RawData").size(), ReadTable(files[0], "RawData").size() + ReadTable(older, "RawData").size());
}

TEST(CombineCalibrationFiles, RefusalsAndUnreadableFilesLeaveNothingBehind) {
  ProgramFolder p;
  p.SimulateAndPreview(ProgramFolder::ShortRundown(), 1.25f, 1.0f);
  p.Create("A");
  p.SimulateAndPreview(ProgramFolder::ShortRundown(), 1.25f, 2.5f);
  p.Create("B");
  const std::string a = p.CalFile("A.Frixa");
  const std::string b = p.CalFile("B.Frixa");
  const std::string name = p.CalFile("All.Frixa");
  const auto before = Names(p.CalFolder());

  EXPECT_EQ(Refusal([&] { CombineCalibrationFiles(p.ui, {a}, name, "d"); }),
            "combining needs two calibration files or more");
  EXPECT_EQ(Refusal([&] { CombineCalibrationFiles(p.ui, {a, a, b}, name, "d"); }),
            "the files are not of one rig: " + b + " (inertia 1.25, ratio 2.5) differs from " + a +
                " (inertia 1.25, ratio 1) in inertia or ratio");
  testing::WriteBytes(p.CalFile("junk.Frixa"), std::vector<std::uint8_t>(4096, 0x41));
  try {
    CombineCalibrationFiles(p.ui, {a, p.CalFile("junk.Frixa")}, name, "d");
    ADD_FAILURE() << "combined a file that is not a database";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), errnum::kJetUnrecognisedFormat);
    EXPECT_EQ(e.description().rfind(p.CalFile("junk.Frixa") + ": ", 0), 0u) << e.description();
  }
  std::filesystem::remove(p.CalFile("junk.Frixa"));
  EXPECT_EQ(Names(p.CalFolder()), before);
  EXPECT_TRUE(p.ui.messages.empty());
}

}  // namespace
}  // namespace frixa
