// The status log as the commands write it: a command opens it afresh under its heading and a
// rule of 44 hyphens; each processing step within a command reports under its own heading and
// a rule of 45 hyphens.
#pragma once

#include <string_view>

#include "common/frontend.h"

namespace frixa {

inline constexpr std::string_view kCommandRule = "--------------------------------------------";
inline constexpr std::string_view kStepRule = "---------------------------------------------";
static_assert(kCommandRule.size() == 44 && kStepRule.size() == 45);

// Clears the status log, then the command's heading and its rule.
inline void OpenCommandLog(Frontend& ui, std::string_view heading) {
  ui.ClearStatus();
  ui.AppendStatusLine(heading);
  ui.AppendStatusLine(kCommandRule);
}

// A processing step's heading and its rule.
inline void AppendStepHeading(Frontend& ui, std::string_view heading) {
  ui.AppendStatusLine(heading);
  ui.AppendStatusLine(kStepRule);
}

}  // namespace frixa
