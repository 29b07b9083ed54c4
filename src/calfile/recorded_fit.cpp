// The friction of a file from its recorded revolution times: see recorded_fit.h.
#include "calfile/recorded_fit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

#include "calfile/processing_phases.h"
#include "calfile/smoothed_file.h"
#include "recordset/data_controls.h"
#include "run/record_repair.h"
#include "run/run_file.h"

namespace frixa {
namespace {

std::string Text(const char* format, double x, double y = 0) {
  char buf[200];
  std::snprintf(buf, sizeof buf, format, x, y);
  return buf;
}

// The lowest torque of `model` at the middles of the whole RPMs [low, high].
bool PositiveOverRange(const FrictionFit& model, double low, double high) {
  if (!(high >= low)) return false;
  const auto first = static_cast<std::int64_t>(std::floor(low));
  const auto last = static_cast<std::int64_t>(std::floor(high));
  for (std::int64_t r = first; r <= last; ++r) {
    if (!(model.TorqueAt(static_cast<double>(r) + 0.5) > 0)) return false;
  }
  return true;
}

}  // namespace

RecordedFit FitRecordedCounts(std::vector<RecordedCounts> rundowns, double inertia, double ratio,
                              double rpmLow, double rpmHigh) {
  RecordedFit out;
  rundowns.erase(std::remove_if(rundowns.begin(), rundowns.end(),
                                [](const RecordedCounts& r) { return r.empty(); }),
                 rundowns.end());
  if (rundowns.empty()) return out;
  out.recorded = true;

  // The ratio as the run pass holds it: a Single of the command line.
  const auto sensorMassRatio = static_cast<float>(ratio);
  std::uint32_t granularity = 0;
  double totalSeconds = 0;
  std::size_t revolutionCount = 0;
  std::vector<std::vector<double>> periods;
  std::vector<std::vector<std::int64_t>> doubtful;
  periods.reserve(rundowns.size());
  doubtful.reserve(rundowns.size());
  for (RecordedCounts& recorded : rundowns) {
    std::vector<std::uint32_t> counts(recorded.begin(), recorded.end());
    RecordedCounts().swap(recorded);  // one copy of a rundown at a time
    for (const std::uint32_t c : counts) {
      if (granularity == 1) break;
      granularity = std::gcd(granularity, c);
    }
    const RecordRepair repair = RepairRecords(counts);
    out.merged += repair.merged;
    out.split += repair.split;
    out.leftOut += repair.leftOut;
    const auto revolutions = repair.Revolutions(counts);
    std::vector<double> seconds(revolutions.size());
    std::transform(revolutions.begin(), revolutions.end(), seconds.begin(), [&](std::uint32_t c) {
      return RunFileReader::PeriodOfCount(c, sensorMassRatio);
    });
    for (const double p : seconds) totalSeconds += p;
    revolutionCount += seconds.size();
    periods.push_back(std::move(seconds));
    doubtful.push_back(repair.doubtful);
  }
  out.timerStepUs = static_cast<double>(std::max<std::uint32_t>(granularity, 1)) *
                    static_cast<double>(sensorMassRatio);
  out.meanPeriodUs = revolutionCount == 0
                        ? 0
                        : totalSeconds / static_cast<double>(revolutionCount) * kMicrosecondsPerSecond;
  out.residualLimitUs =
      std::max(kResidualTimesResolution * std::max(out.timerStepUs / std::sqrt(12.0), kResolutionFloorUs),
               kResidualShareOfPeriod * out.meanPeriodUs);

  out.time = FitRevolutionTimes(periods, inertia, doubtful);
  if (!out.time.fitted) {
    out.reason = out.time.problem;
    return out;
  }
  FrictionFit& model = out.model;
  model.fitted = true;
  model.a = out.time.a;
  model.b = out.time.b;
  model.c = out.time.c;
  model.rows = out.time.revolutions;
  model.rpmLow = rpmLow;
  model.rpmHigh = rpmHigh;
  out.physical = out.time.c >= 0 && PositiveOverRange(model, rpmLow, rpmHigh);
  model.notPhysical = !out.physical;
  if (out.time.c < 0) {
    out.reason = "the fitted friction bends downwards at speed (C < 0)";
  } else if (!out.physical) {
    out.reason = "the fitted friction goes negative inside the range";
  } else if (!(out.time.bandPct <= kSoundBandPct)) {
    out.reason = Text("its 95 %% band is %.2f %% of the torque, wider than %.0f %%",
                      out.time.bandPct, kSoundBandPct);
  } else if (!(out.time.timeRmsUs <= out.residualLimitUs)) {
    out.reason = Text("its time residual of %.1f us is far above the %.1f us the timer explains",
                      out.time.timeRmsUs, out.residualLimitUs);
  } else {
    out.sound = true;
  }
  return out;
}

RecordedFit ReadRecordedFit(const std::string& path) {
  std::vector<RecordedCounts> rundowns = ReadRecordedCounts(path);
  if (rundowns.empty()) return {};
  RecordSet id;
  Bind(id, path, "Select * From Info");
  // By position, as the browser reads the record: 0 the inertia, 1 the ratio, 2 and 3 the range.
  const double inertia = id.Fields(0).AsDouble();
  const double ratio = id.Fields(1).AsDouble();
  const double low = id.Fields(2).AsDouble();
  const double high = id.Fields(3).AsDouble();
  Release(id);
  return FitRecordedCounts(std::move(rundowns), inertia, ratio, low, high);
}

std::vector<LossCurveRow> FittedLossCurve(const std::string& path) {
  std::vector<RecordedCounts> rundowns = ReadRecordedCounts(path);
  RecordSet id;
  Bind(id, path, "Select * From Info");
  if (id.Eof() || id.FieldCount() < 4) {
    Release(id);
    throw SmoothingRefused("the file's information record is missing");
  }
  // By position, as the browser reads the record: 0 the inertia, 1 the ratio, 2 and 3 the range.
  const double inertia = id.Fields(0).AsDouble();
  const double ratio = id.Fields(1).AsDouble();
  const double low = id.Fields(2).AsDouble();
  const double high = id.Fields(3).AsDouble();
  FrictionFit model;
  if (!rundowns.empty()) {
    Release(id);
    const RecordedFit fit = FitRecordedCounts(std::move(rundowns), inertia, ratio, low, high);
    if (!fit.sound) throw SmoothingRefused("the file's fit is not sound: " + fit.reason);
    model = fit.model;
  } else {
    model = FitSettledRawData(ReadSettledRawData(id));
    Release(id);
    if (!model.fitted) throw SmoothingRefused(model.problem);
    if (model.notPhysical) throw SmoothingRefused("the file's fit is not sound: it is not physical");
    if (model.poor) throw SmoothingRefused("the file's fit is not sound: it is poor");
  }
  if (!(std::isfinite(low) && std::isfinite(high) && low == std::floor(low) &&
        high == std::floor(high) && low >= 0 && high >= low &&
        high - low + 1 <= static_cast<double>(kMaxRpmRange))) {
    throw SmoothingRefused("the file's information record holds no usable RPM range");
  }
  const auto first = static_cast<std::int32_t>(low);
  const auto last = static_cast<std::int32_t>(high);
  if (!PositiveOverRange(model, first, last)) {
    throw SmoothingRefused("the fitted friction model gives a negative torque loss inside the range");
  }
  return ModelLossRows(model, first, last);
}

std::vector<LossCurveRow> ModelLossRows(const FrictionFit& model, std::int32_t first,
                                        std::int32_t last) {
  std::vector<LossCurveRow> rows;
  if (last < first) return rows;
  rows.reserve(static_cast<std::size_t>(last - first) + 1);
  for (std::int64_t r = first; r <= last; ++r) {
    const double middle = static_cast<double>(r) + 0.5;
    rows.push_back({static_cast<std::int32_t>(r), static_cast<float>(model.PowerAt(middle)),
                    static_cast<float>(model.TorqueAt(middle))});
  }
  return rows;
}

}  // namespace frixa
