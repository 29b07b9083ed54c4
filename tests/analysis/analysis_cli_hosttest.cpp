// The analysis commands end to end through frixa-cli on simulated rundowns, checked against
// Debian's mdbtools reading the files: analyze (every figure pinned), compare (against itself,
// its smoothed version and the host's curve) and combine (rows, means and loss curve of three
// rundowns; another rig refused).
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "analysis/analysed_file.h"
#include "analysis/fit_verdict.h"
#include "recordset/data_controls.h"
#include "recordset/record_set.h"
#include "support/run_files.h"
#include "support/shell_run.h"

namespace frixa {
namespace {

using Output = testing::ShellOutput;
using Csv = std::vector<std::vector<std::string>>;

std::string Quote(const std::string& s) { return testing::ShellQuote(s); }
Output Shell(const std::string& command) { return testing::RunShell(command, false); }
std::string Cli(const std::string& args) { return testing::CliCommand(args); }

Csv MdbCsv(const std::string& file, const std::string& table) {
  const Output o = Shell("mdb-export -H " + Quote(file) + " " + table);
  EXPECT_EQ(o.status, 0) << file << " " << table;
  return testing::ParseCsv(o.out);
}

struct Loss {
  double kw = 0;
  double nm = 0;
};
std::map<int, Loss> MdbLosses(const std::string& file) {
  std::map<int, Loss> rows;
  for (const auto& r : MdbCsv(file, "Losses")) rows[std::stoi(r.at(0))] = {std::stod(r[1]), std::stod(r[2])};
  return rows;
}

// The JSON object's value for `key` after `from`, as text.
std::string JsonValue(const std::string& json, const std::string& key, std::size_t from = 0) {
  const auto at = json.find("\"" + key + "\": ", from);
  if (at == std::string::npos) return "(missing " + key + ")";
  const auto start = at + key.size() + 4;
  return json.substr(start, json.find_first_of(",}", start) - start);
}

std::string Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

double Pct(double value, double reference) { return (value - reference) / reference * 100.0; }

class AnalysisCli : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = folder.str();
    std::filesystem::create_directory(folder.File("Custom Cal"));
  }
  // A simulated rundown of the rig (friction of the simulator's default model) made into NAME.
  void Rundown(const std::string& name, int seed, int startRpm, int endRpm,
               const char* inertia = "1.25") {
    ASSERT_EQ(Shell(Cli("simulate --out " + Quote(folder.File("Torvex2.000")) + " --seed " +
                        std::to_string(seed) + " --jitter-us 3 --start-rpm " +
                        std::to_string(startRpm) + " --end-rpm " + std::to_string(endRpm)))
                  .status,
              0);
    ASSERT_EQ(Shell(Cli("create --folder " + Quote(dir) + " --inertia " + inertia +
                        " --ratio 1 --out " + Quote(name)))
                  .status,
              0);
  }
  std::string Cal(const std::string& name) { return folder.File("Custom Cal") + "/" + name; }
  testing::TempFolder folder;
  std::string dir;
};

// A calibration file made row by row from the template: two rundowns whose RawData holds runs
// of one to five rows at an RPM with scattered torques, and a loss curve off the fit by a wave.
std::string MadeCalibrationFile(const testing::TempFolder& folder) {
  EXPECT_EQ(Shell(Cli("make-templates " + Quote(folder.str()))).status, 0);
  const std::string file = folder.File("Made.Frixa");
  std::filesystem::copy_file(folder.File("calibration.mdb"), file);
  RecordSet rs;
  Bind(rs, file, "Select * From Info");
  rs.AddNew();
  const FieldValue info[] = {FieldValue::Double(1.25), FieldValue::Double(1),
                             FieldValue::Single(600), FieldValue::Single(1700),
                             FieldValue::Text("1/2/2027"), FieldValue::Text("Version : 1.1.0"),
                             FieldValue::Text("Made")};
  for (int i = 0; i < 7; ++i) rs.SetField(i, info[i]);
  rs.Update();
  rs.SetRecordSource("Select * From RawData");
  rs.Refresh();
  for (int rundown = 0; rundown < 2; ++rundown) {
    int k = 0;
    for (int rpm = 1500 + 200 * rundown; rpm >= 600; rpm -= 7, ++k) {
      for (int i = 0; i <= k % 5; ++i) {
        const double nm = 1.5 + 0.004 * rpm + 2e-6 * rpm * rpm + 0.05 * ((37 * k + 11 * i) % 13 - 6);
        rs.AppendRow({RowNumber::Integer(rpm), RowNumber::Single(static_cast<float>(nm * rpm / 9549.3)),
                      RowNumber::Single(static_cast<float>(nm))});
      }
    }
  }
  rs.SetRecordSource("Select * From Losses");
  rs.Refresh();
  for (int rpm = 600; rpm <= 1700; ++rpm) {
    const double nm = (1.5 + 0.004 * rpm + 2e-6 * rpm * rpm) * (1 + 0.004 * (rpm % 11 - 5));
    rs.AppendRow({RowNumber::Integer(rpm), RowNumber::Single(static_cast<float>(nm * rpm / 9549.3)),
                  RowNumber::Single(static_cast<float>(nm))});
  }
  Release(rs);
  return file;
}

TEST_F(AnalysisCli, AnalyzeOfAFileMadeRowByRowGivesItsNumbersToTheLastDigit) {
  // Every figure as analyze has always printed it: how RawData is read and its rows are added
  // to the fit must not move a digit.
  const std::string file = MadeCalibrationFile(folder);
  const Output text = Shell("cd " + Quote(dir) + " && " + Cli("analyze Made.Frixa"));
  EXPECT_EQ(text.status, 0);
  EXPECT_EQ(text.out,
      "Calibration file: Made.Frixa\n"
      "Applied Moment of Inertia: 01.2500000 Kg/M^2\n"
      "Pulses / Revolution: 1.0000000\n"
      "Lowest RPM: 600 RPM\n"
      "Highest RPM: 1700 RPM\n"
      "Date Processed: 1/2/2027\n"
      "Description: Made\n"
      "RPM range: 600 to 1700 (1101 loss curve rows)\n"
      "Revolutions stored: 856, settled: 818 (fitted between 601.5 and 1651.5 RPM)\n"
      "Friction model T(w) = A + B w + C w^2, w in rad/s:\n"
      "  A = 1.4977478 N m\n"
      "  B = 0.0381918491 N m s/rad\n"
      "  C = 0.000182278556 N m s^2/rad^2\n"
      "  R^2 = 0.993951 (poor below 0.50), residual RMS = 0.186453 N m\n"
      "Stored curve against the model: torque largest 2.007 %, mean 1.091 %; "
      "power largest 2.086 %, mean 1.094 %\n"
      "Verdict: GOOD: the stored curve follows the fitted friction within 2.1 %; "
      "it can be applied as it is.\n");
  const Output json = Shell("cd " + Quote(dir) + " && " + Cli("analyze --format json Made.Frixa"));
  EXPECT_EQ(json.status, 0);
  EXPECT_EQ(json.out,
      "{\"file\": \"Made.Frixa\", \"moi_applied\": \"01.2500000 Kg/M^2\", \"ppr\": \"1.0000000\", "
      "\"date\": \"1/2/2027\", \"comment\": \"Made\", \"rpm_low\": 600, \"rpm_high\": 1700, "
      "\"rows\": 856, \"settled\": 818, \"fit_rpm_low\": 601.5, \"fit_rpm_high\": 1651.5, "
      "\"a\": 1.4977478007693787, \"b\": 0.03819184910583287, \"c\": 0.00018227855631440063, "
      "\"r2\": 0.99395144470810015, \"rms\": 0.1864526253825862, "
      "\"max_dev_pct\": 2.0068743849811077, \"mean_dev_pct\": 1.090552443997393, "
      "\"max_dev_power_pct\": 2.085581428003914, "
      "\"mean_dev_power_pct\": 1.0938371221146401, \"not_physical\": false, \"poor\": false, "
      "\"verdict\": \"GOOD: the stored curve follows the fitted friction within 2.1 %; "
      "it can be applied as it is.\"}\n");

  // The analysis window, report, plot and compare read the same fit.
  const AnalysedFile f = ReadAnalysedFile(file);
  EXPECT_EQ(f.fit.a, 1.4977478007693787);
  EXPECT_EQ(f.fit.b, 0.03819184910583287);
  EXPECT_EQ(f.fit.c, 0.00018227855631440063);
  EXPECT_EQ(f.fit.r2, 0.99395144470810015);
  EXPECT_EQ(f.fit.rows, 818);
  ASSERT_EQ(f.curve.size(), 1101u);
  EXPECT_EQ(f.curve[5].rpm, 605);
  EXPECT_EQ(f.curve[5].nm, static_cast<double>(static_cast<float>(
                               (1.5 + 0.004 * 605 + 2e-6 * 605 * 605) * (1 + 0.004 * (605 % 11 - 5)))));
}

TEST_F(AnalysisCli, ApplyFittedOfAFileWithoutRecordedTimesTakesItsPerRevolutionFit) {
  // An older file: the model of the settled revolutions (the figures pinned above) at the middle
  // of every RPM of its range, as Singles; the stored curve (off the fit by a wave) is not taken.
  const std::string file = MadeCalibrationFile(folder);
  const Output applied = Shell(Cli("apply --folder " + Quote(dir) + " " + Quote(file) + " --fitted"));
  ASSERT_EQ(applied.status, 0) << applied.out;
  const auto host = MdbLosses(folder.File("Torvex2.005"));
  ASSERT_EQ(host.size(), 1101u);
  EXPECT_EQ(host.begin()->first, 600);
  EXPECT_EQ(host.rbegin()->first, 1700);
  FrictionFit fit;
  fit.a = 1.4977478007693787;
  fit.b = 0.03819184910583287;
  fit.c = 0.00018227855631440063;
  for (const auto& [rpm, loss] : host) {
    EXPECT_FLOAT_EQ(static_cast<float>(loss.nm), static_cast<float>(fit.TorqueAt(rpm + 0.5))) << rpm;
    EXPECT_FLOAT_EQ(static_cast<float>(loss.kw), static_cast<float>(fit.PowerAt(rpm + 0.5))) << rpm;
  }
}

TEST_F(AnalysisCli, CompareAgainstItselfItsSmoothedVersionAndTheHostCurve) {
  Rundown("Rig", 7, 2000, 500);
  const std::string rig = Cal("Rig.Frixa");
  ASSERT_EQ(Shell(Cli("smooth " + Quote(rig) + " --out Smooth")).status, 0);
  const std::string smooth = Cal("Smooth.Frixa");

  // With itself: every % figure, summary and per RPM, is 0.
  const Output self = Shell(Cli("compare --format json " + Quote(rig) + " " + Quote(rig)));
  ASSERT_EQ(self.status, 0);
  const std::regex pct("\"([a-z_]*pct[a-z_]*)\": (\\[[^\\]]*\\]|[^,}\\n]*)");
  const std::regex number("[-0-9.e+]+|null");
  long figures = 0;
  for (auto m = std::sregex_iterator(self.out.begin(), self.out.end(), pct);
       m != std::sregex_iterator(); ++m) {
    const std::string values = (*m)[2];
    for (auto v = std::sregex_iterator(values.begin(), values.end(), number);
         v != std::sregex_iterator(); ++v) {
      EXPECT_EQ(v->str(), "0") << (*m)[1];
      ++figures;
    }
  }
  const auto losses = MdbLosses(rig);
  // Four summary figures per file, two lists of two per RPM.
  EXPECT_EQ(figures, 8 + 4 * static_cast<long>(losses.size()));

  // With its smoothed version: the figures from mdb-export's values of both curves.
  const auto smoothed = MdbLosses(smooth);
  ASSERT_EQ(smoothed.size(), losses.size());
  const Output csv = Shell(Cli("compare --format csv " + Quote(rig) + " " + Quote(smooth)));
  ASSERT_EQ(csv.status, 0);
  const Csv table = testing::ParseCsv(csv.out);
  ASSERT_EQ(table.size(), losses.size() + 1);
  EXPECT_EQ(table[0], (std::vector<std::string>{"rpm", "kw_1", "nm_1", "kw_pct_1", "nm_pct_1", "kw_2",
                                                "nm_2", "kw_pct_2", "nm_pct_2", "kw_sd", "nm_sd"}));
  double nmSum = 0, nmMax = 0, kwSum = 0, kwMax = 0;
  std::size_t i = 1;
  for (const auto& [rpm, r] : losses) {
    const Loss s = smoothed.at(rpm);
    const auto& row = table[i++];
    ASSERT_EQ(row.size(), 11u);
    EXPECT_EQ(std::stoi(row[0]), rpm);
    EXPECT_EQ(row[3], "0");
    EXPECT_EQ(row[4], "0");
    const double kwPct = Pct(s.kw, r.kw);
    const double nmPct = Pct(s.nm, r.nm);
    EXPECT_NEAR(std::stod(row[7]), kwPct, 1e-5) << rpm;
    EXPECT_NEAR(std::stod(row[8]), nmPct, 1e-5) << rpm;
    EXPECT_NEAR(std::stod(row[9]), std::fabs(s.kw - r.kw) / std::sqrt(2.0), 1e-8) << rpm;
    EXPECT_NEAR(std::stod(row[10]), std::fabs(s.nm - r.nm) / std::sqrt(2.0), 1e-7) << rpm;
    nmSum += std::fabs(nmPct);
    kwSum += std::fabs(kwPct);
    nmMax = std::max(nmMax, std::fabs(nmPct));
    kwMax = std::max(kwMax, std::fabs(kwPct));
  }
  const double n = static_cast<double>(losses.size());
  const Output json = Shell(Cli("compare --format json " + Quote(rig) + " " + Quote(smooth)));
  ASSERT_EQ(json.status, 0);
  const std::size_t second = json.out.find("\"title\": \"Smooth\"");
  ASSERT_NE(second, std::string::npos);
  EXPECT_EQ(JsonValue(json.out, "compared_rpms", second), std::to_string(losses.size()));
  EXPECT_EQ(JsonValue(json.out, "compared_rpm_low", second), std::to_string(losses.begin()->first));
  EXPECT_NEAR(std::stod(JsonValue(json.out, "nm_mean_pct", second)), nmSum / n, 1e-6);
  EXPECT_NEAR(std::stod(JsonValue(json.out, "nm_max_pct", second)), nmMax, 1e-5);
  EXPECT_NEAR(std::stod(JsonValue(json.out, "kw_mean_pct", second)), kwSum / n, 1e-6);
  EXPECT_NEAR(std::stod(JsonValue(json.out, "kw_max_pct", second)), kwMax, 1e-5);
  EXPECT_GT(nmMax, 0.01);  // the smoothed curve is not the stored one

  // Against the host's curve: none before Apply, the applied curve after it.
  const Output none = testing::RunShell(Cli("compare " + Quote(smooth) + " --host " + Quote(dir)));
  EXPECT_EQ(none.status, 1);
  EXPECT_NE(none.out.find("Torvex2.005 is absent"), std::string::npos) << none.out;
  ASSERT_EQ(Shell(Cli("apply --folder " + Quote(dir) + " Rig")).status, 0);
  const Output host =
      Shell(Cli("compare --format json " + Quote(smooth) + " --host " + Quote(dir)));
  ASSERT_EQ(host.status, 0);
  EXPECT_EQ(JsonValue(host.out, "host"), "true");
  EXPECT_EQ(JsonValue(host.out, "nm_max_pct"), JsonValue(json.out, "nm_max_pct", second));
  EXPECT_EQ(JsonValue(host.out, "kw_mean_pct"), JsonValue(json.out, "kw_mean_pct", second));
  EXPECT_EQ(testing::RunShell(Cli("compare " + Quote(rig))).status, 2);
}

TEST_F(AnalysisCli, CombineOfThreeRundownsOfOneRigAndARefusedOtherRig) {
  Rundown("R1", 1, 1900, 450);
  Rundown("R2", 2, 2000, 500);
  Rundown("R3", 3, 2100, 550);
  Rundown("Other", 4, 2000, 500, "1.5");
  const std::vector<std::string> sources = {Cal("R1.Frixa"), Cal("R2.Frixa"), Cal("R3.Frixa")};
  const Output combine = Shell(Cli("combine --out All " + Quote(sources[0]) + " " +
                                   Quote(sources[1]) + " " + Quote(sources[2])));
  ASSERT_EQ(combine.status, 0) << combine.out;
  const std::string all = Cal("All.Frixa");

  // RawData: the sources' rows in order, file after file; rows of each file from its 20th on
  // are settled.
  Csv raw;
  std::set<int> settled;
  int low = 1 << 30, high = 0;
  for (const auto& s : sources) {
    const Csv rows = MdbCsv(s, "RawData");
    for (std::size_t r = 0; r < rows.size(); ++r) {
      if (r >= 19) settled.insert(std::stoi(rows[r][0]));
    }
    raw.insert(raw.end(), rows.begin(), rows.end());
    const Csv info = MdbCsv(s, "Info");
    low = std::min(low, std::stoi(info.at(0).at(2)));
    high = std::max(high, std::stoi(info.at(0).at(3)));
  }
  EXPECT_EQ(MdbCsv(all, "RawData"), raw);

  // PointData: the means of all rows at each RPM, from the sources' exact values.
  // The same of the settled rows alone.
  std::map<int, std::tuple<double, double, long>> sums;
  std::map<int, std::tuple<double, double, long>> settledSums;
  for (const auto& s : sources) {
    RecordSet rs;
    Bind(rs, s, "Select * From RawData");
    for (long row = 0; !rs.Eof(); rs.MoveNext(), ++row) {
      for (auto* table : {&sums, &settledSums}) {
        if (table == &settledSums && row < 19) continue;
        auto& [kw, nm, count] = (*table)[rs.Fields(0).AsInteger()];
        kw += rs.Fields(1).AsDouble();
        nm += rs.Fields(2).AsDouble();
        ++count;
      }
    }
    Release(rs);
  }
  const Csv points = MdbCsv(all, "PointData");
  ASSERT_EQ(points.size(), sums.size());
  RecordSet pd;
  Bind(pd, all, "Select * From PointData");
  std::map<int, std::vector<std::string>> pointAt;
  for (const auto& p : points) {
    ASSERT_FALSE(pd.Eof());
    const int rpm = std::stoi(p.at(0));
    EXPECT_EQ(pd.Fields(0).AsInteger(), rpm);
    ASSERT_EQ(sums.count(rpm), 1u) << rpm;
    const auto [kw, nm, count] = sums[rpm];
    const float wantKw = static_cast<float>(kw / static_cast<double>(count));
    const float wantNm = static_cast<float>(nm / static_cast<double>(count));
    EXPECT_LE(std::fabs(pd.Fields(1).AsSingle() - wantKw), std::nextafter(wantKw, 1e30f) - wantKw) << rpm;
    EXPECT_LE(std::fabs(pd.Fields(2).AsSingle() - wantNm), std::nextafter(wantNm, 1e30f) - wantNm) << rpm;
    // mdbtools reads the same values.
    EXPECT_NEAR(std::stod(p[1]), pd.Fields(1).AsDouble(), 1e-7 * pd.Fields(1).AsDouble()) << rpm;
    pointAt[rpm] = p;
    pd.MoveNext();
  }
  Release(pd);

  // Losses: one row for every RPM of the whole range. At the RPMs settled revolutions reached,
  // the means of those rows alone: where another file's priming revolutions share the RPM, not
  // PointData's mean. Above the highest settled RPM (reached only by the third file's priming
  // revolutions) the curve carries that RPM's losses.
  const Csv losses = MdbCsv(all, "Losses");
  ASSERT_EQ(losses.size(), static_cast<std::size_t>(high - low + 1));
  const int topSettled = *settled.rbegin();
  ASSERT_LT(topSettled, high);
  RecordSet ld;
  Bind(ld, all, "Select * From Losses");
  std::vector<std::string> atTop;
  long unlikePoint = 0;
  for (std::size_t r = 0; r < losses.size(); ++r, ld.MoveNext()) {
    ASSERT_FALSE(ld.Eof());
    const int rpm = std::stoi(losses[r][0]);
    ASSERT_EQ(rpm, low + static_cast<int>(r));
    if (settledSums.count(rpm)) {
      const auto [kw, nm, count] = settledSums[rpm];
      EXPECT_EQ(ld.Fields(1).AsSingle(), static_cast<float>(kw / static_cast<double>(count))) << rpm;
      EXPECT_EQ(ld.Fields(2).AsSingle(), static_cast<float>(nm / static_cast<double>(count))) << rpm;
      if (losses[r] != pointAt[rpm]) ++unlikePoint;
    }
    if (rpm == topSettled) atTop = losses[r];
    if (rpm > topSettled) {
      EXPECT_EQ(losses[r][1], atTop.at(1)) << rpm;
      EXPECT_EQ(losses[r][2], atTop.at(2)) << rpm;
    }
  }
  Release(ld);
  // The first two files' priming revolutions (19 each, over their top 8 RPMs or so) lie among
  // the later files' settled ones.
  EXPECT_GE(unlikePoint, 10);
  // The friction model of the combined file rests on every file's settled rows, each file's
  // first 19 left out: the simulator's friction 1.5 + 0.004 w + 0.00002 w^2 N m.
  const std::string analyze = Shell(Cli("analyze --format json " + Quote(all))).out;
  EXPECT_EQ(JsonValue(analyze, "settled"), std::to_string(raw.size() - 3 * 19)) << analyze;
  EXPECT_NEAR(std::stod(JsonValue(analyze, "a")), 1.5, 0.05);
  EXPECT_NEAR(std::stod(JsonValue(analyze, "b")), 0.004, 0.001);
  EXPECT_NEAR(std::stod(JsonValue(analyze, "c")), 0.00002, 0.000005);

  const Csv info = MdbCsv(all, "Info");
  ASSERT_EQ(info.size(), 1u);
  EXPECT_EQ(info[0][0], "1.25");
  EXPECT_EQ(info[0][1], "1");
  EXPECT_EQ(info[0][2], std::to_string(low));
  EXPECT_EQ(info[0][3], std::to_string(high));
  EXPECT_FALSE(info[0][4].empty());
  EXPECT_EQ(info[0][5], "Version : 1.1.0");
  EXPECT_EQ(info[0][6], "Combined: R1, R2, R3");

  // A file of another rig: refused, naming it, and nothing written, the older file kept.
  const auto before = Bytes(all);
  const Output refused = testing::RunShell(Cli("combine --out All " + Quote(sources[0]) + " " +
                                               Quote(Cal("Other.Frixa")) + " " + Quote(sources[1])));
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.out.find("Other.Frixa (inertia 1.5, ratio 1) differs from " + sources[0] +
                             " (inertia 1.25, ratio 1)"),
            std::string::npos)
      << refused.out;
  EXPECT_NE(refused.out.find("(error 1002)\n"), std::string::npos) << refused.out;
  EXPECT_EQ(refused.out.find("R2.Frixa"), std::string::npos) << refused.out;
  EXPECT_EQ(Bytes(all), before);
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder.File("Custom Cal"))) {
    names.insert(e.path().filename().string());
  }
  EXPECT_EQ(names, (std::set<std::string>{"R1.Frixa", "R2.Frixa", "R3.Frixa", "Other.Frixa",
                                          "All.Frixa"}));
}

TEST_F(AnalysisCli, ReportReadsBackInPopplerAndPassesQpdf) {
  Rundown("Rig 2", 8, 2000, 500);
  ASSERT_EQ(Shell(Cli("apply --folder " + Quote(dir) + " " + Quote("Rig 2"))).status, 0);
  Rundown("Rig 1", 7, 2000, 500);
  const std::string rig = Cal("Rig 1.Frixa");
  const std::string pdf = folder.File("Rig 1.pdf");
  const Output report = Shell(Cli("report " + Quote(rig) + " --host " + Quote(dir) + " --out " + Quote(pdf)));
  ASSERT_EQ(report.status, 0) << report.out;

  EXPECT_EQ(testing::RunShell("qpdf --check " + Quote(pdf)).status, 0);
  const std::string info = Shell("pdfinfo " + Quote(pdf)).out;
  EXPECT_TRUE(std::regex_search(info, std::regex("\nPages: +1\n"))) << info;
  EXPECT_TRUE(std::regex_search(info, std::regex("\nPage size: +595 x 842 pts \\(A4\\)"))) << info;
  const std::string fonts = Shell("pdffonts " + Quote(pdf)).out;
  EXPECT_NE(fonts.find("Helvetica                            Type 1            WinAnsi"), std::string::npos) << fonts;
  EXPECT_NE(fonts.find("Helvetica-Bold                       Type 1            WinAnsi"), std::string::npos) << fonts;

  // The texts: title, path, information record, coefficients and verdict as analyze gives
  // them, and the difference to the curve in use as compare gives it.
  const std::string text = Shell("pdftotext -layout " + Quote(pdf) + " -").out;
  // The report shows the fit of the revolution times the file kept, as analyze does, its verdict
  // worded for the program's user.
  const AnalysedFile analysed = ReadAnalysedFile(rig);
  ASSERT_TRUE(analysed.recorded.recorded);
  const FrictionFit& model = analysed.recorded.model;
  const auto coefficient = [&](const char* format, double value) {
    char buf[80];
    std::snprintf(buf, sizeof buf, format, value);
    return std::string(buf);
  };
  const std::string compare =
      Shell(Cli("compare --format json " + Quote(rig) + " --host " + Quote(dir))).out;
  const auto percent = [&](const std::string& key) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.3f %%", std::stod(JsonValue(compare, key)));
    return std::string(buf);
  };
  const std::string verdict =
      JudgeRecordedFit(analysed.recorded, analysed.curve, VerdictReader::Program).text;
  const std::string json = Shell(Cli("analyze --format json " + Quote(rig))).out;
  for (const std::string& want :
       {std::string("Calibration report: Rig 1"), rig, std::string("Version : 1.1.0"),
        std::string("01.2500000 Kg/M^2"), std::string("1.0000000"),
        coefficient("A = %.9g N m", model.a), coefficient("B = %.9g N m s/rad", model.b),
        coefficient("C = %.9g N m s\u00B2/rad\u00B2", model.c),
        coefficient("A = %.9g N m", std::stod(JsonValue(json, "a"))),
        coefficient("95 %% band = %.4f %%", std::stod(JsonValue(json, "band_pct"))),
        verdict.substr(0, verdict.find(';')), std::string("Curve in use (Torvex2.005)"),
        "torque loss mean " + percent("nm_mean_pct"), "largest " + percent("nm_max_pct"),
        "power loss mean " + percent("kw_mean_pct"), std::string("Rundown Torque Losses"),
        std::string("Rundown Power Losses")}) {
    EXPECT_NE(text.find(want), std::string::npos) << want << "\n" << text;
  }
  EXPECT_EQ(verdict.rfind("SOUND", 0), 0u) << verdict;
  EXPECT_EQ(text.find("frixa-cli"), std::string::npos) << text;

  // Without the host: no comparison. A folder that does not exist: nothing written.
  ASSERT_EQ(Shell(Cli("report " + Quote(rig) + " --out " + Quote(pdf))).status, 0);
  EXPECT_EQ(Shell("pdftotext " + Quote(pdf) + " -").out.find("Curve in use"), std::string::npos);
  const Output failed = testing::RunShell(Cli("report " + Quote(rig) + " --out " + Quote(folder.File("none/r.pdf"))));
  EXPECT_EQ(failed.status, 1);
  EXPECT_NE(failed.out.find("(error 75)"), std::string::npos) << failed.out;
  EXPECT_FALSE(std::filesystem::exists(folder.File("none")));
}

}  // namespace
}  // namespace frixa
