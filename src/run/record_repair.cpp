// The repair of a rundown's records: see record_repair.h.
#include "run/record_repair.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace frixa {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

double Square(double x) { return x * x; }

// Fading-memory quadratic filter over the revolution number (a critically damped g-h-k filter):
// position x of the last numbered pulse, period v (d x / d k) and its growth a (d^2 x / d k^2).
// Each update is the least-squares quadratic through the past stamps weighted by theta^age, so
// the filter forgets within about 1 / (1 - theta) revolutions. The memory is kept short against
// the time scale on which the period's growth changes: near the stop the period grows faster and
// faster, as 1 / sqrt(K - k) with K - k the revolutions left under a constant torque, where
// a / v = 1 / (2 (K - k)) and the third derivative is 3 v (a / v)^2. A quadratic filter lags a
// cubic trend by about the third derivative times memory^3; a memory of 0.25 (v / a)^(2/3) keeps
// that lag near 5 % of a period. There the periods are long and the timer's noise small beside
// them, so the short memory costs nothing.
class Tracker {
 public:
  Tracker(double x, double v) : x_(x), v_(v) {}

  double Period() const { return v_; }
  // Where the pulse m revolutions after the last numbered one is expected.
  double Position(double m) const { return x_ + m * (v_ + 0.5 * m * a_); }
  // How many revolutions after the last numbered pulse the stamp s lies (not rounded).
  double Offset(double s) const {
    double m = (s - x_) / v_;
    const double slope = v_ + m * a_;
    if (slope > 0) m -= (Position(m) - s) / slope;  // one Newton step for the growth
    return m;
  }
  // Moves on by one revolution.
  void Advance() {
    x_ += v_ + 0.5 * a_;
    v_ += a_;
  }
  // Corrects towards the stamp of the pulse just advanced to. The residual is clipped so that a
  // stamp far off the trend (one of a bounce pair that the filter kept) cannot drag it.
  void Correct(double stamp) {
    const double memory =
        std::clamp(0.25 * std::cbrt(Square(v_ / std::max(std::fabs(a_), 1e-300))), 2.0, 10.0);
    const double theta = 1 - 1 / memory;
    const double q = 1 - theta;
    const double limit = 0.3 * v_;
    const double r = std::clamp(stamp - x_, -limit, limit);
    x_ += (1 - theta * theta * theta) * r;
    v_ += 1.5 * q * q * (1 + theta) * r;
    a_ += q * q * q * r;
    if (!(v_ > 0)) v_ = std::fabs(v_) + 1e-9;
  }

 private:
  double x_, v_, a_ = 0;
};

// The period and the pulse grid of the run's first revolutions, from the stamps alone: near the
// mean count of the first records (faults are rare, so that is within a few per cent of the
// period), the period whose grid the first stamps fit best, i.e. with the largest resultant of
// the phases 2 pi s / P. A bounce or missed pulse among them, or a coarse timer's rounding,
// barely moves it. The resultant is weighed down with the distance from the mean: a timer whose
// step is close to the period puts the stamps on a lattice that another period, 20 % off the
// true one, fits as well, with a fault every few records.
Tracker StartTracker(std::span<const double> stamps) {
  const std::size_t j = std::min<std::size_t>(stamps.size() - 1, 48);
  const double rough = (stamps[j] - stamps[0]) / static_cast<double>(j);
  double best = -1, bestPeriod = rough, bestPhase = 0;
  const double step = 1 + 0.05 / static_cast<double>(j);
  for (double p = 0.78 * rough; p <= 1.25 * rough; p *= step) {
    double c = 0, s = 0;
    for (std::size_t i = 0; i <= j; ++i) {
      const double phase = kTwoPi * (stamps[i] - stamps[0]) / p;
      c += std::cos(phase);
      s += std::sin(phase);
    }
    const double strength = std::sqrt(c * c + s * s) * (1 - 2 * std::fabs(std::log(p / rough)));
    if (strength > best) {
      best = strength;
      bestPeriod = p;
      bestPhase = std::atan2(s, c);
    }
  }
  return Tracker(stamps[0] + bestPeriod * bestPhase / kTwoPi, bestPeriod);
}

// The whole revolutions an offset stands for. The borders lie at .6 rather than .5: a stamp that
// lags the trend (as the last revolutions before the stop make it) must not pass for a missed
// pulse, while a bounce's early stamp that passes for a whole revolution is caught anyway when
// the true pulse falls on the same number.
long Revolutions(double offset) { return static_cast<long>(std::floor(offset + 0.4)); }

// Numbers the pulses: fills `kept` with one stamp per revolution boundary (bounces taken out,
// missed pulses put in) and counts both.
void NumberPulses(std::span<const double> stamps, std::vector<double>& kept, std::int64_t& merged,
                  std::int64_t& split) {
  Tracker tracker = StartTracker(stamps);
  kept.push_back(stamps[0]);
  // The latest stamp waits one record before it is numbered for good, so that of a bounce pair
  // the stamp nearer the trend is kept whichever comes first.
  bool pending = false;
  double pendingStamp = 0, pendingMiss = 0;
  long pendingStep = 0;

  // A record spanning `pendingStep` revolutions is cut where the trend's periods divide it: the
  // shares of the predicted periods, so that an error in the predicted level cancels out.
  auto commit = [&] {
    if (pendingStep > 1) {
      const double from = kept.back();
      const double whole = tracker.Position(static_cast<double>(pendingStep)) - tracker.Position(0);
      for (long m = 1; m < pendingStep; ++m) {
        const double lo = kept.back() + 1, hi = pendingStamp - 1;
        if (lo > hi || !(whole > 0)) break;
        const double share = (tracker.Position(static_cast<double>(m)) - tracker.Position(0)) / whole;
        kept.push_back(std::clamp(std::round(from + share * (pendingStamp - from)), lo, hi));
        ++split;
      }
      for (long m = 1; m < pendingStep; ++m) tracker.Advance();
    }
    tracker.Advance();
    tracker.Correct(pendingStamp);
    kept.push_back(pendingStamp);
    pending = false;
  };

  for (std::size_t i = 1; i < stamps.size(); ++i) {
    const double s = stamps[i];
    double offset = tracker.Offset(s);
    long step = Revolutions(offset);
    if (pending && step > pendingStep) {
      commit();
      offset = tracker.Offset(s);
      step = Revolutions(offset);
    }
    const double miss = std::fabs(offset - static_cast<double>(step));
    if (pending && step == pendingStep) {
      ++merged;  // two pulses for one revolution: keep the one nearer the trend
      if (miss < pendingMiss) {
        pendingStamp = s;
        pendingMiss = miss;
      }
    } else if (step <= 0) {
      ++merged;  // falls on the last numbered pulse
    } else {
      pending = true;
      pendingStamp = s;
      pendingMiss = miss;
      pendingStep = step;
    }
  }
  // The last record is never split: no later pulse tells a missed one from the long last
  // revolution before the stop (up to 2.4 times the one before it under a constant torque).
  if (pending) {
    pendingStep = 1;
    commit();
  }
}

// Residual sum of squares of the hinge fit y_i = b0 + b1 x + b2 h^2 + b3 h^3, h = max(0, x - c),
// x = i / n, over the stamps' deviations y from their first-to-last line, i = 0..n.
double HingeRss(std::span<const double> y, double c) {
  const std::size_t n = y.size() - 1;
  double m[4][4] = {}, r[4] = {};
  double basis[4];
  auto fill = [&](std::size_t i) {
    const double x = static_cast<double>(i) / static_cast<double>(n);
    const double h = std::max(0.0, x - c);
    basis[0] = 1;
    basis[1] = x;
    basis[2] = h * h;
    basis[3] = h * h * h;
  };
  for (std::size_t i = 0; i <= n; ++i) {
    fill(i);
    for (int a = 0; a < 4; ++a) {
      r[a] += basis[a] * y[i];
      for (int b = 0; b <= a; ++b) m[a][b] += basis[a] * basis[b];
    }
  }
  // Cholesky of the normal equations.
  double l[4][4] = {};
  for (int a = 0; a < 4; ++a) {
    for (int b = 0; b <= a; ++b) {
      double sum = m[a][b];
      for (int k = 0; k < b; ++k) sum -= l[a][k] * l[b][k];
      if (a == b) {
        if (!(sum > 1e-14 * m[a][a])) return INFINITY;
        l[a][a] = std::sqrt(sum);
      } else {
        l[a][b] = sum / l[b][b];
      }
    }
  }
  double z[4], beta[4];
  for (int a = 0; a < 4; ++a) {
    double sum = r[a];
    for (int k = 0; k < a; ++k) sum -= l[a][k] * z[k];
    z[a] = sum / l[a][a];
  }
  for (int a = 3; a >= 0; --a) {
    double sum = z[a];
    for (int k = a + 1; k < 4; ++k) sum -= l[k][a] * beta[k];
    beta[a] = sum / l[a][a];
  }
  double rss = 0;  // summed directly: the normal equations' shortcut loses it to cancellation
  for (std::size_t i = 0; i <= n; ++i) {
    fill(i);
    const double e = y[i] - (beta[0] + beta[1] * basis[1] + beta[2] * basis[2] + beta[3] * basis[3]);
    rss += e * e;
  }
  return rss;
}

// The number of revolutions before the coast: 0 unless a hinge at some revolution c (constant
// period before, a smooth coast after) fits the first stamps far better than a coast throughout.
// The stamps looked at end where the period has grown by `growth` (a cubic follows the coast that
// far) or after kHeadLimit revolutions.
constexpr std::size_t kHeadLimit = 1500;
constexpr double kHingeSignificance = 100;  // F ratio of the hinge against a plain coast
constexpr std::size_t kMinCoast = 16;       // revolutions that must stay

// The head of the run to fit: the stamps' deviations from their first-to-last line, up to where
// the mean period of 8 revolutions has grown by `growth` over the one at `from`.
std::vector<double> Head(std::span<const double> pulses, std::size_t from, double growth) {
  constexpr std::size_t kSpan = 8;
  const std::size_t revolutions = pulses.size() - 1;
  const double level = (pulses[from + kSpan] - pulses[from]) / kSpan;
  std::size_t n = std::min(revolutions, kHeadLimit);
  for (std::size_t i = from + 2 * kSpan; i <= n; ++i) {
    if ((pulses[i] - pulses[i - kSpan]) / kSpan > growth * level) {
      n = std::min(revolutions, std::max<std::size_t>(i, from + 3 * kMinCoast));
      break;
    }
  }
  std::vector<double> y(n + 1);
  const double slope = (pulses[n] - pulses[0]) / static_cast<double>(n);
  for (std::size_t i = 0; i <= n; ++i) y[i] = pulses[i] - pulses[0] - slope * static_cast<double>(i);
  return y;
}

std::size_t CoastStart(std::span<const double> pulses) {
  const std::size_t revolutions = pulses.size() - 1;
  if (revolutions < 3 * kMinCoast) return 0;
  std::vector<double> y = Head(pulses, 0, 1.3);
  std::size_t n = y.size() - 1;

  const double plain = HingeRss(y, 0);
  const std::size_t last = n - std::max(kMinCoast, n / 3);
  std::size_t best = 0;
  double bestRss = plain;
  auto tryAt = [&](std::size_t c) {
    const double rss = HingeRss(y, static_cast<double>(c) / static_cast<double>(n));
    if (rss < bestRss) {
      bestRss = rss;
      best = c;
    }
  };
  const std::size_t coarse = std::max<std::size_t>(1, last / 32);
  for (std::size_t c = coarse; c <= last; c += coarse) tryAt(c);
  for (std::size_t step = coarse; step > 1;) {  // refine around the best so far
    const std::size_t centre = best;
    const std::size_t next = std::max<std::size_t>(1, step / 4);
    for (std::size_t c = centre > step ? centre - step : next; c <= std::min(last, centre + step);
         c += next) {
      tryAt(c);
    }
    step = next;
  }
  if (best == 0 || !(bestRss >= 0)) return 0;
  const double noise = bestRss / static_cast<double>(n + 1 - 5);
  if (!((plain - bestRss) > kHingeSignificance * noise)) return 0;

  // Found: now place it on the stamps close after it, up to 10 % of growth, where the coast's
  // own curvature does not blur the corner.
  y = Head(pulses, best, 1.1);
  n = y.size() - 1;
  const std::size_t reach = std::max<std::size_t>(coarse, 10);
  const std::size_t centre = best;
  bestRss = INFINITY;
  for (std::size_t c = centre > reach ? centre - reach : 1; c <= std::min(n - kMinCoast, centre + reach);
       ++c) {
    tryAt(c);
  }
  return best;
}

}  // namespace

RecordRepair RepairRecords(std::span<const std::uint32_t> counts) {
  RecordRepair out;
  if (counts.size() < kMinRepairRecords || counts[0] == 0) {
    out.counts.assign(counts.begin(), counts.end());
    return out;
  }
  // The pulses' stamps: exact in a double up to 2^53 counts.
  std::vector<double> stamps(counts.size() + 1);
  stamps[0] = 0;
  for (std::size_t i = 0; i < counts.size(); ++i) stamps[i + 1] = stamps[i] + counts[i];

  std::vector<double> pulses;
  pulses.reserve(stamps.size() + stamps.size() / 16);
  NumberPulses(stamps, pulses, out.merged, out.split);
  if (static_cast<double>(out.merged + out.split) > kMaxFaultShare * static_cast<double>(counts.size())) {
    // More faults than a sensor in working order gives: no trend to trust, nothing changed.
    out.counts.assign(counts.begin(), counts.end());
    out.merged = out.split = 0;
    out.untrusted = true;
    return out;
  }
  if (out.merged == 0 && out.split == 0) pulses = std::move(stamps);
  const std::size_t start = CoastStart(pulses);
  out.leftOut = static_cast<std::int64_t>(start);

  if (!out.Changed()) {
    out.counts.assign(counts.begin(), counts.end());
    return out;
  }
  out.counts.reserve(pulses.size() - 1 - start);
  for (std::size_t i = start + 1; i < pulses.size(); ++i) {
    out.counts.push_back(static_cast<std::uint32_t>(pulses[i] - pulses[i - 1]));
  }
  return out;
}

}  // namespace frixa
