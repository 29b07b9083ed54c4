// The loss curve's interpolation: see interpolate.h.
#include "calfile/interpolate.h"

#include <cmath>
#include <string>

#include "common/error.h"

namespace frixa {

double Interpolate(Frontend& ui, double x1, double y1, double x2, double y2, double x,
                   bool& extrapolate) {
  if (!extrapolate) {
    const bool firstIsLower = x1 <= x2;
    const double lowX = firstIsLower ? x1 : x2;
    const double lowY = firstIsLower ? y1 : y2;
    const double highX = firstIsLower ? x2 : x1;
    const double highY = firstIsLower ? y2 : y1;
    if (x <= lowX) return lowY;
    if (x >= highX) return highY;
  }
  const double numerator = (x - x1) * (y2 - y1);
  const double span = x2 - x1;
  int fault = 0;
  double result = 0.0;
  if (span == 0.0) {
    // 0/0 is the runtime's overflow; anything else over 0 its division by zero.
    fault = numerator == 0.0 || std::isnan(numerator) ? errnum::kOverflow : errnum::kDivisionByZero;
  } else {
    result = y1 + numerator / span;
    if (!std::isfinite(result)) fault = errnum::kOverflow;
  }
  if (fault != 0) {
    ui.ShowMessage(RuntimeErrorDescription(fault), "Interpolate:" + std::to_string(fault),
                   MessageIcon::Exclamation, MessageButtons::Ok);
    return 0.0;
  }
  return result;
}

}  // namespace frixa
