// Create end to end on simulated and hand-made rundowns: the four tables of the calibration
// file, the status log, the names the dialog may return, and the ways Create can fail.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>

#include "calfile/build_file.h"
#include "calfile/create_command.h"
#include "calfile/processing_phases.h"
#include "common/number_text.h"
#include "host/apply_command.h"
#include "run/revolution_calculator.h"
#include "support/calibration_fixture.h"
#include "support/jet_test_files.h"

namespace frixa {
namespace {

using testing::ProgramFolder;
using testing::ReadTable;
using testing::Rows;

float F(const FieldValue& v) { return v.AsSingle(); }

RundownModel ShortRundown() {
  RundownModel m;
  m.startRpm = 1500;
  m.endRpm = 600;
  m.frictionA = 6.0;  // steep enough that whole RPMs are skipped near the top
  return m;
}

class CreateTest : public ::testing::Test {
 protected:
  void CreateAs(const std::string& typed, PhaseMethod method = PhaseMethod::kDirect) {
    p.ui.fileNameAnswers.push_back(typed.empty() ? "" : p.CalFile(typed));
    CreateCalibrationFile(p.app, p.dc, method);
  }
  void ApplyAs(const std::string& name) {
    p.ui.fileNameAnswers.push_back(p.CalFile(name));
    ApplyCommand(p.app, p.dc);
  }
  ProgramFolder p;
};

TEST_F(CreateTest, StoresEveryRevolutionItsPointsTheCurveAndTheInformationRow) {
  const RundownModel model = ShortRundown();
  p.SimulateAndPreview(model);
  const float min = p.app.MinMassRPM;
  const float max = p.app.MaxMassRPM;
  ASSERT_LT(min, max);
  CreateAs("Rig 2");
  ASSERT_TRUE(p.ui.messages.empty()) << p.ui.messages[0].text;
  const std::string file = p.CalFile("Rig 2.Frixa");

  // RawData: one row per revolution from the third on, as the calculator computes them.
  const auto revolutions = SimulateRundown(model);
  RevolutionCalculator calc(1.25f);
  calc.Reset(WindowPrecision::Double);
  const Rows raw = ReadTable(file, "RawData");
  ASSERT_EQ(raw.size(), revolutions.size() - 2);
  for (std::size_t n = 0; n < revolutions.size(); ++n) {
    const double period = RunFileReader::Period(revolutions[n].record, 1.0f);
    const RevolutionResults r = calc.Step(period, static_cast<std::int32_t>(n));
    if (n < 2) continue;
    const auto& row = raw[n - 2];
    ASSERT_EQ(row[0].AsInteger(), static_cast<std::int32_t>(std::floor(r.rpm))) << n;
    ASSERT_EQ(F(row[1]), std::fabs(r.power)) << n;
    ASSERT_EQ(F(row[2]), std::fabs(r.torque)) << n;
  }

  // PointData: the mean per visited whole RPM, ascending.
  std::map<std::int32_t, std::pair<double, double>> sums;
  std::map<std::int32_t, int> counts;
  for (const auto& row : raw) {
    const std::int32_t rpm = row[0].AsInteger();
    sums[rpm].first += row[1].AsDouble();
    sums[rpm].second += row[2].AsDouble();
    ++counts[rpm];
  }
  const Rows points = ReadTable(file, "PointData");
  ASSERT_EQ(points.size(), sums.size());
  std::size_t i = 0;
  for (const auto& [rpm, s] : sums) {
    EXPECT_EQ(points[i][0].AsInteger(), rpm);
    EXPECT_EQ(F(points[i][1]), static_cast<float>(s.first / counts[rpm]));
    EXPECT_EQ(F(points[i][2]), static_cast<float>(s.second / counts[rpm]));
    ++i;
  }
  EXPECT_EQ(static_cast<float>(sums.begin()->first), min);
  EXPECT_EQ(static_cast<float>(sums.rbegin()->first), max);

  // Losses: every whole RPM of the range; points copied, gaps on the line between neighbours.
  const Rows losses = ReadTable(file, "Losses");
  ASSERT_EQ(losses.size(), static_cast<std::size_t>(max - min) + 1);
  int gaps = 0;
  for (std::size_t k = 0; k < losses.size(); ++k) {
    const std::int32_t rpm = static_cast<std::int32_t>(min) + static_cast<std::int32_t>(k);
    ASSERT_EQ(losses[k][0].AsInteger(), rpm);
    auto at = sums.find(rpm);
    if (at != sums.end()) {
      EXPECT_EQ(F(losses[k][1]), static_cast<float>(at->second.first / counts[rpm]));
      continue;
    }
    ++gaps;
    auto above = sums.upper_bound(rpm);
    auto below = std::prev(sums.lower_bound(rpm));
    const double y1 = static_cast<float>(below->second.first / counts[below->first]);
    const double y2 = static_cast<float>(above->second.first / counts[above->first]);
    const double expected =
        y1 + (rpm - below->first) * (y2 - y1) / (above->first - below->first);
    EXPECT_EQ(F(losses[k][1]), static_cast<float>(expected)) << rpm;
  }
  EXPECT_GT(gaps, 0) << "the rundown should skip some whole RPMs";

  // Info: one row with the run's settings.
  const Rows info = ReadTable(file, "Info");
  ASSERT_EQ(info.size(), 1u);
  EXPECT_EQ(info[0][0].AsDouble(), 1.25);
  EXPECT_EQ(info[0][1].AsDouble(), 1.0);
  EXPECT_EQ(F(info[0][2]), min);
  EXPECT_EQ(F(info[0][3]), max);
  EXPECT_EQ(info[0][4].AsText(), "12/9/2026");
  EXPECT_EQ(info[0][5].AsText(), "Version : 1.1.0");
  EXPECT_EQ(info[0][6].AsText(), " ");
}

TEST_F(CreateTest, StatusLogReadsLineByLine) {
  p.WriteRunAndPreview(testing::RecordsWithCounts({125000, 125000, 250000, 500000, 500000}));
  p.app.InertiaFactor = 1.5f;
  CreateAs("Rig 2");
  const std::string rule44(44, '-');
  const std::string rule45(45, '-');
  const std::vector<std::string> expected = {
      "Creating a Losses Cal File", rule44, "Filename : Rig 2.Frixa", "Setup : Data Structures",
      "", "Physics Processor", rule45, "Initialising Processor", "Initialising -  Done",
      "Rocessed  5 Revolutions", "Rundown Duration  1.5 Seconds", "", "Data Processor", rule45,
      "Phase 1 - Complete", "Phase 2 - Complete", "Phase 3 - Complete", "",
      "Minimum Mass RPM : " + SignedNumberText(p.app.MinMassRPM),
      "Maximium Mass RPM : " + SignedNumberText(p.app.MaxMassRPM), "Applied Inertia : 1.5", "",
      std::string(24, '*'), "Process Completed", std::string(24, '*')};
  EXPECT_EQ(p.ui.StatusLines(), expected);
  EXPECT_EQ(p.ui.processCaption, "Final Data Processing");
  ASSERT_EQ(p.ui.dialogs.size(), 1u);
  const FileDialogSettings& d = p.ui.dialogs[0];
  EXPECT_EQ(d.filter, "Frix Losses Files (*.Frixa)|*.Frixa|");
  EXPECT_EQ(d.fileName, "");
  EXPECT_EQ(d.initDir, p.CalFolder());
  EXPECT_EQ(d.flags, 8u);
  EXPECT_EQ(d.title, "Filename to save Losses Information to");
}

TEST_F(CreateTest, DirectAndStatementWaysWriteIdenticalFiles) {
  for (const double jitter : {0.0, 25.0}) {
    RundownModel model = ShortRundown();
    model.jitterUs = jitter;
    model.seed = 11;
    p.SimulateAndPreview(model);
    CreateAs("direct", PhaseMethod::kDirect);
    CreateAs("statements", PhaseMethod::kStatements);
    for (const char* table : {"RawData", "PointData", "Losses", "Info"}) {
      const Rows a = ReadTable(p.CalFile("direct.Frixa"), table);
      const Rows b = ReadTable(p.CalFile("statements.Frixa"), table);
      ASSERT_FALSE(a.empty()) << table;
      EXPECT_EQ(a, b) << table << " with jitter " << jitter;
    }
    EXPECT_TRUE(p.ui.messages.empty());
  }
}

// Forces the general row path (AddNew, SetField, Update per row; a full decode per field) for
// its lifetime.
struct GeneralRowPath {
  GeneralRowPath() { SetRowPath(RowPath::kGeneral); }
  ~GeneralRowPath() { SetRowPath(RowPath::kBulk); }
};

TEST_F(CreateTest, BulkAndGeneralRowPathsWriteTheSameFilesByteForByte) {
  RundownModel longer = ShortRundown();  // over 1,100 pages: reference usage maps
  longer.startRpm = 6000;
  longer.frictionA = 0.25;  // constant friction only, low: a long coast
  longer.frictionB = longer.frictionC = 0.0;
  longer.jitterUs = 2.0;
  RundownModel jittery = ShortRundown();
  jittery.jitterUs = 25.0;
  for (const RundownModel& model : {ShortRundown(), jittery, longer}) {
    {
      const double jitter = model.jitterUs;
      p.SimulateAndPreview(model);
      {
        const GeneralRowPath general;
        CreateAs("general");
        ApplyAs("general.Frixa");
      }
      const auto generalHost = testing::FileBytes(p.app.ProgramFile(kHostLossFileName));
      CreateAs("bulk");
      ApplyAs("bulk.Frixa");
      ASSERT_TRUE(p.ui.messages.empty()) << p.ui.messages[0].text;
      const auto bulk = testing::FileBytes(p.CalFile("bulk.Frixa"));
      EXPECT_GT(bulk.size(), model.startRpm > 2000 ? 1100u * 2048u : 2u * 2048u);
      EXPECT_TRUE(bulk == testing::FileBytes(p.CalFile("general.Frixa"))) << "jitter " << jitter;
      EXPECT_TRUE(testing::FileBytes(p.app.ProgramFile(kHostLossFileName)) == generalHost);
      EXPECT_EQ(ReadTable(p.CalFile("bulk.Frixa"), "Losses"), ReadTable(p.app.ProgramFile(kHostLossFileName), "Losses"));
    }
  }
}

TEST_F(CreateTest, NameGetsTheExtensionUnlessItEndsInExactlyFrixa) {
  p.SimulateAndPreview(ShortRundown());
  CreateAs("Rig 2.FRIXA");
  EXPECT_TRUE(std::filesystem::exists(p.CalFile("Rig 2.FRIXA.Frixa")));
  EXPECT_EQ(p.ui.StatusLines()[2], "Filename : Rig 2.Frixa");
  CreateAs("run.b.Frixa");
  EXPECT_TRUE(std::filesystem::exists(p.CalFile("run.b.Frixa")));
  EXPECT_FALSE(std::filesystem::exists(p.CalFile("run.b.Frixa.Frixa")));
  EXPECT_EQ(p.ui.StatusLines()[2], "Filename : run.Frixa");
}

TEST_F(CreateTest, CancelledDialogLeavesTheHeadingOnly) {
  p.SimulateAndPreview(ShortRundown());
  CreateAs("");
  EXPECT_EQ(p.ui.StatusLines(),
            (std::vector<std::string>{"Creating a Losses Cal File", std::string(44, '-')}));
  EXPECT_TRUE(std::filesystem::is_empty(p.CalFolder()));
}

TEST_F(CreateTest, AnExistingLongerFileIsReplacedWhole) {
  p.SimulateAndPreview(ShortRundown());
  const std::string file = p.CalFile("old.Frixa");
  testing::WriteBytes(file, std::vector<std::uint8_t>(4 << 20, 0xAB));
  CreateAs("old");
  EXPECT_TRUE(p.ui.messages.empty());
  EXPECT_LT(std::filesystem::file_size(file), std::uintmax_t{4 << 20});
  EXPECT_EQ(ReadTable(file, "Info").size(), 1u);
}

TEST_F(CreateTest, MissingCalibrationFolderShowsTheExtractionWarningThenCreatesError) {
  p.SimulateAndPreview(ShortRundown());
  std::filesystem::remove(p.CalFolder());
  CreateAs("Rig");
  ASSERT_EQ(p.ui.messages.size(), 2u);
  EXPECT_EQ(p.ui.messages[0].title, "Warning");
  EXPECT_EQ(p.ui.messages[0].icon, MessageIcon::Critical);
  EXPECT_NE(p.ui.messages[0].text.find(":Error in BuildFileFromResource.  Error Message: "),
            std::string::npos);
  EXPECT_EQ(p.ui.messages[1].title, "Frixa Data Processor");
  EXPECT_EQ(p.ui.messages[1].text.rfind("An ERROR (", 0), 0u);
  EXPECT_EQ(p.ui.messages[1].text.substr(p.ui.messages[1].text.size() - 13), ") has occured");
  EXPECT_EQ(p.ui.StatusLines().back(), "Setup : Data Structures");
}

TEST_F(CreateTest, CorruptRecordAfterAHundredKeepsNinetyEightRowsAndGoesOn) {
  std::vector<std::uint32_t> counts;
  for (int i = 0; i < 100; ++i) counts.push_back(50000 + static_cast<std::uint32_t>(i) * 40);
  p.WriteRunAndPreview(testing::RecordsWithCounts(counts));
  auto records = testing::RecordsWithCounts(counts);
  RunRecord bad = records.back();
  bad.marker = 'X';
  bad.countHigh = 1;
  bad.countMiddle = 1;
  bad.countLow = 1;
  records.push_back(bad);
  records.push_back(records.front());
  testing::WriteRunFile(p.app.ProgramFile(kRunFileName), records);
  CreateAs("cut");
  ASSERT_EQ(p.ui.messages.size(), 1u);
  EXPECT_EQ(p.ui.messages[0].text, "The Runtime Data is corrupt and cannot be processed");
  EXPECT_EQ(ReadTable(p.CalFile("cut.Frixa"), "RawData").size(), 98u);
  EXPECT_EQ(p.ui.StatusLines().back(), std::string(24, '*'));
}

TEST_F(CreateTest, ZeroCountFirstRecordEndsAsARunWithoutData) {
  p.WriteRunAndPreview(testing::RecordsWithCounts({0, 100000, 100100, 100200}));
  CreateAs("zero");
  ASSERT_EQ(p.ui.messages.size(), 2u);
  EXPECT_EQ(p.ui.messages[0].text, "An ERROR ( 6) has occured processing the Run data");
  EXPECT_EQ(p.ui.messages[0].title, "Torvex1 Data Processor");
  EXPECT_EQ(p.ui.messages[1].text, "No RUN DATA recorded");
  EXPECT_EQ(p.ui.messages[1].title, "Frixa Data Processor");
  EXPECT_EQ(p.ui.messages[1].icon, MessageIcon::Exclamation);
  EXPECT_EQ(p.ui.StatusLines().back(), "No Run Data - Terminating");
  // A Create that fails leaves no calibration file, and no temporary one either.
  EXPECT_TRUE(std::filesystem::is_empty(p.CalFolder()));
}

// A front end whose event loop, served during Create, tries to start other commands.
class ImpatientFrontend : public testing::RecordingFrontend {
 public:
  std::function<void()> onEvents;
  void DoEvents() override {
    RecordingFrontend::DoEvents();
    if (onEvents) onEvents();
  }
};

TEST(CreateGuard, NoSecondCommandStartsWhileCreateRuns) {
  testing::TempFolder folder;
  std::filesystem::create_directory(folder.File("Custom Cal"));
  ImpatientFrontend ui;
  App app(ui, folder.str());
  app.VersionText = kVersionText;
  app.InertiaFactor = 1.25f;
  app.SensorMassRatio = 1.0f;
  app.MinMassRPM = 590;
  app.MaxMassRPM = 600;
  WriteRundownFile(ShortRundown(), app.ProgramFile(kRunFileName));
  DataControls dc;
  int attempts = 0;
  ui.onEvents = [&] {
    ++attempts;
    CreateCalibrationFile(app, dc);
    ApplyCommand(app, dc);
  };
  ui.fileNameAnswers.push_back(folder.File("Custom Cal") + kPathSeparator + "one");
  CreateCalibrationFile(app, dc);
  EXPECT_GT(attempts, 0);
  EXPECT_EQ(ui.dialogs.size(), 1u);  // only the first Create ever asked for a name
  EXPECT_FALSE(app.commandRunning);
}

// ---- the phases on hand-made points --------------------------------------------------------

class PhaseTest : public ::testing::TestWithParam<PhaseMethod> {
 protected:
  void SetUp() override {
    file = p.CalFile("phase.Frixa");
    BuildFileFromResource(p.ui, file, 101, "MDB");
    Bind(p.dc.RD, file, "Select * From RawData");
    Bind(p.dc.PD, file, "Select * From PointData");
    Bind(p.dc.LD, file, "Select * From Losses");
  }
  void TearDown() override {
    for (RecordSet* rs : {&p.dc.RD, &p.dc.PD, &p.dc.LD}) Release(*rs);
  }
  void AddRow(RecordSet& rs, float rpm, float kw, float nm) {
    rs.AddNew();
    rs.SetField(0, FieldValue::Single(rpm));
    rs.SetField(1, FieldValue::Single(kw));
    rs.SetField(2, FieldValue::Single(nm));
    rs.Update();
  }
  Rows Losses() {
    Release(p.dc.LD);
    Rows rows = ReadTable(file, "Losses");
    Bind(p.dc.LD, file, "Select * From Losses");
    return rows;
  }
  ProgramFolder p;
  std::string file;
};

TEST_P(PhaseTest, AveragingTakesTheMeanPerRpmAndSkipsRpmsWithoutRows) {
  AddRow(p.dc.RD, 700, 1.0f, 10.0f);
  AddRow(p.dc.RD, 702, 4.0f, 40.0f);
  AddRow(p.dc.RD, 700, 2.0f, 20.0f);
  AddRow(p.dc.RD, 700, 6.0f, 30.0f);
  AddRow(p.dc.RD, 650, 9.0f, 9.0f);  // outside the range
  p.app.MinMassRPM = 700;
  p.app.MaxMassRPM = 702;
  EXPECT_EQ(AverageRawData(p.app, p.dc, GetParam()), 2);
  const Rows points = ReadTable(file, "PointData");
  ASSERT_EQ(points.size(), 2u);
  EXPECT_EQ(points[0][0].AsInteger(), 700);
  EXPECT_EQ(F(points[0][1]), 3.0f);
  EXPECT_EQ(F(points[0][2]), 20.0f);
  EXPECT_EQ(points[1][0].AsInteger(), 702);
  EXPECT_EQ(F(points[1][1]), 4.0f);
  EXPECT_EQ(p.ui.StatusLines().back(), "Phase 1 - Complete");
}

TEST_P(PhaseTest, EmptyRangeAveragesNothingButCompletes) {
  AddRow(p.dc.RD, 700, 1.0f, 10.0f);
  p.app.MinMassRPM = 100000;
  p.app.MaxMassRPM = 0;
  EXPECT_EQ(AverageRawData(p.app, p.dc, GetParam()), 0);
  BuildLossCurve(p.app, p.dc, GetParam());
  EXPECT_TRUE(ReadTable(file, "PointData").empty());
  EXPECT_TRUE(Losses().empty());
  EXPECT_EQ(p.ui.StatusLines().back(), "Phase 2 - Complete");
}

TEST_P(PhaseTest, GapsFollowTheLineAndTheEndsCarryTheNearestPoint) {
  AddRow(p.dc.PD, 100, 2.0f, 20.0f);
  AddRow(p.dc.PD, 104, 4.0f, 40.0f);
  AddRow(p.dc.PD, 105, 5.0f, 50.0f);
  AddRow(p.dc.PD, 107, 1.0f, 10.0f);
  p.app.MinMassRPM = 98;
  p.app.MaxMassRPM = 109;
  BuildLossCurve(p.app, p.dc, GetParam());
  const Rows rows = Losses();
  const std::vector<std::pair<int, float>> expected = {
      {98, 2.0f},  {99, 2.0f},  {100, 2.0f}, {101, 2.5f}, {102, 3.0f}, {103, 3.5f},
      {104, 4.0f}, {105, 5.0f}, {106, 3.0f}, {107, 1.0f}, {108, 1.0f}, {109, 1.0f}};
  ASSERT_EQ(rows.size(), expected.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i][0].AsInteger(), expected[i].first);
    EXPECT_EQ(F(rows[i][1]), expected[i].second) << expected[i].first;
    EXPECT_EQ(F(rows[i][2]), expected[i].second * 10.0f) << expected[i].first;
  }
  EXPECT_TRUE(p.ui.messages.empty());
}

TEST_P(PhaseTest, CurveWithoutAnyPointIsARunWithoutData) {
  p.app.MinMassRPM = 0;
  p.app.MaxMassRPM = 0;
  EXPECT_THROW(BuildLossCurve(p.app, p.dc, GetParam()), NoRunData);
}

INSTANTIATE_TEST_SUITE_P(BothWays, PhaseTest,
                         ::testing::Values(PhaseMethod::kDirect, PhaseMethod::kStatements));

}  // namespace
}  // namespace frixa
