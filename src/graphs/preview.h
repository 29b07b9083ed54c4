// The start-up preview of the host's last run: the parameters the host handed over, the run's
// loss graphs and its mass RPM range, all in the status log. Runs once, from start-up.
#pragma once

#include "common/app.h"
#include "common/command_outcome.h"

namespace frixa {

// Clears the status log, prepares the graphs, logs the parameters, runs the graph pass and logs
// the mass RPM range and "Preview Completed". A failure of its own steps is reported in a
// message box titled "Frixa Startup" and disables Create; never throws. Returns failed with that
// failure's number, or completed (with the graph pass's failure, when it reported one).
CommandOutcome PreviewRun(App& app);

}  // namespace frixa
