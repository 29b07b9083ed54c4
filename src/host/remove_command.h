// Remove: switches the host's loss compensation off by deleting the host loss file after a
// confirmation. Outcomes go to the status log; it never shows an error box. While another
// command runs it does nothing.
#pragma once

#include "common/app.h"

namespace frixa {

void RemoveCommand(App& app);

}  // namespace frixa
