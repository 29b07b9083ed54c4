// The browser's display of a calibration file without any window: what a shown file fills in,
// what a failure leaves, and when closing may write the comment back.
#include <gtest/gtest.h>

#include <filesystem>

#include "browser/file_browser.h"
#include "calfile/create_command.h"
#include "support/calibration_fixture.h"
#include "support/jet_test_files.h"

namespace frixa {
namespace {

class FileBrowserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    p.SimulateAndPreview(testing::ProgramFolder::ShortRundown(), 1.5f, 2.0f);
    p.Create("Rig");
    ASSERT_TRUE(p.ui.messages.empty());
    rig = p.CalFile("Rig.Frixa");
  }
  std::string StoredComment() { return testing::ReadTable(rig, "Info").at(0).at(6).AsText(); }

  testing::ProgramFolder p;
  std::string rig;
};

TEST_F(FileBrowserTest, StartsWithTheResetDisplay) {
  FileBrowser b(',');
  for (const std::string& v : b.display().values) EXPECT_EQ(v, "No File Selected");
  EXPECT_EQ(b.display().comment, " ");
  EXPECT_FALSE(b.display().gridShown);
  EXPECT_FALSE(b.fileShown());
}

TEST_F(FileBrowserTest, ShownFileFillsValuesWithTheUsersSeparatorAndEveryLossRow) {
  FileBrowser b(',');
  ASSERT_TRUE(b.ShowFile(rig));
  const BrowserDisplay& d = b.display();
  EXPECT_EQ(d.values[0], "01,5000000 Kg/M^2");
  EXPECT_EQ(d.values[1], "2,0000000");
  EXPECT_EQ(d.values[4], "12/9/2026");
  EXPECT_EQ(d.comment, " ");
  EXPECT_TRUE(d.gridShown);
  EXPECT_EQ(d.columns, (std::vector<std::string>{"RPM", "KWloss", "NMLoss"}));
  const auto losses = testing::ReadTable(rig, "Losses");
  ASSERT_EQ(d.rows.size(), losses.size());
  EXPECT_EQ(d.rows[0][0], std::to_string(losses[0][0].AsInteger()));
  EXPECT_EQ(d.rows[0][1], DefaultNumberText(losses[0][1].AsSingle(), ','));
}

TEST_F(FileBrowserTest, FailedFileResetsWithAnEmptyCommentAndNothingIsSaved) {
  testing::WriteBytes(p.CalFile("Junk.FRIXA"), {1, 2, 3, 4});
  FileBrowser b('.');
  ASSERT_TRUE(b.ShowFile(rig));
  EXPECT_FALSE(b.ShowFile(p.CalFile("Junk.FRIXA")));
  for (const std::string& v : b.display().values) EXPECT_EQ(v, "No File Selected");
  EXPECT_EQ(b.display().comment, "");
  EXPECT_FALSE(b.display().gridShown);
  b.SaveComment("written after the failure");
  b.Release();
  EXPECT_EQ(StoredComment(), " ");
}

TEST_F(FileBrowserTest, CommentIsSavedOnlyWhileItsFileIsShown) {
  FileBrowser b('.');
  ASSERT_TRUE(b.ShowFile(rig));
  b.SaveComment("first");
  b.ResetDisplay();
  b.SaveComment("after a change of folder");
  b.Release();
  EXPECT_EQ(StoredComment(), "first");
}

TEST_F(FileBrowserTest, RefusedCommentsAreSkippedSilently) {
  FileBrowser b('.');
  b.SaveComment("nothing shown yet");  // no file: nothing happens
  ASSERT_TRUE(b.ShowFile(rig));
  b.SaveComment("");                     // zero-length: refused
  b.SaveComment(std::string(256, 'x'));  // longer than the column
  b.Release();
  EXPECT_EQ(StoredComment(), " ");
}

TEST_F(FileBrowserTest, SavedCommentReplacesTheWholeFileAndLeavesNoCopyBehind) {
  const auto losses = testing::ReadTable(rig, "Losses");
  const auto raw = testing::ReadTable(rig, "RawData");
  FileBrowser b('.');
  ASSERT_TRUE(b.ShowFile(rig));
  EXPECT_TRUE(b.SaveComment("New bearings, 2026"));
  EXPECT_EQ(b.saveError(), "");
  b.Release();
  EXPECT_EQ(StoredComment(), "New bearings, 2026");
  EXPECT_FALSE(std::filesystem::exists(rig + ".tmp"));
  // The other tables are as Create left them.
  EXPECT_EQ(testing::ReadTable(rig, "Losses"), losses);
  EXPECT_EQ(testing::ReadTable(rig, "RawData"), raw);
}

TEST_F(FileBrowserTest, CommentOfAFileThatBecameReadOnlyIsRefusedWithItsReason) {
  FileBrowser b('.');
  ASSERT_TRUE(b.ShowFile(rig));
  const auto before = testing::FileBytes(rig);
  namespace fs = std::filesystem;
  fs::permissions(rig, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  EXPECT_FALSE(b.SaveComment("not saved"));
  EXPECT_NE(b.saveError().find("3027"), std::string::npos) << b.saveError();
  fs::permissions(rig, fs::perms::owner_write, fs::perm_options::add);
  b.Release();
  EXPECT_EQ(testing::FileBytes(rig), before);
}

}  // namespace
}  // namespace frixa
