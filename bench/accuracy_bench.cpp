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
// two of the rigs: per case the faults put in against the repairs the record repair made, the
// worst error of the curve Create stores (from the repaired revolutions, as the run pass feeds
// them to the physics processor), over the whole range and over the RPMs where the same rig's
// run without faults stores a curve within 5 %, and the worst error, 95 % band and time residual of the
// friction fitted to the repaired revolutions' times.
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
#include "calfile/smoothed_file.h"
#include "cli/console_frontend.h"
#include "common/app.h"
#include "graphs/preview.h"
#include "run/record_repair.h"
#include "run/run_file.h"
#include "run/time_fit.h"
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
  frixa::RundownModel drum;
  drum.inertia = 10;
  drum.frictionA = 0.6;
  drum.frictionB = 0.004;
  drum.frictionC = 0.0003;
  drum.startRpm = 380;
  drum.endRpm = 0;
  drum.seed = 5;
  auto with = [](frixa::RundownModel m, double timer, double bounces, double missed,
                 std::int64_t driven) {
    m.timerUs = timer;
    m.doubleTriggerRate = bounces;
    m.missedPulseRate = missed;
    m.drivenRevolutions = driven;
    return m;
  };
  const frixa::RundownModel kart = frixa::ReferenceRigs()[0].model;
  const frixa::RundownModel bike = frixa::ReferenceRigs()[2].model;
  return {
      {"drum, clean", drum},
      {"drum, 1 ms timer", with(drum, 1000, 0, 0, 0)},
      {"drum, 70 ms logger", with(drum, 70000, 0, 0, 0)},
      {"drum, 2 % double triggers", with(drum, 0, 0.02, 0, 0)},
      {"drum, 1 % missed pulses", with(drum, 0, 0, 0.01, 0)},
      {"drum, 150-revolution driven start", with(drum, 0, 0, 0, 150)},
      {"drum, all at once on the 70 ms logger", with(drum, 70000, 0.02, 0.01, 150)},
      {"kart, all at once on a 1 ms timer", with(kart, 1000, 0.02, 0.01, 150)},
      {"bike rig, all at once on a 1 ms timer", with(bike, 1000, 0.02, 0.01, 150)},
  };
}

std::vector<std::uint32_t> ReadCounts(const std::string& path) {
  std::vector<std::uint32_t> counts;
  frixa::RunFileReader reader;
  reader.Open(path);
  while (!reader.AtEnd()) counts.push_back(reader.ReadRecord().Count());
  return counts;
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

  std::printf("\n| Rundown with faults | records | put in: bounces / missed / driven | repaired: "
              "merged / split / left out | stored curve: torque | stored curve where the clean run's is "
              "within 5 %% | time fit: torque | band | time RMS |\n");
  std::printf("|---|---|---|---|---|---|---|---|---|\n");
  for (const FaultCase& c : FaultCases()) {
    frixa::cli::ConsoleFrontend ui;
    ui.quiet = true;
    frixa::App app(ui, folder.string());
    app.VersionText = frixa::kVersionText;
    app.InertiaFactor = static_cast<float>(c.model.inertia);
    app.SensorMassRatio = static_cast<float>(c.model.ratio);
    frixa::InjectedFaults faults;
    const std::string runFile = app.ProgramFile(frixa::kRunFileName);

    // The curve Create stores, from the revolutions as repaired, against the true torque per
    // RPM; and the same rig's run without faults beside it.
    const auto storedErrors = [&](const frixa::RundownModel& model, const char* name) {
      std::map<std::int32_t, double> errors;
      frixa::WriteRundownFile(model, runFile);
      frixa::PreviewRun(app);
      const std::string file = (folder / frixa::kCalibrationFolderName / name).string();
      ui.fileNames.push_back(file);
      frixa::DataControls dc;
      frixa::CreateCalibrationFile(app, dc, frixa::PreviewedRange(app));
      for (const auto& row : frixa::ReadLossCurve(file)) {
        const double w = frixa::OmegaOfRpm(row.rpm + 0.5);
        const double t = frixa::FrictionTorque(model, w);
        errors[row.rpm] = std::fabs(row.nm - t) / t * 100.0;
      }
      return errors;
    };
    std::string storedText = "failed", whereCleanText = "failed";
    try {
      frixa::RundownModel clean = c.model;
      clean.timerUs = clean.doubleTriggerRate = clean.missedPulseRate = 0;
      clean.drivenRevolutions = 0;
      const auto cleanErrors = storedErrors(clean, "clean.Frixa");
      frixa::WriteRundownFile(c.model, runFile, &faults);
      const auto errors = storedErrors(c.model, "faults.Frixa");
      double worst = 0, whereClean = 0;
      for (const auto& [rpm, error] : errors) {
        worst = std::max(worst, error);
        const auto at = cleanErrors.find(rpm);
        if (at != cleanErrors.end() && at->second <= 5.0) whereClean = std::max(whereClean, error);
      }
      char text[32];
      std::snprintf(text, sizeof text, "%.1f %%", worst);
      storedText = text;
      std::snprintf(text, sizeof text, "%.2f %%", whereClean);
      whereCleanText = text;
    } catch (const std::exception&) {
    }

    // The repair and the fit to the repaired revolutions' times.
    const std::vector<std::uint32_t> counts = ReadCounts(runFile);
    const frixa::RecordRepair repair = frixa::RepairRecords(counts);
    std::vector<std::vector<double>> rundowns(1);
    for (const auto count : repair.Revolutions(counts)) rundowns[0].push_back(count * c.model.ratio / 1e6);
    const frixa::TimeFit fit = frixa::FitRevolutionTimes(rundowns, c.model.inertia);
    if (!fit.fitted) {
      std::fprintf(stderr, "%s: %s\n", c.name, fit.problem.c_str());
      ++failures;
      continue;
    }
    double worst = 0;
    for (int i = 0; i <= 1000; ++i) {
      const double w = fit.omegaLow + (fit.omegaHigh - fit.omegaLow) * i / 1000;
      const double truth = frixa::FrictionTorque(c.model, w);
      worst = std::max(worst, std::fabs(fit.TorqueAt(w) - truth) / truth * 100.0);
    }
    std::printf("| %s | %zu | %lld / %lld / %lld | %lld / %lld / %lld | %s | %s | %.4f %% | %.4f %% | "
                "%.0f us |\n",
                c.name, counts.size(), static_cast<long long>(faults.doubleTriggers),
                static_cast<long long>(faults.missedPulses),
                static_cast<long long>(faults.drivenRevolutions),
                static_cast<long long>(repair.merged), static_cast<long long>(repair.split),
                static_cast<long long>(repair.leftOut), storedText.c_str(), whereCleanText.c_str(), worst, fit.bandPct,
                fit.timeRmsUs);
  }
  fs::remove_all(folder);
  return failures == 0 ? 0 : 1;
}
