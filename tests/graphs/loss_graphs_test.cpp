// The loss graphs: their preparation and the graph pass (points, RPM extremes, failures).
#include "graphs/loss_graphs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "common/error.h"
#include "sim/rundown_simulator.h"
#include "support/recording_frontend.h"
#include "support/run_files.h"

namespace frixa {
namespace {

using testing::RecordedPoint;
using testing::RecordingFrontend;
using testing::RecordsWithCounts;
using testing::TempFolder;
using testing::WriteRunFile;

class GraphPassTest : public ::testing::Test {
 protected:
  GraphPassTest() : app(ui, dir.str()) {
    app.InertiaFactor = 1.0f;
    app.SensorMassRatio = 1.0f;
  }

  void Write(const std::vector<RunRecord>& records) { WriteRunFile(dir.File(kRunFileName), records); }

  std::vector<RecordedPoint> PointsOn(Graph graph) const {
    std::vector<RecordedPoint> on;
    for (const auto& p : ui.points) {
      if (p.graph == graph) on.push_back(p);
    }
    return on;
  }

  bool Called(const std::string& call) const {
    for (const auto& c : ui.calls) {
      if (c == call) return true;
    }
    return false;
  }

  TempFolder dir;
  RecordingFrontend ui;
  App app;
};

TEST_F(GraphPassTest, PrepareEmptiesBothGraphsThenLetsEventsRunThenSetsBothUp) {
  PrepareLossGraphs(app);
  EXPECT_EQ(ui.calls, (std::vector<std::string>{"GraphStartAfresh:KWGraph",
                                                "GraphStartAfresh:NMGraph", "DoEvents",
                                                "GraphSetUp:KWGraph", "GraphSetUp:NMGraph"}));
}

TEST_F(GraphPassTest, LogsHeaderAndSummaryOfThePass) {
  Write(RecordsWithCounts({100000, 100000, 110000}));
  GraphRunData(app);
  EXPECT_EQ(ui.StatusLines(),
            (std::vector<std::string>{"Graphing System", std::string(45, '-'),
                                      "Initialising Processor", "Initialising -  Done",
                                      "Processing", "Rocessed  3 Revolutions",
                                      "Rundown Duration  .31 Seconds", ""}));
}

TEST_F(GraphPassTest, ThreeGrowingPeriodsPlotTheThirdRevolutionOnEachGraph) {
  // Periods 0.1, 0.1, 0.11 s: the third revolution slows from 599.99994 to 598.50366 RPM.
  Write(RecordsWithCounts({100000, 100000, 110000}));
  GraphRunData(app);

  const auto kw = PointsOn(Graph::Power);
  const auto nm = PointsOn(Graph::Torque);
  ASSERT_EQ(kw.size(), 1u);
  ASSERT_EQ(nm.size(), 1u);
  EXPECT_EQ(kw[0].x, static_cast<double>(598.503662f));  // the RPM as computed, not rounded down
  EXPECT_EQ(kw[0].y, static_cast<double>(0.0978438631f));
  EXPECT_EQ(nm[0].x, static_cast<double>(598.503662f));
  EXPECT_EQ(nm[0].y, static_cast<double>(1.56112814f));
  EXPECT_EQ(app.MinMassRPM, 598.0f);
  EXPECT_EQ(app.MaxMassRPM, 598.0f);
  EXPECT_EQ(ui.calls.back(), "GraphFinish:NMGraph");
  EXPECT_TRUE(Called("GraphFinish:KWGraph"));
  EXPECT_TRUE(ui.createEnabled);
}

TEST_F(GraphPassTest, StartRevolutionsAreStartPointsAndTheSettledOnesGiveTheFittedLines) {
  RundownModel model;  // 1.25 kg m^2 from 3,000 RPM, no jitter
  app.InertiaFactor = static_cast<float>(model.inertia);
  WriteRundownFile(model, dir.File(kRunFileName));
  GraphRunData(app);
  for (const Graph graph : {Graph::Power, Graph::Torque}) {
    const auto on = PointsOn(graph);
    ASSERT_GT(on.size(), 1000u);
    // Every revolution decelerates: revolutions 2 to 20 are the first 19 points.
    for (std::size_t i = 0; i < on.size(); ++i) EXPECT_EQ(on[i].start, i < 19) << i;
  }
  // The fitted lines come after the last point and before the graphs are finished.
  const std::vector<std::string> tail(ui.calls.end() - 4, ui.calls.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"GraphSetFitLine:KWGraph", "GraphSetFitLine:NMGraph",
                                            "GraphFinish:KWGraph", "GraphFinish:NMGraph"}));
  ASSERT_EQ(ui.fitLines.size(), 2u);
  for (const auto& line : ui.fitLines) {
    ASSERT_EQ(line.points.size(), 200u);
    EXPECT_EQ(line.points.front().x, static_cast<double>(app.MinMassRPM));
    EXPECT_EQ(line.points.back().x, static_cast<double>(app.MaxMassRPM));
    for (const GraphPoint& pt : line.points) {
      const double w = pt.x * 2 * 3.14159265358979323846 / 60;
      const double torque = FrictionTorque(model, w);
      const double want = line.graph == Graph::Power ? torque * w / 1000 : torque;
      EXPECT_NEAR(pt.y, want, 0.005 * want) << pt.x;
    }
  }
  EXPECT_EQ(ui.fitLines[0].graph, Graph::Power);
  EXPECT_EQ(ui.fitLines[1].graph, Graph::Torque);
}

TEST_F(GraphPassTest, NoFittedLineWithoutSettledRevolutionsAtThreeRpms) {
  // Twenty records: none settled. Thirty records of one period: every settled one at one RPM.
  Write(RecordsWithCounts(std::vector<std::uint32_t>(20, 100000)));
  GraphRunData(app);
  Write(RecordsWithCounts(std::vector<std::uint32_t>(30, 100000)));
  GraphRunData(app);
  EXPECT_TRUE(ui.fitLines.empty());
  EXPECT_EQ(ui.calls.back(), "GraphFinish:NMGraph");
}

TEST_F(GraphPassTest, RatioScalesTheCountsIntoMassPeriods) {
  app.SensorMassRatio = 2.0f;
  Write(RecordsWithCounts({50000, 50000, 55000}));
  GraphRunData(app);
  ASSERT_EQ(ui.points.size(), 2u);
  EXPECT_EQ(ui.points[0].x, static_cast<double>(598.503662f));
  EXPECT_EQ(app.MaxMassRPM, 598.0f);
}

TEST_F(GraphPassTest, ConstantPeriodPlotsNothingAndBothExtremesAreItsRoundedDownRpm) {
  Write(RecordsWithCounts(std::vector<std::uint32_t>(30, 100000)));
  GraphRunData(app);
  EXPECT_TRUE(ui.points.empty());
  EXPECT_EQ(app.MinMassRPM, 599.0f);  // 599.99994 rounds down
  EXPECT_EQ(app.MaxMassRPM, 599.0f);
}

TEST_F(GraphPassTest, TwoRecordsPlotNothingAndLeaveTheStartingExtremes) {
  app.MinMassRPM = 1234.0f;
  app.MaxMassRPM = 2345.0f;
  Write(RecordsWithCounts({100000, 110000}));
  GraphRunData(app);
  EXPECT_TRUE(ui.points.empty());
  EXPECT_EQ(app.MinMassRPM, 100000.0f);
  EXPECT_EQ(app.MaxMassRPM, 0.0f);
  EXPECT_TRUE(Called("GraphFinish:KWGraph"));
  EXPECT_TRUE(Called("GraphFinish:NMGraph"));
}

TEST_F(GraphPassTest, SpeedingUpRevolutionIsNotPlottedButCountsForTheExtremes) {
  // 0.1, 0.1, 0.1, 0.09 s: the third revolution runs steady at 599.99994 RPM, the fourth speeds
  // up to 601.50366 RPM.
  Write(RecordsWithCounts({100000, 100000, 100000, 90000}));
  GraphRunData(app);
  EXPECT_TRUE(ui.points.empty());
  EXPECT_EQ(app.MinMassRPM, 599.0f);
  EXPECT_EQ(app.MaxMassRPM, 601.0f);
}

TEST_F(GraphPassTest, FirstTwoRevolutionsNeverCount) {
  // The first revolution comes out at twice the speed (1200 RPM) and the second carries a huge
  // energy drop; neither may reach the graphs or the extremes.
  Write(RecordsWithCounts({100000, 100000, 100000}));
  GraphRunData(app);
  EXPECT_TRUE(ui.points.empty());
  EXPECT_EQ(app.MaxMassRPM, 599.0f);
}

TEST_F(GraphPassTest, DeceleratingRunPlotsEveryRevolutionFromTheThirdInOrder) {
  Write(RecordsWithCounts({20000, 20100, 20200, 20300, 20400, 20500}));
  GraphRunData(app);
  const auto kw = PointsOn(Graph::Power);
  const auto nm = PointsOn(Graph::Torque);
  ASSERT_EQ(kw.size(), 4u);
  ASSERT_EQ(nm.size(), 4u);
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(kw[i].x, nm[i].x);
    EXPECT_GT(kw[i].y, 0.0);
    EXPECT_GT(nm[i].y, 0.0);
    if (i > 0) {
      EXPECT_LT(kw[i].x, kw[i - 1].x);  // slowing down
    }
  }
  // Each revolution's power point comes just before its torque point.
  EXPECT_EQ(ui.points[0].graph, Graph::Power);
  EXPECT_EQ(ui.points[1].graph, Graph::Torque);
  EXPECT_EQ(app.MaxMassRPM, std::floor(static_cast<float>(kw[0].x)));
  EXPECT_EQ(app.MinMassRPM, std::floor(static_cast<float>(kw[3].x)));
}

TEST_F(GraphPassTest, FirstCountOfZeroShowsTheNoDataMessageAndDisablesCreate) {
  app.MinMassRPM = 700.0f;
  app.MaxMassRPM = 2900.0f;
  Write(RecordsWithCounts({0, 100000, 100000, 110000}));
  GraphRunData(app);

  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text,
            "There appears to be NO DATA recorded by Torvex2 in the rundown cycle");
  EXPECT_EQ(ui.messages[0].title, "Frixa Graph Processor");
  EXPECT_EQ(ui.messages[0].icon, MessageIcon::Exclamation);
  EXPECT_EQ(ui.messages[0].buttons, MessageButtons::Ok);
  EXPECT_FALSE(ui.createEnabled);
  EXPECT_TRUE(ui.points.empty());
  EXPECT_EQ(app.MinMassRPM, 700.0f);
  EXPECT_EQ(app.MaxMassRPM, 2900.0f);
  EXPECT_FALSE(Called("GraphFinish:KWGraph"));
  EXPECT_EQ(ui.StatusLines().size(), 5u);  // the header only
  EXPECT_TRUE(std::filesystem::remove(dir.File(kRunFileName)));  // released
}

TEST_F(GraphPassTest, OtherFailureShowsItsNumberAndDisablesCreate) {
  // Five tenths of a second, then twenty zero counts: the window empties while the mass still
  // has energy, a division by zero (11).
  std::vector<std::uint32_t> counts(5, 100000);
  counts.insert(counts.end(), 20, 0);
  Write(RecordsWithCounts(counts));
  GraphRunData(app);

  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "An ERROR ( 11) has occured Graphing the Run data");
  EXPECT_EQ(ui.messages[0].title, "FRIXA Graph Processor");
  EXPECT_EQ(ui.messages[0].icon, MessageIcon::Exclamation);
  EXPECT_EQ(ui.messages[0].buttons, MessageButtons::Ok);
  EXPECT_FALSE(ui.createEnabled);
  EXPECT_EQ(app.MinMassRPM, 0.0f);
  EXPECT_EQ(app.MaxMassRPM, 0.0f);
  EXPECT_FALSE(Called("GraphFinish:NMGraph"));
}

TEST_F(GraphPassTest, CorruptRecordKeepsEarlierPointsAndLeavesExtremesAndCreateAlone) {
  auto records = RecordsWithCounts({100000, 100000, 110000, 120000, 130000, 140000});
  records[4].marker = '?';
  Write(records);
  EXPECT_EQ(GraphRunData(app), CommandOutcome::Failed(errnum::kCorruptRunData, true));

  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "The Runtime Data is corrupt and cannot be processed");
  EXPECT_EQ(ui.messages[0].title, "FRIX Data Processor");
  EXPECT_EQ(ui.points.size(), 4u);  // revolutions 3 and 4 on both graphs
  EXPECT_EQ(app.MinMassRPM, 0.0f);
  EXPECT_EQ(app.MaxMassRPM, 0.0f);
  EXPECT_TRUE(ui.createEnabled);
  EXPECT_FALSE(Called("GraphFinish:KWGraph"));
  EXPECT_EQ(ui.StatusLines().size(), 5u);  // no summary lines
}

TEST_F(GraphPassTest, MissingRunFileCompletesWithZeroRevolutions) {
  GraphRunData(app);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(ui.StatusLines().at(5), "Rocessed  0 Revolutions");
  EXPECT_EQ(ui.StatusLines().at(6), "Rundown Duration  0 Seconds");
  EXPECT_EQ(app.MinMassRPM, 100000.0f);
  EXPECT_EQ(app.MaxMassRPM, 0.0f);
}

}  // namespace
}  // namespace frixa
