// The rundown simulator: its physics against closed forms, what the revolution calculator
// recovers from it, and the records it writes (jitter, corruption, the 24-bit limit).
#include "sim/rundown_simulator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <vector>

#include "run/run_pass.h"
#include "support/recording_frontend.h"
#include "support/run_files.h"

namespace frixa {
namespace {

using testing::RecordingFrontend;
using testing::TempFolder;

constexpr double kPi = 3.14159265358979323846;
constexpr double kRadPerRpm = 2.0 * kPi / 60.0;

std::vector<std::uint32_t> Counts(const std::vector<SimulatedRevolution>& run) {
  std::vector<std::uint32_t> counts;
  for (const auto& r : run) counts.push_back(r.record.Count());
  return counts;
}

TEST(RundownPhysics, ConstantFrictionMatchesTheClosedForm) {
  // Under a constant torque A, omega^2 falls linearly with the angle:
  // omega_k^2 = omega_0^2 - 2 A (2 pi k) / I, and revolution k lasts I (omega_k - omega_k+1) / A.
  RundownModel model;
  model.frictionA = 2.0;
  model.frictionB = 0.0;
  model.frictionC = 0.0;
  const auto run = SimulateRundown(model);

  const double w0 = model.startRpm * kRadPerRpm;
  const double wEnd = model.endRpm * kRadPerRpm;
  auto omega = [&](std::size_t k) {
    return std::sqrt(w0 * w0 - 2.0 * model.frictionA * 2.0 * kPi * static_cast<double>(k) /
                                    model.inertia);
  };
  std::size_t expectedRecords = 0;
  while (omega(expectedRecords) > wEnd) ++expectedRecords;
  ASSERT_EQ(run.size(), expectedRecords);
  ASSERT_GT(run.size(), 3000u);

  for (std::size_t k = 0; k < run.size(); ++k) {
    const double period = model.inertia * (omega(k) - omega(k + 1)) / model.frictionA;
    ASSERT_NEAR(run[k].period, period, period * 1e-9) << k;
    ASSERT_NEAR(run[k].endOmega, omega(k + 1), 1e-9) << k;
    ASSERT_EQ(run[k].record.Count(), static_cast<std::uint32_t>(std::llround(period * 1e6))) << k;
    ASSERT_EQ(run[k].record.marker, '#');
  }
  EXPECT_GT(run.back().startOmega, wEnd);
  EXPECT_LE(run.back().endOmega, wEnd);
}

TEST(RundownPhysics, SpeedDependentFrictionLosesTheWorkDoneAgainstIt) {
  // Energy balance per revolution: 1/2 I (w_start^2 - w_end^2) = integral of T over 2 pi,
  // which for a small drop is close to 2 pi T at the mean speed.
  const RundownModel model;
  const auto run = SimulateRundown(model);
  ASSERT_GT(run.size(), 1000u);
  for (std::size_t k = 0; k < run.size(); k += 97) {
    const auto& r = run[k];
    const double lost = 0.5 * model.inertia * (r.startOmega * r.startOmega - r.endOmega * r.endOmega);
    const double work = 2.0 * kPi * FrictionTorque(model, 0.5 * (r.startOmega + r.endOmega));
    EXPECT_NEAR(lost / work, 1.0, 1e-3) << k;
    // and the period is the angle over the mean speed
    EXPECT_NEAR(r.period * 0.5 * (r.startOmega + r.endOmega) / (2.0 * kPi), 1.0, 1e-3) << k;
  }
}

TEST(RundownPhysics, CalculatorRecoversTheModelTorqueWithinTwoPercent) {
  TempFolder dir;
  const RundownModel model;  // 1.25 kg m^2, T = 1.5 + 0.004 w + 0.00002 w^2, 3000 to 300 RPM
  WriteRundownFile(model, dir.File(kRunFileName));

  for (const auto precision : {WindowPrecision::Single, WindowPrecision::Double}) {
    RecordingFrontend ui;
    App app(ui, dir.str());
    app.InertiaFactor = static_cast<float>(model.inertia);
    app.SensorMassRatio = static_cast<float>(model.ratio);
    const double span = model.startRpm - model.endRpm;
    const double low = model.endRpm + 0.1 * span;
    const double high = model.startRpm - 0.1 * span;
    int checked = 0;
    double worst = 0.0;
    RunPass(
        app, precision, [] {},
        [&](double, std::int32_t n, const RevolutionResults& r) {
          if (n <= 1 || r.rpm < low || r.rpm > high) return;
          const double expected = FrictionTorque(model, r.rpm * kRadPerRpm);
          const double error = std::fabs(std::fabs(r.torque) - expected) / expected;
          worst = std::max(worst, error);
          ++checked;
        });
    EXPECT_GT(checked, 2000);
    EXPECT_LT(worst, 0.02) << (precision == WindowPrecision::Single ? "single" : "double");
  }
}

TEST(RundownRecords, JitterIsGaussianWithTheGivenDeviation) {
  RundownModel clean;
  RundownModel noisy;
  noisy.jitterUs = 3.0;
  noisy.seed = 7;
  const auto a = Counts(SimulateRundown(clean));
  const auto b = Counts(SimulateRundown(noisy));
  ASSERT_EQ(a.size(), b.size());
  double sum = 0.0, sumSq = 0.0;
  int beyondThreeSigma = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const double d = static_cast<double>(b[i]) - static_cast<double>(a[i]);
    sum += d;
    sumSq += d * d;
    if (std::fabs(d) > 9.5) ++beyondThreeSigma;
  }
  const double n = static_cast<double>(a.size());
  const double mean = sum / n;
  const double deviation = std::sqrt(sumSq / n - mean * mean);
  EXPECT_NEAR(mean, 0.0, 0.25);
  EXPECT_NEAR(deviation, 3.0, 0.2);        // the rounding to whole microseconds adds 1/12
  EXPECT_LT(beyondThreeSigma, a.size() / 100);  // 0.3 % expected of a normal distribution
}

TEST(RundownRecords, SameSeedGivesTheSameRecordsAndAnotherSeedDoesNot) {
  RundownModel model;
  model.jitterUs = 3.0;
  model.seed = 7;
  const auto first = Counts(SimulateRundown(model));
  EXPECT_EQ(Counts(SimulateRundown(model)), first);
  model.seed = 8;
  EXPECT_NE(Counts(SimulateRundown(model)), first);
}

TEST(RundownRecords, SeededRunIsIdenticalOnEveryPlatform) {
  // Pinned once; the Windows build under Wine must produce the very same counts.
  RundownModel model;
  model.jitterUs = 3.0;
  model.seed = 7;
  const auto counts = Counts(SimulateRundown(model));
  ASSERT_EQ(counts.size(), 3134u);
  EXPECT_EQ(std::vector<std::uint32_t>(counts.begin(), counts.begin() + 6),
            (std::vector<std::uint32_t>{20005, 20007, 20017, 20013, 20027, 20029}));
  EXPECT_EQ(counts.back(), 199838u);
}

TEST(RundownRecords, CorruptRecordFailsTheAcceptanceTestAndNoOtherDoes) {
  RundownModel model;
  model.corruptAt = 5;
  const auto run = SimulateRundown(model);
  const auto clean = SimulateRundown(RundownModel{});
  ASSERT_EQ(run.size(), clean.size());
  for (std::size_t i = 0; i < run.size(); ++i) {
    EXPECT_EQ(RunFileReader::IsAcceptable(run[i].record), i != 4) << i;
  }
  // Its count (about 20000 us, 0x004E20) had a zero high byte: that had to be filled in.
  EXPECT_EQ(clean[4].record.countHigh, 0);
  EXPECT_NE(run[4].record.countHigh, 0);
  EXPECT_EQ(run[4].record.countLow, clean[4].record.countLow);
}

TEST(RundownRecords, ZeroFirstPutsACountOfZeroInFrontOfTheRun) {
  RundownModel model;
  model.zeroFirst = true;
  const auto run = Counts(SimulateRundown(model));
  const auto clean = Counts(SimulateRundown(RundownModel{}));
  ASSERT_EQ(run.size(), clean.size() + 1);
  EXPECT_EQ(run[0], 0u);
  EXPECT_EQ(std::vector<std::uint32_t>(run.begin() + 1, run.end()), clean);
}

TEST(RundownRecords, CountsNeverExceedTwentyFourBits) {
  // At a ratio of 0.01 the sensor counts 100 times the mass period: 20 ms at 3000 RPM is
  // 2,000,000 us, and the run must stop before a period of 0.167772155 s (about 357.6 RPM).
  RundownModel model;
  model.ratio = 0.01;
  const auto run = SimulateRundown(model);
  const auto reference = SimulateRundown(RundownModel{});
  ASSERT_GT(run.size(), 100u);
  ASSERT_LT(run.size(), reference.size());
  for (const auto& r : run) ASSERT_LE(r.record.Count(), kMaxRevolutionCount);
  EXPECT_GT(std::llround(reference[run.size()].period * 1e8), 16777215);
  EXPECT_LE(std::llround(reference[run.size() - 1].period * 1e8), 16777215);
}

TEST(RundownRecords, MassThatStopsBeforeTheEndSpeedEndsTheRun) {
  RundownModel model;
  model.startRpm = 60;
  model.endRpm = 0;
  model.frictionA = 3.0;
  const auto run = SimulateRundown(model);
  ASSERT_FALSE(run.empty());
  // Half of I w^2 at 1 rev/s over the work of one revolution against at least 3 N m.
  EXPECT_LE(run.size(), 1u + static_cast<std::size_t>(0.5 * 1.25 * 4 * kPi * kPi / (2 * kPi * 3)));
  for (const auto& r : run) EXPECT_GT(r.endOmega, 0.0);
}

TEST(RundownRecords, MaxRecordsLimitsTheRun) {
  RundownModel model;
  model.maxRecords = 10;
  EXPECT_EQ(SimulateRundown(model).size(), 10u);
}

TEST(RundownFile, WrittenFileReadsBackAsTheSimulatedRecords) {
  TempFolder dir;
  RundownModel model;
  model.jitterUs = 2.0;
  model.corruptAt = 100;
  const auto run = SimulateRundown(model);
  EXPECT_EQ(WriteRundownFile(model, dir.File("run")), static_cast<std::int64_t>(run.size()));
  std::vector<RunRecord> expected;
  for (const auto& r : run) expected.push_back(r.record);
  RunFileReader reader;
  reader.Open(dir.File("run"));
  std::size_t i = 0;
  while (!reader.AtEnd()) {
    const RunRecord r = reader.ReadRecord();
    ASSERT_LT(i, expected.size());
    ASSERT_EQ(EncodeRunRecord(r), EncodeRunRecord(expected[i])) << i;
    ++i;
  }
  EXPECT_EQ(i, expected.size());
  EXPECT_EQ(std::filesystem::file_size(dir.File("run")), expected.size() * kRunRecordSize);
}

}  // namespace
}  // namespace frixa

namespace frixa {
namespace {

// The counts of a run's records of one kind.
std::vector<std::uint32_t> CountsOf(const std::vector<SimulatedRevolution>& run, RecordKind kind) {
  std::vector<std::uint32_t> counts;
  for (const auto& r : run) {
    if (r.kind == kind) counts.push_back(r.record.Count());
  }
  return counts;
}

std::int64_t Total(const std::vector<SimulatedRevolution>& run) {
  std::int64_t sum = 0;
  for (const auto& r : run) sum += r.record.Count();
  return sum;
}

TEST(RundownFaults, BouncesSplitRevolutionsIntoAShortAndALongPeriod) {
  RundownModel model;
  model.doubleTriggerRate = 0.02;
  InjectedFaults faults;
  const auto run = SimulateRundown(model, &faults);
  const auto clean = SimulateRundown(RundownModel{});
  EXPECT_EQ(faults.doubleTriggers, 57);  // pinned for seed 1: about 2 % of 3134 revolutions
  EXPECT_EQ(faults.missedPulses, 0);
  ASSERT_EQ(run.size(), clean.size() + 57);
  EXPECT_EQ(CountsOf(run, RecordKind::BounceShort).size(), 57u);
  // Walking both runs together: a bounce pair holds the clean revolution's time to within the
  // rounding of its two counts, every other record is the clean one.
  std::size_t i = 0;
  for (const auto& c : clean) {
    ASSERT_LT(i, run.size());
    if (run[i].kind == RecordKind::BounceShort) {
      ASSERT_EQ(run[i + 1].kind, RecordKind::BounceLong);
      const auto pair = run[i].record.Count() + run[i + 1].record.Count();
      EXPECT_LE(std::abs(static_cast<long>(pair) - static_cast<long>(c.record.Count())), 1) << i;
      EXPECT_LT(run[i].record.Count(), run[i + 1].record.Count());
      EXPECT_GE(run[i].period, 0.05 * c.period * 0.999);
      EXPECT_LE(run[i].period, 0.45 * c.period * 1.001);
      i += 2;
    } else {
      EXPECT_EQ(run[i].record.Count(), c.record.Count()) << i;
      ++i;
    }
  }
  EXPECT_EQ(i, run.size());
}

TEST(RundownFaults, MissedPulsesJoinTwoRevolutions) {
  RundownModel model;
  model.missedPulseRate = 0.01;
  InjectedFaults faults;
  const auto run = SimulateRundown(model, &faults);
  const auto clean = SimulateRundown(RundownModel{});
  EXPECT_EQ(faults.missedPulses, 25);  // pinned for seed 1: about 1 %
  ASSERT_EQ(run.size() + 25, clean.size());
  std::size_t k = 0;
  for (const auto& r : run) {
    ASSERT_LT(k, clean.size());
    if (r.kind == RecordKind::TwoRevolutions) {
      const auto two = clean[k].record.Count() + clean[k + 1].record.Count();
      EXPECT_LE(std::abs(static_cast<long>(r.record.Count()) - static_cast<long>(two)), 1) << k;
      k += 2;
    } else {
      EXPECT_EQ(r.record.Count(), clean[k].record.Count()) << k;
      ++k;
    }
  }
  EXPECT_EQ(k, clean.size());
}

TEST(RundownFaults, DrivenStartHoldsTheStartSpeedThenCoastsAsBefore) {
  RundownModel model;
  model.drivenRevolutions = 150;
  InjectedFaults faults;
  const auto run = SimulateRundown(model, &faults);
  const auto clean = Counts(SimulateRundown(RundownModel{}));
  EXPECT_EQ(faults.drivenRevolutions, 150);
  ASSERT_EQ(run.size(), clean.size() + 150);
  // 3000 RPM: 20 ms a revolution.
  for (std::size_t i = 0; i < 150; ++i) {
    ASSERT_EQ(run[i].kind, RecordKind::Driven);
    ASSERT_EQ(run[i].record.Count(), 20000u) << i;
  }
  const auto all = Counts(run);
  EXPECT_EQ(std::vector<std::uint32_t>(all.begin() + 150, all.end()), clean);
}

TEST(RundownFaults, CoarseTimerRoundsTheStampsNotThePeriods) {
  RundownModel model;
  model.timerUs = 1000;
  const auto run = SimulateRundown(model);
  const auto clean = SimulateRundown(RundownModel{});
  ASSERT_EQ(run.size(), clean.size());
  double trueStamp = 0;
  std::int64_t stamp = 0;
  int late = 0, early = 0;
  for (std::size_t i = 0; i < run.size(); ++i) {
    ASSERT_EQ(run[i].record.Count() % 1000, 0u) << i;
    trueStamp += clean[i].period * 1e6;
    stamp += run[i].record.Count();
    // each stamp within half a step of the true time: the errors never add up
    ASSERT_LE(std::fabs(static_cast<double>(stamp) - trueStamp), 500.0) << i;
    if (run[i].record.Count() > clean[i].record.Count()) ++late;
    if (run[i].record.Count() < clean[i].record.Count()) ++early;
  }
  EXPECT_GT(late, 1000);  // a 20 to 200 ms period comes out a whole ms long or short
  EXPECT_GT(early, 1000);
}

TEST(RundownFaults, AllAtOnceAreSeededAndCountedAsTheRecordsShow) {
  RundownModel model;
  model.timerUs = 1000;
  model.jitterUs = 50;
  model.doubleTriggerRate = 0.02;
  model.missedPulseRate = 0.01;
  model.drivenRevolutions = 40;
  model.seed = 11;
  InjectedFaults faults;
  const auto run = SimulateRundown(model, &faults);
  EXPECT_EQ(static_cast<std::int64_t>(CountsOf(run, RecordKind::BounceShort).size()),
            faults.doubleTriggers);
  EXPECT_EQ(static_cast<std::int64_t>(CountsOf(run, RecordKind::TwoRevolutions).size()),
            faults.missedPulses);
  EXPECT_EQ(faults.drivenRevolutions, 40);
  EXPECT_GT(faults.doubleTriggers, 40);
  EXPECT_GT(faults.missedPulses, 15);
  // The sum of the counts keeps the run's true time to within a step and the stamp jitter.
  double truth = 0;
  for (const auto& r : run) truth += r.period * 1e6;
  EXPECT_LE(std::fabs(static_cast<double>(Total(run)) - truth), 500.0 + 5 * 50.0);
  InjectedFaults again;
  EXPECT_EQ(Counts(SimulateRundown(model, &again)), Counts(run));
  EXPECT_EQ(again.doubleTriggers, faults.doubleTriggers);
  model.seed = 12;
  EXPECT_NE(Counts(SimulateRundown(model)), Counts(run));
}

}  // namespace
}  // namespace frixa
