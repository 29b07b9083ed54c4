// The rundown simulator: see rundown_simulator.h.
#include "sim/rundown_simulator.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "platform/whole_file.h"

namespace frixa {
namespace {

constexpr double kTwoPi = 6.283185307179586476925;
constexpr double kRadiansPerSecondPerRpm = kTwoPi / 60.0;
constexpr std::uint8_t kCorruptMarker = 0;  // anything but '#'

void PutLittleEndian(std::uint8_t* out, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

double FrictionTorque(const RundownModel& model, double omega) {
  return model.frictionA + model.frictionB * omega + model.frictionC * omega * omega;
}

RundownSimulator::RundownSimulator(const RundownModel& model)
    : model_(model),
      omega_(model.startRpm * kRadiansPerSecondPerRpm),
      engine_(model.seed),
      faultEngine_(model.seed ^ 0x9E3779B97F4A7C15ull) {}

// Integrates one full turn of the mass from omega; false if the mass stops before completing it.
bool RundownSimulator::IntegrateRevolution(double& omega, double& period) const {
  const int steps = model_.substepsPerRevolution > 0 ? model_.substepsPerRevolution : 1;
  const double h = kTwoPi / steps;
  const double inertia = model_.inertia;
  // d(omega)/d(theta) and d(t)/d(theta); both need omega > 0.
  auto slope = [&](double w, double& dw, double& dt) {
    if (!(w > 0.0) || !std::isfinite(w)) return false;
    dt = 1.0 / w;
    dw = -FrictionTorque(model_, w) / (inertia * w);
    return true;
  };
  double w = omega;
  double t = 0.0;
  for (int i = 0; i < steps; ++i) {
    double k1, k2, k3, k4, t1, t2, t3, t4;
    if (!slope(w, k1, t1) || !slope(w + h / 2 * k1, k2, t2) || !slope(w + h / 2 * k2, k3, t3) ||
        !slope(w + h * k3, k4, t4)) {
      return false;
    }
    w += h / 6 * (k1 + 2 * k2 + 2 * k3 + k4);
    t += h / 6 * (t1 + 2 * t2 + 2 * t3 + t4);
    if (!(w > 0.0)) return false;
  }
  omega = w;
  period = t;
  return true;
}

double RundownSimulator::Gaussian() {
  if (haveSpare_) {
    haveSpare_ = false;
    return spare_;
  }
  constexpr double kUnit = 1.0 / 9007199254740992.0;  // 2^-53
  const double u1 = static_cast<double>((engine_() >> 11) + 1) * kUnit;  // (0, 1]
  const double u2 = static_cast<double>(engine_() >> 11) * kUnit;        // [0, 1)
  const double radius = std::sqrt(-2.0 * std::log(u1));
  spare_ = radius * std::sin(kTwoPi * u2);
  haveSpare_ = true;
  return radius * std::cos(kTwoPi * u2);
}

double RundownSimulator::FaultUniform() {
  constexpr double kUnit = 1.0 / 9007199254740992.0;  // 2^-53
  return static_cast<double>(faultEngine_() >> 11) * kUnit;  // [0, 1)
}

// The next revolution of the mass: held at the start speed while the driven start lasts, then
// coasting. False once the coast is over.
bool RundownSimulator::NextRevolution(Piece& out) {
  if (faults_.drivenRevolutions < model_.drivenRevolutions && omega_ > 0.0) {
    out = Piece{kTwoPi / omega_, omega_, omega_, RecordKind::Driven};
    ++faults_.drivenRevolutions;
    return true;
  }
  double omega = omega_;
  double period = 0.0;
  if (!(omega_ > model_.endRpm * kRadiansPerSecondPerRpm) || !IntegrateRevolution(omega, period)) {
    return false;
  }
  out = Piece{period, omega_, omega, RecordKind::Coast};
  omega_ = omega;
  return true;
}

// The next record of a run with faults: which time between two recorded pulses it holds, and
// its count as the sensor's clock gave it. False when the run is over.
bool RundownSimulator::NextFaultedCount(Piece& piece, std::uint32_t& count) {
  if (haveQueued_) {
    piece = queued_;
    haveQueued_ = false;
  } else {
    if (!NextRevolution(piece)) return false;
    // Both draws are made for every revolution, so that a fault's place depends on the seed and
    // the rates only.
    const double choice = FaultUniform();
    const double share = FaultUniform();
    if (choice < model_.doubleTriggerRate) {
      // A bounce just after the true pulse: a short period, then the rest of the revolution.
      const double shortShare = 0.05 + 0.4 * share;
      queued_ = piece;
      queued_.period = piece.period * (1.0 - shortShare);
      queued_.kind = RecordKind::BounceLong;
      haveQueued_ = true;
      piece.period *= shortShare;
      piece.kind = RecordKind::BounceShort;
      ++faults_.doubleTriggers;
    } else if (choice < model_.doubleTriggerRate + model_.missedPulseRate) {
      Piece next;
      if (NextRevolution(next)) {  // at the end of the run there is no pulse left to miss
        piece.period += next.period;
        piece.endOmega = next.endOmega;
        piece.kind = RecordKind::TwoRevolutions;
        ++faults_.missedPulses;
      }
    }
  }

  const double micros = piece.period * kMicrosecondsPerSecond / model_.ratio;
  trueStamp_ += micros;
  double value = 0.0;
  std::int64_t stamp = 0;
  if (model_.timerUs > 0.0) {
    // The clock stamps each pulse (late or early by the jitter) and rounds the stamp to its
    // step; the count is the difference of two stamps, so a stamp's error enters two counts
    // with opposite signs and the sum of the counts keeps the true time to within one step.
    double at = trueStamp_;
    if (model_.jitterUs > 0.0) at += model_.jitterUs * Gaussian();
    stamp = std::llround(std::round(at / model_.timerUs) * model_.timerUs);
    value = std::max(0.0, static_cast<double>(stamp - lastStamp_));
  } else {
    value = micros;
    if (model_.jitterUs > 0.0) value += model_.jitterUs * Gaussian();
    value = std::max(1.0, std::round(value));
  }
  if (!(value <= static_cast<double>(kMaxRevolutionCount))) return false;
  if (model_.timerUs > 0.0) lastStamp_ = std::max(lastStamp_, stamp);
  count = static_cast<std::uint32_t>(value);
  return true;
}

bool RundownSimulator::Next(SimulatedRevolution& out) {
  if (finished_ || (model_.maxRecords > 0 && written_ >= model_.maxRecords)) return false;

  out = SimulatedRevolution{};
  std::uint32_t count = 0;
  if (model_.zeroFirst && written_ == 0) {
    out.startOmega = out.endOmega = omega_;  // count 0: no time recorded
  } else if (model_.HasFaults()) {
    Piece piece;
    if (!NextFaultedCount(piece, count)) {
      finished_ = true;
      return false;
    }
    out.period = piece.period;
    out.startOmega = piece.startOmega;
    out.endOmega = piece.endOmega;
    out.kind = piece.kind;
    elapsed_ += piece.period;
  } else {
    const double endOmega = model_.endRpm * kRadiansPerSecondPerRpm;
    double omega = omega_;
    double period = 0.0;
    if (!(omega_ > endOmega) || !IntegrateRevolution(omega, period)) {
      finished_ = true;
      return false;
    }
    double micros = period * kMicrosecondsPerSecond / model_.ratio;
    if (model_.jitterUs > 0.0) micros += model_.jitterUs * Gaussian();
    micros = std::round(micros);
    if (!(micros <= static_cast<double>(kMaxRevolutionCount))) {
      finished_ = true;  // the sensor count no longer fits: the host stops recording here
      return false;
    }
    count = micros < 1.0 ? 1u : static_cast<std::uint32_t>(micros);
    out.period = period;
    out.startOmega = omega_;
    out.endOmega = omega;
    omega_ = omega;
    elapsed_ += period;
  }

  out.record = RunRecord::WithCount(count);
  // The rest of the record carries nothing the reader uses; fill it with the record's index and
  // the elapsed time in microseconds so that it is deterministic and not all zeros.
  PutLittleEndian(out.record.rest.data(), static_cast<std::uint64_t>(written_), 4);
  PutLittleEndian(out.record.rest.data() + 4,
                  static_cast<std::uint64_t>(std::llround(elapsed_ * kMicrosecondsPerSecond)), 8);
  ++written_;
  if (written_ == model_.corruptAt) {
    // Rejected by the reader only when the marker is wrong and no count byte is 0.
    out.record.marker = kCorruptMarker;
    if (out.record.countHigh == 0) out.record.countHigh = 1;
    if (out.record.countMiddle == 0) out.record.countMiddle = 1;
    if (out.record.countLow == 0) out.record.countLow = 1;
  }
  return true;
}

std::vector<SimulatedRevolution> SimulateRundown(const RundownModel& model,
                                                 InjectedFaults* faults) {
  std::vector<SimulatedRevolution> run;
  RundownSimulator simulator(model);
  SimulatedRevolution revolution;
  while (simulator.Next(revolution)) run.push_back(revolution);
  if (faults) *faults = simulator.Faults();
  return run;
}

std::int64_t WriteRundownFile(const RundownModel& model, const std::string& path,
                              InjectedFaults* faults) {
  WholeFileWriter file(path);
  constexpr std::size_t kRecordsPerWrite = 4096;
  std::vector<std::uint8_t> buffer;
  buffer.reserve(kRecordsPerWrite * kRunRecordSize);
  auto flush = [&] {
    file.Write(std::string_view(reinterpret_cast<const char*>(buffer.data()), buffer.size()));
    buffer.clear();
  };

  RundownSimulator simulator(model);
  SimulatedRevolution revolution;
  std::int64_t records = 0;
  while (simulator.Next(revolution)) {
    const RunRecordBytes bytes = EncodeRunRecord(revolution.record);
    buffer.insert(buffer.end(), bytes.begin(), bytes.end());
    ++records;
    if (buffer.size() >= kRecordsPerWrite * kRunRecordSize) flush();
  }
  flush();
  file.Commit();
  if (faults) *faults = simulator.Faults();
  return records;
}

namespace {

RundownModel Rig(double inertia, double a, double b, double c, double startRpm, double endRpm,
                 double ratio, std::uint64_t seed) {
  RundownModel m;
  m.inertia = inertia;
  m.frictionA = a;
  m.frictionB = b;
  m.frictionC = c;
  m.startRpm = startRpm;
  m.endRpm = endRpm;
  m.ratio = ratio;
  m.seed = seed;
  return m;
}

}  // namespace

RundownModel BareDrum() {
  RundownModel m;
  m.inertia = 10;
  m.frictionA = 0.6;
  m.frictionB = 0.004;
  m.frictionC = 0.0003;
  m.startRpm = 380;
  m.endRpm = 0;
  return m;
}

std::vector<ReferenceRig> ReferenceRigs() {
  return {
      {"kart, 1.25 kg m^2 from 3,000 RPM", Rig(1.25, 1.5, 0.004, 0.00002, 3000, 300, 1, 3)},
      {"drum, 120 kg m^2 from 700 RPM", Rig(120, 20, 0.2, 0.004, 700, 100, 1, 5)},
      {"bike rig, 2.6 kg m^2 from 9,000 RPM, ratio 2.5",
       Rig(2.6, 2.0, 0.006, 0.000015, 9000, 1000, 2.5, 7)},
      {"heavy rig, 45 kg m^2 from 2,500 RPM", Rig(45, 8, 0.05, 0.0003, 2500, 250, 1, 9)},
  };
}

}  // namespace frixa
