// Repeated rundowns side by side: at every RPM that all the files' loss curves and the
// reference hold, each file's power and torque loss, their difference to the reference in %,
// and the spread between the files; per file, its difference to the reference over the RPMs
// the two share (CompareCurves).
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "analysis/analysed_file.h"

namespace frixa {

struct ComparisonRow {
  std::int32_t rpm = 0;
  double referenceKw = 0;
  double referenceNm = 0;
  std::vector<double> kw;  // one per file, in the files' order
  std::vector<double> nm;
  std::vector<std::optional<double>> kwPct;  // PercentDifference to the reference
  std::vector<std::optional<double>> nmPct;
  double kwSd = 0;  // standard deviation across the files (n - 1 in the denominator; 0 for one)
  double nmSd = 0;
};

struct Comparison {
  std::vector<ComparisonRow> rows;       // ascending RPM
  std::vector<CurveDifference> summary;  // one per file
};

Comparison CompareLossCurves(const std::vector<const std::vector<LossCurveRow>*>& curves,
                             const std::vector<LossCurveRow>& reference);

// The sample standard deviation of `values` (0 for fewer than two).
double SampleStandardDeviation(const std::vector<double>& values);

}  // namespace frixa
