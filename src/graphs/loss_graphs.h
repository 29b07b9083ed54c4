// Room graphs/: may include common/ up to calfile/ (docs/architecture.md).
// The two loss graphs of the main window (KWGraph: power loss, NMGraph: torque loss, both against
// mass RPM) and the graph pass that fills them from the host's last run and sets MinMassRPM and
// MaxMassRPM. The start-up preview is their only caller.
#pragma once

#include "common/app.h"
#include "common/command_outcome.h"

namespace frixa {

// The graph pass's starting extremes; a run of two records or fewer leaves them as they are.
inline constexpr double kGraphPassStartLowestRpm = 100000.0;
inline constexpr double kGraphPassStartHighestRpm = 0.0;

// Empties both graphs, lets the event loop run once, then sets both up afresh.
void PrepareLossGraphs(App& app);

// Reads the run file, plots |power| and |torque| of every decelerating revolution from the third
// record on at its unrounded RPM (revolutions 2 to 20, before the calculator's window has
// settled, as start points), and on a completed pass stores the lowest and highest rounded-down
// RPM in app.MinMassRPM / app.MaxMassRPM and draws the friction model fitted to the settled
// revolutions over that range, where one can be fitted. Reports its own failures in a message
// box and disables Create; never throws. Returns completed, or failed with the number of the
// failure it reported (1004 for corrupt run data, 6 for a run without data).
CommandOutcome GraphRunData(App& app);

}  // namespace frixa
