// Run pass speed: the preview's graph pass, and a bare run pass with the double window of the
// physics processor, over a run file of 1,000,000 revolutions (a long, low-friction rundown
// written once by the simulator). The front end does nothing, so the figures are the core's.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "common/app.h"
#include "graphs/loss_graphs.h"
#include "run/run_pass.h"
#include "sim/rundown_simulator.h"
#include "bench_support.h"

namespace {

using NullFrontend = frixa::bench::QuietFrontend;

constexpr std::int64_t kRevolutions = 1000000;

// The program folder with the million-revolution run file, made on first use.
struct LongRun {
  std::filesystem::path folder;
  frixa::RundownModel model;
  LongRun() {
    folder = std::filesystem::temp_directory_path() / "frixa-bench-run-pass";
    std::filesystem::create_directories(folder);
    model = frixa::bench::LongRundownModel(kRevolutions);
    const auto path = (folder / frixa::kRunFileName).string();
    if (frixa::WriteRundownFile(model, path) != kRevolutions) std::abort();
  }
  ~LongRun() {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }
};

const LongRun& Run() {
  static const LongRun run;
  return run;
}

void BM_GraphPass(benchmark::State& state) {
  const auto& run = Run();
  NullFrontend ui;
  frixa::App app(ui, run.folder.string());
  app.InertiaFactor = static_cast<float>(run.model.inertia);
  app.SensorMassRatio = 1.0f;
  for (auto _ : state) {
    frixa::GraphRunData(app);
    benchmark::DoNotOptimize(app.MinMassRPM);
  }
  if (app.MaxMassRPM <= app.MinMassRPM) state.SkipWithError("the pass did not complete");
  state.SetItemsProcessed(state.iterations() * kRevolutions);
  state.counters["points"] = static_cast<double>(ui.points) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_GraphPass)->Unit(benchmark::kMillisecond);

void BM_RunPassDoubleWindow(benchmark::State& state) {
  const auto& run = Run();
  NullFrontend ui;
  frixa::App app(ui, run.folder.string());
  app.InertiaFactor = static_cast<float>(run.model.inertia);
  app.SensorMassRatio = 1.0f;
  for (auto _ : state) {
    double sum = 0.0;
    const auto outcome = frixa::RunPass(
        app, frixa::WindowPrecision::Double, [] {},
        [&](double, std::int32_t, const frixa::RevolutionResults& r) { sum += r.torque; });
    benchmark::DoNotOptimize(sum);
    if (outcome.revolutions != kRevolutions) state.SkipWithError("short pass");
  }
  state.SetItemsProcessed(state.iterations() * kRevolutions);
}
BENCHMARK(BM_RunPassDoubleWindow)->Unit(benchmark::kMillisecond);

}  // namespace
