// The run file: record layout, the acceptance test, periods, and reading to the end of the file.
#include "run/run_file.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/run_files.h"

namespace frixa {
namespace {

using testing::RecordsWithCounts;
using testing::TempFolder;
using testing::WriteBytes;
using testing::WriteRunFile;

std::vector<std::uint32_t> ReadCounts(const std::string& path) {
  RunFileReader reader;
  reader.Open(path);
  std::vector<std::uint32_t> counts;
  while (!reader.AtEnd()) counts.push_back(reader.ReadRecord().Count());
  reader.Close();
  return counts;
}

RunRecord Bytes(std::uint8_t marker, std::uint8_t high, std::uint8_t middle, std::uint8_t low) {
  const std::uint8_t raw[16] = {marker, high, middle, low};
  return DecodeRunRecord(raw);
}

TEST(RunRecordLayout, CountIsBigEndianInBytesOneToThree) {
  const std::uint8_t raw[16] = {'#', 0x01, 0x86, 0xA0, 0xFF, 0xFF, 0xFF, 0xFF,
                                0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  const RunRecord r = DecodeRunRecord(raw);
  EXPECT_EQ(r.marker, 35);
  EXPECT_EQ(r.Count(), 100000u);
  EXPECT_EQ(Bytes('#', 0xFF, 0xFF, 0xFF).Count(), 16777215u);
  EXPECT_EQ(Bytes('#', 0, 0, 1).Count(), 1u);
  EXPECT_EQ(Bytes('#', 1, 0, 0).Count(), 65536u);
}

TEST(RunRecordLayout, EncodingWritesTheSameSixteenBytes) {
  const std::uint8_t raw[16] = {'#', 0x12, 0x34, 0x56, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  const auto bytes = EncodeRunRecord(DecodeRunRecord(raw));
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.end()),
            std::vector<std::uint8_t>(raw, raw + 16));
  EXPECT_EQ(RunRecord::WithCount(0x123456).Count(), 0x123456u);
}

TEST(RunRecordAcceptance, RejectsOnlyAWrongMarkerWithThreeNonZeroCountBytes) {
  struct Row {
    std::uint8_t marker, high, middle, low;
    bool accepted;
  };
  const Row rows[] = {
      {'#', 1, 2, 3, true},        // well formed
      {'#', 0, 0, 0, true},        // a marker of 35 is accepted whatever the count
      {'#', 255, 255, 255, true},
      {0, 0, 2, 3, true},          // any zero count byte is accepted whatever the marker
      {0, 1, 0, 3, true},
      {0, 1, 2, 0, true},
      {0, 0, 0, 0, true},
      {'$', 0, 255, 255, true},
      {0, 1, 2, 3, false},
      {'$', 255, 255, 255, false},
      {34, 1, 1, 1, false},
      {36, 9, 9, 9, false},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(RunFileReader::IsAcceptable(Bytes(row.marker, row.high, row.middle, row.low)),
              row.accepted)
        << int(row.marker) << " " << int(row.high) << " " << int(row.middle) << " " << int(row.low);
  }
}

TEST(RunRecordPeriod, CountTimesRatioInMicroseconds) {
  EXPECT_EQ(RunFileReader::Period(Bytes('#', 0x01, 0x86, 0xA0), 2.5f), 0.25);
  EXPECT_EQ(RunFileReader::Period(Bytes('#', 0x01, 0x86, 0xA0), 1.0f), 0.1);
  EXPECT_EQ(RunFileReader::Period(Bytes('#', 0xFF, 0xFF, 0xFF), 1.0f), 16.777215);
  EXPECT_EQ(RunFileReader::Period(Bytes('#', 0, 0, 0), 3.0f), 0.0);
  // The ratio is a single value: 0.1f is slightly above a tenth.
  EXPECT_EQ(RunFileReader::Period(Bytes('#', 0x0F, 0x42, 0x40), 0.1f),
            static_cast<double>(0.1f));
}

TEST(RunFileReading, ReadsEveryRecordInOrderAndSkipsTheRest) {
  TempFolder dir;
  // Hand-made bytes: the rest of each record is garbage that must not shift the next one.
  WriteBytes(dir.File("Torvex2.000"),
             {'#', 0, 0x4E, 0x20, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9,     //
              '#', 0, 0x4E, 0x21, '#', 1, 2, 3, '#', 1, 2, 3, '#', 1, 2, 3,  //
              'X', 1, 2, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  RunFileReader reader;
  reader.Open(dir.File("Torvex2.000"));
  ASSERT_FALSE(reader.AtEnd());
  EXPECT_EQ(reader.ReadRecord().Count(), 20000u);
  ASSERT_FALSE(reader.AtEnd());
  EXPECT_EQ(reader.ReadRecord().Count(), 20001u);
  ASSERT_FALSE(reader.AtEnd());
  const RunRecord third = reader.ReadRecord();
  EXPECT_EQ(third.marker, 'X');
  EXPECT_EQ(third.Count(), 0x010203u);
  EXPECT_TRUE(reader.AtEnd());
  EXPECT_TRUE(reader.AtEnd());  // asking again changes nothing
}

TEST(RunFileReading, MissingFileReadsAsEmpty) {
  TempFolder dir;
  RunFileReader reader;
  EXPECT_NO_THROW(reader.Open(dir.File("Torvex2.000")));
  EXPECT_TRUE(reader.AtEnd());
}

TEST(RunFileReading, EmptyFileHasNoRecords) {
  TempFolder dir;
  WriteBytes(dir.File("Torvex2.000"), {});
  EXPECT_TRUE(ReadCounts(dir.File("Torvex2.000")).empty());
}

TEST(RunFileReading, TrailingPartialRecordIsIgnored) {
  TempFolder dir;
  auto bytes = testing::RunFileBytes(RecordsWithCounts({100, 200}));
  bytes.insert(bytes.end(), {'#', 1, 2, 3, 4, 5, 6});  // 7 bytes of a third record
  WriteBytes(dir.File("Torvex2.000"), bytes);
  EXPECT_EQ(ReadCounts(dir.File("Torvex2.000")), (std::vector<std::uint32_t>{100, 200}));

  WriteBytes(dir.File("short"), {'#', 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14});
  EXPECT_TRUE(ReadCounts(dir.File("short")).empty());
}

TEST(RunFileReading, RecordsAcrossManyBufferFillsArriveWholeAndInOrder) {
  TempFolder dir;
  // Several times the reader's buffer, with a partial record at the very end.
  std::vector<std::uint32_t> counts;
  for (std::uint32_t i = 0; i < 20011; ++i) counts.push_back(i * 797u % 16777216u);
  auto bytes = testing::RunFileBytes(RecordsWithCounts(counts));
  bytes.insert(bytes.end(), {'#', 9, 9});
  WriteBytes(dir.File("Torvex2.000"), bytes);
  EXPECT_EQ(ReadCounts(dir.File("Torvex2.000")), counts);
}

TEST(RunFileReading, CloseEndsReadingAndReopenStartsOver) {
  TempFolder dir;
  WriteRunFile(dir.File("Torvex2.000"), RecordsWithCounts({5, 6, 7}));
  RunFileReader reader;
  reader.Open(dir.File("Torvex2.000"));
  ASSERT_FALSE(reader.AtEnd());
  EXPECT_EQ(reader.ReadRecord().Count(), 5u);
  reader.Close();
  EXPECT_TRUE(reader.AtEnd());
  reader.Open(dir.File("Torvex2.000"));
  ASSERT_FALSE(reader.AtEnd());
  EXPECT_EQ(reader.ReadRecord().Count(), 5u);
}

TEST(RunFileReading, ClosedReaderReleasesTheFile) {
  TempFolder dir;
  WriteRunFile(dir.File("Torvex2.000"), RecordsWithCounts({5, 6, 7}));
  {
    RunFileReader reader;
    reader.Open(dir.File("Torvex2.000"));
    ASSERT_FALSE(reader.AtEnd());
    reader.Close();
    // On Windows a file still held open cannot be deleted.
    EXPECT_TRUE(std::filesystem::remove(dir.File("Torvex2.000")));
  }
}

}  // namespace
}  // namespace frixa
