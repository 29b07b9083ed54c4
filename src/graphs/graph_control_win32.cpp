// The loss graph control: see graph_control.h.
#include "graphs/graph_control.h"

#include <algorithm>
#include <string>

namespace frixa::win {
namespace {

// Space around the plot, in pixels. The bottom margin is the deeper one: it holds the RPM tick
// labels and keeps the axis clear of the strip that the torque graph covers on the power graph.
constexpr int kPlotLeftPadding = 10;  // the torque graph starts a little left of its container
constexpr int kTitleTop = 4;
constexpr int kPlotTop = 26;
constexpr int kPlotRightMargin = 16;
constexpr int kPlotBottomMargin = 40;
constexpr int kTickLength = 4;
constexpr int kLabelGap = 3;
constexpr COLORREF kFrame = RGB(0x90, 0x98, 0xA8);
constexpr COLORREF kGrid = RGB(0xDC, 0xE0, 0xE8);
constexpr COLORREF kAxis = RGB(0x20, 0x20, 0x20);
constexpr COLORREF kTitleColour = RGB(0x10, 0x20, 0x50);

SIZE TextSize(HDC dc, const std::string& s) {
  SIZE size{0, 0};
  GetTextExtentPoint32A(dc, s.c_str(), static_cast<int>(s.size()), &size);
  return size;
}

void Text(HDC dc, int x, int y, const std::string& s) {
  TextOutA(dc, x, y, s.c_str(), static_cast<int>(s.size()));
}

}  // namespace

RECT DrawGraph(HDC dc, const RECT& r, const GraphTexts& texts, const std::vector<GraphPoint>& points,
               const GraphLook& look) {
  Brush background(CreateSolidBrush(look.background));
  FillRect(dc, &r, background.get());
  Brush frame(CreateSolidBrush(kFrame));
  FrameRect(dc, &r, frame.get());
  SetBkMode(dc, TRANSPARENT);

  const GraphScales scales = ScalesCovering(points);

  // The loss labels decide how far in the plot starts.
  Selected textFont(dc, look.textFont ? static_cast<HGDIOBJ>(look.textFont)
                                      : GetStockObject(DEFAULT_GUI_FONT));
  int labelWidth = 0;
  for (int i = 0; i <= scales.y.Intervals(); ++i) {
    labelWidth = std::max<int>(labelWidth,
                               TextSize(dc, TickLabel(texts.lossFormat, scales.y.Tick(i))).cx);
  }
  const RECT plot{r.left + kPlotLeftPadding + labelWidth + kTickLength + kLabelGap,
                  r.top + kPlotTop,
                  r.right - kPlotRightMargin, r.bottom - kPlotBottomMargin};

  // Grid and tick labels.
  Pen gridPen(CreatePen(PS_SOLID, 1, kGrid));
  Pen axisPen(CreatePen(PS_SOLID, 1, kAxis));
  SetTextColor(dc, kAxis);
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
    Text(dc, plot.left - kTickLength - kLabelGap - size.cx, y - size.cy / 2, label);
  }
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
    Text(dc, x - TextSize(dc, label).cx / 2, plot.bottom + kTickLength + 1, label);
  }
  {
    Selected pen(dc, axisPen.get());
    MoveToEx(dc, plot.left, plot.top, nullptr);
    LineTo(dc, plot.left, plot.bottom);
    LineTo(dc, plot.right + 1, plot.bottom);
  }

  // The title, centred over the plot.
  {
    Selected titleFont(dc, look.titleFont ? static_cast<HGDIOBJ>(look.titleFont)
                                          : GetStockObject(DEFAULT_GUI_FONT));
    SetTextColor(dc, kTitleColour);
    const std::string title = texts.title;
    const int x = (plot.left + plot.right - TextSize(dc, title).cx) / 2;
    Text(dc, x, r.top + kTitleTop, title);
  }

  // The series: a 2 x 2 dot per point, up and right of the point, kept inside the plot.
  Brush series(CreateSolidBrush(kGraphSeriesColour));
  for (const GraphPoint& p : points) {
    const int x = std::min<int>(MapToPixel(p.x, scales.x, plot.left, plot.right), plot.right - 1);
    const int y = std::max<int>(MapToPixel(p.y, scales.y, plot.bottom, plot.top), plot.top + 1);
    const RECT dot{x, y - 1, x + 2, y + 1};
    FillRect(dc, &dot, series.get());
  }
  return plot;
}

bool GraphControl::Create(HWND parent, int x, int y, int w, int h, const GraphTexts& texts,
                          const GraphLook& look, int id) {
  texts_ = texts;
  look_ = look;
  return CreateBound("FrixaGraph", 0, texts.title,
                     WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS, x, y, w, h, parent,
                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
}

void GraphControl::StartAfresh() {
  points_.clear();
  Changed();
}

void GraphControl::SetUp() {
  look_.background = RGB(255, 255, 255);
  Changed();
}

void GraphControl::AddPoint(double x, double y) {
  points_.push_back({x, y});
  Changed();
}

void GraphControl::Finish() { Changed(); }

void GraphControl::Changed() {
  dirty_ = true;
  if (hwnd()) InvalidateRect(hwnd(), nullptr, FALSE);
}

void GraphControl::PaintTo(HDC dc) {
  RECT client;
  GetClientRect(hwnd(), &client);
  if (dirty_ || !buffer_) {
    buffer_.Reset(CreateCompatibleBitmap(dc, client.right, client.bottom));
    MemoryDc mem(dc);
    Selected s(mem.get(), buffer_.get());
    DrawGraph(mem.get(), client, texts_, points_, look_);
    dirty_ = false;
  }
  MemoryDc mem(dc);
  Selected s(mem.get(), buffer_.get());
  BitBlt(dc, 0, 0, client.right, client.bottom, mem.get(), 0, 0, SRCCOPY);
}

LRESULT GraphControl::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PaintDc dc(hwnd());
      PaintTo(dc.get());
      return 0;
    }
    case WM_PRINTCLIENT:
      PaintTo(reinterpret_cast<HDC>(wp));
      return 0;
    case WM_SIZE:
      dirty_ = true;
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
      return CustomWindow::HandleMessage(msg, wp, lp);
  }
}

}  // namespace frixa::win
