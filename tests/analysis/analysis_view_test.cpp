// What the analysis window shows and proposes, without a window: each file's row of texts
// (information record, model, difference to the first file or to the host's curve, torque or
// power), the reference line, and the names and settings of its save dialogs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/analysis_view.h"

namespace frixa {
namespace {

using Row = std::vector<std::string>;

AnalysedFile File(const std::string& title, std::vector<LossCurveRow> curve) {
  AnalysedFile f;
  f.path = "C:\\Cal\\" + title + ".Frixa";
  f.title = title;
  f.dateProcessed = "10/12/2026";
  f.inertia = 1.25;
  f.ratio = 1;
  f.rpmLow = 500;
  f.rpmHigh = 2999.6;
  f.curve = std::move(curve);
  return f;
}

AnalysisState Rig() {
  AnalysisState s;
  s.files.push_back(File("Rig 1", {{1000, 1.0, 10}, {2000, 2.0, 10}}));
  FrictionFit& fit = s.files[0].fit;
  fit.fitted = true;
  fit.a = 6.123456;
  fit.b = 0.0012345678;
  fit.c = 0.000001;
  fit.r2 = 0.98764;
  fit.rms = 0.0123449;
  // 10 and 20 % more torque, 5 and 25 % more power than Rig 1; no model.
  s.files.push_back(File("Rig 2", {{1000, 1.05, 11}, {2000, 2.5, 12}}));
  s.files.push_back(File("Far", {{5000, 9.0, 20}}));  // no RPM in common
  // Rig 1 judged by the fit of its recorded times, the others (older files) by today's fit.
  CalibrationCheck& sound = s.files[0].check;
  sound.recorded = true;
  sound.model.fitted = true;
  sound.model.a = 1.4999;
  sound.model.b = 0.0040026;
  sound.model.c = 2.0001e-05;
  sound.bandPct = 0.01234;
  sound.verdict = "SOUND";
  s.files[1].check.verdict = "NOT PHYSICAL";
  s.files[2].check.verdict = "NO FIT";
  s.host = std::vector<LossCurveRow>{{1000, 1.0, 8}, {2000, 2.0, 8}};
  return s;
}

TEST(AnalysisView, RowsAgainstTheFirstFileInTorqueAndPower) {
  AnalysisState s = Rig();
  std::vector<Row> rows = AnalysisRows(s);
  ASSERT_EQ(rows.size(), 3u);
  // A, B, C of the recorded times' fit the verdict judges; R^2 and the residual per revolution.
  EXPECT_EQ(rows[0], (Row{"Rig 1", "10/12/2026", "1.25", "1", "500 - 3000", "2", "1.4999",
                          "0.0040026", "2.0001e-05", "0.9876", "0.01234", "reference", "reference",
                          "SOUND", "0.012"}));
  EXPECT_EQ(rows[1], (Row{"Rig 2", "10/12/2026", "1.25", "1", "500 - 3000", "2", "-", "-", "-",
                          "-", "-", "15.00", "20.00", "NOT PHYSICAL", "-"}));
  EXPECT_EQ(rows[2], (Row{"Far", "10/12/2026", "1.25", "1", "500 - 3000", "1", "-", "-", "-",
                          "-", "-", "-", "-", "NO FIT", "-"}));
  for (const Row& r : rows) EXPECT_EQ(r.size(), kAnalysisColumns.size());
  EXPECT_EQ(ReferenceText(s), "Reference: Rig 1");

  s.power = true;
  rows = AnalysisRows(s);
  EXPECT_EQ(rows[1][11], "15.00");
  EXPECT_EQ(rows[1][12], "25.00");
}

TEST(AnalysisView, RowsAgainstTheHostsCurveOrNothing) {
  AnalysisState s = Rig();
  s.hostReference = true;
  std::vector<Row> rows = AnalysisRows(s);
  // Every file compared with the host's 8 N m, the first one too.
  EXPECT_EQ((Row{rows[0][11], rows[0][12]}), (Row{"25.00", "25.00"}));
  EXPECT_EQ((Row{rows[1][11], rows[1][12]}), (Row{"43.75", "50.00"}));
  EXPECT_EQ((Row{rows[2][11], rows[2][12]}), (Row{"-", "-"}));
  EXPECT_EQ(ReferenceText(s), "Reference: Torvex2.005 (the curve in use)");

  s.host.reset();
  rows = AnalysisRows(s);
  EXPECT_EQ((Row{rows[0][11], rows[0][12]}), (Row{"-", "-"}));
  EXPECT_EQ(ReferenceText(s), "Reference: Torvex2.005 (not present)");

  EXPECT_TRUE(AnalysisRows(AnalysisState{}).empty());
  EXPECT_EQ(ReferenceText(AnalysisState{}), "Reference: none (add calibration files)");
}

TEST(AnalysisView, SaveDialogsAndTheNamesTheyPropose) {
  const FileDialogSettings report = ReportDialog("C:\\Cal\\Old\\Rig 2.b.Frixa", "C:\\Cal");
  EXPECT_EQ(report.fileName, "Rig 2.b Report.pdf");  // cut at the last full stop
  EXPECT_EQ(report.filter, "PDF Report (*.pdf)|*.pdf|");
  EXPECT_EQ(report.initDir, "C:\\Cal");
  EXPECT_EQ(report.title, "Report");
  EXPECT_EQ(report.flags, 2u + 4u + 8u);  // overwrite prompt, no read-only box, folder kept
  EXPECT_EQ(ReportDialog("/cal/Rig", "/cal").fileName, "Rig Report.pdf");

  const FileDialogSettings save =
      AnalysisSaveDialog(kCalibrationFilter, kCombinedFileName, "C:\\Cal", "Combine");
  EXPECT_EQ(save.filter, "Frix Losses Files (*.FRIXA)|*.FRIXA|");
  EXPECT_EQ(save.fileName, "Combined.Frixa");
  EXPECT_EQ(save.flags, report.flags);
  EXPECT_EQ(SmoothedFileName("Rig 2"), "Rig 2 Smoothed.Frixa");
  EXPECT_EQ(std::string(kPictureFileName), "Analysis.png");
  EXPECT_EQ(std::string(kPictureFilter), "PNG Picture (*.png)|*.png|");

  EXPECT_EQ(PowerPictureName("C:\\Pictures\\rig.png"), "C:\\Pictures\\rig Power.png");
  EXPECT_EQ(PowerPictureName("C:\\Pictures.old\\rig"), "C:\\Pictures.old\\rig Power");
  EXPECT_EQ(FileNameOf("C:\\Cal/x\\Rig 1.Frixa"), "Rig 1.Frixa");
}

}  // namespace
}  // namespace frixa
