// How a calibration file's stored loss curve compares with the friction model fitted to its
// settled revolutions, and the verdict drawn from the fit and that comparison: the one wording
// that analyze and the calibration report both show.
#pragma once

#include <string>
#include <vector>

#include "calfile/friction_fit.h"

namespace frixa {

// Above this largest deviation the stored curve is called noisy.
inline constexpr double kNoisyCurvePercent = 5.0;

struct Deviation {
  double maxPercent = 0;
  double meanPercent = 0;
  long rows = 0;
};

// Of the stored curve's torque (or power) from the model, at the middle of each RPM; RPMs where
// the model is not above 0 are left out.
Deviation CurveDeviation(const std::vector<LossCurveRow>& curve, const FrictionFit& fit,
                         bool power);

struct FitVerdict {
  Deviation torque;
  Deviation power;
  std::string text;  // "GOOD: ...", "NOISY: ...", "POOR: ..." or "NOT PHYSICAL: ..."
};

// The verdict on a fitted model (`fit.fitted` true) and the curve stored beside it.
FitVerdict JudgeFit(const FrictionFit& fit, const std::vector<LossCurveRow>& curve);

}  // namespace frixa
