// The statement-by-statement model of averaging and the loss curve: see
// statement_phases_model.h.
#include "support/statement_phases_model.h"

#include <cstdint>
#include <set>

#include "calfile/create_command.h"
#include "calfile/info_record.h"
#include "calfile/interpolate.h"
#include "calfile/physics_processor.h"
#include "calfile/recorded_counts.h"
#include "common/number_text.h"
#include "common/status_log.h"

namespace frixa::testing {
namespace {

constexpr const char* kAverageStatement =
    "SELECT AVG(SpotKWLoss), AVG(SpotNMLoss) FROM RawData where SpotRPM=";
constexpr const char* kPointLookup = "Select * from PointData where PointRPM=";
constexpr const char* kPointSearch = "Select * from PointData where PointRPM =";

// The exact text of a whole RPM in a statement's criterion: a blank, then every digit.
std::string Criterion(std::int64_t rpm) { return SignedNumberText(static_cast<std::int32_t>(rpm)); }

void AppendRow(RecordSet& rs, std::int64_t rpm, const FieldValue& kw, const FieldValue& nm) {
  rs.AddNew();
  rs.SetField(0, RpmField(rpm));
  rs.SetField(1, kw);
  rs.SetField(2, nm);
  rs.Update();
}

struct Point {
  long count = 0;
  FieldValue kw;
  FieldValue nm;
};

Point Lookup(RecordSet& PD, const char* form, std::int64_t rpm) {
  PD.SetRecordSource(form + Criterion(rpm));
  PD.Refresh();
  Point p;
  p.count = PD.RecordCount();
  if (p.count > 0) {
    p.kw = PD.Fields(1);
    p.nm = PD.Fields(2);
  }
  return p;
}

// The RPMs that RawData's settled rows (from kFirstSettledRawRow on) reached; every RPM when no
// row settled.
class Settled {
 public:
  explicit Settled(RecordSet& RD) {
    RD.SetRecordSource("Select * From RawData");
    long row = 0;
    RD.ForEachRow([&](std::span<const FieldValue> values) {
      if (row++ >= kFirstSettledRawRow && !values[0].IsNull()) rpms_.insert(values[0].AsDouble());
    });
  }
  bool Reached(std::int64_t rpm) const {
    return rpms_.empty() || rpms_.count(static_cast<double>(rpm)) > 0;
  }

 private:
  std::set<double> rpms_;
};

}  // namespace

long ModelAverageRawData(Frontend& ui, const RpmRange& range, RecordSet& RD, RecordSet& PD) {
  AppendStepHeading(ui, "Data Processor");
  const WholeRpms rpms = WholeRpmsOf(range);
  long stored = 0;
  for (std::int64_t rpm = rpms.first; rpm <= rpms.last(); ++rpm) {
    RD.SetRecordSource(kAverageStatement + Criterion(rpm));
    RD.Refresh();
    if (!RD.Fields(0).IsNull()) {
      AppendRow(PD, rpm, RD.Fields(0), RD.Fields(1));
      ++stored;
    }
    ui.ShowRpm(RpmText(rpm));
    ui.DoEvents();
  }
  ui.AppendStatusLine("Phase 1 - Complete");
  ui.RepaintStatus();
  ui.ShowRpm("0");
  ui.RefreshRpm();
  return stored;
}

void ModelBuildLossCurve(Frontend& ui, const RpmRange& range, RecordSet& RD, RecordSet& PD,
                         RecordSet& LD) {
  const WholeRpms rpms = WholeRpmsOf(range);
  const Settled settled(RD);
  const auto point = [&](const char* form, std::int64_t rpm) {
    const Point p = Lookup(PD, form, rpm);
    return settled.Reached(rpm) ? p : Point{};
  };
  bool extrapolate = true;
  const std::int64_t max = rpms.last();
  for (std::int64_t r = rpms.first; r <= max; ++r) {
    ui.ShowRpm(RpmText(r));
    ui.RefreshRpm();
    const Point here = point(kPointLookup, r);
    if (here.count == 1) {
      AppendRow(LD, r, here.kw, here.nm);
      continue;
    }
    std::int64_t h = r;
    Point above;
    do {
      ++h;
      if (h > max) break;
      above = point(kPointSearch, h);
    } while (above.count == 0);
    const Point below = point(kPointSearch, r - 1);
    if (above.count > 0) above = point(kPointSearch, h);  // the point above, looked up again

    if (below.count > 0 && above.count > 0) {
      const double x1 = static_cast<double>(r - 1);
      const double x2 = static_cast<double>(h);
      for (std::int64_t k = r; k <= h; ++k) {
        const double power = Interpolate(ui, x1, below.kw.AsDouble(), x2, above.kw.AsDouble(),
                                         static_cast<double>(k), extrapolate);
        const double torque = Interpolate(ui, x1, below.nm.AsDouble(), x2, above.nm.AsDouble(),
                                          static_cast<double>(k), extrapolate);
        AppendRow(LD, k, FieldValue::Single(static_cast<float>(power)),
                  FieldValue::Single(static_cast<float>(torque)));
      }
      r = h;
    } else if (above.count > 0) {
      for (std::int64_t k = r; k <= h; ++k) AppendRow(LD, k, above.kw, above.nm);
      r = h;
    } else if (below.count > 0) {
      for (std::int64_t k = r; k <= max; ++k) AppendRow(LD, k, below.kw, below.nm);
      r = max;
    } else {
      throw NoRunData{};
    }
  }
  ui.AppendStatusLine("Phase 2 - Complete");
  ui.ShowRpm("0");
  ui.RefreshRpm();
}

void ModelCreate(App& app, const RpmRange& range, const std::string& name) {
  WriteCalibrationFile(app.ui, name, [&](DataControls& dc) {
    ProcessRunData(app, dc.RD);
    if (ModelAverageRawData(app.ui, range, dc.RD, dc.PD) == 0) throw NoRunData{};
    ModelBuildLossCurve(app.ui, range, dc.RD, dc.PD, dc.LD);
    InfoRecords(app.ui, SettingsOf(app, range), dc.ID);
    StoreRecordedCounts(dc.RD.DatabaseName(), {ReadRunFileCounts(app.ProgramFile(kRunFileName))});
  });
}

}  // namespace frixa::testing
