// The calibration check and Apply's question: see calibration_check.h.
#include "analysis/calibration_check.h"

#include <cstdio>
#include <utility>

#include "analysis/fit_verdict.h"
#include "calfile/create_command.h"
#include "calfile/file_names.h"
#include "common/error.h"

namespace frixa {
namespace {

constexpr const char* kApplyTitle = "Frixa - Torvex Interface";

// A percentage in as few figures as it needs: 0.002, 0.42, 2.3, 23.
std::string Percent(double pct) {
  char buf[32];
  std::snprintf(buf, sizeof buf,
                pct < 0.0095 ? "%.1g" : pct < 0.995 ? "%.2f" : pct < 9.95 ? "%.1f" : "%.0f", pct);
  return buf;
}

double Worst(const Deviation& torque, const Deviation& power) {
  return torque.maxPercent >= power.maxPercent ? torque.maxPercent : power.maxPercent;
}

CalibrationCheck CheckRecorded(const RecordedFit& fit, const std::vector<LossCurveRow>& curve) {
  CalibrationCheck c;
  c.recorded = true;
  c.sound = fit.sound;
  c.bandPct = fit.time.bandPct;
  c.model = fit.model;
  c.verdict = !fit.sound ? "UNSOUND" : "SOUND";
  if (fit.model.fitted) {
    c.strayPct = Worst(CurveDeviation(curve, fit.model, false),
                       CurveDeviation(curve, fit.model, true));
  }
  if (!fit.time.fitted) {
    c.text = "Fit unsound: no model fits the revolution times";
  } else if (!fit.physical) {
    c.text = "Fit unsound: not physical";
  } else if (!fit.sound) {
    c.text = fit.time.bandPct > kSoundBandPct
                 ? "Fit unsound: its band of " + Percent(fit.time.bandPct) + " % is too wide"
                 : std::string("Fit unsound: the model does not describe the run");
  } else if (c.strayPct > fit.time.bandPct) {
    c.offersFitted = true;
    c.verdict = "SOUND, STRAYS";
    c.text = "Stored curve strays " + Percent(c.strayPct) +
             " % from the fitted friction: Apply offers the fitted curve";
  } else {
    c.text = "Fit sound: stored curve within " + Percent(c.strayPct) +
             " % of the fitted friction";
  }
  return c;
}

CalibrationCheck CheckOlder(const FrictionFit& fit, const std::vector<LossCurveRow>& curve) {
  CalibrationCheck c;
  if (!fit.fitted) {
    c.text = "Older file: too few revolutions to fit";
    c.verdict = "NO FIT";
    return c;
  }
  c.model = fit;
  c.strayPct = Worst(CurveDeviation(curve, fit, false), CurveDeviation(curve, fit, true));
  if (fit.notPhysical) {
    c.text = "Older file: fit not physical";
    c.verdict = "NOT PHYSICAL";
  } else if (fit.poor) {
    c.text = "Older file: fit poor";
    c.verdict = "POOR";
  } else if (c.strayPct > kNoisyCurvePercent) {
    c.sound = true;
    c.offersFitted = true;
    c.verdict = "NOISY";
    c.text = "Older file: stored curve strays " + Percent(c.strayPct) +
             " % from today's fit: Apply offers the fitted curve";
  } else {
    c.sound = true;
    c.verdict = "GOOD";
    c.text = "Older file: stored curve within " + Percent(c.strayPct) + " % of today's fit";
  }
  return c;
}

}  // namespace

CalibrationCheck CheckCalibration(const RecordedFit& recorded, const FrictionFit& older,
                                  const std::vector<LossCurveRow>& curve) {
  return recorded.recorded ? CheckRecorded(recorded, curve) : CheckOlder(older, curve);
}

CalibrationCheck CheckCalibrationFile(const std::string& path) {
  try {
    const std::vector<LossCurveRow> curve = ReadLossCurve(path);
    const RecordedFit recorded = ReadRecordedFit(path);
    if (recorded.recorded) return CheckCalibration(recorded, {}, curve);
    return CheckCalibration(recorded, FitSettledRawData(ReadSettledRawData(path)), curve);
  } catch (...) {
    CalibrationCheck c;
    c.text = "Calibration check: the file cannot be read";
    return c;
  }
}

ApplyCurve OfferFittedCurve(Frontend& ui, const std::string& chosen, CalibrationCheck* checked) {
  CalibrationCheck check = CheckCalibrationFile(chosen);
  ApplyCurve curve = ApplyCurve::Stored;
  if (check.offersFitted) {
    const std::string name = StripPathAndExtension(chosen) + kCalibrationExtension;
    const std::string known =
        check.recorded ? "the friction fitted to its revolution times (known within " +
                             Percent(check.bandPct) + " %)"
                       : "the friction fitted to its settled revolutions";
    const std::string question =
        "The loss curve stored in " + name + " strays up to " + Percent(check.strayPct) +
        " % from " + known + ".\n\nApply the fitted curve instead?\n\nYes: the fitted curve\n"
        "No: the stored curve";
    if (ui.ShowMessage(question, kApplyTitle, MessageIcon::Question, MessageButtons::YesNo) ==
        MessageAnswer::Yes) {
      curve = ApplyCurve::Fitted;
    }
  }
  if (curve == ApplyCurve::Fitted) {
    check.text = "Fitted curve applied: the stored curve strays " + Percent(check.strayPct) +
                 " % from it";
  }
  if (checked) *checked = std::move(check);
  return curve;
}

}  // namespace frixa
