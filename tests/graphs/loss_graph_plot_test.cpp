// A loss graph as a plot description, and what the one layout draws of it: axes that cover the
// points but not the model, every dot whole inside the plot, the model's line cut at the plot's
// edges, the edges given from outside, and where each text lies.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "graphs/loss_graph_plot.h"

namespace frixa {
namespace {

// Records the dots and lines RenderPlot draws; texts 0.5 point wide per character.
class Recorder : public PlotCanvas {
 public:
  struct Drawn {
    std::vector<PlotPoint> points;
    PlotColor color;
    double width;
  };
  void FillRect(double, double, double, double, PlotColor) override {}
  void FillPolygon(const std::vector<PlotPoint>&, PlotColor) override {}
  void Polyline(const std::vector<PlotPoint>& p, PlotColor c, double w, bool) override {
    lines.push_back({p, c, w});
  }
  void Text(double, double, std::string_view t, double, Align, bool) override {
    texts.emplace_back(t);
  }
  double TextWidth(std::string_view t, double size) override { return double(t.size()) * size * 0.5; }
  void Dots(const std::vector<PlotPoint>& c, PlotColor color, double size) override {
    dots.push_back({c, color, size});
  }
  std::vector<Drawn> lines, dots;
  std::vector<std::string> texts;
};

bool Inside(const PlotPoint& p, const PlotBox& b, double margin) {
  return p.x >= b.left + margin - 1e-9 && p.x <= b.right - margin + 1e-9 &&
         p.y >= b.top + margin - 1e-9 && p.y <= b.bottom - margin + 1e-9;
}

TEST(LossGraphPlot, AxesCoverThePointsAndTheOtherGraphsRpmsButNotTheModel) {
  LossGraphPlot g(kPowerGraphTexts);
  for (int i = 0; i < 100; ++i) g.AddPoint(400 + i * 25.0, 0.2 + i * 0.01);  // 400..2875 RPM
  g.AddStartPoint(2950, 0.05);
  g.SetModel({{0, 0}, {5000, 9}});
  EXPECT_EQ(g.points().points.size(), 100u);
  EXPECT_EQ(g.startPoints().points.size(), 1u);
  EXPECT_EQ(g.model().color, kPlotModelColor);
  EXPECT_EQ(g.points().color, kPlotRevolutionColor);
  EXPECT_EQ(g.startPoints().color, kPlotStartColor);
  EXPECT_DOUBLE_EQ(g.rpmRange().lo, 400);
  EXPECT_DOUBLE_EQ(g.rpmRange().hi, 2950);

  const PlotDescription& own = g.Scaled({});
  EXPECT_EQ(own.title, "Rundown Power Losses");
  EXPECT_EQ(own.yFormat, "%gkW");
  EXPECT_EQ(own.xFormat, "%g");
  EXPECT_DOUBLE_EQ(own.x.min, 0);
  EXPECT_DOUBLE_EQ(own.x.max, 3000);
  EXPECT_DOUBLE_EQ(own.y.min, 0);
  EXPECT_DOUBLE_EQ(own.y.max, 1.25);  // the points' 1.19 kW, not the model's 9
  ValueRange other;
  other.Add(6100);
  EXPECT_DOUBLE_EQ(g.Scaled(other).x.max, 7000);

  g.Clear();
  EXPECT_TRUE(g.points().points.empty() && g.model().points.empty() && g.rpmRange().empty);
  EXPECT_DOUBLE_EQ(g.Scaled({}).x.max, 1);  // no points: 0 to 1
}

TEST(LossGraphPlot, DotsAndTheModelStayInsideThePlotWithEveryText) {
  LossGraphPlot g(kTorqueGraphTexts);
  for (int i = 0; i <= 50; ++i) g.AddPoint(300 + i * 54.0, 3 + i * 0.2);  // 300..3000 RPM
  g.AddStartPoint(3000, 0);                                                // on both axes' ends
  g.SetModel({{0, 0}, {1500, 8}, {5000, 40}});
  Recorder canvas;
  const PlotGeometry geo = RenderPlot(g.Scaled({}), canvas, 400, 165);
  const PlotBox& a = geo.area;
  ASSERT_GT(a.right - a.left, 300);
  ASSERT_GT(a.bottom - a.top, 80);

  ASSERT_EQ(canvas.dots.size(), 2u);  // start points first, then the settled ones over them
  EXPECT_EQ(canvas.dots[0].color, kPlotStartColor);
  EXPECT_EQ(canvas.dots[1].color, kPlotRevolutionColor);
  EXPECT_EQ(canvas.dots[1].points.size(), 51u);
  for (const Recorder::Drawn& d : canvas.dots) {
    for (const PlotPoint& p : d.points) EXPECT_TRUE(Inside(p, a, d.width / 2)) << p.x << " " << p.y;
  }
  // The start point at (3000, 0) sits in the bottom right corner, moved in by half a dot.
  EXPECT_DOUBLE_EQ(canvas.dots[0].points[0].x, a.right - 0.75);
  EXPECT_DOUBLE_EQ(canvas.dots[0].points[0].y, a.bottom - 0.75);

  // The model leaves through the plot's top: one piece, from the axes' corner to the top edge.
  std::vector<const Recorder::Drawn*> model;
  for (const Recorder::Drawn& l : canvas.lines) {
    if (l.color == kPlotModelColor) model.push_back(&l);
  }
  ASSERT_EQ(model.size(), 1u);
  for (const PlotPoint& p : model[0]->points) EXPECT_TRUE(Inside(p, a, model[0]->width / 2));
  EXPECT_NEAR(model[0]->points.back().y, a.top + model[0]->width / 2, 1e-9);
  EXPECT_EQ(model[0]->points.size(), 3u);  // the corner, the bend at 1500 RPM, the edge

  // Every tick label, in order, with the title and the axes' names inside the surface.
  const PlotDescription& d = g.Scaled({});
  ASSERT_EQ(geo.xLabels.size(), std::size_t(d.x.Intervals() + 1));
  ASSERT_EQ(geo.yLabels.size(), std::size_t(d.y.Intervals() + 1));
  for (std::size_t i = 1; i < geo.xLabels.size(); ++i) {
    EXPECT_GT(geo.xLabels[i].left, geo.xLabels[i - 1].right);
  }
  for (std::size_t i = 1; i < geo.yLabels.size(); ++i) {
    EXPECT_LT(geo.yLabels[i].bottom, geo.yLabels[i - 1].top);
  }
  EXPECT_NEAR((geo.xLabels.front().left + geo.xLabels.front().right) / 2, a.left, 1e-9);
  for (const PlotBox& b : {geo.title, geo.xTitle, geo.yTitle, geo.xLabels.back()}) {
    EXPECT_GE(b.left, 0);
    EXPECT_GE(b.top, 0);
    EXPECT_LE(b.right, 400);
    EXPECT_LE(b.bottom, 165);
  }
  EXPECT_LT(geo.yTitle.right, geo.yLabels.front().left);  // the loss axis's name left of them
  EXPECT_GT(geo.xTitle.top, geo.xLabels.front().bottom);  // the RPM axis's name under them
  for (const char* t : {"Rundown Torque Losses", "RPM", "N\u00B7m", "0NM", "3000"}) {
    EXPECT_NE(std::find(canvas.texts.begin(), canvas.texts.end(), t), canvas.texts.end()) << t;
  }

  // Edges from outside: the plot lies where they say, whatever its own labels need.
  Recorder framed;
  const PlotInsets insets{61, 22};
  EXPECT_DOUBLE_EQ(RenderPlot(d, framed, 400, 165, &insets).area.left, 61);
  EXPECT_DOUBLE_EQ(RenderPlot(d, framed, 400, 165, &insets).area.right, 378);
  EXPECT_GT(PlotInsetsFor(d, framed).left, 20.0);  // "10NM" and the axis's name
}

}  // namespace
}  // namespace frixa
