// Create, Apply and the comment update when writing fails. A full disk: frixa-cli runs under a
// file size limit (`ulimit -f`, with SIGXFSZ ignored, so every write past the limit fails with
// EFBIG). Permission denied: frixa-cli runs as an unprivileged user on folders and files it may
// only read. Either way the user gets the command's error message and exit code 1, nothing is
// left under the final name, and an older file of that name stays exactly as it was.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "support/run_files.h"
#include "support/shell_run.h"

namespace frixa {
namespace {

namespace fs = std::filesystem;

using Output = testing::ShellOutput;

std::string Quote(const std::string& s) { return testing::ShellQuote(s); }
Output Shell(const std::string& command) { return testing::RunShell(command); }
std::string Cli(const std::string& args) { return testing::CliCommand(args); }

// The command under a limit of `blocks` 512-byte blocks per written file.
Output Limited(int blocks, const std::string& args) {
  const std::string script =
      "trap '' XFSZ; ulimit -f " + std::to_string(blocks) + " && exec " + Cli(args);
  return Shell("sh -c " + Quote(script));
}

std::vector<char> Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool IsCreatesErrorMessage(const std::string& out) {
  return out.find("Frixa Data Processor: An ERROR (") != std::string::npos &&
         out.find(") has occured") != std::string::npos;
}

std::vector<std::string> FilesIn(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  return names;
}

class FileSizeLimit : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(CalDir());
    ASSERT_EQ(Shell(Cli("simulate --out " + Quote(folder.File("Torvex2.000")) +
                        " --seed 5 --start-rpm 2500 --end-rpm 400"))
                  .status,
              0);
  }
  std::string CalDir() const { return folder.File("Custom Cal"); }
  std::string Cal(const std::string& name) const { return CalDir() + "/" + name; }
  std::string CreateArgs(const std::string& name) const {
    return "create --folder " + Quote(folder.str()) + " --inertia 1.25 --ratio 1 --out " + name;
  }
  testing::TempFolder folder;
};

// Limits (512-byte blocks) that stop a write at different stages: the first template pages,
// part-way through the rows, near the end. The calibration file of this run is ~150 KiB.
const int kCreateLimits[] = {4, 60, 200};

TEST_F(FileSizeLimit, FailedFirstCreateShowsItsErrorAndLeavesNoCalibrationFile) {
  for (const int blocks : kCreateLimits) {
    SCOPED_TRACE(blocks);
    const Output o = Limited(blocks, CreateArgs("First"));
    EXPECT_EQ(o.status, 1) << o.out;
    EXPECT_TRUE(IsCreatesErrorMessage(o.out)) << o.out;
    EXPECT_FALSE(fs::exists(Cal("First.Frixa")));
    EXPECT_EQ(FilesIn(CalDir()), std::vector<std::string>{}) << "a temporary file was left";
  }
  // Without the limit the same command succeeds: the limit is what failed it.
  EXPECT_EQ(Shell(Cli(CreateArgs("First"))).status, 0);
  EXPECT_TRUE(fs::exists(Cal("First.Frixa")));
}

TEST_F(FileSizeLimit, FailedCreateOverAnOlderFileLeavesTheOlderFileUnchanged) {
  ASSERT_EQ(Shell(Cli(CreateArgs("Kept"))).status, 0);
  const std::vector<char> before = Bytes(Cal("Kept.Frixa"));
  ASSERT_GT(before.size(), 200u * 512u) << "the limits must be below the file's size";
  for (const int blocks : kCreateLimits) {
    SCOPED_TRACE(blocks);
    const Output o = Limited(blocks, CreateArgs("Kept"));
    EXPECT_EQ(o.status, 1) << o.out;
    EXPECT_TRUE(IsCreatesErrorMessage(o.out)) << o.out;
    EXPECT_EQ(Bytes(Cal("Kept.Frixa")), before);
    EXPECT_EQ(FilesIn(CalDir()), std::vector<std::string>{"Kept.Frixa"});
  }
}

TEST_F(FileSizeLimit, FailedApplyLeavesTheOldHostFileUnchanged) {
  ASSERT_EQ(Shell(Cli(CreateArgs("A"))).status, 0);
  ASSERT_EQ(Shell(Cli("simulate --out " + Quote(folder.File("Torvex2.000")) +
                      " --seed 9 --friction 2,0.01,0.0001"))
                .status,
            0);
  ASSERT_EQ(Shell(Cli(CreateArgs("B"))).status, 0);
  const std::string host = folder.File("Torvex2.005");
  const std::string apply = "apply --folder " + Quote(folder.str()) + " ";
  ASSERT_EQ(Shell(Cli(apply + Quote(Cal("B.Frixa")))).status, 0);
  const std::vector<char> before = Bytes(host);
  ASSERT_GT(before.size(), 60u * 512u) << "the limits must be below the file's size";
  for (const int blocks : {4, 20, 60}) {
    SCOPED_TRACE(blocks);
    const Output o = Limited(blocks, apply + Quote(Cal("A.Frixa")));
    EXPECT_EQ(o.status, 1) << o.out;
    EXPECT_NE(o.out.find("Frixa - Torvex Interface: An ERROR ("), std::string::npos) << o.out;
    EXPECT_EQ(Bytes(host), before);
    EXPECT_FALSE(fs::exists(host + ".new"));
  }
  // Without the limit the same Apply replaces the file.
  EXPECT_EQ(Shell(Cli(apply + Quote(Cal("A.Frixa")))).status, 0);
  EXPECT_NE(Bytes(host), before);
}

// ---- exports ------------------------------------------------------------------------------

// The preview's points CSV over an older file, under a limit of two blocks: the write fails
// midway, exit code 1 with error 75, the older file byte for byte and no temporary beside it.
TEST_F(FileSizeLimit, FailedPointsCsvWriteKeepsTheOlderFile) {
  const std::string out = folder.File("out");
  fs::create_directory(out);
  const std::string args = "preview --folder " + Quote(folder.str()) +
                           " --inertia 1.25 --ratio 1 --points-csv " + Quote(out + "/p.csv");
  std::ofstream(out + "/p.csv", std::ios::binary) << std::string(700, 'k');
  const Output o = Limited(2, args);
  EXPECT_EQ(o.status, 1) << o.out;
  EXPECT_NE(o.out.find("frixa-cli preview: cannot write " + out + "/p.csv: Path/File access "
                       "error (error 75)\n"),
            std::string::npos)
      << o.out;
  EXPECT_EQ(Bytes(out + "/p.csv"), std::vector<char>(700, 'k'));
  EXPECT_EQ(FilesIn(out), std::vector<std::string>{"p.csv"});
  EXPECT_EQ(Shell(Cli(args)).status, 0);  // without the limit it is replaced
  EXPECT_GT(Bytes(out + "/p.csv").size(), 1024u);
}

// ---- memory ---------------------------------------------------------------------------------

// A ratio far below any rig's (0.0015) makes this rundown span 1.57 million RPMs (100000 to
// 1666409), within the widest range Create takes; its tables then need about 240 MB. Under a
// limit of 100 MB of address space (ten times what frixa-cli needs to start) Create runs out of
// memory part-way: its own error 7 message and exit code 1, never the runtime's abort, and no
// file left behind.
TEST_F(FileSizeLimit, CreateUnderAMemoryLimitEndsWithItsOwnMessage) {
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit allows";
#endif
  const std::string script =
      "ulimit -v 100000 && exec " +
      Cli("create --folder " + Quote(folder.str()) + " --inertia 1.25 --ratio 0.0015 --out Wide");
  const Output o = Shell("sh -c " + Quote(script));
  EXPECT_EQ(o.status, 1) << o.out;
  EXPECT_NE(o.out.find("Frixa Data Processor: An ERROR ( 7) has occured\n"), std::string::npos) << o.out;
  EXPECT_EQ(o.out.find("Process Completed"), std::string::npos) << o.out;
  EXPECT_EQ(o.out.find("terminate called"), std::string::npos) << o.out;
  EXPECT_EQ(FilesIn(CalDir()), std::vector<std::string>{}) << "a temporary file was left";
}

// ---- permission denied ------------------------------------------------------------------

// The command as a user without any right to the test's files: "nobody" when the tests run as
// root (root may write anywhere), the user itself otherwise.
Output Unprivileged(const std::string& args) {
  const std::string command = geteuid() == 0
                                  ? "setpriv --reuid=65534 --regid=65534 --clear-groups -- " + Cli(args)
                                  : Cli(args);
  return Shell(command);
}

class PermissionDenied : public FileSizeLimit {
 protected:
  void SetUp() override {
    FileSizeLimit::SetUp();
    if (geteuid() == 0 && Shell("setpriv --reuid=65534 --regid=65534 --clear-groups -- true").status != 0) {
      GTEST_SKIP() << "setpriv cannot switch to an unprivileged user here";
    }
    if (geteuid() == 0 && Shell("setpriv --reuid=65534 --regid=65534 --clear-groups -- test -x " +
                                Quote(FRIXA_CLI_PATH)).status != 0) {
      GTEST_SKIP() << "frixa-cli lies where an unprivileged user cannot run it";
    }
    ASSERT_EQ(Shell(Cli(CreateArgs("Kept"))).status, 0);
    ASSERT_EQ(Shell(Cli("apply --folder " + Quote(folder.str()) + " Kept")).status, 0);
    // Everything readable, nothing writable for the unprivileged user.
    for (const auto& e : fs::recursive_directory_iterator(folder.path())) {
      fs::permissions(e.path(), e.is_directory() ? fs::perms(0555) : fs::perms(0444));
    }
    fs::permissions(folder.path(), fs::perms(0555));
  }
  void TearDown() override {
    fs::permissions(folder.path(), fs::perms(0755));
    for (const auto& e : fs::recursive_directory_iterator(folder.path())) {
      fs::permissions(e.path(), e.is_directory() ? fs::perms(0755) : fs::perms(0644));
    }
  }
  // Files of another user, so that the unprivileged one may not write them (the read-only bits
  // alone say so to the program, which would then not even try).
  void WritableButNotOurs() {
    for (const auto& e : fs::recursive_directory_iterator(folder.path())) {
      if (!e.is_directory()) fs::permissions(e.path(), fs::perms(0644));
    }
  }
};

TEST_F(PermissionDenied, CreateInAFolderThatMayNotBeWrittenWarnsThenFailsAndKeepsTheOlderFile) {
  if (geteuid() != 0) GTEST_SKIP() << "needs another user's files";
  WritableButNotOurs();
  const std::vector<char> before = Bytes(Cal("Kept.Frixa"));
  const Output o = Unprivileged(CreateArgs("Kept"));
  EXPECT_EQ(o.status, 1) << o.out;
  EXPECT_NE(o.out.find("Filename : Kept.Frixa"), std::string::npos) << "the run was not even read: " << o.out;
  EXPECT_NE(o.out.find("Warning: 75:Error in BuildFileFromResource."), std::string::npos) << o.out;
  EXPECT_TRUE(IsCreatesErrorMessage(o.out)) << o.out;
  EXPECT_EQ(Bytes(Cal("Kept.Frixa")), before);
  EXPECT_EQ(FilesIn(CalDir()), std::vector<std::string>{"Kept.Frixa"});
}

TEST_F(PermissionDenied, ApplyInAProgramFolderThatMayNotBeWrittenFailsAndKeepsTheHostFile) {
  if (geteuid() != 0) GTEST_SKIP() << "needs another user's files";
  WritableButNotOurs();
  const std::string host = folder.File("Torvex2.005");
  const std::vector<char> before = Bytes(host);
  const Output o = Unprivileged("apply --folder " + Quote(folder.str()) + " Kept");
  EXPECT_EQ(o.status, 1) << o.out;
  EXPECT_NE(o.out.find("Frixa - Torvex Interface: An ERROR ("), std::string::npos) << o.out;
  EXPECT_EQ(Bytes(host), before);
  EXPECT_FALSE(fs::exists(host + ".new"));
}

TEST_F(PermissionDenied, CommentOfAFileThatMayNotBeWrittenIsRefusedAndTheFileKept) {
  const std::vector<char> before = Bytes(Cal("Kept.Frixa"));
  // Marked read-only: refused before anything is tried.
  Output o = Unprivileged("comment " + Quote(Cal("Kept.Frixa")) + " refused");
  EXPECT_EQ(o.status, 1) << o.out;
  EXPECT_NE(o.out.find("error 3027"), std::string::npos) << o.out;
  EXPECT_EQ(Bytes(Cal("Kept.Frixa")), before);
  if (geteuid() == 0) {
    // Not marked, but another user's, in a folder that refuses the new copy: the save in place
    // is refused by the system.
    WritableButNotOurs();
    o = Unprivileged("comment " + Quote(Cal("Kept.Frixa")) + " refused");
    EXPECT_EQ(o.status, 1) << o.out;
    EXPECT_NE(o.out.find("error 3051"), std::string::npos) << o.out;
    EXPECT_EQ(Bytes(Cal("Kept.Frixa")), before);
  }
  EXPECT_EQ(FilesIn(CalDir()), std::vector<std::string>{"Kept.Frixa"});
}

TEST_F(PermissionDenied, CommentOfAWritableFileInAFolderThatRefusesTheCopyIsSavedInPlace) {
  // The file may be written but its folder takes no new file: the comment is still saved.
  fs::permissions(Cal("Kept.Frixa"), fs::perms(0666));
  const Output o = Unprivileged("comment " + Quote(Cal("Kept.Frixa")) + " " + Quote("saved in place"));
  EXPECT_EQ(o.status, 0) << o.out;
  EXPECT_EQ(FilesIn(CalDir()), std::vector<std::string>{"Kept.Frixa"});
  const Output info = Shell(Cli("info " + Quote(Cal("Kept.Frixa"))));
  EXPECT_NE(info.out.find("Description: saved in place"), std::string::npos) << info.out;
}

}  // namespace
}  // namespace frixa
