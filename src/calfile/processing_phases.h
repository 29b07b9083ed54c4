// The three processing phases Create runs after the physics processor: RPM averaging into
// PointData, the loss curve into Losses, and the information record into Info.
//
// Averaging and the loss curve can run in two ways with identical results. The statement way
// issues, per RPM of the range, one aggregate over the whole RawData table and one-row lookups
// on PointData, as the phases are defined. The direct way (the default) reads RawData and
// PointData once each and keeps per-RPM sums and points in memory, summing in the same stored
// order, so its time grows with revolutions plus RPM range instead of their product.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "common/app.h"
#include "common/error.h"
#include "recordset/data_controls.h"
#include "run/revolution_calculator.h"

namespace frixa {

enum class PhaseMethod { kDirect, kStatements };

// The widest RPM range the phases process: 2,000,000 whole RPMs. The per-RPM tables and the
// Losses rows of a wider range would not fit the memory of a 32-bit PC (a range of 2.9 million
// RPMs already peaks near 360 MB); no real rundown comes near it, only a mistyped ratio or a run
// of counts of a few microseconds. A wider range is a run without data.
inline constexpr std::int64_t kMaxRpmRange = 2'000'000;

// RawData's row i holds revolution i + 2 (the first two only prime the calculator), so the rows
// of settled revolutions start here.
inline constexpr long kFirstSettledRawRow = kFirstSettledRevolution - 2;

// Raised by the phases when the run left nothing to average or no point to build the curve
// from; Create reports it as a run without data. Error 1003.
struct NoRunData : Error {
  NoRunData() : Error(errnum::kNoRunData, FrixaErrorDescription(errnum::kNoRunData)) {}
};

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

// The means of every whole RPM of [MinMassRPM, MaxMassRPM] and the RPMs settled revolutions
// reached, gathered from RawData's rows in stored order: by averaging's own read of RawData, or
// by Create as it stores the rows, which spares that read.
class RawDataAverages {
 public:
  RawDataAverages() = default;  // gathers nothing
  // Gathers over the whole RPMs [first, first + count).
  RawDataAverages(std::int64_t first, std::int64_t count);
  // For the range averaging will work over; gathers nothing when that range is empty or is a
  // run without data (averaging then finds so itself).
  static RawDataAverages For(const App& app);
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

// RD bound to the new file's RawData, PD to "Select * From PointData". Appends one PointData
// row per RPM of [MinMassRPM, MaxMassRPM] that has raw rows: the means of SpotKWloss and
// SpotNMLoss in double, stored as singles. Returns the number of points stored. Raises
// database errors to the caller, and NoRunData for a range wider than kMaxRpmRange or ends that
// are not whole RPMs.
// With `settled`, the same read of RawData also finds the RPMs settled revolutions reached,
// for BuildLossCurve. With `gathered` still gathering over the same range, the direct way takes
// its means and settled RPMs instead of reading RawData.
long AverageRawData(App& app, DataControls& dc, PhaseMethod method = PhaseMethod::kDirect,
                    SettledRpms* settled = nullptr, RawDataAverages* gathered = nullptr);

// PD as left by averaging, RD on the file's RawData, LD bound to "Select * From Losses".
// Appends one Losses row for every RPM of [MinMassRPM, MaxMassRPM], ascending, from the points
// at RPMs that a settled revolution reached (every point when no revolution settled): points
// copied, gaps interpolated between the point below and the point above; RPMs below the first
// point or above the last carry the nearest point's losses. Raises NoRunData when no point
// counts for a non-empty range.
// `settled`: what averaging found of RawData; without it RawData is read again, its rundowns
// beginning at `rundownStarts` (see SettledRpms). With several rundowns the curve rests on the
// means of the settled rows alone at each RPM (PointData's means take in every row, a later
// rundown's priming revolutions among them).
void BuildLossCurve(App& app, DataControls& dc, PhaseMethod method = PhaseMethod::kDirect,
                    const SettledRpms* settled = nullptr,
                    std::span<const long> rundownStarts = {});

// ID bound to "Select * From Info": appends the one information row.
void InfoRecords(App& app, DataControls& dc);

}  // namespace frixa
