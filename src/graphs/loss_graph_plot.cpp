// A loss graph's plot description: see loss_graph_plot.h.
#include "graphs/loss_graph_plot.h"

#include <utility>

namespace frixa {
namespace {

constexpr double kDotSize = 1.5;      // points: two pixels on a 96 dpi screen
constexpr double kModelWidth = 0.75;  // one pixel: the dots it runs through still show

PlotSeries SeriesOf(PlotSeries::Kind kind, PlotSeries::Style style, PlotColor color, double width) {
  PlotSeries s;
  s.kind = kind;
  s.style = style;
  s.color = color;
  s.width = width;
  s.clipped = style == PlotSeries::Style::Line;
  return s;
}

}  // namespace

LossGraphPlot::LossGraphPlot(const GraphTexts& texts) {
  plot_.title = texts.title;
  plot_.xTitle = texts.rpmTitle;
  plot_.yTitle = texts.lossTitle;
  plot_.xFormat = texts.rpmFormat;
  plot_.yFormat = texts.lossFormat;
  using S = PlotSeries;
  plot_.series = {SeriesOf(S::Kind::StartRevolutions, S::Style::Dots, kPlotStartColor, kDotSize),
                  SeriesOf(S::Kind::Revolutions, S::Style::Dots, kPlotRevolutionColor, kDotSize),
                  SeriesOf(S::Kind::Fit, S::Style::Line, kPlotModelColor, kModelWidth)};
  Scaled({});
}

void LossGraphPlot::Clear() {
  for (PlotSeries& s : plot_.series) s.points.clear();
  rpm_ = {};
  loss_ = {};
}

void LossGraphPlot::AddPoint(double rpm, double loss) {
  plot_.series[kSettled].points.push_back({rpm, loss});
  rpm_.Add(rpm);
  loss_.Add(loss);
}

void LossGraphPlot::AddStartPoint(double rpm, double loss) {
  plot_.series[kStart].points.push_back({rpm, loss});
  rpm_.Add(rpm);
  loss_.Add(loss);
}

void LossGraphPlot::SetModel(std::vector<GraphPoint> line) {
  plot_.series[kModel].points = std::move(line);
}

const PlotDescription& LossGraphPlot::Scaled(const ValueRange& rpm) {
  ValueRange across = rpm_;
  across.Add(rpm);
  plot_.x = RpmScaleCovering(across);
  plot_.y = LossScaleCovering(loss_);
  return plot_;
}

}  // namespace frixa
