// The whole-file writer: a failure at any step (creating the temporary, writing it midway,
// closing, syncing, putting it in place) leaves the older file byte for byte and no temporary;
// only a complete write replaces it. Also the failing steps the entry points' tests use.
#include "support/failing_file_steps.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/error.h"
#include "platform/whole_file.h"
#include "support/error_of.h"
#include "support/run_files.h"

namespace frixa {
namespace {

using testing::ErrorOf;
using testing::FailingFileSteps;
using Step = FailingFileSteps::Step;

std::vector<std::string> Names(const testing::TempFolder& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder.path())) {
    names.push_back(e.path().filename().string());
  }
  return names;
}

struct StepCase {
  Step step;
  int error;
};

class WholeFileStep : public ::testing::TestWithParam<StepCase> {};

TEST_P(WholeFileStep, FailureKeepsTheOlderFileAndLeavesNoTemporary) {
  testing::TempFolder folder;
  const std::string target = folder.File("picture.png");
  const std::string old = "the older picture\n";
  testing::WriteText(target, old);
  FailingFileSteps steps(GetParam().step);
  ScopedFileWriteSteps scoped(steps);
  // Two parts, so that a write failing midway has a complete part before it.
  EXPECT_EQ(ErrorOf([&] {
              WholeFileWriter writer(target);
              writer.Write(std::string(5000, 'a'));
              writer.Write(std::string(5000, 'b'));
              writer.Commit();
            }),
            GetParam().error);
  EXPECT_EQ(testing::ReadText(target), old);
  EXPECT_EQ(Names(folder), std::vector<std::string>{"picture.png"});
  EXPECT_TRUE(steps.failed());
}

INSTANTIATE_TEST_SUITE_P(EveryStep, WholeFileStep,
                         ::testing::Values(StepCase{Step::kCreate, errnum::kPathFileAccess},
                                           StepCase{Step::kWrite, errnum::kPathFileAccess},
                                           StepCase{Step::kFinish, errnum::kPathFileAccess},
                                           StepCase{Step::kSync, errnum::kPathFileAccess},
                                           StepCase{Step::kReplace, errnum::kPermissionDenied}));

TEST(WholeFile, OnlyACommittedWriteReplacesTheFile) {
  testing::TempFolder folder;
  const std::string target = folder.File("table.csv");
  testing::WriteText(target, "old");
  {
    WholeFileWriter abandoned(target);
    abandoned.Write("never committed");
  }
  EXPECT_EQ(testing::ReadText(target), "old");
  EXPECT_EQ(Names(folder), std::vector<std::string>{"table.csv"});

  WriteWholeFile(target, "a,b\n1,2\n");
  EXPECT_EQ(testing::ReadText(target), "a,b\n1,2\n");
  WriteWholeFile(folder.File("new.svg"), "<svg/>");
  EXPECT_EQ(testing::ReadText(folder.File("new.svg")), "<svg/>");
  EXPECT_EQ(Names(folder).size(), 2u);
  // A folder that does not exist: nothing to create the temporary in.
  EXPECT_EQ(ErrorOf([&] { WriteWholeFile(folder.File("none/x.pdf"), "x"); }), errnum::kPathFileAccess);
}

}  // namespace
}  // namespace frixa
