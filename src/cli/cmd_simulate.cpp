// frixa-cli simulate: writes a simulated losses rundown as a host run file.
#include <cstdio>
#include <string>

#include "cli/cli.h"
#include "sim/rundown_simulator.h"

namespace frixa::cli {
namespace {

// "A,B,C": the three friction coefficients.
void ParseFriction(const std::string& text, RundownModel& model) {
  double values[3];
  std::size_t start = 0;
  for (int i = 0; i < 3; ++i) {
    const auto comma = text.find(',', start);
    if ((i < 2) != (comma != std::string::npos)) {
      throw UsageError("option --friction needs three numbers A,B,C, not '" + text + "'");
    }
    const auto value = ParseCNumber(text.substr(start, comma - start));
    if (!value) throw UsageError("option --friction needs three numbers A,B,C, not '" + text + "'");
    values[i] = *value;
    start = comma + 1;
  }
  model.frictionA = values[0];
  model.frictionB = values[1];
  model.frictionC = values[2];
}

int RunSimulate(const std::vector<std::string>& args) {
  const Options opt(args,
                    {"out", "inertia", "friction", "start-rpm", "end-rpm", "ratio", "jitter-us",
                     "seed", "corrupt-at", "max-records", "timer-us", "double-trigger-rate",
                     "missed-pulse-rate", "driven-revs"},
                    {"zero-first"});
  if (!opt.Positional().empty()) throw UsageError("unexpected argument '" + opt.Positional()[0] + "'");
  RundownModel model;
  const std::string out = opt.Require("out");
  model.inertia = opt.Number("inertia", model.inertia);
  if (const auto friction = opt.Get("friction")) ParseFriction(*friction, model);
  model.startRpm = opt.Number("start-rpm", model.startRpm);
  model.endRpm = opt.Number("end-rpm", model.endRpm);
  model.ratio = opt.Number("ratio", model.ratio);
  model.jitterUs = opt.Number("jitter-us", model.jitterUs);
  const long long seed = opt.Integer("seed", 1);
  model.corruptAt = opt.Integer("corrupt-at", 0);
  model.maxRecords = opt.Integer("max-records", 0);
  model.zeroFirst = opt.Has("zero-first");
  model.timerUs = opt.Number("timer-us", 0.0);
  model.doubleTriggerRate = opt.Number("double-trigger-rate", 0.0);
  model.missedPulseRate = opt.Number("missed-pulse-rate", 0.0);
  model.drivenRevolutions = opt.Integer("driven-revs", 0);
  if (!(model.inertia > 0.0)) throw UsageError("option --inertia must be above 0");
  if (!(model.ratio > 0.0)) throw UsageError("option --ratio must be above 0");
  if (model.jitterUs < 0.0) throw UsageError("option --jitter-us must not be negative");
  if (seed < 0) throw UsageError("option --seed must not be negative");
  if (model.corruptAt < 0) throw UsageError("option --corrupt-at must not be negative");
  if (model.maxRecords < 0) throw UsageError("option --max-records must not be negative");
  if (model.timerUs < 0.0) throw UsageError("option --timer-us must not be negative");
  if (!(model.doubleTriggerRate >= 0.0 && model.missedPulseRate >= 0.0 &&
        model.doubleTriggerRate + model.missedPulseRate <= 1.0)) {
    throw UsageError("options --double-trigger-rate and --missed-pulse-rate must lie between 0 "
                     "and 1 and add up to 1 at most");
  }
  if (model.drivenRevolutions < 0) throw UsageError("option --driven-revs must not be negative");
  model.seed = static_cast<std::uint64_t>(seed);

  InjectedFaults faults;
  const std::int64_t records = WriteRundownFile(model, out, &faults);
  std::printf("%lld\n", static_cast<long long>(records));
  if (model.HasFaults()) {
    std::printf("faults: %lld double triggers, %lld missed pulses, %lld driven revolutions\n",
                static_cast<long long>(faults.doubleTriggers),
                static_cast<long long>(faults.missedPulses),
                static_cast<long long>(faults.drivenRevolutions));
  }
  return kExitOk;
}

}  // namespace

FRIXA_CLI_COMMAND({"simulate",
                   "simulate --out FILE [--inertia 1.25] [--friction A,B,C] [--start-rpm 3000] "
                   "[--end-rpm 300] [--ratio 1] [--jitter-us 0] [--seed 1] [--corrupt-at K] "
                   "[--zero-first] [--max-records N] [--timer-us STEP] [--double-trigger-rate R] "
                   "[--missed-pulse-rate R] [--driven-revs N]",
                   "Write a simulated losses rundown (friction torque A + B w + C w^2 N m) as a "
                   "run file; prints the number of records. Faults of real timing on request: "
                   "time stamps rounded to a timer's step, sensor bounces and missed pulses (shares "
                   "of revolutions), revolutions held at the start speed before the coast; their "
                   "numbers follow on a second line.",
                   RunSimulate})

}  // namespace frixa::cli
