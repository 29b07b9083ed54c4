// frixa-cli analyze and smooth: the friction model fitted to a calibration file's settled
// revolutions, how far the stored loss curve strays from it, and a calibration whose curve is
// the model.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

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

// Above this largest deviation the stored curve is called noisy.
constexpr double kNoisyCurvePercent = 5.0;

struct Deviation {
  double maxPercent = 0;
  double meanPercent = 0;
  long rows = 0;
};

// Of the stored curve's torque (or power) from the model, at the middle of each RPM.
Deviation CurveDeviation(const std::vector<LossCurveRow>& curve, const FrictionFit& fit,
                         bool power) {
  Deviation d;
  double sum = 0;
  for (const LossCurveRow& row : curve) {
    const double middle = row.rpm + 0.5;
    const double model = power ? fit.PowerAt(middle) : fit.TorqueAt(middle);
    if (model <= 0) continue;
    const double pct = std::fabs((power ? row.kw : row.nm) - model) / model * 100.0;
    d.maxPercent = std::max(d.maxPercent, pct);
    sum += pct;
    ++d.rows;
  }
  if (d.rows > 0) d.meanPercent = sum / static_cast<double>(d.rows);
  return d;
}

std::string Verdict(const FrictionFit& fit, const Deviation& worst) {
  char buf[400];
  if (fit.notPhysical) {
    std::snprintf(buf, sizeof buf,
                  "NOT PHYSICAL: the fitted friction %s; this is not a clean losses rundown "
                  "(check the inertia and ratio, then redo the rundown).",
                  fit.c < 0 ? "bends downwards at speed (C < 0)" : "goes negative inside the range");
  } else if (fit.poor) {
    std::snprintf(buf, sizeof buf,
                  "POOR: the friction model explains only %.0f %% of the scatter; the run looks "
                  "disturbed, redo the rundown.",
                  fit.r2 * 100.0);
  } else if (worst.maxPercent > kNoisyCurvePercent) {
    std::snprintf(buf, sizeof buf,
                  "NOISY: the stored curve strays up to %.1f %% from the fitted friction; apply "
                  "the smoothed calibration (frixa-cli smooth) instead.",
                  worst.maxPercent);
  } else {
    std::snprintf(buf, sizeof buf,
                  "GOOD: the stored curve follows the fitted friction within %.1f %%; it can be "
                  "applied as it is.",
                  worst.maxPercent);
  }
  return buf;
}

std::string JsonText(const std::string& s) {
  std::string out = "\"";
  for (const char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += ch;
    } else if (c < 0x20) {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\u%04x", c);
      out += esc;
    } else {
      out += ch;
    }
  }
  return out + "\"";
}

std::string Number(double v) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.17g", v);
  return buf;
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
  try {
    RecordSet id;
    Bind(id, file, "Select * From Info");
    info = ReadInfoDisplay(id, '.');
    Release(id);
    raw = ReadSettledRawData(file);
    curve = ReadLossCurve(file);
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
  const Deviation torque = CurveDeviation(curve, fit, false);
  const Deviation power = CurveDeviation(curve, fit, true);
  const Deviation& worst = torque.maxPercent >= power.maxPercent ? torque : power;
  const std::string verdict = Verdict(fit, worst);
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
        JsonText(info.date).c_str(), JsonText(info.comment).c_str(), Number(rpmLow).c_str(),
        Number(rpmHigh).c_str(), raw.stored, static_cast<long>(raw.settled.size()),
        Number(fit.rpmLow).c_str(), Number(fit.rpmHigh).c_str(), Number(fit.a).c_str(),
        Number(fit.b).c_str(), Number(fit.c).c_str(), Number(fit.r2).c_str(),
        Number(fit.rms).c_str(), Number(torque.maxPercent).c_str(),
        Number(torque.meanPercent).c_str(), Number(power.maxPercent).c_str(),
        Number(power.meanPercent).c_str(), fit.notPhysical ? "true" : "false",
        fit.poor ? "true" : "false", JsonText(verdict).c_str());
    return kExitOk;
  }
  std::printf("Calibration file: %s\n", file.c_str());
  PrintInfoLines(info);
  std::printf("RPM range: %.0f to %.0f (%zu loss curve rows)\n", rpmLow, rpmHigh, curve.size());
  std::printf("Revolutions stored: %ld, settled: %ld (fitted between %.1f and %.1f RPM)\n",
              raw.stored, static_cast<long>(raw.settled.size()), fit.rpmLow, fit.rpmHigh);
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
    std::fprintf(stderr, "frixa-cli smooth: %s: %s\n", source.c_str(), e.what());
    return kExitError;
  } catch (const Error& e) {
    std::fprintf(stderr, "frixa-cli smooth: %s (error %d)\n", e.description().c_str(),
                 e.number());
    return kExitError;
  }
  return ui.errorMessages > 0 ? kExitError : kExitOk;
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
