// frixa-cli compare, combine and report: repeated rundowns of one rig side by side against a
// reference (one of them, another calibration file or the host's curve in use), one
// calibration file made from several, and the one-page PDF report of a calibration file.
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "analysis/analysed_file.h"
#include "analysis/combine.h"
#include "analysis/compare.h"
#include "analysis/report.h"
#include "calfile/file_names.h"
#include "cli/cli.h"
#include "cli/console_frontend.h"
#include "common/app.h"
#include "common/error.h"
#include "platform/short_date.h"

namespace frixa::cli {
namespace {

// A loss curve to compare against: one of the files, another file, or the host's.
struct Reference {
  std::string title;
  std::string path;
  bool host = false;
  int fileIndex = -1;  // 0-based, when it is one of the files
  std::vector<LossCurveRow> curve;
};

std::string Optional(const std::optional<double>& v, const char* format, const char* none) {
  if (!v) return none;
  char buf[40];
  std::snprintf(buf, sizeof buf, format, *v);
  return buf;
}

std::string Fixed(const char* format, double v) {
  char buf[40];
  std::snprintf(buf, sizeof buf, format, v);
  return buf;
}

// `text` right-aligned in `width` characters.
std::string Right(const std::string& text, std::size_t width) {
  return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

void PrintText(const std::vector<AnalysedFile>& files, const Reference& ref, const Comparison& c) {
  if (ref.host) {
    std::printf("Reference: the host's curve in use, %s\n", ref.path.c_str());
  } else {
    std::printf("Reference: %s (%s)\n", ref.title.c_str(), ref.path.c_str());
  }
  for (std::size_t i = 0; i < files.size(); ++i) {
    const AnalysedFile& f = files[i];
    std::printf("File %zu: %s (%s), %.0f to %.0f RPM\n", i + 1, f.title.c_str(), f.path.c_str(),
                f.rpmLow, f.rpmHigh);
  }
  if (c.rows.empty()) {
    std::printf("No RPM is common to all the files and the reference.\n");
  } else {
    std::printf("%zu RPMs common to all, %d to %d; %% to the reference; sd: standard deviation "
                "across the files\n",
                c.rows.size(), c.rows.front().rpm, c.rows.back().rpm);
    std::string head = "     RPM";
    const bool ownColumns = ref.fileIndex < 0;
    if (ownColumns) head += "    ref kW   ref N m";
    for (std::size_t i = 0; i < files.size(); ++i) {
      const std::string n = std::to_string(i + 1);
      head += Right(n + " kW", 10) + Right(n + " N m", 10) + Right(n + " kW%", 9) +
              Right(n + " Nm%", 9);
    }
    head += "     sd kW    sd N m";
    std::printf("%s\n", head.c_str());
    for (const ComparisonRow& row : c.rows) {
      std::string line = Right(std::to_string(row.rpm), 8);
      if (ownColumns) line += Fixed("%10.5f", row.referenceKw) + Fixed("%10.4f", row.referenceNm);
      for (std::size_t i = 0; i < row.kw.size(); ++i) {
        line += Fixed("%10.5f", row.kw[i]) + Fixed("%10.4f", row.nm[i]) +
                Optional(row.kwPct[i], "%9.3f", "        -") +
                Optional(row.nmPct[i], "%9.3f", "        -");
      }
      line += Fixed("%10.5f", row.kwSd) + Fixed("%10.4f", row.nmSd);
      std::printf("%s\n", line.c_str());
    }
  }
  std::printf("Against the reference:\n");
  for (std::size_t i = 0; i < files.size(); ++i) {
    const CurveDifference& d = c.summary[i];
    if (d.rpms == 0) {
      std::printf("  File %zu %s: no RPM in common\n", i + 1, files[i].title.c_str());
      continue;
    }
    std::printf("  File %zu %s: N m mean %.3f %%, largest %.3f %%; kW mean %.3f %%, largest "
                "%.3f %%; %d to %d RPM (%ld RPMs)\n",
                i + 1, files[i].title.c_str(), d.nmMeanPct, d.nmMaxPct, d.kwMeanPct, d.kwMaxPct,
                d.rpmLow, d.rpmHigh, d.rpms);
  }
}

std::string CsvNumber(double v) { return Fixed("%.9g", v); }

void PrintCsv(const std::vector<AnalysedFile>& files, const Reference& ref, const Comparison& c) {
  const bool ownColumns = ref.fileIndex < 0;
  std::string head = "rpm";
  if (ownColumns) head += ",ref_kw,ref_nm";
  for (std::size_t i = 1; i <= files.size(); ++i) {
    const std::string n = std::to_string(i);
    head += ",kw_" + n + ",nm_" + n + ",kw_pct_" + n + ",nm_pct_" + n;
  }
  std::printf("%s,kw_sd,nm_sd\n", head.c_str());
  for (const ComparisonRow& row : c.rows) {
    std::string line = std::to_string(row.rpm);
    if (ownColumns) line += "," + CsvNumber(row.referenceKw) + "," + CsvNumber(row.referenceNm);
    for (std::size_t i = 0; i < row.kw.size(); ++i) {
      line += "," + CsvNumber(row.kw[i]) + "," + CsvNumber(row.nm[i]) + "," +
              Optional(row.kwPct[i], "%.9g", "") + "," + Optional(row.nmPct[i], "%.9g", "");
    }
    std::printf("%s,%s,%s\n", line.c_str(), CsvNumber(row.kwSd).c_str(), CsvNumber(row.nmSd).c_str());
  }
}

std::string JsonList(const std::vector<double>& values) {
  std::string out = "[";
  for (std::size_t i = 0; i < values.size(); ++i) out += (i ? ", " : "") + JsonNumber(values[i]);
  return out + "]";
}

std::string JsonList(const std::vector<std::optional<double>>& values) {
  std::string out = "[";
  for (std::size_t i = 0; i < values.size(); ++i) {
    out += (i ? ", " : "") + (values[i] ? JsonNumber(*values[i]) : std::string("null"));
  }
  return out + "]";
}

void PrintJson(const std::vector<AnalysedFile>& files, const Reference& ref, const Comparison& c) {
  std::printf("{\"reference\": {\"title\": %s, \"path\": %s, \"host\": %s, \"file\": %d},\n",
              JsonText(ref.title).c_str(), JsonText(ref.path).c_str(), ref.host ? "true" : "false",
              ref.fileIndex < 0 ? 0 : ref.fileIndex + 1);
  std::printf(" \"files\": [");
  for (std::size_t i = 0; i < files.size(); ++i) {
    const AnalysedFile& f = files[i];
    const CurveDifference& d = c.summary[i];
    std::printf("%s\n  {\"title\": %s, \"path\": %s, \"rpm_low\": %s, \"rpm_high\": %s, "
                "\"compared_rpms\": %ld, \"compared_rpm_low\": %d, \"compared_rpm_high\": %d, "
                "\"nm_mean_pct\": %s, \"nm_max_pct\": %s, \"kw_mean_pct\": %s, \"kw_max_pct\": %s}",
                i ? "," : "", JsonText(f.title).c_str(), JsonText(f.path).c_str(),
                JsonNumber(f.rpmLow).c_str(), JsonNumber(f.rpmHigh).c_str(), d.rpms, d.rpmLow,
                d.rpmHigh, JsonNumber(d.nmMeanPct).c_str(), JsonNumber(d.nmMaxPct).c_str(),
                JsonNumber(d.kwMeanPct).c_str(), JsonNumber(d.kwMaxPct).c_str());
  }
  std::printf("],\n \"rows\": [");
  for (std::size_t r = 0; r < c.rows.size(); ++r) {
    const ComparisonRow& row = c.rows[r];
    std::printf("%s\n  {\"rpm\": %d, \"ref_kw\": %s, \"ref_nm\": %s, \"kw\": %s, \"nm\": %s, "
                "\"kw_pct\": %s, \"nm_pct\": %s, \"kw_sd\": %s, \"nm_sd\": %s}",
                r ? "," : "", row.rpm, JsonNumber(row.referenceKw).c_str(),
                JsonNumber(row.referenceNm).c_str(), JsonList(row.kw).c_str(),
                JsonList(row.nm).c_str(), JsonList(row.kwPct).c_str(), JsonList(row.nmPct).c_str(),
                JsonNumber(row.kwSd).c_str(), JsonNumber(row.nmSd).c_str());
  }
  std::printf("]}\n");
}

int CannotRead(const char* command, const std::string& file, const Error& e) {
  std::fprintf(stderr, "frixa-cli %s: %s: %s (error %d)\n", command, file.c_str(),
               e.description().c_str(), e.number());
  return kExitError;
}

int RunCompare(const std::vector<std::string>& args) {
  const Options opt(args, {"reference", "host", "format"});
  const std::string format = opt.Get("format").value_or("text");
  if (format != "text" && format != "csv" && format != "json") {
    throw UsageError("--format is text, csv or json");
  }
  const auto referenceFile = opt.Get("reference");
  const auto hostFolder = opt.Get("host");
  if (referenceFile && hostFolder) throw UsageError("give --reference or --host, not both");
  const std::vector<std::string>& paths = opt.Positional();
  if (paths.empty() || (paths.size() < 2 && !referenceFile && !hostFolder)) {
    throw UsageError("expected two calibration files or more (one with --reference or --host)");
  }

  std::vector<AnalysedFile> files;
  for (const std::string& path : paths) {
    try {
      files.push_back(ReadAnalysedFile(path));
    } catch (const Error& e) {
      return CannotRead("compare", path, e);
    }
  }
  Reference ref;
  if (hostFolder) {
    ref.host = true;
    ref.path = *hostFolder + kPathSeparator + kHostLossFileName;
    ref.title = kHostLossFileName;
    try {
      auto curve = ReadHostCurve(*hostFolder);
      if (!curve) {
        std::fprintf(stderr, "frixa-cli compare: %s is absent: the host compensates nothing\n",
                     ref.path.c_str());
        return kExitError;
      }
      ref.curve = std::move(*curve);
    } catch (const Error& e) {
      return CannotRead("compare", ref.path, e);
    }
  } else if (referenceFile) {
    ref.path = *referenceFile;
    ref.title = StripPathAndExtension(ref.path);
    for (std::size_t i = 0; i < paths.size() && ref.fileIndex < 0; ++i) {
      if (paths[i] == ref.path) ref.fileIndex = static_cast<int>(i);
    }
    try {
      ref.curve = ref.fileIndex >= 0 ? files[static_cast<std::size_t>(ref.fileIndex)].curve
                                     : ReadLossCurve(ref.path);
    } catch (const Error& e) {
      return CannotRead("compare", ref.path, e);
    }
  } else {
    ref.fileIndex = 0;
    ref.path = files[0].path;
    ref.title = files[0].title;
    ref.curve = files[0].curve;
  }

  std::vector<const std::vector<LossCurveRow>*> curves;
  for (const AnalysedFile& f : files) curves.push_back(&f.curve);
  const Comparison c = CompareLossCurves(curves, ref.curve);
  if (format == "json") {
    PrintJson(files, ref, c);
  } else if (format == "csv") {
    PrintCsv(files, ref, c);
  } else {
    PrintText(files, ref, c);
  }
  return kExitOk;
}

int RunCombine(const std::vector<std::string>& args) {
  const Options opt(args, {"out"});
  const std::vector<std::string>& files = opt.Positional();
  if (files.size() < 2) throw UsageError("expected two calibration files or more");
  std::string name = opt.Require("out");
  // A bare name goes beside the first file, as a calibration file among its own.
  if (!std::filesystem::path(name).has_parent_path()) {
    name = (std::filesystem::path(files[0]).parent_path() / name).string();
  }
  name = WithCalibrationExtension(std::move(name));
  ConsoleFrontend ui;
  ui.quiet = true;  // the phases' progress lines; the summary below says what was made
  try {
    const CombinedFile out = CombineCalibrationFiles(ui, files, name, TodayShortDateText());
    std::printf("Combined calibration: %s\n", name.c_str());
    std::printf("From %zu files: %ld revolutions, %ld points, %ld loss curve rows from %.0f to "
                "%.0f RPM\n",
                files.size(), out.rawRows, out.points, out.lossRows,
                static_cast<double>(out.rpmLow), static_cast<double>(out.rpmHigh));
  } catch (const Error& e) {
    // A refusal (1002) or a file that cannot be read or written.
    std::fprintf(stderr, "frixa-cli combine: %s (error %d)\n", e.description().c_str(),
                 e.number());
    return kExitError;
  }
  return kExitOk;
}

int RunReport(const std::vector<std::string>& args) {
  const Options opt(args, {"host", "out"});
  if (opt.Positional().size() != 1) throw UsageError("expected one calibration file");
  const std::string& path = opt.Positional()[0];
  const std::string out = opt.Require("out");
  AnalysedFile file;
  try {
    file = ReadAnalysedFile(path);
  } catch (const Error& e) {
    return CannotRead("report", path, e);
  }
  std::optional<std::vector<LossCurveRow>> host;
  if (const auto folder = opt.Get("host")) {
    try {
      host = ReadHostCurve(*folder);
    } catch (const Error& e) {
      return CannotRead("report", *folder + kPathSeparator + kHostLossFileName, e);
    }
    if (!host) {
      std::printf("No %s in %s: the host compensates nothing; the report has no comparison.\n",
                  kHostLossFileName, folder->c_str());
    }
  }
  try {
    WriteCalibrationReport(file, host ? &*host : nullptr, out);
  } catch (const Error& e) {
    std::fprintf(stderr, "frixa-cli report: %s: %s (error %d)\n", out.c_str(),
                 e.description().c_str(), e.number());
    return kExitError;
  }
  std::printf("Calibration report of %s: %s\n", file.title.c_str(), out.c_str());
  return kExitOk;
}

}  // namespace

FRIXA_CLI_COMMAND({"report", "report FILE [--host DIR] --out F.pdf",
                   "Write a one-page A4 PDF report of a calibration file: its information record, "
                   "the torque and power loss curves with the fitted friction model, A, B, C, R^2 "
                   "and the verdict, and with --host its difference to DIR's Torvex2.005.",
                   RunReport})
FRIXA_CLI_COMMAND({"compare",
                   "compare FILE FILE... [--reference FILE | --host DIR] [--format text|csv|json]",
                   "At every RPM common to all, each file's power and torque loss, its difference "
                   "in % to the reference (the first file, another FILE, or the host's curve "
                   "Torvex2.005 of DIR) and the spread (standard deviation) across the files; per "
                   "file the mean and largest % difference and the RPMs it covers.",
                   RunCompare})
FRIXA_CLI_COMMAND({"combine", "combine --out NAME FILE FILE...",
                   "Write the calibration file NAME (\".Frixa\" added unless it ends in it; a bare "
                   "name goes beside the first FILE) from rundowns of one rig: every file's raw "
                   "rows, their per-RPM means and the loss curve of all their settled "
                   "revolutions.",
                   RunCombine})

}  // namespace frixa::cli
