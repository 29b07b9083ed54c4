// The analysis graph on GDI: see gdi_plot_canvas.h.
#include "win/gdi_plot_canvas.h"

#include <algorithm>
#include <cmath>
#include <climits>
#include <cstdint>

namespace frixa::win {
namespace {

COLORREF Ref(PlotColor c) { return RGB(c.r, c.g, c.b); }

std::wstring Wide(std::string_view utf8) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                    nullptr, 0);
  std::wstring w(static_cast<std::size_t>(std::max(n, 0)), L'\0');
  if (n > 0) {
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), n);
  }
  return w;
}

// Splits a line into dashes of `dash` and gaps of `gap` along its length.
std::vector<std::vector<PlotPoint>> Dashes(const std::vector<PlotPoint>& points, double dash,
                                           double gap) {
  std::vector<std::vector<PlotPoint>> out;
  bool on = true;
  double left = dash;  // of the current dash or gap
  std::vector<PlotPoint> current{points.front()};
  for (std::size_t i = 1; i < points.size(); ++i) {
    PlotPoint from = points[i - 1];
    const PlotPoint to = points[i];
    double length = std::hypot(to.x - from.x, to.y - from.y);
    while (length > 0) {
      const double step = std::min(left, length);
      const double t = step / length;
      const PlotPoint at{from.x + (to.x - from.x) * t, from.y + (to.y - from.y) * t};
      if (on) current.push_back(at);
      left -= step;
      length -= step;
      from = at;
      if (left <= 1e-9) {
        if (on && current.size() >= 2) out.push_back(std::move(current));
        current = {at};
        on = !on;
        left = on ? dash : gap;
      }
    }
    if (on) current.back() = to;
  }
  if (on && current.size() >= 2) out.push_back(std::move(current));
  return out;
}

}  // namespace

GdiPlotCanvas::GdiPlotCanvas(HDC dc, int dpi)
    : dc_(dc), scale_(dpi / 72.0), savedDc_(SaveDC(dc)) {
  SetBkMode(dc_, TRANSPARENT);
}

GdiPlotCanvas::~GdiPlotCanvas() { RestoreDC(dc_, savedDc_); }

int GdiPlotCanvas::Px(double points) const { return static_cast<int>(std::lround(points * scale_)); }

void GdiPlotCanvas::FillRect(double x, double y, double w, double h, PlotColor color) {
  const RECT r{Px(x), Px(y), std::max(Px(x + w), Px(x) + 1), std::max(Px(y + h), Px(y) + 1)};
  Brush brush(CreateSolidBrush(Ref(color)));
  ::FillRect(dc_, &r, brush.get());
}

void GdiPlotCanvas::FillPolygon(const std::vector<PlotPoint>& points, PlotColor color) {
  if (points.size() < 3) return;
  std::vector<POINT> at;
  at.reserve(points.size());
  for (const PlotPoint& p : points) at.push_back({Px(p.x), Px(p.y)});
  Brush brush(CreateSolidBrush(Ref(color)));
  Pen pen(CreatePen(PS_SOLID, 1, Ref(color)));
  Selected b(dc_, brush.get());
  Selected s(dc_, pen.get());
  Polygon(dc_, at.data(), static_cast<int>(at.size()));
}

void GdiPlotCanvas::Polyline(const std::vector<PlotPoint>& points, PlotColor color, double width,
                             bool dashed) {
  if (points.size() < 2) return;
  Pen pen(CreatePen(PS_SOLID, std::max(1, Px(width)), Ref(color)));
  Selected s(dc_, pen.get());
  const auto draw = [this](const std::vector<PlotPoint>& line) {
    std::vector<POINT> at;
    at.reserve(line.size());
    for (const PlotPoint& p : line) {
      const POINT q{Px(p.x), Px(p.y)};
      if (at.empty() || at.back().x != q.x || at.back().y != q.y) at.push_back(q);
    }
    if (at.size() == 1) at.push_back({at[0].x + 1, at[0].y});
    ::Polyline(dc_, at.data(), static_cast<int>(at.size()));
  };
  if (!dashed) return draw(points);
  for (const auto& dash : Dashes(points, width * 4, width * 3)) draw(dash);
}

void GdiPlotCanvas::Dots(const std::vector<PlotPoint>& centres, PlotColor color, double size) {
  if (centres.empty()) return;
  const int side = std::max(1, Px(size));
  // The top left pixel of each dot, within the box they span.
  const auto corner = [&](const PlotPoint& c) {
    return POINT{Px(c.x - size / 2), Px(c.y - size / 2)};
  };
  LONG left = LONG_MAX, top = LONG_MAX, right = LONG_MIN, bottom = LONG_MIN;
  for (const PlotPoint& c : centres) {
    const POINT p = corner(c);
    left = std::min(left, p.x);
    top = std::min(top, p.y);
    right = std::max(right, p.x);
    bottom = std::max(bottom, p.y);
  }
  const std::size_t w = static_cast<std::size_t>(right - left) + 1;
  const std::size_t h = static_cast<std::size_t>(bottom - top) + 1;
  std::vector<std::uint8_t> marked(w * h, 0);
  for (const PlotPoint& c : centres) {
    const POINT p = corner(c);
    marked[static_cast<std::size_t>(p.y - top) * w + static_cast<std::size_t>(p.x - left)] = 1;
  }
  Brush brush(CreateSolidBrush(Ref(color)));
  for (std::size_t row = 0; row < h; ++row) {
    const std::uint8_t* line = &marked[row * w];
    for (std::size_t x = 0; x < w;) {
      if (!line[x]) {
        ++x;
        continue;
      }
      std::size_t end = x;
      while (end < w && line[end]) ++end;
      const LONG y = top + static_cast<LONG>(row);
      const RECT run{left + static_cast<LONG>(x), y, left + static_cast<LONG>(end) - 1 + side,
                     y + side};
      ::FillRect(dc_, &run, brush.get());
      x = end;
    }
  }
}

HFONT GdiPlotCanvas::FontFor(double size, bool vertical) {
  const int height = std::max(1, Px(size));
  Font& font = fonts_[{height, vertical}];
  if (!font) {
    font.Reset(CreateFontA(-height, 0, vertical ? 900 : 0, vertical ? 900 : 0, FW_NORMAL, FALSE,
                           FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Arial"));
  }
  return font.get();
}

void GdiPlotCanvas::Text(double x, double y, std::string_view utf8, double size, Align align,
                         bool vertical) {
  Selected f(dc_, FontFor(size, vertical));
  SetTextColor(dc_, Ref(kPlotInk));
  const UINT horizontal = align == Align::Left ? TA_LEFT : align == Align::Center ? TA_CENTER : TA_RIGHT;
  SetTextAlign(dc_, horizontal | TA_BASELINE | TA_NOUPDATECP);
  const std::wstring w = Wide(utf8);
  TextOutW(dc_, Px(x), Px(y), w.c_str(), static_cast<int>(w.size()));
}

double GdiPlotCanvas::TextWidth(std::string_view utf8, double size) {
  Selected f(dc_, FontFor(size, false));
  const std::wstring w = Wide(utf8);
  SIZE extent{0, 0};
  GetTextExtentPoint32W(dc_, w.c_str(), static_cast<int>(w.size()), &extent);
  return extent.cx / scale_;
}

Bitmap RenderPlotBitmap(const PlotDescription& plot, int width, int height, int dpi, HDC like) {
  HDC screen = like ? like : GetDC(nullptr);
  Bitmap bitmap(CreateCompatibleBitmap(screen, std::max(width, 1), std::max(height, 1)));
  {
    MemoryDc mem(screen);
    Selected s(mem.get(), bitmap.get());
    GdiPlotCanvas canvas(mem.get(), dpi);
    RenderPlot(plot, canvas, width / canvas.PixelsPerPoint(), height / canvas.PixelsPerPoint());
  }
  if (!like) ReleaseDC(nullptr, screen);
  return bitmap;
}

RgbImage BitmapPixels(HBITMAP bitmap, int width, int height) {
  RgbImage image{width, height, {}};
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  const std::size_t stride = (std::size_t(width) * 3 + 3) & ~std::size_t{3};
  std::vector<std::uint8_t> bgr(stride * std::size_t(height));
  HDC screen = GetDC(nullptr);
  const int rows = GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), bgr.data(), &info,
                             DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  if (rows != height) return RgbImage{};
  image.rgb.resize(std::size_t(width) * std::size_t(height) * 3);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* from = bgr.data() + stride * std::size_t(y);
    std::uint8_t* to = image.rgb.data() + std::size_t(width) * 3 * std::size_t(y);
    for (int x = 0; x < width; ++x, from += 3, to += 3) {
      to[0] = from[2];
      to[1] = from[1];
      to[2] = from[0];
    }
  }
  return image;
}

}  // namespace frixa::win
