// The system's own double-click settings behind the portable DoubleClickSettings.
#pragma once

#include "app/double_click.h"

namespace frixa {

// GetSystemMetrics / GetDoubleClickTime and SystemParametersInfoA.
DoubleClickSettings& WindowsDoubleClickSettings();

}  // namespace frixa
