// The record repair on simulated rundowns with faults of known place and number: bounces merged,
// missed pulses split, a driven start left out, and clean or merely noisy runs left untouched.
#include "run/record_repair.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "sim/rundown_simulator.h"

namespace frixa {
namespace {

std::vector<std::uint32_t> Counts(const RundownModel& model, InjectedFaults* faults = nullptr) {
  std::vector<std::uint32_t> counts;
  for (const auto& r : SimulateRundown(model, faults)) counts.push_back(r.record.Count());
  return counts;
}

// A 10 kg m^2 drum coasting from 380 RPM to a stop: few long revolutions, the period growing
// fast at the end.
RundownModel Drum() {
  RundownModel m;
  m.inertia = 10;
  m.frictionA = 1.0;
  m.frictionB = 0.01;
  m.frictionC = 0.0005;
  m.startRpm = 380;
  m.endRpm = 0;
  return m;
}

TEST(RecordRepair, CleanAndNoisyRunsComeBackUnchanged) {
  std::vector<RundownModel> runs;
  for (const auto& rig : ReferenceRigs()) {
    runs.push_back(rig.model);
    runs.back().jitterUs = 3;
    runs.push_back(rig.model);
  }
  runs.push_back(Drum());
  // A logger that rounds every stamp to 70 ms on periods of 160 ms and more: records 140 or
  // 210 ms long where the mass took 158, none of them a fault.
  for (const double timer : {1000.0, 70000.0}) {
    runs.push_back(Drum());
    runs.back().timerUs = timer;
  }
  for (const auto& model : runs) {
    const auto counts = Counts(model);
    const RecordRepair repair = RepairRecords(counts);
    EXPECT_FALSE(repair.Changed()) << model.inertia << " " << model.timerUs;
    EXPECT_EQ(repair.merged + repair.split + repair.leftOut, 0);
    EXPECT_TRUE(repair.counts.empty());  // no copy: the recorded counts go on as they are
    EXPECT_EQ(repair.Revolutions(counts).data(), counts.data());
  }
}

TEST(RecordRepair, BouncesAreMergedBackIntoTheirRevolutions) {
  for (const auto& base : {ReferenceRigs()[0].model, Drum()}) {
    RundownModel model = base;
    model.doubleTriggerRate = 0.02;
    InjectedFaults faults;
    const RecordRepair repair = RepairRecords(Counts(model, &faults));
    const auto clean = Counts(base);
    ASSERT_GT(faults.doubleTriggers, 8);
    EXPECT_EQ(repair.merged, faults.doubleTriggers);
    EXPECT_EQ(repair.split, 0);
    EXPECT_EQ(repair.leftOut, 0);
    ASSERT_EQ(repair.counts.size(), clean.size());
    for (std::size_t i = 0; i < clean.size(); ++i) {  // a merged pair is off by its rounding only
      ASSERT_LE(std::abs(static_cast<long>(repair.counts[i]) - static_cast<long>(clean[i])), 1) << i;
    }
  }
}

TEST(RecordRepair, MissedPulsesAreSplitAtThePredictedPulse) {
  for (const auto& base : {ReferenceRigs()[0].model, Drum()}) {
    RundownModel model = base;
    model.missedPulseRate = 0.01;
    InjectedFaults faults;
    const auto counts = Counts(model, &faults);
    const RecordRepair repair = RepairRecords(counts);
    const auto clean = Counts(base);
    ASSERT_GT(faults.missedPulses, 4);
    EXPECT_EQ(repair.split, faults.missedPulses);
    EXPECT_EQ(repair.merged, 0);
    ASSERT_EQ(repair.counts.size(), clean.size());
    std::int64_t before = 0, after = 0;
    for (std::size_t i = 0; i < clean.size(); ++i) {
      // the trend places the lost pulse to within a few parts in ten thousand of a period, and
      // to 2 % in the last revolutions before the stop, where the period grows by up to 40 %
      const double share = i + 20 < clean.size() ? 5e-4 : 0.02;
      ASSERT_NEAR(repair.counts[i], clean[i], 1 + share * clean[i]) << i;
      after += repair.counts[i];
    }
    for (const auto c : counts) before += c;
    EXPECT_EQ(after, before);  // splitting keeps every recorded microsecond
  }
}

TEST(RecordRepair, DrivenStartIsLeftOut) {
  for (const auto& base : {ReferenceRigs()[0].model, Drum()}) {
    RundownModel model = base;
    model.drivenRevolutions = 150;
    const RecordRepair repair = RepairRecords(Counts(model));
    const auto clean = Counts(base);
    // The corner is found to a revolution or two, and two more are left out for safety: what
    // is kept is the coast from there on, untouched.
    EXPECT_GE(repair.leftOut, 150);
    EXPECT_LE(repair.leftOut, 154);
    EXPECT_EQ(repair.merged + repair.split, 0);
    const auto from = clean.begin() + static_cast<std::ptrdiff_t>(repair.leftOut - 150);
    EXPECT_EQ(repair.counts, std::vector<std::uint32_t>(from, clean.end()));
  }
}

TEST(RecordRepair, AllFaultsAtOnceOnACoarseLogger) {
  RundownModel model = Drum();
  model.timerUs = 70000;
  model.doubleTriggerRate = 0.02;
  model.missedPulseRate = 0.01;
  model.drivenRevolutions = 150;
  InjectedFaults faults;
  const RecordRepair repair = RepairRecords(Counts(model, &faults));
  EXPECT_EQ(repair.merged, faults.doubleTriggers);
  EXPECT_EQ(repair.split, faults.missedPulses);
  EXPECT_NEAR(static_cast<double>(repair.leftOut), 150.0, 15.0);
  EXPECT_NEAR(static_cast<double>(repair.counts.size()), static_cast<double>(Counts(Drum()).size()),
              15.0);
}

TEST(RecordRepair, ShortConstantAndZeroFirstRunsPassThroughUntouched) {
  const std::vector<std::uint32_t> few{20000, 20001, 20003, 20006, 20010, 40000, 20011};
  const std::vector<std::uint32_t> steady(300, 50000);
  std::vector<std::uint32_t> zeroFirst = Counts(ReferenceRigs()[0].model);
  zeroFirst.insert(zeroFirst.begin(), 0);
  for (const auto& counts : {few, steady, zeroFirst}) {
    const RecordRepair repair = RepairRecords(counts);
    EXPECT_FALSE(repair.Changed());
    EXPECT_TRUE(repair.counts.empty());
  }
}

TEST(RecordRepair, HandMadeRunsThatAreNoFaultyRundownsStayAsRecorded) {
  // Periods growing by 5 % a revolution from the first record on: a fast, smooth start.
  std::vector<std::uint32_t> ramp;
  for (std::uint32_t k = 0; k < 40; ++k) ramp.push_back(20000 + 1000 * k);
  RecordRepair repair = RepairRecords(ramp);
  EXPECT_FALSE(repair.Changed());
  EXPECT_FALSE(repair.untrusted);

  // A period that doubles at once and stays doubled: 150 records in a row that each span two
  // revolutions of the trend are no missed pulses but a different run.
  std::vector<std::uint32_t> step(680, 62500);
  step.insert(step.end(), 150, 125000);
  repair = RepairRecords(step);
  EXPECT_TRUE(repair.untrusted);
  EXPECT_FALSE(repair.Changed());
  EXPECT_TRUE(repair.counts.empty());
}

TEST(RecordRepair, APulseWithinOneTimerTickIsABounce) {
  // A bounce whose two stamps the timer gives the same value: a count of 0 in mid-run.
  auto counts = Counts(ReferenceRigs()[1].model);
  const auto clean = counts;
  counts.insert(counts.begin() + 500, 0u);
  const RecordRepair repair = RepairRecords(counts);
  EXPECT_EQ(repair.merged, 1);
  EXPECT_EQ(repair.counts, clean);
}

TEST(RecordRepair, FrequentFaultsAreStillCountedAndAFaultyRunIsNotTrusted) {
  RundownModel model = ReferenceRigs()[0].model;
  model.doubleTriggerRate = 0.1;
  model.missedPulseRate = 0.1;
  InjectedFaults faults;
  RecordRepair repair = RepairRecords(Counts(model, &faults));
  EXPECT_EQ(repair.merged, faults.doubleTriggers);
  EXPECT_EQ(repair.split, faults.missedPulses);
  EXPECT_EQ(repair.counts.size(), Counts(ReferenceRigs()[0].model).size());

  // A bounce on every third revolution: more faults than a working sensor gives.
  model.doubleTriggerRate = 0.3;
  model.missedPulseRate = 0;
  const auto counts = Counts(model, &faults);
  repair = RepairRecords(counts);
  EXPECT_TRUE(repair.untrusted);
  EXPECT_FALSE(repair.Changed());
  EXPECT_TRUE(repair.counts.empty());
}

}  // namespace
}  // namespace frixa
