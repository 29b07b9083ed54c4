// The revolution calculator: see revolution_calculator.h.
#include "run/revolution_calculator.h"

#include <algorithm>
#include <cmath>
#include <limits>

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
void RevolutionCalculator::ShiftInBlock(std::array<Slot, kWindowLength + 1>& window,
                                        const double* periods, int count, bool first, float* sums) {
  // history[0..19]: the window's slots 1..20 before the block; history[20 + i]: revolution i's
  // period. After revolution i's shift, slots 1..20 are history[i + 1 .. i + 20].
  std::array<Slot, kWindowLength + kBlock> history{};
  // A period that does not fit a single-precision slot becomes infinite here; its sum is then
  // not finite and Finish fails with 6 at that revolution, as Step does.
  for (int i = 0; i < count; ++i) history[kWindowLength + i] = static_cast<Slot>(periods[i]);
  if (first) std::fill(window.begin() + 1, window.end(), history[kWindowLength]);
  std::copy(window.begin() + 1, window.end(), history.begin());

  // Each sum in slot order, rounded to single precision after each addition; the revolutions
  // of the block side by side.
  std::array<float, kBlock> acc{};
  for (int k = 1; k <= kWindowLength; ++k) {
    for (int i = 0; i < kBlock; ++i) acc[i] = AddToSum(acc[i], history[i + k]);
  }
  std::copy(acc.begin(), acc.begin() + count, sums);
  // Slot 0 keeps the value the last shift moved out of slot 1.
  std::copy(history.begin() + count - 1, history.begin() + count + kWindowLength, window.begin());
}

void RevolutionCalculator::ShiftIn(const double* periods, int count, std::int32_t n, float* sums) {
  for (int done = 0; done < count;) {
    const int part = std::min(count - done, kBlock);
    const bool first = n == 0 && done == 0;
    if (precision_ == WindowPrecision::Single) {
      ShiftInBlock(singleWindow_, periods + done, part, first, sums + done);
    } else {
      ShiftInBlock(doubleWindow_, periods + done, part, first, sums + done);
    }
    done += part;
  }
}

RevolutionResults RevolutionCalculator::Step(double period, std::int32_t n) {
  if (precision_ == WindowPrecision::Single) (void)ToSingle(period);
  float sum = 0.0f;
  ShiftIn(&period, 1, n, &sum);
  return Finish(sum);
}

namespace {
// std::isfinite as a comparison, without a branch, so that the block loops vectorise.
inline bool Finite(double v) { return std::fabs(v) <= std::numeric_limits<double>::max(); }
}  // namespace

int RevolutionCalculator::FinishBlock(const float* sums, int count, RevolutionResults* results) {
  count = std::min(count, kBlock);
  // Index i + 1 is revolution i of the block; index 0 is the revolution before it.
  // Each array is written up to `count` before it is read, so none is zeroed first.
  std::array<float, kBlock + 1> average;
  std::array<float, kBlock + 1> omega;
  std::array<float, kBlock> rpm;
  std::array<float, kBlock> energy;
  std::array<float, kBlock> power;
  std::array<float, kBlock> torque;
  std::array<std::int32_t, kBlock> clean;
  std::array<double, kBlock + 1> omegaSquared;  // of the singles, in double
  average[0] = previousAverage_;
  omega[0] = previousOmega_;
  for (int i = 0; i < count; ++i) average[i + 1] = static_cast<float>(static_cast<double>(sums[i]) / kWindowLength);
  for (int i = 0; i < count; ++i) {
    const double meanOfLastTwo = (static_cast<double>(average[i + 1]) + static_cast<double>(average[i])) / 2.0;
    rpm[i] = static_cast<float>(60.0 * (1.0 / meanOfLastTwo));
    omega[i + 1] = static_cast<float>(static_cast<double>(rpm[i]) / kRpmPerRadianPerSecond);
    omegaSquared[i + 1] = static_cast<double>(omega[i + 1]) * static_cast<double>(omega[i + 1]);
    clean[i] = static_cast<std::int32_t>(Finite(sums[i]) & (average[i + 1] != 0.0f) & (meanOfLastTwo != 0.0) &
                                         Finite(rpm[i]) & (rpm[i] != 0.0f) & Finite(omega[i + 1]));
  }
  omegaSquared[0] = static_cast<double>(previousOmega_) * static_cast<double>(previousOmega_);
  const double inertia = inertia_;
  for (int i = 0; i < count; ++i) {
    energy[i] = static_cast<float>((omegaSquared[i + 1] - omegaSquared[i]) / 2.0 * inertia);
  }
  for (int i = 0; i < count; ++i) {
    power[i] = static_cast<float>(static_cast<double>(energy[i]) / static_cast<double>(average[i + 1]) / 1000.0);
  }
  for (int i = 0; i < count; ++i) {
    torque[i] = static_cast<float>(static_cast<double>(power[i]) * kKilowattRpmPerNewtonMetre / static_cast<double>(rpm[i]));
  }
  for (int i = 0; i < count; ++i) {
    clean[i] = clean[i] & static_cast<std::int32_t>(Finite(energy[i]) & Finite(power[i]) & Finite(torque[i]));
  }
  for (int i = 0; i < count; ++i) {
    RevolutionResults& r = results[i];
    r.average = average[i + 1];
    r.rpm = rpm[i];
    r.omega = omega[i + 1];
    r.energyChange = energy[i];
    r.power = power[i];
    r.torque = torque[i];
  }
  int done = 0;
  while (done < count && clean[done] != 0) ++done;
  if (done > 0) {
    previousAverage_ = average[done];
    previousOmega_ = omega[done];
  }
  return done;
}

RevolutionResults RevolutionCalculator::Finish(float sum) {
  // An overflow on the way stays infinite to the end.
  if (!std::isfinite(sum)) RaiseRuntimeError(errnum::kOverflow);
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
