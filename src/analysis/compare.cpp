// Repeated rundowns side by side: see compare.h.
#include "analysis/compare.h"

#include <cmath>
#include <map>

namespace frixa {
namespace {

// The first row of each RPM.
std::map<std::int32_t, const LossCurveRow*> ByRpm(const std::vector<LossCurveRow>& curve) {
  std::map<std::int32_t, const LossCurveRow*> rows;
  for (const LossCurveRow& row : curve) rows.emplace(row.rpm, &row);
  return rows;
}

}  // namespace

double SampleStandardDeviation(const std::vector<double>& values) {
  if (values.size() < 2) return 0;
  double mean = 0;
  for (const double v : values) mean += v;
  mean /= static_cast<double>(values.size());
  double squares = 0;
  for (const double v : values) squares += (v - mean) * (v - mean);
  return std::sqrt(squares / static_cast<double>(values.size() - 1));
}

Comparison CompareLossCurves(const std::vector<const std::vector<LossCurveRow>*>& curves,
                             const std::vector<LossCurveRow>& reference) {
  Comparison c;
  std::vector<std::map<std::int32_t, const LossCurveRow*>> files;
  for (const auto* curve : curves) {
    files.push_back(ByRpm(*curve));
    c.summary.push_back(CompareCurves(*curve, reference));
  }
  for (const auto& [rpm, ref] : ByRpm(reference)) {
    ComparisonRow row;
    row.rpm = rpm;
    row.referenceKw = ref->kw;
    row.referenceNm = ref->nm;
    bool everyFile = true;
    for (const auto& file : files) {
      const auto it = file.find(rpm);
      if (it == file.end()) {
        everyFile = false;
        break;
      }
      row.kw.push_back(it->second->kw);
      row.nm.push_back(it->second->nm);
      row.kwPct.push_back(PercentDifference(it->second->kw, ref->kw));
      row.nmPct.push_back(PercentDifference(it->second->nm, ref->nm));
    }
    if (!everyFile || files.empty()) continue;
    row.kwSd = SampleStandardDeviation(row.kw);
    row.nmSd = SampleStandardDeviation(row.nm);
    c.rows.push_back(std::move(row));
  }
  return c;
}

}  // namespace frixa
