// The start-up preview: the whole status log, the order of its work, and how it carries on past
// the graph pass's failures and reports its own.
#include "graphs/preview.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/error.h"
#include "support/recording_frontend.h"
#include "support/run_files.h"

namespace frixa {
namespace {

using testing::RecordingFrontend;
using testing::RecordsWithCounts;
using testing::TempFolder;
using testing::WriteRunFile;

const std::string kStars(24, '*');

std::vector<std::string> ParameterLines(const std::string& inertia, const std::string& ratio) {
  return {"Loading Data from Torvex2", std::string(44, '-'),
          "Inertia factor :" + inertia + " Kg/M^2", "Sensor / Mass Ratio " + ratio + ":1", ""};
}

std::vector<std::string> Join(std::vector<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

const std::vector<std::string> kGraphPassHeader = {"Graphing System", std::string(45, '-'),
                                                   "Initialising Processor",
                                                   "Initialising -  Done", "Processing"};

std::vector<std::string> ClosingLines(const std::string& min, const std::string& max) {
  return {"", "Minimum Mass RPM : " + min, "Maximium Mass RPM : " + max, "", kStars,
          "Preview Completed", kStars};
}

class PreviewTest : public ::testing::Test {
 protected:
  PreviewTest() : app(ui, dir.str()) {
    app.VersionText = kVersionText;
    app.InertiaFactor = 1.25f;
    app.SensorMassRatio = 2.0f;
  }
  void Write(const std::vector<RunRecord>& records) { WriteRunFile(dir.File(kRunFileName), records); }

  TempFolder dir;
  RecordingFrontend ui;
  App app;
};

// What the window must show, in the order that matters: the log emptied before the graphs are
// prepared and again after them, so that only the preview's lines remain; the graphs finished
// before the window is repainted and the repaint before the closing lines; the caret moved last.
TEST_F(PreviewTest, LogOfASmallRunInTheOrderTheWindowShowsIt) {
  Write(RecordsWithCounts({50000, 50000, 55000}));
  ui.AppendStatusLine("left over from before");
  ui.calls.clear();
  PreviewRun(app);

  const auto& calls = ui.calls;
  auto first = [&](const std::string& call) {
    const auto at = std::find(calls.begin(), calls.end(), call);
    EXPECT_NE(at, calls.end()) << call << " was not called";
    return at - calls.begin();
  };
  auto last = [&](const std::string& call) {
    const auto at = std::find(calls.rbegin(), calls.rend(), call);
    EXPECT_NE(at, calls.rend()) << call << " was not called";
    return calls.rend() - at - 1;
  };
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "ClearStatus"), 2);
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "RepaintMain"), 1);
  EXPECT_EQ(first("ClearStatus"), 0);
  EXPECT_LT(last("GraphSetUp:KWGraph"), last("ClearStatus"));
  EXPECT_LT(last("GraphSetUp:NMGraph"), last("ClearStatus"));
  EXPECT_LT(last("ClearStatus"), first("AppendStatusLine:Loading Data from Torvex2"));
  EXPECT_LT(last("GraphFinish:KWGraph"), first("RepaintMain"));
  EXPECT_LT(last("GraphFinish:NMGraph"), first("RepaintMain"));
  EXPECT_LT(first("RepaintMain"), first("AppendStatusLine:Minimum Mass RPM :  598"));
  EXPECT_EQ(calls.back(), "StatusCaretToEnd");

  EXPECT_EQ(ui.StatusLines(),
            Join({ParameterLines(" 1.25", " 2"), kGraphPassHeader,
                  {"Rocessed  3 Revolutions", "Rundown Duration  .31 Seconds", ""},
                  ClosingLines(" 598", " 598")}));
  // The third revolution, on each graph: 598.503662 RPM as computed, its losses at 1.25 kg m^2.
  ASSERT_EQ(ui.points.size(), 2u);
  EXPECT_EQ(ui.points[0].graph, Graph::Power);
  EXPECT_EQ(ui.points[1].graph, Graph::Torque);
  for (const auto& p : ui.points) EXPECT_EQ(p.x, static_cast<double>(598.503662f));
  EXPECT_NEAR(ui.points[0].y, 1.25 * 0.0978438631, 1e-7);
  EXPECT_NEAR(ui.points[1].y, 1.25 * 1.56112814, 1e-6);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_TRUE(ui.createEnabled);
}

TEST_F(PreviewTest, ParameterLinesShowTheValuesWithTheirSignPosition) {
  app.InertiaFactor = 0.5f;
  app.SensorMassRatio = -1.5f;
  PreviewRun(app);
  EXPECT_EQ(ui.StatusLines().at(2), "Inertia factor : .5 Kg/M^2");
  EXPECT_EQ(ui.StatusLines().at(3), "Sensor / Mass Ratio -1.5:1");
}

TEST_F(PreviewTest, NoDataStillCompletesThePreviewWithCreateDisabled) {
  Write(RecordsWithCounts({0, 50000, 50000}));
  PreviewRun(app);
  EXPECT_EQ(ui.StatusLines(),
            Join({ParameterLines(" 1.25", " 2"), kGraphPassHeader, ClosingLines(" 0", " 0")}));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].title, "Frixa Graph Processor");
  EXPECT_FALSE(ui.createEnabled);
}

// Memory that runs out, or a size no allocation can meet, is error 7 in the message of the step
// it happens in; the preview goes on after a failed graph pass as after any other failure.
TEST_F(PreviewTest, MemoryExhaustionIsErrorSevenOfTheGraphPassOrOfThePreview) {
  Write(RecordsWithCounts({100000, 100100, 100200, 100300, 100400}));
  ui.onCall = [](const std::string& call) {
    if (call == "GraphFinish:KWGraph") throw std::length_error("vector::reserve");
  };
  // Completed, carrying the graph pass's failure.
  EXPECT_EQ(PreviewRun(app), (CommandOutcome{CommandEnd::kCompleted, errnum::kOutOfMemory, true}));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "An ERROR ( 7) has occured Graphing the Run data");
  EXPECT_EQ(ui.messages[0].title, "FRIXA Graph Processor");
  EXPECT_EQ(ui.StatusLines().back(), kStars);
  EXPECT_EQ(ui.StatusLines()[ui.StatusLines().size() - 2], "Preview Completed");

  ui.messages.clear();
  ui.onCall = [](const std::string& call) {
    if (call == "AppendStatusLine:Loading Data from Torvex2") throw std::bad_alloc();
  };
  EXPECT_EQ(PreviewRun(app), CommandOutcome::Failed(errnum::kOutOfMemory, true));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "An ERROR ( 7) has occured");
  EXPECT_EQ(ui.messages[0].title, "Frixa Startup");
  EXPECT_FALSE(ui.createEnabled);
}

TEST_F(PreviewTest, RunOfTwoRecordsShowsTheStartingExtremes) {
  Write(RecordsWithCounts({50000, 55000}));
  PreviewRun(app);
  EXPECT_EQ(ui.StatusLines(),
            Join({ParameterLines(" 1.25", " 2"), kGraphPassHeader,
                  {"Rocessed  2 Revolutions", "Rundown Duration  .21 Seconds", ""},
                  ClosingLines(" 100000", " 0")}));
  EXPECT_TRUE(ui.points.empty());
}

TEST_F(PreviewTest, MissingRunFileIsAPreviewOfZeroRevolutions) {
  PreviewRun(app);
  EXPECT_EQ(ui.StatusLines(),
            Join({ParameterLines(" 1.25", " 2"), kGraphPassHeader,
                  {"Rocessed  0 Revolutions", "Rundown Duration  0 Seconds", ""},
                  ClosingLines(" 100000", " 0")}));
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_TRUE(ui.createEnabled);
}

TEST_F(PreviewTest, CorruptRecordInTheMiddleKeepsEarlierPointsAndCompletes) {
  auto records = RecordsWithCounts({50000, 50000, 55000, 60000, 65000, 70000});
  records[4] = RunRecord::WithCount(65000, 0);  // 0x00FDE8: count high is 0, so accepted...
  records[5] = RunRecord::WithCount(0x010101, 'x');  // ...but this one is rejected
  Write(records);
  PreviewRun(app);
  EXPECT_EQ(ui.StatusLines(),
            Join({ParameterLines(" 1.25", " 2"), kGraphPassHeader, ClosingLines(" 0", " 0")}));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "The Runtime Data is corrupt and cannot be processed");
  EXPECT_EQ(ui.points.size(), 6u);  // revolutions 3 to 5 on both graphs
  EXPECT_TRUE(ui.createEnabled);
}

// A graph control that fails while it is being set up.
class FailingGraphFrontend : public RecordingFrontend {
 public:
  void GraphSetUp(Graph graph) override {
    RecordingFrontend::GraphSetUp(graph);
    throw Error(errnum::kOutOfMemory, "Out of memory");
  }
};

TEST(PreviewFailure, OwnFailureIsReportedAsStartupErrorAndEndsThePreview) {
  TempFolder dir;
  FailingGraphFrontend ui;
  App app(ui, dir.str());
  app.InertiaFactor = 1.25f;
  app.SensorMassRatio = 1.0f;
  PreviewRun(app);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "An ERROR ( 7) has occured");
  EXPECT_EQ(ui.messages[0].title, "Frixa Startup");
  EXPECT_EQ(ui.messages[0].icon, MessageIcon::Exclamation);
  EXPECT_EQ(ui.messages[0].buttons, MessageButtons::Ok);
  EXPECT_FALSE(ui.createEnabled);
  EXPECT_TRUE(ui.StatusLines().empty());  // cleared before, and nothing logged after the failure
  EXPECT_EQ(ui.calls.back(), "SetCreateEnabled:0");
}

}  // namespace
}  // namespace frixa
