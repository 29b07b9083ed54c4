// Reading speed of the Jet reader: every row and value of the fixture table with the most
// rows, rows per second; once with the database already open, once opening the file each
// time as a record-set Refresh does.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "jet/database.h"

namespace {

struct Largest {
  std::string file;
  std::string table;
  std::uint32_t rows = 0;
};

Largest FindLargestTable() {
  Largest best;
  const auto dir = std::filesystem::path(FRIXA_SHARED_DIR) / "fixtures" / "jet3";
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    if (e.path().extension() != ".mdb") continue;
    const frixa::jet::Database db = frixa::jet::Database::Open(e.path().string());
    for (const auto& entry : db.GetCatalog().entries) {
      if (!entry.IsTable()) continue;
      const frixa::jet::TableDef def = db.TableAt(entry.DefinitionPage());
      if (def.rowCount > best.rows) best = {e.path().string(), entry.name, def.rowCount};
    }
  }
  return best;
}

const Largest& Target() {
  static const Largest target = FindLargestTable();
  return target;
}

std::size_t ReadAll(const frixa::jet::Database& db, const frixa::jet::TableDef& def) {
  std::size_t rows = 0;
  frixa::jet::TableScan scan = db.Scan(def);
  while (scan.Next()) {
    benchmark::DoNotOptimize(scan.ReadRow());
    ++rows;
  }
  return rows;
}

void BM_ReadLargestFixtureTable(benchmark::State& state) {
  const frixa::jet::Database db = frixa::jet::Database::Open(Target().file);
  const frixa::jet::TableDef def = db.Table(Target().table);
  std::size_t rows = 0;
  for (auto _ : state) rows += ReadAll(db, def);
  state.counters["rows_per_second"] = benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kIsRate);
  state.SetLabel(std::filesystem::path(Target().file).filename().string() + " " + Target().table + " (" +
                 std::to_string(Target().rows) + " rows)");
}
BENCHMARK(BM_ReadLargestFixtureTable);

void BM_OpenAndReadLargestFixtureTable(benchmark::State& state) {
  std::size_t rows = 0;
  for (auto _ : state) {
    const frixa::jet::Database db = frixa::jet::Database::Open(Target().file);
    rows += ReadAll(db, db.Table(Target().table));
  }
  state.counters["rows_per_second"] = benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_OpenAndReadLargestFixtureTable);

}  // namespace
