// Averaging, loss curve and information record: see processing_phases.h.
#include "calfile/processing_phases.h"

#include <cstdint>
#include <string>
#include <vector>

#include "calfile/general.h"
#include "common/error.h"
#include "common/number_text.h"
#include "platform/short_date.h"

namespace frixa {
namespace {

const std::string kPhaseRule(45, '-');
constexpr const char* kAverageStatement =
    "SELECT AVG(SpotKWLoss), AVG(SpotNMLoss) FROM RawData where SpotRPM=";
constexpr const char* kPointLookup = "Select * from PointData where PointRPM=";
constexpr const char* kPointSearch = "Select * from PointData where PointRPM =";

// Ranges wider than this are averaged statement by statement rather than through per-RPM
// tables in memory; no real rundown comes near it.
constexpr double kMaxDirectRange = 4'000'000.0;

std::string RpmText(float rpm) { return PlainWholeNumberText(rpm); }

// The number of whole RPMs in [min, max], 0 for an empty range.
double RangeSize(float min, float max) {
  return max < min ? 0.0 : static_cast<double>(max) - static_cast<double>(min) + 1.0;
}

// ---- averaging ----------------------------------------------------------------------------

struct Means {
  FieldValue kw;  // null when the RPM has no raw row
  FieldValue nm;
};

// The two means of every whole RPM of the range, from one read of RawData in stored order.
class DirectAverages {
 public:
  DirectAverages(RecordSet& RD, float min, float max)
      : min_(min), sums_(static_cast<std::size_t>(RangeSize(min, max))) {
    // "Select * From RawData", as Create bound it, read in one pass without holding the rows.
    RD.ForEachNumberRow([&](std::span<const RowNumber> row) {
      const RowNumber& rpm = row[0];
      if (rpm.IsNull()) return;
      const double offset = rpm.AsDouble() - static_cast<double>(min_);
      if (offset < 0 || offset >= static_cast<double>(sums_.size())) return;
      Sums& s = sums_[static_cast<std::size_t>(offset)];
      const RowNumber& kw = row[1];
      const RowNumber& nm = row[2];
      if (!kw.IsNull()) {
        s.kw += kw.AsDouble();
        ++s.kwCount;
      }
      if (!nm.IsNull()) {
        s.nm += nm.AsDouble();
        ++s.nmCount;
      }
    });
  }

  Means At(float rpm) const {
    const Sums& s = sums_[static_cast<std::size_t>(static_cast<double>(rpm) - min_)];
    Means m;
    if (s.kwCount > 0) m.kw = FieldValue::Double(s.kw / static_cast<double>(s.kwCount));
    if (s.nmCount > 0) m.nm = FieldValue::Double(s.nm / static_cast<double>(s.nmCount));
    return m;
  }

 private:
  struct Sums {
    double kw = 0;
    double nm = 0;
    long kwCount = 0;
    long nmCount = 0;
  };
  double min_;
  std::vector<Sums> sums_;
};

Means StatementAverages(RecordSet& RD, float rpm) {
  RD.SetRecordSource(kAverageStatement + SignedNumberText(rpm));
  RD.Refresh();
  return {RD.Fields(0), RD.Fields(1)};
}

// ---- loss curve ---------------------------------------------------------------------------

struct Point {
  long count = 0;  // rows of PointData at the RPM
  FieldValue kw;   // of the first of them
  FieldValue nm;
};

// Every PointData row of [min - 1, max], from one read of the table.
class DirectPoints {
 public:
  DirectPoints(RecordSet& PD, float min, float max)
      : low_(static_cast<double>(min) - 1.0),
        points_(static_cast<std::size_t>(RangeSize(min, max) + 1.0)) {
    PD.SetRecordSource("Select * From PointData");
    PD.Refresh();
    for (RecordSet::NumberScan scan = PD.ScanNumbers(); scan.Next();) {
      const RowNumber rpm = scan.Field(0);
      if (rpm.IsNull()) continue;
      const double offset = rpm.AsDouble() - low_;
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
  const Point& At(float rpm) const {
    return points_[static_cast<std::size_t>(static_cast<double>(rpm) - low_)];
  }

 private:
  double low_;
  std::vector<Point> points_;
};

Point StatementPoint(RecordSet& PD, const char* form, float rpm) {
  PD.SetRecordSource(form + SignedNumberText(rpm));
  PD.Refresh();
  Point p;
  p.count = PD.RecordCount();
  if (p.count > 0) {
    p.kw = PD.Fields(1);
    p.nm = PD.Fields(2);
  }
  return p;
}

void AppendLoss(RecordSet& LD, float rpm, const FieldValue& kw, const FieldValue& nm) {
  LD.AppendRow({RowNumber::Single(rpm), RowNumber::Of(kw), RowNumber::Of(nm)});
}

}  // namespace

long AverageRawData(App& app, DataControls& dc, PhaseMethod method) {
  Frontend& ui = app.ui;
  ui.AppendStatusLine("Data Processor");
  ui.AppendStatusLine(kPhaseRule);

  const float min = app.MinMassRPM;
  const float max = app.MaxMassRPM;
  const bool direct = method == PhaseMethod::kDirect && RangeSize(min, max) <= kMaxDirectRange;
  std::vector<DirectAverages> table;  // built only for the direct way
  if (direct && min <= max) table.emplace_back(dc.RD, min, max);

  long stored = 0;
  for (float rpm = min; rpm <= max; rpm += 1.0f) {
    const Means means = direct ? table.front().At(rpm) : StatementAverages(dc.RD, rpm);
    if (!means.kw.IsNull()) {
      dc.PD.AppendRow({RowNumber::Single(rpm), RowNumber::Of(means.kw), RowNumber::Of(means.nm)});
      ++stored;
    }
    ui.ShowRpm(RpmText(rpm));
    ui.DoEvents();
  }
  // RD is left on the last averaging statement, whichever way the means were found.
  if (direct && min <= max) dc.RD.SetRecordSource(kAverageStatement + SignedNumberText(max));

  ui.AppendStatusLine("Phase 1 - Complete");
  ui.RepaintStatus();
  ui.ShowRpm("0");
  ui.RefreshRpm();
  return stored;
}

void BuildLossCurve(App& app, DataControls& dc, PhaseMethod method) {
  Frontend& ui = app.ui;
  const float min = app.MinMassRPM;
  const float max = app.MaxMassRPM;
  const bool direct = method == PhaseMethod::kDirect && RangeSize(min, max) <= kMaxDirectRange;
  std::vector<DirectPoints> table;
  if (direct && min <= max) table.emplace_back(dc.PD, min, max);
  const auto point = [&](const char* form, float rpm) {
    return direct ? table.front().At(rpm) : StatementPoint(dc.PD, form, rpm);
  };
  bool extrapolate = true;

  for (float r = min; r <= max; r += 1.0f) {
    ui.ShowRpm(RpmText(r));
    ui.RefreshRpm();
    const Point here = point(kPointLookup, r);
    if (here.count == 1) {
      AppendLoss(dc.LD, r, here.kw, here.nm);
      continue;
    }
    // A gap: the next point above it, searched no further than the top of the range.
    float h = r;
    Point above;
    do {
      h += 1.0f;
      if (h > max) break;
      above = point(kPointSearch, h);
    } while (above.count == 0);
    const bool hasAbove = above.count > 0;
    const Point below = point(kPointSearch, r - 1.0f);
    const bool hasBelow = below.count > 0;
    if (hasAbove) above = point(kPointSearch, h);

    if (hasBelow && hasAbove) {
      const double x1 = static_cast<double>(r) - 1.0;
      const double x2 = static_cast<double>(h);
      for (float k = r; k <= h; k += 1.0f) {
        const double power = Interpolate(ui, x1, below.kw.AsDouble(), x2, above.kw.AsDouble(),
                                         static_cast<double>(k), extrapolate);
        const double torque = Interpolate(ui, x1, below.nm.AsDouble(), x2, above.nm.AsDouble(),
                                          static_cast<double>(k), extrapolate);
        AppendLoss(dc.LD, k, FieldValue::Single(static_cast<float>(power)),
                   FieldValue::Single(static_cast<float>(torque)));
      }
      r = h;
    } else if (hasAbove) {
      // The range starts below its first point: those RPMs carry the first point's losses.
      for (float k = r; k <= h; k += 1.0f) AppendLoss(dc.LD, k, above.kw, above.nm);
      r = h;
    } else if (hasBelow) {
      // The range ends above its last point: the rest carries the last point's losses.
      for (float k = r; k <= max; k += 1.0f) AppendLoss(dc.LD, k, below.kw, below.nm);
      r = max;
    } else {
      throw NoRunData{};
    }
  }
  if (direct && min <= max) {
    dc.PD.SetRecordSource(kPointLookup + SignedNumberText(max));
  }

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
