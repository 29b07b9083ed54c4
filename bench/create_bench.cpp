// Create end to end: the physics processor, averaging, the loss curve and the information row,
// on a simulated 1,000,000-revolution rundown (long and low-friction) and on a typical one of
// about 5,000 revolutions. The preview runs once beforehand, as at start-up, to set the RPM
// range; each iteration is a whole Create into a fresh file. Beside them, for comparison on the
// same machine in the same run: the preview alone, and Debian's mdb-export reading the RawData
// table of the written file.
//
//   build/native/bench/create_bench --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/startup_preview.h"
#include "bench_support.h"
#include "calfile/create_command.h"
#include "common/app.h"
#include "recordset/record_set.h"
#include "sim/rundown_simulator.h"

namespace {

using NullFrontend = frixa::bench::QuietFrontend;

struct Rundown {
  std::filesystem::path folder;
  NullFrontend ui;
  frixa::App app;
  std::int64_t revolutions = 0;

  Rundown(const char* name, const frixa::RundownModel& model)
      : folder(std::filesystem::temp_directory_path() / name), app(ui, folder.string()) {
    std::filesystem::create_directories(folder / frixa::kCalibrationFolderName);
    revolutions = frixa::WriteRundownFile(model, (folder / frixa::kRunFileName).string());
    app.VersionText = frixa::kVersionText;
    app.InertiaFactor = static_cast<float>(model.inertia);
    app.SensorMassRatio = 1.0f;
    frixa::RunStartupPreview(app);
    ui.answer = (folder / frixa::kCalibrationFolderName / "bench.Frixa").string();
  }
  ~Rundown() { std::filesystem::remove_all(folder); }
};

frixa::RundownModel LongModel() { return frixa::bench::LongRundownModel(); }

frixa::RundownModel TypicalModel() {
  frixa::RundownModel m;
  m.startRpm = 4000.0;
  m.endRpm = 300.0;
  m.frictionA = 1.0;
  m.jitterUs = 3.0;
  return m;
}

Rundown& LongRundown() {
  static Rundown r("frixa-bench-create-long", LongModel());
  return r;
}

void RunCreate(benchmark::State& state, Rundown& r) {
  for (auto _ : state) {
    frixa::DataControls dc;
    frixa::CreateCalibrationFile(r.app, dc, frixa::PreviewedRange(r.app));
  }
  if (r.ui.errors != 0) state.SkipWithError("Create showed an error message");
  state.counters["revolutions"] = static_cast<double>(r.revolutions);
  state.counters["rpm_range"] = static_cast<double>(r.app.MaxMassRPM - r.app.MinMassRPM + 1);
  state.counters["file_bytes"] = static_cast<double>(
      std::filesystem::file_size(r.ui.answer));
}

void BM_CreateMillionRevolutions(benchmark::State& state) {
  Rundown& r = LongRundown();
  RunCreate(state, r);
}
BENCHMARK(BM_CreateMillionRevolutions)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_PreviewMillionRevolutions(benchmark::State& state) {
  Rundown& r = LongRundown();
  for (auto _ : state) frixa::RunStartupPreview(r.app);
}
BENCHMARK(BM_PreviewMillionRevolutions)->Unit(benchmark::kMillisecond);

// Reading back only the RawData table of the million-revolution file with mdb-export.
void BM_MdbExportRawDataOfMillionFile(benchmark::State& state) {
  Rundown& r = LongRundown();
  if (!std::filesystem::exists(r.ui.answer)) {
    frixa::DataControls dc;
    frixa::CreateCalibrationFile(r.app, dc, frixa::PreviewedRange(r.app));
  }
  const std::string command = "mdb-export -H '" + r.ui.answer + "' RawData > /dev/null";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) state.SkipWithError("mdb-export failed");
  }
}
BENCHMARK(BM_MdbExportRawDataOfMillionFile)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_CreateTypicalRundown(benchmark::State& state) {
  static Rundown r("frixa-bench-create-typical", TypicalModel());
  RunCreate(state, r);
}
BENCHMARK(BM_CreateTypicalRundown)->Unit(benchmark::kMillisecond);

}  // namespace
