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

// The fixed formats work on a value's 15 significant digits, as the platform's Format does:
// a huge value is its digits and zeros, not the binary value's full expansion.
TEST(FormatFixed, HugeAndTinyValuesUseFifteenSignificantDigits) {
  EXPECT_EQ(FormatFixed(1e30, 2, 7, '.'), "1" + std::string(30, '0') + ".0000000");
  EXPECT_EQ(FormatFixed(-1e30, 1, 7, ','), "-1" + std::string(30, '0') + ",0000000");
  EXPECT_EQ(FormatFixed(static_cast<double>(1e30f), 2, 7, '.'),
            "100000001504747" + std::string(16, '0') + ".0000000");
  EXPECT_EQ(FormatFixed(1.7976931348623157e308, 1, 7, '.'),
            "179769313486232" + std::string(294, '0') + ".0000000");
  EXPECT_EQ(FormatFixed(123456789012345678.0, 2, 7, '.'), "123456789012346000.0000000");
  // Within the digits the rounding is half away from zero at the seventh decimal.
  EXPECT_EQ(FormatFixed(1.5, 2, 7, '.'), "01.5000000");
  EXPECT_EQ(FormatFixed(0.00000005, 1, 7, '.'), "0.0000001");
  EXPECT_EQ(FormatFixed(9.99999995, 2, 7, '.'), "10.0000000");
  EXPECT_EQ(FormatFixed(static_cast<double>(1.2f), 2, 7, '.'), "01.2000000");
  EXPECT_EQ(FormatFixed(1e-300, 1, 7, '.'), "0.0000000");
  EXPECT_EQ(FormatFixed(-1e-300, 2, 7, '.'), "00.0000000");
  EXPECT_EQ(FormatFixed(0.0, 2, 7, '.'), "00.0000000");
  EXPECT_EQ(FormatFixed(12345.678901234567, 2, 7, '.'), "12345.6789012");
}

TEST_F(FileBrowserTest, HugeStoredValuesShowTheirSignificantDigits) {
  {
    RecordSet info;
    Bind(info, rig, "select * from Info");
    info.Edit();
    info.SetField(0, FieldValue::Double(1e30));
    info.SetField(1, FieldValue::Double(-2.5e20));
    info.SetField(2, FieldValue::Single(3e38f));
    info.SetField(3, FieldValue::Single(1e-40f));
    info.Update();
    Release(info);
  }
  FileBrowser b('.');
  ASSERT_TRUE(b.ShowFile(rig));
  EXPECT_EQ(b.display().values[0], "1" + std::string(30, '0') + ".0000000 Kg/M^2");
  EXPECT_EQ(b.display().values[1], "-250000000000000000000.0000000");
  EXPECT_EQ(b.display().values[2], "3E+38 RPM");
  EXPECT_EQ(b.display().values[3], "9.999946E-41 RPM");
  b.Release();
}

}  // namespace
}  // namespace frixa
