// The combined calibration: one calibration file from several rundowns of one rig (the same
// inertia and ratio in every information record). RawData holds every file's rows in order,
// file after file; PointData the per-RPM means over all of them; Losses the loss curve from
// the points that settled revolutions reached, where each file's first revolutions only prime
// the calculator as in its own rundown; Info the rig's inertia and ratio, the lowest and the
// highest RPM of all the files, today's date, the program's version and the comment
// "Combined: " and the files' titles. Written like Create's files: under a temporary name,
// renamed when complete.
#pragma once

#include <string>
#include <vector>

#include "common/error.h"
#include "common/frontend.h"

namespace frixa {

// Files that cannot be combined: fewer than two, of different rigs, or without a usable RPM
// range. Error 1002; the description names the files concerned.
struct CombiningRefused : Error {
  explicit CombiningRefused(const std::string& reason)
      : Error(errnum::kCombiningRefused, FrixaErrorDescription(errnum::kCombiningRefused, reason)) {}
};

inline constexpr const char* kCombinedCommentPrefix = "Combined: ";

struct CombinedFile {
  long rawRows = 0;
  long points = 0;
  long lossRows = 0;
  float rpmLow = 0;
  float rpmHigh = 0;
  std::vector<long> rundownStarts;  // the RawData row at which each file's rows begin
};

// Writes `name` (used as given) from `files`. Raises CombiningRefused before anything is
// written, and frixa::Error for a file that cannot be read (its path leads the description) or
// written; nothing is left under `name` then, and an older file of the name stays. `ui` sees
// the averaging and loss curve phases' status lines.
CombinedFile CombineCalibrationFiles(Frontend& ui, const std::vector<std::string>& files,
                                     const std::string& name, const std::string& today);

}  // namespace frixa
