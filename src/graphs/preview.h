// The start-up preview of the host's last run: the parameters the host handed over, the run's
// loss graphs and its mass RPM range, all in the status log. Runs once, from start-up.
#pragma once

#include "common/app.h"

namespace frixa {

// Clears the status log, prepares the graphs, logs the parameters, runs the graph pass and logs
// the mass RPM range and "Preview Completed". A failure of its own steps is reported in a
// message box titled "Frixa Startup" and disables Create; never throws.
void PreviewRun(App& app);

}  // namespace frixa
