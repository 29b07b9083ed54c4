// The analysed calibration file, the host's curve and curve differences: see analysed_file.h.
#include "analysis/analysed_file.h"

#include "calfile/recorded_fit.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <system_error>

#include "recordset/data_controls.h"
#include "calfile/file_names.h"
#include "common/app.h"

namespace frixa {
namespace {

std::string TextOf(const FieldValue& v) { return v.IsNull() ? std::string() : v.AsText(); }

// Releases the record set on every way out, without raising on the way out of an error.
class BoundRecordSet {
 public:
  BoundRecordSet(const std::string& file, const std::string& statement) { Bind(rs, file, statement); }
  ~BoundRecordSet() {
    try {
      Release(rs);
    } catch (...) {
    }
  }
  BoundRecordSet(const BoundRecordSet&) = delete;
  BoundRecordSet& operator=(const BoundRecordSet&) = delete;
  RecordSet rs;
};

}  // namespace

AnalysedFile ReadAnalysedFile(const std::string& path) {
  AnalysedFile f;
  f.path = path;
  f.title = StripPathAndExtension(path);
  // One binding reads the file once: the information record, then the loss curve and RawData
  // streamed through it.
  BoundRecordSet bound(path, "Select * From Info");
  {
    const RecordSet& id = bound.rs;
    // By position, as the browser reads the record: 2 is the lowest RPM, 3 the highest.
    f.inertia = id.Fields(0).AsDouble();
    f.ratio = id.Fields(1).AsDouble();
    f.rpmLow = id.Fields(2).AsDouble();
    f.rpmHigh = id.Fields(3).AsDouble();
    f.dateProcessed = TextOf(id.Fields(4));
    f.version = TextOf(id.Fields(5));
    f.comment = TextOf(id.Fields(6));
  }
  f.curve = ReadLossCurve(bound.rs);
  f.fit = FitSettledRawData(ReadSettledRawData(bound.rs));
  Release(bound.rs);
  f.recorded = FitRecordedCounts(ReadRecordedCounts(path), f.inertia, f.ratio, f.rpmLow, f.rpmHigh);
  f.check = CheckCalibration(f.recorded, f.fit, f.curve);
  return f;
}

std::optional<std::vector<LossCurveRow>> ReadHostCurve(const std::string& programFolder) {
  const std::string host = programFolder + kPathSeparator + kHostLossFileName;
  std::error_code ec;
  if (!std::filesystem::exists(host, ec)) return std::nullopt;
  return ReadLossCurve(host);
}

std::optional<double> PercentDifference(double value, double reference) {
  if (reference == 0 || !std::isfinite(reference) || !std::isfinite(value)) return std::nullopt;
  return (value - reference) / std::fabs(reference) * 100.0;
}

CurveDifference CompareCurves(const std::vector<LossCurveRow>& curve,
                              const std::vector<LossCurveRow>& reference) {
  // The first row of each RPM counts, in either curve.
  std::map<std::int32_t, const LossCurveRow*> ref;
  for (const LossCurveRow& row : reference) ref.emplace(row.rpm, &row);
  std::map<std::int32_t, const LossCurveRow*> own;
  for (const LossCurveRow& row : curve) own.emplace(row.rpm, &row);

  CurveDifference d;
  double nmSum = 0;
  double kwSum = 0;
  long nmCount = 0;
  long kwCount = 0;
  for (const auto& [rpm, row] : own) {
    const auto it = ref.find(rpm);
    if (it == ref.end()) continue;
    if (d.rpms == 0) d.rpmLow = rpm;
    d.rpmHigh = rpm;
    ++d.rpms;
    if (const auto nm = PercentDifference(row->nm, it->second->nm)) {
      nmSum += std::fabs(*nm);
      d.nmMaxPct = std::max(d.nmMaxPct, std::fabs(*nm));
      ++nmCount;
    }
    if (const auto kw = PercentDifference(row->kw, it->second->kw)) {
      kwSum += std::fabs(*kw);
      d.kwMaxPct = std::max(d.kwMaxPct, std::fabs(*kw));
      ++kwCount;
    }
  }
  if (nmCount > 0) d.nmMeanPct = nmSum / static_cast<double>(nmCount);
  if (kwCount > 0) d.kwMeanPct = kwSum / static_cast<double>(kwCount);
  return d;
}

}  // namespace frixa
