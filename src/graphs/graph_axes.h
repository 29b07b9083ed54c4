// The arithmetic of the graphs' axes: ranges that cover every plotted point on round tick
// steps, and tick labels in the graphs' printf-style formats ("%gkW"). Pure functions; the plot
// layout (graphs/plot.h) draws with them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/frontend.h"

namespace frixa {

// What a loss graph shows besides its points.
struct GraphTexts {
  const char* title;
  const char* lossFormat;  // tick labels of the vertical (loss) axis
  const char* rpmFormat;   // tick labels of the horizontal (RPM) axis
  const char* lossTitle;   // the loss axis's name, UTF-8
  const char* rpmTitle;    // the RPM axis's name
};
inline constexpr GraphTexts kPowerGraphTexts{"Rundown Power Losses", "%gkW", "%g", "kW", "RPM"};
inline constexpr GraphTexts kTorqueGraphTexts{"Rundown Torque Losses", "%gNM", "%g",
                                              "N\u00B7m", "RPM"};

// The smallest and largest of some values; empty until one is added.
struct ValueRange {
  double lo = 0.0;
  double hi = 0.0;
  bool empty = true;
  void Add(double v);
  void Add(const ValueRange& other);
};

// An axis from `min` to `max` in whole `step`s (min and max are multiples of step).
struct AxisScale {
  double min = 0.0;
  double max = 1.0;
  double step = 0.2;
  int Intervals() const;
  double Tick(int i) const;  // min + i * step, with the rounding noise taken out
};

// The smallest axis on a 1, 2, 2.5 or 5 step that holds [lo, hi] with about `intervals` steps. A single
// value gets an axis around it; `fromZero` starts the axis at 0 when all values are positive.
AxisScale CoveringScale(double lo, double hi, bool fromZero, int intervals);

// The axes for a graph's values: RPM across (6 steps), losses up from 0 (5 steps). Without
// values: 0 to 1.
AxisScale RpmScaleCovering(const ValueRange& rpm);
AxisScale LossScaleCovering(const ValueRange& loss);

// A tick label: the format with its "%g" replaced by the value as C's %g writes it.
std::string TickLabel(std::string_view format, double value);

}  // namespace frixa
