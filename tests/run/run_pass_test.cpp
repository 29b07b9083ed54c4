// The run pass shared by the graph pass and the physics processor: order of work, totals and
// summary lines, the corrupt-record stop and failures inside a step.
#include "run/run_pass.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/recording_frontend.h"
#include "support/run_files.h"

namespace frixa {
namespace {

using testing::RecordingFrontend;
using testing::RecordsWithCounts;
using testing::TempFolder;
using testing::WriteRunFile;

struct Seen {
  double period;
  std::int32_t n;
  RevolutionResults results;
};

class RunPassTest : public ::testing::Test {
 protected:
  RunPassTest() : app(ui, dir.str()) {
    app.InertiaFactor = 1.0f;
    app.SensorMassRatio = 1.0f;
  }

  std::string RunFile() const { return dir.File(kRunFileName); }

  RunPassOutcome Pass(WindowPrecision precision = WindowPrecision::Single) {
    return RunPass(
        app, precision, [&] { ui.AppendStatusLine("Header"); },
        [&](double period, std::int32_t n, const RevolutionResults& r) {
          seen.push_back({period, n, r});
        });
  }

  TempFolder dir;
  RecordingFrontend ui;
  App app;
  std::vector<Seen> seen;
};

TEST_F(RunPassTest, SummaryLinesCountRevolutionsAndAddUpTheirPeriods) {
  // 680 periods of 1/16 s and 150 of 1/8 s: 830 revolutions, 61.25 s.
  std::vector<std::uint32_t> counts(680, 62500);
  counts.insert(counts.end(), 150, 125000);
  WriteRunFile(RunFile(), RecordsWithCounts(counts));

  const auto outcome = Pass();

  EXPECT_TRUE(outcome.completed);
  EXPECT_EQ(outcome.revolutions, 830);
  EXPECT_EQ(outcome.duration, 61.25f);
  EXPECT_EQ(ui.StatusLines(), (std::vector<std::string>{"Header", "Rocessed  830 Revolutions",
                                                        "Rundown Duration  61.25 Seconds", ""}));
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(RunPassTest, RundownDurationIsRoundedToSingleAfterEachAddition) {
  // A thousand tenths of a second add up to 99.99905 s in single precision, not 100.
  WriteRunFile(RunFile(), RecordsWithCounts(std::vector<std::uint32_t>(1000, 100000)));
  const auto outcome = Pass();
  EXPECT_EQ(outcome.duration, 99.9990463f);
  EXPECT_EQ(ui.StatusLines().at(2), "Rundown Duration  99.99905 Seconds");
}

TEST_F(RunPassTest, MissingRunFileGivesAPassOfZeroRevolutions) {
  const auto outcome = Pass();
  EXPECT_TRUE(outcome.completed);
  EXPECT_TRUE(seen.empty());
  EXPECT_EQ(ui.StatusLines(), (std::vector<std::string>{"Header", "Rocessed  0 Revolutions",
                                                        "Rundown Duration  0 Seconds", ""}));
}

TEST_F(RunPassTest, EmptyRunFileGivesAPassOfZeroRevolutions) {
  WriteRunFile(RunFile(), {});
  const auto outcome = Pass();
  EXPECT_TRUE(outcome.completed);
  EXPECT_EQ(outcome.revolutions, 0);
  EXPECT_TRUE(seen.empty());
  EXPECT_EQ(ui.StatusLines(), (std::vector<std::string>{"Header", "Rocessed  0 Revolutions",
                                                        "Rundown Duration  0 Seconds", ""}));
}

TEST_F(RunPassTest, StepSeesEachPeriodScaledByTheRatioWithItsZeroBasedIndex) {
  app.SensorMassRatio = 2.5f;
  WriteRunFile(RunFile(), RecordsWithCounts({100000, 100000, 120000}));
  Pass();
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].n, 0);
  EXPECT_EQ(seen[1].n, 1);
  EXPECT_EQ(seen[2].n, 2);
  EXPECT_EQ(seen[0].period, 0.25);
  EXPECT_EQ(seen[1].period, 0.25);
  EXPECT_EQ(seen[2].period, 0.3);
  EXPECT_EQ(ui.StatusLines().at(2), "Rundown Duration  .8 Seconds");
}

TEST_F(RunPassTest, StepSeesTheCalculatorResultsOfTheChosenWindowPrecision) {
  // 20 ms periods average differently in a single and a double window.
  WriteRunFile(RunFile(), RecordsWithCounts({20000, 20000, 20000}));
  Pass(WindowPrecision::Single);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[2].results.average, 0x1.47ae16p-6f);
  seen.clear();
  Pass(WindowPrecision::Double);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[2].results.average, 0x1.47ae18p-6f);
  EXPECT_EQ(seen[2].results.rpm, 2999.99951f);
}

TEST_F(RunPassTest, CalculatorUsesTheAppInertiaFactor) {
  app.InertiaFactor = 2.0f;
  WriteRunFile(RunFile(), RecordsWithCounts({100000, 100000, 100000, 110000}));
  Pass();
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[3].results.energyChange, 2.0f * -9.83330917f);
}

TEST_F(RunPassTest, EachPassStartsFromAFreshCalculator) {
  WriteRunFile(RunFile(), RecordsWithCounts({100000, 100000, 110000}));
  Pass();
  const auto first = seen;
  seen.clear();
  Pass();
  ASSERT_EQ(seen.size(), first.size());
  for (std::size_t i = 0; i < seen.size(); ++i) {
    EXPECT_EQ(seen[i].results.rpm, first[i].results.rpm);
    EXPECT_EQ(seen[i].results.power, first[i].results.power);
  }
  // The totals start from 0 again too.
  EXPECT_EQ(ui.StatusLines().at(5), "Rocessed  3 Revolutions");
  EXPECT_EQ(ui.StatusLines().at(6), "Rundown Duration  .31 Seconds");
}

TEST_F(RunPassTest, CorruptFifthRecordStopsPassWithoutSummary) {
  auto records = RecordsWithCounts({100000, 100000, 101000, 102000, 103000, 104000, 105000});
  records[4].marker = 0;  // count bytes 0x01 0x92 0xB8: none is zero
  WriteRunFile(RunFile(), records);

  const auto outcome = Pass();

  EXPECT_FALSE(outcome.completed);
  EXPECT_EQ(outcome.revolutions, 4);
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen.back().n, 3);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "The Runtime Data is corrupt and cannot be processed");
  EXPECT_EQ(ui.messages[0].title, "FRIX Data Processor");
  EXPECT_EQ(ui.messages[0].icon, MessageIcon::None);
  EXPECT_EQ(ui.messages[0].buttons, MessageButtons::Ok);
  EXPECT_EQ(ui.StatusLines(), (std::vector<std::string>{"Header"}));
  EXPECT_TRUE(std::filesystem::remove(RunFile()));  // released (Windows refuses otherwise)
}

TEST_F(RunPassTest, RecordWithWrongMarkerButAZeroCountByteIsProcessed) {
  auto records = RecordsWithCounts({100000, 100000, 100000});
  records[1] = RunRecord::WithCount(0x0186A0, 0);  // marker 0, count high 0x01, middle 0x86
  records[2] = RunRecord::WithCount(0x0086A0, 0);  // marker 0, count high 0: accepted
  WriteRunFile(RunFile(), records);
  const auto outcome = Pass();
  EXPECT_FALSE(outcome.completed);  // record 2 (all three bytes non-zero) is rejected
  EXPECT_EQ(seen.size(), 1u);

  seen.clear();
  ui.messages.clear();
  records[1] = RunRecord::WithCount(0x0086A0, 'Z');
  WriteRunFile(RunFile(), records);
  EXPECT_TRUE(Pass().completed);
  EXPECT_EQ(seen.size(), 3u);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(RunPassTest, CalculatorFailurePropagatesWithTheFileClosedAndNoSummary) {
  WriteRunFile(RunFile(), RecordsWithCounts({0, 100000, 100000}));
  try {
    Pass();
    FAIL() << "a first count of 0 must fail";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), errnum::kOverflow);
  }
  EXPECT_TRUE(seen.empty());
  EXPECT_EQ(ui.StatusLines(), (std::vector<std::string>{"Header"}));
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_TRUE(std::filesystem::remove(RunFile()));
}

TEST_F(RunPassTest, FailureOfTheCallersStepPropagatesWithTheFileClosed) {
  WriteRunFile(RunFile(), RecordsWithCounts({100000, 100000, 100000, 100000}));
  std::vector<std::int32_t> steps;
  try {
    RunPass(
        app, WindowPrecision::Double, [] {},
        [&](double, std::int32_t n, const RevolutionResults&) {
          steps.push_back(n);
          if (n == 2) throw Error(errnum::kJetUpdateWithoutAddNew, "Update without AddNew");
        });
    FAIL() << "the step's failure must reach the caller";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), errnum::kJetUpdateWithoutAddNew);
  }
  EXPECT_EQ(steps, (std::vector<std::int32_t>{0, 1, 2}));
  EXPECT_TRUE(ui.StatusLines().empty());
  EXPECT_TRUE(std::filesystem::remove(RunFile()));
}

// The reader hands the records over in blocks of 65536; a bounce whose two parts straddle the
// border between two blocks is merged all the same, the caller sees the revolution whole, and
// the repair's line follows the summary.
TEST_F(RunPassTest, ABounceAcrossTheReadersBlockBorderIsMergedForTheCaller) {
  constexpr std::size_t kBorder = 65536;
  std::vector<std::uint32_t> counts;
  for (std::uint32_t i = 0; i < 70000; ++i) counts.push_back(20000 + i / 8);
  const std::uint32_t whole = counts[kBorder - 1];
  counts[kBorder - 1] = whole / 4;
  counts.insert(counts.begin() + kBorder, whole - whole / 4);
  WriteRunFile(RunFile(), RecordsWithCounts(counts));

  const auto outcome = Pass(WindowPrecision::Double);

  EXPECT_TRUE(outcome.completed);
  EXPECT_EQ(outcome.repair.merged, 1);
  EXPECT_EQ(outcome.repair.split, 0);
  EXPECT_EQ(outcome.repair.leftOut, 0);
  EXPECT_EQ(outcome.revolutions, 70000);
  ASSERT_EQ(seen.size(), 70000u);
  EXPECT_DOUBLE_EQ(seen[kBorder - 1].period, whole / 1e6);
  EXPECT_DOUBLE_EQ(seen[kBorder].period, counts[kBorder + 1] / 1e6);
  const std::vector<std::string> lines = ui.StatusLines();
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[1], "Rocessed  70000 Revolutions");
  EXPECT_EQ(lines[3], "Repaired Records : 1 merged, 0 split, 0 left out");
  EXPECT_EQ(lines[4], "");
}

}  // namespace
}  // namespace frixa
