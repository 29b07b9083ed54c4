// The friction model of a losses rundown: a least-squares fit of T(w) = A + B w + C w^2
// (torque loss in N m, w in rad/s) to the torque losses of the settled revolutions, with power
// from the same model as P = T w / 1000 (kW).
//
// The fit is made in double precision by Givens rotations (an orthogonal QR factorisation built
// one row at a time) on the scaled columns 1, u, u^2 with u = w / w0, so that it never forms
// the ill-conditioned normal equations and needs no memory per sample: the graph pass feeds it
// revolution by revolution, the calibration tools row by row.
//
// A fit is flagged
//   not physical: C < 0 (a friction that falls off at speed), or a negative torque anywhere
//                 inside the fitted RPM range;
//   poor:         R^2 below kPoorFitR2, i.e. the model explains less than that share of the
//                 scatter of the revolutions' torques.
#pragma once

#include <string>
#include <vector>

#include "common/frontend.h"

namespace frixa {

// R^2 below which a fit is poor: the model explains less than half of the scatter of the
// revolutions' torques. Timing jitter scatters single revolutions widely on a light, fast rig
// (a 2.6 kg m^2 rig from 9,000 RPM with 1 us of jitter gives R^2 near 0.78 while its fitted
// curve is within 0.03 % of the true friction), so only a much lower R^2 points at a run that
// something other than friction disturbed.
inline constexpr double kPoorFitR2 = 0.5;

// rad/s of an RPM: rpm * 2 pi / 60.
double OmegaOfRpm(double rpm);

struct FrictionFit {
  bool fitted = false;   // false: `problem` says why no model could be fitted
  std::string problem;

  double a = 0;  // N m
  double b = 0;  // N m per rad/s
  double c = 0;  // N m per (rad/s)^2
  double r2 = 0;
  double rms = 0;  // residual RMS, N m
  long rows = 0;   // samples used
  double rpmLow = 0;
  double rpmHigh = 0;
  bool notPhysical = false;
  bool poor = false;

  double TorqueAt(double rpm) const;  // N m
  double PowerAt(double rpm) const;   // kW
  // `points` evenly spaced points of the fitted torque (N m) or power (kW) over [low, high].
  std::vector<GraphPoint> Line(double low, double high, int points, bool power) const;
};

// Accumulates samples (RPM, torque loss) one at a time and fits the model to them. Samples in
// a row at one RPM (a rundown gives hundreds at each RPM it passes) are gathered first and
// enter the least-squares fit as their mean with their count as weight, which gives the same
// fit as the samples one by one at a fraction of the cost.
class FrictionFitter {
 public:
  // Samples in a row at one RPM, as sums of their differences from the first of them.
  struct Group {
    double rpm = 0;
    double first = 0;
    double sum = 0;
    double squares = 0;
    long count = 0;
    // Takes the sample when the group is empty or the sample lies at its RPM; false (and the
    // group unchanged) otherwise.
    bool Take(double rpm, double torque);
  };

  // `omegaScale` (rad/s) scales the columns; 0 takes the first sample's speed.
  explicit FrictionFitter(double omegaScale = 0) : scale_(omegaScale) {}

  void Add(double rpm, double torque);
  // A group gathered beforehand by Group::Take: the same as adding its samples one by one,
  // given that it lies at another RPM than the samples added just before it.
  void Add(const Group& group);
  long Rows() const { return rows_ + group_.count; }
  FrictionFit Fit() const;

 private:
  void AddGroup(const Group& g);

  double scale_;
  Group group_;
  double r_[3][3] = {};  // upper triangle of R
  double z_[3] = {};     // Q^T y
  double rss_ = 0;       // residual sum of squares
  long rows_ = 0;        // samples of the groups added
  double mean_ = 0;  // mean and sum of squared deviations of the added groups' torques
  double m2_ = 0;
  double low_ = 0;
  double high_ = 0;
  double distinct_[3] = {};  // the first three different RPMs seen
  int distinctCount_ = 0;
};

}  // namespace frixa
