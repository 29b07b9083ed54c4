// Accuracy of the loss curve on simulated rundowns of known friction T(w) = A + B w + C w^2:
// for each rig, the worst relative error, over every whole RPM of the run's range, of
//   - the curve Create stores,
//   - the friction model fitted to the file's settled revolutions,
//   - the curve of the smoothed calibration written from that file,
// against the true torque loss and power loss (P = T w / 1000) at the middle of each RPM
// (RPM + 0.5, where the revolutions stored under it lie).
//
// Each rig runs twice: with only the rounding of every count to whole microseconds, and with
// 1 us of Gaussian jitter on every count. A plain program: it prints one table (Markdown) and
// exits 1 if any step failed.
//   build/native/bench/accuracy_bench
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "calfile/create_command.h"
#include "calfile/friction_fit.h"
#include "calfile/smoothed_file.h"
#include "cli/console_frontend.h"
#include "common/app.h"
#include "graphs/preview.h"
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
  fs::remove_all(folder);
  return failures == 0 ? 0 : 1;
}
