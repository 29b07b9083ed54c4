// The friction fit: see friction_fitter.h.
#include "run/friction_fitter.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace frixa {

double OmegaOfRpm(double rpm) { return rpm * (2.0 * std::numbers::pi / 60.0); }

double FrictionFit::TorqueAt(double rpm) const {
  const double w = OmegaOfRpm(rpm);
  return a + w * (b + w * c);
}

double FrictionFit::PowerAt(double rpm) const { return TorqueAt(rpm) * OmegaOfRpm(rpm) / 1000.0; }

std::vector<GraphPoint> FrictionFit::Line(double low, double high, int points, bool power) const {
  std::vector<GraphPoint> line;
  if (points < 2) return line;
  line.reserve(static_cast<std::size_t>(points));
  for (int i = 0; i < points; ++i) {
    const double x = i + 1 == points ? high : low + (high - low) * i / (points - 1);
    line.push_back({x, power ? PowerAt(x) : TorqueAt(x)});
  }
  return line;
}

bool FrictionFitter::Group::Take(double sampleRpm, double torque) {
  if (count > 0 && sampleRpm == rpm) {
    const double d = torque - first;
    sum += d;
    squares += d * d;
    ++count;
    return true;
  }
  if (count > 0) return false;
  *this = Group{sampleRpm, torque, 0, 0, 1};
  return true;
}

void FrictionFitter::Add(double rpm, double torque) {
  if (group_.Take(rpm, torque)) return;
  AddGroup(group_);
  group_ = Group{};
  group_.Take(rpm, torque);
}

void FrictionFitter::Add(const Group& group) {
  if (group_.count > 0) AddGroup(group_);
  group_ = group;
}

void FrictionFitter::AddGroup(const Group& g) {
  const double w = OmegaOfRpm(g.rpm);
  if (scale_ == 0) scale_ = w != 0 ? std::fabs(w) : 1.0;
  const double u = w / scale_;

  if (rows_ == 0) {
    low_ = high_ = g.rpm;
  } else {
    low_ = std::min(low_, g.rpm);
    high_ = std::max(high_, g.rpm);
  }
  if (distinctCount_ < 3 &&
      std::find(distinct_, distinct_ + distinctCount_, g.rpm) == distinct_ + distinctCount_) {
    distinct_[distinctCount_++] = g.rpm;
  }
  const double n = static_cast<double>(g.count);
  const double groupMean = g.first + g.sum / n;
  const double within = std::max(0.0, g.squares - g.sum * g.sum / n);
  // The group joins the running mean and spread of all torques (pairwise update).
  const double total = static_cast<double>(rows_) + n;
  const double delta = groupMean - mean_;
  mean_ += delta * n / total;
  m2_ += within + delta * delta * static_cast<double>(rows_) * n / total;
  rows_ += g.count;
  // What the group's samples leave about their own mean no model can fit.
  rss_ += within;

  // Rotate the weighted row sqrt(n) [1, u, u^2 | mean] into R and Q^T y; what is left of y is
  // its residual.
  const double weight = std::sqrt(n);
  double x[3] = {weight, weight * u, weight * u * u};
  double y = weight * groupMean;
  for (int i = 0; i < 3; ++i) {
    if (x[i] == 0) continue;
    if (r_[i][i] == 0) {
      for (int j = i; j < 3; ++j) r_[i][j] = x[j];
      z_[i] = y;
      return;
    }
    const double rho = std::hypot(r_[i][i], x[i]);
    const double cs = r_[i][i] / rho;
    const double sn = x[i] / rho;
    r_[i][i] = rho;
    for (int j = i + 1; j < 3; ++j) {
      const double rij = r_[i][j];
      r_[i][j] = cs * rij + sn * x[j];
      x[j] = cs * x[j] - sn * rij;
    }
    const double zi = z_[i];
    z_[i] = cs * zi + sn * y;
    y = cs * y - sn * zi;
  }
  rss_ += y * y;
}

FrictionFit FrictionFitter::Fit() const {
  if (group_.count > 0) {
    FrictionFitter all = *this;
    all.AddGroup(all.group_);
    all.group_ = Group{};
    return all.Fit();
  }
  FrictionFit fit;
  fit.rows = rows_;
  fit.rpmLow = low_;
  fit.rpmHigh = high_;
  if (rows_ < 3) {
    fit.problem = "fewer than three settled revolutions (" + std::to_string(rows_) +
                  "): no friction model can be fitted";
    return fit;
  }
  if (distinctCount_ < 3) {
    fit.problem = "the settled revolutions lie at fewer than three different RPMs: no friction "
                  "model can be fitted";
    return fit;
  }
  double coef[3] = {};
  for (int i = 2; i >= 0; --i) {
    double s = z_[i];
    for (int j = i + 1; j < 3; ++j) s -= r_[i][j] * coef[j];
    if (r_[i][i] == 0 || !std::isfinite(s / r_[i][i])) {
      fit.problem = "the settled revolutions do not determine a friction model";
      return fit;
    }
    coef[i] = s / r_[i][i];
  }
  fit.a = coef[0];
  fit.b = coef[1] / scale_;
  fit.c = coef[2] / (scale_ * scale_);
  fit.rms = std::sqrt(rss_ / static_cast<double>(rows_));
  fit.r2 = m2_ > 0 ? 1.0 - rss_ / m2_ : (rss_ == 0 ? 1.0 : 0.0);
  if (!std::isfinite(fit.a) || !std::isfinite(fit.b) || !std::isfinite(fit.c)) {
    fit.problem = "the settled revolutions do not determine a friction model";
    return fit;
  }
  fit.fitted = true;

  // Lowest torque inside the range: at an end, or at the vertex when it lies inside.
  double lowest = std::min(fit.TorqueAt(low_), fit.TorqueAt(high_));
  if (fit.c != 0) {
    const double vertexRpm = -fit.b / (2.0 * fit.c) / OmegaOfRpm(1.0);
    if (vertexRpm > low_ && vertexRpm < high_) lowest = std::min(lowest, fit.TorqueAt(vertexRpm));
  }
  fit.notPhysical = fit.c < 0 || lowest < 0;
  fit.poor = fit.r2 < kPoorFitR2;
  return fit;
}

}  // namespace frixa
