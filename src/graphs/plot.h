// A graph as a description (scales, series, spread bands, texts) and the one layout
// that draws it on any surface, with the one palette of every graph. The main window's loss
// graphs, the analysis window, its PNG pictures, the SVG and the PDF report each implement
// PlotCanvas and call RenderPlot, so what they show cannot drift apart.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/frontend.h"
#include "graphs/graph_axes.h"

namespace frixa {

struct PlotColor {
  std::uint8_t r = 0, g = 0, b = 0;
  bool operator==(const PlotColor&) const = default;
};

// ---- the palette -------------------------------------------------------------------------

// At most this many files in one graph, each in a colour of its own.
inline constexpr int kMaxPlotFiles = 8;
// One colour per file, far apart in hue and dark enough to read on white.
inline constexpr PlotColor kPlotFileColors[kMaxPlotFiles] = {
    {0x1F, 0x4E, 0xC8},  // blue
    {0xD0, 0x30, 0x20},  // red
    {0x18, 0x90, 0x30},  // green
    {0xE0, 0x80, 0x00},  // orange
    {0x80, 0x30, 0xA8},  // purple
    {0x00, 0x98, 0xA0},  // teal
    {0xA0, 0x60, 0x30},  // brown
    {0xD0, 0x40, 0x98},  // pink
};
inline constexpr PlotColor kPlotHostColor{0x20, 0x20, 0x20};
inline constexpr PlotColor kPlotBandColor{0xD4, 0xDC, 0xEC};
// The loss graphs: the run's revolutions, its first (unsettled) ones, the fitted model.
inline constexpr PlotColor kPlotRevolutionColor{0x00, 0x00, 0xA0};
inline constexpr PlotColor kPlotStartColor{0x96, 0xAA, 0xEB};
inline constexpr PlotColor kPlotModelColor{0xDC, 0x1E, 0x1E};
// Surface, frame, grid, axes and texts.
inline constexpr PlotColor kPlotBackground{0xFF, 0xFF, 0xFF};
inline constexpr PlotColor kPlotFrame{0x90, 0x98, 0xA8};
inline constexpr PlotColor kPlotGrid{0xDC, 0xE0, 0xE8};
inline constexpr PlotColor kPlotInk{0x20, 0x20, 0x20};  // axes and texts

// ---- the description ---------------------------------------------------------------------

struct PlotSeries {
  enum class Kind { File, Fit, Host, Revolutions, StartRevolutions };
  enum class Style { Line, Dots };
  Kind kind = Kind::File;
  Style style = Style::Line;
  std::string label;  // its legend entry; empty: none
  PlotColor color;
  double width = 1.5;    // points: a line's width, a dot's side
  bool dashed = false;
  bool clipped = false;  // a line cut at the plot's edges (it may reach past the axes)
  std::vector<GraphPoint> points;  // (RPM, loss); a line's in RPM order
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

// ---- the surface and the layout ----------------------------------------------------------

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
  // Square dots of side `size` centred on the points; here one FillRect each, a surface that
  // holds many on few pixels draws them more cheaply.
  virtual void Dots(const std::vector<PlotPoint>& centres, PlotColor color, double size);
};

// A rectangle on the surface, in points.
struct PlotBox {
  double left = 0, top = 0, right = 0, bottom = 0;
};

// The room the labels need beside the plot: the loss labels and the loss axis's name on the
// left, half the last RPM label on the right.
struct PlotInsets {
  double left = 0, right = 0;
};
PlotInsets PlotInsetsFor(const PlotDescription& plot, PlotCanvas& canvas);

// What RenderPlot drew where.
struct PlotGeometry {
  PlotBox area;                          // the plot, inside the axes
  std::vector<PlotBox> xLabels, yLabels;  // tick labels: RPM left to right, loss bottom to top
  PlotBox title, xTitle, yTitle;
};

// Lays the plot out in a width x height area and draws it: background, frame, grid, tick
// labels, axis titles, band, series and the legend. `insets`, when given, is the room left and
// right of the plot instead of what its own labels need: two graphs shown one above the other
// line up.
PlotGeometry RenderPlot(const PlotDescription& plot, PlotCanvas& canvas, double width,
                        double height, const PlotInsets* insets = nullptr);

}  // namespace frixa
