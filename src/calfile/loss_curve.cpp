// The loss curve: see loss_curve.h.
#include "calfile/loss_curve.h"

#include <cstdint>
#include <optional>
#include <vector>

#include "calfile/interpolate.h"

namespace frixa {
namespace {

struct Point {
  long count = 0;  // rows of PointData at the RPM
  FieldValue kw;   // of the first of them
  FieldValue nm;
};

// Every PointData row of [first - 1, last], from one read of the table.
class PointTable {
 public:
  PointTable(RecordSet& PD, const WholeRpms& rpms)
      : low_(rpms.first - 1), points_(static_cast<std::size_t>(rpms.count + 1)) {
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

// Reads RawData once in stored order to find the RPMs a settled revolution reached (when the
// averaging read has not already done so).
SettledRpms ReadSettledRpms(RecordSet& RD, const WholeRpms& rpms, std::span<const long> starts) {
  SettledRpms settled(rpms.first, rpms.count, starts);
  RD.SetRecordSource("Select * From RawData");  // streamed: no record set of every row
  RD.ForEachNumberRow([&](std::span<const RowNumber> values) { settled.Note(values); });
  return settled;
}

void AppendLoss(RowBlock& LD, std::int64_t rpm, const FieldValue& kw, const FieldValue& nm) {
  LD.Add({RowNumber::Of(RpmField(rpm)), RowNumber::Of(kw), RowNumber::Of(nm)});
}

}  // namespace

void BuildLossCurve(Frontend& ui, const RpmRange& range, RecordSet& RD, RecordSet& PD,
                    RecordSet& LD, const SettledRpms* known, std::span<const long> rundownStarts) {
  const WholeRpms rpms = WholeRpmsOf(range);
  std::optional<PointTable> table;
  std::optional<SettledRpms> read;
  if (rpms.count > 0) {
    if (!known) read.emplace(ReadSettledRpms(RD, rpms, rundownStarts));
    table.emplace(PD, rpms);
  }
  const SettledRpms* settled = known ? known : read ? &*read : nullptr;
  // A point counts only where a settled revolution reached its RPM; the others stay in
  // PointData but the curve does not rest on them.
  const auto point = [&](std::int64_t rpm) {
    Point p = table->At(rpm);
    if (!settled->Reached(rpm)) {
      p = Point{};
    } else if (p.count > 0) {
      settled->SettledMeans(rpm, p.kw, p.nm);
    }
    return p;
  };
  bool extrapolate = true;
  const std::int64_t max = rpms.last();
  RowBlock losses(LD, 3);

  for (std::int64_t r = rpms.first; r <= max; ++r) {
    ui.ShowRpm(RpmText(r));
    ui.RefreshRpm();
    const Point here = point(r);
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
      above = point(h);
    } while (above.count == 0);
    const bool hasAbove = above.count > 0;
    const Point below = point(r - 1);
    const bool hasBelow = below.count > 0;

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

  ui.AppendStatusLine("Phase 2 - Complete");
  ui.ShowRpm("0");
  ui.RefreshRpm();
}

}  // namespace frixa
