// Calibration files that are no longer what Create wrote: replaced by garbage, cut short, with
// pages overwritten by zeros, or marked read-only. Each is shown (info), applied and browsed
// (the comment update) by frixa-cli. A damaged file gives a clear error and exit code 1, never a
// crash; Torvex2.005 and the damaged file itself stay byte for byte as they were. A read-only
// file reads and applies as before.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "support/run_files.h"
#include "support/shell_run.h"

namespace frixa {
namespace {

namespace fs = std::filesystem;
using testing::CliCommand;
using testing::RunShell;
using testing::ShellQuote;

std::vector<char> Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Write(const std::string& path, const std::vector<char>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

class DamagedCalibrationFile : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(folder.File("Custom Cal"));
    ASSERT_EQ(RunShell(CliCommand("simulate --out " + ShellQuote(folder.File("Torvex2.000")) + " --seed 4")).status, 0);
    ASSERT_EQ(RunShell(CliCommand("create " + Folder() + " --inertia 1.25 --ratio 1 --out Good")).status, 0);
    ASSERT_EQ(RunShell(CliCommand("apply " + Folder() + " Good")).status, 0);
    good = Bytes(Cal("Good"));
    host = Bytes(folder.File("Torvex2.005"));
    ASSERT_GT(good.size(), 20u * 2048u);
  }
  std::string Folder() const { return "--folder " + ShellQuote(folder.str()); }
  std::string Cal(const std::string& name) const { return folder.File("Custom Cal") + "/" + name + ".Frixa"; }

  // Info, Apply and the comment update on the file `name`, which holds `bytes`.
  void ExpectRefusedEverywhere(const std::string& name, const std::vector<char>& bytes) {
    Write(Cal(name), bytes);
    const auto info = RunShell(CliCommand("info " + ShellQuote(Cal(name))));
    EXPECT_EQ(info.status, 1) << info.out;
    EXPECT_NE(info.out.find("frixa-cli info: "), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("(error "), std::string::npos) << info.out;

    const auto apply = RunShell(CliCommand("apply " + Folder() + " " + name));
    EXPECT_EQ(apply.status, 1) << apply.out;
    EXPECT_NE(apply.out.find("Frixa - Torvex Interface: An ERROR ("), std::string::npos) << apply.out;
    EXPECT_EQ(Bytes(folder.File("Torvex2.005")), host) << "the host loss file changed";
    EXPECT_FALSE(fs::exists(folder.File("Torvex2.005.new")));

    const auto comment = RunShell(CliCommand("comment " + ShellQuote(Cal(name)) + " x"));
    EXPECT_EQ(comment.status, 1) << comment.out;
    EXPECT_NE(comment.out.find("frixa-cli comment: "), std::string::npos) << comment.out;
    EXPECT_EQ(Bytes(Cal(name)), bytes) << "the damaged file was changed";
    EXPECT_FALSE(fs::exists(Cal(name) + ".tmp"));
  }

  testing::TempFolder folder;
  std::vector<char> good, host;
};

TEST_F(DamagedCalibrationFile, GarbageOfTheSameSize) {
  std::mt19937 random(7);
  std::vector<char> garbage(good.size());
  for (char& c : garbage) c = static_cast<char>(random());
  ExpectRefusedEverywhere("Garbage", garbage);
}

TEST_F(DamagedCalibrationFile, CutShortAnywhere) {
  // Within page 0, after the catalog, and half-way through the rows.
  for (const std::size_t size : {std::size_t{0}, std::size_t{100}, std::size_t{2048}, 5 * std::size_t{2048},
                                 good.size() / 2}) {
    SCOPED_TRACE(size);
    ExpectRefusedEverywhere("Cut", std::vector<char>(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size)));
  }
}

TEST_F(DamagedCalibrationFile, CatalogPageZeroed) {
  std::vector<char> bytes = good;
  std::fill(bytes.begin() + 2 * 2048, bytes.begin() + 3 * 2048, '\0');  // the catalog's table
  ExpectRefusedEverywhere("Zeroed", bytes);
}

TEST_F(DamagedCalibrationFile, ReadOnlyFileIsShownAndAppliedButItsCommentIsRefused) {
  fs::permissions(Cal("Good"), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  const auto info = RunShell(CliCommand("info " + ShellQuote(Cal("Good"))));
  EXPECT_EQ(info.status, 0) << info.out;
  EXPECT_NE(info.out.find("Applied Moment of Inertia: 01.2500000 Kg/M^2"), std::string::npos) << info.out;
  fs::remove(folder.File("Torvex2.005"));
  const auto apply = RunShell(CliCommand("apply " + Folder() + " Good"));
  EXPECT_EQ(apply.status, 0) << apply.out;
  EXPECT_EQ(Bytes(folder.File("Torvex2.005")), host);
  const auto comment = RunShell(CliCommand("comment " + ShellQuote(Cal("Good")) + " x"));
  EXPECT_EQ(comment.status, 1) << comment.out;
  EXPECT_EQ(Bytes(Cal("Good")), good);
  fs::permissions(Cal("Good"), fs::perms::owner_write, fs::perm_options::add);
}

}  // namespace
}  // namespace frixa
