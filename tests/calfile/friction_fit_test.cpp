// The friction model fit (on exact and degenerate samples, and on calibration files), and the
// smoothed calibration written from it, end to end on simulated rundowns of known friction.
#include "calfile/friction_fit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "calfile/processing_phases.h"
#include "calfile/smoothed_file.h"
#include "support/calibration_fixture.h"
#include "templates/build_file.h"

namespace frixa {
namespace {

using testing::ProgramFolder;
using testing::ReadTable;
using testing::Rows;

double Relative(double got, double want) { return std::fabs(got - want) / std::fabs(want); }

TEST(FrictionFit, AnExactQuadraticComesBackToOneInABillion) {
  struct Case {
    double a, b, c;
    int low, high;
  };
  // A kart-like rig, a slow drum over a narrow range, and a model with a large constant part.
  for (const Case k : {Case{1.5, 0.004, 0.00002, 300, 3000}, Case{20, 0.2, 0.004, 600, 700},
                       Case{250, 0.01, 0.000001, 1000, 9000}}) {
    FrictionFitter fitter;
    // Rundown order, from the top down, with every RPM visited twice.
    for (int r = k.high; r >= k.low; --r) {
      for (int twice = 0; twice < 2; ++twice) {
        const double w = OmegaOfRpm(r + 0.5);
        fitter.Add(r + 0.5, k.a + k.b * w + k.c * w * w);
      }
    }
    const FrictionFit fit = fitter.Fit();
    ASSERT_TRUE(fit.fitted) << fit.problem;
    EXPECT_LT(Relative(fit.a, k.a), 1e-9) << k.low;
    EXPECT_LT(Relative(fit.b, k.b), 1e-9) << k.low;
    EXPECT_LT(Relative(fit.c, k.c), 1e-9) << k.low;
    EXPECT_GT(fit.r2, 1.0 - 1e-12);
    EXPECT_LT(fit.rms, 1e-9 * k.a);
    EXPECT_EQ(fit.rows, 2L * (k.high - k.low + 1));
    EXPECT_EQ(fit.rpmLow, k.low + 0.5);
    EXPECT_EQ(fit.rpmHigh, k.high + 0.5);
    EXPECT_FALSE(fit.notPhysical);
    EXPECT_FALSE(fit.poor);
    const double w = OmegaOfRpm(k.low + 10.0);
    EXPECT_LT(Relative(fit.PowerAt(k.low + 10.0), (k.a + k.b * w + k.c * w * w) * w / 1000), 1e-9);
  }
}

// Noisy samples in runs at one RPM, as a rundown gives them, with some RPMs met again later:
// the fit, its R^2 and its residual RMS agree with a plain least-squares solution of the normal
// equations in long double over every sample.
TEST(FrictionFit, RunsOfSamplesAtOneRpmFitAsTheSamplesOneByOne) {
  std::uint64_t state = 12345;
  const auto noise = [&] {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(state >> 11) / 9007199254740992.0 - 0.5;
  };
  std::vector<std::pair<double, double>> samples;
  FrictionFitter fitter;
  for (int pass = 0; pass < 2; ++pass) {
    for (int r = 2000 - pass * 700; r >= 300; r -= 1 + pass) {
      const int repeats = 1 + (r % 7) * (pass + 1);
      for (int i = 0; i < repeats; ++i) {
        const double w = OmegaOfRpm(r + 0.5);
        const double y = 1.2 + 0.01 * w + 0.00003 * w * w + 0.05 * noise();
        samples.emplace_back(r + 0.5, y);
        fitter.Add(r + 0.5, y);
      }
    }
  }
  // Normal equations in omega, solved by Cramer's rule.
  long double s[5] = {}, t[3] = {}, yy = 0, ysum = 0;
  for (const auto& [rpm, y] : samples) {
    const long double w = OmegaOfRpm(rpm);
    long double p = 1;
    for (int k = 0; k < 5; ++k, p *= w) {
      s[k] += p;
      if (k < 3) t[k] += p * y;
    }
    yy += static_cast<long double>(y) * y;
    ysum += y;
  }
  const auto det = [](long double m[3][3]) {
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
           m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
  };
  long double coef[3];
  for (int k = 0; k < 3; ++k) {
    long double m[3][3];
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) m[i][j] = j == k ? t[i] : s[i + j];
    }
    long double base[3][3];
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) base[i][j] = s[i + j];
    }
    coef[k] = det(m) / det(base);
  }
  const long double n = static_cast<long double>(samples.size());
  const long double rss = yy - (coef[0] * t[0] + coef[1] * t[1] + coef[2] * t[2]);
  const long double m2 = yy - ysum * ysum / n;

  const FrictionFit fit = fitter.Fit();
  ASSERT_TRUE(fit.fitted) << fit.problem;
  EXPECT_EQ(fit.rows, static_cast<long>(samples.size()));
  EXPECT_EQ(fitter.Rows(), fit.rows);
  EXPECT_LT(Relative(fit.a, static_cast<double>(coef[0])), 1e-7);
  EXPECT_LT(Relative(fit.b, static_cast<double>(coef[1])), 1e-7);
  EXPECT_LT(Relative(fit.c, static_cast<double>(coef[2])), 1e-7);
  EXPECT_LT(Relative(fit.rms, static_cast<double>(std::sqrt(rss / n))), 1e-6);
  EXPECT_LT(std::fabs(fit.r2 - static_cast<double>(1 - rss / m2)), 1e-9);
  EXPECT_EQ(fit.rpmLow, 300.5);
  EXPECT_EQ(fit.rpmHigh, 2000.5);
  // The fit does not end the gathering: samples added after it count too.
  fitter.Add(2500.5, 40.0);
  EXPECT_EQ(fitter.Fit().rows, fit.rows + 1);
  EXPECT_EQ(fitter.Fit().rpmHigh, 2500.5);
}

TEST(FrictionFit, TooFewRowsOrRpmsGiveAMessage) {
  FrictionFitter none;
  EXPECT_FALSE(none.Fit().fitted);
  FrictionFitter two;
  two.Add(700.5, 3);
  two.Add(701.5, 3.1);
  EXPECT_EQ(two.Fit().problem,
            "fewer than three settled revolutions (2): no friction model can be fitted");
  FrictionFitter oneRpm;
  for (int i = 0; i < 50; ++i) oneRpm.Add(700.5, 3 + 0.01 * i);
  EXPECT_FALSE(oneRpm.Fit().fitted);
  EXPECT_NE(oneRpm.Fit().problem.find("fewer than three different RPMs"), std::string::npos);
  FrictionFitter twoRpms;
  for (int i = 0; i < 50; ++i) twoRpms.Add(700.5 + i % 2, 3);
  EXPECT_FALSE(twoRpms.Fit().fitted);
}

TEST(FrictionFit, FlagsModelsThatAreNotPhysicalOrPoor) {
  // Friction that bends down at speed.
  FrictionFitter falling;
  for (int r = 500; r <= 1500; ++r) {
    const double w = OmegaOfRpm(r);
    falling.Add(r, 5 + 0.05 * w - 0.0002 * w * w);
  }
  const FrictionFit f = falling.Fit();
  ASSERT_TRUE(f.fitted);
  EXPECT_LT(f.c, 0);
  EXPECT_TRUE(f.notPhysical);
  // A torque that crosses zero inside the range, although C > 0.
  FrictionFitter crossing;
  for (int r = 500; r <= 1500; ++r) {
    const double w = OmegaOfRpm(r);
    crossing.Add(r, -1 + 0.0001 * w * w);
  }
  EXPECT_TRUE(crossing.Fit().notPhysical);
  // Scatter the model cannot explain: alternating torques.
  FrictionFitter scatter;
  for (int r = 500; r <= 1500; ++r) scatter.Add(r, r % 2 == 0 ? 1.0 : 9.0);
  const FrictionFit s = scatter.Fit();
  ASSERT_TRUE(s.fitted);
  EXPECT_LT(s.r2, kPoorFitR2);
  EXPECT_TRUE(s.poor);
  EXPECT_NEAR(s.rms, 4.0, 1e-3);
}

// ---- calibration files ----------------------------------------------------------------------

class FileFitTest : public ::testing::Test {
 protected:
  // A calibration file whose RawData holds `rows` rows at the given RPMs, torque 2 + RPM / 1000.
  std::string FileWithRows(const std::string& name, const std::vector<int>& rpms) {
    const std::string file = p.CalFile(name + ".Frixa");
    BuildFileFromResource(p.ui, file, 101, "MDB");
    RecordSet rd;
    Bind(rd, file, "Select * From RawData");
    for (const int rpm : rpms) {
      rd.AddNew();
      rd.SetField(0, FieldValue::Integer(rpm));
      rd.SetField(1, FieldValue::Single(1.0f));
      rd.SetField(2, FieldValue::Single(2.0f + static_cast<float>(rpm) / 1000.0f));
      rd.Update();
    }
    Release(rd);
    return file;
  }
  ProgramFolder p;
};

TEST_F(FileFitTest, OnlyRowsFromTheTwentiethOnAreSettled) {
  std::vector<int> rpms;
  for (int i = 0; i < 21; ++i) rpms.push_back(1000 - i);
  const SettledRawData r21 = ReadSettledRawData(FileWithRows("r21", rpms));
  EXPECT_EQ(r21.stored, 21);
  EXPECT_EQ(r21.settled, 2);
  ASSERT_EQ(r21.runs.size(), 2u);
  EXPECT_EQ(r21.runs[0].rpm, 981.5);  // row 19: whole RPM + 0.5
  EXPECT_EQ(r21.runs[0].first, static_cast<double>(2.0f + 981.0f / 1000.0f));
  EXPECT_EQ(r21.runs[0].count, 1);
  EXPECT_EQ(r21.topOmega, OmegaOfRpm(981.5));
  EXPECT_FALSE(FitSettledRawData(r21).fitted);

  rpms.push_back(979);
  const SettledRawData r22 = ReadSettledRawData(FileWithRows("r22", rpms));
  EXPECT_EQ(r22.settled, 3);
  const FrictionFit fit = FitSettledRawData(r22);
  ASSERT_TRUE(fit.fitted) << fit.problem;
  EXPECT_EQ(fit.rows, 3);
  EXPECT_EQ(fit.rpmLow, 979.5);
  EXPECT_EQ(fit.rpmHigh, 981.5);
}

TEST_F(FileFitTest, AMassSpunUpAgainStartsARundownWhoseFirstRowsOnlyPrime) {
  // Rundowns one after the other, as a combined calibration holds them; a rise of a few RPM
  // (timing noise) or one just short of 5 % and 10 RPM is no new rundown.
  std::vector<int> rpms;
  for (int i = 0; i < 26; ++i) rpms.push_back(1000 - i + (i == 21 ? 6 : 0));
  rpms.push_back(1050);  // above 975 * 1.05 + 10 = 1033.75: a new rundown
  for (int i = 1; i < 26; ++i) rpms.push_back(1050 - i);
  rpms.push_back(1087);  // above 1025 * 1.05 + 10 = 1086.25
  rpms.push_back(1151);  // below 1087 * 1.05 + 10 = 1151.35
  const SettledRawData data = ReadSettledRawData(FileWithRows("two", rpms));
  EXPECT_EQ(data.stored, 54);
  EXPECT_EQ(data.rundownStarts, (std::vector<long>{0, 26, 52}));
  EXPECT_EQ(data.settled, 14);  // rows 19 to 25 of the first two rundowns, each its own RPM
  ASSERT_EQ(data.runs.size(), 14u);
  EXPECT_EQ(data.runs[0].rpm, 981.5);
  EXPECT_EQ(data.runs[7].rpm, 1050 - 19 + 0.5);
  EXPECT_EQ(data.runs[13].rpm, 1025.5);
  EXPECT_EQ(data.topOmega, OmegaOfRpm(1031.5));
}

TEST_F(FileFitTest, RunsAtOneRpmGatheredAsTheFileIsReadFitExactlyAsTheRowsOneByOne) {
  // Two rundowns with runs of one to five rows at an RPM, scattered torques, and an RPM met
  // again after another: gathered while RawData is read, the runs must give the fit of the
  // settled rows one by one, scaled by their top speed, to the last bit.
  const std::string file = p.CalFile("runs.Frixa");
  BuildFileFromResource(p.ui, file, 101, "MDB");
  RecordSet rd;
  Bind(rd, file, "Select * From RawData");
  std::vector<std::pair<int, float>> rows;
  for (int rundown = 0; rundown < 2; ++rundown) {
    int k = 0;
    for (int rpm = 1500 + 200 * rundown; rpm >= 600; rpm -= 7, ++k) {
      for (int i = 0; i <= k % 5; ++i) {
        rows.emplace_back(rpm, static_cast<float>(1.5 + 0.004 * rpm + 2e-6 * rpm * rpm +
                                                  0.3 * std::sin(7.0 * k + i)));
      }
      if (k == 40) rows.emplace_back(rpm + 7, 9.0f);  // back up one step: no restart
    }
  }
  for (const auto& [rpm, nm] : rows) {
    rd.AddNew();
    rd.SetField(0, FieldValue::Integer(rpm));
    rd.SetField(1, FieldValue::Single(nm * static_cast<float>(rpm) / 9549.3f));
    rd.SetField(2, FieldValue::Single(nm));
    rd.Update();
  }
  Release(rd);

  const SettledRawData data = ReadSettledRawData(file);
  ASSERT_EQ(data.rundownStarts.size(), 2u);
  const auto second = static_cast<std::size_t>(data.rundownStarts[1]);
  EXPECT_EQ(rows[second].first, 1700);
  std::vector<std::pair<double, double>> settled;  // (rpm + 0.5, torque) of the settled rows
  double top = 0;  // the second rundown's, which the fit must wait for
  double highest = 0;
  double lowest = 1e9;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if ((i < second ? i : i - second) < static_cast<std::size_t>(kFirstSettledRawRow)) continue;
    settled.emplace_back(rows[i].first + 0.5, static_cast<double>(rows[i].second));
    top = std::max(top, std::fabs(OmegaOfRpm(rows[i].first + 0.5)));
    highest = std::max(highest, rows[i].first + 0.5);
    lowest = std::min(lowest, rows[i].first + 0.5);
  }
  EXPECT_EQ(data.stored, static_cast<long>(rows.size()));
  EXPECT_EQ(data.settled, static_cast<long>(settled.size()));
  EXPECT_EQ(data.topOmega, top);
  EXPECT_GT(top, std::fabs(OmegaOfRpm(settled.front().first)));
  EXPECT_LT(data.runs.size(), settled.size() / 2);
  FrictionFitter oneByOne(top);
  for (const auto& [rpm, torque] : settled) oneByOne.Add(rpm, torque);
  const FrictionFit want = oneByOne.Fit();
  const FrictionFit got = FitSettledRawData(data);
  ASSERT_TRUE(want.fitted);
  ASSERT_TRUE(got.fitted);
  EXPECT_EQ(got.a, want.a);
  EXPECT_EQ(got.b, want.b);
  EXPECT_EQ(got.c, want.c);
  EXPECT_EQ(got.r2, want.r2);
  EXPECT_EQ(got.rms, want.rms);
  EXPECT_EQ(got.rows, want.rows);
  EXPECT_EQ(got.rpmLow, lowest);
  EXPECT_EQ(got.rpmHigh, highest);
  EXPECT_NEAR(got.a, 1.5, 0.2);
  EXPECT_NEAR(got.c, 2e-6 * 3600 / (4 * std::numbers::pi * std::numbers::pi), 2e-5);
}

TEST_F(FileFitTest, AFileOfOneRpmCannotBeFittedOrSmoothed) {
  const std::string file = FileWithRows("flat", std::vector<int>(60, 700));
  const FrictionFit fit = FitSettledRawData(ReadSettledRawData(file));
  EXPECT_FALSE(fit.fitted);
  EXPECT_NE(fit.problem.find("fewer than three different RPMs"), std::string::npos);
  const std::string out = p.CalFile("flat smooth.Frixa");
  EXPECT_THROW(SmoothCalibrationFile(p.ui, file, out, "1/2/2027"), SmoothingRefused);
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_FALSE(std::filesystem::exists(out + ".tmp"));
}

// ---- simulated rundowns of known friction ---------------------------------------------------

struct Accuracy {
  double storedTorque = 0, storedPower = 0;  // worst relative errors against the truth
  double fitTorque = 0, fitPower = 0;
  double smoothTorque = 0, smoothPower = 0;
};

void Worst(double& worst, double got, double want) { worst = std::max(worst, Relative(got, want)); }

TEST(SimulatedRundowns, StoredCurveWithinFivePercentFitAndSmoothedWithinHalfAPercent) {
  // The kart with 1 us of jitter, the heavy rig with its counts' rounding only, and the fast
  // rig with 1 us of jitter, whose stored curve is noisy.
  const auto rigs = ReferenceRigs();
  RundownModel kart = rigs[0].model;
  kart.jitterUs = 1.0;
  RundownModel bike = rigs[2].model;
  bike.jitterUs = 1.0;
  for (const RundownModel& m : {kart, rigs[3].model, bike}) {
    const bool noisy = m.ratio != 1.0;
    ProgramFolder p;
    p.SimulateAndPreview(m, static_cast<float>(m.inertia), static_cast<float>(m.ratio));
    p.Create("rig");
    ASSERT_TRUE(p.ui.messages.empty());
    const std::string file = p.CalFile("rig.Frixa");
    const FrictionFit fit = FitSettledRawData(ReadSettledRawData(file));
    ASSERT_TRUE(fit.fitted);
    EXPECT_FALSE(fit.notPhysical);
    EXPECT_FALSE(fit.poor);
    const std::string smoothed = p.CalFile("rig smooth.Frixa");
    const SmoothedFile out = SmoothCalibrationFile(p.ui, file, smoothed, "1/2/2027");

    Accuracy acc;
    const auto truth = [&](double rpm, double& torque, double& power) {
      const double w = OmegaOfRpm(rpm);
      torque = FrictionTorque(m, w);
      power = torque * w / 1000.0;
    };
    const auto stored = ReadLossCurve(file);
    const auto smooth = ReadLossCurve(smoothed);
    ASSERT_EQ(stored.size(), static_cast<std::size_t>(p.app.MaxMassRPM - p.app.MinMassRPM) + 1);
    ASSERT_EQ(smooth.size(), stored.size());
    EXPECT_EQ(out.lossRows, static_cast<long>(stored.size()));
    EXPECT_TRUE(out.fromRecordedTimes);
    for (std::size_t i = 0; i < stored.size(); ++i) {
      ASSERT_EQ(smooth[i].rpm, stored[i].rpm);
      const double middle = stored[i].rpm + 0.5;
      double t = 0, pw = 0;
      truth(middle, t, pw);
      Worst(acc.storedTorque, stored[i].nm, t);
      Worst(acc.storedPower, stored[i].kw, pw);
      Worst(acc.fitTorque, fit.TorqueAt(middle), t);
      Worst(acc.fitPower, fit.PowerAt(middle), pw);
      Worst(acc.smoothTorque, smooth[i].nm, t);
      Worst(acc.smoothPower, smooth[i].kw, pw);
      // The smoothed curve is the model fitted to the recorded times the file kept, stored in
      // single precision.
      EXPECT_EQ(smooth[i].nm, static_cast<double>(static_cast<float>(out.fit.TorqueAt(middle))));
      EXPECT_EQ(smooth[i].kw, static_cast<double>(static_cast<float>(out.fit.PowerAt(middle))));
    }
    if (!noisy) {
      EXPECT_LT(acc.storedTorque, 0.05) << m.inertia;
      EXPECT_LT(acc.storedPower, 0.05) << m.inertia;
    } else {
      EXPECT_GT(acc.storedTorque, 0.05) << "the per-RPM means should show the jitter";
    }
    EXPECT_LT(acc.fitTorque, 0.005) << m.inertia;
    EXPECT_LT(acc.fitPower, 0.005) << m.inertia;
    EXPECT_LT(acc.smoothTorque, 0.005) << m.inertia;
    EXPECT_LT(acc.smoothPower, 0.005) << m.inertia;

    // The smoothed file: raw and point data row for row, the source's information record but
    // for the date and the comment.
    for (const char* table : {"RawData", "PointData"}) {
      EXPECT_EQ(ReadTable(smoothed, table), ReadTable(file, table)) << table;
    }
    const Rows a = ReadTable(file, "Info");
    const Rows b = ReadTable(smoothed, "Info");
    ASSERT_EQ(b.size(), 1u);
    for (int i : {0, 1, 2, 3, 5}) EXPECT_EQ(b[0][i], a[0][i]) << i;
    EXPECT_EQ(b[0][4].AsText(), "1/2/2027");
    EXPECT_EQ(b[0][6].AsText(), "Smoothed from rig");
    EXPECT_FALSE(std::filesystem::exists(smoothed + ".tmp"));
  }
}

TEST(SimulatedRundowns, TheSmoothedCommentStopsAt255Characters) {
#ifdef _WIN32
  GTEST_SKIP() << "a 245-character file title does not fit a Windows path";
#endif
  ProgramFolder p;
  p.SimulateAndPreview(ProgramFolder::ShortRundown());
  const std::string title(245, 'r');
  p.Create(title);
  ASSERT_TRUE(p.ui.messages.empty());
  const std::string smoothed = p.CalFile("s.Frixa");
  SmoothCalibrationFile(p.ui, p.CalFile(title + ".Frixa"), smoothed, "1/2/2027");
  const std::string comment = ReadTable(smoothed, "Info")[0][6].AsText();
  EXPECT_EQ(comment.size(), 255u);
  EXPECT_EQ(comment, (kSmoothedCommentPrefix + title).substr(0, 255));
}

}  // namespace
}  // namespace frixa
