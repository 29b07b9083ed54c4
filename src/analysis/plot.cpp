// The analysis graph's description: see plot.h.
#include "analysis/plot.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace frixa {
namespace {

constexpr double kFileWidth = 1.5;
constexpr double kFitWidth = 1.5;
constexpr double kFileDot = 1.5;
constexpr int kFitPoints = 64;
// A file's own points in its colour, this share of the way to white: under its fit line and the
// spread band's edges, a noisy curve's scatter shows without hiding them.
constexpr double kFileLightening = 0.6;

PlotColor Lighter(PlotColor c) {
  const auto toWhite = [](std::uint8_t v) {
    return static_cast<std::uint8_t>(std::lround(v + (255 - v) * kFileLightening));
  };
  return {toWhite(c.r), toWhite(c.g), toWhite(c.b)};
}

// The friction a file is drawn with: the fit of its recorded times when it has one, else the
// fit of its settled revolutions.
const FrictionFit& ModelOf(const AnalysedFile& f) {
  return f.check.recorded && f.check.model.fitted ? f.check.model : f.fit;
}

double ValueOf(const LossCurveRow& row, bool power) { return power ? row.kw : row.nm; }

std::vector<GraphPoint> CurvePoints(const std::vector<LossCurveRow>& curve, bool power) {
  std::vector<GraphPoint> points;
  points.reserve(curve.size());
  for (const LossCurveRow& row : curve) points.push_back({double(row.rpm), ValueOf(row, power)});
  std::stable_sort(points.begin(), points.end(),
                   [](const GraphPoint& a, const GraphPoint& b) { return a.x < b.x; });
  return points;
}

// Mean +- standard deviation (n - 1) at every RPM that each file's curve holds.
PlotBand SpreadBand(const std::vector<const AnalysedFile*>& files, bool power) {
  PlotBand band;
  band.label = "Spread (mean \u00B1 sd)";
  band.color = kPlotBandColor;
  std::map<std::int32_t, std::vector<double>> at;
  for (std::size_t i = 0; i < files.size(); ++i) {
    std::map<std::int32_t, double> mine;  // a file holding an RPM twice counts it once
    for (const LossCurveRow& row : files[i]->curve) mine.emplace(row.rpm, ValueOf(row, power));
    for (const auto& [rpm, v] : mine) {
      std::vector<double>& values = at[rpm];
      if (values.size() == i) values.push_back(v);
    }
  }
  for (const auto& [rpm, values] : at) {
    if (values.size() != files.size()) continue;
    double sum = 0;
    for (double v : values) sum += v;
    const double n = static_cast<double>(values.size());
    const double mean = sum / n;
    double squares = 0;
    for (double v : values) squares += (v - mean) * (v - mean);
    const double sd = std::sqrt(squares / (n - 1));
    band.rpm.push_back(rpm);
    band.low.push_back(mean - sd);
    band.high.push_back(mean + sd);
  }
  return band;
}

}  // namespace

PlotDescription DescribeAnalysisPlot(const std::vector<AnalysedFile>& files,
                                     const std::vector<LossCurveRow>* host,
                                     const AnalysisPlotOptions& options) {
  const GraphTexts& texts = options.power ? kPowerGraphTexts : kTorqueGraphTexts;
  PlotDescription plot;
  plot.title = texts.title;
  plot.xTitle = texts.rpmTitle;
  plot.yTitle = texts.lossTitle;
  plot.xFormat = texts.rpmFormat;
  plot.yFormat = texts.lossFormat;

  std::vector<const AnalysedFile*> shown;
  for (std::size_t i = 0; i < files.size() && i < std::size_t{kMaxPlotFiles}; ++i) {
    shown.push_back(&files[i]);
  }
  if (options.band && shown.size() >= 2) {
    PlotBand band = SpreadBand(shown, options.power);
    if (!band.rpm.empty()) plot.bands.push_back(std::move(band));
  }
  // A file with a fit line shows its curve as light dots under it, the line in full colour
  // carrying its legend entry; without one, its curve is the line.
  const auto hasLine = [&](const AnalysedFile& f) {
    const FrictionFit& fit = ModelOf(f);
    return options.fits && fit.fitted && fit.rpmHigh > fit.rpmLow;
  };
  for (std::size_t i = 0; i < shown.size(); ++i) {
    PlotSeries s;
    s.kind = PlotSeries::Kind::File;
    s.points = CurvePoints(shown[i]->curve, options.power);
    if (hasLine(*shown[i])) {
      s.style = PlotSeries::Style::Dots;
      s.color = Lighter(kPlotFileColors[i]);
      s.width = kFileDot;
    } else {
      s.label = shown[i]->title;
      s.color = kPlotFileColors[i];
      s.width = kFileWidth;
    }
    plot.series.push_back(std::move(s));
  }
  // The host's curve under the fit lines, which it would hide where it follows one.
  if (host && !host->empty()) {
    PlotSeries s;
    s.kind = PlotSeries::Kind::Host;
    s.label = "Torvex2.005";
    s.color = kPlotHostColor;
    s.width = kFileWidth;
    s.dashed = true;
    s.points = CurvePoints(*host, options.power);
    plot.series.push_back(std::move(s));
  }

  for (std::size_t i = 0; i < shown.size(); ++i) {
    if (!hasLine(*shown[i])) continue;
    const FrictionFit& fit = ModelOf(*shown[i]);
    PlotSeries s;
    s.kind = PlotSeries::Kind::Fit;
    s.label = shown[i]->title;
    s.color = kPlotFileColors[i];
    s.width = kFitWidth;
    s.points = fit.Line(fit.rpmLow, fit.rpmHigh, kFitPoints, options.power);
    plot.series.push_back(std::move(s));
  }
  ValueRange rpm, loss;
  for (const PlotSeries& s : plot.series) {
    for (const GraphPoint& p : s.points) {
      rpm.Add(p.x);
      loss.Add(p.y);
    }
  }
  for (const PlotBand& b : plot.bands) {
    for (std::size_t i = 0; i < b.rpm.size(); ++i) {
      rpm.Add(b.rpm[i]);
      loss.Add(b.low[i]);
      loss.Add(b.high[i]);
    }
  }
  plot.x = RpmScaleCovering(rpm);
  plot.y = LossScaleCovering(loss);
  return plot;
}

}  // namespace frixa
