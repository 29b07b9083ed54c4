// frixa-cli analyze and smooth: the friction model fitted to a calibration file's recorded
// revolution times (or, for an older file, to its settled revolutions), how far the stored loss
// curve strays from it, and a calibration whose curve is the model.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "analysis/fit_verdict.h"
#include "browser/info_display.h"
#include "calfile/file_names.h"
#include "calfile/friction_fit.h"
#include "calfile/recorded_fit.h"
#include "calfile/smoothed_file.h"
#include "cli/cli.h"
#include "cli/console_frontend.h"
#include "common/error.h"
#include "platform/short_date.h"
#include "recordset/data_controls.h"

namespace frixa::cli {
namespace {

// A file with recorded times: the model fitted to them, its band and residual, the repairs and
// their verdict, beside the per-revolution fit's R^2 and RMS.
int PrintRecordedAnalysis(const std::string& file, const std::string& format,
                          const InfoDisplay& info, const SettledRawData& raw,
                          const std::vector<LossCurveRow>& curve, const FrictionFit& perRevolution,
                          const RecordedFit& recorded) {
  const FitVerdict judged = JudgeRecordedFit(recorded, curve, VerdictReader::Console);
  const Deviation& torque = judged.torque;
  const Deviation& power = judged.power;
  const TimeFit& t = recorded.time;
  const double rpmLow = curve.empty() ? 0 : curve.front().rpm;
  const double rpmHigh = curve.empty() ? 0 : curve.back().rpm;
  const double rpmPerOmega = 60.0 / (2.0 * 3.14159265358979323846);
  if (format == "json") {
    std::printf(
        "{\"file\": %s, \"moi_applied\": %s, \"ppr\": %s, \"date\": %s, \"comment\": %s, "
        "\"rpm_low\": %s, \"rpm_high\": %s, \"rows\": %ld, \"settled\": %ld, "
        "\"fit_rpm_low\": %s, \"fit_rpm_high\": %s, \"a\": %s, \"b\": %s, \"c\": %s, "
        "\"r2\": %s, \"rms\": %s, \"max_dev_pct\": %s, \"mean_dev_pct\": %s, "
        "\"max_dev_power_pct\": %s, \"mean_dev_power_pct\": %s, \"not_physical\": %s, "
        "\"poor\": %s, \"verdict\": %s, \"revolutions\": %ld, \"rundowns\": %zu, "
        "\"band_pct\": %s, \"time_rms_us\": %s, \"timer_step_us\": %s, "
        "\"mean_period_us\": %s, \"residual_limit_us\": %s, \"merged\": %lld, \"split\": %lld, \"left_out\": %lld, "
        "\"sound\": %s}\n",
        JsonText(file).c_str(), JsonText(info.moiApplied).c_str(), JsonText(info.ppr).c_str(),
        JsonText(info.date).c_str(), JsonText(info.comment).c_str(), JsonNumber(rpmLow).c_str(),
        JsonNumber(rpmHigh).c_str(), raw.stored, raw.settled,
        JsonNumber(t.omegaLow * rpmPerOmega).c_str(), JsonNumber(t.omegaHigh * rpmPerOmega).c_str(),
        JsonNumber(t.a).c_str(), JsonNumber(t.b).c_str(), JsonNumber(t.c).c_str(),
        JsonNumber(perRevolution.r2).c_str(), JsonNumber(perRevolution.rms).c_str(),
        JsonNumber(torque.maxPercent).c_str(), JsonNumber(torque.meanPercent).c_str(),
        JsonNumber(power.maxPercent).c_str(), JsonNumber(power.meanPercent).c_str(),
        t.fitted && !recorded.physical ? "true" : "false", perRevolution.poor ? "true" : "false",
        JsonText(judged.text).c_str(), t.revolutions, t.startOmega.size(),
        JsonNumber(t.bandPct).c_str(), JsonNumber(t.timeRmsUs).c_str(),
        JsonNumber(recorded.timerStepUs).c_str(), JsonNumber(recorded.meanPeriodUs).c_str(),
        JsonNumber(recorded.residualLimitUs).c_str(),
        static_cast<long long>(recorded.merged), static_cast<long long>(recorded.split),
        static_cast<long long>(recorded.leftOut), recorded.sound ? "true" : "false");
    return kExitOk;
  }
  std::printf("Calibration file: %s\n", file.c_str());
  PrintInfoLines(info);
  std::printf("RPM range: %.0f to %.0f (%zu loss curve rows)\n", rpmLow, rpmHigh, curve.size());
  std::printf("Revolutions stored: %ld, settled: %ld\n", raw.stored, raw.settled);
  std::printf("Recorded times: repaired %lld merged, %lld split, %lld left out\n",
              static_cast<long long>(recorded.merged), static_cast<long long>(recorded.split),
              static_cast<long long>(recorded.leftOut));
  if (!t.fitted) {
    std::printf("No model fits the revolution times: %s\n", t.problem.c_str());
  } else {
    std::printf("Friction model T(w) = A + B w + C w^2, w in rad/s, fitted to %ld revolution "
                "times of %zu rundown(s) between %.1f and %.1f RPM:\n",
                t.revolutions, t.startOmega.size(), t.omegaLow * rpmPerOmega,
                t.omegaHigh * rpmPerOmega);
    std::printf("  A = %.9g N m\n  B = %.9g N m s/rad\n  C = %.9g N m s^2/rad^2\n", t.a, t.b,
                t.c);
    std::printf("  95 %% band of the torque: %.3f %% (sound within %.0f %%)\n", t.bandPct,
                kSoundBandPct);
    std::printf("  time residual RMS = %.3f us (timer step %.6g us, mean period %.0f us, sound within %.3f us)\n",
                t.timeRmsUs, recorded.timerStepUs, recorded.meanPeriodUs, recorded.residualLimitUs);
    if (perRevolution.fitted) {
      std::printf("  per-revolution fit: R^2 = %.6f, residual RMS = %.6g N m (not a measure "
                  "of the fit under timing noise)\n",
                  perRevolution.r2, perRevolution.rms);
    }
    std::printf("Stored curve against the model: torque largest %.3f %%, mean %.3f %%; power "
                "largest %.3f %%, mean %.3f %%\n",
                torque.maxPercent, torque.meanPercent, power.maxPercent, power.meanPercent);
  }
  std::printf("Verdict: %s\n", judged.text.c_str());
  return kExitOk;
}

int RunAnalyze(const std::vector<std::string>& args) {
  const Options opt(args, {"format"});
  if (opt.Positional().size() != 1) throw UsageError("expected one calibration file");
  const std::string format = opt.Get("format").value_or("text");
  if (format != "text" && format != "json") throw UsageError("--format is text or json");
  const std::string& file = opt.Positional()[0];

  InfoDisplay info;
  SettledRawData raw;
  std::vector<LossCurveRow> curve;
  RecordedFit recorded;
  try {
    RecordSet id;
    Bind(id, file, "Select * From Info");
    // By position, as the browser reads the record: 0 the inertia, 1 the ratio, 2 and 3 the range.
    const double inertia = id.Fields(0).AsDouble();
    const double ratio = id.Fields(1).AsDouble();
    const double low = id.Fields(2).AsDouble();
    const double high = id.Fields(3).AsDouble();
    info = ReadInfoDisplay(id, '.');
    raw = ReadSettledRawData(id);
    curve = ReadLossCurve(id);
    Release(id);
    recorded = FitRecordedCounts(ReadRecordedCounts(file), inertia, ratio, low, high);
  } catch (const Error& e) {
    std::fprintf(stderr, "frixa-cli analyze: %s: %s (error %d)\n", file.c_str(),
                 e.description().c_str(), e.number());
    return kExitError;
  }
  const FrictionFit fit = FitSettledRawData(raw);
  // A run without three RPMs (no coast at all) is refused, recorded times or not.
  if (!fit.fitted) {
    std::fprintf(stderr, "frixa-cli analyze: %s: %s\n", file.c_str(), fit.problem.c_str());
    return kExitError;
  }
  if (recorded.recorded) return PrintRecordedAnalysis(file, format, info, raw, curve, fit, recorded);
  const FitVerdict judged = JudgeFit(fit, curve, VerdictReader::Console);
  const Deviation& torque = judged.torque;
  const Deviation& power = judged.power;
  const std::string& verdict = judged.text;
  const double rpmLow = curve.empty() ? 0 : curve.front().rpm;
  const double rpmHigh = curve.empty() ? 0 : curve.back().rpm;

  if (format == "json") {
    std::printf(
        "{\"file\": %s, \"moi_applied\": %s, \"ppr\": %s, \"date\": %s, \"comment\": %s, "
        "\"rpm_low\": %s, \"rpm_high\": %s, \"rows\": %ld, \"settled\": %ld, "
        "\"fit_rpm_low\": %s, \"fit_rpm_high\": %s, \"a\": %s, \"b\": %s, \"c\": %s, "
        "\"r2\": %s, \"rms\": %s, \"max_dev_pct\": %s, \"mean_dev_pct\": %s, "
        "\"max_dev_power_pct\": %s, \"mean_dev_power_pct\": %s, \"not_physical\": %s, "
        "\"poor\": %s, \"verdict\": %s}\n",
        JsonText(file).c_str(), JsonText(info.moiApplied).c_str(), JsonText(info.ppr).c_str(),
        JsonText(info.date).c_str(), JsonText(info.comment).c_str(), JsonNumber(rpmLow).c_str(),
        JsonNumber(rpmHigh).c_str(), raw.stored, raw.settled,
        JsonNumber(fit.rpmLow).c_str(), JsonNumber(fit.rpmHigh).c_str(), JsonNumber(fit.a).c_str(),
        JsonNumber(fit.b).c_str(), JsonNumber(fit.c).c_str(), JsonNumber(fit.r2).c_str(),
        JsonNumber(fit.rms).c_str(), JsonNumber(torque.maxPercent).c_str(),
        JsonNumber(torque.meanPercent).c_str(), JsonNumber(power.maxPercent).c_str(),
        JsonNumber(power.meanPercent).c_str(), fit.notPhysical ? "true" : "false",
        fit.poor ? "true" : "false", JsonText(verdict).c_str());
    return kExitOk;
  }
  std::printf("Calibration file: %s\n", file.c_str());
  PrintInfoLines(info);
  std::printf("RPM range: %.0f to %.0f (%zu loss curve rows)\n", rpmLow, rpmHigh, curve.size());
  std::printf("Revolutions stored: %ld, settled: %ld (fitted between %.1f and %.1f RPM)\n",
              raw.stored, raw.settled, fit.rpmLow, fit.rpmHigh);
  std::printf("Friction model T(w) = A + B w + C w^2, w in rad/s:\n");
  std::printf("  A = %.9g N m\n  B = %.9g N m s/rad\n  C = %.9g N m s^2/rad^2\n", fit.a,
              fit.b, fit.c);
  std::printf("  R^2 = %.6f (poor below %.2f), residual RMS = %.6g N m\n", fit.r2, kPoorFitR2,
              fit.rms);
  std::printf("Stored curve against the model: torque largest %.3f %%, mean %.3f %%; power "
              "largest %.3f %%, mean %.3f %%\n",
              torque.maxPercent, torque.meanPercent, power.maxPercent, power.meanPercent);
  std::printf("Verdict: %s\n", verdict.c_str());
  return kExitOk;
}

int RunSmooth(const std::vector<std::string>& args) {
  const Options opt(args, {"out"});
  if (opt.Positional().size() != 1) throw UsageError("expected one calibration file");
  const std::string& source = opt.Positional()[0];
  std::string name = opt.Require("out");
  // A bare name goes beside the source, as a calibration file among its own.
  if (!std::filesystem::path(name).has_parent_path()) {
    name = (std::filesystem::path(source).parent_path() / name).string();
  }
  name = WithCalibrationExtension(std::move(name));
  ConsoleFrontend ui;
  try {
    const SmoothedFile out = SmoothCalibrationFile(ui, source, name, TodayShortDateText());
    std::printf("Smoothed calibration: %s\n", name.c_str());
    if (out.fromRecordedTimes) {
      std::printf("Loss curve rows: %ld, from T(w) = %.9g + %.9g w + %.9g w^2 N m "
                  "(fitted to the recorded revolution times)\n",
                  out.lossRows, out.fit.a, out.fit.b, out.fit.c);
    } else {
      std::printf("Loss curve rows: %ld, from T(w) = %.9g + %.9g w + %.9g w^2 N m (R^2 %.6f)\n",
                  out.lossRows, out.fit.a, out.fit.b, out.fit.c, out.fit.r2);
    }
    if (!out.fromRecordedTimes && (out.fit.poor || out.fit.notPhysical)) {
      std::printf("Warning: the fit is %s; see frixa-cli analyze.\n",
                  out.fit.notPhysical ? "not physical" : "poor");
    }
  } catch (const SmoothingRefused& e) {
    std::fprintf(stderr, "frixa-cli smooth: %s: %s (error %d)\n", source.c_str(),
                 e.description().c_str(), e.number());
    return kExitError;
  } catch (const Error& e) {
    std::fprintf(stderr, "frixa-cli smooth: %s (error %d)\n", e.description().c_str(),
                 e.number());
    return kExitError;
  }
  return kExitOk;
}

}  // namespace

FRIXA_CLI_COMMAND({"analyze", "analyze FILE [--format text|json]",
                   "Fit the friction model T(w) = A + B w + C w^2 to a calibration file's recorded "
                   "revolution times, repaired (or to the settled revolutions of a file without "
                   "them); show A, B, C, the 95 % band and the time residual (R^2 and the "
                   "residual RMS), the repairs, how far the stored loss curve strays from the "
                   "model, and a verdict.",
                   RunAnalyze})
FRIXA_CLI_COMMAND({"smooth", "smooth FILE --out NAME",
                   "Write the calibration file NAME (\".Frixa\" added unless it ends in it; a "
                   "bare name goes beside FILE) with FILE's raw and point data and the fitted "
                   "friction model as its loss curve.",
                   RunSmooth})

}  // namespace frixa::cli
