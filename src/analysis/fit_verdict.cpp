// The fit's verdict: see fit_verdict.h.
#include "analysis/fit_verdict.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace frixa {
namespace {

std::string Verdict(const FrictionFit& fit, const Deviation& worst) {
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
                  "the smoothed calibration (frixa-cli smooth) instead.",
                  worst.maxPercent);
  } else {
    std::snprintf(buf, sizeof buf,
                  "GOOD: the stored curve follows the fitted friction within %.1f %%; it can be "
                  "applied as it is.",
                  worst.maxPercent);
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

FitVerdict JudgeFit(const FrictionFit& fit, const std::vector<LossCurveRow>& curve) {
  FitVerdict v;
  v.torque = CurveDeviation(curve, fit, false);
  v.power = CurveDeviation(curve, fit, true);
  v.text = Verdict(fit, v.torque.maxPercent >= v.power.maxPercent ? v.torque : v.power);
  return v;
}

}  // namespace frixa
