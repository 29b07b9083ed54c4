// Averaging, loss curve and information record: see processing_phases.h.
#include "calfile/processing_phases.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "calfile/interpolate.h"
#include "common/error.h"
#include "common/number_text.h"
#include "common/status_log.h"
#include "platform/short_date.h"

namespace frixa {
namespace {

constexpr const char* kAverageStatement =
    "SELECT AVG(SpotKWLoss), AVG(SpotNMLoss) FROM RawData where SpotRPM=";
constexpr const char* kPointLookup = "Select * from PointData where PointRPM=";
constexpr const char* kPointSearch = "Select * from PointData where PointRPM =";

// The whole RPMs [first, first + count) a phase works over.
struct RpmRange {
  std::int64_t first = 0;
  std::int64_t count = 0;  // 0 for an empty range
  std::int64_t last() const { return first + count - 1; }
};

// MinMassRPM..MaxMassRPM as whole numbers. Empty when the minimum lies above the maximum (no
// revolution counted); a run without data when either end is not a whole RPM that the tables'
// RPM columns can hold, or when the range is wider than kMaxRpmRange.
RpmRange CurveRange(const App& app) {
  const double min = app.MinMassRPM;
  const double max = app.MaxMassRPM;
  const auto usable = [](double v) {
    return std::isfinite(v) && v == std::floor(v) &&
           v > static_cast<double>(std::numeric_limits<std::int32_t>::min()) &&
           v <= static_cast<double>(std::numeric_limits<std::int32_t>::max());
  };
  if (!usable(min) || !usable(max)) throw NoRunData{};
  if (max < min) return {};
  const double count = max - min + 1.0;
  if (count > static_cast<double>(kMaxRpmRange)) throw NoRunData{};
  return {static_cast<std::int64_t>(min), static_cast<std::int64_t>(count)};
}

// The exact text of a whole RPM in a statement's criterion: a blank, then every digit.
std::string RpmCriterion(std::int64_t rpm) {
  return SignedNumberText(static_cast<std::int32_t>(rpm));
}

std::string RpmText(std::int64_t rpm) { return std::to_string(rpm); }

// An RPM as stored into an RPM column: the single it is where a single holds it exactly.
FieldValue RpmField(std::int64_t rpm) {
  constexpr std::int64_t kExactSingle = std::int64_t{1} << 24;
  if (rpm >= -kExactSingle && rpm <= kExactSingle) {
    return FieldValue::Single(static_cast<float>(rpm));
  }
  return FieldValue::Integer(static_cast<std::int32_t>(rpm));
}

// ---- averaging ----------------------------------------------------------------------------

struct Means {
  FieldValue kw;  // null when the RPM has no raw row
  FieldValue nm;
};

// The two means of every whole RPM of the range, from one read of RawData in stored order; the
// same read notes which RPMs a settled revolution reached, for the loss curve.
RawDataAverages ReadAverages(RecordSet& RD, const RpmRange& range) {
  RawDataAverages averages(range.first, range.count);
  // "Select * From RawData", as Create bound it, read in one pass without holding the rows.
  RD.ForEachNumberRow([&](std::span<const RowNumber> values) { averages.Note(values); });
  return averages;
}

Means MeansOf(const LossSums& s) {
  Means m;
  if (s.kwCount > 0) m.kw = FieldValue::Double(s.kw / static_cast<double>(s.kwCount));
  if (s.nmCount > 0) m.nm = FieldValue::Double(s.nm / static_cast<double>(s.nmCount));
  return m;
}

Means StatementAverages(RecordSet& RD, std::int64_t rpm) {
  RD.SetRecordSource(kAverageStatement + RpmCriterion(rpm));
  RD.Refresh();
  return {RD.Fields(0), RD.Fields(1)};
}

// ---- loss curve ---------------------------------------------------------------------------

struct Point {
  long count = 0;  // rows of PointData at the RPM
  FieldValue kw;   // of the first of them
  FieldValue nm;
};

// Every PointData row of [first - 1, last], from one read of the table.
class DirectPoints {
 public:
  DirectPoints(RecordSet& PD, const RpmRange& range)
      : low_(range.first - 1), points_(static_cast<std::size_t>(range.count + 1)) {
    // Read straight from the table: the record set's own rows are not needed.
    PD.SetRecordSource("Select * From PointData");
    for (RecordSet::NumberScan scan = PD.ScanNumbers(); scan.Next();) {
      const RowNumber rpm = scan.Field(0);
      if (rpm.IsNull()) continue;
      const double offset = rpm.AsDouble() - static_cast<double>(low_);
      if (offset < 0 || offset >= static_cast<double>(points_.size()) ||
          offset != static_cast<double>(static_cast<std::size_t>(offset))) {
        continue;
      }
      Point& p = points_[static_cast<std::size_t>(offset)];
      if (p.count++ == 0) {
        p.kw = scan.Field(1).ToField();
        p.nm = scan.Field(2).ToField();
      }
    }
  }
  const Point& At(std::int64_t rpm) const {
    return points_[static_cast<std::size_t>(rpm - low_)];
  }

 private:
  std::int64_t low_;
  std::vector<Point> points_;
};

Point StatementPoint(RecordSet& PD, const char* form, std::int64_t rpm) {
  PD.SetRecordSource(form + RpmCriterion(rpm));
  PD.Refresh();
  Point p;
  p.count = PD.RecordCount();
  if (p.count > 0) {
    p.kw = PD.Fields(1);
    p.nm = PD.Fields(2);
  }
  return p;
}

// Reads RawData once in stored order to find the RPMs a settled revolution reached (when the
// averaging read has not already done so).
SettledRpms ReadSettledRpms(RecordSet& RD, const RpmRange& range, std::span<const long> starts) {
  SettledRpms settled(range.first, range.count, starts);
  const std::string source = RD.RecordSource();
  RD.SetRecordSource("Select * From RawData");  // streamed: no record set of every row
  RD.ForEachNumberRow([&](std::span<const RowNumber> values) { settled.Note(values); });
  RD.SetRecordSource(source);
  return settled;
}

void AppendLoss(RowBlock& LD, std::int64_t rpm, const FieldValue& kw, const FieldValue& nm) {
  LD.Add({RowNumber::Of(RpmField(rpm)), RowNumber::Of(kw), RowNumber::Of(nm)});
}

}  // namespace

void LossSums::Add(const RowNumber& kwValue, const RowNumber& nmValue) {
  if (!kwValue.IsNull()) {
    kw += kwValue.AsDouble();
    ++kwCount;
  }
  if (!nmValue.IsNull()) {
    nm += nmValue.AsDouble();
    ++nmCount;
  }
}

RawDataAverages::RawDataAverages(std::int64_t first, std::int64_t count)
    : first_(first), sums_(static_cast<std::size_t>(count)), settled_(first, count), gathering_(true) {}

RawDataAverages RawDataAverages::For(const App& app) {
  try {
    const RpmRange range = CurveRange(app);
    if (range.count > 0) return RawDataAverages(range.first, range.count);
  } catch (const NoRunData&) {
  }
  return RawDataAverages();
}

void RawDataAverages::Note(std::span<const RowNumber> values) {
  if (!gathering_) return;
  settled_.Note(values);
  const RowNumber& rpm = values[0];
  if (rpm.IsNull()) return;
  const double offset = rpm.AsDouble() - static_cast<double>(first_);
  if (offset < 0 || offset >= static_cast<double>(sums_.size())) return;
  sums_[static_cast<std::size_t>(offset)].Add(values[1], values[2]);
}

SettledRpms::SettledRpms(std::int64_t first, std::int64_t count, std::span<const long> starts)
    : low_(first - 1),
      reached_(static_cast<std::size_t>(count > 0 ? count + 1 : 0), false),
      starts_(starts.begin(), starts.end()) {
  if (!starts_.empty()) sums_.resize(reached_.size());
}

void SettledRpms::Note(std::span<const RowNumber> values) {
  while (nextStart_ < starts_.size() && starts_[nextStart_] <= row_) {
    if (starts_[nextStart_++] == row_) inRundown_ = 0;
  }
  ++row_;
  if (inRundown_++ < kFirstSettledRawRow || values[0].IsNull()) return;
  any_ = true;
  const double offset = values[0].AsDouble() - static_cast<double>(low_);
  if (offset < 0 || offset >= static_cast<double>(reached_.size())) return;
  const auto at = static_cast<std::size_t>(offset);
  reached_[at] = true;
  if (!sums_.empty()) sums_[at].Add(values[1], values[2]);
}

bool SettledRpms::Reached(std::int64_t rpm) const {
  return !any_ || reached_[static_cast<std::size_t>(rpm - low_)];
}

bool SettledRpms::SettledMeans(std::int64_t rpm, FieldValue& kw, FieldValue& nm) const {
  if (sums_.empty() || !any_) return false;
  const LossSums& s = sums_[static_cast<std::size_t>(rpm - low_)];
  if (s.kwCount > 0) kw = FieldValue::Single(static_cast<float>(s.kw / static_cast<double>(s.kwCount)));
  if (s.nmCount > 0) nm = FieldValue::Single(static_cast<float>(s.nm / static_cast<double>(s.nmCount)));
  return true;
}

long AverageRawData(App& app, DataControls& dc, PhaseMethod method, SettledRpms* settled,
                    RawDataAverages* gathered) {
  Frontend& ui = app.ui;
  AppendStepHeading(ui, "Data Processor");

  const RpmRange range = CurveRange(app);
  const bool direct = method == PhaseMethod::kDirect;
  RawDataAverages read;  // the direct way's means, when not gathered as RawData was stored
  RawDataAverages* averages = nullptr;
  if (settled) *settled = SettledRpms(range.first, range.count);
  if (direct && range.count > 0) {
    if (gathered && gathered->Gathers(range.first, range.count)) {
      averages = gathered;
    } else {
      read = ReadAverages(dc.RD, range);
      averages = &read;
    }
    if (settled) *settled = std::move(averages->Settled());
  }
  if (settled && !direct && range.count > 0) *settled = ReadSettledRpms(dc.RD, range, {});

  long stored = 0;
  RowBlock points(dc.PD, 3);
  for (std::int64_t i = 0; i < range.count; ++i) {
    const std::int64_t rpm = range.first + i;
    const Means means = direct ? MeansOf(averages->At(rpm)) : StatementAverages(dc.RD, rpm);
    if (!means.kw.IsNull()) {
      points.Add({RowNumber::Of(RpmField(rpm)), RowNumber::Of(means.kw), RowNumber::Of(means.nm)});
      ++stored;
    }
    ui.ShowRpm(RpmText(rpm));
    ui.DoEvents();
  }
  points.Store();
  // RD is left on the last averaging statement, whichever way the means were found.
  if (direct && range.count > 0) {
    dc.RD.SetRecordSource(kAverageStatement + RpmCriterion(range.last()));
  }

  ui.AppendStatusLine("Phase 1 - Complete");
  ui.RepaintStatus();
  ui.ShowRpm("0");
  ui.RefreshRpm();
  return stored;
}

void BuildLossCurve(App& app, DataControls& dc, PhaseMethod method, const SettledRpms* known,
                    std::span<const long> rundownStarts) {
  Frontend& ui = app.ui;
  const RpmRange range = CurveRange(app);
  const bool direct = method == PhaseMethod::kDirect;
  std::vector<DirectPoints> table;
  std::optional<SettledRpms> read;
  if (range.count > 0) {
    if (!known) read.emplace(ReadSettledRpms(dc.RD, range, rundownStarts));
    if (direct) table.emplace_back(dc.PD, range);
  }
  const SettledRpms* settled = known ? known : read ? &*read : nullptr;
  // A point counts only where a settled revolution reached its RPM; the others stay in
  // PointData but the curve does not rest on them.
  const auto point = [&](const char* form, std::int64_t rpm) {
    Point p = direct ? table.front().At(rpm) : StatementPoint(dc.PD, form, rpm);
    if (!settled->Reached(rpm)) {
      p = Point{};
    } else if (p.count > 0) {
      settled->SettledMeans(rpm, p.kw, p.nm);
    }
    return p;
  };
  bool extrapolate = true;
  const std::int64_t max = range.last();
  RowBlock losses(dc.LD, 3);

  for (std::int64_t r = range.first; r <= max; ++r) {
    ui.ShowRpm(RpmText(r));
    ui.RefreshRpm();
    const Point here = point(kPointLookup, r);
    if (here.count == 1) {
      AppendLoss(losses, r, here.kw, here.nm);
      continue;
    }
    // A gap: the next point above it, searched no further than the top of the range.
    std::int64_t h = r;
    Point above;
    do {
      ++h;
      if (h > max) break;
      above = point(kPointSearch, h);
    } while (above.count == 0);
    const bool hasAbove = above.count > 0;
    const Point below = point(kPointSearch, r - 1);
    const bool hasBelow = below.count > 0;
    if (hasAbove) above = point(kPointSearch, h);

    if (hasBelow && hasAbove) {
      const double x1 = static_cast<double>(r - 1);
      const double x2 = static_cast<double>(h);
      for (std::int64_t k = r; k <= h; ++k) {
        const double power = Interpolate(ui, x1, below.kw.AsDouble(), x2, above.kw.AsDouble(),
                                         static_cast<double>(k), extrapolate);
        const double torque = Interpolate(ui, x1, below.nm.AsDouble(), x2, above.nm.AsDouble(),
                                          static_cast<double>(k), extrapolate);
        AppendLoss(losses, k, FieldValue::Single(static_cast<float>(power)),
                   FieldValue::Single(static_cast<float>(torque)));
      }
      r = h;
    } else if (hasAbove) {
      // The range starts below its first point: those RPMs carry the first point's losses.
      for (std::int64_t k = r; k <= h; ++k) AppendLoss(losses, k, above.kw, above.nm);
      r = h;
    } else if (hasBelow) {
      // The range ends above its last point: the rest carries the last point's losses.
      for (std::int64_t k = r; k <= max; ++k) AppendLoss(losses, k, below.kw, below.nm);
      r = max;
    } else {
      throw NoRunData{};
    }
  }
  losses.Store();
  if (direct && range.count > 0) dc.PD.SetRecordSource(kPointLookup + RpmCriterion(max));

  ui.AppendStatusLine("Phase 2 - Complete");
  ui.ShowRpm("0");
  ui.RefreshRpm();
}

void InfoRecords(App& app, DataControls& dc) {
  app.ui.AppendStatusLine("Phase 3 - Complete");
  app.ui.RepaintStatus();
  const std::string today = app.todayShortDate ? app.todayShortDate() : TodayShortDateText();
  RecordSet& ID = dc.ID;
  ID.AddNew();
  ID.SetField(0, FieldValue::Double(static_cast<double>(app.InertiaFactor)));
  ID.SetField(1, FieldValue::Double(static_cast<double>(app.SensorMassRatio)));
  ID.SetField(2, FieldValue::Single(app.MinMassRPM));
  ID.SetField(3, FieldValue::Single(app.MaxMassRPM));
  ID.SetField(4, FieldValue::Text(today));
  ID.SetField(5, FieldValue::Text(app.VersionText));
  ID.SetField(6, FieldValue::Text(" "));
  ID.Update();
}

}  // namespace frixa
