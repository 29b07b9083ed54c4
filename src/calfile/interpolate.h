// The straight-line interpolation of the loss curve between two of its points.
#pragma once

#include "common/frontend.h"

namespace frixa {

// Y1 + (X - X1) * (Y2 - Y1) / (X2 - X1). Without `extrapolate`, an X at or beyond either end
// gives that end's Y. A floating-point fault (X1 = X2, overflow, an undefined result) is shown
// in a message box titled "Interpolate:" and the error number, and the result is 0.
double Interpolate(Frontend& ui, double x1, double y1, double x2, double y2, double x,
                   bool& extrapolate);

}  // namespace frixa
