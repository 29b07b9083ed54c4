// The friction model fitted to the times of a rundown's revolutions rather than to per-revolution
// losses. A revolution's loss comes from the difference of two consecutive periods, so a timing
// error in one pulse enters two periods with opposite signs and is amplified by the ratio of a
// period to its change per revolution (10^3 to 10^5 on a slow drum). The time at which revolution
// k ends (the running sum of the periods) carries each pulse's error once and never accumulates
// it: fitting the integrated motion to those times is the coast-down tester's remedy.
//
// The model: the mass (inertia I) coasts under the friction torque T(w) = A + B w + C w^2, so
// I dw/dt = -T(w), and each revolution of the mass turns it through 2 pi. Integrated in the angle,
//   dw/dtheta = -T(w) / (I w),   dt/dtheta = 1 / w,
// it gives the time of every revolution's end from A, B, C, the start speed w0 and the time t0 of
// the first pulse. A, B, C are shared by all rundowns of a fit (one rig); each rundown has its
// own w0 and t0. They are found by Levenberg-Marquardt least squares on the times with a Huber
// loss (a time off the trajectory by more than 1.345 robust deviations counts linearly, so a left-
// over fault cannot pull the fit), started from a fit of the torques of blocks of revolutions.
// A coarse timer's stamps, whose errors spread evenly over one step and no further, are then
// fitted by ever higher powers of the residual, which the stamps at the spread's edges pin far
// closer than least squares.
//
// The fit is judged by the 95 % confidence band of its torque (and power: the same in %) over the
// range, from the parameters' covariance, and by the time residual against the timer's
// resolution, not by the R^2 of per-revolution torques, which timing noise makes meaningless.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace frixa {

struct TimeFit {
  bool fitted = false;  // false: `problem` says why no model could be fitted
  std::string problem;

  double a = 0;  // N m
  double b = 0;  // N m per rad/s
  double c = 0;  // N m per (rad/s)^2
  std::vector<double> startOmega;  // rad/s, per rundown
  std::vector<double> startTime;   // s, per rundown: the first pulse's time on the model
  double omegaLow = 0;   // rad/s: the range the rundowns cover, on the model
  double omegaHigh = 0;
  double timeRmsUs = 0;  // RMS of the time residuals, microseconds
  double bandPct = 0;    // widest 95 % half-band of the torque over the range, % of the torque
  long revolutions = 0;  // revolution times fitted, all rundowns together
  int iterations = 0;
  double covariance[3][3] = {};  // of A, B, C

  double TorqueAt(double omega) const { return a + omega * (b + omega * c); }  // N m
  // The 95 % half-band of the torque at `omega`, % of the torque there.
  double BandPctAt(double omega) const;
};

// Fits one model to the rundowns of one rig: each rundown the periods of its revolutions in
// order, in seconds (the sensor's counts times the sensor-to-mass ratio, as the run pass reads
// them), `inertia` in kg m^2. A rundown needs at least 8 revolutions. `doubtful`, when given,
// holds for each rundown the revolutions (1 its first, ascending) whose end the record repair
// could not take for the timer's own stamp (RecordRepair::doubtful): their times are not fitted.
TimeFit FitRevolutionTimes(std::span<const std::vector<double>> rundowns, double inertia,
                           std::span<const std::vector<std::int64_t>> doubtful = {});

}  // namespace frixa
