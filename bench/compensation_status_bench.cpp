// The loss compensation status over a Custom Cal of 200 calibration files, each with a loss
// curve of 2,700 whole RPM (300 to 3000) and a host loss file that matches none of them, the
// worst case: the first check reads every file, later checks find them all remembered.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "bench_support.h"
#include "host/compensation_status.h"
#include "recordset/data_controls.h"
#include "templates/build_file.h"

namespace {

namespace fs = std::filesystem;

using SilentFrontend = frixa::bench::QuietFrontend;

void WriteCurve(SilentFrontend& ui, const std::string& path, int id, int seed) {
  frixa::BuildFileFromResource(ui, path, id, "MDB");
  frixa::RecordSet rs;
  frixa::Bind(rs, path, "Select * from Losses");
  rs.SetWriteBehind(true);
  for (int rpm = 300; rpm < 3000; ++rpm) {
    const float w = static_cast<float>(rpm) / 1000.0f;
    rs.AddNew();
    rs.SetField(0, frixa::FieldValue::Integer(rpm));
    rs.SetField(1, frixa::FieldValue::Single(0.01f * static_cast<float>(seed) + 0.2f * w * w));
    rs.SetField(2, frixa::FieldValue::Single(1.5f + 0.8f * w));
    rs.Update();
  }
  frixa::Release(rs);
}

struct Folder {
  fs::path root;
  Folder() {
    root = fs::temp_directory_path() / "frixa-bench-compensation";
    fs::remove_all(root);
    fs::create_directories(root / "Custom Cal");
    SilentFrontend ui;
    for (int i = 0; i < 200; ++i) {
      WriteCurve(ui, (root / "Custom Cal" / ("Rig " + std::to_string(i) + ".Frixa")).string(), 101, i);
    }
    WriteCurve(ui, (root / "Torvex2.005").string(), 102, 1000);
  }
  ~Folder() {
    std::error_code ignored;
    fs::remove_all(root, ignored);
  }
};

const Folder& TheFolder() {
  static const Folder folder;
  return folder;
}

void BM_FirstCheckReadsEveryFile(benchmark::State& state) {
  const std::string root = TheFolder().root.string();
  for (auto _ : state) {
    frixa::CompensationStatusCache cache;
    benchmark::DoNotOptimize(cache.Check(root).state);
  }
}
BENCHMARK(BM_FirstCheckReadsEveryFile)->Unit(benchmark::kMillisecond);

void BM_LaterCheckFindsThemRemembered(benchmark::State& state) {
  const std::string root = TheFolder().root.string();
  frixa::CompensationStatusCache cache;
  cache.Check(root);
  for (auto _ : state) benchmark::DoNotOptimize(cache.Check(root).state);
}
BENCHMARK(BM_LaterCheckFindsThemRemembered)->Unit(benchmark::kMillisecond);

}  // namespace
