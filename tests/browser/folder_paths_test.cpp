// The browser's path text: normalising, joining, comparing, the folder chain, name order and
// the folder list's indent.
#include "browser/folder_paths.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace frixa {
namespace {

TEST(FolderPaths, NormaliseJoinAndCompareWindowsPaths) {
  EXPECT_EQ(NormalisedFolder("c:/Dyno/Custom Cal/"), "c:\\Dyno\\Custom Cal");
  EXPECT_EQ(NormalisedFolder("c:\\Dyno\\\\"), "c:\\Dyno");
  EXPECT_EQ(NormalisedFolder("c:"), "c:\\");
  EXPECT_EQ(NormalisedFolder("c:\\"), "c:\\");
  EXPECT_EQ(NormalisedFolder("c:\\\\"), "c:\\");  // extra backslashes go, the root keeps one
  EXPECT_EQ(JoinPath("c:\\", "a.Frixa"), "c:\\a.Frixa");
  EXPECT_EQ(JoinPath("c:\\Dyno", "a.Frixa"), "c:\\Dyno\\a.Frixa");
  EXPECT_EQ(JoinPath("", "a.Frixa"), "a.Frixa");
  EXPECT_TRUE(SamePath("C:/Dyno/Custom Cal/Rig.FRIXA", "c:\\dyno\\custom cal\\rig.frixa"));
  EXPECT_FALSE(SamePath("c:\\Dyno\\Rig.Frixa", "c:\\Dyno\\Rig2.Frixa"));
  EXPECT_EQ(LowerCase("Z:\\ÄB"), "z:\\\xC3\x84" "b");  // ASCII letters only
}

TEST(FolderPaths, ChainRunsFromTheRootDownAndNamesSortWithoutCase) {
  const std::vector<FolderChainEntry> chain = FolderChain("C:/Dyno/Custom Cal/Old/");
  const std::vector<FolderChainEntry> expected{{"C:\\", "c:\\"},
                                               {"C:\\Dyno", "Dyno"},
                                               {"C:\\Dyno\\Custom Cal", "Custom Cal"},
                                               {"C:\\Dyno\\Custom Cal\\Old", "Old"}};
  EXPECT_EQ(chain, expected);
  EXPECT_EQ(FolderChain("z:"), (std::vector<FolderChainEntry>{{"z:\\", "z:\\"}}));

  std::vector<std::string> names{"beta.Frixa", "Alpha.FRIXA", "alpha2.frixa", "Gamma", "_x"};
  SortNames(names);
  EXPECT_EQ(names, (std::vector<std::string>{"_x", "Alpha.FRIXA", "alpha2.frixa", "beta.Frixa",
                                             "Gamma"}));
}

TEST(FolderPaths, IndentShrinksOnADeepPathButNeverBelowThree) {
  EXPECT_EQ(FolderIndent(100, 100, 4), kFolderIndent);
  EXPECT_EQ(FolderIndent(101, 100, 4), 9);   // one pixel over: each of 4 levels gives one
  EXPECT_EQ(FolderIndent(108, 100, 4), 8);
  EXPECT_EQ(FolderIndent(109, 100, 4), 7);
  EXPECT_EQ(FolderIndent(500, 100, 4), 3);
  EXPECT_EQ(FolderIndent(105, 100, 1), 5);
}

}  // namespace
}  // namespace frixa
