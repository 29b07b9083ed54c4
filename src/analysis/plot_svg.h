// The analysis graph as an SVG document: a PlotCanvas that writes each line as a <path>, each
// filled area as a <rect> or <polygon>, each series of dots as one <path> and each text as a
// <text>, in points.
#pragma once

#include <string>

#include "analysis/plot.h"

namespace frixa {

class SvgCanvas : public PlotCanvas {
 public:
  SvgCanvas(double width, double height);
  void FillRect(double x, double y, double w, double h, PlotColor color) override;
  void FillPolygon(const std::vector<PlotPoint>& points, PlotColor color) override;
  void Dots(const std::vector<PlotPoint>& centres, PlotColor color, double size) override;
  void Polyline(const std::vector<PlotPoint>& points, PlotColor color, double width,
                bool dashed) override;
  void Text(double x, double y, std::string_view utf8, double size, Align align,
            bool vertical) override;
  // Estimated from Arial's average advance: SVG viewers measure text themselves.
  double TextWidth(std::string_view utf8, double size) override;
  // The whole document.
  std::string Document() const;

 private:
  double width_, height_;
  std::string body_;
};

// RenderPlot into an SVG document of width x height points.
std::string PlotSvg(const PlotDescription& plot, double width, double height);

// Writes that document as the whole file `path` (WriteWholeFile: frixa::Error 75 or 70; an older
// file of the name then stays as it was).
void WritePlotSvg(const std::string& path, const PlotDescription& plot, double width,
                  double height);

}  // namespace frixa
