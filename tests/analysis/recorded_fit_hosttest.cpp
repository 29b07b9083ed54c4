// The friction fitted to recorded revolution times, end to end through frixa-cli: simulated
// rundowns with pulse faults made into calibration files, analysed (repairs, band, residual,
// verdict) and applied with --fitted, the host file read back by Debian's mdbtools and every
// RPM checked against the simulator's true friction; a clean run needs no repair, an unsound
// fit is refused, and each verdict names its reader's way.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>

#include "analysis/fit_verdict.h"
#include "calfile/friction_fit.h"
#include "sim/rundown_simulator.h"
#include "support/mdbtools_run.h"
#include "support/run_files.h"
#include "support/shell_run.h"

namespace frixa {
namespace {

using Output = testing::ShellOutput;
std::string Quote(const std::string& s) { return testing::ShellQuote(s); }
std::string Cli(const std::string& args) { return testing::CliCommand(args); }

// The JSON object's value for `key`, as text.
std::string JsonValue(const std::string& json, const std::string& key) {
  const auto at = json.find("\"" + key + "\": ");
  if (at == std::string::npos) return "(missing " + key + ")";
  const auto start = at + key.size() + 4;
  return json.substr(start, json.find_first_of(",}", start) - start);
}
double JsonDouble(const std::string& json, const std::string& key) {
  return std::stod(JsonValue(json, key));
}

std::string Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Case {
  const char* name;
  const char* faults;  // simulate options
  bool repairsCounted;  // single-fault case: repairs within 10 % of the faults put in
};

struct Injected {
  long doubleTriggers = 0;
  long missedPulses = 0;
  long driven = 0;
};

class RecordedFitCli : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = folder.str();
    std::filesystem::create_directory(folder.File("Custom Cal"));
  }
  // Simulates the default rig (1.25 kg m^2, 3,000 to 300 RPM) with `faults`, makes NAME of it.
  Injected Rundown(const std::string& name, const std::string& faults) {
    const Output sim = testing::RunShell(
        Cli("simulate --out " + Quote(folder.File("Torvex2.000")) + " --seed 5 " + faults), false);
    EXPECT_EQ(sim.status, 0) << sim.out;
    Injected in;
    std::smatch m;
    if (std::regex_search(sim.out, m, std::regex("faults: (\\d+) double triggers, (\\d+) missed "
                                                 "pulses, (\\d+) driven revolutions"))) {
      in = {std::stol(m[1]), std::stol(m[2]), std::stol(m[3])};
    }
    EXPECT_EQ(testing::RunShell(Cli("create --folder " + Quote(dir) +
                                    " --inertia 1.25 --ratio 1 --out " + Quote(name)))
                  .status,
              0);
    return in;
  }
  std::string Analyze(const std::string& name) {
    const Output o = testing::RunShell(
        Cli("analyze --format json " + Quote(folder.File("Custom Cal") + "/" + name + ".Frixa")),
        false);
    EXPECT_EQ(o.status, 0) << o.out;
    return o.out;
  }
  Output Apply(const std::string& name, bool fitted) {
    return testing::RunShell(
        Cli("apply --folder " + Quote(dir) + " " + Quote(name) + (fitted ? " --fitted" : "")));
  }
  // Torvex2.005's Losses: RPM -> (kW, N m).
  std::map<int, std::pair<double, double>> HostLosses() {
    const Output o = testing::RunShell("mdb-export -H " + Quote(folder.File("Torvex2.005")) + " Losses", false);
    EXPECT_EQ(o.status, 0);
    std::map<int, std::pair<double, double>> rows;
    for (const auto& r : testing::ParseCsv(o.out)) {
      rows[std::stoi(r.at(0))] = {std::stod(r.at(1)), std::stod(r.at(2))};
    }
    return rows;
  }
  testing::TempFolder folder;
  std::string dir;
  RundownModel truth;  // the simulator's default rig, which simulate runs
};

double Pct(double value, double reference) { return std::fabs(value - reference) / reference * 100.0; }

TEST_F(RecordedFitCli, FaultedRundownsReachTheHostAsTheirTrueFriction) {
  const Case cases[] = {
      {"Bounces", "--double-trigger-rate 0.02", true},
      {"Missed", "--missed-pulse-rate 0.01", true},
      {"Driven", "--driven-revs 150", true},
      {"CoarseTimer", "--timer-us 1000", true},
      {"AllAtOnce",
       "--double-trigger-rate 0.02 --missed-pulse-rate 0.01 --driven-revs 150 --timer-us 1000",
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Injected in = Rundown(c.name, c.faults);
    const std::string json = Analyze(c.name);
    EXPECT_EQ(JsonValue(json, "sound"), "true") << json;
    EXPECT_EQ(JsonValue(json, "verdict").rfind("\"SOUND: ", 0), 0u) << json;
    EXPECT_LT(JsonDouble(json, "band_pct"), kSoundBandPct);
    EXPECT_GT(JsonDouble(json, "time_rms_us"), 0);
    const double merged = JsonDouble(json, "merged");
    const double split = JsonDouble(json, "split");
    const double leftOut = JsonDouble(json, "left_out");
    if (c.repairsCounted) {
      EXPECT_NEAR(merged, static_cast<double>(in.doubleTriggers), 0.1 * static_cast<double>(in.doubleTriggers));
      EXPECT_NEAR(split, static_cast<double>(in.missedPulses), 0.1 * static_cast<double>(in.missedPulses));
      EXPECT_NEAR(leftOut, static_cast<double>(in.driven), 0.1 * static_cast<double>(in.driven));
    }
    std::printf("  %-12s faults %ld/%ld/%ld, repairs %g/%g/%g, band %.4f %%, time RMS %.1f us\n",
                c.name, in.doubleTriggers, in.missedPulses, in.driven, merged, split, leftOut,
                JsonDouble(json, "band_pct"), JsonDouble(json, "time_rms_us"));

    // The fitted torque at every RPM of the range against the simulator's.
    const double a = JsonDouble(json, "a"), b = JsonDouble(json, "b"), cc = JsonDouble(json, "c");
    const int low = static_cast<int>(JsonDouble(json, "rpm_low"));
    const int high = static_cast<int>(JsonDouble(json, "rpm_high"));
    ASSERT_LT(low, high);
    double fitWorst = 0;
    for (int r = low; r <= high; ++r) {
      const double w = OmegaOfRpm(r + 0.5);
      fitWorst = std::max(fitWorst, Pct(a + w * (b + w * cc), FrictionTorque(truth, w)));
    }
    EXPECT_LT(fitWorst, 0.05);

    // The host's curve by the ordinary Apply machinery, its fitted choice.
    const Output applied = Apply(c.name, true);
    ASSERT_EQ(applied.status, 0) << applied.out;
    EXPECT_NE(applied.out.find("Source Filename : " + std::string(c.name) + ".Frixa"), std::string::npos);
    EXPECT_NE(applied.out.find("Done"), std::string::npos);
    const auto host = HostLosses();
    ASSERT_EQ(host.size(), static_cast<std::size_t>(high - low + 1));
    EXPECT_EQ(host.begin()->first, low);
    EXPECT_EQ(host.rbegin()->first, high);
    double hostWorst = 0;
    for (const auto& [rpm, loss] : host) {
      const double w = OmegaOfRpm(rpm + 0.5);
      const double nm = FrictionTorque(truth, w);
      hostWorst = std::max({hostWorst, Pct(loss.second, nm), Pct(loss.first, nm * w / 1000.0)});
    }
    EXPECT_LT(hostWorst, 0.1);
    std::printf("  %-12s fit worst %.5f %%, host curve worst %.5f %%\n", c.name, fitWorst, hostWorst);
  }
}

TEST_F(RecordedFitCli, ACleanRunNeedsNoRepairAndPlainApplyStaysTheStoredCurve) {
  Rundown("Clean", "--jitter-us 1");
  const std::string json = Analyze("Clean");
  EXPECT_EQ(JsonValue(json, "merged"), "0");
  EXPECT_EQ(JsonValue(json, "split"), "0");
  EXPECT_EQ(JsonValue(json, "left_out"), "0");
  EXPECT_EQ(JsonValue(json, "sound"), "true");
  EXPECT_EQ(JsonValue(json, "timer_step_us"), "1");
  // The limit: a twentieth of the mean period (42.5 ms here), above ten times the 1 us floor.
  EXPECT_NEAR(JsonDouble(json, "mean_period_us"), 42504, 1);
  EXPECT_DOUBLE_EQ(JsonDouble(json, "residual_limit_us"), JsonDouble(json, "mean_period_us") / 20);
  EXPECT_LT(JsonDouble(json, "time_rms_us"), JsonDouble(json, "residual_limit_us"));

  // Plain Apply: the stored curve, as mdb-export reads it from the file itself.
  ASSERT_EQ(Apply("Clean", false).status, 0);
  const Output stored = testing::RunShell(
      "mdb-export -H " + Quote(folder.File("Custom Cal/Clean.Frixa")) + " Losses", false);
  const Output host = testing::RunShell("mdb-export -H " + Quote(folder.File("Torvex2.005")) + " Losses", false);
  EXPECT_EQ(host.out, stored.out);

  // The fitted choice: the model's rows at the middle of each RPM, as Singles.
  ASSERT_EQ(Apply("Clean", true).status, 0);
  const double a = JsonDouble(json, "a"), b = JsonDouble(json, "b"), c = JsonDouble(json, "c");
  const auto fitted = HostLosses();
  ASSERT_EQ(fitted.size(), static_cast<std::size_t>(JsonDouble(json, "rpm_high") - JsonDouble(json, "rpm_low") + 1));
  for (const auto& [rpm, loss] : fitted) {
    const double w = OmegaOfRpm(rpm + 0.5);
    const double nm = a + w * (b + w * c);
    EXPECT_NEAR(loss.second, static_cast<float>(nm), 1e-6 * nm) << rpm;
    EXPECT_NEAR(loss.first, static_cast<float>(nm * w / 1000.0), 1e-6 * nm * w / 1000.0) << rpm;
  }
}

TEST_F(RecordedFitCli, AnUnsoundFitIsRefusedAndTheHostFileStaysAsItWas) {
  // A short run under a coarse jitter: the revolutions hardly determine the friction.
  Rundown("Good", "");
  ASSERT_EQ(Apply("Good", false).status, 0);
  const std::string before = Bytes(folder.File("Torvex2.005"));
  Rundown("Short", "--jitter-us 3000 --start-rpm 700 --end-rpm 600");
  const std::string json = Analyze("Short");
  EXPECT_EQ(JsonValue(json, "sound"), "false");
  // Its friction bends downwards (C < 0) and its band is far wider than 2 %.
  EXPECT_GT(JsonDouble(json, "band_pct"), kSoundBandPct);
  const std::string reason = "the fitted friction bends downwards at speed (C < 0)";
  EXPECT_EQ(JsonValue(json, "verdict").rfind("\"UNSOUND: " + reason + "; ", 0), 0u) << json;
  const Output refused = Apply("Short", true);
  EXPECT_NE(refused.status, 0);
  EXPECT_NE(refused.out.find("An ERROR ( 1001) has occured: the file's fit is not sound: " + reason),
            std::string::npos)
      << refused.out;
  EXPECT_EQ(refused.out.find("Writing losses data"), std::string::npos);
  EXPECT_EQ(Bytes(folder.File("Torvex2.005")), before);
  EXPECT_FALSE(std::filesystem::exists(folder.File("Torvex2.005.new")));
}

TEST_F(RecordedFitCli, ACombinedFileIsFittedJointlyFromEachRundownsTimes) {
  const Injected one = Rundown("One", "--double-trigger-rate 0.02");
  const Injected two = Rundown("Two", "--missed-pulse-rate 0.01 --start-rpm 2500");
  const std::string cal = folder.File("Custom Cal") + "/";
  ASSERT_EQ(testing::RunShell(Cli("combine --out " + Quote(cal + "Both") + " " + Quote(cal + "One.Frixa") +
                                  " " + Quote(cal + "Two.Frixa")))
                .status,
            0);
  const std::string json = Analyze("Both");
  EXPECT_EQ(JsonValue(json, "rundowns"), "2");
  EXPECT_EQ(JsonValue(json, "sound"), "true");
  // Each rundown's repairs, summed: within 10 % of the faults put in.
  EXPECT_NEAR(JsonDouble(json, "merged"), static_cast<double>(one.doubleTriggers), 0.1 * static_cast<double>(one.doubleTriggers));
  EXPECT_NEAR(JsonDouble(json, "split"), static_cast<double>(two.missedPulses), 0.1 * static_cast<double>(two.missedPulses));
  EXPECT_GT(one.doubleTriggers, 20);
  EXPECT_GT(two.missedPulses, 10);
  EXPECT_EQ(JsonValue(json, "left_out"), "0");
  const double a = JsonDouble(json, "a"), b = JsonDouble(json, "b"), c = JsonDouble(json, "c");
  double worst = 0;
  for (int r = static_cast<int>(JsonDouble(json, "rpm_low")); r <= static_cast<int>(JsonDouble(json, "rpm_high")); ++r) {
    const double w = OmegaOfRpm(r + 0.5);
    worst = std::max(worst, Pct(a + w * (b + w * c), FrictionTorque(truth, w)));
  }
  EXPECT_LT(worst, 0.05);
}

TEST(FitVerdictReader, EachVerdictNamesItsReadersWay) {
  FrictionFit fit;
  fit.fitted = true;
  fit.a = 1.5;
  fit.r2 = 0.9;
  const std::vector<LossCurveRow> curve = {{1000, fit.PowerAt(1000.5) * 1.1, 1.5 * 1.1},
                                           {1001, fit.PowerAt(1001.5), 1.5}};
  EXPECT_EQ(JudgeFit(fit, curve, VerdictReader::Console).text,
            "NOISY: the stored curve strays up to 10.0 % from the fitted friction; apply the "
            "smoothed calibration (frixa-cli smooth) instead.");
  EXPECT_EQ(JudgeFit(fit, curve, VerdictReader::Program).text,
            "NOISY: the stored curve strays up to 10.0 % from the fitted friction; apply the "
            "smoothed calibration (Tools > Analysis > Smooth, then Apply) instead.");

  RecordedFit recorded;
  recorded.recorded = true;
  recorded.sound = true;
  recorded.time.fitted = true;
  recorded.time.bandPct = 0.012;
  recorded.model = fit;
  const std::vector<LossCurveRow> strayed = {{1000, fit.PowerAt(1000.5) * 1.2, 1.5 * 1.2}};
  EXPECT_EQ(JudgeRecordedFit(recorded, strayed, VerdictReader::Console).text,
            "SOUND: the fitted friction is known within 0.012 %; the stored curve strays up to "
            "20.0 % from it: apply the fitted curve (frixa-cli apply --fitted) instead.");
  EXPECT_EQ(JudgeRecordedFit(recorded, strayed, VerdictReader::Program).text,
            "SOUND: the fitted friction is known within 0.012 %; the stored curve strays up to "
            "20.0 % from it: apply the fitted curve (Apply's fitted choice, or Tools > Analysis) "
            "instead.");
  recorded.sound = false;
  recorded.reason = "the fitted friction bends downwards at speed (C < 0)";
  EXPECT_EQ(JudgeRecordedFit(recorded, strayed, VerdictReader::Program).text,
            "UNSOUND: the fitted friction bends downwards at speed (C < 0); the revolution times "
            "do not determine the friction (check the inertia and ratio, then redo the rundown).");
}

}  // namespace
}  // namespace frixa
