// Room analysis/, no window: may include common/, platform/, recordset/, calfile/, graphs/, browser/.
// A calibration file as the analysis tools see it, read once: the information record, the loss
// curve and the friction model fitted to its settled revolutions; the host's curve in use; and
// the difference of one loss curve to another over the RPMs they share.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/calibration_check.h"
#include "calfile/friction_fit.h"

namespace frixa {

struct AnalysedFile {
  std::string path;
  std::string title;          // the name without folder and extension
  std::string dateProcessed;  // as the browser shows it
  std::string version;
  std::string comment;
  double inertia = 0;
  double ratio = 0;
  double rpmLow = 0;   // the information record's lowest and highest RPM
  double rpmHigh = 0;
  std::vector<LossCurveRow> curve;  // Losses in stored order
  FrictionFit fit;                  // `fitted` false, with its reason, when none fits
  // The fit of its recorded revolution times (`recorded.recorded` false for an older file).
  RecordedFit recorded;
  // Its verdict: by the fit of its recorded revolution times, or `fit` for an older file.
  CalibrationCheck check;
};

// Reads `path` (frixa::Error with the engine's number when it cannot be read).
AnalysedFile ReadAnalysedFile(const std::string& path);

// The loss curve of the program folder's Torvex2.005; nothing when the file is absent
// (frixa::Error when it is there but cannot be read).
std::optional<std::vector<LossCurveRow>> ReadHostCurve(const std::string& programFolder);

// (value - reference) in % of the reference; nothing where the reference is 0 (or either is not
// finite).
std::optional<double> PercentDifference(double value, double reference);

// How far `curve` lies from `reference` over the RPMs both hold, in % of the reference's value
// (RPMs where the reference is 0 are left out of the % figures).
struct CurveDifference {
  long rpms = 0;  // RPMs compared; 0: nothing in common, every figure 0
  std::int32_t rpmLow = 0;
  std::int32_t rpmHigh = 0;
  double nmMeanPct = 0;  // mean of |difference|
  double nmMaxPct = 0;   // largest |difference|
  double kwMeanPct = 0;
  double kwMaxPct = 0;
};
CurveDifference CompareCurves(const std::vector<LossCurveRow>& curve,
                              const std::vector<LossCurveRow>& reference);

}  // namespace frixa
