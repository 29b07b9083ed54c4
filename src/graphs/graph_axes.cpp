// Axis ranges and tick labels of the graphs: see graph_axes.h.
#include "graphs/graph_axes.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace frixa {
namespace {

// The 1, 2, 2.5, 5 step nearest above `rough`.
double NiceStep(double rough) {
  const double magnitude = std::pow(10.0, std::floor(std::log10(rough)));
  for (double m : {1.0, 2.0, 2.5, 5.0, 10.0}) {
    if (m * magnitude >= rough * (1 - 1e-9)) return m * magnitude;
  }
  return 10.0 * magnitude;
}

}  // namespace

int AxisScale::Intervals() const { return static_cast<int>(std::lround((max - min) / step)); }

double AxisScale::Tick(int i) const {
  const double v = min + i * step;
  // 0.1 * 3 is 0.30000000000000004: snap to the step's own precision.
  const double unit = step / 1000.0;
  return std::round(v / unit) * unit;
}

AxisScale CoveringScale(double lo, double hi, bool fromZero, int intervals) {
  if (lo > hi) std::swap(lo, hi);
  if (fromZero && lo > 0) lo = 0;
  if (hi == lo) {
    const double pad = lo == 0 ? 1.0 : std::fabs(lo) * 0.1;
    lo = fromZero && lo >= 0 ? lo : lo - pad;
    hi += pad;
  }
  double step = NiceStep((hi - lo) / std::max(1, intervals));
  for (;;) {
    AxisScale s{std::floor(lo / step) * step, std::ceil(hi / step) * step, step};
    // Rounding out may need one more step than asked; a coarser step keeps the tick count.
    if (s.Intervals() <= intervals + 1 || !std::isfinite(step)) return s;
    step = NiceStep(step * 1.01);
  }
}

void ValueRange::Add(double v) {
  if (empty) {
    lo = hi = v;
    empty = false;
    return;
  }
  lo = std::min(lo, v);
  hi = std::max(hi, v);
}

void ValueRange::Add(const ValueRange& other) {
  if (other.empty) return;
  Add(other.lo);
  Add(other.hi);
}

AxisScale RpmScaleCovering(const ValueRange& rpm) {
  return rpm.empty ? CoveringScale(0, 1, false, 5) : CoveringScale(rpm.lo, rpm.hi, false, 6);
}

AxisScale LossScaleCovering(const ValueRange& loss) {
  return loss.empty ? CoveringScale(0, 1, false, 5) : CoveringScale(loss.lo, loss.hi, true, 5);
}

std::string TickLabel(std::string_view format, double value) {
  char digits[32];
  std::snprintf(digits, sizeof digits, "%g", value == 0 ? 0.0 : value);  // no "-0"
  std::string out(format);
  const auto at = out.find("%g");
  if (at == std::string::npos) return out;
  out.replace(at, 2, digits);
  return out;
}

}  // namespace frixa
