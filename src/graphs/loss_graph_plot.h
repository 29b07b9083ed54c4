// What one loss graph of the main window shows, as a plot description: the run's
// revolutions as dots (the first, unsettled ones lighter) and the fitted model as a line cut at
// the plot's edges, on axes that cover every point (not the model's line).
#pragma once

#include <vector>

#include "graphs/plot.h"

namespace frixa {

class LossGraphPlot {
 public:
  explicit LossGraphPlot(const GraphTexts& texts);

  void Clear();                                 // no points, no model
  void AddPoint(double rpm, double loss);       // a settled revolution
  void AddStartPoint(double rpm, double loss);  // one of the first revolutions
  void SetModel(std::vector<GraphPoint> line);

  // The RPM values of the points, to share one RPM axis with another graph.
  const ValueRange& rpmRange() const { return rpm_; }
  const PlotSeries& points() const { return plot_.series[kSettled]; }
  const PlotSeries& startPoints() const { return plot_.series[kStart]; }
  const PlotSeries& model() const { return plot_.series[kModel]; }

  // The description on axes covering the points: the RPM axis covers `rpm` as well (the other
  // graph's points), the loss axis starts at 0.
  const PlotDescription& Scaled(const ValueRange& rpm);

 private:
  enum : std::size_t { kStart, kSettled, kModel };  // drawn in this order
  PlotDescription plot_;
  ValueRange rpm_, loss_;
};

}  // namespace frixa
