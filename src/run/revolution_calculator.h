// RevolutionCalculator: the per-revolution physics of a losses rundown. From the period of each
// revolution of the coasting mass it derives the RPM and the power and torque that the rig's own
// losses absorb, from the kinetic energy the mass loses between two revolutions. Every run pass
// (the graph pass of the preview, the physics processor of Create) feeds each record through it.
//
// The numbers must come out exactly as the host-side tools expect, so every rounding point is
// deliberate: quantities are computed in double precision and rounded to single precision where
// they are stored, the window sum is rounded after each addition, and the two conversion
// constants are the historical 9.549 and 9549.305 rather than 60/2pi and 60000/2pi.
#pragma once

#include <array>
#include <cstdint>

namespace frixa {

// How the period window holds its slots: the graph pass keeps them in single precision, the
// physics processor in double precision. The sum is single precision either way.
enum class WindowPrecision { Single, Double };

// The results of one revolution, all single precision.
struct RevolutionResults {
  float average = 0.0f;       // s, mean of the last 20 periods
  float rpm = 0.0f;           // rev/min, over the last two averages
  float omega = 0.0f;         // rad/s, rpm / 9.549
  float energyChange = 0.0f;  // J, since the previous revolution
  float power = 0.0f;         // kW, negative while the mass slows down
  float torque = 0.0f;        // N m, negative while the mass slows down
};

// The first revolution (0-based record index) whose average, and the previous one and the one
// before it, hold real periods only: until then the window still holds copies of the first
// period, and the losses of revolutions 2 to 20 ramp up from nothing.
inline constexpr std::int32_t kFirstSettledRevolution = 21;

inline constexpr double kRpmPerRadianPerSecond = 9.549;
inline constexpr double kKilowattRpmPerNewtonMetre = 9549.305;

class RevolutionCalculator {
 public:
  // Periods averaged per revolution.
  static constexpr int kWindowLength = 20;

  explicit RevolutionCalculator(float inertiaFactor) : inertia_(inertiaFactor) {}

  // Clears the window, the previous average and the previous omega.
  void Reset(WindowPrecision precision);

  // One revolution: `period` in seconds, `n` the 0-based index of its record in the run file.
  // Raises Error 11 when the average is 0 and the energy change is not, Error 6 when both are 0
  // (0 / 0) and Error 6 for any overflow or invalid result.
  RevolutionResults Step(double period, std::int32_t n);

  // Step split in two for a run pass that works through its records in blocks: ShiftIn feeds
  // the periods of `count` consecutive revolutions (best kBlock), the first of them revolution `n`,
  // into the window and gives each one's window sum, the 20 additions of every sum in the
  // same order and with the same rounding as Step. The sums of a block are independent of
  // each other, so they are computed side by side, where the compiler can vectorise them.
  // Finish then completes each revolution in turn from its sum, raising Step's errors.
  static constexpr int kBlock = 64;
  void ShiftIn(const double* periods, int count, std::int32_t n, float* sums);
  RevolutionResults Finish(float sum);
  // Finish for up to kBlock revolutions at once, the same operations in the same order, each
  // revolution's divisions independent of the next one's so that they overlap. Returns how many
  // revolutions from the first on came out clean into `results`; the calculator then stands
  // after the last of them. A revolution that would fail (and every one after it) is left for
  // Finish, which raises its error in its turn.
  int FinishBlock(const float* sums, int count, RevolutionResults* results);

 private:
  template <typename Slot>
  void ShiftInBlock(std::array<Slot, kWindowLength + 1>& window, const double* periods, int count,
                    bool first, float* sums);

  float inertia_;
  WindowPrecision precision_ = WindowPrecision::Single;
  // Slots 1..20 hold the last 20 periods, slot 20 the newest; slot 0 only receives the value
  // shifted out of slot 1. Only the array of the chosen precision is used.
  std::array<float, kWindowLength + 1> singleWindow_{};
  std::array<double, kWindowLength + 1> doubleWindow_{};
  float previousAverage_ = 0.0f;
  float previousOmega_ = 0.0f;
};

}  // namespace frixa
