// How a calibration file's stored loss curve compares with the friction model fitted to its
// revolutions (their recorded times, or the settled revolutions of an older file), and the
// verdict drawn from the fit and that comparison: the one wording that analyze, the program and
// the calibration report show, each naming the way its own reader takes.
#pragma once

#include <string>
#include <vector>

#include "calfile/friction_fit.h"
#include "calfile/recorded_fit.h"

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

// Who reads a verdict, and so which way to a better curve it names: the console's (frixa-cli
// apply --fitted, frixa-cli smooth) or the program's (Apply's fitted choice, Tools > Analysis).
enum class VerdictReader { Console, Program };

// The verdict on a fitted model (`fit.fitted` true) and the curve stored beside it.
FitVerdict JudgeFit(const FrictionFit& fit, const std::vector<LossCurveRow>& curve,
                    VerdictReader reader);

// The verdict on the fit of a file's recorded times (`fit.recorded` true): "SOUND: ..." or
// "UNSOUND: ...", with how far the stored curve strays from the fitted friction.
FitVerdict JudgeRecordedFit(const RecordedFit& fit, const std::vector<LossCurveRow>& curve,
                            VerdictReader reader);

}  // namespace frixa
