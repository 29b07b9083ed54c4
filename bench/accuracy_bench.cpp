// Accuracy of the loss curve on simulated rundowns of known friction T(w) = A + B w + C w^2:
// for each rig, the worst relative error, over every whole RPM of the run's range, of
//   - the curve Create stores,
//   - the friction model fitted to the file's settled revolutions,
//   - the curve of the smoothed calibration written from that file,
// against the true torque loss and power loss (P = T w / 1000) at the middle of each RPM
// (RPM + 0.5, where the revolutions stored under it lie).
//
// Each rig runs twice: with only the rounding of every count to whole microseconds, and with
// 1 us of Gaussian jitter on every count.
//
// A second table takes rundowns with the faults of real timing (a coarse timer, sensor bounces,
// missed pulses, a driven start) on a bare 10 kg m^2 drum coasting from 380 RPM to a stop and on
// two of the rigs, each through the product's own path: Create of the simulated run, the file's
// recorded fit as analyze computes it (its counts repaired and the model fitted to the
// revolutions' times), and Apply's fitted choice, whose host file is read back. Per case: the
// faults put in against the repairs made; the worst error of the stored curve (over the whole
// range and over the RPMs where the same rig's run without faults stores a curve within 5 %),
// of the fitted model and of the host's curve, at the middle of every whole RPM of the file's
// range; the fit's 95 % band, time residual and verdict.
//
// A plain program: it prints the tables (Markdown) and exits 1 if any step failed.
//   build/native/bench/accuracy_bench
#include <algorithm>
#include <map>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "calfile/create_command.h"
#include "calfile/friction_fit.h"
#include "calfile/recorded_fit.h"
#include "calfile/smoothed_file.h"
#include "cli/console_frontend.h"
#include "common/app.h"
#include "graphs/preview.h"
#include "host/apply_command.h"
#include "sim/rundown_simulator.h"

namespace {

struct Case {
  const char* name;
  frixa::RundownModel model;
  const char* jitter = "";
};

// Each rig twice: with the counts' own rounding to whole microseconds only, and with 1 us of
// Gaussian jitter on every count on top.
std::vector<Case> Cases() {
  std::vector<Case> cases;
  for (const double jitter : {0.0, 1.0}) {
    for (const frixa::ReferenceRig& rig : frixa::ReferenceRigs()) {
      Case c{rig.name, rig.model, jitter == 0 ? "rounding only" : "1 us"};
      c.model.jitterUs = jitter;
      cases.push_back(c);
    }
  }
  return cases;
}

struct Worst {
  double torque = 0;  // %
  double power = 0;
  void Add(const frixa::RundownModel& m, double rpm, double kw, double nm) {
    const double w = frixa::OmegaOfRpm(rpm);
    const double t = frixa::FrictionTorque(m, w);
    const double p = t * w / 1000.0;
    torque = std::max(torque, std::fabs(nm - t) / t * 100.0);
    power = std::max(power, std::fabs(kw - p) / p * 100.0);
  }
};

// The faults of real timing, on a bare drum coasting to a stop and on two of the rigs.
struct FaultCase {
  const char* name;
  frixa::RundownModel model;
};

std::vector<FaultCase> FaultCases() {
  frixa::RundownModel drum = frixa::BareDrum();
  drum.seed = 5;
  auto with = [](frixa::RundownModel m, double timer, double bounces, double missed,
                 std::int64_t driven) {
    m.timerUs = timer;
    m.doubleTriggerRate = bounces;
    m.missedPulseRate = missed;
    m.drivenRevolutions = driven;
    return m;
  };
  frixa::RundownModel rough = drum;  // a drum in rougher bearings, to the same stop
  rough.frictionA = 1.0;
  rough.frictionB = 0.01;
  rough.frictionC = 0.0005;
  const frixa::RundownModel kart = frixa::ReferenceRigs()[0].model;
  const frixa::RundownModel bike = frixa::ReferenceRigs()[2].model;
  return {
      {"drum, clean", drum},
      {"drum, 1 ms timer", with(drum, 1000, 0, 0, 0)},
      {"drum, 70 ms logger", with(drum, 70000, 0, 0, 0)},
      {"rougher drum, 70 ms logger", with(rough, 70000, 0, 0, 0)},
      {"drum, 2 % double triggers", with(drum, 0, 0.02, 0, 0)},
      {"drum, 1 % missed pulses", with(drum, 0, 0, 0.01, 0)},
      {"drum, 150-revolution driven start", with(drum, 0, 0, 0, 150)},
      {"drum, all at once on the 70 ms logger", with(drum, 70000, 0.02, 0.01, 150)},
      {"kart, clean", kart},
      {"kart, all at once on a 1 ms timer", with(kart, 1000, 0.02, 0.01, 150)},
      {"bike rig, clean", bike},
      {"bike rig, all at once on a 1 ms timer", with(bike, 1000, 0.02, 0.01, 150)},
  };
}

}  // namespace

int main() {
  namespace fs = std::filesystem;
  const fs::path folder = fs::temp_directory_path() / "frixa-accuracy-bench";
  fs::remove_all(folder);
  fs::create_directories(folder / frixa::kCalibrationFolderName);
  int failures = 0;

  std::printf("| Rundown | jitter | revolutions | RPM range | stored curve: torque / power | "
              "fit: torque / power | smoothed: torque / power |\n");
  std::printf("|---|---|---|---|---|---|---|\n");
  for (const Case& c : Cases()) {
    frixa::cli::ConsoleFrontend ui;
    ui.quiet = true;
    frixa::App app(ui, folder.string());
    app.VersionText = frixa::kVersionText;
    app.InertiaFactor = static_cast<float>(c.model.inertia);
    app.SensorMassRatio = static_cast<float>(c.model.ratio);
    const auto revolutions =
        frixa::WriteRundownFile(c.model, app.ProgramFile(frixa::kRunFileName));
    frixa::CommandOutcome outcome = frixa::PreviewRun(app);
    const std::string file = (folder / frixa::kCalibrationFolderName / "bench.Frixa").string();
    const std::string smoothed =
        (folder / frixa::kCalibrationFolderName / "smoothed.Frixa").string();
    ui.fileNames.push_back(file);
    frixa::DataControls dc;
    outcome.NoteStep(frixa::CreateCalibrationFile(app, dc, frixa::PreviewedRange(app)));

    Worst stored, fitted, smooth;
    try {
      const frixa::FrictionFit fit =
          frixa::FitSettledRawData(frixa::ReadSettledRawData(file));
      if (!fit.fitted) throw std::runtime_error(fit.problem);
      for (const auto& row : frixa::ReadLossCurve(file)) {
        const double middle = row.rpm + 0.5;
        stored.Add(c.model, middle, row.kw, row.nm);
        fitted.Add(c.model, middle, fit.PowerAt(middle), fit.TorqueAt(middle));
      }
      frixa::SmoothCalibrationFile(ui, file, smoothed, "1/1/2027");
      for (const auto& row : frixa::ReadLossCurve(smoothed)) {
        smooth.Add(c.model, row.rpm + 0.5, row.kw, row.nm);
      }
    } catch (const std::exception& e) {
      std::fprintf(stderr, "%s: %s\n", c.name, e.what());
      ++failures;
      continue;
    }
    if (outcome.failureShown) ++failures;

    std::printf("| %s | %s | %lld | %.0f-%.0f | %.2f %% / %.2f %% | %.3f %% / %.3f %% | %.3f %% / "
                "%.3f %% |\n",
                c.name, c.jitter, static_cast<long long>(revolutions), app.MinMassRPM, app.MaxMassRPM,
                stored.torque, stored.power, fitted.torque, fitted.power, smooth.torque,
                smooth.power);
  }

  std::printf("\n| Rundown | records | put in: bounces / missed / driven | repaired: merged / "
              "split / left out | stored curve: torque / power | stored where the clean run's is "
              "within 5 %% | fit: torque / power | host curve (apply --fitted): torque / power | "
              "band | time RMS | verdict |\n");
  std::printf("|---|---|---|---|---|---|---|---|---|---|---|\n");
  for (const FaultCase& c : FaultCases()) {
    frixa::cli::ConsoleFrontend ui;
    ui.quiet = true;
    frixa::App app(ui, folder.string());
    app.VersionText = frixa::kVersionText;
    app.InertiaFactor = static_cast<float>(c.model.inertia);
    app.SensorMassRatio = static_cast<float>(c.model.ratio);
    const std::string runFile = app.ProgramFile(frixa::kRunFileName);
    const auto create = [&](const char* name) {
      frixa::PreviewRun(app);
      const std::string file = (folder / frixa::kCalibrationFolderName / name).string();
      ui.fileNames.push_back(file);
      frixa::DataControls dc;
      return std::pair(file, frixa::CreateCalibrationFile(app, dc, frixa::PreviewedRange(app)));
    };
    // Per whole RPM of a curve, its torque's error against the true friction.
    const auto curveErrors = [&](const std::vector<frixa::LossCurveRow>& rows, Worst& worst) {
      std::map<std::int32_t, double> errors;
      for (const auto& row : rows) {
        const double t = frixa::FrictionTorque(c.model, frixa::OmegaOfRpm(row.rpm + 0.5));
        errors[row.rpm] = std::fabs(row.nm - t) / t * 100.0;
        worst.Add(c.model, row.rpm + 0.5, row.kw, row.nm);
      }
      return errors;
    };
    try {
      // The same rig's run without faults: where its stored curve is within 5 %.
      frixa::RundownModel clean = c.model;
      clean.timerUs = clean.doubleTriggerRate = clean.missedPulseRate = 0;
      clean.drivenRevolutions = 0;
      frixa::WriteRundownFile(clean, runFile);
      Worst unused;
      const auto cleanErrors = curveErrors(frixa::ReadLossCurve(create("clean.Frixa").first), unused);

      // The run with its faults: Create, the file's recorded fit as analyze computes it, and
      // the curve Apply's fitted choice writes to the host file, read back from there.
      frixa::InjectedFaults faults;
      const std::int64_t records = frixa::WriteRundownFile(c.model, runFile, &faults);
      const auto [file, created] = create("faults.Frixa");
      if (created.failureShown) throw std::runtime_error("Create failed");
      Worst stored, fitted, host;
      double whereClean = 0;
      for (const auto& [rpm, error] : curveErrors(frixa::ReadLossCurve(file), stored)) {
        const auto at = cleanErrors.find(rpm);
        if (at != cleanErrors.end() && at->second <= 5.0) whereClean = std::max(whereClean, error);
      }
      const frixa::RecordedFit fit = frixa::ReadRecordedFit(file);
      if (!fit.time.fitted) throw std::runtime_error(fit.reason);
      for (const auto& row : frixa::ModelLossRows(fit.model, static_cast<std::int32_t>(fit.model.rpmLow),
                                                  static_cast<std::int32_t>(fit.model.rpmHigh))) {
        const double middle = row.rpm + 0.5;
        fitted.Add(c.model, middle, fit.model.PowerAt(middle), fit.model.TorqueAt(middle));
      }
      const std::string hostFile = app.ProgramFile(frixa::kHostLossFileName);
      std::filesystem::remove(hostFile);
      ui.fileNames.push_back(file);
      frixa::DataControls dc;
      const frixa::CommandOutcome applied = frixa::ApplyCommand(app, dc, frixa::ApplyCurve::Fitted);
      char hostText[64] = "refused";
      if (!applied.failureShown && fs::exists(hostFile)) {
        curveErrors(frixa::ReadLossCurve(hostFile), host);
        std::snprintf(hostText, sizeof hostText, "%.4f %% / %.4f %%", host.torque, host.power);
      }
      std::printf("| %s | %lld | %lld / %lld / %lld | %lld / %lld / %lld | %.1f %% / %.1f %% | "
                  "%.2f %% | %.4f %% / %.4f %% | %s | %.4f %% | %.0f us | %s |\n",
                  c.name, static_cast<long long>(records),
                  static_cast<long long>(faults.doubleTriggers),
                  static_cast<long long>(faults.missedPulses),
                  static_cast<long long>(faults.drivenRevolutions),
                  static_cast<long long>(fit.merged), static_cast<long long>(fit.split),
                  static_cast<long long>(fit.leftOut), stored.torque, stored.power, whereClean,
                  fitted.torque, fitted.power, hostText, fit.time.bandPct, fit.time.timeRmsUs,
                  fit.sound ? "sound" : "unsound");
    } catch (const std::exception& e) {
      std::fprintf(stderr, "%s: %s\n", c.name, e.what());
      ++failures;
    }
  }
  fs::remove_all(folder);
  return failures == 0 ? 0 : 1;
}
