// The friction model fitted to the revolution times: see time_fit.h.
#include "run/time_fit.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace frixa {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr int kShared = 3;              // A, B, C
constexpr int kPerRundown = 2;          // w0, t0
constexpr double kHuberK = 1.345;       // robust deviations within which a residual counts fully
constexpr double kBandZ = 1.959964;     // 95 % two-sided
constexpr int kMaxIterations = 100;
constexpr std::size_t kMinRevolutions = 8;
// Bounded timing errors (a coarse timer's rounding): the residuals' kurtosis below which they
// are taken as such (an even spread has 1.8, a normal one 3) when they do not follow each other
// either (lag-one correlation below 0.5: a timer rounds each stamp on its own, while a sensor's
// jitter in every count adds up along the stamps to a wandering residual of any spread), the
// powers of |e| the fit then minimises in turn, and the residual, in half-widths of the spread,
// beyond which a time is a left-over fault and counts no more.
constexpr double kBoundedKurtosis = 2.2;
constexpr double kBoundedCorrelation = 0.5;
constexpr double kBoundedPowers[] = {4, 16, 64};
constexpr double kBoundedOutlier = 2;
// Those refinements stop when an iteration lowers the loss by less than this share: the
// parameters move by far less than their band then.
constexpr double kBoundedConvergence = 1e-6;

// The motion and its sensitivities, integrated in the angle: y = (w, t, dw/dq, dt/dq) for the
// parameters q = A, B, C, w0.
constexpr int kState = 10;

struct Friction {
  double a, b, c, invInertia;
};

// dy/dtheta. False where the mass would have stopped (w <= 0).
inline bool Slope(const Friction& f, const double* y, double* d) {
  const double w = y[0];
  if (!(w > 0) || !std::isfinite(w)) return false;
  const double inv = 1 / w;
  d[0] = -(f.a * inv + f.b + f.c * w) * f.invInertia;  // -T(w) / (I w)
  d[1] = inv;
  const double dfdw = (f.a * inv * inv - f.c) * f.invInertia;
  const double dfdq[4] = {-inv * f.invInertia, -f.invInertia, -w * f.invInertia, 0};
  for (int q = 0; q < 4; ++q) {
    d[2 + q] = dfdw * y[2 + q] + dfdq[q];
    d[6 + q] = -y[2 + q] * inv * inv;
  }
  return true;
}

// `revolutions` whole revolutions (2 pi each) by classical RK4, in as many steps as the speed's
// change over them asks for: the relative change of w per step kept near 3 %, so one step a
// revolution on most rigs (or one for several, where the times are sampled), up to 64 a
// revolution in the last revolutions before the stop.
bool Revolutions(const Friction& f, double* y, long revolutions) {
  double k1[kState], k2[kState], k3[kState], k4[kState], tmp[kState];
  if (!Slope(f, y, k1)) return false;
  const double angle = kTwoPi * static_cast<double>(revolutions);
  const double change = angle * std::fabs(k1[0]) / y[0];
  const long steps = std::min<long>(64 * revolutions, 1 + static_cast<long>(change / 0.03));
  const double h = angle / static_cast<double>(steps);
  for (long s = 0; s < steps; ++s) {
    if (s > 0 && !Slope(f, y, k1)) return false;
    for (int i = 0; i < kState; ++i) tmp[i] = y[i] + 0.5 * h * k1[i];
    if (!Slope(f, tmp, k2)) return false;
    for (int i = 0; i < kState; ++i) tmp[i] = y[i] + 0.5 * h * k2[i];
    if (!Slope(f, tmp, k3)) return false;
    for (int i = 0; i < kState; ++i) tmp[i] = y[i] + h * k3[i];
    if (!Slope(f, tmp, k4)) return false;
    for (int i = 0; i < kState; ++i) y[i] += h / 6 * (k1[i] + 2 * k2[i] + 2 * k3[i] + k4[i]);
  }
  return y[0] > 0;
}

// Solves the symmetric positive definite system m x = r (size n, row-major) by Cholesky on the
// Jacobi-scaled matrix; false when it is not positive definite. With `inverse`, also fills it.
bool SolveSpd(std::vector<double> m, std::vector<double> r, int n, std::vector<double>& x,
              std::vector<double>* inverse = nullptr) {
  std::vector<double> scale(n);
  for (int i = 0; i < n; ++i) {
    if (!(m[i * n + i] > 0)) return false;
    scale[i] = 1 / std::sqrt(m[i * n + i]);
  }
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) m[i * n + j] *= scale[i] * scale[j];
    r[i] *= scale[i];
  }
  std::vector<double> l(n * n, 0.0);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j <= i; ++j) {
      double s = m[i * n + j];
      for (int k = 0; k < j; ++k) s -= l[i * n + k] * l[j * n + k];
      if (i == j) {
        if (!(s > 1e-15)) return false;
        l[i * n + i] = std::sqrt(s);
      } else {
        l[i * n + j] = s / l[j * n + j];
      }
    }
  }
  auto solve = [&](std::vector<double> b) {
    for (int i = 0; i < n; ++i) {
      for (int k = 0; k < i; ++k) b[i] -= l[i * n + k] * b[k];
      b[i] /= l[i * n + i];
    }
    for (int i = n - 1; i >= 0; --i) {
      for (int k = i + 1; k < n; ++k) b[i] -= l[k * n + i] * b[k];
      b[i] /= l[i * n + i];
    }
    return b;
  };
  x = solve(r);
  for (int i = 0; i < n; ++i) x[i] *= scale[i];
  if (inverse) {
    inverse->assign(n * n, 0.0);
    for (int j = 0; j < n; ++j) {
      std::vector<double> e(n, 0.0);
      e[j] = 1;
      const auto col = solve(e);
      for (int i = 0; i < n; ++i) (*inverse)[i * n + j] = col[i] * scale[i] * scale[j];
    }
  }
  return true;
}

class Fitter {
 public:
  Fitter(std::vector<std::span<const double>> rundowns, double inertia,
         std::span<const std::vector<std::int64_t>> doubtful)
      : rundowns_(std::move(rundowns)), doubtful_(doubtful), inertia_(inertia),
        size_(kShared + kPerRundown * static_cast<int>(rundowns_.size())) {}

  // Fits from `start` (the parameters A, B, C, then each rundown's w0, t0), or from the block
  // fit when it is empty.
  TimeFit Run(std::vector<double> start = {});
  const std::vector<double>& Parameters() const { return parameters_; }

 private:
  struct Evaluation {
    bool valid = false;
    double cost = 0;
    std::vector<double> normal;  // J^T W J
    std::vector<double> gradient;  // J^T W e
    double omegaLow = 0;
  };

  bool Evaluate(const std::vector<double>& p, double delta, Evaluation& out);
  std::vector<double> InitialGuess() const;
  double RobustDeviation() const;

  // The times fitted: every revolution's end, or every `stride`-th of a very long rundown (and
  // its last), as (revolutions from the first pulse, time from the first pulse).
  struct Observation {
    long revolution;
    double time;
  };
  void Sample();

  std::vector<std::span<const double>> rundowns_;
  std::span<const std::vector<std::int64_t>> doubtful_;  // per rundown; may be empty
  std::vector<std::vector<Observation>> observations_;
  double inertia_;
  int size_;
  std::vector<double> residuals_;  // of the last evaluation, all rundowns in order
  // The loss of bounded timing errors (see Run): 0 for the Huber loss, else the power of |e|,
  // the residuals measured in `halfWidth_`.
  double power_ = 0;
  double halfWidth_ = 0;
  std::vector<double> parameters_;
};

// A start for the iterations: the torque -I dw/dt between blocks of revolutions (w of a block
// from its revolutions per time, at its middle), fitted by T = A + B w + C w^2 over all rundowns;
// each start speed extrapolated back from its first block. Blocks of 1/32 of a rundown average
// the timing noise well enough for the iterations to take it from there.
std::vector<double> Fitter::InitialGuess() const {
  std::vector<double> p(size_, 0.0);
  double top = 0;
  std::vector<std::pair<double, double>> samples;  // (w, torque)
  std::vector<double> firstOmega, firstTime;
  for (const auto& periods : rundowns_) {
    const std::size_t n = periods.size();
    const std::size_t block = std::max<std::size_t>(1, n / 32);
    double start = 0, lastOmega = 0, lastTime = 0;
    for (std::size_t from = 0; from + block <= n; from += block) {
      double span = 0;
      for (std::size_t i = from; i < from + block; ++i) span += periods[i];
      const double omega = kTwoPi * static_cast<double>(block) / span;
      const double middle = start + span / 2;
      if (from == 0) {
        firstOmega.push_back(omega);
        firstTime.push_back(middle);
      } else {
        samples.emplace_back((omega + lastOmega) / 2,
                             -inertia_ * (omega - lastOmega) / (middle - lastTime));
      }
      top = std::max(top, omega);
      lastOmega = omega;
      lastTime = middle;
      start += span;
    }
  }
  // Least squares on the scaled columns 1, u, u^2 (u = w / top).
  std::vector<double> m(9, 0.0), r(3, 0.0), coef;
  for (const auto& [omega, torque] : samples) {
    const double u = omega / top;
    const double x[3] = {1, u, u * u};
    for (int i = 0; i < 3; ++i) {
      r[i] += x[i] * torque;
      for (int j = 0; j < 3; ++j) m[i * 3 + j] += x[i] * x[j];
    }
  }
  double mean = 0;
  for (const auto& s : samples) mean += s.second / static_cast<double>(samples.size());
  bool usable = samples.size() >= 3 && SolveSpd(m, r, 3, coef);
  if (usable) {
    for (int i = 0; i <= 16 && usable; ++i) {  // a friction that stays positive
      const double u = static_cast<double>(i) / 16;
      usable = coef[0] + u * (coef[1] + u * coef[2]) > 0;
    }
  }
  if (usable) {
    p[0] = coef[0];
    p[1] = coef[1] / top;
    p[2] = coef[2] / (top * top);
  } else {
    p[0] = mean > 0 ? mean : 1e-6;
  }
  for (std::size_t k = 0; k < rundowns_.size(); ++k) {
    const double w = firstOmega[k];
    p[kShared + kPerRundown * k] = w + (p[0] + w * (p[1] + w * p[2])) / inertia_ * firstTime[k];
  }
  return p;
}

bool Fitter::Evaluate(const std::vector<double>& p, double delta, Evaluation& out) {
  out.valid = false;
  out.cost = 0;
  out.normal.assign(static_cast<std::size_t>(size_ * size_), 0.0);
  out.gradient.assign(static_cast<std::size_t>(size_), 0.0);
  out.omegaLow = INFINITY;
  const Friction f{p[0], p[1], p[2], 1 / inertia_};
  std::size_t at = 0;
  for (std::size_t r = 0; r < rundowns_.size(); ++r) {
    const int wIndex = kShared + kPerRundown * static_cast<int>(r);
    double y[kState] = {p[wIndex], 0, 0, 0, 0, 1, 0, 0, 0, 0};
    const double t0 = p[wIndex + 1];
    long atRevolution = 0;
    double normal[5][5] = {}, gradient[5] = {};  // this rundown's share, lower triangle
    for (const Observation& o : observations_[r]) {
      if (o.revolution > atRevolution && !Revolutions(f, y, o.revolution - atRevolution)) {
        return false;
      }
      atRevolution = o.revolution;
      const double e = o.time - (t0 + y[1]);
      residuals_[at++] = e;
      const double size = std::fabs(e);
      double weight, curvature;  // the loss's slope over e, and its second derivative
      if (power_ > 0) {
        const double u = size / halfWidth_;
        if (u > kBoundedOutlier) {
          weight = curvature = 0;
          out.cost += halfWidth_ * halfWidth_ * std::pow(kBoundedOutlier, power_) / power_;
        } else {
          const double g = std::pow(u, power_ - 2);
          weight = g;
          curvature = (power_ - 1) * g;
          out.cost += halfWidth_ * halfWidth_ * g * u * u / power_;
        }
      } else {
        weight = curvature = size <= delta ? 1 : delta / size;
        out.cost += size <= delta ? 0.5 * e * e : delta * (size - 0.5 * delta);
      }
      // The row of d(time)/d(parameter): A, B, C, then this rundown's w0 and t0.
      const double row[5] = {y[6], y[7], y[8], y[9], 1};
      for (int i = 0; i < 5; ++i) {
        gradient[i] += weight * row[i] * e;
        const double cr = curvature * row[i];
        for (int j = 0; j <= i; ++j) normal[i][j] += cr * row[j];
      }
    }
    const int index[5] = {0, 1, 2, wIndex, wIndex + 1};
    for (int i = 0; i < 5; ++i) {
      out.gradient[index[i]] += gradient[i];
      for (int j = 0; j <= i; ++j) {
        out.normal[index[i] * size_ + index[j]] += normal[i][j];
        if (i != j) out.normal[index[j] * size_ + index[i]] += normal[i][j];
      }
    }
    out.omegaLow = std::min(out.omegaLow, y[0]);
  }
  out.valid = std::isfinite(out.cost);
  return out.valid;
}

// A rundown of up to kMaxObservations revolutions gives the time of every revolution's end; a
// longer one every stride-th, so that a million revolutions cost no more than 20,000 (the
// integration then takes several revolutions a step where the speed changes slowly).
constexpr std::size_t kMaxObservations = 20000;

void Fitter::Sample() {
  observations_.clear();
  for (std::size_t r = 0; r < rundowns_.size(); ++r) {
    const auto& periods = rundowns_[r];
    const std::size_t n = periods.size();
    const std::size_t stride = (n + kMaxObservations - 1) / kMaxObservations;
    std::vector<Observation> list;
    list.reserve(n / stride + 2);
    double time = 0;
    list.push_back({0, 0});
    // A time the repair could not take for the timer's stamp is not observed.
    const std::span<const std::int64_t> guessed =
        r < doubtful_.size() ? std::span<const std::int64_t>(doubtful_[r]) : std::span<const std::int64_t>();
    std::size_t next = 0;
    for (std::size_t k = 1; k <= n; ++k) {
      time += periods[k - 1];
      while (next < guessed.size() && guessed[next] < static_cast<std::int64_t>(k)) ++next;
      if (next < guessed.size() && guessed[next] == static_cast<std::int64_t>(k) && k != n) continue;
      if (k % stride == 0 || k == n) list.push_back({static_cast<long>(k), time});
    }
    observations_.push_back(std::move(list));
  }
}

// The residuals' robust deviation: 1.4826 times their median absolute value.
double Fitter::RobustDeviation() const {
  std::vector<double> sizes(residuals_.size());
  for (std::size_t i = 0; i < sizes.size(); ++i) sizes[i] = std::fabs(residuals_[i]);
  const auto middle = sizes.begin() + static_cast<std::ptrdiff_t>(sizes.size() / 2);
  std::nth_element(sizes.begin(), middle, sizes.end());
  return 1.4826 * *middle;
}

TimeFit Fitter::Run(std::vector<double> start) {
  TimeFit fit;
  std::size_t points = 0;
  for (const auto& periods : rundowns_) {
    if (periods.size() < kMinRevolutions) {
      fit.problem = "a rundown of fewer than " + std::to_string(kMinRevolutions) +
                    " revolutions: no friction model can be fitted to its times";
      return fit;
    }
    for (const double p : periods) {
      if (!(p > 0) || !std::isfinite(p)) {
        fit.problem = "a revolution without time: no friction model can be fitted to the times";
        return fit;
      }
    }
    points += periods.size() + 1;
  }
  if (rundowns_.empty()) {
    fit.problem = "no rundown to fit";
    return fit;
  }
  Sample();
  std::size_t observed = 0;
  for (const auto& list : observations_) observed += list.size();
  residuals_.assign(observed, 0.0);

  std::vector<double> p = start.empty() ? InitialGuess() : std::move(start);
  Evaluation current, trial;
  // A first pass with an unbounded loss gives the residuals the robust scale is taken from. A
  // rundown to a stop ends where the mass barely completes its last revolution: a start whose
  // friction is a little too high stops the model short of it, so the friction is eased until
  // the model runs the whole way, and the iterations approach from that side.
  int eased = 0;
  while (!Evaluate(p, INFINITY, current)) {
    if (++eased > 60) {
      fit.problem = "the revolution times do not fit a coasting mass";
      return fit;
    }
    for (int i = 0; i < kShared; ++i) p[i] *= 0.8;
  }
  double lambda = 1e-3;
  int iteration = 0;
  // Levenberg-Marquardt from p; `huber`: the Huber threshold taken afresh from the residuals at
  // every iteration.
  const auto minimise = [&](bool huber) {
    for (int round = 0; round < kMaxIterations; ++round, ++iteration) {
      const double delta = huber ? std::max(kHuberK * RobustDeviation(), 1e-9) : INFINITY;
      Evaluate(p, delta, current);
      bool stepped = false;
      double change = 0;
      while (lambda < 1e12) {
        std::vector<double> damped = current.normal;
        for (int i = 0; i < size_; ++i) damped[i * size_ + i] *= 1 + lambda;
        std::vector<double> step;
        if (SolveSpd(damped, current.gradient, size_, step)) {
          std::vector<double> next = p;
          for (int i = 0; i < size_; ++i) next[i] += step[i];
          if (Evaluate(next, delta, trial) && trial.cost < current.cost) {
            change = (current.cost - trial.cost) / current.cost;
            p = std::move(next);
            lambda = std::max(lambda / 3, 1e-12);
            stepped = true;
            break;
          }
        }
        lambda *= 4;
      }
      if (!stepped || change < (huber ? 1e-10 : kBoundedConvergence)) break;
    }
  };
  minimise(true);

  // A coarse timer rounds every stamp, and its errors spread evenly over one step and no
  // further. Least squares then leaves the friction as uncertain as normal errors of that RMS
  // would; a fit that weighs the largest residuals the most (ever higher powers of |e|, towards
  // the one that keeps the greatest residual least) is pinned by the stamps at the edges of the
  // spread and comes far closer. Taken when the residuals of the Huber fit are so spread and
  // independent.
  Evaluate(p, INFINITY, current);
  if (observed >= 4 * kMinRevolutions) {
    double m2 = 0, m4 = 0, lagged = 0;
    for (const double e : residuals_) {
      m2 += e * e;
      m4 += e * e * e * e;
    }
    std::size_t at = 0;
    for (const auto& list : observations_) {
      for (std::size_t i = 1; i < list.size(); ++i) lagged += residuals_[at + i] * residuals_[at + i - 1];
      at += list.size();
    }
    const double correlation = m2 > 0 ? lagged / m2 : 1.0;
    m2 /= static_cast<double>(observed);
    m4 /= static_cast<double>(observed);
    if (m2 > 0 && m4 / (m2 * m2) < kBoundedKurtosis && correlation < kBoundedCorrelation) {
      halfWidth_ = std::sqrt(3 * m2);  // of an even spread of that RMS
      const std::vector<double> leastSquares = p;
      for (const double power : kBoundedPowers) {
        power_ = power;  // each from where the last left the parameters and the damping
        minimise(false);
      }
      power_ = 0;
      if (!Evaluate(p, INFINITY, current)) p = leastSquares;
    }
  }

  const double delta = std::max(kHuberK * RobustDeviation(), 1e-9);
  if (!Evaluate(p, delta, current)) {
    fit.problem = "the revolution times do not fit a coasting mass";
    return fit;
  }
  std::vector<double> inverse, unused;
  if (!SolveSpd(current.normal, current.gradient, size_, unused, &inverse)) {
    fit.problem = "the revolution times do not determine a friction model";
    return fit;
  }
  // Scale of the weighted residuals, and their plain RMS.
  double weighted = 0, squares = 0, weights = 0;
  for (const double e : residuals_) {
    const double size = std::fabs(e);
    const double w = size <= delta ? 1 : delta / size;
    weighted += w * e * e;
    weights += w;
    squares += e * e;
  }
  const double dof = std::max(1.0, weights - size_);
  // The covariance takes the times' errors as independent, as a timer's stamps are. A host that
  // counts each period on its own (rounding or jitter in every count) gives times whose errors
  // add up from revolution to revolution, and residuals that follow each other: the variance is
  // widened by (1 + r) / (1 - r) for their lag-one correlation r, the factor of an AR(1) noise.
  double lagged = 0;
  std::size_t at = 0;
  for (const auto& list : observations_) {
    for (std::size_t i = 1; i < list.size(); ++i) lagged += residuals_[at + i] * residuals_[at + i - 1];
    at += list.size();
  }
  const double correlation = squares > 0 ? std::clamp(lagged / squares, 0.0, 0.999) : 0.0;
  const double variance = weighted / dof * (1 + correlation) / (1 - correlation);

  parameters_ = p;
  fit.fitted = true;
  fit.a = p[0];
  fit.b = p[1];
  fit.c = p[2];
  for (std::size_t r = 0; r < rundowns_.size(); ++r) {
    fit.startOmega.push_back(p[kShared + kPerRundown * r]);
    fit.startTime.push_back(p[kShared + kPerRundown * r + 1]);
  }
  fit.omegaHigh = *std::max_element(fit.startOmega.begin(), fit.startOmega.end());
  fit.omegaLow = current.omegaLow;
  fit.timeRmsUs = std::sqrt(squares / static_cast<double>(observed)) * 1e6;
  fit.revolutions = static_cast<long>(points - rundowns_.size());
  fit.iterations = iteration;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) fit.covariance[i][j] = variance * inverse[i * size_ + j];
  }
  constexpr int kBandPoints = 64;
  for (int i = 0; i <= kBandPoints; ++i) {
    const double w = fit.omegaLow + (fit.omegaHigh - fit.omegaLow) * i / kBandPoints;
    fit.bandPct = std::max(fit.bandPct, fit.BandPctAt(w));
  }
  return fit;
}

}  // namespace

double TimeFit::BandPctAt(double omega) const {
  const double g[3] = {1, omega, omega * omega};
  double variance = 0;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) variance += g[i] * covariance[i][j] * g[j];
  }
  const double torque = TorqueAt(omega);
  return kBandZ * std::sqrt(std::max(variance, 0.0)) / std::fabs(torque) * 100.0;
}

TimeFit FitRevolutionTimes(std::span<const std::vector<double>> rundowns, double inertia,
                           std::span<const std::vector<std::int64_t>> doubtful) {
  if (!(inertia > 0)) {
    TimeFit fit;
    fit.problem = "no inertia: no friction model can be fitted";
    return fit;
  }
  std::vector<std::span<const double>> whole, head;
  bool toStop = false;
  for (const auto& periods : rundowns) {
    whole.emplace_back(periods);
    // The head of a rundown that coasts on towards the stop: up to where its period has
    // grown threefold (the speed fallen to a third).
    std::size_t n = periods.size();
    if (n >= 4 * kMinRevolutions) {
      const double limit = 3 * periods.front();
      for (std::size_t i = kMinRevolutions; i < n; ++i) {
        if (periods[i] > limit && periods[i - 1] > limit) {
          n = std::max(i, 2 * kMinRevolutions);
          toStop = true;
          break;
        }
      }
    }
    head.emplace_back(periods.data(), n);
  }
  // Near the stop the time of a revolution grows without bound as the speed falls to 0, and a
  // start that is a little off meets that wall before it finds the minimum: a rundown that runs
  // on towards the stop is fitted on its head first, then whole from there.
  if (toStop) {
    Fitter first(head, inertia, doubtful);
    if (first.Run().fitted) return Fitter(whole, inertia, doubtful).Run(first.Parameters());
  }
  return Fitter(whole, inertia, doubtful).Run();
}

}  // namespace frixa
