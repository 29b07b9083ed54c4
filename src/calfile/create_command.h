// Create: turns the host's last run into a calibration file. Asks for a name under
// "Custom Cal", writes the calibration template there, binds RD, PD, LD and ID to its four
// tables and runs the physics processor, averaging, the loss curve and the information record.
#pragma once

#include "calfile/data_controls.h"
#include "calfile/processing_phases.h"
#include "common/app.h"

namespace frixa {

inline constexpr const char* kCalibrationExtension = ".Frixa";
// Appended to the chosen name while the file is being built.
inline constexpr const char* kBuildingSuffix = ".tmp";

void CreateCalibrationFile(App& app, DataControls& dc, PhaseMethod method = PhaseMethod::kDirect);

}  // namespace frixa
