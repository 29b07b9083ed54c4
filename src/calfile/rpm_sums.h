// The per-RPM sums the phases gather from RawData's rows in stored order: the sums of each whole
// RPM's losses (for averaging's means) and the RPMs that settled revolutions reached (for the
// loss curve), so that RawData is read once, or not at all when Create gathers them as it stores
// the rows.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "calfile/processing_phases.h"
#include "recordset/record_set.h"

namespace frixa {

// The sums and counts of one RPM's non-null KWloss and NMLoss values, in double.
struct LossSums {
  double kw = 0;
  double nm = 0;
  long kwCount = 0;
  long nmCount = 0;
  void Add(const RowNumber& kwValue, const RowNumber& nmValue);
};

// The whole RPMs of [first - 1, last] that at least one settled revolution reached, noted row
// by row from RawData in stored order (row i of a rundown holds its revolution i + 2). A run
// without any settled revolution counts every RPM, so that its points are all kept. RawData
// normally holds one rundown; `starts` lists, ascending, the rows at which further rundowns
// begin when it holds several one after the other, and then the means of each RPM's settled
// rows are kept as well.
class SettledRpms {
 public:
  SettledRpms() = default;
  SettledRpms(std::int64_t first, std::int64_t count, std::span<const long> starts = {});
  // The next row of RawData: RPM, KWloss, NMLoss.
  void Note(std::span<const RowNumber> row);
  bool Reached(std::int64_t rpm) const;
  // With several rundowns: the means of the settled rows at `rpm`, as singles (as PointData
  // stores means), where there are any. False with one rundown.
  bool SettledMeans(std::int64_t rpm, FieldValue& kw, FieldValue& nm) const;

 private:
  std::int64_t low_ = 0;
  std::vector<bool> reached_;
  std::vector<LossSums> sums_;  // with several rundowns only
  std::vector<long> starts_;
  std::size_t nextStart_ = 0;
  long row_ = 0;
  long inRundown_ = 0;  // the row's place in its own rundown
  bool any_ = false;
};

// The sums of every whole RPM of a range and the RPMs settled revolutions reached, gathered from
// RawData's rows in stored order: by averaging's own read of RawData, or by Create as it stores
// the rows, which spares that read.
class RawDataAverages {
 public:
  RawDataAverages() = default;  // gathers nothing
  // Gathers over the whole RPMs [first, first + count).
  RawDataAverages(std::int64_t first, std::int64_t count);
  // For the range averaging will work over; gathers nothing when that range is empty or is a
  // run without data (averaging then finds so itself).
  static RawDataAverages For(const RpmRange& range);
  // The next row of RawData: RPM, KWloss, NMLoss.
  void Note(std::span<const RowNumber> row);
  // Rows were stored that were not noted: averaging must read RawData itself.
  void Lose() { gathering_ = false; }
  // Still gathering over [first, first + count).
  bool Gathers(std::int64_t first, std::int64_t count) const {
    return gathering_ && first == first_ && count == static_cast<std::int64_t>(sums_.size());
  }
  const LossSums& At(std::int64_t rpm) const { return sums_[static_cast<std::size_t>(rpm - first_)]; }
  SettledRpms& Settled() { return settled_; }

 private:
  std::int64_t first_ = 0;
  std::vector<LossSums> sums_;
  SettledRpms settled_;
  bool gathering_ = false;
};

}  // namespace frixa
