// Start-up outcomes: which command lines end the program, what the user is told, whether the
// association is renewed and whether the preview runs or Create is disabled.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "app/startup.h"
#include "support/run_files.h"
#include "support/fake_registry.h"
#include "support/recording_frontend.h"

namespace frixa {
namespace {

class StartupTest : public ::testing::Test {
 protected:
  // Forty revolutions of a mass slowing down: every period a little longer than the last.
  void WriteShortRun() {
    std::vector<std::uint32_t> counts;
    for (std::uint32_t i = 0; i < 40; ++i) counts.push_back(20000 + 40 * i);
    testing::WriteRunFile(app_.ProgramFile(kRunFileName), testing::RecordsWithCounts(counts));
  }

  StartupOutcome Start(std::string_view commandLine, bool anotherInstance = false) {
    return RunStartup(app_, commandLine, NumberLocale{}, registry_, anotherInstance);
  }

  // The one message box start-up showed, with an OK button.
  void ExpectOnlyMessage(const std::string& text, const std::string& title, MessageIcon icon) {
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, text);
    EXPECT_EQ(ui_.messages[0].title, title);
    EXPECT_EQ(ui_.messages[0].icon, icon);
    EXPECT_EQ(ui_.messages[0].buttons, MessageButtons::Ok);
  }

  bool AssociationWritten() const { return registry_.KeyExists(".Frixa"); }

  testing::TempFolder folder_;
  testing::RecordingFrontend ui_;
  testing::FakeRegistry registry_;
  App app_{ui_, folder_.str()};
};

TEST_F(StartupTest, VersionTextIsSetEvenWhenTheProgramEnds) {
  EXPECT_EQ(Start(""), StartupOutcome::Ended);
  EXPECT_EQ(app_.VersionText, "Version : 1.1.0");
}

TEST_F(StartupTest, SecondInstanceEndsSilentlyWithoutTouchingTheRegistry) {
  EXPECT_EQ(Start("1.25      1        ", true), StartupOutcome::Ended);
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_TRUE(ui_.calls.empty());
  EXPECT_TRUE(registry_.calls.empty());
  EXPECT_EQ(app_.VersionText, "Version : 1.1.0");
}

TEST_F(StartupTest, CommandLineOfAnyLengthButNineteenIsRefused) {
  for (const std::string& line : {std::string(), std::string(18, '1'), std::string(20, '1'),
                                 std::string("1.25      1         ")}) {
    SCOPED_TRACE("length " + std::to_string(line.size()));
    ui_.messages.clear();
    EXPECT_EQ(Start(line), StartupOutcome::Ended);
    ExpectOnlyMessage("Frixa cannot be run outside Torvex2", "Frixa", MessageIcon::Critical);
  }
  EXPECT_TRUE(registry_.calls.empty());
  EXPECT_TRUE(ui_.createEnabled);
}

TEST_F(StartupTest, LetterInEitherFieldIsError13BeforeTheRegistry) {
  for (const char* line : {"1.2x      1        ", "1.25      one      "}) {
    SCOPED_TRACE(line);
    ui_.messages.clear();
    EXPECT_EQ(Start(line), StartupOutcome::Ended);
    ExpectOnlyMessage("An ERROR ( 13) has occured", "Frixa Startup Check",
                      MessageIcon::Exclamation);
  }
  EXPECT_TRUE(registry_.calls.empty());
}

TEST_F(StartupTest, ValueBeyondSingleRangeIsError6) {
  EXPECT_EQ(Start("1e39      1        "), StartupOutcome::Ended);
  ExpectOnlyMessage("An ERROR ( 6) has occured", "Frixa Startup Check", MessageIcon::Exclamation);
  EXPECT_TRUE(registry_.calls.empty());
}

TEST_F(StartupTest, ZerosDisableCreateWithoutPreviewButRenewTheAssociation) {
  EXPECT_EQ(Start("0         0        "), StartupOutcome::Shown);
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_FALSE(ui_.createEnabled);
  EXPECT_EQ(ui_.status, "");
  EXPECT_TRUE(ui_.points.empty());
  EXPECT_EQ(ui_.calls, std::vector<std::string>{"SetCreateEnabled:0"});
  EXPECT_EQ(app_.InertiaFactor, 0.0f);
  EXPECT_EQ(app_.SensorMassRatio, 0.0f);
  ASSERT_TRUE(AssociationWritten());
  EXPECT_EQ(registry_.DefaultValue(".Frixa"), "Frixa");
  EXPECT_EQ(registry_.DefaultValue("Frixa"), "Torvex2 Mechanical Losses");
  EXPECT_EQ(registry_.DefaultValue("Frixa\\DefaultIcon"), app_.AppPath + "\\Frixa.ICO,0");
  EXPECT_EQ(registry_.DefaultValue("Frixa\\shell\\open\\command"),
            "\"" + app_.AppPath + "\\Frixa.exe\" %1");
}

TEST_F(StartupTest, AssociationIsRemovedBeforeItIsRegisteredAgain) {
  registry_.Put(".Frixa", "Frixa");
  Start("0         0        ");
  ASSERT_GE(registry_.calls.size(), 4u);
  EXPECT_EQ(registry_.calls[0], "open .Frixa");  // RemoveFileAssociation reads the type first
  EXPECT_NE(std::find(registry_.calls.begin(), registry_.calls.end(), "delete .frixa"),
            registry_.calls.end());
  EXPECT_EQ(registry_.DefaultValue(".Frixa"), "Frixa");
}

TEST_F(StartupTest, RefusedRegistryWritesDoNotStopStartup) {
  registry_.refuseWrites = true;
  EXPECT_EQ(Start("0         0        "), StartupOutcome::Shown);
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_FALSE(ui_.createEnabled);
}

TEST_F(StartupTest, EitherNonZeroOrNegativeValueRunsThePreview) {
  WriteShortRun();
  for (const char* line : {"0         2        ", "1.25      0        ", "-1        0        "}) {
    SCOPED_TRACE(line);
    testing::RecordingFrontend ui;
    App app(ui, app_.AppPath);
    EXPECT_EQ(RunStartup(app, line, NumberLocale{}, registry_, false), StartupOutcome::Shown);
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_EQ(ui.messages[0].text,
              "IMPORTANT - Displayed Graphs assume that the last run was a losses rundown");
    EXPECT_EQ(ui.messages[0].title, "FRIXA Information");
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Information);
    const auto lines = ui.StatusLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "Loading Data from Torvex2");
    EXPECT_EQ(lines[lines.size() - 2], "Preview Completed");
    EXPECT_TRUE(AssociationWritten());
  }
}

TEST_F(StartupTest, ParametersFollowTheUsersLocale) {
  WriteShortRun();
  const NumberLocale german{',', '.'};
  EXPECT_EQ(RunStartup(app_, "1,25      0,5      ", german, registry_, false),
            StartupOutcome::Shown);
  EXPECT_EQ(app_.InertiaFactor, 1.25f);
  EXPECT_EQ(app_.SensorMassRatio, 0.5f);
  const auto lines = ui_.StatusLines();
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[2], "Inertia factor : 1.25 Kg/M^2");
  EXPECT_EQ(lines[3], "Sensor / Mass Ratio  .5:1");
  EXPECT_FALSE(ui_.points.empty());
  EXPECT_TRUE(ui_.createEnabled);
}

}  // namespace
}  // namespace frixa
