// Writing speed: 1,000,000 RawData rows appended in write-behind mode to a file extracted from
// the calibration template, through the record sets (AddNew, three SetField, Update per row, as
// the physics processor stores revolutions) and through the engine alone; the save at release
// included. Then reading them back: the engine's scan, an average over the table through a
// record set, and a record-set Refresh of "Select * From RawData". Rows per second each way.
//
// The file written last is left at $TMPDIR/frixa_bench_rawdata.mdb for timing mdbtools on the
// same rows:   time mdb-export $TMPDIR/frixa_bench_rawdata.mdb RawData > /dev/null
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "jet/database.h"
#include "recordset/record_set.h"
#include "templates/resources.h"
#include "templates/templates.h"

namespace {

constexpr int kRows = 1000000;

std::string BenchFile() {
  return (std::filesystem::temp_directory_path() / "frixa_bench_rawdata.mdb").string();
}

// A fresh copy of the calibration template at the bench file's place.
void Extract(const std::string& path) {
  const auto data = frixa::LoadTemplateResource(frixa::kCalibrationTemplateId, frixa::kTemplateResourceType);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr || std::fwrite(data->data(), 1, data->size(), f) != data->size()) std::abort();
  std::fclose(f);
}

float Kw(int i) { return static_cast<float>(i % 9973) * 0.003f; }
float Nm(int i) { return 1.0f / static_cast<float>(i + 1); }

void Rate(benchmark::State& state, std::int64_t rows) {
  state.counters["rows_per_second"] = benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kIsRate);
}

// kRows RawData rows appended through a record set in write-behind mode, `append(rd, i)` each.
template <typename Append>
void AppendThroughRecordSet(benchmark::State& state, Append&& append) {
  const std::string path = BenchFile();
  for (auto _ : state) {
    state.PauseTiming();
    Extract(path);
    state.ResumeTiming();
    frixa::RecordSet rd;
    rd.SetDatabaseName(path);
    rd.SetRecordSource("Select * From RawData");
    rd.Refresh();
    rd.SetWriteBehind(true);
    for (int i = 0; i < kRows; ++i) append(rd, i);
    rd.SetDatabaseName("");
    rd.Refresh();  // saves
  }
  Rate(state, static_cast<std::int64_t>(state.iterations()) * kRows);
}

void BM_AppendThroughRecordSet(benchmark::State& state) {
  AppendThroughRecordSet(state, [](frixa::RecordSet& rd, int i) {
    rd.AddNew();
    rd.SetField(0, frixa::FieldValue::Single(static_cast<float>(300 + i / 300)));
    rd.SetField(1, frixa::FieldValue::Single(Kw(i)));
    rd.SetField(2, frixa::FieldValue::Single(Nm(i)));
    rd.Update();
  });
}
BENCHMARK(BM_AppendThroughRecordSet)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_AppendRowsInBulkThroughRecordSet(benchmark::State& state) {
  AppendThroughRecordSet(state, [](frixa::RecordSet& rd, int i) {
    rd.AppendRow({frixa::RowNumber::Single(static_cast<float>(300 + i / 300)), frixa::RowNumber::Single(Kw(i)),
                  frixa::RowNumber::Single(Nm(i))});
  });
}
BENCHMARK(BM_AppendRowsInBulkThroughRecordSet)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_AppendThroughEngine(benchmark::State& state) {
  const std::string path = BenchFile();
  for (auto _ : state) {
    state.PauseTiming();
    Extract(path);
    state.ResumeTiming();
    frixa::jet::Database db = frixa::jet::Database::Open(path);
    const frixa::jet::TableDef raw = db.Table("RawData");
    db.Write().SetMode(frixa::jet::WriteMode::kWriteBehind);
    std::vector<frixa::jet::Value> row(3);
    for (int i = 0; i < kRows; ++i) {
      row[0] = frixa::jet::Value(static_cast<std::int32_t>(300 + i / 300));
      row[1] = frixa::jet::Value(Kw(i));
      row[2] = frixa::jet::Value(Nm(i));
      db.Write().Append(raw.page, row);
    }
    db.Write().Flush();
  }
  Rate(state, static_cast<std::int64_t>(state.iterations()) * kRows);
}
BENCHMARK(BM_AppendThroughEngine)->Unit(benchmark::kMillisecond)->Iterations(3);

// The reads below use the file the appends left.
void BM_ReadBackWithTheEngine(benchmark::State& state) {
  std::int64_t rows = 0;
  for (auto _ : state) {
    const frixa::jet::Database db = frixa::jet::Database::Open(BenchFile());
    const frixa::jet::TableDef def = db.Table("RawData");
    frixa::jet::TableScan scan = db.Scan(def);
    while (scan.Next()) {
      benchmark::DoNotOptimize(scan.ReadValue(0));
      benchmark::DoNotOptimize(scan.ReadValue(1));
      benchmark::DoNotOptimize(scan.ReadValue(2));
      ++rows;
    }
  }
  if (rows != static_cast<std::int64_t>(state.iterations()) * kRows) state.SkipWithError("rows missing");
  Rate(state, rows);
}
BENCHMARK(BM_ReadBackWithTheEngine)->Unit(benchmark::kMillisecond);

void BM_AverageOverTheTableThroughRecordSet(benchmark::State& state) {
  for (auto _ : state) {
    frixa::RecordSet avg;
    avg.SetDatabaseName(BenchFile());
    avg.SetRecordSource("Select Avg(SpotKWloss), Avg(SpotNMLoss) From RawData");
    avg.Refresh();
    benchmark::DoNotOptimize(avg.Fields(0).AsDouble());
  }
  Rate(state, static_cast<std::int64_t>(state.iterations()) * kRows);
}
BENCHMARK(BM_AverageOverTheTableThroughRecordSet)->Unit(benchmark::kMillisecond);

void BM_SelectAllThroughRecordSet(benchmark::State& state) {
  for (auto _ : state) {
    frixa::RecordSet rd;
    rd.SetDatabaseName(BenchFile());
    rd.SetRecordSource("Select * From RawData");
    rd.Refresh();
    benchmark::DoNotOptimize(rd.RecordCount());
  }
  Rate(state, static_cast<std::int64_t>(state.iterations()) * kRows);
}
BENCHMARK(BM_SelectAllThroughRecordSet)->Unit(benchmark::kMillisecond);

}  // namespace
