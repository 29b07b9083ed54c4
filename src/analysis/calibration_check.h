// The calibration check the main window shows beside the compensation status: a calibration
// file's verdict in a few words, and whether Apply offers the fitted curve for it; and Apply's
// question that offers it.
#pragma once

#include <string>
#include <vector>

#include "calfile/friction_fit.h"
#include "calfile/recorded_fit.h"
#include "common/frontend.h"
#include "host/apply_command.h"

namespace frixa {

struct CalibrationCheck {
  bool recorded = false;      // judged by the fit of the file's recorded times
  bool sound = false;         // the fit can be trusted (recorded: sound; older: physical, not poor)
  bool offersFitted = false;  // Apply offers the fitted curve
  double strayPct = 0;        // the stored curve's largest deviation from the fitted friction
  double bandPct = 0;         // recorded: the fit's 95 % band of the torque
  std::string text;           // the few words the user reads
  // The verdict in a word or two, for a list: "SOUND", "SOUND, STRAYS", "UNSOUND" by the
  // recorded times; "GOOD", "NOISY", "POOR", "NOT PHYSICAL", "NO FIT" by today's fit.
  std::string verdict;
  FrictionFit model;  // the fitted friction judged by; `fitted` false for none
};

// The check of a file from the fit of its recorded times (`recorded.recorded` true) or, for an
// older file, from the fit of its settled revolutions (`older`), and its stored `curve`.
// A recorded fit that is sound offers the fitted curve when the stored curve strays beyond the
// fit's band; an older file's fit, physical and not poor, when the stored curve strays more than
// the noisy limit (kNoisyCurvePercent).
CalibrationCheck CheckCalibration(const RecordedFit& recorded, const FrictionFit& older,
                                  const std::vector<LossCurveRow>& curve);

// The same for the calibration file `path`, read from the disk. Raises nothing: a file that
// cannot be read (or fitted) gets a text that says so and offers nothing.
CalibrationCheck CheckCalibrationFile(const std::string& path);

// Apply's fitted choice as the program offers it, for the calibration file `chosen`: when its
// check offers the fitted curve, a question (Yes the fitted curve, No the stored one, as plain
// Apply hands it); otherwise the stored curve and no question. `checked`, when given, receives
// the check, its text saying so when the fitted curve was taken.
ApplyCurve OfferFittedCurve(Frontend& ui, const std::string& chosen,
                            CalibrationCheck* checked = nullptr);

}  // namespace frixa
