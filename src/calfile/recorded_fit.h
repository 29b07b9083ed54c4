// Room calfile/: may include common/ up to templates/ (docs/architecture.md).
// A calibration file's friction from its recorded revolution times: each rundown's counts
// repaired, then the model fitted to the times of the revolutions, all rundowns jointly, and
// judged sound or not; and the loss curve that model gives over the file's range.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "calfile/friction_fit.h"
#include "calfile/recorded_counts.h"
#include "run/time_fit.h"

namespace frixa {

// A fit is sound only when the 95 % band of its torque stays within this many % over the range.
// The host subtracts the loss from a measured power many times larger, so a loss known to 2 %
// of itself moves the compensated power by a small fraction of a percent; a rundown that a clean
// timer recorded gives a band well below it (0.01-0.5 % on the reference rigs), while one whose
// friction the revolutions hardly determine (a short, noisy run) does not.
inline constexpr double kSoundBandPct = 2.0;

// A fit is sound only when its time residual stays within what the timer and the sensor explain.
// The timer's step is the granularity of the counts (their greatest common divisor, at the
// mass); rounding a stamp to it leaves an error spread evenly over one step, whose RMS is the
// step / sqrt(12), with a floor of 1 us for a sensor of 1 us counts; the limit is ten times that.
// A sensor's jitter on each count, though, adds up along the stamps (a random walk that the fit
// only partly follows: 3 us a count leaves about 27 us on a 3,000-revolution run, 1 us a count
// about 140 us on a million revolutions of 10 ms), so the limit is never below a twentieth of
// the mean period either. What the residual must reveal lies far above both: a fault left in
// the records shifts every later time by a whole period, and a model that does not describe the
// run leaves residuals of many periods' changes.
inline constexpr double kResidualTimesResolution = 10.0;
inline constexpr double kResolutionFloorUs = 1.0;
inline constexpr double kResidualShareOfPeriod = 0.05;

struct RecordedFit {
  bool recorded = false;  // the file holds recorded counts; the rest only then
  TimeFit time;           // fitted: see time.fitted / time.problem
  std::int64_t merged = 0;
  std::int64_t split = 0;
  std::int64_t leftOut = 0;
  double timerStepUs = 0;     // the counts' granularity at the mass
  double meanPeriodUs = 0;     // of the revolutions fitted, at the mass
  double residualLimitUs = 0;  // the largest time RMS a sound fit has
  bool physical = false;  // C >= 0 and a positive torque at every RPM of the range
  bool sound = false;
  std::string reason;  // why it is not sound; empty when it is
  // The fitted model as the per-revolution fit's type (TorqueAt / PowerAt by RPM), over the
  // file's RPM range; `fitted` false when no model was fitted.
  FrictionFit model;
};

// Repairs and fits `rundowns` (counts as recorded) of a file made with `inertia` (kg m^2) and
// sensor-to-mass `ratio`, over its RPM range [rpmLow, rpmHigh]. `recorded` false for none.
RecordedFit FitRecordedCounts(std::vector<RecordedCounts> rundowns, double inertia, double ratio,
                              double rpmLow, double rpmHigh);

// The same for the calibration file `path`: its Info record and recorded counts (frixa::Error
// with the engine's number when they cannot be read).
RecordedFit ReadRecordedFit(const std::string& path);

// The curve Apply's fitted choice hands the host for the calibration file `path`: the model
// fitted to its recorded times (to its settled revolutions when it has none) over the file's RPM
// range, as ModelLossRows gives it. Raises SmoothingRefused (1001), the reason as its
// description, when that fit is not sound (or, for an older file, poor or not physical) or the
// range is not usable, and frixa::Error when the file cannot be read.
std::vector<LossCurveRow> FittedLossCurve(const std::string& path);

// The loss curve of `model` at every whole RPM of [first, last]: the torque and power at the
// middle of each RPM (RPM + 0.5), each rounded to Single as the Losses table stores them.
std::vector<LossCurveRow> ModelLossRows(const FrictionFit& model, std::int32_t first,
                                        std::int32_t last);

}  // namespace frixa
