// The recorded times of a calibration file; see recorded_counts.h.
#include "calfile/recorded_counts.h"

#include <cmath>

#include "common/error.h"
#include "recordset/bulk_rows.h"
#include "recordset/data_controls.h"
#include "recordset/new_table.h"
#include "run/run_file.h"

namespace frixa {

namespace {

constexpr std::int32_t kMaxCount = 0xFFFFFF;  // 24 bits
constexpr std::size_t kBlockRows = 4096;

std::string SelectAll() { return std::string("Select * From ") + kRecordedCountsTable; }

[[noreturn]] void Damaged(const std::string& path, const std::string& why) {
  throw Error(errnum::kJetCorrupt, JetErrorDescription(errnum::kJetCorrupt, path) + "  (" +
                                       kRecordedCountsTable + ": " + why + ")");
}

// The record set let go on every way out.
struct Bound {
  RecordSet rs;
  ~Bound() {
    try {
      Release(rs);
    } catch (...) {
    }
  }
};

}  // namespace

RecordedCounts ReadRunFileCounts(const std::string& path) {
  RecordedCounts counts;
  RunFileReader reader;
  reader.Open(path);
  const std::uint8_t* records = nullptr;
  for (std::size_t available; (available = reader.Available(&records)) > 0;) {
    for (std::size_t i = 0; i < available; ++i) {
      const std::uint8_t* record = records + i * kRunRecordSize;
      if (!RunFileReader::IsAcceptable(record)) return counts;
      counts.push_back(static_cast<std::int32_t>(RunFileReader::CountOf(record)));
    }
    reader.Consume(available);
  }
  return counts;
}

void StoreRecordedCounts(const std::string& building, const std::vector<RecordedCounts>& rundowns) {
  AddLongTable(building, kRecordedCountsTable, {kRundownColumn, kRunCountColumn});
  Bound bound;
  Bind(bound.rs, building, SelectAll());
  bound.rs.SetWriteBehind(true);
  RowBlock block(bound.rs, 2, kBlockRows);
  std::int32_t number = 0;
  for (const RecordedCounts& counts : rundowns) {
    if (counts.empty()) continue;
    const auto rundown = RowNumber::Integer(++number);
    for (const std::int32_t count : counts) block.Add({rundown, RowNumber::Integer(count)});
  }
  block.Store();
  Release(bound.rs);
}

std::vector<RecordedCounts> ReadRecordedCounts(const std::string& path) {
  std::vector<RecordedCounts> rundowns;
  Bound bound;
  try {
    Bind(bound.rs, path, SelectAll());
  } catch (const Error& e) {
    if (e.number() == errnum::kJetNoSuchTable) return rundowns;
    throw;
  }
  if (bound.rs.FieldCount() != 2 || !bound.rs.HoldsOnlyNumbers()) Damaged(path, "not two columns of numbers");
  bound.rs.ForEachNumberRow([&](std::span<const RowNumber> row) {
    if (row[0].IsNull() || row[1].IsNull()) Damaged(path, "a row with a null");
    const double rundown = row[0].AsDouble();
    const double count = row[1].AsDouble();
    if (count < 0 || count > kMaxCount || count != std::floor(count)) Damaged(path, "a count out of range");
    if (rundowns.empty() || rundown != static_cast<double>(rundowns.size())) {
      if (rundown != static_cast<double>(rundowns.size() + 1)) Damaged(path, "rundowns out of order");
      rundowns.emplace_back();
    }
    rundowns.back().push_back(static_cast<std::int32_t>(count));
  });
  Release(bound.rs);
  return rundowns;
}

}  // namespace frixa
