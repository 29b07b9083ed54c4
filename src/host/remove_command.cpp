// The Remove command: see remove_command.h.
#include "host/remove_command.h"

#include <cstdio>

#include "common/error.h"
#include "common/status_log.h"

namespace frixa {

CommandOutcome RemoveCommand(App& app) {
  CommandGuard guard(app);
  if (!guard.Acquired()) return CommandOutcome::Refused(0, false);
  Frontend& ui = app.ui;
  try {
    OpenCommandLog(ui, "Disabling Losses Calibration");
    const auto answer =
        ui.ShowMessage("Are you sure ??", kApplicationTitle, MessageIcon::Question,
                       MessageButtons::YesNo);
    if (answer == MessageAnswer::No) return CommandOutcome::Cancelled();
    // A file that is missing, held open by the host or protected cannot be deleted; the
    // platform refuses and the file, if any, stays as it was.
    if (std::remove(app.ProgramFile(kHostLossFileName).c_str()) != 0) {
      RaiseRuntimeError(errnum::kFileNotFound);
    }
    ui.AppendStatusLine("Torvex Losses : Disabled");
    return CommandOutcome::Completed();
  } catch (...) {
    const int number = CurrentError().number();
    ui.AppendStatusLine("Already inactive....");
    return CommandOutcome::Failed(number, false);
  }
}

}  // namespace frixa
