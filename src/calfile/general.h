// Small shared operations of the commands: the file title of a path and the straight-line
// interpolation of the loss curve.
#pragma once

#include <string>
#include <string_view>

#include "common/frontend.h"

namespace frixa {

// The file title of a path without its extension: the text after the last folder separator,
// cut before its first full stop ("C:\Cal\a.b.Frixa" -> "a"). Only the platform's separator
// counts (the backslash on Windows).
std::string StripPathAndExtension(std::string_view path);

// The name a dialog returned, with ".Frixa" appended unless it already ends in exactly that
// (letter case counts: "Rig.FRIXA" becomes "Rig.FRIXA.Frixa").
std::string WithCalibrationExtension(std::string name);

// Y1 + (X - X1) * (Y2 - Y1) / (X2 - X1). Without `extrapolate`, an X at or beyond either end
// gives that end's Y. A floating-point fault (X1 = X2, overflow, an undefined result) is shown
// in a message box titled "Interpolate:" and the error number, and the result is 0.
double Interpolate(Frontend& ui, double x1, double y1, double x2, double y2, double x,
                   bool& extrapolate);

}  // namespace frixa
