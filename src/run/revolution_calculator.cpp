// The revolution calculator: see revolution_calculator.h.
#include "run/revolution_calculator.h"

#include <algorithm>
#include <cmath>

#include "common/error.h"

namespace frixa {
namespace {

// Stores a double-precision value in a single-precision variable, failing as the runtime does
// when it does not fit (or is not a number at all).
float ToSingle(double value) {
  const float stored = static_cast<float>(value);
  if (!std::isfinite(stored)) RaiseRuntimeError(errnum::kOverflow);
  return stored;
}

// Division with the runtime's failures: 0 / 0 overflows (6), x / 0 is a division by zero (11).
double Divide(double numerator, double denominator) {
  if (denominator == 0.0) {
    RaiseRuntimeError(numerator == 0.0 ? errnum::kOverflow : errnum::kDivisionByZero);
  }
  return numerator / denominator;
}

// One addition to the single-precision window sum.
inline float AddToSum(float sum, float slot) {
  return sum + slot;  // exact float addition: the same as adding in double and rounding
}
inline float AddToSum(float sum, double slot) {
  return static_cast<float>(static_cast<double>(sum) + slot);
}

}  // namespace

void RevolutionCalculator::Reset(WindowPrecision precision) {
  precision_ = precision;
  singleWindow_.fill(0.0f);
  doubleWindow_.fill(0.0);
  previousAverage_ = 0.0f;
  previousOmega_ = 0.0f;
}

template <typename Slot>
float RevolutionCalculator::ShiftInAndSum(std::array<Slot, kWindowLength + 1>& window,
                                          double period, bool first) {
  Slot slot;
  if constexpr (sizeof(Slot) == sizeof(float)) {
    slot = ToSingle(period);
  } else {
    slot = period;
  }
  if (first) std::fill(window.begin() + 1, window.end(), slot);
  std::copy(window.begin() + 1, window.end(), window.begin());
  window[kWindowLength] = slot;

  float sum = 0.0f;
  for (int k = 1; k <= kWindowLength; ++k) sum = AddToSum(sum, window[k]);
  // An overflow on the way stays infinite to the end.
  if (!std::isfinite(sum)) RaiseRuntimeError(errnum::kOverflow);
  return sum;
}

RevolutionResults RevolutionCalculator::Step(double period, std::int32_t n) {
  const bool first = n == 0;
  const float sum = precision_ == WindowPrecision::Single
                        ? ShiftInAndSum(singleWindow_, period, first)
                        : ShiftInAndSum(doubleWindow_, period, first);

  RevolutionResults r;
  r.average = ToSingle(static_cast<double>(sum) / kWindowLength);
  if (r.average != 0.0f) {
    const double meanOfLastTwo =
        (static_cast<double>(r.average) + static_cast<double>(previousAverage_)) / 2.0;
    r.rpm = ToSingle(60.0 * Divide(1.0, meanOfLastTwo));
    r.omega = ToSingle(static_cast<double>(r.rpm) / kRpmPerRadianPerSecond);
  }
  const double omega = r.omega;
  const double previousOmega = previousOmega_;
  r.energyChange =
      ToSingle((omega * omega - previousOmega * previousOmega) / 2.0 * static_cast<double>(inertia_));
  r.power = ToSingle(Divide(r.energyChange, r.average) / 1000.0);
  r.torque = ToSingle(Divide(static_cast<double>(r.power) * kKilowattRpmPerNewtonMetre, r.rpm));

  previousOmega_ = r.omega;
  previousAverage_ = r.average;
  return r;
}

}  // namespace frixa
