// The one layout of every graph: see plot.h.
#include "graphs/plot.h"

#include <algorithm>

namespace frixa {
namespace {

// Sizes of the layout, in points.
struct LayoutSizes {
  double title = 10;   // the title's text
  double text = 8;     // labels, axis names, legend
  double pad = 6;      // from the surface's edge
  double tick = 3;     // a tick's length
  double gap = 3;      // between a tick and its label, inside the legend
  double swatch = 14;  // a legend entry's sample
  double ascent = 0.905, descent = 0.212;  // of a text, per point of its size (Arial)
};
constexpr LayoutSizes kSize;
constexpr double kLegendLineWidth = 1.5;

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
  // The files first, the host's curve after them, whatever order they are drawn in.
  for (const bool host : {false, true}) {
    for (const PlotSeries& s : plot.series) {
      if (!s.label.empty() && (s.kind == PlotSeries::Kind::Host) == host) {
        entries.push_back({s.label, s.color, s.dashed, false});
      }
    }
  }
  for (const PlotBand& b : plot.bands) {
    if (!b.label.empty()) entries.push_back({b.label, b.color, false, true});
  }
  return entries;
}

// Draws a text and tells where it lies.
PlotBox TextAt(PlotCanvas& canvas, double x, double y, std::string_view text, double size,
               PlotCanvas::Align align, bool vertical) {
  canvas.Text(x, y, text, size, align, vertical);
  const double w = canvas.TextWidth(text, size);
  const double before = align == PlotCanvas::Align::Left     ? 0
                        : align == PlotCanvas::Align::Center ? w / 2
                                                             : w;
  if (vertical) return {x - size * kSize.ascent, y - w + before, x + size * kSize.descent, y + before};
  return {x - before, y - size * kSize.ascent, x - before + w, y + size * kSize.descent};
}

// The parts of a line inside `box` (Liang-Barsky, segment by segment).
std::vector<std::vector<PlotPoint>> ClipTo(const std::vector<PlotPoint>& line, const PlotBox& box) {
  std::vector<std::vector<PlotPoint>> parts;
  std::vector<PlotPoint> current;
  const auto flush = [&] {
    if (current.size() >= 2) parts.push_back(std::move(current));
    current.clear();
  };
  for (std::size_t i = 1; i < line.size(); ++i) {
    const PlotPoint a = line[i - 1], b = line[i];
    const double dx = b.x - a.x, dy = b.y - a.y;
    double t0 = 0, t1 = 1;
    bool inside = true;
    for (const auto& [p, q] : {std::pair{-dx, a.x - box.left}, std::pair{dx, box.right - a.x},
                               std::pair{-dy, a.y - box.top}, std::pair{dy, box.bottom - a.y}}) {
      if (p == 0) {
        if (q < 0) inside = false;
        continue;
      }
      const double t = q / p;
      if (p < 0) t0 = std::max(t0, t);
      else t1 = std::min(t1, t);
    }
    if (!inside || t0 > t1) {
      flush();
      continue;
    }
    const PlotPoint from{a.x + t0 * dx, a.y + t0 * dy}, to{a.x + t1 * dx, a.y + t1 * dy};
    if (current.empty()) current.push_back(from);
    current.push_back(to);
    if (t1 < 1) flush();
  }
  flush();
  return parts;
}

}  // namespace

void PlotCanvas::Dots(const std::vector<PlotPoint>& centres, PlotColor color, double size) {
  for (const PlotPoint& c : centres) FillRect(c.x - size / 2, c.y - size / 2, size, size, color);
}

PlotInsets PlotInsetsFor(const PlotDescription& plot, PlotCanvas& canvas) {
  double yLabelWidth = 0;
  for (int i = 0; i <= plot.y.Intervals(); ++i) {
    yLabelWidth = std::max(yLabelWidth,
                           canvas.TextWidth(TickLabel(plot.yFormat, plot.y.Tick(i)), kSize.text));
  }
  const double lastX = canvas.TextWidth(TickLabel(plot.xFormat, plot.x.max), kSize.text);
  return {kSize.pad + kSize.text * 1.2 + kSize.gap + yLabelWidth + kSize.gap + kSize.tick,
          std::max(kSize.pad * 2, lastX / 2 + kSize.pad)};
}

PlotGeometry RenderPlot(const PlotDescription& plot, PlotCanvas& canvas, double width,
                        double height, const PlotInsets* insets) {
  using Align = PlotCanvas::Align;
  PlotGeometry g;
  canvas.FillRect(0, 0, width, height, kPlotBackground);
  canvas.Polyline({{0.5, 0.5}, {width - 0.5, 0.5}, {width - 0.5, height - 0.5},
                   {0.5, height - 0.5}, {0.5, 0.5}},
                  kPlotFrame, 1, false);

  // Room for the labels: the loss labels and the loss axis's name on the left, the RPM labels
  // and the RPM axis's name below, the title above, half the last RPM label on the right.
  const PlotInsets room = insets ? *insets : PlotInsetsFor(plot, canvas);
  PlotBox& a = g.area;
  a.left = room.left;
  a.top = kSize.pad + kSize.title * 1.4;
  a.right = width - room.right;
  a.bottom = height - kSize.pad - kSize.text * 2.6 - kSize.tick - kSize.gap;
  if (a.right <= a.left + 1 || a.bottom <= a.top + 1) return g;  // too small to hold a plot

  const auto px = [&](double v) { return MapTo(v, plot.x, a.left, a.right); };
  const auto py = [&](double v) { return MapTo(v, plot.y, a.bottom, a.top); };

  // Grid, ticks and tick labels.
  for (int i = 0; i <= plot.y.Intervals(); ++i) {
    const double v = plot.y.Tick(i), y = py(v);
    canvas.Polyline({{a.left, y}, {a.right, y}}, kPlotGrid, 0.5, false);
    canvas.Polyline({{a.left - kSize.tick, y}, {a.left, y}}, kPlotInk, 0.75, false);
    g.yLabels.push_back(TextAt(canvas, a.left - kSize.tick - kSize.gap, y + kSize.text * 0.35,
                               TickLabel(plot.yFormat, v), kSize.text, Align::Right, false));
  }
  for (int i = 0; i <= plot.x.Intervals(); ++i) {
    const double v = plot.x.Tick(i), x = px(v);
    canvas.Polyline({{x, a.top}, {x, a.bottom}}, kPlotGrid, 0.5, false);
    canvas.Polyline({{x, a.bottom}, {x, a.bottom + kSize.tick}}, kPlotInk, 0.75, false);
    g.xLabels.push_back(TextAt(canvas, x, a.bottom + kSize.tick + kSize.gap + kSize.text * 0.8,
                               TickLabel(plot.xFormat, v), kSize.text, Align::Center, false));
  }
  canvas.Polyline({{a.left, a.top}, {a.left, a.bottom}, {a.right, a.bottom}}, kPlotInk, 0.75,
                  false);

  // Titles.
  g.title = TextAt(canvas, (a.left + a.right) / 2, kSize.pad + kSize.title, plot.title,
                   kSize.title, Align::Center, false);
  g.xTitle = TextAt(canvas, (a.left + a.right) / 2, height - kSize.pad, plot.xTitle, kSize.text,
                    Align::Center, false);
  g.yTitle = TextAt(canvas, kSize.pad + kSize.text, (a.top + a.bottom) / 2, plot.yTitle,
                    kSize.text, Align::Center, true);

  // The spread beneath the series.
  for (const PlotBand& b : plot.bands) {
    if (b.rpm.size() < 2) continue;
    std::vector<PlotPoint> outline;
    outline.reserve(b.rpm.size() * 2);
    for (std::size_t i = 0; i < b.rpm.size(); ++i) outline.push_back({px(b.rpm[i]), py(b.high[i])});
    for (std::size_t i = b.rpm.size(); i-- > 0;) outline.push_back({px(b.rpm[i]), py(b.low[i])});
    canvas.FillPolygon(outline, b.color);
  }
  for (const PlotSeries& s : plot.series) {
    std::vector<PlotPoint> at;
    at.reserve(s.points.size());
    if (s.style == PlotSeries::Style::Dots) {
      // Each dot whole inside the plot: one at an axis is moved in by half its side.
      const double half = s.width / 2;
      for (const GraphPoint& p : s.points) {
        at.push_back({std::clamp(px(p.x), a.left + half, std::max(a.left + half, a.right - half)),
                      std::clamp(py(p.y), std::min(a.top + half, a.bottom - half), a.bottom - half)});
      }
      if (!at.empty()) canvas.Dots(at, s.color, s.width);
      continue;
    }
    for (const GraphPoint& p : s.points) at.push_back({px(p.x), py(p.y)});
    if (at.size() == 1) at.push_back({at[0].x + 0.5, at[0].y});  // one RPM: a dot
    if (at.empty()) continue;
    if (!s.clipped) {
      canvas.Polyline(at, s.color, s.width, s.dashed);
      continue;
    }
    // Cut where the line's whole width would leave the plot.
    const double half = s.width / 2;
    const PlotBox inner{a.left + half, a.top + half, a.right - half, a.bottom - half};
    for (const auto& part : ClipTo(at, inner)) canvas.Polyline(part, s.color, s.width, s.dashed);
  }

  // The legend, in the plot's top left corner where falling losses leave room.
  const std::vector<LegendEntry> legend = LegendOf(plot);
  if (legend.empty()) return g;
  double labelWidth = 0;
  for (const LegendEntry& e : legend) {
    labelWidth = std::max(labelWidth, canvas.TextWidth(e.label, kSize.text));
  }
  const double row = kSize.text * 1.35;
  const double boxW = kSize.gap * 3 + kSize.swatch + labelWidth;
  const double boxH = row * double(legend.size()) + kSize.gap * 2;
  const double bx = a.left + kSize.pad, by = a.top + kSize.pad;
  canvas.FillRect(bx, by, boxW, boxH, kPlotBackground);
  canvas.Polyline({{bx, by}, {bx + boxW, by}, {bx + boxW, by + boxH}, {bx, by + boxH}, {bx, by}},
                  kPlotFrame, 0.5, false);
  for (std::size_t i = 0; i < legend.size(); ++i) {
    const LegendEntry& e = legend[i];
    const double mid = by + kSize.gap + row * (double(i) + 0.5);
    const double sx = bx + kSize.gap;
    if (e.band) {
      canvas.FillRect(sx, mid - kSize.text * 0.35, kSize.swatch, kSize.text * 0.7, e.color);
    } else if (e.dashed) {
      canvas.Polyline({{sx, mid}, {sx + kSize.swatch, mid}}, e.color, kLegendLineWidth, true);
    } else {
      canvas.FillRect(sx, mid - 1, kSize.swatch, 2, e.color);
    }
    canvas.Text(sx + kSize.gap + kSize.swatch, mid + kSize.text * 0.35, e.label, kSize.text,
                Align::Left, false);
  }
  return g;
}

}  // namespace frixa
