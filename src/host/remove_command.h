// Remove: switches the host's loss compensation off by deleting the host loss file after a
// confirmation. Outcomes go to the status log; it never shows an error box. While another
// command runs it does nothing.
#pragma once

#include "common/app.h"
#include "common/command_outcome.h"

namespace frixa {

// Completed, cancelled by the answer No, refused while another command runs, or failed (the
// file could not be deleted: its error number, told to the user only as "Already inactive....").
CommandOutcome RemoveCommand(App& app);

}  // namespace frixa
