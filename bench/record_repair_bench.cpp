// Record repair speed on 1,000,000 revolutions (the long, low-friction rundown with 1 us of
// jitter): a clean run, which comes back unchanged, and the same run with 2 % bounces, 1 %
// missed pulses and a 150-revolution driven start. The counts are simulated once, beforehand.
//   build/native/bench/record_repair_bench --benchmark_repetitions=3
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "bench_support.h"
#include "run/record_repair.h"
#include "sim/rundown_simulator.h"

namespace {

std::vector<std::uint32_t> Counts(bool faults) {
  frixa::RundownModel model = frixa::bench::LongRundownModel();
  if (faults) {
    model.doubleTriggerRate = 0.02;
    model.missedPulseRate = 0.01;
    model.drivenRevolutions = 150;
  }
  std::vector<std::uint32_t> counts;
  for (const auto& r : frixa::SimulateRundown(model)) counts.push_back(r.record.Count());
  return counts;
}

void Repair(benchmark::State& state, bool faults) {
  const std::vector<std::uint32_t> counts = Counts(faults);
  std::int64_t repairs = 0;
  for (auto _ : state) {
    const frixa::RecordRepair repair = frixa::RepairRecords(counts);
    repairs = repair.merged + repair.split + repair.leftOut;
    benchmark::DoNotOptimize(repair.counts.data());
  }
  if (faults == (repairs == 0)) std::abort();  // a clean run repaired, or faults left
  state.counters["records"] = static_cast<double>(counts.size());
  state.counters["repairs"] = static_cast<double>(repairs);
}

void BM_RepairCleanMillion(benchmark::State& state) { Repair(state, false); }
void BM_RepairFaultyMillion(benchmark::State& state) { Repair(state, true); }

}  // namespace

BENCHMARK(BM_RepairCleanMillion)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RepairFaultyMillion)->Unit(benchmark::kMillisecond);
