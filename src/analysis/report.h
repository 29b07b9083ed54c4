// The calibration report: one A4 page in PDF that a lab can file with the rig's records. The
// calibration file's title and path, its information record (date processed, version, inertia,
// ratio, RPM range, rows, comment), the torque and power loss curves with the fitted friction
// model as two graphs, the model's coefficients A, B, C, R^2 and the verdict on it, and, when
// the host's curve in use is given, how far the file's curve lies from it.
#pragma once

#include <string>
#include <vector>

#include "analysis/analysed_file.h"
#include "analysis/pdf_page.h"

namespace frixa {

// The page of the report, drawn.
PdfPage CalibrationReportPage(const AnalysedFile& file, const std::vector<LossCurveRow>* hostCurve);

// Writes the report to `path` as a whole (an older file of the name stays when writing fails:
// frixa::Error 75 or 70, see WriteWholeFile). `hostCurve` null: no comparison with the host.
void WriteCalibrationReport(const AnalysedFile& file, const std::vector<LossCurveRow>* hostCurve,
                            const std::string& path);

}  // namespace frixa
