// Room sim/: may include common/ up to app/ (docs/architecture.md).
// A stand-in for the host: simulates a losses rundown of the dynamometer's mass and writes the
// run file the host would leave behind. Used by frixa-cli's `simulate`, the tests and the
// benchmarks.
//
// The mass (inertia I, kg m^2) coasts from a start speed under the friction torque
// T(w) = A + B w + C w^2 (N m, w in rad/s). Each revolution is integrated with classical RK4 in
// the angle (dt/dtheta = 1/w, dw/dtheta = -T(w) / (I w)); its period, divided by the
// sensor-to-mass ratio, becomes the sensor count of one record, optionally with Gaussian jitter.
// Output is fully determined by the model: the same seed gives the same bytes on every platform.
//
// The faults of real timing can be put in on request (none by default, and a model without them
// gives exactly the records it always gave): a coarse timer that rounds every pulse's time stamp
// to its step, a sensor that bounces (a double trigger: one revolution recorded as a short and a
// long period), a sensor that misses a pulse (two revolutions recorded as one period), and a
// driven start (the mass held at the start speed for some revolutions before it coasts).
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "run/run_file.h"

namespace frixa {

struct RundownModel {
  double inertia = 1.25;       // kg m^2
  double frictionA = 1.5;      // N m
  double frictionB = 0.004;    // N m per rad/s
  double frictionC = 0.00002;  // N m per (rad/s)^2
  double startRpm = 3000.0;
  double endRpm = 300.0;       // records stop once the mass has slowed below this
  double ratio = 1.0;          // sensor-to-mass ratio: count = mass period / ratio
  double jitterUs = 0.0;       // standard deviation of the jitter on each count, microseconds
  std::uint64_t seed = 1;
  std::int64_t corruptAt = 0;  // 1-based number of a record made to fail acceptance; 0 for none
  bool zeroFirst = false;      // put a record with count 0 in front of the run
  std::int64_t maxRecords = 0; // stop after this many records; 0 for no limit
  int substepsPerRevolution = 32;

  // Faults of real timing (all off by default).
  double timerUs = 0.0;            // time stamps rounded to this step (sensor us); 0: exact
  double doubleTriggerRate = 0.0;  // share of revolutions split by a bounce into two periods
  double missedPulseRate = 0.0;    // share of revolutions whose closing pulse is missed
  std::int64_t drivenRevolutions = 0;  // revolutions held at the start speed before the coast

  bool HasFaults() const {
    return timerUs > 0.0 || doubleTriggerRate > 0.0 || missedPulseRate > 0.0 ||
           drivenRevolutions > 0;
  }
};

// What the simulator put into the records, counted as it wrote them.
struct InjectedFaults {
  std::int64_t doubleTriggers = 0;  // revolutions split in two
  std::int64_t missedPulses = 0;    // pulses left out (each joins two revolutions)
  std::int64_t drivenRevolutions = 0;
};

// What a record holds, for tests that follow a fault through.
enum class RecordKind : std::uint8_t {
  Coast,               // one revolution of the coast
  Driven,              // one revolution held at the start speed
  BounceShort,         // the short first part of a revolution split by a double trigger
  BounceLong,          // its long rest
  TwoRevolutions,      // two revolutions joined by a missed pulse
};

// The model's friction torque at angular speed `omega` (rad/s), N m.
double FrictionTorque(const RundownModel& model, double omega);

// One simulated revolution of the mass as the run file records it.
struct SimulatedRevolution {
  RunRecord record;
  double period = 0.0;      // s, the true period of the mass (0 for the zero-first record)
  double startOmega = 0.0;  // rad/s at the start of the revolution
  double endOmega = 0.0;    // rad/s at its end
  RecordKind kind = RecordKind::Coast;
};

// Produces the records of one rundown in order.
class RundownSimulator {
 public:
  explicit RundownSimulator(const RundownModel& model);
  // The next record; false when the run is over (below the end speed, a revolution the mass
  // cannot complete, a count that no longer fits 24 bits, or maxRecords reached).
  bool Next(SimulatedRevolution& out);
  // The faults put in so far.
  const InjectedFaults& Faults() const { return faults_; }

 private:
  // One piece of time between two recorded pulses, before the sensor's clock stamps it.
  struct Piece {
    double period = 0.0;  // s
    double startOmega = 0.0;
    double endOmega = 0.0;
    RecordKind kind = RecordKind::Coast;
  };
  bool IntegrateRevolution(double& omega, double& period) const;
  bool NextRevolution(Piece& out);
  bool NextFaultedCount(Piece& piece, std::uint32_t& count);
  double Gaussian();
  double FaultUniform();

  RundownModel model_;
  double omega_;
  double elapsed_ = 0.0;
  std::int64_t written_ = 0;
  bool finished_ = false;
  // std::mt19937_64 is specified bit for bit by the standard; the normal deviates come from our
  // own Box-Muller rather than std::normal_distribution, whose algorithm differs by library.
  std::mt19937_64 engine_;
  bool haveSpare_ = false;
  double spare_ = 0.0;
  // The faults draw from an engine of their own, so that they do not disturb the jitter's.
  std::mt19937_64 faultEngine_;
  InjectedFaults faults_;
  Piece queued_;          // the long part of a split revolution, recorded next
  bool haveQueued_ = false;
  double trueStamp_ = 0.0;      // sensor us since the first pulse, exact
  std::int64_t lastStamp_ = 0;  // the last pulse's stamp as the coarse timer gave it
};

// The whole run; `faults`, when given, receives what was put in.
std::vector<SimulatedRevolution> SimulateRundown(const RundownModel& model,
                                                 InjectedFaults* faults = nullptr);

// Rigs of known friction for accuracy checks, without jitter (counts rounded to whole
// microseconds only): a 1.25 kg m^2 kart flywheel from 3,000 RPM, a 120 kg m^2 drum from 700 RPM,
// a 2.6 kg m^2 fast rig from 9,000 RPM with sensor ratio 2.5, a 45 kg m^2 heavy rig from
// 2,500 RPM.
struct ReferenceRig {
  const char* name;
  RundownModel model;
};
std::vector<ReferenceRig> ReferenceRigs();

// A bare 10 kg m^2 drum coasting from 380 RPM to a stop (about 1,400 revolutions in 7 minutes):
// the slow rig on which timing faults weigh most, as the fault cases of the tests and benches
// simulate it.
RundownModel BareDrum();

// Writes the rundown as the whole file `path` (replacing it) and returns the number of records,
// and with `faults` what faults the simulator put in. Raises 75 (path/file access) or 70 as
// WriteWholeFile does; an older file then stays.
std::int64_t WriteRundownFile(const RundownModel& model, const std::string& path,
                              InjectedFaults* faults = nullptr);

}  // namespace frixa
