// The loss graph control: see graph_control.h.
#include "win/graph_control.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace frixa::win {
namespace {

// Space around the plot, in pixels.
constexpr int kPlotLeftPadding = 6;
constexpr int kTitleTop = 4;
constexpr int kPlotTop = 26;
constexpr int kPlotRightMargin = 12;
constexpr int kBottomPadding = 2;
constexpr int kTickLength = 4;
constexpr int kLabelGap = 3;
constexpr COLORREF kFrame = RGB(0x90, 0x98, 0xA8);
constexpr COLORREF kGrid = RGB(0xDC, 0xE0, 0xE8);
constexpr COLORREF kAxis = RGB(0x20, 0x20, 0x20);
constexpr COLORREF kTitleColour = RGB(0x10, 0x20, 0x50);
constexpr COLORREF kAxisTitleColour = RGB(0x40, 0x40, 0x60);

std::wstring Wide(const std::string& utf8) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), static_cast<int>(utf8.size()),
                                    nullptr, 0);
  std::wstring w(static_cast<std::size_t>(std::max(n, 0)), L'\0');
  if (n > 0) {
    MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), static_cast<int>(utf8.size()), w.data(), n);
  }
  return w;
}

SIZE TextSize(HDC dc, const std::string& s) {
  SIZE size{0, 0};
  const std::wstring w = Wide(s);
  GetTextExtentPoint32W(dc, w.c_str(), static_cast<int>(w.size()), &size);
  return size;
}

// Draws `s` with its top left at (x, y) and returns where it lies.
RECT Text(HDC dc, int x, int y, const std::string& s) {
  const std::wstring w = Wide(s);
  TextOutW(dc, x, y, w.c_str(), static_cast<int>(w.size()));
  const SIZE size = TextSize(dc, s);
  return {x, y, x + size.cx, y + size.cy};
}

HGDIOBJ FontOr(HFONT font) {
  return font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT);
}

int LabelWidth(HDC dc, const char* format, const AxisScale& scale) {
  int width = 0;
  for (int i = 0; i <= scale.Intervals(); ++i) {
    width = std::max<int>(width, TextSize(dc, TickLabel(format, scale.Tick(i))).cx);
  }
  return width;
}

ValueRange RpmRangeOf(const GraphSeries& s) {
  ValueRange r;
  for (const auto* points : {&s.points, &s.startPoints}) {
    for (const GraphPoint& p : *points) r.Add(p.x);
  }
  return r;
}

ValueRange LossRangeOf(const GraphSeries& s) {
  ValueRange r;
  for (const auto* points : {&s.points, &s.startPoints}) {
    for (const GraphPoint& p : *points) r.Add(p.y);
  }
  return r;
}

// The points as 2 x 2 dots, up and right of each point and kept inside the plot. Each pixel of
// the plot is marked once, however many points fall on it (a long run puts thousands on one),
// and the marks are filled as horizontal runs: the cost follows the plot's size, not the run's.
void DrawDots(HDC dc, const RECT& plot, const GraphScales& scales, const GraphSeries& series) {
  const int w = plot.right - plot.left, h = plot.bottom - plot.top;
  if (w <= 1 || h <= 1) return;
  enum : std::uint8_t { kNone, kStart, kSettled };
  std::vector<std::uint8_t> mark(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), kNone);
  const auto place = [&](const std::vector<GraphPoint>& points, std::uint8_t kind) {
    for (const GraphPoint& p : points) {
      const int x = std::min<int>(MapToPixel(p.x, scales.x, plot.left, plot.right), plot.right - 1);
      const int y = std::max<int>(MapToPixel(p.y, scales.y, plot.bottom, plot.top), plot.top + 1);
      if (x < plot.left || y > plot.bottom) continue;  // outside the axes: cannot happen
      std::uint8_t& m = mark[static_cast<std::size_t>(y - plot.top - 1) * w + (x - plot.left)];
      m = std::max(m, kind);
    }
  };
  place(series.startPoints, kStart);
  place(series.points, kSettled);
  for (std::uint8_t kind : {kStart, kSettled}) {
    Brush brush(CreateSolidBrush(kind == kStart ? kGraphStartColour : kGraphSeriesColour));
    for (int row = 0; row < h; ++row) {
      const std::uint8_t* line = &mark[static_cast<std::size_t>(row) * w];
      for (int x = 0; x < w;) {
        if (line[x] != kind) {
          ++x;
          continue;
        }
        int end = x;
        while (end < w && line[end] == kind) ++end;
        const int y = plot.top + 1 + row;
        const RECT dots{plot.left + x, y - 1, plot.left + end + 1, y + 1};
        FillRect(dc, &dots, brush.get());
        x = end;
      }
    }
  }
}

void DrawFitLine(HDC dc, const RECT& plot, const GraphScales& scales,
                 const std::vector<GraphPoint>& line) {
  if (line.size() < 2) return;
  std::vector<POINT> at;
  at.reserve(line.size());
  for (const GraphPoint& p : line) {
    at.push_back({MapToPixel(p.x, scales.x, plot.left, plot.right),
                  MapToPixel(p.y, scales.y, plot.bottom, plot.top)});
  }
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, plot.left, plot.top, plot.right + 1, plot.bottom);
  Pen pen(CreatePen(PS_SOLID, 2, kGraphFitColour));
  Selected s(dc, pen.get());
  Polyline(dc, at.data(), static_cast<int>(at.size()));
  RestoreDC(dc, saved);
}

}  // namespace

PlotInsets InsetsFor(HDC dc, const GraphTexts& texts, const AxisScale& rpm, const AxisScale& loss,
                     const GraphLook& look) {
  Selected font(dc, FontOr(look.textFont));
  PlotInsets in;
  in.left = kPlotLeftPadding + LabelWidth(dc, texts.lossFormat, loss) + kTickLength + kLabelGap;
  const std::string last = TickLabel(texts.rpmFormat, rpm.Tick(rpm.Intervals()));
  in.right = std::max<int>(kPlotRightMargin, static_cast<int>(TextSize(dc, last).cx) / 2 + 4);
  return in;
}

GraphGeometry DrawGraph(HDC dc, const RECT& r, const GraphTexts& texts, const GraphSeries& series,
                        const GraphLook& look, const GraphFrame* frame) {
  Brush background(CreateSolidBrush(look.background));
  FillRect(dc, &r, background.get());
  Brush frameBrush(CreateSolidBrush(kFrame));
  FrameRect(dc, &r, frameBrush.get());
  SetBkMode(dc, TRANSPARENT);

  GraphScales scales{RpmScaleCovering(RpmRangeOf(series)),
                     LossScaleCovering(LossRangeOf(series))};
  GraphGeometry g;
  Selected textFont(dc, FontOr(look.textFont));
  const int lineHeight = TextSize(dc, "0123456789RPM").cy;
  // Across: from the frame, or from this graph's own labels.
  if (frame) {
    scales.x = frame->rpm;
    g.plot.left = r.left + frame->plotLeft;
    g.plot.right = r.left + frame->plotRight;
  } else {
    const PlotInsets in = InsetsFor(dc, texts, scales.x, scales.y, look);
    g.plot.left = r.left + in.left;
    g.plot.right = r.right - in.right;
  }
  // Down: the title above; below, the RPM labels and the axis's name, above any covered strip.
  const int visibleBottom =
      frame && frame->coveredTop > 0 ? std::min<int>(r.bottom, r.top + frame->coveredTop) : r.bottom;
  g.plot.top = r.top + kPlotTop;
  g.plot.bottom = visibleBottom - kBottomPadding - 2 * lineHeight - kTickLength - 1;

  // Grid and tick labels.
  Pen gridPen(CreatePen(PS_SOLID, 1, kGrid));
  Pen axisPen(CreatePen(PS_SOLID, 1, kAxis));
  SetTextColor(dc, kAxis);
  const RECT& plot = g.plot;
  for (int i = 0; i <= scales.y.Intervals(); ++i) {
    const double v = scales.y.Tick(i);
    const int y = MapToPixel(v, scales.y, plot.bottom, plot.top);
    {
      Selected pen(dc, gridPen.get());
      MoveToEx(dc, plot.left, y, nullptr);
      LineTo(dc, plot.right + 1, y);
    }
    Selected pen(dc, axisPen.get());
    MoveToEx(dc, plot.left - kTickLength, y, nullptr);
    LineTo(dc, plot.left, y);
    const std::string label = TickLabel(texts.lossFormat, v);
    const SIZE size = TextSize(dc, label);
    g.lossLabels.push_back(
        Text(dc, plot.left - kTickLength - kLabelGap - size.cx, y - size.cy / 2, label));
  }
  const int rpmLabelTop = plot.bottom + kTickLength + 1;
  for (int i = 0; i <= scales.x.Intervals(); ++i) {
    const double v = scales.x.Tick(i);
    const int x = MapToPixel(v, scales.x, plot.left, plot.right);
    {
      Selected pen(dc, gridPen.get());
      MoveToEx(dc, x, plot.top, nullptr);
      LineTo(dc, x, plot.bottom);
    }
    Selected pen(dc, axisPen.get());
    MoveToEx(dc, x, plot.bottom, nullptr);
    LineTo(dc, x, plot.bottom + kTickLength);
    const std::string label = TickLabel(texts.rpmFormat, v);
    g.rpmLabels.push_back(Text(dc, x - TextSize(dc, label).cx / 2, rpmLabelTop, label));
  }
  {
    Selected pen(dc, axisPen.get());
    MoveToEx(dc, plot.left, plot.top, nullptr);
    LineTo(dc, plot.left, plot.bottom);
    LineTo(dc, plot.right + 1, plot.bottom);
  }

  // The axes' names: the RPM axis's centred under its labels, the loss axis's over its labels.
  SetTextColor(dc, kAxisTitleColour);
  {
    const std::string name = texts.rpmTitle;
    g.rpmTitle = Text(dc, (plot.left + plot.right - TextSize(dc, name).cx) / 2,
                      rpmLabelTop + lineHeight, name);
    const std::string loss = texts.lossTitle;
    g.lossTitle = Text(dc, std::max<int>(r.left + kPlotLeftPadding,
                                         plot.left - kTickLength - TextSize(dc, loss).cx),
                       r.top + kTitleTop + 1, loss);
  }

  // The title, centred over the plot.
  {
    Selected titleFont(dc, FontOr(look.titleFont));
    SetTextColor(dc, kTitleColour);
    const std::string title = texts.title;
    g.title = Text(dc, (plot.left + plot.right - TextSize(dc, title).cx) / 2, r.top + kTitleTop,
                   title);
  }

  DrawDots(dc, plot, scales, series);
  DrawFitLine(dc, plot, scales, series.fitLine);
  return g;
}

bool GraphControl::Create(HWND parent, int x, int y, int w, int h, const GraphTexts& texts,
                          const GraphLook& look, int id) {
  texts_ = texts;
  look_ = look;
  return CreateBound({.className = "FrixaGraph", .text = texts.title,
                      .style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS,
                      .x = x, .y = y, .width = w, .height = h, .parent = parent, .id = id});
}

void GraphControl::SetCoveredTop(int coveredTop) {
  coveredTop_ = coveredTop;
  Changed();
}

void GraphControl::StartAfresh() {
  series_ = {};
  rpmRange_ = {};
  lossRange_ = {};
  Changed();
}

void GraphControl::SetUp() {
  look_.background = RGB(255, 255, 255);
  Changed();
}

void GraphControl::AddPoint(double x, double y) {
  series_.points.push_back({x, y});
  rpmRange_.Add(x);
  lossRange_.Add(y);
  Changed();
}

void GraphControl::AddStartPoint(double x, double y) {
  series_.startPoints.push_back({x, y});
  rpmRange_.Add(x);
  lossRange_.Add(y);
  Changed();
}

void GraphControl::SetFitLine(std::vector<GraphPoint> line) {
  series_.fitLine = std::move(line);
  Changed();
}

void GraphControl::Finish() { Changed(); }

void GraphControl::MarkDirty() {
  dirty_ = true;
  // One request per repaint: the graph pass adds a million points without the event loop
  // running, and asking a million times costs more than the points themselves.
  if (hwnd() && !invalidated_) {
    invalidated_ = true;
    InvalidateRect(hwnd(), nullptr, FALSE);
  }
}

void GraphControl::Changed() {
  MarkDirty();
  if (partner_) partner_->MarkDirty();  // the shared scale and edges may have moved
}

GraphFrame GraphControl::Frame(HDC dc) const {
  GraphFrame f;
  ValueRange rpm = rpmRange_;
  if (partner_ && partner_->hwnd()) rpm.Add(partner_->rpmRange_);
  f.rpm = RpmScaleCovering(rpm);
  // The edges that suit both graphs, in the coordinates of the window holding them: each
  // graph's visible part (the holder clips what lies outside it) less the room its labels need.
  HWND holder = GetParent(hwnd());
  RECT holderClient{0, 0, 0, 0};
  GetClientRect(holder, &holderClient);
  const auto placeOf = [holder](const GraphControl* g) {
    RECT at;
    GetWindowRect(g->hwnd(), &at);
    MapWindowPoints(nullptr, holder, reinterpret_cast<POINT*>(&at), 2);
    return at;
  };
  int left = holderClient.left, right = holderClient.right;
  const GraphControl* pair[] = {this, partner_ && partner_->hwnd() ? partner_ : this};
  for (const GraphControl* g : pair) {
    const RECT at = placeOf(g);
    const PlotInsets in =
        InsetsFor(dc, g->texts_, f.rpm, LossScaleCovering(g->lossRange_), g->look_);
    left = std::max<int>(left, std::max<int>(at.left, holderClient.left) + in.left);
    right = std::min<int>(right, std::min<int>(at.right, holderClient.right) - in.right);
  }
  const RECT mine = placeOf(this);
  f.plotLeft = left - mine.left;
  f.plotRight = right - mine.left;
  // Below: the holder's edge, or the window lying over this one's foot.
  f.coveredTop = holderClient.bottom - mine.top;
  if (coveredTop_ >= 0) f.coveredTop = std::min(f.coveredTop, coveredTop_);
  return f;
}

void GraphControl::Paint(HDC dc, const RECT& client) {
  if (dirty_ || !buffer_) {
    buffer_.Reset(CreateCompatibleBitmap(dc, client.right, client.bottom));
    MemoryDc mem(dc);
    Selected s(mem.get(), buffer_.get());
    const GraphFrame frame = Frame(mem.get());
    geometry_ = DrawGraph(mem.get(), client, texts_, series_, look_, &frame);
    dirty_ = false;
  }
  MemoryDc mem(dc);
  Selected s(mem.get(), buffer_.get());
  BitBlt(dc, 0, 0, client.right, client.bottom, mem.get(), 0, 0, SRCCOPY);
}

LRESULT GraphControl::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT:
      invalidated_ = false;
      return PaintedWindow::HandleMessage(msg, wp, lp);
    case WM_SIZE:
    case WM_MOVE:
      Changed();
      return 0;
    case WM_LBUTTONDOWN:
      SetFocus(hwnd());
      return 0;
    case WM_SETFOCUS:
      if (onFocus) onFocus(true);
      return 0;
    case WM_KILLFOCUS:
      if (onFocus) onFocus(false);
      return 0;
    default:
      return PaintedWindow::HandleMessage(msg, wp, lp);
  }
}

}  // namespace frixa::win
