// Graphs on a GDI device context: RenderPlot's points become pixels at the screen's DPI, its
// texts are drawn in Arial, a run's many dots once per pixel. Also renders a whole graph into a
// memory bitmap and reads that bitmap back as an RGB picture for PNG files.
#pragma once

#include <windows.h>

#include <map>
#include <string>

#include "analysis/plot.h"
#include "analysis/png_writer.h"
#include "win/win32_window.h"

namespace frixa::win {

class GdiPlotCanvas : public PlotCanvas {
 public:
  // `dc` is borrowed; one point is dpi / 72 pixels.
  GdiPlotCanvas(HDC dc, int dpi);
  ~GdiPlotCanvas() override;
  void FillRect(double x, double y, double w, double h, PlotColor color) override;
  void FillPolygon(const std::vector<PlotPoint>& points, PlotColor color) override;
  void Polyline(const std::vector<PlotPoint>& points, PlotColor color, double width,
                bool dashed) override;
  void Text(double x, double y, std::string_view utf8, double size, Align align,
            bool vertical) override;
  double TextWidth(std::string_view utf8, double size) override;
  // Each pixel marked once, however many dots fall on it, and filled as horizontal runs: the
  // cost follows the area covered, not the number of dots (a long run puts thousands on one).
  void Dots(const std::vector<PlotPoint>& centres, PlotColor color, double size) override;

  double PixelsPerPoint() const { return scale_; }
  int Px(double points) const;

 private:
  HFONT FontFor(double size, bool vertical);

  HDC dc_;
  double scale_;
  int savedDc_;
  std::map<std::pair<int, bool>, Font> fonts_;
};

// The plot drawn into a new bitmap of width x height pixels (compatible with `like`, or the
// screen).
Bitmap RenderPlotBitmap(const PlotDescription& plot, int width, int height, int dpi,
                        HDC like = nullptr);

// The pixels of a bitmap, top row first, as GetDIBits gives them in 24-bit RGB.
RgbImage BitmapPixels(HBITMAP bitmap, int width, int height);

}  // namespace frixa::win
