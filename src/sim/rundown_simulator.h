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
};

// The model's friction torque at angular speed `omega` (rad/s), N m.
double FrictionTorque(const RundownModel& model, double omega);

// One simulated revolution of the mass as the run file records it.
struct SimulatedRevolution {
  RunRecord record;
  double period = 0.0;      // s, the true period of the mass (0 for the zero-first record)
  double startOmega = 0.0;  // rad/s at the start of the revolution
  double endOmega = 0.0;    // rad/s at its end
};

// Produces the records of one rundown in order.
class RundownSimulator {
 public:
  explicit RundownSimulator(const RundownModel& model);
  // The next record; false when the run is over (below the end speed, a revolution the mass
  // cannot complete, a count that no longer fits 24 bits, or maxRecords reached).
  bool Next(SimulatedRevolution& out);

 private:
  bool IntegrateRevolution(double& omega, double& period) const;
  double Gaussian();

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
};

std::vector<SimulatedRevolution> SimulateRundown(const RundownModel& model);

// Rigs of known friction for accuracy checks, without jitter (counts rounded to whole
// microseconds only): a 1.25 kg m^2 kart flywheel from 3,000 RPM, a 120 kg m^2 drum from 700 RPM,
// a 2.6 kg m^2 fast rig from 9,000 RPM with sensor ratio 2.5, a 45 kg m^2 heavy rig from
// 2,500 RPM.
struct ReferenceRig {
  const char* name;
  RundownModel model;
};
std::vector<ReferenceRig> ReferenceRigs();

// Writes the rundown as the whole file `path` (replacing it) and returns the number of records.
// Raises 75 (path/file access) or 70 as WriteWholeFile does; an older file then stays.
std::int64_t WriteRundownFile(const RundownModel& model, const std::string& path);

}  // namespace frixa
