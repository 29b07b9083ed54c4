// Create and Apply when writing fails part-way: frixa-cli runs under a file size limit
// (`ulimit -f`, with SIGXFSZ ignored, so every write past the limit fails with EFBIG). The user
// gets the command's error message and exit code 1, nothing is left under the final name, and an
// older file of that name stays exactly as it was.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "support/run_files.h"

namespace frixa {
namespace {

namespace fs = std::filesystem;

struct Output {
  int status = 0;
  std::string out;  // stdout and stderr
};

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

Output Shell(const std::string& command) {
  Output o;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen((command + " 2>&1").c_str(), "r"), pclose);
  char buf[65536];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe.get())) > 0) o.out.append(buf, n);
  const int raw = pclose(pipe.release());
  o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return o;
}

std::string Cli(const std::string& args) {
  return Quote(FRIXA_CLI_PATH) + " " + args;
}

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

}  // namespace
}  // namespace frixa
