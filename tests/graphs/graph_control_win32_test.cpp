// The loss graph drawing, rendered into a memory bitmap: every point lands inside the plot area
// on axes that cover them all, nothing of the series is drawn outside it, and an empty graph
// shows no series at all.
#include <gtest/gtest.h>

#include <windows.h>

#include <random>
#include <vector>

#include "graphs/graph_control.h"

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

struct SeriesCount {
  int inside = 0, outside = 0;
};

SeriesCount CountSeries(const Canvas& c, const RECT& plot) {
  SeriesCount n;
  for (int y = 0; y < c.h(); ++y) {
    for (int x = 0; x < c.w(); ++x) {
      if (c.At(x, y) != kGraphSeriesColour) continue;
      const bool in = x >= plot.left && x <= plot.right && y >= plot.top && y <= plot.bottom;
      (in ? n.inside : n.outside) += 1;
    }
  }
  return n;
}

TEST(GraphDrawing, EveryPointLandsInsideThePlotOnAxesThatCoverThemAll) {
  std::mt19937 gen(5);
  std::uniform_real_distribution<double> rpm(300, 3000), kw(0.01, 1.6);
  std::vector<GraphPoint> points;
  for (int i = 0; i < 400; ++i) points.push_back({rpm(gen), kw(gen)});
  points.push_back({3000.0, 1.6});  // the extremes too
  points.push_back({300.0, 0.0});
  Canvas canvas(525, 221);
  const RECT r{0, 0, canvas.w(), canvas.h()};
  const RECT plot = DrawGraph(canvas.dc(), r, kPowerGraphTexts, points, GraphLook{});
  EXPECT_GT(plot.right - plot.left, 300);
  EXPECT_GT(plot.bottom - plot.top, 120);

  const SeriesCount n = CountSeries(canvas, plot);
  EXPECT_GT(n.inside, 400);
  EXPECT_EQ(n.outside, 0);
  const GraphScales scales = ScalesCovering(points);
  for (const GraphPoint& p : points) {
    const int x = MapToPixel(p.x, scales.x, plot.left, plot.right);
    const int y = MapToPixel(p.y, scales.y, plot.bottom, plot.top);
    ASSERT_GE(x, plot.left);
    ASSERT_LE(x, plot.right);
    ASSERT_GE(y, plot.top);
    ASSERT_LE(y, plot.bottom);
    // Each point is marked at its place (the dot covers the point or its right neighbour).
    EXPECT_TRUE(canvas.At(std::min<int>(x, plot.right - 1), std::max<int>(y, plot.top + 1)) ==
                kGraphSeriesColour);
  }
}

TEST(GraphDrawing, EmptyGraphDrawsFrameAndAxesButNoSeries) {
  Canvas canvas(533, 217);
  const RECT r{0, 0, canvas.w(), canvas.h()};
  const RECT plot = DrawGraph(canvas.dc(), r, kTorqueGraphTexts, {}, GraphLook{});
  const SeriesCount n = CountSeries(canvas, plot);
  EXPECT_EQ(n.inside + n.outside, 0);
  EXPECT_EQ(canvas.At(plot.left + 40, plot.top + 40), RGB(255, 255, 255));  // white background
  EXPECT_NE(canvas.At(plot.left, (plot.top + plot.bottom) / 2), RGB(255, 255, 255));  // axis
}

TEST(GraphDrawing, SinglePointStillGetsAPlotAroundIt) {
  Canvas canvas(400, 200);
  const RECT r{0, 0, canvas.w(), canvas.h()};
  const RECT plot = DrawGraph(canvas.dc(), r, kPowerGraphTexts, {{1500.0, 0.75}}, GraphLook{});
  const SeriesCount n = CountSeries(canvas, plot);
  EXPECT_GT(n.inside, 0);
  EXPECT_EQ(n.outside, 0);
}

}  // namespace
}  // namespace frixa::win
