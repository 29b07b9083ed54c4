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

int RevolutionCalculator::FinishBlock(const float* sums, int count, RevolutionResults* results) {
  count = std::min(count, kBlock);
  std::array<float, kBlock> average{};
  std::array<float, kBlock> omega{};
  std::array<std::uint8_t, kBlock> clean{};
  for (int i = 0; i < count; ++i) average[i] = static_cast<float>(static_cast<double>(sums[i]) / kWindowLength);
  for (int i = 0; i < count; ++i) {
    const double previous = i == 0 ? previousAverage_ : average[i - 1];
    const double meanOfLastTwo = (static_cast<double>(average[i]) + previous) / 2.0;
    const auto rpm = static_cast<float>(60.0 * (1.0 / meanOfLastTwo));
    omega[i] = static_cast<float>(static_cast<double>(rpm) / kRpmPerRadianPerSecond);
    results[i].average = average[i];
    results[i].rpm = rpm;
    results[i].omega = omega[i];
    clean[i] = std::isfinite(sums[i]) && average[i] != 0.0f && meanOfLastTwo != 0.0 && std::isfinite(rpm) &&
               rpm != 0.0f && std::isfinite(omega[i]);
  }
  for (int i = 0; i < count; ++i) {
    const double o = omega[i];
    const double previous = i == 0 ? previousOmega_ : omega[i - 1];
    RevolutionResults& r = results[i];
    r.energyChange = static_cast<float>((o * o - previous * previous) / 2.0 * static_cast<double>(inertia_));
    r.power = static_cast<float>(static_cast<double>(r.energyChange) / static_cast<double>(r.average) / 1000.0);
    r.torque = static_cast<float>(static_cast<double>(r.power) * kKilowattRpmPerNewtonMetre / static_cast<double>(r.rpm));
    clean[i] = clean[i] && std::isfinite(r.energyChange) && std::isfinite(r.power) && std::isfinite(r.torque);
  }
  int done = 0;
  while (done < count && clean[done] != 0) ++done;
  if (done > 0) {
    previousAverage_ = average[done - 1];
    previousOmega_ = omega[done - 1];
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
