// The calibration commands end to end through frixa-cli, with Debian's mdbtools reading the
// files they write: simulate, create, apply, remove, info.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>

#include "recordset/data_controls.h"
#include "recordset/record_set.h"
#include "support/run_files.h"
#include "support/shell_run.h"

namespace frixa {
namespace {

using Output = testing::ShellOutput;

std::string Quote(const std::string& s) { return testing::ShellQuote(s); }
Output Shell(const std::string& command) { return testing::RunShell(command, /*withStderr=*/false); }
std::string Cli(const std::string& args) { return testing::CliCommand(args); }

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string Cell(const FieldValue& v) {
  char buf[64];
  switch (v.kind()) {
    case FieldValue::Kind::kNull: return "";
    case FieldValue::Kind::kInteger: return std::to_string(v.AsInteger());
    case FieldValue::Kind::kSingle: std::snprintf(buf, sizeof buf, "%.8g", v.AsDouble()); return buf;
    case FieldValue::Kind::kDouble: std::snprintf(buf, sizeof buf, "%.16g", v.AsDouble()); return buf;
    default: return v.AsText();
  }
}

// Our reader's rows of `table` as mdb-export prints them ("|" between fields, no quotes).
std::vector<std::string> OurRows(const std::string& file, const std::string& table) {
  RecordSet rs;
  Bind(rs, file, "Select * From " + table);
  std::vector<std::string> rows;
  for (; !rs.Eof(); rs.MoveNext()) {
    std::string line;
    for (int i = 0; i < rs.FieldCount(); ++i) line += (i ? "|" : "") + Cell(rs.Fields(i));
    rows.push_back(line);
  }
  Release(rs);
  return rows;
}

std::vector<std::string> MdbRows(const std::string& file, const std::string& table) {
  const Output o = Shell("mdb-export -H -Q -d '|' " + Quote(file) + " " + table);
  EXPECT_EQ(o.status, 0);
  return Lines(o.out);
}

class CalibrationCli : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = folder.str();
    std::filesystem::create_directory(folder.File("Custom Cal"));
    ASSERT_EQ(Shell(Cli("simulate --out " + Quote(folder.File("Torvex2.000")) +
                      " --seed 7 --jitter-us 3 --start-rpm 2000 --end-rpm 500"))
                  .status,
              0);
  }
  std::string Cal(const std::string& name) { return folder.File("Custom Cal") + "/" + name; }
  testing::TempFolder folder;
  std::string dir;
};

TEST_F(CalibrationCli, CreatedAndAppliedFilesReadTheSameInMdbtools) {
  const Output create =
      Shell(Cli("create --folder " + Quote(dir) + " --inertia 1.25 --ratio 1 --out Rig"));
  ASSERT_EQ(create.status, 0) << create.out;
  const auto log = Lines(create.out);
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log.front(), "Creating a Losses Cal File");
  EXPECT_EQ(log[log.size() - 2], "Process Completed");
  const std::string file = Cal("Rig.Frixa");
  for (const char* table : {"RawData", "PointData", "Losses", "Info"}) {
    const auto ours = OurRows(file, table);
    EXPECT_EQ(MdbRows(file, table), ours) << table;
    EXPECT_EQ(Shell("mdb-count " + Quote(file) + " " + table).out,
              std::to_string(ours.size()) + "\n")
        << table;
  }
  EXPECT_EQ(OurRows(file, "Info").size(), 1u);

  const Output apply = Shell(Cli("apply --folder " + Quote(dir) + " Rig"));
  ASSERT_EQ(apply.status, 0) << apply.out;
  const std::string host = folder.File("Torvex2.005");
  EXPECT_EQ(MdbRows(host, "Losses"), OurRows(file, "Losses"));
  EXPECT_EQ(Shell("mdb-tables -1 " + Quote(host)).out, "Losses\n");

  const Output info = Shell(Cli("info " + Quote(file)));
  ASSERT_EQ(info.status, 0);
  EXPECT_EQ(Lines(info.out)[0], "Applied Moment of Inertia: 01.2500000 Kg/M^2");
  EXPECT_EQ(Lines(info.out)[1], "Pulses / Revolution: 1.0000000");
}

TEST_F(CalibrationCli, RemoveAsksAndOnlyYesDeletes) {
  ASSERT_EQ(Shell(Cli("create --folder " + Quote(dir) + " --inertia 1.25 --ratio 1 --out R")).status, 0);
  ASSERT_EQ(Shell(Cli("apply --folder " + Quote(dir) + " R")).status, 0);
  const std::string host = folder.File("Torvex2.005");
  EXPECT_EQ(Lines(Shell(Cli("remove --folder " + Quote(dir))).out).size(), 2u);
  EXPECT_TRUE(std::filesystem::exists(host));
  EXPECT_EQ(Lines(Shell(Cli("remove --folder " + Quote(dir) + " --yes")).out).back(),
            "Torvex Losses : Disabled");
  EXPECT_FALSE(std::filesystem::exists(host));
  EXPECT_EQ(Lines(Shell(Cli("remove --folder " + Quote(dir) + " --yes")).out).back(),
            "Already inactive....");
}

TEST_F(CalibrationCli, ApplyOfAFileThatIsNotADatabaseFailsWithExitOne) {
  testing::WriteBytes(Cal("junk.Frixa"), std::vector<std::uint8_t>(3000, 7));
  EXPECT_EQ(Shell(Cli("apply --folder " + Quote(dir) + " junk")).status, 1);
  EXPECT_FALSE(std::filesystem::exists(folder.File("Torvex2.005")));
  EXPECT_EQ(Shell(Cli("create --folder " + Quote(dir))).status, 2);
}

TEST_F(CalibrationCli, MicrosecondRevolutionsEndCreateAsARunWithoutData) {
  testing::WriteRunFile(folder.File("Torvex2.000"),
                        testing::RecordsWithCounts(std::vector<std::uint32_t>(30, 1)));
  const Output create =
      testing::RunShell(Cli("create --folder " + Quote(dir) + " --inertia 1.25 --ratio 1 --out Fast"));
  EXPECT_EQ(create.status, 1);  // refused: its message is an error message
  EXPECT_NE(create.out.find("No Run Data - Terminating\n"), std::string::npos) << create.out;
  EXPECT_NE(create.out.find("Frixa Data Processor: No RUN DATA recorded"), std::string::npos);
  EXPECT_TRUE(std::filesystem::is_empty(folder.File("Custom Cal")));
}

// The JSON object's value for `key`, as text.
std::string JsonValue(const std::string& json, const std::string& key) {
  const auto at = json.find("\"" + key + "\": ");
  if (at == std::string::npos) return "(missing " + key + ")";
  const auto start = at + key.size() + 4;
  return json.substr(start, json.find_first_of(",}", start) - start);
}

TEST_F(CalibrationCli, AnalyzeAndSmoothAFileThatMdbtoolsReads) {
  ASSERT_EQ(Shell(Cli("create --folder " + Quote(dir) + " --inertia 1.25 --ratio 1 --out Rig")).status, 0);
  const std::string file = Cal("Rig.Frixa");
  const auto raw = OurRows(file, "RawData");
  const auto losses = OurRows(file, "Losses");

  const Output json = Shell(Cli("analyze --format json " + Quote(file)));
  ASSERT_EQ(json.status, 0);
  EXPECT_EQ(JsonValue(json.out, "rows"), std::to_string(raw.size()));
  EXPECT_EQ(JsonValue(json.out, "settled"), std::to_string(raw.size() - 19));
  EXPECT_EQ(JsonValue(json.out, "rpm_low"), losses.front().substr(0, losses.front().find('|')));
  EXPECT_EQ(JsonValue(json.out, "rpm_high"), losses.back().substr(0, losses.back().find('|')));
  // The simulator's default friction: A 1.5 N m, B 0.004, C 0.00002.
  EXPECT_NEAR(std::stod(JsonValue(json.out, "a")), 1.5, 0.05);
  EXPECT_NEAR(std::stod(JsonValue(json.out, "b")), 0.004, 0.001);
  EXPECT_NEAR(std::stod(JsonValue(json.out, "c")), 0.00002, 0.000005);
  for (const char* key : {"r2", "rms", "max_dev_pct", "verdict"}) {
    EXPECT_EQ(JsonValue(json.out, key).find("(missing"), std::string::npos) << key;
  }
  const Output text = Shell(Cli("analyze " + Quote(file)));
  ASSERT_EQ(text.status, 0);
  // Its recorded times fit soundly.
  EXPECT_EQ(Lines(text.out).back().rfind("Verdict: SOUND", 0), 0u) << text.out;

  const Output smooth = Shell(Cli("smooth " + Quote(file) + " --out Smooth"));
  ASSERT_EQ(smooth.status, 0) << smooth.out;
  const std::string smoothed = Cal("Smooth.Frixa");
  for (const char* table : {"RawData", "PointData", "Losses", "Info"}) {
    EXPECT_EQ(MdbRows(smoothed, table), OurRows(smoothed, table)) << table;
  }
  EXPECT_EQ(MdbRows(smoothed, "RawData"), MdbRows(file, "RawData"));
  EXPECT_EQ(MdbRows(smoothed, "PointData"), MdbRows(file, "PointData"));
  EXPECT_EQ(MdbRows(smoothed, "Losses").size(), losses.size());
  const std::string info = MdbRows(smoothed, "Info").at(0);
  EXPECT_EQ(info.substr(info.rfind('|') + 1), "Smoothed from Rig");
  // Apply takes it like any other calibration file.
  EXPECT_EQ(Shell(Cli("apply --folder " + Quote(dir) + " Smooth.Frixa")).status, 0);
  EXPECT_EQ(MdbRows(folder.File("Torvex2.005"), "Losses"), MdbRows(smoothed, "Losses"));
}

TEST_F(CalibrationCli, AnalyzeAndSmoothOfAOneRpmRunSayWhyAndWriteNothing) {
  testing::WriteRunFile(folder.File("Torvex2.000"),
                        testing::RecordsWithCounts(std::vector<std::uint32_t>(40, 100000)));
  ASSERT_EQ(Shell(Cli("create --folder " + Quote(dir) + " --inertia 1.25 --ratio 1 --out Flat")).status, 0);
  const Output analyze = testing::RunShell(Cli("analyze " + Quote(Cal("Flat.Frixa"))));
  EXPECT_EQ(analyze.status, 1);
  EXPECT_NE(analyze.out.find("fewer than three different RPMs"), std::string::npos) << analyze.out;
  const Output smooth = testing::RunShell(Cli("smooth " + Quote(Cal("Flat.Frixa")) + " --out S"));
  EXPECT_EQ(smooth.status, 1);
  EXPECT_NE(smooth.out.find("fewer than three different RPMs: no friction model can be fitted "
                            "(error 1001)\n"),
            std::string::npos)
      << smooth.out;
  EXPECT_FALSE(std::filesystem::exists(Cal("S.Frixa")));
}

// A drum rundown with every fault of real timing: create logs the repairs it made once, right
// after the run pass's summary lines, counted as simulate put the faults in; one made of faults
// only is processed as recorded and says so, and the file is still complete.
TEST_F(CalibrationCli, CreateOfAFaultedRunLogsItsRepairsAndOneOfFaultsOnlySaysSo) {
  const std::string drum = " --inertia 10 --friction 0.6,0.004,0.0003 --start-rpm 380 --end-rpm 0";
  const Output sim = Shell(Cli("simulate --out " + Quote(folder.File("Torvex2.000")) + drum +
                               " --double-trigger-rate 0.02 --missed-pulse-rate 0.01 --driven-revs 150"));
  ASSERT_EQ(sim.status, 0);
  long bounces = 0, missed = 0, driven = 0;
  ASSERT_EQ(std::sscanf(Lines(sim.out).at(1).c_str(),
                        "faults: %ld double triggers, %ld missed pulses, %ld driven revolutions",
                        &bounces, &missed, &driven),
            3)
      << sim.out;
  const Output create =
      Shell(Cli("create --folder " + Quote(dir) + " --inertia 10 --ratio 1 --out Drum"));
  ASSERT_EQ(create.status, 0) << create.out;
  const std::vector<std::string> lines = Lines(create.out);
  const auto at = std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
    return l.rfind("Repaired Records :", 0) == 0;
  });
  ASSERT_NE(at, lines.end()) << create.out;
  EXPECT_EQ((at - 1)->rfind("Rundown Duration  ", 0), 0u);
  long merged = 0, split = 0, leftOut = 0;
  ASSERT_EQ(std::sscanf(at->c_str(), "Repaired Records : %ld merged, %ld split, %ld left out",
                        &merged, &split, &leftOut),
            3);
  EXPECT_LE(std::labs(merged - bounces), bounces / 10);
  EXPECT_LE(std::labs(split - missed), missed / 10);
  EXPECT_LE(std::labs(leftOut - driven), driven / 10);
  EXPECT_EQ(MdbRows(Cal("Drum.Frixa"), "Info").size(), 1u);

  ASSERT_EQ(Shell(Cli("simulate --out " + Quote(folder.File("Torvex2.000")) + drum +
                      " --double-trigger-rate 0.5 --missed-pulse-rate 0.2"))
                .status,
            0);
  const Output faults =
      Shell(Cli("create --folder " + Quote(dir) + " --inertia 10 --ratio 1 --out Faults"));
  ASSERT_EQ(faults.status, 0) << faults.out;
  EXPECT_NE(faults.out.find("\nRepaired Records : none - too many faults to repair, processed as "
                            "recorded\n\nData Processor\n"),
            std::string::npos)
      << faults.out;
  EXPECT_EQ(MdbRows(Cal("Faults.Frixa"), "Info").size(), 1u);
}

}  // namespace
}  // namespace frixa
