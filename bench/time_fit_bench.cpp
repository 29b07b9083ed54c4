// Time fit speed: the friction fitted to the revolution times of the million-revolution rundown
// (sampled to 20,000 times), of the bike rig's 18,326 revolutions with all faults repaired on a
// 1 ms timer, and of a bare drum's 1,385 revolutions to a stop on a 70 ms logger.
//   build/native/bench/time_fit_bench --benchmark_repetitions=3
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "bench_support.h"
#include "run/record_repair.h"
#include "run/time_fit.h"
#include "sim/rundown_simulator.h"

namespace {

// The repaired periods of a simulated run, in seconds.
std::vector<std::vector<double>> Periods(const frixa::RundownModel& model) {
  std::vector<std::uint32_t> counts;
  for (const auto& r : frixa::SimulateRundown(model)) counts.push_back(r.record.Count());
  const frixa::RecordRepair repair = frixa::RepairRecords(counts);
  std::vector<std::vector<double>> rundowns(1);
  for (const auto c : repair.Revolutions(counts)) rundowns[0].push_back(c * model.ratio / 1e6);
  return rundowns;
}

void Fit(benchmark::State& state, const frixa::RundownModel& model) {
  const auto rundowns = Periods(model);
  for (auto _ : state) {
    const frixa::TimeFit fit = frixa::FitRevolutionTimes(rundowns, model.inertia);
    if (!fit.fitted) std::abort();
    state.counters["iterations"] = fit.iterations;
  }
  state.counters["revolutions"] = static_cast<double>(rundowns[0].size());
}

void BM_FitMillion(benchmark::State& state) { Fit(state, frixa::bench::LongRundownModel()); }

void BM_FitBikeRigAllFaults(benchmark::State& state) {
  frixa::RundownModel m = frixa::ReferenceRigs()[2].model;
  m.timerUs = 1000;
  m.doubleTriggerRate = 0.02;
  m.missedPulseRate = 0.01;
  m.drivenRevolutions = 150;
  Fit(state, m);
}

void BM_FitDrumLogger(benchmark::State& state) {
  frixa::RundownModel m = frixa::BareDrum();
  m.timerUs = 70000;
  Fit(state, m);
}

}  // namespace

BENCHMARK(BM_FitMillion)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FitBikeRigAllFaults)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FitDrumLogger)->Unit(benchmark::kMillisecond);
