// The analysis graph as SVG: see plot_svg.h.
#include "analysis/plot_svg.h"

#include <cstdio>

#include "platform/whole_file.h"

namespace frixa {
namespace {

std::string Num(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f", v);
  std::string s = buf;
  while (!s.empty() && s.back() == '0') s.pop_back();
  if (!s.empty() && s.back() == '.') s.pop_back();
  if (s == "-0") s = "0";
  return s;
}

std::string Colour(PlotColor c) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%02x%02x%02x", c.r, c.g, c.b);
  return buf;
}

std::string Escaped(std::string_view text) {
  std::string out;
  for (char ch : text) {
    switch (ch) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += ch;
    }
  }
  return out;
}

std::string PointList(const std::vector<PlotPoint>& points) {
  std::string s;
  for (const PlotPoint& p : points) {
    if (!s.empty()) s += ' ';
    s += Num(p.x) + ',' + Num(p.y);
  }
  return s;
}

}  // namespace

SvgCanvas::SvgCanvas(double width, double height) : width_(width), height_(height) {}

void SvgCanvas::FillRect(double x, double y, double w, double h, PlotColor color) {
  body_ += "<rect x=\"" + Num(x) + "\" y=\"" + Num(y) + "\" width=\"" + Num(w) + "\" height=\"" +
           Num(h) + "\" fill=\"" + Colour(color) + "\"/>\n";
}

void SvgCanvas::FillPolygon(const std::vector<PlotPoint>& points, PlotColor color) {
  body_ += "<polygon points=\"" + PointList(points) + "\" fill=\"" + Colour(color) + "\"/>\n";
}

void SvgCanvas::Dots(const std::vector<PlotPoint>& centres, PlotColor color, double size) {
  if (centres.empty()) return;
  // Thousands of dots: one path of squares rather than a <rect> each.
  const std::string side = Num(size);
  std::string d;
  d.reserve(centres.size() * 28);
  for (const PlotPoint& c : centres) {
    d += 'M' + Num(c.x - size / 2) + ',' + Num(c.y - size / 2) + 'h' + side + 'v' + side + "h-" +
         side + 'z';
  }
  body_ += "<path d=\"" + d + "\" fill=\"" + Colour(color) + "\"/>\n";
}

void SvgCanvas::Polyline(const std::vector<PlotPoint>& points, PlotColor color, double width,
                         bool dashed) {
  if (points.empty()) return;
  std::string d;
  for (std::size_t i = 0; i < points.size(); ++i) {
    d += (i == 0 ? "M" : " L") + Num(points[i].x) + ',' + Num(points[i].y);
  }
  body_ += "<path d=\"" + d + "\" fill=\"none\" stroke=\"" + Colour(color) +
           "\" stroke-width=\"" + Num(width) + "\" stroke-linejoin=\"round\"";
  if (dashed) body_ += " stroke-dasharray=\"" + Num(width * 4) + ',' + Num(width * 3) + "\"";
  body_ += "/>\n";
}

void SvgCanvas::Text(double x, double y, std::string_view utf8, double size, Align align,
                     bool vertical) {
  const char* anchor = align == Align::Left ? "start" : align == Align::Center ? "middle" : "end";
  body_ += "<text x=\"" + Num(x) + "\" y=\"" + Num(y) + "\" font-size=\"" + Num(size) +
           "\" text-anchor=\"" + anchor + "\"";
  if (vertical) body_ += " transform=\"rotate(-90 " + Num(x) + ' ' + Num(y) + ")\"";
  body_ += ">" + Escaped(utf8) + "</text>\n";
}

double SvgCanvas::TextWidth(std::string_view utf8, double size) {
  double chars = 0;
  for (char ch : utf8) {
    if ((static_cast<unsigned char>(ch) & 0xC0) != 0x80) chars += 1;  // one per code point
  }
  return chars * size * 0.56;
}

std::string SvgCanvas::Document() const {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Num(width_) + "pt\" height=\"" +
         Num(height_) + "pt\" viewBox=\"0 0 " + Num(width_) + ' ' + Num(height_) +
         "\" font-family=\"Arial, Helvetica, sans-serif\">\n" + body_ + "</svg>\n";
}

std::string PlotSvg(const PlotDescription& plot, double width, double height) {
  SvgCanvas canvas(width, height);
  RenderPlot(plot, canvas, width, height);
  return canvas.Document();
}

void WritePlotSvg(const std::string& path, const PlotDescription& plot, double width,
                  double height) {
  WriteWholeFile(path, PlotSvg(plot, width, height));
}

}  // namespace frixa
