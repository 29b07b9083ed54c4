// frixa-cli tables and export, run as a user runs them, against the engine and mdbtools:
// the table list, row counts, and singles and doubles printed so that they read back to the
// same bits.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <sys/wait.h>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sstream>

#include "jet/database.h"
#include "support/jet_test_files.h"
#include "support/shell_run.h"

namespace frixa {
namespace {

struct Output {
  std::string out;
  int status = 0;
};

Output RunCli(const std::string& args) {
  const std::string command = std::string(FRIXA_CLI_PATH) + " " + args + " 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  Output o;
  std::array<char, 65536> buf{};
  std::size_t n;
  while ((n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0) o.out.append(buf.data(), n);
  const int raw = pclose(pipe);
  o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return o;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string Fixture(const std::string& name) { return testing::JetFixture(name).string(); }

TEST(CliTables, ListsTheUserTablesOneALine) {
  const Output o = RunCli("tables " + Fixture("jackcess_testV1997.mdb"));
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out, "Table1\nTable2\nTable3\nTable4\n");
  // The same set as mdbtools lists.
  const Output codes = RunCli("tables " + Fixture("jackcess_testIndexCodesV1997.mdb"));
  std::vector<std::string> ours = Lines(codes.out);
  FILE* pipe = popen(("mdb-tables -1 " + Fixture("jackcess_testIndexCodesV1997.mdb")).c_str(), "r");
  std::string theirsText;
  std::array<char, 4096> buf{};
  std::size_t n;
  while ((n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0) theirsText.append(buf.data(), n);
  pclose(pipe);
  std::vector<std::string> theirs = Lines(theirsText);
  std::sort(ours.begin(), ours.end());
  std::sort(theirs.begin(), theirs.end());
  EXPECT_EQ(ours, theirs);
}

TEST(CliExport, SinglesAndDoublesReadBackToTheSameBits) {
  const jet::Database db = jet::Database::Open(Fixture("jackcess_testIndexCodesV1997.mdb"));
  for (const char* table : {"Table5", "Table4"}) {
    SCOPED_TRACE(table);
    const Output o = RunCli("export " + Fixture("jackcess_testIndexCodesV1997.mdb") + " " + table);
    ASSERT_EQ(o.status, 0);
    const std::vector<std::string> lines = Lines(o.out);
    const jet::TableDef def = db.Table(table);
    jet::TableScan scan = db.Scan(def);
    ASSERT_EQ(lines.front(), "\"name\",\"data\"");
    std::size_t i = 1;
    while (scan.Next()) {
      ASSERT_LT(i, lines.size());
      const std::string text = lines[i].substr(lines[i].find(',') + 1);
      const jet::Value v = scan.ReadValue(1);
      if (v.IsNull()) {
        EXPECT_EQ(text, "");
      } else if (const float* f = v.Get<float>()) {
        const float back = std::strtof(text.c_str(), nullptr);
        EXPECT_EQ(std::memcmp(&back, f, sizeof back), 0) << text;
      } else {
        const double back = std::strtod(text.c_str(), nullptr);
        EXPECT_EQ(std::memcmp(&back, v.Get<double>(), sizeof back), 0) << text;
      }
      ++i;
    }
    EXPECT_EQ(i, lines.size());
  }
}

TEST(CliExport, CsvAndJsonCarryEveryRowInStoredOrder) {
  const std::string file = Fixture("jackcess_testV1997.mdb");
  EXPECT_EQ(RunCli("export " + file + " Table1").out,
            "\"A\",\"B\",\"C\",\"D\",\"E\",\"F\",\"G\",\"H\",\"I\"\n"
            "\"a\",\"b\",0,0,0,0,\"1981-12-12 00:00:00\",0.0000,false\n"
            "\"abcdefg\",\"hijklmnop\",2,222,333333333,444.555,\"1974-09-21 00:00:00\",3.5000,true\n");
  EXPECT_EQ(Lines(RunCli("export " + file + " table1 --format json").out).at(1),
            "{\"A\":\"abcdefg\",\"B\":\"hijklmnop\",\"C\":2,\"D\":222,\"E\":333333333,\"F\":444.555,"
            "\"G\":\"1974-09-21 00:00:00\",\"H\":3.5000,\"I\":true}");
  const Output many = RunCli("export " + Fixture("jackcess_testIndexCodesV1997.mdb") + " Table1 --format=json");
  EXPECT_EQ(Lines(many.out).size(), 275u);
}

TEST(CliExport, FailuresExitWithOneAndUsageWithTwo) {
  EXPECT_EQ(RunCli("export " + Fixture("jackcess_testV1997.mdb") + " NoSuchTable").status, 1);
  const auto missing = testing::RunShell(testing::CliCommand("export /nonexistent/file.mdb Table1"));
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.out.find("frixa-cli export: Couldn't find file '/nonexistent/file.mdb'. "
                             "(error 3024)\n"),
            std::string::npos)
      << missing.out;
  EXPECT_EQ(RunCli("export " + Fixture("jackcess_testV1997.mdb")).status, 2);
  EXPECT_EQ(RunCli("export " + Fixture("jackcess_testV1997.mdb") + " Table1 --format xml").status, 2);
  EXPECT_EQ(RunCli("tables").status, 2);
}

}  // namespace
}  // namespace frixa
