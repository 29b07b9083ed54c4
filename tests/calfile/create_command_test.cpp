// Create end to end on simulated and hand-made rundowns: the four tables of the calibration
// file, the status log, the names the dialog may return, and the ways Create can fail.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <new>
#include <stdexcept>

#include "calfile/averaging.h"
#include "calfile/create_command.h"
#include "calfile/loss_curve.h"
#include "calfile/processing_phases.h"
#include "calfile/recorded_counts.h"
#include "common/error.h"
#include "common/number_text.h"
#include "host/apply_command.h"
#include "host/remove_command.h"
#include "recordset/new_table.h"
#include "run/revolution_calculator.h"
#include "support/calibration_fixture.h"
#include "support/jet_test_files.h"
#include "support/row_model.h"
#include "support/statement_phases_model.h"
#include "templates/build_file.h"
#include "templates/templates.h"

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
  CommandOutcome CreateAs(const std::string& typed) {
    p.ui.fileNameAnswers.push_back(typed.empty() ? "" : p.CalFile(typed));
    return CreateCalibrationFile(p.app, p.dc, PreviewedRange(p.app));
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

  // Losses: every whole RPM of the range, from the points at RPMs that a settled revolution
  // (RawData's row 19 on) reached: those copied, gaps on the line between neighbours, the top
  // of the range above the highest settled point carrying that point bit for bit.
  std::map<std::int32_t, float> curve;  // the points the curve rests on (power)
  for (std::size_t k = kFirstSettledRawRow; k < raw.size(); ++k) {
    const std::int32_t rpm = raw[k][0].AsInteger();
    curve[rpm] = static_cast<float>(sums[rpm].first / counts[rpm]);
  }
  ASSERT_LT(curve.size(), sums.size()) << "the start revolutions should reach RPMs of their own";
  const std::int32_t topSettled = curve.rbegin()->first;
  ASSERT_LT(static_cast<float>(topSettled), max);
  const Rows losses = ReadTable(file, "Losses");
  ASSERT_EQ(losses.size(), static_cast<std::size_t>(max - min) + 1);
  int gaps = 0;
  for (std::size_t k = 0; k < losses.size(); ++k) {
    const std::int32_t rpm = static_cast<std::int32_t>(min) + static_cast<std::int32_t>(k);
    ASSERT_EQ(losses[k][0].AsInteger(), rpm);
    if (rpm >= topSettled) {
      const auto& top = points[std::distance(sums.begin(), sums.find(topSettled))];
      EXPECT_EQ(losses[k][1], top[1]) << rpm;
      EXPECT_EQ(losses[k][2], top[2]) << rpm;
      continue;
    }
    auto at = curve.find(rpm);
    if (at != curve.end()) {
      EXPECT_EQ(F(losses[k][1]), at->second);
      continue;
    }
    ++gaps;
    auto above = curve.upper_bound(rpm);
    auto below = std::prev(curve.lower_bound(rpm));
    const double y1 = below->second;
    const double y2 = above->second;
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

// Create reads RawData and PointData once each; the statement model runs an aggregate per RPM
// and one-row lookups, as the phases are defined. Both write the same file, byte for byte.
TEST_F(CreateTest, WritesTheStatementModelsFileByteForByte) {
  for (const double jitter : {0.0, 25.0}) {
    RundownModel model = ShortRundown();
    model.jitterUs = jitter;
    model.seed = 11;
    p.SimulateAndPreview(model);
    const RpmRange range = PreviewedRange(p.app);
    // Create works over the range it is given, whatever App holds.
    p.app.MinMassRPM = 0.0f;
    p.app.MaxMassRPM = 0.0f;
    p.ui.fileNameAnswers.push_back(p.CalFile("product"));
    CreateCalibrationFile(p.app, p.dc, range);
    ASSERT_TRUE(p.ui.messages.empty()) << p.ui.messages[0].text;
    testing::ModelCreate(p.app, range, p.CalFile("model.Frixa"));
    for (const char* table : {"RawData", "PointData", "Losses", "Info"}) {
      const Rows a = ReadTable(p.CalFile("product.Frixa"), table);
      const Rows b = ReadTable(p.CalFile("model.Frixa"), table);
      ASSERT_FALSE(a.empty()) << table;
      EXPECT_EQ(a, b) << table << " with jitter " << jitter;
    }
    EXPECT_EQ(F(ReadTable(p.CalFile("product.Frixa"), "Info")[0][3]), range.MaxMassRPM);
    EXPECT_TRUE(testing::FileBytes(p.CalFile("product.Frixa")) ==
                testing::FileBytes(p.CalFile("model.Frixa")))
        << "jitter " << jitter;
    EXPECT_TRUE(p.ui.messages.empty());
  }
}

// Create and Apply write their tables of numbers in bulk and read them typed; the model writes
// the same rows one at a time (AddNew, SetField, Update) into the same templates and reads every
// field through a full decode. Their files and numbers are the same, byte for byte.
TEST_F(CreateTest, BulkRowsWriteTheFilesThatTheOneRowAtATimeModelWrites) {
  RundownModel longer = ShortRundown();  // over 1,100 pages: reference usage maps
  longer.startRpm = 6000;
  longer.frictionA = 0.25;  // constant friction only, low: a long coast
  longer.frictionB = longer.frictionC = 0.0;
  longer.jitterUs = 2.0;
  RundownModel jittery = ShortRundown();
  jittery.jitterUs = 25.0;
  for (const RundownModel& model : {ShortRundown(), jittery, longer}) {
    const double jitter = model.jitterUs;
    p.SimulateAndPreview(model);
    CreateAs("bulk");
    ApplyAs("bulk.Frixa");
    ASSERT_TRUE(p.ui.messages.empty()) << p.ui.messages[0].text;
    const std::string made = p.CalFile("bulk.Frixa");
    const auto bulk = testing::FileBytes(made);
    EXPECT_GT(bulk.size(), model.startRpm > 2000 ? 1100u * 2048u : 2u * 2048u);

    const std::string calModel = p.CalFile("model.Frixa");
    testing::WriteBytes(calModel, *BuildTemplate(kCalibrationTemplateId));
    testing::CopyOneByOne(made, calModel, {"RawData", "PointData", "Losses", "Info"}, true);
    AddLongTable(calModel, kRecordedCountsTable, RecordedCountsColumns());
    testing::CopyOneByOne(made, calModel, {kRecordedCountsTable}, true);
    EXPECT_TRUE(bulk == testing::FileBytes(calModel)) << "jitter " << jitter;
    const std::string hostModel = p.CalFile("model.005");
    testing::WriteBytes(hostModel, *BuildTemplate(kHostTemplateId));
    testing::CopyOneByOne(made, hostModel, {"Losses"}, false);
    EXPECT_TRUE(testing::FileBytes(p.app.ProgramFile(kHostLossFileName)) == testing::FileBytes(hostModel));
    EXPECT_EQ(ReadTable(made, "Losses"), ReadTable(p.app.ProgramFile(kHostLossFileName), "Losses"));

    for (const char* table : {"RawData", "PointData", "Losses"}) {
      RecordSet rs;
      Bind(rs, made, std::string("Select * From ") + table);
      std::vector<RowNumber> typed;
      rs.ForEachNumberRow([&](std::span<const RowNumber> row) { typed.insert(typed.end(), row.begin(), row.end()); });
      ASSERT_FALSE(typed.empty()) << table;
      EXPECT_TRUE(typed == testing::NumbersOneByOne(rs)) << table << " with jitter " << jitter;
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
  EXPECT_EQ(CreateAs(""), CommandOutcome::Cancelled());
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
  // Completed, with the physics processor's failure told on the way.
  EXPECT_EQ(CreateAs("cut"),
            (CommandOutcome{CommandEnd::kCompleted, errnum::kCorruptRunData, true}));
  ASSERT_EQ(p.ui.messages.size(), 1u);
  EXPECT_EQ(p.ui.messages[0].text, "The Runtime Data is corrupt and cannot be processed");
  EXPECT_EQ(ReadTable(p.CalFile("cut.Frixa"), "RawData").size(), 98u);
  EXPECT_EQ(p.ui.StatusLines().back(), std::string(24, '*'));
}

TEST_F(CreateTest, ZeroCountFirstRecordEndsAsARunWithoutData) {
  p.WriteRunAndPreview(testing::RecordsWithCounts({0, 100000, 100100, 100200}));
  EXPECT_EQ(CreateAs("zero"), CommandOutcome::Refused(errnum::kNoRunData, true));
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

// Memory running out (or a size no allocation can meet) in any step of Create is error 7 in
// that step's own message; any other unexpected failure is error 51. The command then ends as
// after any error: no calibration file, nothing left running.
TEST_F(CreateTest, MemoryExhaustedInAnyStepIsErrorSevenInThatStepsMessage) {
  p.SimulateAndPreview(ShortRundown());
  struct Case {
    const char* call;
    std::function<void()> fail;
    std::vector<std::string> texts;
    const char* title;
    CommandOutcome outcome;
  };
  const std::vector<Case> cases = {
      {"SetProcessCaption:Raw Data Processing", [] { throw std::bad_alloc(); },
       {"An ERROR ( 7) has occured processing the Run data", "No RUN DATA recorded"},
       "Torvex1 Data Processor", CommandOutcome::Refused(errnum::kNoRunData, true)},
      {"SetProcessCaption:Data Averaging", [] { throw std::bad_alloc(); },
       {"An ERROR ( 7) has occured"}, "Frixa Data Processor",
       CommandOutcome::Failed(errnum::kOutOfMemory, true)},
      {"SetProcessCaption:Final Data Processing",
       [] { throw std::length_error("vector::_M_default_append"); },
       {"An ERROR ( 7) has occured"}, "Frixa Data Processor",
       CommandOutcome::Failed(errnum::kOutOfMemory, true)},
      {"AppendStatusLine:Setup : Data Structures", [] { throw std::runtime_error("unexpected"); },
       {"An ERROR ( 51) has occured"}, "Frixa Data Processor",
       CommandOutcome::Failed(errnum::kInternalError, true)},
  };
  for (const Case& c : cases) {
    p.ui.messages.clear();
    p.ui.onCall = [&c](const std::string& call) {
      if (call == c.call) c.fail();
    };
    EXPECT_EQ(CreateAs("Rig"), c.outcome) << c.call;
    p.ui.onCall = nullptr;
    ASSERT_EQ(p.ui.messages.size(), c.texts.size()) << c.call;
    for (std::size_t i = 0; i < c.texts.size(); ++i) {
      EXPECT_EQ(p.ui.messages[i].text, c.texts[i]) << c.call;
      EXPECT_EQ(p.ui.messages[i].icon, MessageIcon::Exclamation) << c.call;
    }
    EXPECT_EQ(p.ui.messages[0].title, c.title) << c.call;
    EXPECT_TRUE(std::filesystem::is_empty(p.CalFolder())) << c.call;
    EXPECT_FALSE(p.app.commandRunning) << c.call;
  }
  // The same program goes on to a Create that works.
  EXPECT_EQ(CreateAs("Rig"), CommandOutcome::Completed());
  EXPECT_EQ(p.ui.StatusLines()[p.ui.StatusLines().size() - 2], "Process Completed");
  EXPECT_TRUE(std::filesystem::exists(p.CalFile("Rig.Frixa")));
}

TEST_F(CreateTest, TwentyOneRecordsKeepEveryPointTwentyTwoRestOnTheSettledOne) {
  // Periods growing by 5 % a record: the start revolutions reach RPMs of their own.
  for (const std::size_t records : {std::size_t{21}, std::size_t{22}}) {
    std::vector<std::uint32_t> counts;
    for (std::size_t k = 0; k < records; ++k) {
      counts.push_back(static_cast<std::uint32_t>(100000.0 * std::pow(1.05, k)));
    }
    p.WriteRunAndPreview(testing::RecordsWithCounts(counts));
    const std::string name = "run" + std::to_string(records);
    CreateAs(name);
    ASSERT_TRUE(p.ui.messages.empty()) << records;
    const std::string file = p.CalFile(name + ".Frixa");
    const Rows raw = ReadTable(file, "RawData");
    const Rows points = ReadTable(file, "PointData");
    const Rows losses = ReadTable(file, "Losses");
    ASSERT_EQ(raw.size(), records - 2);
    ASSERT_GT(points.size(), 5u) << records;
    ASSERT_EQ(losses.size(), static_cast<std::size_t>(p.app.MaxMassRPM - p.app.MinMassRPM) + 1);
    if (records == 21) {
      // No revolution settled: the curve passes through every point.
      for (const auto& point : points) {
        const auto& row = losses[point[0].AsInteger() - losses.front()[0].AsInteger()];
        EXPECT_EQ(row[0], point[0]);
        EXPECT_EQ(row[1], point[1]);
        EXPECT_EQ(row[2], point[2]);
      }
    } else {
      // Revolution 21 alone settled: its point carries the whole range.
      const std::int32_t settled = raw.back()[0].AsInteger();
      const auto point = std::find_if(points.begin(), points.end(), [&](const auto& pt) {
        return pt[0].AsInteger() == settled;
      });
      ASSERT_NE(point, points.end());
      for (const auto& row : losses) {
        EXPECT_EQ(row[1], (*point)[1]) << row[0].AsInteger();
        EXPECT_EQ(row[2], (*point)[2]) << row[0].AsInteger();
      }
    }
  }
}

TEST_F(CreateTest, MicrosecondRevolutionsEndAsARunWithoutDataInBoundedTime) {
  // 60,000,000 RPM: above the graph pass's starting lowest of 100,000, so the range reaches
  // from there to the top, far wider than the phases take.
  p.WriteRunAndPreview(testing::RecordsWithCounts(std::vector<std::uint32_t>(30, 1)));
  ASSERT_EQ(p.app.MinMassRPM, 100000.0f);
  ASSERT_GT(static_cast<double>(p.app.MaxMassRPM) - 100000.0, static_cast<double>(kMaxRpmRange));
  EXPECT_EQ(CreateAs("fast"), CommandOutcome::Refused(errnum::kNoRunData, true));
  ASSERT_EQ(p.ui.messages.size(), 1u);
  EXPECT_EQ(p.ui.messages[0].text, "No RUN DATA recorded");
  EXPECT_EQ(p.ui.messages[0].title, "Frixa Data Processor");
  EXPECT_EQ(p.ui.StatusLines().back(), "No Run Data - Terminating");
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
  const RpmRange range{590, 600};
  WriteRundownFile(ShortRundown(), app.ProgramFile(kRunFileName));
  DataControls dc;
  testing::WriteBytes(app.ProgramFile(kHostLossFileName), {1, 2, 3});
  int attempts = 0;
  ui.onEvents = [&] {
    ++attempts;
    // Each refuses while Create runs, silently.
    EXPECT_EQ(CreateCalibrationFile(app, dc, range), CommandOutcome::Refused(0, false));
    EXPECT_EQ(ApplyCommand(app, dc), CommandOutcome::Refused(0, false));
    EXPECT_EQ(RemoveCommand(app), CommandOutcome::Refused(0, false));
  };
  ui.fileNameAnswers.push_back(folder.File("Custom Cal") + kPathSeparator + "one");
  CreateCalibrationFile(app, dc, range);
  EXPECT_GT(attempts, 0);
  EXPECT_EQ(ui.dialogs.size(), 1u);  // only the first Create ever asked for a name
  // Remove neither asked its question nor touched the host file or Create's log.
  for (const auto& m : ui.messages) EXPECT_NE(m.text, "Are you sure ??");
  EXPECT_TRUE(std::filesystem::exists(app.ProgramFile(kHostLossFileName)));
  const auto log = ui.StatusLines();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.front(), "Creating a Losses Cal File");
  EXPECT_EQ(std::count(log.begin(), log.end(), "Disabling Losses Calibration"), 0);
  EXPECT_FALSE(app.commandRunning);
}

// ---- the phases on hand-made points --------------------------------------------------------

// Averaging and the loss curve one way: the product's, or the statement model's.
struct PhaseWay {
  const char* name;
  long (*average)(Frontend&, const RpmRange&, DataControls&);
  void (*curve)(Frontend&, const RpmRange&, DataControls&);
};

const PhaseWay kProductWay = {
    "Product",
    [](Frontend& ui, const RpmRange& range, DataControls& dc) {
      return AverageRawData(ui, range, dc.RD, dc.PD);
    },
    [](Frontend& ui, const RpmRange& range, DataControls& dc) {
      BuildLossCurve(ui, range, dc.RD, dc.PD, dc.LD);
    }};
const PhaseWay kModelWay = {
    "StatementModel",
    [](Frontend& ui, const RpmRange& range, DataControls& dc) {
      return testing::ModelAverageRawData(ui, range, dc.RD, dc.PD);
    },
    [](Frontend& ui, const RpmRange& range, DataControls& dc) {
      testing::ModelBuildLossCurve(ui, range, dc.RD, dc.PD, dc.LD);
    }};

class PhaseTest : public ::testing::TestWithParam<PhaseWay> {
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
  long Average(const RpmRange& range) { return GetParam().average(p.ui, range, p.dc); }
  void Curve(const RpmRange& range) { GetParam().curve(p.ui, range, p.dc); }
  // Rows of (RPM, power, torque), compared exactly.
  static void ExpectRows(const Rows& rows, const std::vector<std::array<double, 3>>& expected) {
    ASSERT_EQ(rows.size(), expected.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
      EXPECT_EQ(rows[i][0].AsInteger(), static_cast<std::int32_t>(expected[i][0]));
      EXPECT_EQ(rows[i][1].AsDouble(), expected[i][1]) << expected[i][0];
      EXPECT_EQ(rows[i][2].AsDouble(), expected[i][2]) << expected[i][0];
    }
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
  EXPECT_EQ(Average({700, 702}), 2);
  const Rows points = ReadTable(file, "PointData");
  ASSERT_EQ(points.size(), 2u);
  EXPECT_EQ(points[0][0].AsInteger(), 700);
  EXPECT_EQ(F(points[0][1]), 3.0f);
  EXPECT_EQ(F(points[0][2]), 20.0f);
  EXPECT_EQ(points[1][0].AsInteger(), 702);
  EXPECT_EQ(F(points[1][1]), 4.0f);
  EXPECT_EQ(p.ui.StatusLines().back(), "Phase 1 - Complete");
}

// Means gathered as the rows were stored stand in for reading RawData, over the same range and
// while nothing stored went unnoted; otherwise RawData is read, through a statement averaging
// sets itself, whatever RD was left on.
TEST_F(PhaseTest, AveragesGatheredAsRowsAreStoredStandInForReadingRawData) {
  AddRow(p.dc.RD, 700, 1.0f, 10.0f);
  AddRow(p.dc.RD, 701, 3.0f, 30.0f);
  const RpmRange range{700, 702};
  const RowNumber noted[] = {RowNumber::Single(702), RowNumber::Single(5.0f), RowNumber::Single(50.0f)};
  RawDataAverages gathered = RawDataAverages::For(range);
  gathered.Note(noted);  // a row the table does not hold: only the gathered means can give it
  EXPECT_EQ(AverageRawData(p.ui, range, p.dc.RD, p.dc.PD, nullptr, &gathered), 1);
  Rows points = ReadTable(file, "PointData");
  ASSERT_EQ(points.size(), 1u);
  EXPECT_EQ(points[0][0].AsInteger(), 702);
  EXPECT_EQ(F(points[0][1]), 5.0f);

  RawDataAverages lost = RawDataAverages::For(range);
  lost.Note(noted);
  lost.Lose();
  RawDataAverages narrower(700, 2);  // not the range averaging works over
  for (RawDataAverages* other : {&lost, &narrower}) {
    const std::size_t before = ReadTable(file, "PointData").size();
    p.dc.RD.SetRecordSource("Select * From PointData");  // not what averaging reads
    EXPECT_EQ(AverageRawData(p.ui, range, p.dc.RD, p.dc.PD, nullptr, other), 2);
    points = ReadTable(file, "PointData");
    ASSERT_EQ(points.size(), before + 2);
    EXPECT_EQ(points[before][0].AsInteger(), 700);
    EXPECT_EQ(points[before + 1][0].AsInteger(), 701);
    EXPECT_EQ(F(points[before + 1][2]), 30.0f);
  }
  // No range to gather over: a run without data, which averaging finds itself.
  EXPECT_FALSE(RawDataAverages::For({700, 699}).Gathers(700, 0));
  EXPECT_FALSE(RawDataAverages::For({700, 700.5f}).Gathers(700, 1));
}

TEST_P(PhaseTest, EmptyRangeAveragesNothingButCompletes) {
  AddRow(p.dc.RD, 700, 1.0f, 10.0f);
  const RpmRange none{100000, 0};  // a graph pass that counted no revolution
  EXPECT_EQ(Average(none), 0);
  Curve(none);
  EXPECT_TRUE(ReadTable(file, "PointData").empty());
  EXPECT_TRUE(Losses().empty());
  EXPECT_EQ(p.ui.StatusLines().back(), "Phase 2 - Complete");
}

TEST_P(PhaseTest, GapsFollowTheLineAndTheEndsCarryTheNearestPoint) {
  AddRow(p.dc.PD, 100, 2.0f, 20.0f);
  AddRow(p.dc.PD, 104, 4.0f, 40.0f);
  AddRow(p.dc.PD, 105, 5.0f, 50.0f);
  AddRow(p.dc.PD, 107, 1.0f, 10.0f);
  // The curve reads PointData and RawData through statements of its own, whatever the record
  // sets were left on.
  p.dc.PD.SetRecordSource("Select * From Losses");
  p.dc.RD.SetRecordSource("Select * From PointData");
  Curve({98, 109});
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
  EXPECT_THROW(Curve({0, 0}), NoRunData);
}

TEST_P(PhaseTest, RpmsAboveTenMillionFindTheirOwnRows) {
  // Eight-digit RPMs: every statement names its RPM exactly.
  AddRow(p.dc.RD, 12345678, 1.0f, 10.0f);
  AddRow(p.dc.RD, 12345679, 2.0f, 20.0f);
  AddRow(p.dc.RD, 12345680, 5.0f, 50.0f);
  AddRow(p.dc.RD, 12345679, 4.0f, 40.0f);
  const RpmRange range{12345678, 12345680};
  EXPECT_EQ(Average(range), 3);
  Curve(range);
  const std::vector<std::array<double, 3>> expected = {
      {12345678, 1, 10}, {12345679, 3, 30}, {12345680, 5, 50}};
  ExpectRows(ReadTable(file, "PointData"), expected);
  ExpectRows(Losses(), expected);
}

TEST_P(PhaseTest, RangesBeyondTheWholeNumbersOfASingleEndAndCoverEveryRpm) {
  // From 16,777,216 on a single no longer holds every whole number.
  AddRow(p.dc.RD, 16777216.0f, 2.0f, 20.0f);
  AddRow(p.dc.RD, 16777218.0f, 4.0f, 40.0f);
  const RpmRange range{16777215.0f, 16777220.0f};
  EXPECT_EQ(Average(range), 2);
  Curve(range);
  ExpectRows(Losses(), {{16777215, 2, 20},
                        {16777216, 2, 20},
                        {16777217, 3, 30},
                        {16777218, 4, 40},
                        {16777219, 4, 40},
                        {16777220, 4, 40}});
}

TEST_P(PhaseTest, ARangeWiderThanTheLimitIsARunWithoutDataAndWritesNothing) {
  AddRow(p.dc.RD, 700, 1.0f, 10.0f);
  const RpmRange wide{0, static_cast<float>(kMaxRpmRange)};  // one RPM more than the limit
  EXPECT_THROW(Average(wide), NoRunData);
  EXPECT_THROW(Curve(wide), NoRunData);
  EXPECT_TRUE(ReadTable(file, "PointData").empty());
  EXPECT_TRUE(Losses().empty());
}

INSTANTIATE_TEST_SUITE_P(ProductAndModel, PhaseTest, ::testing::Values(kProductWay, kModelWay),
                         [](const ::testing::TestParamInfo<PhaseWay>& way) {
                           return std::string(way.param.name);
                         });

}  // namespace
}  // namespace frixa
