// Every stored fuzz input (tests/data/fuzz/<target>/) replayed through the entry points of the
// fuzz targets, so that seeds and the regression inputs of past findings run on every build,
// natively and under Wine, without libFuzzer. A fault shows as a crash of the suite (or a
// sanitizer report in the sanitizer build); the expectations on the named seeds check that the
// entry points still reach the code they are meant to exercise.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "../../fuzz/fuzz_entries.h"
#include "support/run_files.h"

namespace frixa {
namespace {

namespace fs = std::filesystem;

const fs::path kCorpora = fs::path(FRIXA_TEST_DATA_DIR) / "fuzz";

std::vector<std::uint8_t> ReadAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// name -> bytes of every file of one corpus.
std::map<std::string, std::vector<std::uint8_t>> Corpus(const std::string& name) {
  std::map<std::string, std::vector<std::uint8_t>> files;
  for (const auto& entry : fs::directory_iterator(kCorpora / name)) {
    if (entry.is_regular_file()) files[entry.path().filename().string()] = ReadAll(entry.path());
  }
  return files;
}

TEST(FuzzCorpusReplay, EveryCorpusFolderBelongsToATargetAndHoldsInputs) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(kCorpora)) {
    if (entry.is_directory()) names.push_back(entry.path().filename().string());
  }
  for (const auto& name : names) {
    EXPECT_TRUE(name == "jet" || name == "run" || name == "statement") << name;
    EXPECT_FALSE(Corpus(name).empty()) << name;
  }
  EXPECT_EQ(names.size(), 3u);
}

TEST(FuzzCorpusReplay, EveryRunInputEndsNormallyOrInAnError) {
  testing::TempFolder folder;
  const auto corpus = Corpus("run");
  for (const auto& [name, bytes] : corpus) {
    SCOPED_TRACE(name);
    (void)fuzz::RunFileThroughRunPass(bytes.data(), bytes.size(), folder.str());
  }
}

TEST(FuzzCorpusReplay, RunSeedsDeliverTheirWholeRecordsAndStopAtARejectedOne) {
  testing::TempFolder folder;
  const auto corpus = Corpus("run");
  auto pass = [&](const std::string& name) {
    const auto& bytes = corpus.at(name);
    return fuzz::RunFileThroughRunPass(bytes.data(), bytes.size(), folder.str());
  };
  EXPECT_EQ(pass("rundown_40"), 40);
  EXPECT_EQ(pass("partial_tail"), 22);  // the 3 bytes after the last whole record are ignored
  EXPECT_EQ(pass("rejected_record"), 21);
  EXPECT_EQ(pass("empty"), 0);
}

TEST(FuzzCorpusReplay, EveryStatementInputParsesOrIsRefused) {
  const auto corpus = Corpus("statement");
  int parsed = 0;
  for (const auto& [name, bytes] : corpus) {
    SCOPED_TRACE(name);
    if (fuzz::StatementThroughParser(bytes.data(), bytes.size())) ++parsed;
  }
  EXPECT_GE(parsed, 5);
}

TEST(FuzzCorpusReplay, StatementSeedsOfTheThreeShapesParseAndForeignOnesAreRefused) {
  const auto corpus = Corpus("statement");
  auto parses = [&](const std::string& name) {
    const auto& bytes = corpus.at(name);
    return fuzz::StatementThroughParser(bytes.data(), bytes.size());
  };
  EXPECT_TRUE(parses("select_all"));
  EXPECT_TRUE(parses("select_where"));
  EXPECT_TRUE(parses("average_where"));
  EXPECT_TRUE(parses("brackets"));
  EXPECT_TRUE(parses("average_all"));
  EXPECT_FALSE(parses("bad_where"));
  EXPECT_FALSE(parses("trailing"));
}

TEST(FuzzCorpusReplay, EveryJetInputEndsNormallyOrInAnErrorAndTheSeedsOpen) {
  const auto corpus = Corpus("jet");
  for (const auto& [name, bytes] : corpus) {
    SCOPED_TRACE(name);
    const long rows = fuzz::JetBytesThroughReader(bytes.data(), bytes.size());
    if (name == "calibration.mdb" || name == "memo_rows.mdb" || name == "real_jet_deltest.mdb") {
      EXPECT_GE(rows, 0);
    }
  }
}

}  // namespace
}  // namespace frixa
