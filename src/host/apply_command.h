// Room host/: may include common/ up to graphs/ (docs/architecture.md).
// Apply: copies the loss curve of a chosen calibration file into the host loss file
// Torvex2.005, whose presence makes the host compensate its measurements.
//
// The host is never left with an incomplete curve: the chosen file is opened and its Losses
// table read before anything else happens, the new host loss file is built beside the old one
// under a temporary name, and only when it is complete and on the disk does it replace the old
// one, in one step. Torvex2.005 is therefore at every moment either the old complete file or
// the new complete one.
#pragma once

#include <functional>
#include <string>

#include "common/app.h"
#include "common/command_outcome.h"
#include "recordset/data_controls.h"

namespace frixa {

// The temporary name the new host loss file is built under, in the program folder.
inline constexpr const char* kHostLossBuildName = "Torvex2.005.new";

// Which curve Apply hands the host: the chosen file's stored loss curve (Losses), or the
// friction model fitted to its revolutions over its range, rows as the smoothed calibration
// writes them (FittedLossCurve). The fitted choice is refused before anything is written when
// the file's fit is not sound: error 1001, its message naming the reason.
enum class ApplyCurve { Stored, Fitted };

// Completed, cancelled when no file was chosen, refused while another command runs, failed with
// the number of the error it reported.
CommandOutcome ApplyCommand(App& app, DataControls& dc, ApplyCurve curve = ApplyCurve::Stored);

// The same, the curve chosen once the file is: `choose` is given the chosen calibration file
// (after its name is logged, before anything is read or written) and may ask the user.
using ApplyCurveChoice = std::function<ApplyCurve(Frontend& ui, const std::string& chosen)>;
CommandOutcome ApplyCommand(App& app, DataControls& dc, const ApplyCurveChoice& choose);

}  // namespace frixa
