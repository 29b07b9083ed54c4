// The preview and Create of rundowns with the faults of real timing, end to end: the curve stored
// from the repaired revolutions, the repair's status line, and runs the repair must leave alone
// or cannot mend (all faults, three records, a rejected record or a count of 0 among faults).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "app/startup_preview.h"
#include "calfile/friction_fit.h"
#include "common/error.h"
#include "run/record_repair.h"
#include "run/revolution_calculator.h"
#include "run/run_file.h"
#include "sim/rundown_simulator.h"
#include "support/calibration_fixture.h"
#include "support/jet_test_files.h"

namespace frixa {
namespace {

using testing::ProgramFolder;
using testing::ReadTable;

// A bare drum coasting from 380 RPM to a stop, as the accuracy bench's fault cases.
RundownModel Drum() {
  RundownModel m = BareDrum();
  m.seed = 5;
  return m;
}

struct Repairs {
  long merged = -1, split = -1, leftOut = -1;
};

// The repair line of a log, or nothing (-1s) when there is none.
Repairs RepairLine(const std::vector<std::string>& lines, int* howMany) {
  Repairs r;
  *howMany = 0;
  for (const std::string& line : lines) {
    if (line.rfind("Repaired Records :", 0) != 0) continue;
    ++*howMany;
    if (std::sscanf(line.c_str(), "Repaired Records : %ld merged, %ld split, %ld left out",
                    &r.merged, &r.split, &r.leftOut) != 3) {
      ADD_FAILURE() << line;
    }
  }
  return r;
}

std::vector<std::uint32_t> ReadCounts(const std::string& path) {
  std::vector<std::uint32_t> counts;
  RunFileReader reader;
  reader.Open(path);
  while (!reader.AtEnd()) counts.push_back(reader.ReadRecord().Count());
  return counts;
}

class RepairedCreate : public ::testing::Test {
 protected:
  // Simulates `model`, previews it (keeping the preview's log) and creates `name`; the torque
  // error in % of the stored curve per RPM.
  std::map<int, double> CreateFrom(const RundownModel& model, const std::string& name,
                                   InjectedFaults* faults = nullptr) {
    WriteRundownFile(model, p.app.ProgramFile(kRunFileName), faults);
    p.app.InertiaFactor = static_cast<float>(model.inertia);
    p.app.SensorMassRatio = static_cast<float>(model.ratio);
    RunStartupPreview(p.app);
    previewLog = p.ui.StatusLines();
    EXPECT_EQ(p.ui.messages.size(), 1u);  // start-up's warning that a rundown is assumed
    p.ui.messages.clear();
    p.ui.status.clear();
    p.Create(name);
    EXPECT_TRUE(p.ui.messages.empty());
    createLog = p.ui.StatusLines();
    std::map<int, double> error;
    for (const LossCurveRow& row : ReadLossCurve(p.CalFile(name + ".Frixa"))) {
      const double omega = (row.rpm + 0.5) / kRpmPerRadianPerSecond;
      const double truth = FrictionTorque(model, omega);
      error[row.rpm] = std::fabs(row.nm - truth) / truth * 100.0;
    }
    return error;
  }

  ProgramFolder p;
  std::vector<std::string> previewLog, createLog;
};

TEST_F(RepairedCreate, FaultedRunsStoreTheCleanRunsCurveAndCountTheirRepairs) {
  const std::map<int, double> clean = CreateFrom(Drum(), "clean");
  int lines = 0;
  RepairLine(previewLog, &lines);
  EXPECT_EQ(lines, 0);
  RepairLine(createLog, &lines);
  EXPECT_EQ(lines, 0);
  std::size_t good = 0;
  for (const auto& [rpm, error] : clean) good += error <= 5.0;
  ASSERT_GT(good, clean.size() / 2) << "the clean run's curve itself is off";

  struct Case {
    const char* name;
    double bounces, missed;
    std::int64_t driven;
  };
  for (const Case& c : {Case{"bounces", 0.02, 0, 0}, Case{"missed", 0, 0.01, 0},
                        Case{"driven", 0, 0, 150}, Case{"all", 0.02, 0.01, 150}}) {
    SCOPED_TRACE(c.name);
    RundownModel model = Drum();
    model.doubleTriggerRate = c.bounces;
    model.missedPulseRate = c.missed;
    model.drivenRevolutions = c.driven;
    InjectedFaults faults;
    const std::map<int, double> faulted = CreateFrom(model, c.name, &faults);
    // Wherever the clean run's stored curve is within 5 %, the repaired run's is too.
    std::size_t compared = 0;
    for (const auto& [rpm, error] : clean) {
      if (error > 5.0) continue;
      const auto at = faulted.find(rpm);
      ASSERT_NE(at, faulted.end()) << rpm << " RPM is missing";
      EXPECT_LE(at->second, 5.0) << rpm << " RPM";
      ++compared;
    }
    EXPECT_EQ(compared, good);

    // The same one line after the summary lines, in the preview's log and in Create's.
    for (const auto* log : {&previewLog, &createLog}) {
      const Repairs r = RepairLine(*log, &lines);
      ASSERT_EQ(lines, 1);
      const auto line = std::find_if(log->begin(), log->end(), [](const std::string& s) {
        return s.rfind("Repaired Records :", 0) == 0;
      });
      EXPECT_EQ((line - 1)->rfind("Rundown Duration ", 0), 0u);
      EXPECT_EQ(*(line + 1), "");
      if (c.name == std::string("all")) {
        EXPECT_GT(r.merged, 0);
        EXPECT_GT(r.split, 0);
        EXPECT_GT(r.leftOut, 0);
        continue;
      }
      const auto near = [](long repaired, std::int64_t put) {
        return std::fabs(static_cast<double>(repaired - put)) <= 0.1 * static_cast<double>(put);
      };
      EXPECT_TRUE(near(r.merged, faults.doubleTriggers))
          << r.merged << " " << faults.doubleTriggers;
      EXPECT_TRUE(near(r.split, faults.missedPulses)) << r.split << " " << faults.missedPulses;
      EXPECT_TRUE(near(r.leftOut, faults.drivenRevolutions))
          << r.leftOut << " " << faults.drivenRevolutions;
    }
    // RawData holds one row per repaired revolution from the third on.
    const std::vector<std::uint32_t> counts = ReadCounts(p.app.ProgramFile(kRunFileName));
    const RecordRepair repair = RepairRecords(counts);
    EXPECT_EQ(ReadTable(p.CalFile(std::string(c.name) + ".Frixa"), "RawData").size(),
              repair.Revolutions(counts).size() - 2);
    EXPECT_EQ(previewLog[std::find(previewLog.begin(), previewLog.end(), "Processing") -
                         previewLog.begin() + 1],
              "Rocessed  " + std::to_string(repair.Revolutions(counts).size()) + " Revolutions");
  }
}

// A run with a bounce on every other revolution and many missed pulses: no trend to trust. The
// run is processed as recorded, the log says so in the repair's line, and Create completes with
// the Parts' rows.
TEST_F(RepairedCreate, ARunOfFaultsOnlyIsProcessedAsRecordedAndSaysSo) {
  RundownModel model = Drum();
  model.doubleTriggerRate = 0.5;
  model.missedPulseRate = 0.2;
  const std::int64_t records = WriteRundownFile(model, p.app.ProgramFile(kRunFileName));
  p.app.InertiaFactor = 10.0f;
  p.app.SensorMassRatio = 1.0f;
  p.Preview();
  p.Create("faults");
  EXPECT_TRUE(p.ui.messages.empty());
  const std::vector<std::string> log = p.ui.StatusLines();
  const auto line =
      std::find(log.begin(), log.end(),
                "Repaired Records : none - too many faults to repair, processed as recorded");
  ASSERT_NE(line, log.end());
  EXPECT_EQ(*(line - 2), "Rocessed  " + std::to_string(records) + " Revolutions");
  EXPECT_EQ(ReadTable(p.CalFile("faults.Frixa"), "RawData").size(),
            static_cast<std::size_t>(records - 2));
  EXPECT_EQ(log.back(), std::string(24, '*'));
}

// Three records, one of them a bounce's short part: too few to judge, processed as the Parts say.
TEST_F(RepairedCreate, ThreeRecordsAreLeftAsRecorded) {
  p.WriteRunAndPreview(testing::RecordsWithCounts({100000, 30000, 70000}));
  p.Create("three");
  EXPECT_TRUE(p.ui.messages.empty());
  const std::vector<std::string> log = p.ui.StatusLines();
  EXPECT_NE(std::find(log.begin(), log.end(), "Rocessed  3 Revolutions"), log.end());
  EXPECT_EQ(std::count_if(log.begin(), log.end(),
                          [](const std::string& s) { return s.rfind("Repaired", 0) == 0; }),
            0);
  EXPECT_EQ(ReadTable(p.CalFile("three.Frixa"), "RawData").size(), 1u);
}

// A rejected record in a burst of bounces: the records before it are repaired and stored, the
// corrupt-data message is shown once, the pass writes no summary (and so no repair line), and
// Create goes on over what was stored. A count of 0 in the same place ends the repair's reach:
// the records from it on are processed as recorded, and the pass completes.
TEST_F(RepairedCreate, ARejectedRecordOrACountOfZeroInABurstOfFaultsEndsTheRepairThere) {
  RundownModel model = Drum();
  model.doubleTriggerRate = 0.02;
  WriteRundownFile(model, p.app.ProgramFile(kRunFileName));
  std::vector<std::uint32_t> counts = ReadCounts(p.app.ProgramFile(kRunFileName));
  ASSERT_GT(counts.size(), 800u);
  // A burst of three bounces from record 600 on.
  std::vector<std::uint32_t> burst(counts.begin(), counts.begin() + 600);
  for (int i = 0; i < 3; ++i) {
    const std::uint32_t period = counts[600 + static_cast<std::size_t>(i)];
    burst.push_back(period / 4);
    burst.push_back(period - period / 4);
  }
  const std::vector<std::uint32_t> before = burst;
  const RecordRepair repaired = RepairRecords(before);
  ASSERT_GT(repaired.merged, 3);
  const std::size_t kept = repaired.Revolutions(before).size();
  std::vector<RunRecord> records = testing::RecordsWithCounts(burst);
  RunRecord bad = RunRecord::WithCount(0x010101, 'X');
  records.push_back(bad);
  for (std::size_t i = 603; i < counts.size(); ++i)
    records.push_back(RunRecord::WithCount(counts[i]));

  // The count of 0 first: its preview completes and leaves the range for both Creates.
  records[burst.size()] = RunRecord::WithCount(0);
  p.WriteRunAndPreview(records, 10.0f);
  p.Create("zero");
  EXPECT_TRUE(p.ui.messages.empty());
  const std::size_t after = records.size() - burst.size();  // the 0 and the rest, as recorded
  EXPECT_EQ(ReadTable(p.CalFile("zero.Frixa"), "RawData").size(), kept + after - 2);
  std::vector<std::string> log = p.ui.StatusLines();
  EXPECT_NE(std::find(log.begin(), log.end(),
                      "Rocessed  " + std::to_string(kept + after) + " Revolutions"),
            log.end());
  int lines = 0;
  const Repairs r = RepairLine(log, &lines);
  EXPECT_EQ(lines, 1);
  EXPECT_EQ(r.merged, repaired.merged);
  EXPECT_EQ(r.leftOut, repaired.leftOut);

  records[burst.size()] = bad;
  testing::WriteRunFile(p.app.ProgramFile(kRunFileName), records);
  p.ui.status.clear();
  p.Create("corrupt");
  ASSERT_EQ(p.ui.messages.size(), 1u);
  EXPECT_EQ(p.ui.messages[0].text, "The Runtime Data is corrupt and cannot be processed");
  EXPECT_EQ(ReadTable(p.CalFile("corrupt.Frixa"), "RawData").size(), kept - 2);
  log = p.ui.StatusLines();
  EXPECT_EQ(std::count_if(log.begin(), log.end(),
                          [](const std::string& s) {
                            return s.rfind("Repaired", 0) == 0 || s.rfind("Rocessed", 0) == 0;
                          }),
            0);
  EXPECT_EQ(log.back(), std::string(24, '*'));
}

}  // namespace
}  // namespace frixa
