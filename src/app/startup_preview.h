// The last decision of start-up: preview the host's last run when the host passed real
// parameters, otherwise leave the main window empty with Create disabled.
#pragma once

#include <optional>

#include "common/app.h"
#include "common/command_outcome.h"

namespace frixa {

inline constexpr const char* kRundownAssumptionText =
    "IMPORTANT - Displayed Graphs assume that the last run was a losses rundown";
inline constexpr const char* kRundownAssumptionTitle = "FRIXA Information";

// Precondition: InertiaFactor and SensorMassRatio hold the command-line values. If either is
// non-zero (negative counts too): the information box, then PreviewRun. Otherwise Create is
// disabled and the status log is left untouched. Returns how the preview ended, nothing when it
// did not run.
std::optional<CommandOutcome> RunStartupPreview(App& app);

}  // namespace frixa
