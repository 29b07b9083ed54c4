// frixa-cli from the outside: simulate a rundown, preview it, and check what a user of the
// console sees (stdout, stderr, exit codes, the points file).
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_files.h"

namespace frixa {
namespace {

using testing::TempFolder;

struct Result {
  int exitCode;
  std::string out;
  std::string err;
};

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string Quote(const std::string& s) { return "'" + s + "'"; }

Result Cli(const TempFolder& dir, const std::string& args) {
  const std::string out = dir.File("stdout.txt");
  const std::string err = dir.File("stderr.txt");
  const std::string command =
      Quote(FRIXA_CLI_PATH) + " " + args + " >" + Quote(out) + " 2>" + Quote(err);
  const int status = std::system(command.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(out), ReadText(err)};
}

class CliTest : public ::testing::Test {
 protected:
  std::string Folder() const { return Quote(dir.str()); }
  std::string RunFile() const { return Quote(dir.File("Torvex2.000")); }
  TempFolder dir;
};

TEST_F(CliTest, SimulateThenPreviewPrintsTheWholeLog) {
  const auto sim = Cli(dir, "simulate --out " + RunFile() + " --seed 7 --jitter-us 3");
  EXPECT_EQ(sim.exitCode, 0);
  EXPECT_EQ(sim.out, "3134\n");
  EXPECT_EQ(sim.err, "");

  const auto preview = Cli(dir, "preview --folder " + Folder() + " --inertia 1.25 --ratio 1");
  EXPECT_EQ(preview.exitCode, 0);
  const std::string stars(24, '*');
  EXPECT_EQ(Lines(preview.out),
            (std::vector<std::string>{"Loading Data from Torvex2", std::string(44, '-'),
                                      "Inertia factor : 1.25 Kg/M^2", "Sensor / Mass Ratio  1:1",
                                      "", "Graphing System", std::string(45, '-'),
                                      "Initialising Processor", "Initialising -  Done",
                                      "Processing", "Rocessed  3134 Revolutions",
                                      "Rundown Duration  133.2091 Seconds", "", "",
                                      "Minimum Mass RPM :  323", "Maximium Mass RPM :  2999", "",
                                      stars, "Preview Completed", stars}));
  EXPECT_EQ(preview.err,
            "FRIXA Information: IMPORTANT - Displayed Graphs assume that the last run was a "
            "losses rundown\n");
}

TEST_F(CliTest, PointsFileHoldsEveryPlottedPointExactly) {
  ASSERT_EQ(Cli(dir, "simulate --out " + RunFile()).exitCode, 0);
  const auto preview = Cli(dir, "preview --folder " + Folder() +
                                    " --inertia 1.25 --ratio 1 --points-csv " +
                                    Quote(dir.File("points.csv")));
  ASSERT_EQ(preview.exitCode, 0);
  const auto lines = Lines(ReadText(dir.File("points.csv")));
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "graph,x,y");
  // Without jitter every revolution from the third decelerates: one point per graph each.
  EXPECT_EQ(lines.size(), 1u + 2u * (3134u - 2u));
  double previousX = 1e9;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    char graph[16] = {};
    double x = 0, y = 0;
    ASSERT_EQ(std::sscanf(lines[i].c_str(), "%15[A-Za-z],%lf,%lf", graph, &x, &y), 3) << lines[i];
    EXPECT_STREQ(graph, i % 2 == 1 ? "KWGraph" : "NMGraph");
    // x is a single-precision RPM written so that it reads back exactly.
    EXPECT_EQ(static_cast<double>(static_cast<float>(x)), x);
    EXPECT_GT(y, 0.0);
    if (i % 2 == 1) {
      EXPECT_LT(x, previousX);
      previousX = x;
    }
  }
}

TEST_F(CliTest, CorruptRunEndsWithExitOneAfterThePreviewCompletes) {
  ASSERT_EQ(Cli(dir, "simulate --out " + RunFile() + " --corrupt-at 5").exitCode, 0);
  const auto preview = Cli(dir, "preview --folder " + Folder() + " --inertia 1.25 --ratio 1");
  EXPECT_EQ(preview.exitCode, 1);
  EXPECT_NE(preview.err.find(
                "FRIX Data Processor: The Runtime Data is corrupt and cannot be processed\n"),
            std::string::npos);
  EXPECT_EQ(preview.out.find("Rocessed"), std::string::npos);
  EXPECT_NE(preview.out.find("Minimum Mass RPM :  0\nMaximium Mass RPM :  0\n"), std::string::npos);
  EXPECT_NE(preview.out.find("Preview Completed"), std::string::npos);
}

TEST_F(CliTest, ZeroFirstRecordShowsNoDataAndExitsOne) {
  ASSERT_EQ(Cli(dir, "simulate --out " + RunFile() + " --zero-first").exitCode, 0);
  const auto preview = Cli(dir, "preview --folder " + Folder() + " --inertia 1.25 --ratio 1");
  EXPECT_EQ(preview.exitCode, 1);
  EXPECT_NE(preview.err.find("Frixa Graph Processor: There appears to be NO DATA recorded by "
                             "Torvex2 in the rundown cycle\n"),
            std::string::npos);
}

TEST_F(CliTest, ZeroParametersShowNothingAndSucceed) {
  ASSERT_EQ(Cli(dir, "simulate --out " + RunFile()).exitCode, 0);
  const auto preview = Cli(dir, "preview --folder " + Folder() + " --inertia 0 --ratio 0");
  EXPECT_EQ(preview.exitCode, 0);
  EXPECT_EQ(preview.out, "");
  EXPECT_EQ(preview.err, "");
}

TEST_F(CliTest, UsageErrorsExitTwo) {
  EXPECT_EQ(Cli(dir, "preview --folder " + Folder() + " --inertia 1.25").exitCode, 2);
  EXPECT_EQ(Cli(dir, "preview --folder " + Folder() + " --inertia x --ratio 1").exitCode, 2);
  EXPECT_EQ(Cli(dir, "preview --folder " + Folder() + " --inertia 1e39 --ratio 1").exitCode, 2);
  EXPECT_EQ(Cli(dir, "simulate --out " + RunFile() + " --friction 1,2").exitCode, 2);
  EXPECT_EQ(Cli(dir, "simulate --out " + RunFile() + " --ratio 0").exitCode, 2);
  EXPECT_EQ(Cli(dir, "simulate --seed 7").exitCode, 2);
  EXPECT_EQ(Cli(dir, "simulate --out " + RunFile() + " --bogus 1").exitCode, 2);
}

TEST_F(CliTest, SimulateOptionsShapeTheRun) {
  // A constant 2 N m from 600 to 300 RPM at 1.25 kg m^2: omega^2 drops by 2 A 2 pi / I each
  // revolution, so revolutions 0 to 147 start above 300 RPM (147.26 = I (w0^2 - w1^2) / 4 pi A).
  const auto sim = Cli(dir, "simulate --out " + RunFile() +
                                " --friction 2,0,0 --start-rpm 600 --end-rpm 300 --ratio 2");
  ASSERT_EQ(sim.exitCode, 0);
  EXPECT_EQ(sim.out, "148\n");
  EXPECT_EQ(std::filesystem::file_size(dir.File("Torvex2.000")), 148u * 16u);
}

TEST_F(CliTest, SimulateFaultOptionsCountWhatTheyPutIn) {
  // The same run with 40 revolutions held at 600 RPM first (100 ms each, every count 50000 at
  // ratio 2) and every stamp on a 10 ms timer: no bounces or missed pulses at rate 0.
  auto sim = Cli(dir, "simulate --out " + RunFile() +
                          " --friction 2,0,0 --start-rpm 600 --end-rpm 300 --ratio 2"
                          " --driven-revs 40 --timer-us 10000");
  ASSERT_EQ(sim.exitCode, 0);
  EXPECT_EQ(sim.out, "188\nfaults: 0 double triggers, 0 missed pulses, 40 driven revolutions\n");
  const std::string bytes = ReadText(dir.File("Torvex2.000"));
  ASSERT_EQ(bytes.size(), 188u * 16u);
  for (std::size_t i = 0; i < 188; ++i) {
    const unsigned count = (static_cast<unsigned char>(bytes[i * 16 + 1]) << 16) |
                           (static_cast<unsigned char>(bytes[i * 16 + 2]) << 8) |
                           static_cast<unsigned char>(bytes[i * 16 + 3]);
    EXPECT_EQ(count % 10000, 0u) << i;
    if (i < 40) {
      EXPECT_EQ(count, 50000u) << i;
    }
  }
  sim = Cli(dir, "simulate --out " + RunFile() + " --double-trigger-rate 0.02 --missed-pulse-rate 0.01");
  ASSERT_EQ(sim.exitCode, 0);
  // 3134 revolutions, 56 split in two, 38 joined to the next: 3134 + 56 - 38 records
  EXPECT_EQ(sim.out, "3152\nfaults: 56 double triggers, 38 missed pulses, 0 driven revolutions\n");
  EXPECT_EQ(Cli(dir, "simulate --out " + RunFile() + " --double-trigger-rate 0.7 --missed-pulse-rate 0.4").exitCode, 2);
  EXPECT_EQ(Cli(dir, "simulate --out " + RunFile() + " --timer-us -1").exitCode, 2);
  EXPECT_EQ(Cli(dir, "simulate --out " + RunFile() + " --driven-revs -5").exitCode, 2);
}

}  // namespace
}  // namespace frixa
