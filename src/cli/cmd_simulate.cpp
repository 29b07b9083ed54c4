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
                     "seed", "corrupt-at", "max-records"},
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
  if (!(model.inertia > 0.0)) throw UsageError("option --inertia must be above 0");
  if (!(model.ratio > 0.0)) throw UsageError("option --ratio must be above 0");
  if (model.jitterUs < 0.0) throw UsageError("option --jitter-us must not be negative");
  if (seed < 0) throw UsageError("option --seed must not be negative");
  if (model.corruptAt < 0) throw UsageError("option --corrupt-at must not be negative");
  if (model.maxRecords < 0) throw UsageError("option --max-records must not be negative");
  model.seed = static_cast<std::uint64_t>(seed);

  const std::int64_t records = WriteRundownFile(model, out);
  std::printf("%lld\n", static_cast<long long>(records));
  return kExitOk;
}

}  // namespace

FRIXA_CLI_COMMAND({"simulate",
                   "simulate --out FILE [--inertia 1.25] [--friction A,B,C] [--start-rpm 3000] "
                   "[--end-rpm 300] [--ratio 1] [--jitter-us 0] [--seed 1] [--corrupt-at K] "
                   "[--zero-first] [--max-records N]",
                   "Write a simulated losses rundown (friction torque A + B w + C w^2 N m) as a "
                   "run file; prints the number of records.",
                   RunSimulate})

}  // namespace frixa::cli
