// The table of recorded times as mdbtools reads it: a Create file and a combined file list
// five tables, the new one with its two Long columns and exactly the run's counts, and the
// four tables of the template export as they did in the file Create wrote before the times.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "analysis/combine.h"
#include "calfile/recorded_counts.h"
#include "support/calibration_fixture.h"
#include "support/jet_test_files.h"
#include "support/mdbtools_run.h"

namespace frixa {
namespace {

namespace fs = std::filesystem;
using testing::ProgramFolder;

std::string Tool(const std::string& tool, const std::vector<std::string>& args) {
  std::string command = tool;
  for (const auto& a : args) command += " " + testing::ShellQuote(a);
  return testing::RunCommand(command + " 2>&1");
}

// mdb-export's rows of the counts table, as the numbers it prints, per rundown; a null prints
// as an empty field and ends the row's counts.
std::vector<RecordedCounts> ExportedCounts(const std::string& file) {
  const auto rows = testing::ParseCsv(Tool("mdb-export", {file, kRecordedCountsTable}));
  std::vector<RecordedCounts> out;
  EXPECT_FALSE(rows.empty());
  if (rows.empty()) return out;
  EXPECT_EQ(rows[0], RecordedCountsColumns());
  for (std::size_t i = 1; i < rows.size(); ++i) {
    const std::size_t rundown = std::stoul(rows[i].at(0));
    if (rundown > out.size()) out.resize(rundown);
    EXPECT_EQ(rows[i].at(1), std::to_string(out[rundown - 1].size())) << "row " << i;
    for (std::size_t c = 2; c < rows[i].size() && !rows[i][c].empty(); ++c) {
      out[rundown - 1].push_back(std::stoi(rows[i][c]));
    }
  }
  return out;
}

TEST(RecordedCountsUnderMdbtools, CreateAndCombineFilesReadBackExactly) {
  ProgramFolder p;
  fs::copy_file(testing::GoldenFile("Torvex2.000"), p.app.ProgramFile(kRunFileName));
  p.app.InertiaFactor = 1.25f;
  p.app.SensorMassRatio = 1.0f;
  p.Preview();
  p.Create("Rig");
  ASSERT_TRUE(p.ui.messages.empty()) << p.ui.messages[0].text;
  const std::string file = p.CalFile("Rig.Frixa");
  const RecordedCounts run = ReadRunFileCounts(p.app.ProgramFile(kRunFileName));
  ASSERT_EQ(run.size(), 344u);

  EXPECT_EQ(Tool("mdb-tables", {"-1", file}), "RawData\nPointData\nLosses\nInfo\nRunCounts\n");
  std::string schema = "CREATE TABLE [RunCounts]\n (\n";
  for (const auto& column : RecordedCountsColumns()) {
    schema += (column == "Rundown" ? "\t[" : ", \n\t[") + column + "]\t\t\tLong Integer";
  }
  schema += "\n);";
  const std::string printed = Tool("mdb-schema", {"-T", kRecordedCountsTable, file, "access"});
  EXPECT_NE(printed.find(schema), std::string::npos) << printed;
  EXPECT_EQ(Tool("mdb-count", {file, kRecordedCountsTable}), "22\n");  // 344 counts, 16 to a row
  EXPECT_EQ(ExportedCounts(file), std::vector<RecordedCounts>{run});
  // frixa-cli lists and exports it like any other table.
  EXPECT_EQ(Tool(FRIXA_CLI_PATH, {"tables", file}), "RawData\nPointData\nLosses\nInfo\nRunCounts\n");
  const std::string ours = Tool(FRIXA_CLI_PATH, {"export", file, kRecordedCountsTable});
  const std::string theirs = Tool("mdb-export", {file, kRecordedCountsTable});
  EXPECT_GT(ours.size(), 22u * 16u * 5u);
  EXPECT_EQ(ours.substr(ours.find('\n')), theirs.substr(theirs.find('\n')));  // the rows, headers aside

  // The template's tables as the file before the times held them.
  const std::string old = p.CalFile("Old.Frixa");
  testing::WriteBytes(old, testing::GunzippedFile(testing::GoldenFile("Rig without times.Frixa.gz")));
  for (const std::string table : {"RawData", "PointData", "Losses", "Info"}) {
    const std::string exported = Tool("mdb-export", {file, table});
    EXPECT_GT(exported.size(), 20u) << table;
    EXPECT_EQ(exported, Tool("mdb-export", {old, table})) << table;
    EXPECT_EQ(Tool("mdb-schema", {"-T", table, file, "access"}), Tool("mdb-schema", {"-T", table, old, "access"}));
  }
  // The catalog: one more table object, three more permission rows.
  EXPECT_EQ(std::stoi(Tool("mdb-count", {file, "MSysObjects"})), std::stoi(Tool("mdb-count", {old, "MSysObjects"})) + 1);
  EXPECT_EQ(std::stoi(Tool("mdb-count", {file, "MSysACEs"})), std::stoi(Tool("mdb-count", {old, "MSysACEs"})) + 3);

  // A combined file: both rundowns, numbered.
  const std::string both = p.CalFile("Both.Frixa");
  CombineCalibrationFiles(p.ui, {file, file}, both, "12/9/2026");
  EXPECT_EQ(ExportedCounts(both), (std::vector<RecordedCounts>{run, run}));
  EXPECT_EQ(ReadRecordedCounts(both), (std::vector<RecordedCounts>{run, run}));
}

}  // namespace
}  // namespace frixa
