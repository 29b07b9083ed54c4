// The start-up decision between the preview of the last run and an empty window without Create.
#include "app/startup_preview.h"

#include <gtest/gtest.h>

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

class StartupPreviewTest : public ::testing::Test {
 protected:
  StartupPreviewTest() : app(ui, dir.str()) {
    WriteRunFile(dir.File(kRunFileName), RecordsWithCounts({100000, 100000, 110000}));
  }

  void ExpectInformationThenPreview() {
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_EQ(ui.messages[0].text,
              "IMPORTANT - Displayed Graphs assume that the last run was a losses rundown");
    EXPECT_EQ(ui.messages[0].title, "FRIXA Information");
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Information);
    EXPECT_EQ(ui.messages[0].buttons, MessageButtons::Ok);
    ASSERT_GE(ui.calls.size(), 2u);
    EXPECT_EQ(ui.calls[0].rfind("ShowMessage:FRIXA Information:", 0), 0u);
    EXPECT_EQ(ui.calls[1], "ClearStatus");  // the preview starts once the box is closed
    const auto lines = ui.StatusLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "Loading Data from Torvex2");
    EXPECT_EQ(lines[lines.size() - 2], "Preview Completed");
  }

  TempFolder dir;
  RecordingFrontend ui;
  App app;
};

TEST_F(StartupPreviewTest, BothParametersZeroDisablesCreateOnlyAndLogsNothing) {
  EXPECT_FALSE(RunStartupPreview(app));
  EXPECT_EQ(ui.calls, (std::vector<std::string>{"SetCreateEnabled:0"}));
  EXPECT_TRUE(ui.status.empty());
  EXPECT_TRUE(ui.points.empty());
}

TEST_F(StartupPreviewTest, NonZeroInertiaAndRatioShowTheInformationThenThePreview) {
  app.InertiaFactor = 1.0f;
  app.SensorMassRatio = 1.0f;
  EXPECT_TRUE(RunStartupPreview(app));
  ExpectInformationThenPreview();
  EXPECT_EQ(ui.messages.size(), 1u);
  EXPECT_TRUE(ui.createEnabled);
  EXPECT_EQ(app.MaxMassRPM, 598.0f);
}

TEST_F(StartupPreviewTest, NegativeInertiaAloneCountsAsNonZero) {
  app.InertiaFactor = -1.0f;
  EXPECT_TRUE(RunStartupPreview(app));
  ExpectInformationThenPreview();
  // A ratio of 0 makes every period 0: the graph pass finds no data.
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[1].title, "Frixa Graph Processor");
  EXPECT_FALSE(ui.createEnabled);
}

TEST_F(StartupPreviewTest, RatioAloneRunsThePreview) {
  app.SensorMassRatio = 1.0f;
  EXPECT_TRUE(RunStartupPreview(app));
  ExpectInformationThenPreview();
  // With no inertia there is no energy: the speeds are there, the losses are all 0.
  EXPECT_TRUE(ui.points.empty());
  EXPECT_EQ(app.MaxMassRPM, 598.0f);
  EXPECT_TRUE(ui.createEnabled);
}

}  // namespace
}  // namespace frixa
