// The calibration report: see report.h.
#include "analysis/report.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "analysis/fit_verdict.h"
#include "analysis/plot.h"
#include "browser/info_display.h"
#include "common/app.h"
#include "platform/whole_file.h"

namespace frixa {
namespace {

constexpr double kLeft = 45;
constexpr double kWidth = kPdfPageWidth - 2 * kLeft;
constexpr double kBodySize = 9;
constexpr double kLine = 13;
constexpr double kGraphHeight = 215;
constexpr PlotColor kRuleColor{150, 150, 150};

std::string Printf(const char* format, double a) {
  char buf[96];
  std::snprintf(buf, sizeof buf, format, a);
  return buf;
}

// Lines of text from `top` (the first baseline) no wider than `width`; returns the baseline
// below the last, at most `maxLines` lines (the last one cut with "...").
double Paragraph(PdfPage& page, double x, double top, double width, const std::string& text,
                 PdfFont font, std::size_t maxLines = 12) {
  std::vector<std::string> lines = WrapText(text, width, kBodySize, font);
  if (lines.size() > maxLines) {
    lines.resize(maxLines);
    lines.back() += " ...";
  }
  double y = top;
  for (const std::string& line : lines) {
    page.Text(x, y, line, kBodySize, font);
    y += kLine;
  }
  return lines.empty() ? top + kLine : y;
}

void Rule(PdfPage& page, double y) {
  page.Polyline({{kLeft, y}, {kLeft + kWidth, y}}, kRuleColor, 0.5, false);
}

// The information record's two columns: where each starts and where its values start.
constexpr double kRightColumn = kLeft + 262;
constexpr double kLeftLabels = 88;
constexpr double kRightLabels = 62;

void Field(PdfPage& page, double x, double y, const char* label, const std::string& value) {
  page.Text(x, y, label, kBodySize, PdfFont::Bold);
  page.Text(x + (x == kLeft ? kLeftLabels : kRightLabels), y, value, kBodySize, PdfFont::Regular);
}

std::string RpmText(double rpm) { return DefaultNumberText(static_cast<float>(rpm), '.'); }

}  // namespace

PdfPage CalibrationReportPage(const AnalysedFile& file, const std::vector<LossCurveRow>* hostCurve) {
  PdfPage page;
  double y = 60;
  page.Text(kLeft, y, "Calibration report: " + file.title, 17, PdfFont::Bold);
  y = Paragraph(page, kLeft, y + 16, kWidth, file.path, PdfFont::Regular, 2);
  Rule(page, y - 6);

  // The information record, in two columns.
  const double top = y + 10;
  const double right = kRightColumn;
  Field(page, kLeft, top, "Date processed", file.dateProcessed);
  Field(page, kLeft, top + kLine, "Version", file.version);
  Field(page, kLeft, top + 2 * kLine, "Inertia", FormatFixed(file.inertia, 2, 7, '.') + " Kg/M^2");
  Field(page, kLeft, top + 3 * kLine, "Ratio", FormatFixed(file.ratio, 1, 7, '.'));
  Field(page, right, top, "RPM range", RpmText(file.rpmLow) + " to " + RpmText(file.rpmHigh) + " RPM");
  Field(page, right, top + kLine, "Rows",
        std::to_string(file.curve.size()) + " loss curve rows, " + std::to_string(file.fit.rows) +
            " settled revolutions");
  page.Text(right, top + 2 * kLine, "Comment", kBodySize, PdfFont::Bold);
  const double afterComment =
      Paragraph(page, right + kRightLabels, top + 2 * kLine, kLeft + kWidth - right - kRightLabels,
                file.comment, PdfFont::Regular, 3);
  y = std::max(top + 4 * kLine, afterComment) + 4;

  // The two graphs, drawn as every surface draws them.
  const std::vector<AnalysedFile> files = {file};
  for (const bool power : {false, true}) {
    AnalysisPlotOptions options;
    options.power = power;
    options.band = false;
    PdfCanvas canvas(page, kLeft, y);
    RenderPlot(DescribeAnalysisPlot(files, hostCurve, options), canvas, kWidth, kGraphHeight);
    y += kGraphHeight + 8;
  }

  // The friction model and the verdict.
  y += 10;
  page.Text(kLeft, y, "Friction model", 11, PdfFont::Bold);
  y += kLine + 2;
  const FrictionFit& fit = file.fit;
  const RecordedFit& recorded = file.recorded;
  if (recorded.recorded && recorded.time.fitted) {
    // The model fitted to the revolution times the file kept, as analyze shows it.
    const FrictionFit& model = recorded.model;
    y = Paragraph(page, kLeft, y, kWidth,
                  "T(w) = A + B w + C w\u00B2 (torque loss in N m, w in rad/s), fitted to the times of " +
                      std::to_string(recorded.time.revolutions) + " revolutions (repaired: " +
                      std::to_string(recorded.merged) + " merged, " + std::to_string(recorded.split) +
                      " split, " + std::to_string(recorded.leftOut) + " left out) from " +
                      Printf("%.1f", file.rpmLow) + " to " + Printf("%.1f", file.rpmHigh) + " RPM",
                  PdfFont::Regular);
    page.Text(kLeft, y, Printf("A = %.9g N m", model.a), kBodySize, PdfFont::Regular);
    page.Text(kLeft + 150, y, Printf("B = %.9g N m s/rad", model.b), kBodySize, PdfFont::Regular);
    page.Text(kLeft + 320, y, Printf("C = %.9g N m s\u00B2/rad\u00B2", model.c), kBodySize,
              PdfFont::Regular);
    y += kLine;
    page.Text(kLeft, y, Printf("95 %% band = %.4f %%", recorded.time.bandPct), kBodySize,
              PdfFont::Regular);
    page.Text(kLeft + 150, y,
              Printf("time residual RMS = %.1f us", recorded.time.timeRmsUs) +
                  Printf(" (limit %.1f us)", recorded.residualLimitUs),
              kBodySize, PdfFont::Regular);
    y += kLine;
    page.Text(kLeft, y, "Verdict", kBodySize, PdfFont::Bold);
    y = Paragraph(page, kLeft + 45, y, kWidth - 45,
                  JudgeRecordedFit(recorded, file.curve, VerdictReader::Program).text,
                  PdfFont::Regular, 3);
  } else if (!fit.fitted) {
    y = Paragraph(page, kLeft, y, kWidth, "No model: " + fit.problem + ".", PdfFont::Regular);
  } else {
    y = Paragraph(page, kLeft, y, kWidth,
                  "T(w) = A + B w + C w\u00B2 (torque loss in N m, w in rad/s), fitted to " +
                      std::to_string(fit.rows) + " settled revolutions from " +
                      Printf("%.1f", fit.rpmLow) + " to " + Printf("%.1f", fit.rpmHigh) + " RPM",
                  PdfFont::Regular);
    page.Text(kLeft, y, Printf("A = %.9g N m", fit.a), kBodySize, PdfFont::Regular);
    page.Text(kLeft + 150, y, Printf("B = %.9g N m s/rad", fit.b), kBodySize, PdfFont::Regular);
    page.Text(kLeft + 320, y, Printf("C = %.9g N m s\u00B2/rad\u00B2", fit.c), kBodySize,
              PdfFont::Regular);
    y += kLine;
    page.Text(kLeft, y, Printf("R\u00B2 = %.6f", fit.r2) + Printf(" (poor below %.2f)", kPoorFitR2),
              kBodySize, PdfFont::Regular);
    page.Text(kLeft + 150, y, Printf("residual RMS = %.6g N m", fit.rms), kBodySize,
              PdfFont::Regular);
    y += kLine;
    page.Text(kLeft, y, "Verdict", kBodySize, PdfFont::Bold);
    y = Paragraph(page, kLeft + 45, y, kWidth - 45,
                  JudgeFit(fit, file.curve, VerdictReader::Program).text, PdfFont::Regular, 3);
  }

  if (hostCurve) {
    y += 6;
    page.Text(kLeft, y, std::string("Curve in use (") + kHostLossFileName + ")", 11, PdfFont::Bold);
    y += kLine + 2;
    const CurveDifference d = CompareCurves(file.curve, *hostCurve);
    if (d.rpms == 0) {
      Paragraph(page, kLeft, y, kWidth, "The curve in use shares no RPM with this file's curve.",
                PdfFont::Regular);
    } else {
      char text[300];
      std::snprintf(text, sizeof text,
                    "This file's curve against the curve in use: torque loss mean %.3f %%, largest "
                    "%.3f %%; power loss mean %.3f %%, largest %.3f %%; over %d to %d RPM (%ld RPMs).",
                    d.nmMeanPct, d.nmMaxPct, d.kwMeanPct, d.kwMaxPct, d.rpmLow, d.rpmHigh, d.rpms);
      Paragraph(page, kLeft, y, kWidth, text, PdfFont::Regular, 3);
    }
  }

  Rule(page, kPdfPageHeight - 34);
  page.Text(kLeft, kPdfPageHeight - 22, std::string("Frixa ") + kVersionText, 7.5, PdfFont::Regular);
  page.Text(kLeft + kWidth, kPdfPageHeight - 22, "Calibration report of " + file.title, 7.5,
            PdfFont::Regular, PlotCanvas::Align::Right);
  return page;
}

void WriteCalibrationReport(const AnalysedFile& file, const std::vector<LossCurveRow>* hostCurve,
                            const std::string& path) {
  const PdfPage page = CalibrationReportPage(file, hostCurve);
  WriteWholeFile(path, PdfDocumentBytes(page, "Calibration report: " + file.title));
}

}  // namespace frixa
