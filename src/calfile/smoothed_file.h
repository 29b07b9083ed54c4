// The smoothed calibration: a calibration file whose loss curve is the friction model fitted
// to another file's settled revolutions. RawData and PointData are copied row for row, Losses
// holds the model at every whole RPM of the file's range (the torque and power at the middle of
// each RPM, RPM + 0.5, where the revolutions stored under it lie), and Info is the source's
// but for today's date and the comment "Smoothed from " and the source's title. Written like
// Create's files: under a temporary name, renamed when complete.
#pragma once

#include <string>

#include "calfile/friction_fit.h"
#include "common/error.h"
#include "common/frontend.h"

namespace frixa {

// A source that cannot be smoothed: no model fits its settled rows, the model gives negative
// losses inside the range, or its information record holds no usable RPM range. Error 1001,
// the reason as its description.
struct SmoothingRefused : Error {
  explicit SmoothingRefused(const std::string& reason)
      : Error(errnum::kSmoothingRefused, FrixaErrorDescription(errnum::kSmoothingRefused, reason)) {}
};

inline constexpr const char* kSmoothedCommentPrefix = "Smoothed from ";

struct SmoothedFile {
  FrictionFit fit;  // the model the curve was made from
  bool fromRecordedTimes = false;  // fitted to the source's recorded times, not its RawData
  long lossRows = 0;
};

// Writes `name` (used as given) from `source`: its loss curve the model fitted to the source's
// recorded times where it kept them and that fit is sound, otherwise to its settled RawData.
// Raises SmoothingRefused before anything is written, and frixa::Error for a file that cannot be read or written (nothing is left under
// `name` then, and an older file of the name stays).
SmoothedFile SmoothCalibrationFile(Frontend& ui, const std::string& source,
                                   const std::string& name, const std::string& today);

}  // namespace frixa
