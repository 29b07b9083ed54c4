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
  Tracker(double x, double v, double a = 0) : x_(x), v_(v), a_(a) { Tune(); }

  // Where the pulse m revolutions after the last numbered one is expected.
  double Position(double m) const { return x_ + m * (v_ + 0.5 * m * a_); }
  // How many revolutions after the last numbered pulse the stamp s lies (not rounded).
  double Offset(double s) const {
    double m = (s - x_) / v_;
    if (!Steady()) {  // one Newton step for the growth, where it matters
      const double slope = v_ + m * a_;
      if (slope > 0) m -= (Position(m) - s) / slope;
    }
    return m;
  }
  // The whole revolutions the stamp s lies after the last numbered pulse. The borders lie at .6
  // rather than .5: a stamp that lags the trend (as the last revolutions before the stop make
  // it) must not pass for a missed pulse, while a bounce's early stamp that passes for a whole
  // revolution is caught anyway when the true pulse falls on the same number. The common cases
  // are told by comparisons alone, without a division.
  long Step(double s) const {
    if (Steady()) {
      const double d = s - x_;
      if (d >= 0.6 * v_ && d < 1.6 * v_) return 1;
      if (d >= 1.6 * v_ && d < 2.6 * v_) return 2;
    }
    return static_cast<long>(std::floor(Offset(s) + 0.4));
  }
  // How far the stamp s lies from the pulse `step` revolutions on, in revolutions.
  double Miss(double s, long step) const { return std::fabs(Offset(s) - static_cast<double>(step)); }
  // Moves on by one revolution.
  void Advance() {
    x_ += v_ + 0.5 * a_;
    v_ += a_;
  }
  // Corrects towards the stamp of the pulse just advanced to. The residual is clipped so that a
  // stamp far off the trend (one of a bounce pair that the filter kept) cannot drag it.
  void Correct(double stamp) {
    const double limit = 0.3 * v_;
    const double r = std::clamp(stamp - x_, -limit, limit);
    x_ += g_ * r;
    v_ += h_ * r;
    a_ += k_ * r;
    if (!(v_ > 0)) v_ = std::fabs(v_) + 1e-9;
    if (++sinceTuned_ == 8 || std::fabs(a_) > 1e-3 * v_) Tune();
  }

 private:
  // The filter's gains for the memory that the trend's growth allows (see above); while the
  // period grows slowly they are worked out every few revolutions only.
  void Tune() {
    // 0.25 (v / a)^(2/3) reaches the longest memory, 10, from v / a = 40^1.5 = 253 on.
    const double growth = std::fabs(a_);
    const double memory =
        growth * 253 <= v_ ? 10.0 : std::clamp(0.25 * std::cbrt(Square(v_ / growth)), 2.0, 10.0);
    const double theta = 1 - 1 / memory;
    const double q = 1 - theta;
    g_ = 1 - theta * theta * theta;
    h_ = 1.5 * q * q * (1 + theta);
    k_ = q * q * q;  // twice the textbook k: a_ is the second derivative itself
    sinceTuned_ = 0;
  }

  // The growth changes a revolution's time by less than a thousandth of a period.
  bool Steady() const { return std::fabs(a_) <= 1e-3 * v_; }

  double x_, v_, a_ = 0;
  double g_ = 0, h_ = 0, k_ = 0;
  int sinceTuned_ = 0;
};

// The trend of the run's first revolutions, from their stamps alone. A smooth start gives it
// directly. Otherwise (a coarse timer, a fault among the first records) the period is searched
// near the mean count of the first records (faults are rare, so that is within a few per cent
// of the period): the period whose grid the first stamps fit best, i.e. with the largest
// resultant of the phases 2 pi s / P, which a bounce, a missed pulse or a timer's rounding
// barely moves. The resultant is weighed down with the distance from the mean: a timer whose
// step is close to the period puts the stamps on a lattice that another period, 20 % off the
// true one, fits as well, with a fault every few records.
constexpr std::size_t kStartRecords = 48;

Tracker StartTracker(std::span<const double> stamps) {
  // A smooth start (no two of the first eight periods more than 25 % apart) needs no search:
  // the first period and its growth over the first three revolutions start the trend, however
  // fast it grows.
  constexpr std::size_t kSmooth = 8;
  if (stamps.size() > kSmooth) {
    bool smooth = true;
    for (std::size_t i = 2; i <= kSmooth && smooth; ++i) {
      const double ratio = (stamps[i] - stamps[i - 1]) / (stamps[i - 1] - stamps[i - 2]);
      smooth = ratio >= 0.8 && ratio <= 1.25;
    }
    if (smooth) {
      const double first = stamps[1] - stamps[0];
      return Tracker(stamps[0], first, (stamps[4] - stamps[3] - first) / 3);
    }
  }
  const std::size_t j = stamps.size() - 1;
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

// The stamps of the numbered pulses. Until the first fault they are the recorded stamps
// themselves, and only counted; the first merge or split writes them out, so that a run without
// faults costs no copy of its stamps.
class PulseList {
 public:
  explicit PulseList(std::span<const std::uint32_t> counts) : counts_(counts) {}

  std::size_t Size() const { return written_ ? stamps_.size() : implicit_; }
  double Back() const { return last_; }
  bool Written() const { return written_; }
  const std::vector<double>& Stamps() const { return stamps_; }
  void Push(double stamp) {
    if (written_) {
      stamps_.push_back(stamp);
    } else {
      ++implicit_;
    }
    last_ = stamp;
  }
  // Takes the first `stamps` recorded stamps as they are.
  void Keep(std::size_t stamps) { implicit_ = stamps; }
  // Called before the list departs from the recorded stamps.
  void Write() {
    if (written_) return;
    written_ = true;
    stamps_.reserve(counts_.size() + counts_.size() / 16 + 1);
    double s = 0;
    for (std::size_t i = 0; i < implicit_; ++i) {
      stamps_.push_back(s);
      if (i < counts_.size()) s += counts_[i];
    }
  }

 private:
  std::span<const std::uint32_t> counts_;
  std::vector<double> stamps_;
  std::size_t implicit_ = 0;  // recorded stamps kept so far, while none was changed
  double last_ = 0;
  bool written_ = false;
};

constexpr std::int64_t kMaxFaultStreak = 8;

// Numbers the pulses: fills `kept` with the time stamp of every revolution's end (bounces taken
// out, missed pulses put in), the first pulse at 0, and counts both; `longStreak` tells of
// kMaxFaultStreak records in a row that were all faults.
void NumberPulses(std::span<const std::uint32_t> counts, PulseList& kept,
                  std::int64_t& merged, std::int64_t& split, bool& longStreak) {
  double first[kStartRecords + 1];
  first[0] = 0;
  const std::size_t head = std::min(counts.size(), kStartRecords);
  for (std::size_t i = 0; i < head; ++i) first[i + 1] = first[i] + counts[i];
  Tracker tracker = StartTracker(std::span<const double>(first, head + 1));
  kept.Push(0);
  // The latest stamp waits one record before it is numbered for good, so that of a bounce pair
  // the stamp nearer the trend is kept whichever comes first.
  bool pending = false;
  double pendingStamp = 0;
  long pendingStep = 0;

  // A record spanning `pendingStep` revolutions is cut where the trend's periods divide it: the
  // shares of the predicted periods, so that an error in the predicted level cancels out.
  auto putBackMissed = [&] {
    kept.Write();
    const double from = kept.Back();
    const double whole = tracker.Position(static_cast<double>(pendingStep)) - tracker.Position(0);
    for (long m = 1; m < pendingStep; ++m) {
      const double lo = kept.Back() + 1, hi = pendingStamp - 1;
      if (lo > hi || !(whole > 0)) break;
      const double share = (tracker.Position(static_cast<double>(m)) - tracker.Position(0)) / whole;
      kept.Push(std::clamp(std::round(from + share * (pendingStamp - from)), lo, hi));
      ++split;
    }
    for (long m = 1; m < pendingStep; ++m) tracker.Advance();
  };
  auto commit = [&] {
    if (pendingStep > 1) [[unlikely]] putBackMissed();
    tracker.Advance();
    tracker.Correct(pendingStamp);
    kept.Push(pendingStamp);
    pending = false;
  };

  double s = 0;
  std::int64_t faults = 0, streak = 0;
  for (const std::uint32_t count : counts) {
    // A fault is a single event among normal revolutions: a long streak of records that all
    // look faulty (a speed that jumps, a sensor that drops every other pulse) is no rundown the
    // trend can repair.
    if (merged + split == faults) {
      streak = 0;
    } else if (++streak == kMaxFaultStreak) {
      longStreak = true;
    }
    faults = merged + split;
    s += count;
    long step = tracker.Step(s);
    if (pending && step > pendingStep) {
      commit();
      step = tracker.Step(s);
    }
    if (pending && step == pendingStep) {
      ++merged;  // two pulses for one revolution: keep the one nearer the trend
      kept.Write();
      if (tracker.Miss(s, step) < tracker.Miss(pendingStamp, pendingStep)) pendingStamp = s;
    } else if (step <= 0) {
      ++merged;  // falls on the last numbered pulse
      kept.Write();
    } else {
      pending = true;
      pendingStamp = s;
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

// The hinge models of the run's head, fitted by least squares: a constant period up to revolution
// c, a growing one from there. On the periods y_i: b0 + b1 h + b2 h^2; on the stamps (their
// deviations from a line): b0 + b1 x + b2 h^2 + b3 h^3; x = i / n, h = max(0, x - c).
// Returns the residual sum of squares.
double HingeRss(std::span<const double> y, double c, bool onStamps) {
  const int size = onStamps ? 4 : 3;
  const std::size_t n = y.size();
  double m[4][4] = {}, r[4] = {};
  double basis[4];
  auto fill = [&](std::size_t i) {
    const double x = static_cast<double>(i) / static_cast<double>(n);
    const double h = std::max(0.0, x - c);
    basis[0] = 1;
    if (onStamps) {
      basis[1] = x;
      basis[2] = h * h;
      basis[3] = h * h * h;
    } else {
      basis[1] = h;
      basis[2] = h * h;
    }
  };
  // Up to the hinge h is 0: there only the constant (and on the stamps x) take part, and the
  // terms left out would each add an exact 0, so the sums come out the same.
  std::size_t flat = 0;
  while (flat < n && !(static_cast<double>(flat) / static_cast<double>(n) - c > 0)) ++flat;
  for (std::size_t i = 0; i < flat; ++i) {
    r[0] += y[i];
    m[0][0] += 1;
    if (onStamps) {
      const double x = static_cast<double>(i) / static_cast<double>(n);
      r[1] += x * y[i];
      m[1][0] += x;
      m[1][1] += x * x;
    }
  }
  for (std::size_t i = flat; i < n; ++i) {
    fill(i);
    for (int a = 0; a < size; ++a) {
      r[a] += basis[a] * y[i];
      for (int b = 0; b <= a; ++b) m[a][b] += basis[a] * basis[b];
    }
  }
  // Cholesky of the normal equations.
  double l[4][4] = {};
  for (int a = 0; a < size; ++a) {
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
  for (int a = 0; a < size; ++a) {
    double sum = r[a];
    for (int k = 0; k < a; ++k) sum -= l[a][k] * z[k];
    z[a] = sum / l[a][a];
  }
  for (int a = size - 1; a >= 0; --a) {
    double sum = z[a];
    for (int k = a + 1; k < size; ++k) sum -= l[k][a] * beta[k];
    beta[a] = sum / l[a][a];
  }
  double rss = 0;  // summed directly: the normal equations' shortcut loses it to cancellation
  for (std::size_t i = 0; i < flat; ++i) {
    double e = y[i] - beta[0];
    if (onStamps) e -= beta[1] * (static_cast<double>(i) / static_cast<double>(n));
    rss += e * e;
  }
  for (std::size_t i = flat; i < n; ++i) {
    fill(i);
    double e = y[i];
    for (int a = 0; a < size; ++a) e -= beta[a] * basis[a];
    rss += e * e;
  }
  return rss;
}

// The lag-one autocorrelation of the periods' deviations from a plain coast (a quadratic trend).
// Near -0.5 when the timer's error lies in the stamps (each stamp's error enters two periods with
// opposite signs); near 0 when it lies in each count on its own.
double PeriodNoiseCorrelation(std::span<const double> y) {
  const std::size_t n = y.size();
  double m[3][3] = {}, r[3] = {};
  for (std::size_t i = 0; i < n; ++i) {
    const double x = static_cast<double>(i) / static_cast<double>(n);
    const double b[3] = {1, x, x * x};
    for (int a = 0; a < 3; ++a) {
      r[a] += b[a] * y[i];
      for (int c = 0; c < 3; ++c) m[a][c] += b[a] * b[c];
    }
  }
  // Gaussian elimination of the 3 x 3 normal equations.
  for (int k = 0; k < 3; ++k) {
    if (m[k][k] == 0) return 0;
    for (int i = k + 1; i < 3; ++i) {
      const double f = m[i][k] / m[k][k];
      for (int j = k; j < 3; ++j) m[i][j] -= f * m[k][j];
      r[i] -= f * r[k];
    }
  }
  double beta[3];
  for (int i = 2; i >= 0; --i) {
    double sum = r[i];
    for (int j = i + 1; j < 3; ++j) sum -= m[i][j] * beta[j];
    beta[i] = sum / m[i][i];
  }
  double lagged = 0, squares = 0, previous = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const double x = static_cast<double>(i) / static_cast<double>(n);
    const double e = y[i] - (beta[0] + x * (beta[1] + x * beta[2]));
    if (i > 0) lagged += e * previous;
    squares += e * e;
    previous = e;
  }
  return squares > 0 ? lagged / squares : 0;
}

// The number of revolutions before the coast: 0 unless a hinge at some revolution c fits the
// first revolutions far better than a coast throughout (the hinge at 0), by an F ratio above
// kHingeSignificance. The fit is made where the timer's noise is independent from one value to
// the next: on the stamps when their rounding is the noise (there the fit is the more
// sensitive), on the periods when each count has a jitter of its own (on the stamps that jitter
// adds up to a random walk, which a hinge can follow). The head looked at ends where the mean
// period has grown by `growth` or after kHeadLimit revolutions.
constexpr std::size_t kHeadLimit = 1500;
constexpr double kHingeSignificance = 100;
constexpr std::size_t kMinCoast = 16;  // revolutions that must stay
constexpr std::size_t kCornerMargin = 2;
// Stamps enough for every head the search looks at.
constexpr std::size_t kHeadStamps = kHeadLimit + 4 * kMinCoast + 1;

// The head's periods (less their first level), or its stamps less their first-to-last line.
std::vector<double> Head(std::span<const double> pulses, std::size_t from, double growth,
                         bool onStamps) {
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
  std::vector<double> y(onStamps ? n + 1 : n);
  if (onStamps) {
    const double slope = (pulses[n] - pulses[0]) / static_cast<double>(n);
    for (std::size_t i = 0; i <= n; ++i) {
      y[i] = pulses[i] - pulses[0] - slope * static_cast<double>(i);
    }
  } else {
    for (std::size_t i = 0; i < n; ++i) y[i] = pulses[i + 1] - pulses[i] - level;
  }
  return y;
}

std::size_t CoastStart(std::span<const double> pulses) {
  const std::size_t revolutions = pulses.size() - 1;
  if (revolutions < 3 * kMinCoast) return 0;
  const bool onStamps = PeriodNoiseCorrelation(Head(pulses, 0, 1.3, false)) < -0.25;
  std::vector<double> y = Head(pulses, 0, 1.3, onStamps);
  std::size_t n = y.size();

  const double plain = HingeRss(y, 0, onStamps);
  const std::size_t last = n - std::max(kMinCoast, n / 3);
  std::size_t best = 0;
  double bestRss = plain;
  auto tryAt = [&](std::size_t c) {
    const double rss = HingeRss(y, static_cast<double>(c) / static_cast<double>(n), onStamps);
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
  const double noise = bestRss / static_cast<double>(n - 5);
  if (!((plain - bestRss) > kHingeSignificance * noise)) return 0;

  // Found: now place it on the revolutions close after it, up to 10 % of growth, where the
  // coast's own curvature does not blur the corner.
  y = Head(pulses, best, 1.1, onStamps);
  n = y.size();
  const std::size_t reach = std::max<std::size_t>(coarse, 10);
  const std::size_t centre = best;
  bestRss = INFINITY;
  for (std::size_t c = centre > reach ? centre - reach : 1;
       c <= std::min(n - kMinCoast, centre + reach); ++c) {
    tryAt(c);
  }
  // The corner is placed to within a revolution or two; a driven revolution left in would bend
  // the start of the coast, a coasting one left out costs nothing.
  return best + kCornerMargin;
}

}  // namespace

// True when no record differs from the one before by a fifth of it or more. A bounce splits a
// revolution into two parts of which one is at most half of it, and a missed pulse doubles one:
// both leave a step of a half or more beside them. So a smooth run holds neither, and its pulses
// need no numbering, which keeps the common case to one quick look at each record (in blocks,
// without a branch per record, so that the compiler can vectorise it). Timing noise on a fast
// timer is far inside the fifth; a coarse timer or the last revolutions before the stop are not
// smooth and are numbered.
bool RecordsAreSmooth(std::span<const std::uint32_t> counts, std::uint32_t previous) {
  if (counts.empty()) return true;
  if (previous != 0) {
    const std::int64_t change = static_cast<std::int64_t>(counts[0]) - previous;
    if (5 * change >= previous || -5 * change >= previous) return false;
  }
  constexpr std::size_t kBlock = 1024;
  for (std::size_t from = 1; from < counts.size(); from += kBlock) {
    const std::size_t to = std::min(counts.size(), from + kBlock);
    bool steps = false;
    for (std::size_t i = from; i < to; ++i) {
      const std::int64_t before = counts[i - 1];
      const std::int64_t change = static_cast<std::int64_t>(counts[i]) - before;
      steps |= 5 * change >= before || -5 * change >= before;
    }
    if (steps) return false;
  }
  return true;
}

RecordRepair RepairRecords(std::span<const std::uint32_t> counts) {
  return RepairRecords(counts, counts.size() >= kMinRepairRecords && RecordsAreSmooth(counts));
}

RecordRepair RepairRecords(std::span<const std::uint32_t> counts, bool smooth) {
  RecordRepair out;
  if (counts.size() < kMinRepairRecords || counts[0] == 0) return out;
  // The pulses' stamps (exact in a double up to 2^53 counts), as numbered.
  PulseList pulses(counts);
  bool longStreak = false;
  if (smooth) {
    pulses.Keep(counts.size() + 1);
  } else {
    NumberPulses(counts, pulses, out.merged, out.split, longStreak);
  }
  out.tooManyFaults = static_cast<double>(out.merged + out.split) >
                      kMaxFaultShare * static_cast<double>(counts.size());
  if (longStreak || out.tooManyFaults) {
    // More faults than a sensor in working order gives: no trend to trust, nothing changed.
    out.merged = out.split = 0;
    out.untrusted = true;
    return out;
  }
  // The coast's start is looked for among the first revolutions only.
  std::vector<double> head;
  std::span<const double> first;
  if (pulses.Written()) {
    first = std::span<const double>(pulses.Stamps()).first(std::min(pulses.Size(), kHeadStamps));
  } else {
    head.resize(std::min(pulses.Size(), kHeadStamps));
    double s = 0;
    for (std::size_t i = 0; i < head.size(); ++i) {
      head[i] = s;
      if (i < counts.size()) s += counts[i];
    }
    first = head;
  }
  const std::size_t start = CoastStart(first);
  out.leftOut = static_cast<std::int64_t>(start);

  if (!pulses.Written()) {
    if (start > 0) out.counts.assign(counts.begin() + static_cast<std::ptrdiff_t>(start), counts.end());
    return out;
  }
  const std::vector<double>& stamps = pulses.Stamps();
  out.counts.reserve(stamps.size() - 1 - start);
  for (std::size_t i = start + 1; i < stamps.size(); ++i) {
    out.counts.push_back(static_cast<std::uint32_t>(stamps[i] - stamps[i - 1]));
  }
  return out;
}

}  // namespace frixa
