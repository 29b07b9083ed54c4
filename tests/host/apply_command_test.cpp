// Apply: the host loss file rebuilt from a calibration file's loss curve, its status log, and
// the failures that must leave the host's current file as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>

#include "calfile/create_command.h"
#include "common/error.h"
#include "host/apply_command.h"
#include "host/remove_command.h"
#include "support/calibration_fixture.h"
#include "support/failing_file_steps.h"
#include "templates/build_file.h"

namespace frixa {
namespace {

using testing::ProgramFolder;
using testing::ReadTable;

std::vector<char> Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ApplyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    p.SimulateAndPreview(testing::ProgramFolder::ShortRundown());
    p.Create("Rig");
    ASSERT_TRUE(p.ui.messages.empty());
    p.ui.status.clear();
  }
  CommandOutcome Apply(const std::string& typed) {
    p.ui.fileNameAnswers.push_back(typed.empty() ? "" : p.CalFile(typed));
    return ApplyCommand(p.app, p.dc);
  }
  std::string HostFile() const { return p.app.ProgramFile("Torvex2.005"); }
  ProgramFolder p;
};

TEST_F(ApplyTest, HostFileGetsTheLossesRowForRowAndBitForBit) {
  EXPECT_EQ(Apply("Rig"), CommandOutcome::Completed());
  ASSERT_TRUE(p.ui.messages.empty()) << p.ui.messages[0].text;
  const auto source = ReadTable(p.CalFile("Rig.Frixa"), "Losses");
  ASSERT_FALSE(source.empty());
  EXPECT_EQ(ReadTable(HostFile(), "Losses"), source);
  const std::vector<std::string> expected = {
      "Apply a Frixa File", std::string(44, '-'), "Source Filename : Rig.Frixa", "",
      "Initializing Torvex2 System", "Writing losses data to Torvex2 System", "", "Wait........",
      "", "********", "Done", "********"};
  EXPECT_EQ(p.ui.StatusLines(), expected);
  ASSERT_EQ(p.ui.dialogs.size(), 2u);
  const FileDialogSettings& d = p.ui.dialogs[1];
  EXPECT_EQ(d.filter, "Frix Losses Files (*.FRIXA)|*.FRIXA|");
  EXPECT_EQ(d.initDir, p.CalFolder());
  EXPECT_EQ(d.flags, 8196u);
  EXPECT_EQ(d.title, "Apply a Losses file to Torvex2");
  EXPECT_FALSE(std::filesystem::exists(p.app.ProgramFile(kHostLossBuildName)));
  // The host file is released: it can be removed at once.
  EXPECT_TRUE(std::filesystem::remove(HostFile()));
}

TEST_F(ApplyTest, ANameWithoutTheExactExtensionGetsItAppended) {
  Apply("Rig.FRIXA");  // "Rig.FRIXA.Frixa" does not exist
  ASSERT_EQ(p.ui.messages.size(), 1u);
  EXPECT_EQ(p.ui.messages[0].text, "An ERROR ( 3024) has occured");
  EXPECT_EQ(p.ui.StatusLines()[2], "Source Filename : Rig.Frixa");
  EXPECT_FALSE(std::filesystem::exists(HostFile()));
}

TEST_F(ApplyTest, AFileThatIsNotADatabaseLeavesTheHostFileUntouched) {
  Apply("Rig");
  const auto before = Bytes(HostFile());
  testing::WriteBytes(p.CalFile("junk.Frixa"), std::vector<std::uint8_t>(5000, 'x'));
  EXPECT_EQ(Apply("junk"), CommandOutcome::Failed(errnum::kJetUnrecognisedFormat, true));
  ASSERT_EQ(p.ui.messages.size(), 1u);
  EXPECT_EQ(p.ui.messages[0].title, "Frixa - Torvex Interface");
  EXPECT_EQ(p.ui.messages[0].icon, MessageIcon::Exclamation);
  EXPECT_EQ(p.ui.messages[0].text, "An ERROR ( 3343) has occured");
  EXPECT_EQ(Bytes(HostFile()), before);
  EXPECT_FALSE(std::filesystem::exists(p.app.ProgramFile(kHostLossBuildName)));
  EXPECT_EQ(p.ui.StatusLines().back(), "Initializing Torvex2 System");
}

TEST_F(ApplyTest, MemoryExhaustedIsErrorSevenAndLeavesTheHostFileUntouched) {
  Apply("Rig");
  const auto before = Bytes(HostFile());
  p.ui.onCall = [](const std::string& call) {
    if (call == "AppendStatusLine:Writing losses data to Torvex2 System") throw std::bad_alloc();
  };
  Apply("Rig");
  p.ui.onCall = nullptr;
  ASSERT_EQ(p.ui.messages.size(), 1u);
  EXPECT_EQ(p.ui.messages[0].text, "An ERROR ( 7) has occured");
  EXPECT_EQ(p.ui.messages[0].title, "Frixa - Torvex Interface");
  EXPECT_EQ(p.ui.messages[0].icon, MessageIcon::Exclamation);
  EXPECT_EQ(Bytes(HostFile()), before);
  EXPECT_FALSE(std::filesystem::exists(p.app.ProgramFile(kHostLossBuildName)));
  EXPECT_FALSE(p.app.commandRunning);
}

TEST_F(ApplyTest, CancelTouchesNothing) {
  Apply("Rig");
  const auto before = Bytes(HostFile());
  EXPECT_EQ(Apply(""), CommandOutcome::Cancelled());
  EXPECT_EQ(p.ui.StatusLines(),
            (std::vector<std::string>{"Apply a Frixa File", std::string(44, '-')}));
  EXPECT_EQ(Bytes(HostFile()), before);
}

TEST_F(ApplyTest, AHostFileThatCannotBeReplacedStaysAsItWasWithErrorSeventy) {
  Apply("Rig");
  const auto before = Bytes(HostFile());
  testing::FailingFileSteps held(testing::FailingFileSteps::Step::kReplace);
  ScopedFileWriteSteps scoped(held);
  EXPECT_EQ(Apply("Rig"), CommandOutcome::Failed(errnum::kPermissionDenied, true));
  ASSERT_EQ(p.ui.messages.size(), 1u);
  EXPECT_EQ(p.ui.messages[0].text, "An ERROR ( 70) has occured");
  EXPECT_EQ(Bytes(HostFile()), before);
  EXPECT_FALSE(std::filesystem::exists(p.app.ProgramFile(kHostLossBuildName)));
}

TEST_F(ApplyTest, AnEmptyCurveGivesAnEmptyHostTable) {
  BuildFileFromResource(p.ui, p.CalFile("empty.Frixa"), 101, "MDB");
  Apply("empty");
  EXPECT_TRUE(p.ui.messages.empty());
  EXPECT_TRUE(ReadTable(HostFile(), "Losses").empty());
  EXPECT_EQ(p.ui.StatusLines().back(), "********");
}

TEST_F(ApplyTest, RemoveThenApplyRecreatesTheHostFile) {
  Apply("Rig");
  const auto applied = ReadTable(HostFile(), "Losses");
  p.ui.messageAnswers.push_back(MessageAnswer::Yes);
  RemoveCommand(p.app);
  EXPECT_FALSE(std::filesystem::exists(HostFile()));
  Apply("Rig");
  EXPECT_EQ(ReadTable(HostFile(), "Losses"), applied);
}

}  // namespace
}  // namespace frixa
