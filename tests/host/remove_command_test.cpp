// Remove: the confirmation, the deletion of the host loss file and its status lines.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "common/app.h"
#include "common/error.h"
#include "host/remove_command.h"
#include "support/recording_frontend.h"
#include "support/run_files.h"

namespace frixa {
namespace {

class RemoveCommandTest : public ::testing::Test {
 protected:
  RemoveCommandTest() : app(ui, folder.str()) {}
  std::string HostFile() const { return folder.File("Torvex2.005"); }
  void MakeHostFile() { testing::WriteBytes(HostFile(), {1, 2, 3}); }

  testing::TempFolder folder;
  testing::RecordingFrontend ui;
  App app;
};

TEST_F(RemoveCommandTest, NoKeepsTheFileAndLogsOnlyTheHeading) {
  MakeHostFile();
  ui.status = "old lines\r\n";
  ui.messageAnswers.push_back(MessageAnswer::No);
  EXPECT_EQ(RemoveCommand(app), CommandOutcome::Cancelled());
  EXPECT_TRUE(std::filesystem::exists(HostFile()));
  EXPECT_EQ(ui.StatusLines(), (std::vector<std::string>{
                                  "Disabling Losses Calibration",
                                  "--------------------------------------------"}));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "Are you sure ??");
  EXPECT_EQ(ui.messages[0].title, "Frixa");
  EXPECT_EQ(ui.messages[0].icon, MessageIcon::Question);
  EXPECT_EQ(ui.messages[0].buttons, MessageButtons::YesNo);
}

TEST_F(RemoveCommandTest, YesDeletesThePresentFile) {
  MakeHostFile();
  ui.messageAnswers.push_back(MessageAnswer::Yes);
  EXPECT_EQ(RemoveCommand(app), CommandOutcome::Completed());
  EXPECT_FALSE(std::filesystem::exists(HostFile()));
  ASSERT_EQ(ui.StatusLines().size(), 3u);
  EXPECT_EQ(ui.StatusLines()[2], "Torvex Losses : Disabled");
}

TEST_F(RemoveCommandTest, YesWithoutAFileSaysAlreadyInactive) {
  ui.messageAnswers.push_back(MessageAnswer::Yes);
  // Failed, but told in the status log only: frixa-cli's exit code stays 0.
  EXPECT_EQ(RemoveCommand(app), CommandOutcome::Failed(errnum::kFileNotFound, false));
  ASSERT_EQ(ui.StatusLines().size(), 3u);
  EXPECT_EQ(ui.StatusLines()[2], "Already inactive....");
  EXPECT_EQ(ui.messages.size(), 1u);  // the question only: no error box
}

#ifdef _WIN32
TEST_F(RemoveCommandTest, AFileHeldOpenByAnotherProgramStays) {
  MakeHostFile();
  std::FILE* held = std::fopen(HostFile().c_str(), "rb");
  ASSERT_NE(held, nullptr);
  ui.messageAnswers.push_back(MessageAnswer::Yes);
  RemoveCommand(app);
  std::fclose(held);
  EXPECT_TRUE(std::filesystem::exists(HostFile()));
  EXPECT_EQ(ui.StatusLines().back(), "Already inactive....");
}
#endif

}  // namespace
}  // namespace frixa
