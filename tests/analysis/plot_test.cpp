// The analysis graph: what the description holds for some files and the host's curve, and what
// the layout draws of it on a recording surface and as SVG.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <tuple>
#include <string>
#include <vector>

#include "analysis/plot.h"
#include "analysis/plot_svg.h"

namespace frixa {
namespace {

// A file whose curve is torque a + b * rpm over [low, high], power from it, and a fitted model.
AnalysedFile FileOf(const std::string& title, double a, double b, int low, int high) {
  AnalysedFile f;
  f.title = title;
  for (int rpm = low; rpm <= high; ++rpm) {
    const double nm = a + b * rpm;
    f.curve.push_back({rpm, nm * OmegaOfRpm(rpm) / 1000.0, nm});
  }
  f.fit.fitted = true;
  f.fit.a = a;
  f.fit.b = b / OmegaOfRpm(1.0);
  f.fit.rpmLow = low;
  f.fit.rpmHigh = high;
  return f;
}

std::vector<const PlotSeries*> OfKind(const PlotDescription& p, PlotSeries::Kind kind) {
  std::vector<const PlotSeries*> out;
  for (const PlotSeries& s : p.series) {
    if (s.kind == kind) out.push_back(&s);
  }
  return out;
}

TEST(AnalysisPlot, FilesFitsHostAndTheSpreadOverTheCommonRpms) {
  // Three files: torques 2, 3 and 4 N m flat; the first from 1000 RPM, the others from 1200.
  std::vector<AnalysedFile> files{FileOf("Run A", 2, 0, 1000, 3000),
                                  FileOf("Run B", 3, 0, 1200, 3000),
                                  FileOf("Run C", 4, 0, 1200, 2900)};
  files[2].fit.fitted = false;  // no model for the third
  // The second drawn by the fit of its recorded times rather than of its settled revolutions.
  files[1].check.recorded = true;
  files[1].check.model = files[1].fit;
  files[1].check.model.a = 3.3;
  const std::vector<LossCurveRow> host{{1000, 0.5, 5}, {2000, 1.0, 5}, {3000, 1.5, 5}};

  const PlotDescription torque = DescribeAnalysisPlot(files, &host, {});
  EXPECT_EQ(torque.title, "Rundown Torque Losses");
  EXPECT_EQ(torque.yTitle, "N\u00B7m");
  EXPECT_EQ(torque.xTitle, "RPM");
  EXPECT_EQ(torque.yFormat, "%gNM");
  const auto fileSeries = OfKind(torque, PlotSeries::Kind::File);
  const auto fits = OfKind(torque, PlotSeries::Kind::Fit);
  const auto hosts = OfKind(torque, PlotSeries::Kind::Host);
  ASSERT_EQ(fileSeries.size(), 3u);
  ASSERT_EQ(fits.size(), 2u);
  ASSERT_EQ(hosts.size(), 1u);
  EXPECT_EQ(torque.series.size(), 6u);
  // A file with a model: its points light dots under the model's line, which carries its
  // legend entry; the one without: its curve as the line.
  EXPECT_EQ(fits[0]->label, "Run A");
  EXPECT_TRUE(fileSeries[0]->label.empty());
  EXPECT_EQ(fileSeries[0]->style, PlotSeries::Style::Dots);
  EXPECT_EQ(fileSeries[0]->color, (PlotColor{165, 184, 233}));  // the blue, 60 % to white
  EXPECT_EQ(fits[0]->color, kPlotFileColors[0]);
  EXPECT_EQ(fileSeries[2]->label, "Run C");
  EXPECT_EQ(fileSeries[2]->style, PlotSeries::Style::Line);
  EXPECT_EQ(fileSeries[2]->color, kPlotFileColors[2]);
  EXPECT_EQ(fileSeries[0]->points.size(), 2001u);
  EXPECT_DOUBLE_EQ(fileSeries[1]->points.front().x, 1200);
  EXPECT_DOUBLE_EQ(fileSeries[1]->points.front().y, 3);
  EXPECT_EQ(fits[1]->color, kPlotFileColors[1]);
  EXPECT_NEAR(fits[0]->points.front().y, 2, 1e-9);
  EXPECT_NEAR(fits[1]->points.front().y, 3.3, 1e-9);
  EXPECT_TRUE(hosts[0]->dashed);
  EXPECT_EQ(hosts[0]->label, "Torvex2.005");
  EXPECT_FALSE(fileSeries[0]->dashed);
  EXPECT_DOUBLE_EQ(hosts[0]->points[1].y, 5);

  // The band: 1200..2900, mean 3, sd 1 (n - 1).
  ASSERT_EQ(torque.bands.size(), 1u);
  const PlotBand& band = torque.bands[0];
  ASSERT_EQ(band.rpm.size(), 1701u);
  EXPECT_DOUBLE_EQ(band.rpm.front(), 1200);
  EXPECT_DOUBLE_EQ(band.rpm.back(), 2900);
  EXPECT_DOUBLE_EQ(band.low[10], 2);
  EXPECT_DOUBLE_EQ(band.high[10], 4);
  // The axes hold everything: RPM 1000..3000, torque from 0 to at least the host's 5.
  EXPECT_LE(torque.x.min, 1000);
  EXPECT_GE(torque.x.max, 3000);
  EXPECT_DOUBLE_EQ(torque.y.min, 0);
  EXPECT_GE(torque.y.max, 5);

  // Power: the kW column, its texts; no fits and no band when switched off.
  AnalysisPlotOptions powerOnly;
  powerOnly.power = true;
  powerOnly.fits = false;
  powerOnly.band = false;
  const PlotDescription power = DescribeAnalysisPlot(files, nullptr, powerOnly);
  EXPECT_EQ(power.title, "Rundown Power Losses");
  EXPECT_EQ(power.yFormat, "%gkW");
  EXPECT_EQ(power.series.size(), 3u);
  EXPECT_TRUE(power.bands.empty());
  EXPECT_NEAR(power.series[0].points[1000].y, 2 * OmegaOfRpm(2000) / 1000.0, 1e-12);
}

TEST(AnalysisPlot, EightColoursAtMostAndNoBandForOneFile) {
  std::vector<AnalysedFile> files;
  for (int i = 0; i < 10; ++i) files.push_back(FileOf("F" + std::to_string(i), 1 + i, 0, 500, 600));
  const PlotDescription p = DescribeAnalysisPlot(files, nullptr, {});
  const auto fileSeries = OfKind(p, PlotSeries::Kind::File);
  ASSERT_EQ(fileSeries.size(), std::size_t{kMaxPlotFiles});
  std::set<std::tuple<int, int, int>> colours;
  for (const PlotSeries* s : fileSeries) colours.insert({s->color.r, s->color.g, s->color.b});
  EXPECT_EQ(colours.size(), std::size_t{kMaxPlotFiles});
  EXPECT_EQ(OfKind(p, PlotSeries::Kind::Fit).back()->label, "F7");
  ASSERT_EQ(p.bands.size(), 1u);
  EXPECT_EQ(p.bands[0].rpm.size(), 101u);

  const PlotDescription one = DescribeAnalysisPlot({files[0]}, nullptr, {});
  EXPECT_TRUE(one.bands.empty());
  EXPECT_EQ(one.series.size(), 2u);  // the curve and its model
  // Two files sharing no RPM: no band.
  const PlotDescription apart =
      DescribeAnalysisPlot({FileOf("Low", 1, 0, 100, 200), FileOf("High", 1, 0, 300, 400)}, nullptr, {});
  EXPECT_TRUE(apart.bands.empty());
}

// Records what RenderPlot draws.
class RecordingCanvas : public PlotCanvas {
 public:
  struct Line {
    std::vector<PlotPoint> points;
    PlotColor color;
    double width;
    bool dashed;
  };
  struct Label {
    std::string text;
    double x, y;
    bool vertical;
  };
  void FillRect(double, double, double, double, PlotColor) override { ++rects; }
  void FillPolygon(const std::vector<PlotPoint>& p, PlotColor) override { polygons.push_back(p); }
  void Polyline(const std::vector<PlotPoint>& p, PlotColor c, double w, bool d) override {
    lines.push_back({p, c, w, d});
  }
  void Dots(const std::vector<PlotPoint>& p, PlotColor c, double size) override {
    dots.push_back({p, c, size, false});
  }
  void Text(double x, double y, std::string_view t, double, Align, bool v) override {
    texts.push_back({std::string(t), x, y, v});
  }
  double TextWidth(std::string_view t, double size) override { return double(t.size()) * size * 0.5; }

  int rects = 0;
  std::vector<std::vector<PlotPoint>> polygons;
  std::vector<Line> lines;
  std::vector<Line> dots;
  std::vector<Label> texts;
};

TEST(AnalysisPlot, RenderDrawsEverySeriesInsideTheAreaWithItsTexts) {
  const std::vector<AnalysedFile> files{FileOf("Run A", 2, 0.001, 1000, 3000),
                                        FileOf("Run B", 3, 0.001, 1000, 3000)};
  const std::vector<LossCurveRow> host{{1000, 0.5, 5}, {2000, 1.0, 5.5}, {3000, 1.5, 6}};
  const PlotDescription plot = DescribeAnalysisPlot(files, &host, {});
  RecordingCanvas canvas;
  RenderPlot(plot, canvas, 500, 300);

  std::set<std::string> texts;
  for (const auto& t : canvas.texts) texts.insert(t.text);
  for (const char* expected : {"Rundown Torque Losses", "RPM", "N\u00B7m", "Run A", "Run B",
                               "Torvex2.005", "Spread (mean \u00B1 sd)", "0NM"}) {
    EXPECT_TRUE(texts.count(expected)) << expected;
  }
  for (int i = 0; i <= plot.x.Intervals(); ++i) {
    EXPECT_TRUE(texts.count(TickLabel(plot.xFormat, plot.x.Tick(i)))) << plot.x.Tick(i);
  }
  int vertical = 0;
  for (const auto& t : canvas.texts) vertical += t.vertical;
  EXPECT_EQ(vertical, 1);  // the loss axis's name

  ASSERT_EQ(canvas.polygons.size(), 1u);                       // the band
  EXPECT_EQ(canvas.polygons[0].size(), 2u * 2001u);
  // Each series drawn once with its own colour, width and dashes; every point inside the area.
  for (const PlotSeries& s : plot.series) {
    int found = 0;
    for (const auto& l : s.style == PlotSeries::Style::Dots ? canvas.dots : canvas.lines) {
      if (l.color == s.color && l.width == s.width && l.dashed == s.dashed &&
          l.points.size() == s.points.size()) {
        ++found;
        for (const PlotPoint& p : l.points) {
          EXPECT_GT(p.x, 0);
          EXPECT_LT(p.x, 500);
          EXPECT_GT(p.y, 0);
          EXPECT_LT(p.y, 300);
        }
      }
    }
    EXPECT_EQ(found, 1) << s.label;
  }
  // The higher torque lies higher on the page (smaller y).
  const auto& lineA = *std::find_if(canvas.lines.begin(), canvas.lines.end(), [&](const auto& l) {
    return l.color == kPlotFileColors[0];
  });
  const auto& lineB = *std::find_if(canvas.lines.begin(), canvas.lines.end(), [&](const auto& l) {
    return l.color == kPlotFileColors[1];
  });
  EXPECT_LT(lineB.points[0].y, lineA.points[0].y);
  EXPECT_DOUBLE_EQ(lineB.points[0].x, lineA.points[0].x);

  // Too small to hold a plot: the background and frame only.
  RecordingCanvas tiny;
  RenderPlot(plot, tiny, 20, 10);
  EXPECT_EQ(tiny.rects, 1);
  EXPECT_EQ(tiny.lines.size(), 1u);
}

TEST(AnalysisPlot, SvgHoldsOnePathPerFileAndEscapesTexts) {
  const std::vector<AnalysedFile> files{FileOf("A & B <1>", 2, 0, 1000, 1100),
                                        FileOf("C", 3, 0, 1000, 1100)};
  const std::string svg = PlotSvg(DescribeAnalysisPlot(files, nullptr, {}), 600, 360);
  EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
  EXPECT_NE(svg.find("viewBox=\"0 0 600 360\""), std::string::npos);
  EXPECT_NE(svg.find(">A &amp; B &lt;1&gt;</text>"), std::string::npos);
  // The first file's model line in its colour, its 101 points as one path of light squares.
  EXPECT_NE(svg.find("stroke=\"#1f4ec8\" stroke-width=\"1.5\""), std::string::npos);
  const auto dots = svg.find("\" fill=\"#a5b8e9\"/>");
  ASSERT_NE(dots, std::string::npos);
  const std::string path = svg.substr(svg.rfind("<path d=\"", dots), dots - svg.rfind("<path d=\"", dots));
  EXPECT_EQ(std::count(path.begin(), path.end(), 'z'), 101);
  EXPECT_NE(path.find("h1.5v1.5h-1.5z"), std::string::npos);
  EXPECT_NE(svg.find("<polygon"), std::string::npos);
  EXPECT_EQ(svg.find("stroke-dasharray"), std::string::npos);  // no host curve
}

}  // namespace
}  // namespace frixa
