// The fit's verdict: see fit_verdict.h.
#include "analysis/fit_verdict.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace frixa {
namespace {

// The way to the curve fitted to the revolution times, as the reader takes it.
const char* FittedWay(VerdictReader reader) {
  return reader == VerdictReader::Console ? "frixa-cli apply --fitted"
                                          : "Apply's fitted choice, or Tools > Analysis";
}

std::string Verdict(const FrictionFit& fit, const Deviation& worst, VerdictReader reader) {
  char buf[400];
  if (fit.notPhysical) {
    std::snprintf(buf, sizeof buf,
                  "NOT PHYSICAL: the fitted friction %s; this is not a clean losses rundown "
                  "(check the inertia and ratio, then redo the rundown).",
                  fit.c < 0 ? "bends downwards at speed (C < 0)" : "goes negative inside the range");
  } else if (fit.poor) {
    std::snprintf(buf, sizeof buf,
                  "POOR: the friction model explains only %.0f %% of the scatter; the run looks "
                  "disturbed, redo the rundown.",
                  fit.r2 * 100.0);
  } else if (worst.maxPercent > kNoisyCurvePercent) {
    std::snprintf(buf, sizeof buf,
                  "NOISY: the stored curve strays up to %.1f %% from the fitted friction; apply "
                  "the smoothed calibration (%s) instead.",
                  worst.maxPercent,
                  reader == VerdictReader::Console ? "frixa-cli smooth"
                                                   : "Tools > Analysis > Smooth, then Apply");
  } else {
    std::snprintf(buf, sizeof buf,
                  "GOOD: the stored curve follows the fitted friction within %.1f %%; it can be "
                  "applied as it is.",
                  worst.maxPercent);
  }
  return buf;
}

std::string RecordedVerdict(const RecordedFit& fit, const Deviation& worst,
                            VerdictReader reader) {
  char buf[600];
  if (!fit.sound) {
    std::snprintf(buf, sizeof buf,
                  "UNSOUND: %s; the revolution times do not determine the friction (check the "
                  "inertia and ratio, then redo the rundown).",
                  fit.reason.c_str());
  } else if (worst.maxPercent > fit.time.bandPct) {
    std::snprintf(buf, sizeof buf,
                  "SOUND: the fitted friction is known within %.2g %%; the stored curve strays up "
                  "to %.1f %% from it: apply the fitted curve (%s) instead.",
                  fit.time.bandPct, worst.maxPercent, FittedWay(reader));
  } else {
    std::snprintf(buf, sizeof buf,
                  "SOUND: the fitted friction is known within %.2g %%; the stored curve follows "
                  "it within %.2f %%; it can be applied as it is.",
                  fit.time.bandPct, worst.maxPercent);
  }
  return buf;
}

}  // namespace

Deviation CurveDeviation(const std::vector<LossCurveRow>& curve, const FrictionFit& fit,
                         bool power) {
  Deviation d;
  double sum = 0;
  for (const LossCurveRow& row : curve) {
    const double middle = row.rpm + 0.5;
    const double model = power ? fit.PowerAt(middle) : fit.TorqueAt(middle);
    if (model <= 0) continue;
    const double pct = std::fabs((power ? row.kw : row.nm) - model) / model * 100.0;
    d.maxPercent = std::max(d.maxPercent, pct);
    sum += pct;
    ++d.rows;
  }
  if (d.rows > 0) d.meanPercent = sum / static_cast<double>(d.rows);
  return d;
}

FitVerdict JudgeFit(const FrictionFit& fit, const std::vector<LossCurveRow>& curve,
                    VerdictReader reader) {
  FitVerdict v;
  v.torque = CurveDeviation(curve, fit, false);
  v.power = CurveDeviation(curve, fit, true);
  v.text = Verdict(fit, v.torque.maxPercent >= v.power.maxPercent ? v.torque : v.power, reader);
  return v;
}

FitVerdict JudgeRecordedFit(const RecordedFit& fit, const std::vector<LossCurveRow>& curve,
                            VerdictReader reader) {
  FitVerdict v;
  if (fit.model.fitted) {
    v.torque = CurveDeviation(curve, fit.model, false);
    v.power = CurveDeviation(curve, fit.model, true);
  }
  v.text = RecordedVerdict(fit, v.torque.maxPercent >= v.power.maxPercent ? v.torque : v.power,
                           reader);
  return v;
}

}  // namespace frixa
