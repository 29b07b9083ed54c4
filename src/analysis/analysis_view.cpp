// What the analysis window shows and proposes: see analysis_view.h.
#include "analysis/analysis_view.h"

#include <cstdio>

namespace frixa {
namespace {

std::string Format(const char* format, double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, format, v);
  return buf;
}

}  // namespace

std::vector<std::vector<std::string>> AnalysisRows(const AnalysisState& state) {
  const std::vector<LossCurveRow>* reference = nullptr;
  if (state.hostReference && state.host) {
    reference = &*state.host;
  } else if (!state.hostReference && !state.files.empty()) {
    reference = &state.files.front().curve;
  }
  std::vector<std::vector<std::string>> rows;
  for (std::size_t i = 0; i < state.files.size(); ++i) {
    const AnalysedFile& f = state.files[i];
    std::vector<std::string> row{f.title,
                                 f.dateProcessed,
                                 Format("%g", f.inertia),
                                 Format("%g", f.ratio),
                                 Format("%.0f", f.rpmLow) + " - " + Format("%.0f", f.rpmHigh),
                                 std::to_string(f.curve.size())};
    // A, B and C of the friction the verdict judges (the fit of the recorded times where the file
    // kept them, as analyze shows them); R^2 and the residual are the per-revolution fit's.
    const bool recordedModel = f.check.recorded && f.check.model.fitted;
    const FrictionFit& model = recordedModel ? f.check.model : f.fit;
    if (model.fitted) {
      for (double v : {model.a, model.b, model.c}) row.push_back(Format("%.5g", v));
    } else {
      row.insert(row.end(), 3, "-");
    }
    if (f.fit.fitted) {
      row.push_back(Format("%.4f", f.fit.r2));
      row.push_back(Format("%.4g", f.fit.rms));
    } else {
      row.insert(row.end(), 2, "-");
    }
    if (!state.hostReference && i == 0) {
      row.insert(row.end(), {"reference", "reference"});
    } else if (!reference) {
      row.insert(row.end(), 2, "-");
    } else {
      const CurveDifference d = CompareCurves(f.curve, *reference);
      if (d.rpms == 0) {
        row.insert(row.end(), 2, "-");
      } else {
        row.push_back(Format("%.2f", state.power ? d.kwMeanPct : d.nmMeanPct));
        row.push_back(Format("%.2f", state.power ? d.kwMaxPct : d.nmMaxPct));
      }
    }
    row.push_back(f.check.verdict);
    row.push_back(f.check.recorded && f.check.model.fitted ? Format("%.2g", f.check.bandPct)
                                                           : "-");
    rows.push_back(std::move(row));
  }
  return rows;
}

std::string ReferenceText(const AnalysisState& state) {
  if (state.hostReference) {
    return state.host ? "Reference: Torvex2.005 (the curve in use)"
                      : "Reference: Torvex2.005 (not present)";
  }
  if (state.files.empty()) return "Reference: none (add calibration files)";
  return "Reference: " + state.files.front().title;
}

std::string FileNameOf(const std::string& path) {
  const auto slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string SmoothedFileName(const std::string& title) { return title + " Smoothed.Frixa"; }

std::string PowerPictureName(const std::string& target) {
  const auto dot = target.find_last_of('.');
  const auto slash = target.find_last_of("\\/");
  const bool extension = dot != std::string::npos && (slash == std::string::npos || slash < dot);
  return extension ? target.substr(0, dot) + " Power" + target.substr(dot) : target + " Power";
}

FileDialogSettings AnalysisSaveDialog(const std::string& filter, const std::string& fileName,
                                      const std::string& initDir, const std::string& title) {
  FileDialogSettings settings;
  settings.filter = filter;
  settings.fileName = fileName;
  settings.initDir = initDir;
  settings.flags = kDialogOverwritePrompt | kDialogHideReadOnly | kDialogNoChangeDir;
  settings.title = title;
  return settings;
}

FileDialogSettings ReportDialog(const std::string& file, const std::string& initDir) {
  std::string title = FileNameOf(file);
  const auto dot = title.find_last_of('.');
  if (dot != std::string::npos) title.resize(dot);
  return AnalysisSaveDialog(kReportFilter, title + " Report.pdf", initDir, "Report");
}

}  // namespace frixa
