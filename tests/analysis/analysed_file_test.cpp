// The analysed calibration file read from a simulated rundown's calibration, the host's curve in
// use, and the differences between loss curves.
#include "analysis/analysed_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "common/error.h"
#include "host/apply_command.h"
#include "support/calibration_fixture.h"
#include "support/error_of.h"
#include "support/run_files.h"

namespace frixa {
namespace {

using testing::ProgramFolder;
using testing::ReadTable;

class AnalysedFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RundownModel model;
    model.startRpm = 2000;
    model.endRpm = 600;
    p.SimulateAndPreview(model, 1.25f, 1.0f);
    p.Create("Rig 1");
    ASSERT_TRUE(p.ui.messages.empty());
    file = p.CalFile("Rig 1.Frixa");
  }
  ProgramFolder p;
  std::string file;
};

TEST_F(AnalysedFileTest, ReadsTheInformationRecordTheCurveAndTheFitOfTheSettledRows) {
  const AnalysedFile f = ReadAnalysedFile(file);
  EXPECT_EQ(f.path, file);
  EXPECT_EQ(f.title, "Rig 1");
  EXPECT_EQ(f.dateProcessed, "12/9/2026");
  EXPECT_EQ(f.version, "Version : 1.1.0");
  EXPECT_EQ(f.comment, " ");
  EXPECT_EQ(f.inertia, 1.25);
  EXPECT_EQ(f.ratio, 1.0);
  const auto info = ReadTable(file, "Info");
  EXPECT_EQ(f.rpmLow, info.at(0).at(2).AsDouble());
  EXPECT_EQ(f.rpmHigh, info.at(0).at(3).AsDouble());

  const auto losses = ReadTable(file, "Losses");
  ASSERT_EQ(f.curve.size(), losses.size());
  for (std::size_t i = 0; i < losses.size(); ++i) {
    EXPECT_EQ(f.curve[i].rpm, losses[i][0].AsInteger());
    EXPECT_EQ(f.curve[i].kw, losses[i][1].AsDouble());
    EXPECT_EQ(f.curve[i].nm, losses[i][2].AsDouble());
  }
  EXPECT_EQ(f.curve.front().rpm, static_cast<std::int32_t>(f.rpmLow));
  EXPECT_EQ(f.curve.back().rpm, static_cast<std::int32_t>(f.rpmHigh));

  // Fitted to the rows after the first 19, which only prime the calculator: the simulator's
  // friction 1.5 + 0.004 w + 0.00002 w^2 N m.
  ASSERT_TRUE(f.fit.fitted) << f.fit.problem;
  EXPECT_EQ(f.fit.rows, static_cast<long>(ReadTable(file, "RawData").size()) - 19);
  EXPECT_NEAR(f.fit.a, 1.5, 0.02);
  EXPECT_NEAR(f.fit.b, 0.004, 0.0005);
  EXPECT_NEAR(f.fit.c, 0.00002, 0.000003);
}

TEST_F(AnalysedFileTest, FilesThatCannotBeReadRaiseTheEnginesNumber) {
  testing::WriteBytes(p.CalFile("junk.Frixa"), std::vector<std::uint8_t>(4096, 0x41));
  EXPECT_EQ(testing::ErrorOf([&] { ReadAnalysedFile(p.CalFile("junk.Frixa")); }),
            errnum::kJetUnrecognisedFormat);
  EXPECT_EQ(testing::ErrorOf([&] { ReadAnalysedFile(p.CalFile("none.Frixa")); }), 3024);
  // A file whose information record was lost.
  {
    RecordSet id;
    Bind(id, file, "Select * From Info");
    id.Delete();
    Release(id);
  }
  EXPECT_EQ(testing::ErrorOf([&] { ReadAnalysedFile(file); }), 3021);
}

TEST_F(AnalysedFileTest, HostCurveIsAbsentUntilApplyThenTheAppliedCurve) {
  EXPECT_FALSE(ReadHostCurve(p.app.AppPath).has_value());
  p.ui.fileNameAnswers.push_back(file);
  ApplyCommand(p.app, p.dc);
  ASSERT_TRUE(p.ui.messages.empty());
  const auto host = ReadHostCurve(p.app.AppPath);
  ASSERT_TRUE(host.has_value());
  const AnalysedFile f = ReadAnalysedFile(file);
  ASSERT_EQ(host->size(), f.curve.size());
  const CurveDifference same = CompareCurves(f.curve, *host);
  EXPECT_EQ(same.rpms, static_cast<long>(f.curve.size()));
  EXPECT_EQ(same.nmMaxPct, 0.0);
  EXPECT_EQ(same.kwMaxPct, 0.0);

  testing::WriteBytes(p.app.ProgramFile("Torvex2.005"), std::vector<std::uint8_t>(100, 1));
  EXPECT_EQ(testing::ErrorOf([&] { ReadHostCurve(p.app.AppPath); }),
            errnum::kJetUnrecognisedFormat);
}

TEST(CompareCurves, PercentOfTheReferenceOverTheSharedRpmsOnly) {
  const std::vector<LossCurveRow> reference = {
      {100, 2.0, 10.0}, {101, 0.0, 20.0}, {102, 4.0, 0.0}, {103, 5.0, 40.0}, {104, 1.0, 1.0}};
  // 99 and 105 have no reference; 104 twice: the first row counts.
  const std::vector<LossCurveRow> curve = {{99, 9.0, 9.0},    {100, 2.2, 9.0},  {101, 3.0, 21.0},
                                           {102, 4.0, 7.0},   {103, 4.0, 40.0}, {104, 1.0, 1.0},
                                           {104, 50.0, 50.0}, {105, 1.0, 1.0}};
  const CurveDifference d = CompareCurves(curve, reference);
  EXPECT_EQ(d.rpms, 5);
  EXPECT_EQ(d.rpmLow, 100);
  EXPECT_EQ(d.rpmHigh, 104);
  // Torque: -10 %, +5 %, (reference 0), 0 %, 0 %.
  EXPECT_NEAR(d.nmMeanPct, 15.0 / 4, 1e-12);
  EXPECT_NEAR(d.nmMaxPct, 10.0, 1e-12);
  // Power: +10 %, (reference 0), 0 %, -20 %, 0 %.
  EXPECT_NEAR(d.kwMeanPct, 30.0 / 4, 1e-12);
  EXPECT_NEAR(d.kwMaxPct, 20.0, 1e-12);

  EXPECT_NEAR(*PercentDifference(9.0, 10.0), -10.0, 1e-12);
  EXPECT_FALSE(PercentDifference(1.0, 0.0).has_value());

  const CurveDifference none = CompareCurves({{1, 1, 1}}, reference);
  EXPECT_EQ(none.rpms, 0);
  EXPECT_EQ(none.nmMaxPct, 0.0);
  EXPECT_EQ(none.kwMeanPct, 0.0);
}

}  // namespace
}  // namespace frixa
