// What the analysis window shows and proposes, apart from the window itself: the list's rows
// and their texts, the reference line, the names and settings its save dialogs open with.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "analysis/analysed_file.h"
#include "common/frontend.h"

namespace frixa {

// The files and host curve the window shows, and how.
struct AnalysisState {
  std::vector<AnalysedFile> files;
  std::optional<std::vector<LossCurveRow>> host;
  bool hostReference = false;  // differences to the host's curve instead of the first file
  bool power = false;
};

// The list's column headers (UTF-8).
inline constexpr std::array<const char*, 15> kAnalysisColumns{
    "Title", "Date Processed", "Inertia", "Ratio", "RPM Range", "Rows", "A", "B", "C",
    "R\xC2\xB2", "Residual RMS", "Mean Diff %", "Max Diff %", "Verdict", "Band %"};

// The list's texts of each file (one row each, in kAnalysisColumns order): its information
// record, its model ("-" without one) and how far its curve lies from the reference, in % of
// the torque (or power) ("reference" on the reference's own row, "-" with nothing to compare);
// then its verdict (CalibrationCheck::verdict) and the 95 % band of its fit of the recorded
// times ("-" for an older file or when none was fitted).
std::vector<std::vector<std::string>> AnalysisRows(const AnalysisState& state);
// "Reference: ..." above the list.
std::string ReferenceText(const AnalysisState& state);

// The save dialogs' filters and the names they propose.
inline constexpr const char* kCalibrationFilter = "Frix Losses Files (*.FRIXA)|*.FRIXA|";
inline constexpr const char* kPictureFilter = "PNG Picture (*.png)|*.png|";
inline constexpr const char* kReportFilter = "PDF Report (*.pdf)|*.pdf|";
inline constexpr const char* kCombinedFileName = "Combined.Frixa";
inline constexpr const char* kPictureFileName = "Analysis.png";
// A path's file name, without its folder (either separator).
std::string FileNameOf(const std::string& path);
// "<title> Smoothed.Frixa".
std::string SmoothedFileName(const std::string& title);
// The power graph's picture beside the torque graph's `target`: " Power" before the extension.
std::string PowerPictureName(const std::string& target);

// A save dialog of the window: over `initDir`, asking before overwriting.
FileDialogSettings AnalysisSaveDialog(const std::string& filter, const std::string& fileName,
                                      const std::string& initDir, const std::string& title);
// The report's save dialog for calibration file `file`: "<name without extension> Report.pdf"
// in `initDir`.
FileDialogSettings ReportDialog(const std::string& file, const std::string& initDir);

}  // namespace frixa
