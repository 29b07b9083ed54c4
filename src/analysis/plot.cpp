// The analysis graph's description and its one layout: see plot.h.
#include "analysis/plot.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace frixa {
namespace {

// One colour per file, far apart in hue and dark enough to read on white.
constexpr PlotColor kFileColors[kMaxPlotFiles] = {
    {0x1F, 0x4E, 0xC8},  // blue
    {0xD0, 0x30, 0x20},  // red
    {0x18, 0x90, 0x30},  // green
    {0xE0, 0x80, 0x00},  // orange
    {0x80, 0x30, 0xA8},  // purple
    {0x00, 0x98, 0xA0},  // teal
    {0xA0, 0x60, 0x30},  // brown
    {0xD0, 0x40, 0x98},  // pink
};
constexpr PlotColor kHostColor{0x20, 0x20, 0x20};
constexpr PlotColor kBandColor{0xD4, 0xDC, 0xEC};

constexpr PlotColor kBackground{0xFF, 0xFF, 0xFF};
constexpr PlotColor kFrame{0x90, 0x98, 0xA8};
constexpr PlotColor kGrid{0xDC, 0xE0, 0xE8};
constexpr PlotColor kAxis{0x20, 0x20, 0x20};

constexpr double kFileWidth = 1.5;
constexpr double kFitWidth = 0.75;
constexpr int kFitPoints = 64;

// Sizes of the layout, in points.
constexpr double kTitleSize = 10;
constexpr double kTextSize = 8;
constexpr double kPad = 6;
constexpr double kTick = 3;
constexpr double kGap = 3;
constexpr double kSwatch = 14;

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
  band.color = kBandColor;
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
  for (std::size_t i = 0; i < shown.size(); ++i) {
    PlotSeries s;
    s.kind = PlotSeries::Kind::File;
    s.label = shown[i]->title;
    s.color = kFileColors[i];
    s.width = kFileWidth;
    s.points = CurvePoints(shown[i]->curve, options.power);
    plot.series.push_back(std::move(s));
  }
  if (options.fits) {
    for (std::size_t i = 0; i < shown.size(); ++i) {
      const FrictionFit& fit = shown[i]->fit;
      if (!fit.fitted || !(fit.rpmHigh > fit.rpmLow)) continue;
      PlotSeries s;
      s.kind = PlotSeries::Kind::Fit;
      s.color = kFileColors[i];
      s.width = kFitWidth;
      s.points = fit.Line(fit.rpmLow, fit.rpmHigh, kFitPoints, options.power);
      plot.series.push_back(std::move(s));
    }
  }
  if (host && !host->empty()) {
    PlotSeries s;
    s.kind = PlotSeries::Kind::Host;
    s.label = "Torvex2.005";
    s.color = kHostColor;
    s.width = kFileWidth;
    s.dashed = true;
    s.points = CurvePoints(*host, options.power);
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

namespace {

struct Area {
  double left, top, right, bottom;
};

double MapTo(double v, const AxisScale& s, double from, double to) {
  const double span = s.max - s.min;
  return from + (span > 0 ? (v - s.min) / span : 0.0) * (to - from);
}

struct LegendEntry {
  std::string label;
  PlotColor color;
  bool dashed = false;
  bool band = false;
};

std::vector<LegendEntry> LegendOf(const PlotDescription& plot) {
  std::vector<LegendEntry> entries;
  for (const PlotSeries& s : plot.series) {
    if (!s.label.empty()) entries.push_back({s.label, s.color, s.dashed, false});
  }
  for (const PlotBand& b : plot.bands) {
    if (!b.label.empty()) entries.push_back({b.label, b.color, false, true});
  }
  return entries;
}

}  // namespace

void RenderPlot(const PlotDescription& plot, PlotCanvas& canvas, double width, double height) {
  using Align = PlotCanvas::Align;
  canvas.FillRect(0, 0, width, height, kBackground);
  canvas.Polyline({{0.5, 0.5}, {width - 0.5, 0.5}, {width - 0.5, height - 0.5},
                   {0.5, height - 0.5}, {0.5, 0.5}},
                  kFrame, 1, false);

  // Room for the labels: the loss labels and the loss axis's name on the left, the RPM labels
  // and the RPM axis's name below, the title above, half the last RPM label on the right.
  double yLabelWidth = 0;
  for (int i = 0; i <= plot.y.Intervals(); ++i) {
    yLabelWidth = std::max(yLabelWidth,
                           canvas.TextWidth(TickLabel(plot.yFormat, plot.y.Tick(i)), kTextSize));
  }
  const double lastX = canvas.TextWidth(TickLabel(plot.xFormat, plot.x.max), kTextSize);
  Area a;
  a.left = kPad + kTextSize * 1.2 + kGap + yLabelWidth + kGap + kTick;
  a.top = kPad + kTitleSize * 1.4;
  a.right = width - std::max(kPad * 2, lastX / 2 + kPad);
  a.bottom = height - kPad - kTextSize * 2.6 - kTick - kGap;
  if (a.right <= a.left + 1 || a.bottom <= a.top + 1) return;  // too small to hold a plot

  const auto px = [&](double v) { return MapTo(v, plot.x, a.left, a.right); };
  const auto py = [&](double v) { return MapTo(v, plot.y, a.bottom, a.top); };

  // Grid, ticks and tick labels.
  for (int i = 0; i <= plot.y.Intervals(); ++i) {
    const double v = plot.y.Tick(i), y = py(v);
    canvas.Polyline({{a.left, y}, {a.right, y}}, kGrid, 0.5, false);
    canvas.Polyline({{a.left - kTick, y}, {a.left, y}}, kAxis, 0.75, false);
    canvas.Text(a.left - kTick - kGap, y + kTextSize * 0.35, TickLabel(plot.yFormat, v),
                kTextSize, Align::Right, false);
  }
  for (int i = 0; i <= plot.x.Intervals(); ++i) {
    const double v = plot.x.Tick(i), x = px(v);
    canvas.Polyline({{x, a.top}, {x, a.bottom}}, kGrid, 0.5, false);
    canvas.Polyline({{x, a.bottom}, {x, a.bottom + kTick}}, kAxis, 0.75, false);
    canvas.Text(x, a.bottom + kTick + kGap + kTextSize * 0.8, TickLabel(plot.xFormat, v),
                kTextSize, Align::Center, false);
  }
  canvas.Polyline({{a.left, a.top}, {a.left, a.bottom}, {a.right, a.bottom}}, kAxis, 0.75, false);

  // Titles.
  canvas.Text((a.left + a.right) / 2, kPad + kTitleSize, plot.title, kTitleSize, Align::Center,
              false);
  canvas.Text((a.left + a.right) / 2, height - kPad, plot.xTitle, kTextSize, Align::Center,
              false);
  canvas.Text(kPad + kTextSize, (a.top + a.bottom) / 2, plot.yTitle, kTextSize, Align::Center,
              true);

  // The spread beneath the lines.
  for (const PlotBand& b : plot.bands) {
    if (b.rpm.size() < 2) continue;
    std::vector<PlotPoint> outline;
    outline.reserve(b.rpm.size() * 2);
    for (std::size_t i = 0; i < b.rpm.size(); ++i) outline.push_back({px(b.rpm[i]), py(b.high[i])});
    for (std::size_t i = b.rpm.size(); i-- > 0;) outline.push_back({px(b.rpm[i]), py(b.low[i])});
    canvas.FillPolygon(outline, b.color);
  }
  for (const PlotSeries& s : plot.series) {
    std::vector<PlotPoint> line;
    line.reserve(s.points.size());
    for (const GraphPoint& p : s.points) line.push_back({px(p.x), py(p.y)});
    if (line.size() == 1) line.push_back({line[0].x + 0.5, line[0].y});  // one RPM: a dot
    if (!line.empty()) canvas.Polyline(line, s.color, s.width, s.dashed);
  }

  // The legend, in the plot's top left corner where falling losses leave room.
  const std::vector<LegendEntry> legend = LegendOf(plot);
  if (legend.empty()) return;
  double labelWidth = 0;
  for (const LegendEntry& e : legend) labelWidth = std::max(labelWidth, canvas.TextWidth(e.label, kTextSize));
  const double row = kTextSize * 1.35;
  const double boxW = kGap * 3 + kSwatch + labelWidth, boxH = row * double(legend.size()) + kGap * 2;
  const double bx = a.left + kPad, by = a.top + kPad;
  canvas.FillRect(bx, by, boxW, boxH, kBackground);
  canvas.Polyline({{bx, by}, {bx + boxW, by}, {bx + boxW, by + boxH}, {bx, by + boxH}, {bx, by}},
                  kFrame, 0.5, false);
  for (std::size_t i = 0; i < legend.size(); ++i) {
    const LegendEntry& e = legend[i];
    const double mid = by + kGap + row * (double(i) + 0.5);
    if (e.band) {
      canvas.FillRect(bx + kGap, mid - kTextSize * 0.35, kSwatch, kTextSize * 0.7, e.color);
    } else if (e.dashed) {
      canvas.Polyline({{bx + kGap, mid}, {bx + kGap + kSwatch, mid}}, e.color, kFileWidth, true);
    } else {
      canvas.FillRect(bx + kGap, mid - 1, kSwatch, 2, e.color);
    }
    canvas.Text(bx + kGap * 2 + kSwatch, mid + kTextSize * 0.35, e.label, kTextSize, Align::Left,
                false);
  }
}

}  // namespace frixa
