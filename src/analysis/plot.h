// The analysis graph as a description (scales, series, spread band, legend, texts) and the one
// layout that draws it on any surface. The window, its PNG pictures, the SVG and the PDF report
// each implement PlotCanvas and call RenderPlot, so what they show cannot drift apart.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/analysed_file.h"
#include "common/frontend.h"
#include "graphs/graph_axes.h"

namespace frixa {

struct PlotColor {
  std::uint8_t r = 0, g = 0, b = 0;
  bool operator==(const PlotColor&) const = default;
};

// At most this many files in one graph, each in a colour of its own.
inline constexpr int kMaxPlotFiles = 8;

struct PlotSeries {
  enum class Kind { File, Fit, Host };
  Kind kind = Kind::File;
  std::string label;  // its legend entry; empty: none
  PlotColor color;
  double width = 1.5;  // points
  bool dashed = false;
  std::vector<GraphPoint> points;  // (RPM, loss) in RPM order
};

// The spread between the files: mean - sd to mean + sd at each RPM all files hold.
struct PlotBand {
  std::string label;
  PlotColor color;  // already light: drawn opaque, beneath the series
  std::vector<double> rpm, low, high;
};

struct PlotDescription {
  std::string title;
  std::string xTitle, yTitle;    // UTF-8
  std::string xFormat, yFormat;  // tick label formats, as TickLabel takes them
  AxisScale x, y;
  std::vector<PlotBand> bands;     // drawn first
  std::vector<PlotSeries> series;  // drawn in order
};

struct AnalysisPlotOptions {
  bool power = false;  // power loss (kW) instead of torque loss (N m)
  bool fits = true;    // each file's fitted model as a thin line
  bool band = true;    // the spread, with two files or more
};

// The graph of up to kMaxPlotFiles files (further ones are left out) and, when given, the
// host's curve, dashed.
PlotDescription DescribeAnalysisPlot(const std::vector<AnalysedFile>& files,
                                     const std::vector<LossCurveRow>* host,
                                     const AnalysisPlotOptions& options);

struct PlotPoint {
  double x = 0, y = 0;
};

// A drawing surface in points (1/72 inch), origin top left, y down.
class PlotCanvas {
 public:
  enum class Align { Left, Center, Right };
  virtual ~PlotCanvas() = default;
  virtual void FillRect(double x, double y, double w, double h, PlotColor color) = 0;
  virtual void FillPolygon(const std::vector<PlotPoint>& points, PlotColor color) = 0;
  virtual void Polyline(const std::vector<PlotPoint>& points, PlotColor color, double width,
                        bool dashed) = 0;
  // `y` is the text's baseline; vertical text reads bottom to top with its baseline at x.
  virtual void Text(double x, double y, std::string_view utf8, double size, Align align,
                    bool vertical) = 0;
  virtual double TextWidth(std::string_view utf8, double size) = 0;
};

// Lays the plot out in a width x height area and draws it: background, frame, grid, tick
// labels, axis titles, band, series and the legend.
void RenderPlot(const PlotDescription& plot, PlotCanvas& canvas, double width, double height);

}  // namespace frixa
