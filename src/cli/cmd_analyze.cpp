// frixa-cli analyze and smooth: the friction model fitted to a calibration file's settled
// revolutions, how far the stored loss curve strays from it, and a calibration whose curve is
// the model.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "analysis/fit_verdict.h"
#include "browser/info_display.h"
#include "calfile/file_names.h"
#include "calfile/friction_fit.h"
#include "calfile/smoothed_file.h"
#include "cli/cli.h"
#include "cli/console_frontend.h"
#include "common/error.h"
#include "platform/short_date.h"
#include "recordset/data_controls.h"

namespace frixa::cli {
namespace {

int RunAnalyze(const std::vector<std::string>& args) {
  const Options opt(args, {"format"});
  if (opt.Positional().size() != 1) throw UsageError("expected one calibration file");
  const std::string format = opt.Get("format").value_or("text");
  if (format != "text" && format != "json") throw UsageError("--format is text or json");
  const std::string& file = opt.Positional()[0];

  InfoDisplay info;
  SettledRawData raw;
  std::vector<LossCurveRow> curve;
  try {
    RecordSet id;
    Bind(id, file, "Select * From Info");
    info = ReadInfoDisplay(id, '.');
    raw = ReadSettledRawData(id);
    curve = ReadLossCurve(id);
    Release(id);
  } catch (const Error& e) {
    std::fprintf(stderr, "frixa-cli analyze: %s: %s (error %d)\n", file.c_str(),
                 e.description().c_str(), e.number());
    return kExitError;
  }
  const FrictionFit fit = FitSettledRawData(raw);
  if (!fit.fitted) {
    std::fprintf(stderr, "frixa-cli analyze: %s: %s\n", file.c_str(), fit.problem.c_str());
    return kExitError;
  }
  const FitVerdict judged = JudgeFit(fit, curve);
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
    std::printf("Loss curve rows: %ld, from T(w) = %.9g + %.9g w + %.9g w^2 N m (R^2 %.6f)\n",
                out.lossRows, out.fit.a, out.fit.b, out.fit.c, out.fit.r2);
    if (out.fit.poor || out.fit.notPhysical) {
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
                   "Fit the friction model T(w) = A + B w + C w^2 to a calibration file's settled "
                   "revolutions; show A, B, C, R^2, the residual RMS, how far the stored loss "
                   "curve strays from the model, and a verdict.",
                   RunAnalyze})
FRIXA_CLI_COMMAND({"smooth", "smooth FILE --out NAME",
                   "Write the calibration file NAME (\".Frixa\" added unless it ends in it; a "
                   "bare name goes beside FILE) with FILE's raw and point data and the fitted "
                   "friction model as its loss curve.",
                   RunSmooth})

}  // namespace frixa::cli
