// The record sets: binding and releasing a file, the three statement shapes over composed
// calibration files, field values by position, and the error numbers of every failure.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <tuple>

#include "common/error.h"
#include "common/number_text.h"
#include "recordset/record_set.h"
#include "support/error_of.h"
#include "support/jet_synth.h"
#include "support/jet_test_files.h"

namespace frixa {
namespace {

using testing::LossTable;
using testing::ScratchFile;
using testing::SynthesizeDatabase;
using Rows = std::vector<std::tuple<std::int32_t, float, float>>;

using testing::ErrorOf;

// A calibration file with the given raw rows and points; Info holds one row.
std::vector<std::uint8_t> CalibrationFile(const Rows& raw, const Rows& points, const Rows& losses = {}) {
  testing::SynthTable info{"Info",
                           {{"MOIApplied", jet::ColumnType::kDouble},
                            {"PPR", jet::ColumnType::kDouble},
                            {"HighRPM", jet::ColumnType::kSingle},
                            {"LowRPM", jet::ColumnType::kSingle},
                            {"Date", jet::ColumnType::kText},
                            {"Version", jet::ColumnType::kText},
                            {"Comment", jet::ColumnType::kText}},
                           {{jet::Value(static_cast<double>(1.2f)), jet::Value(60.0), jet::Value(312.0f),
                             jet::Value(2480.0f), jet::Value(jet::Text{"12/03/2024"}),
                             jet::Value(jet::Text{"Version : 1.1.0"}), jet::Value(jet::Text{" "})}}};
  return SynthesizeDatabase({LossTable("RawData", "SpotRPM", "SpotKWloss", "SpotNMLoss", raw),
                             LossTable("PointData", "PointRPM", "PointKWloss", "PointNMLoss", points),
                             LossTable("Losses", "RPM", "KWloss", "NMLoss", losses), info});
}

class RecordSetTest : public ::testing::Test {
 protected:
  RecordSetTest()
      : file_(CalibrationFile({{312, 1.0f, 0.5f}, {313, 2.5f, 0.25f}, {312, 2.0f, 1.5f}, {312, 6.0f, 4.0f}},
                              {{500, 2.0f, 1.0f}, {502, 4.0f, 3.0f}},
                              {{100, 0.5f, 0.125f}, {101, 0.75f, 0.25f}, {102, 1.0f, 0.375f}})) {}

  RecordSet Bound(const std::string& statement) {
    RecordSet rs;
    rs.SetDatabaseName(file_.str());
    rs.SetRecordSource(statement);
    rs.Refresh();
    return rs;
  }

  ScratchFile file_;
};

TEST_F(RecordSetTest, SelectAllReadsEveryRowInStoredOrderByPosition) {
  RecordSet rs = Bound("Select * From Losses");
  EXPECT_EQ(rs.RecordCount(), 3);
  EXPECT_EQ(rs.FieldCount(), 3);
  EXPECT_EQ(rs.FieldName(1), "KWloss");
  std::vector<std::int32_t> rpm;
  std::vector<float> kw;
  while (!rs.Eof()) {
    rpm.push_back(rs.Fields(0).AsInteger());
    kw.push_back(rs.Fields(1).AsSingle());
    EXPECT_EQ(rs.Fields(2).kind(), FieldValue::Kind::kSingle);
    rs.MoveNext();
  }
  EXPECT_EQ(rpm, (std::vector<std::int32_t>{100, 101, 102}));
  EXPECT_EQ(kw, (std::vector<float>{0.5f, 0.75f, 1.0f}));
}

TEST_F(RecordSetTest, TableAndColumnNamesIgnoreLetterCase) {
  RecordSet rs = Bound("select * from losses");
  EXPECT_EQ(rs.RecordCount(), 3);
  RecordSet avg = Bound("SELECT AVG(spotkwloss), AVG(SPOTNMLOSS) FROM rawdata where spotrpm= 313");
  EXPECT_EQ(avg.Fields(0), FieldValue::Double(2.5));
}

TEST_F(RecordSetTest, InfoRowReadsDoublesSinglesAndText) {
  RecordSet rs = Bound("Select * From Info");
  ASSERT_EQ(rs.RecordCount(), 1);
  EXPECT_EQ(rs.Fields(0), FieldValue::Double(1.2000000476837158));
  EXPECT_EQ(rs.Fields(2), FieldValue::Single(312.0f));
  EXPECT_EQ(rs.Fields(3), FieldValue::Single(2480.0f));
  EXPECT_EQ(rs.Fields(5).AsText(), "Version : 1.1.0");
  EXPECT_EQ(rs.Fields(6).AsText(), " ");
}

TEST_F(RecordSetTest, LookupFindsTheOneRowOfAnRpmOrNone) {
  RecordSet rs = Bound("Select * from PointData where PointRPM=" + SignedNumberText(500.0f));
  EXPECT_EQ(rs.RecordCount(), 1);
  EXPECT_FALSE(rs.Eof());
  EXPECT_EQ(rs.Fields(1), FieldValue::Single(2.0f));
  RecordSet gap = Bound("Select * from PointData where PointRPM =" + SignedNumberText(501.0f));
  EXPECT_EQ(gap.RecordCount(), 0);
  EXPECT_TRUE(gap.Eof());
  EXPECT_EQ(ErrorOf([&] { (void)gap.Fields(1); }), 3021);
  EXPECT_EQ(Bound("Select * from PointData where PointRPM= 502.5").RecordCount(), 0);
}

TEST_F(RecordSetTest, AverageIsTheDoubleMeanOfTheMatchingRows) {
  RecordSet rs = Bound("SELECT AVG(SpotKWLoss), AVG(SpotNMLoss) FROM RawData where SpotRPM=" +
                       SignedNumberText(312.0f));
  ASSERT_EQ(rs.RecordCount(), 1);
  EXPECT_EQ(rs.Fields(0), FieldValue::Double(3.0));  // (1 + 2 + 6) / 3
  EXPECT_EQ(rs.Fields(1), FieldValue::Double(2.0));  // (0.5 + 1.5 + 4) / 3
  EXPECT_EQ(rs.FieldName(0), "Expr1000");
}

TEST_F(RecordSetTest, AverageOverNoRowsIsOneRowOfNulls) {
  RecordSet rs = Bound("SELECT AVG(SpotKWLoss), AVG(SpotNMLoss) FROM RawData where SpotRPM= 900");
  ASSERT_EQ(rs.RecordCount(), 1);
  EXPECT_TRUE(rs.Fields(0).IsNull());
  EXPECT_TRUE(rs.Fields(1).IsNull());
  EXPECT_EQ(ErrorOf([&] { (void)rs.Fields(0).AsSingle(); }), 94);
}

TEST(RecordSetAverage, SumsInDoubleInStoredOrder) {
  // 1e8 and three 1.0: single-precision sums would lose the ones; double keeps them.
  const ScratchFile file(CalibrationFile({{7, 1e8f, 0}, {7, 1.0f, 0}, {7, 1.0f, 0}, {7, 1.0f, 0}}, {}));
  RecordSet rs;
  rs.SetDatabaseName(file.str());
  rs.SetRecordSource("SELECT AVG(SpotKWLoss), AVG(SpotNMLoss) FROM RawData where SpotRPM= 7");
  rs.Refresh();
  EXPECT_EQ(rs.Fields(0).AsDouble(), (1e8 + 3.0) / 4.0);
  EXPECT_EQ(rs.Fields(1).AsDouble(), 0.0);  // a mean of zero is a value, not null
}

TEST_F(RecordSetTest, FieldPositionOutOfRangeRaises3265) {
  RecordSet rs = Bound("Select * From Losses");
  EXPECT_EQ(ErrorOf([&] { (void)rs.Fields(3); }), 3265);
  EXPECT_EQ(ErrorOf([&] { (void)rs.Fields(-1); }), 3265);
  while (!rs.Eof()) rs.MoveNext();
  EXPECT_EQ(ErrorOf([&] { (void)rs.Fields(7); }), 3265);  // the position is checked first
  EXPECT_EQ(ErrorOf([&] { (void)rs.Fields(0); }), 3021);
  EXPECT_EQ(ErrorOf([&] { rs.MoveNext(); }), 3021);
}

TEST_F(RecordSetTest, EmptyDatabaseNameReleasesWithoutError) {
  RecordSet rs = Bound("Select * From Losses");
  rs.SetDatabaseName("");
  EXPECT_NO_THROW(rs.Refresh());
  EXPECT_FALSE(rs.IsOpen());
  EXPECT_EQ(ErrorOf([&] { (void)rs.RecordCount(); }), 91);
  RecordSet never;
  EXPECT_NO_THROW(never.Refresh());
  EXPECT_EQ(ErrorOf([&] { (void)never.Eof(); }), 91);
}

TEST_F(RecordSetTest, RefreshSeesTheFileAsItIsNow) {
  RecordSet rs = Bound("Select * From Losses");
  EXPECT_EQ(rs.RecordCount(), 3);
  const auto longer = CalibrationFile({}, {}, {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}, {4, 4, 4}});
  const ScratchFile other(longer);
  rs.SetDatabaseName(other.str());
  rs.Refresh();
  EXPECT_EQ(rs.RecordCount(), 4);
}

TEST_F(RecordSetTest, FailuresRaiseTheEnginesNumbers) {
  RecordSet rs;
  rs.SetRecordSource("Select * From Losses");
  rs.SetDatabaseName(file_.str() + ".missing");
  try {
    rs.Refresh();
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), 3024);
    EXPECT_EQ(e.description(), "Couldn't find file '" + file_.str() + ".missing'.");
  }
  EXPECT_FALSE(rs.IsOpen());

  const ScratchFile text(std::vector<std::uint8_t>{'n', 'o', 't', ' ', 'a', ' ', 'd', 'b'});
  rs.SetDatabaseName(text.str());
  try {
    rs.Refresh();
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), 3343);
    EXPECT_EQ(e.description(), "Unrecognized database format '" + text.str() + "'.");
  }

  rs.SetDatabaseName(file_.str());
  rs.SetRecordSource("Select * From RawDatas");
  EXPECT_EQ(ErrorOf([&] { rs.Refresh(); }), 3078);
  rs.SetRecordSource("Select * From Losses where Rpms= 5");
  try {
    rs.Refresh();
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), 3061);
    EXPECT_EQ(e.description(), "Too few parameters. Expected 1.");
  }
  rs.SetRecordSource("SELECT AVG(A), AVG(B) FROM RawData where C= 1");
  EXPECT_EQ(ErrorOf([&] { rs.Refresh(); }), 3061);
  rs.SetRecordSource("Select * From Info where Version= 1");
  EXPECT_EQ(ErrorOf([&] { rs.Refresh(); }), 3464);
  rs.SetRecordSource("Select RPM From Losses");
  EXPECT_EQ(ErrorOf([&] { rs.Refresh(); }), 3141);
  rs.SetRecordSource("Update Losses");
  EXPECT_EQ(ErrorOf([&] { rs.Refresh(); }), 3129);
}

}  // namespace
}  // namespace frixa
