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

constexpr double kMaxCount = 0xFFFFFF;  // 24 bits
constexpr std::size_t kWidth = 2 + kCountsPerRow;
constexpr std::size_t kBlockRows = 512;

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

std::vector<std::string> RecordedCountsColumns() {
  std::vector<std::string> names{"Rundown", "Revolution"};
  for (std::size_t i = 1; i <= kCountsPerRow; ++i) names.push_back("Count" + std::to_string(i));
  return names;
}

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

namespace {

// Stores `rundowns` (ranges of counts) as StoreRecordedCounts says.
template <typename Rundowns>
void StoreRundowns(const std::string& building, const Rundowns& rundowns) {
  AddLongTable(building, kRecordedCountsTable, RecordedCountsColumns());
  Bound bound;
  Bind(bound.rs, building, SelectAll());
  bound.rs.SetWriteBehind(true);
  std::vector<RowNumber> block;
  block.reserve(kBlockRows * kWidth);
  const auto store = [&] {
    bound.rs.AppendRows(block, kWidth);
    block.clear();
  };
  std::int32_t number = 0;
  for (const auto& counts : rundowns) {
    if (counts.empty()) continue;
    const auto rundown = RowNumber::Integer(++number);
    for (std::size_t first = 0; first < counts.size(); first += kCountsPerRow) {
      block.push_back(rundown);
      block.push_back(RowNumber::Integer(static_cast<std::int32_t>(first)));
      for (std::size_t i = first; i < first + kCountsPerRow; ++i) {
        block.push_back(i < counts.size() ? RowNumber::Integer(static_cast<std::int32_t>(counts[i]))
                                          : RowNumber());
      }
      if (block.size() == kBlockRows * kWidth) store();
    }
  }
  if (!block.empty()) store();
  Release(bound.rs);
}

}  // namespace

void StoreRecordedCounts(const std::string& building, const std::vector<RecordedCounts>& rundowns) {
  StoreRundowns(building, rundowns);
}

void StoreRecordedCounts(const std::string& building, std::span<const std::uint32_t> counts) {
  const std::span<const std::uint32_t> one[] = {counts};
  StoreRundowns(building, one);
}

std::vector<RecordedCounts> ReadRecordedCounts(const std::string& path) {
  std::vector<RecordedCounts> rundowns;
  Bound bound;
  try {
    // Bound to no row (a rundown 0 has none) for the columns and the table's presence; the rows
    // are then streamed one at a time, never held as a record set of every row.
    Bind(bound.rs, path, SelectAll() + " Where Rundown = 0");
  } catch (const Error& e) {
    if (e.number() == errnum::kJetNoSuchTable) return rundowns;
    throw;
  }
  if (bound.rs.FieldCount() != static_cast<int>(kWidth) || !bound.rs.HoldsOnlyNumbers()) {
    Damaged(path, "not the columns of recorded counts");
  }
  bound.rs.SetRecordSource(SelectAll());
  bool rundownEnded = true;  // the last row read was short: only a new rundown may follow
  bound.rs.ForEachNumberRow([&](std::span<const RowNumber> row) {
    if (row[0].IsNull() || row[1].IsNull()) Damaged(path, "a row without its rundown or revolution");
    const double rundown = row[0].AsDouble();
    if (rundowns.empty() || rundown != static_cast<double>(rundowns.size())) {
      if (rundown != static_cast<double>(rundowns.size() + 1)) Damaged(path, "rundowns out of order");
      rundowns.emplace_back();
    } else if (rundownEnded) {
      Damaged(path, "a row after its rundown's last");
    }
    RecordedCounts& counts = rundowns.back();
    if (row[1].AsDouble() != static_cast<double>(counts.size())) Damaged(path, "revolutions out of order");
    std::size_t c = 2;
    for (; c < kWidth && !row[c].IsNull(); ++c) {
      const double count = row[c].AsDouble();
      if (count < 0 || count > kMaxCount || count != std::floor(count)) Damaged(path, "a count out of range");
      counts.push_back(static_cast<std::int32_t>(count));
    }
    if (c == 2) Damaged(path, "a row without counts");
    rundownEnded = c < kWidth;
    for (; c < kWidth; ++c) {
      if (!row[c].IsNull()) Damaged(path, "a count after a null");
    }
  });
  Release(bound.rs);
  return rundowns;
}

}  // namespace frixa
