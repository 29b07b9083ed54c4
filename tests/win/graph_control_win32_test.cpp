// A loss graph as the user sees it, drawn by the plot layout into a memory bitmap: every point
// lands inside the plot on axes that cover them all, nothing of the series is drawn outside
// it, an empty graph shows no series at all; start points are lighter, the fitted line lies
// over the points inside the plot, and a frame given from outside decides the plot's edges and
// keeps labels off a covered strip.
#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <random>
#include <vector>

#include "win/graph_control.h"

namespace frixa::win {
namespace {

// A 32-bit top-down bitmap to draw into, read back pixel by pixel.
class Canvas {
 public:
  Canvas(int w, int h) : w_(w), h_(h), dc_(CreateCompatibleDC(nullptr)) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bitmap_ = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_),
                               nullptr, 0);
    old_ = SelectObject(dc_, bitmap_);
  }
  ~Canvas() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  HDC dc() const { return dc_; }
  COLORREF At(int x, int y) const {
    GdiFlush();
    const std::uint32_t p = bits_[y * w_ + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  int w() const { return w_; }
  int h() const { return h_; }

 private:
  int w_, h_;
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
  std::uint32_t* bits_ = nullptr;
};

COLORREF Ref(PlotColor c) { return RGB(c.r, c.g, c.b); }
const COLORREF kSeries = Ref(kPlotRevolutionColor);
const COLORREF kStart = Ref(kPlotStartColor);
const COLORREF kFit = Ref(kPlotModelColor);
constexpr int kDpi = 96;

struct SeriesCount {
  int inside = 0, outside = 0;
};

SeriesCount CountSeries(const Canvas& c, const RECT& plot, COLORREF colour = kSeries) {
  SeriesCount n;
  for (int y = 0; y < c.h(); ++y) {
    for (int x = 0; x < c.w(); ++x) {
      if (c.At(x, y) != colour) continue;
      const bool in = x >= plot.left && x <= plot.right && y >= plot.top && y <= plot.bottom;
      (in ? n.inside : n.outside) += 1;
    }
  }
  return n;
}

// The pixel of `value` between `from` (at the scale's start) and `to` (at its end).
int PixelOf(double value, const AxisScale& scale, int from, int to) {
  const double t = (value - scale.min) / (scale.max - scale.min);
  return static_cast<int>(std::lround(from + t * (to - from)));
}

// `colour` at (x, y) or a pixel beside it: where a dot or line lands, to the rounding of pixels.
bool Near(const Canvas& c, int x, int y, COLORREF colour) {
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      if (c.At(x + dx, y + dy) == colour) return true;
    }
  }
  return false;
}

GraphGeometry Draw(const Canvas& canvas, LossGraphPlot& graph, const GraphFrame* frame = nullptr,
                   const ValueRange& rpm = {}) {
  return DrawLossGraph(canvas.dc(), canvas.w(), canvas.h(), kDpi, graph.Scaled(rpm), frame);
}

TEST(GraphDrawing, EveryPointLandsInsideThePlotOnAxesThatCoverThemAll) {
  std::mt19937 gen(5);
  std::uniform_real_distribution<double> rpm(300, 3000), kw(0.01, 1.6);
  LossGraphPlot graph(kPowerGraphTexts);
  std::vector<GraphPoint> points;
  for (int i = 0; i < 400; ++i) points.push_back({rpm(gen), kw(gen)});
  points.push_back({3000.0, 1.6});  // the extremes too
  points.push_back({300.0, 0.0});
  for (const GraphPoint& p : points) graph.AddPoint(p.x, p.y);
  Canvas canvas(525, 221);
  const RECT plot = Draw(canvas, graph).plot;
  EXPECT_GT(plot.right - plot.left, 300);
  EXPECT_GT(plot.bottom - plot.top, 110);

  const SeriesCount n = CountSeries(canvas, plot);
  EXPECT_GT(n.inside, 400);
  EXPECT_EQ(n.outside, 0);
  const PlotDescription& scales = graph.Scaled({});
  for (const GraphPoint& p : points) {
    const int x = PixelOf(p.x, scales.x, plot.left, plot.right);
    const int y = PixelOf(p.y, scales.y, plot.bottom, plot.top);
    ASSERT_GE(x, plot.left);
    ASSERT_LE(x, plot.right);
    ASSERT_GE(y, plot.top);
    ASSERT_LE(y, plot.bottom);
    // Each point is marked at its place: its 2 x 2 dot covers it or, at an axis, its neighbour.
    EXPECT_TRUE(Near(canvas, x, y, kSeries)) << p.x << " " << p.y;
  }
}

TEST(GraphDrawing, EmptyGraphDrawsFrameAndAxesButNoSeries) {
  Canvas canvas(533, 217);
  LossGraphPlot graph(kTorqueGraphTexts);
  const RECT plot = Draw(canvas, graph).plot;
  const SeriesCount n = CountSeries(canvas, plot);
  EXPECT_EQ(n.inside + n.outside, 0);
  EXPECT_EQ(canvas.At(plot.left + 40, plot.top + 40), RGB(255, 255, 255));  // white background
  EXPECT_EQ(canvas.At(plot.left, (plot.top + plot.bottom) / 2), Ref(kPlotInk));  // the axis
}

TEST(GraphDrawing, SinglePointStillGetsAPlotAroundIt) {
  Canvas canvas(400, 200);
  LossGraphPlot graph(kPowerGraphTexts);
  graph.AddPoint(1500.0, 0.75);
  const RECT plot = Draw(canvas, graph).plot;
  const SeriesCount n = CountSeries(canvas, plot);
  EXPECT_EQ(n.inside, 4);  // one 2 x 2 dot
  EXPECT_EQ(n.outside, 0);
}

TEST(GraphDrawing, StartPointsAreLighterAndTheFitLineLiesOverThePointsInsideThePlot) {
  LossGraphPlot graph(kPowerGraphTexts);
  for (int i = 0; i < 19; ++i) graph.AddStartPoint(2900.0 - i * 5.0, 0.05 * i);
  for (int i = 0; i < 300; ++i) graph.AddPoint(400.0 + i * 8.0, 0.2 + i * 0.004);
  // The model's line reaches past the points on both sides: it is cut at the plot's edges.
  graph.SetModel({{0.0, 0.0}, {1500.0, 0.7}, {5000.0, 9.0}});
  Canvas canvas(525, 221);
  const GraphGeometry g = Draw(canvas, graph);
  const SeriesCount start = CountSeries(canvas, g.plot, kStart);
  const SeriesCount settled = CountSeries(canvas, g.plot, kSeries);
  const SeriesCount fit = CountSeries(canvas, g.plot, kFit);
  EXPECT_GT(start.inside, 19);
  EXPECT_GT(settled.inside, 300);
  EXPECT_GT(fit.inside, (g.plot.right - g.plot.left) / 2);
  EXPECT_EQ(start.outside + settled.outside + fit.outside, 0);
  // The axes still cover the start points: the lowest start point (0 kW at 2900) is on them,
  // its dot resting on the RPM axis.
  const PlotDescription& scales = graph.Scaled({});
  EXPECT_DOUBLE_EQ(scales.y.min, 0);
  EXPECT_DOUBLE_EQ(scales.x.max, 3000);
  const int x2900 = PixelOf(2900.0, scales.x, g.plot.left, g.plot.right);
  EXPECT_TRUE(Near(canvas, x2900, g.plot.bottom - 1, kStart));
  // The line is drawn over the points: where it crosses the settled band, it shows.
  const int x = PixelOf(1500.0, scales.x, g.plot.left, g.plot.right);
  const int y = PixelOf(0.7, scales.y, g.plot.bottom, g.plot.top);
  EXPECT_TRUE(Near(canvas, x, y, kFit));
  // Axis names: the RPM axis's under its labels, the loss axis's left of its labels.
  EXPECT_GT(g.rpmTitle.top, g.rpmLabels.front().top);
  EXPECT_LT(g.lossTitle.right, g.lossLabels.back().left);
}

TEST(GraphDrawing, FrameFromOutsideSetsThePlotEdgesAndKeepsLabelsOffTheCoveredStrip) {
  Canvas canvas(525, 221);
  LossGraphPlot graph(kPowerGraphTexts);
  graph.AddPoint(300.0, 1.2);
  graph.AddPoint(2950.0, 0.1);
  GraphFrame frame;
  frame.plotLeft = 61;
  frame.plotRight = 503;
  frame.visibleHeight = 184;
  const GraphGeometry g = Draw(canvas, graph, &frame);
  EXPECT_EQ(g.plot.left, 61);
  EXPECT_EQ(g.plot.right, 503);
  ASSERT_EQ(g.rpmLabels.size(), 7u);  // 0 to 3000 in 500s
  for (const RECT& label : g.rpmLabels) {
    EXPECT_LE(label.bottom, 184);
    EXPECT_GE(label.left, 0);
    EXPECT_LE(label.right, 525);
  }
  EXPECT_LE(g.rpmTitle.bottom, 184);
  for (const RECT& label : g.lossLabels) EXPECT_LE(label.bottom, 184);
  // The tick labels are centred on their RPM.
  EXPECT_NEAR((g.rpmLabels[0].left + g.rpmLabels[0].right) / 2.0, 61, 1);
  EXPECT_NEAR((g.rpmLabels[6].left + g.rpmLabels[6].right) / 2.0, 503, 1);
  // Nothing but the background below the strip.
  for (int x = 0; x < canvas.w(); x += 7) EXPECT_EQ(canvas.At(x, 200), RGB(255, 255, 255)) << x;
}

}  // namespace
}  // namespace frixa::win
