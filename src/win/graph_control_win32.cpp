// The loss graph control: see graph_control.h.
#include "win/graph_control.h"

#include <algorithm>
#include <cmath>

#include "win/gdi_plot_canvas.h"

namespace frixa::win {
namespace {

RECT Pixels(const PlotBox& b, const GdiPlotCanvas& canvas) {
  return {canvas.Px(b.left), canvas.Px(b.top), canvas.Px(b.right), canvas.Px(b.bottom)};
}

std::vector<RECT> Pixels(const std::vector<PlotBox>& boxes, const GdiPlotCanvas& canvas) {
  std::vector<RECT> out;
  out.reserve(boxes.size());
  for (const PlotBox& b : boxes) out.push_back(Pixels(b, canvas));
  return out;
}

}  // namespace

GraphGeometry DrawLossGraph(HDC dc, int width, int height, int dpi, const PlotDescription& plot,
                            const GraphFrame* frame) {
  GdiPlotCanvas canvas(dc, dpi);
  const double perPoint = canvas.PixelsPerPoint();
  canvas.FillRect(0, 0, width / perPoint, height / perPoint, kPlotBackground);
  PlotGeometry g;
  if (frame) {
    const int shown = std::min(height, frame->visibleHeight);
    const PlotInsets insets{frame->plotLeft / perPoint, (width - frame->plotRight) / perPoint};
    g = RenderPlot(plot, canvas, width / perPoint, shown / perPoint, &insets);
  } else {
    g = RenderPlot(plot, canvas, width / perPoint, height / perPoint);
  }
  return {Pixels(g.area, canvas), Pixels(g.xLabels, canvas), Pixels(g.yLabels, canvas),
          Pixels(g.title, canvas), Pixels(g.xTitle, canvas), Pixels(g.yTitle, canvas)};
}

bool GraphControl::Create(HWND parent, int x, int y, int w, int h, const GraphTexts& texts,
                          int id) {
  plot_ = LossGraphPlot(texts);
  return CreateBound({.className = "FrixaGraph", .text = texts.title,
                      .style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS,
                      .x = x, .y = y, .width = w, .height = h, .parent = parent, .id = id});
}

void GraphControl::SetCoveredTop(int coveredTop) {
  coveredTop_ = coveredTop;
  Changed();
}

void GraphControl::StartAfresh() {
  plot_.Clear();
  Changed();
}

void GraphControl::SetUp() { Changed(); }

void GraphControl::AddPoint(double x, double y) {
  plot_.AddPoint(x, y);
  Changed();
}

void GraphControl::AddStartPoint(double x, double y) {
  plot_.AddStartPoint(x, y);
  Changed();
}

void GraphControl::SetFitLine(std::vector<GraphPoint> line) {
  plot_.SetModel(std::move(line));
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
  if (partner_) partner_->MarkDirty();  // the shared axis and edges may have moved
}

ValueRange GraphControl::SharedRpm() const {
  ValueRange rpm = plot_.rpmRange();
  if (partner_ && partner_->hwnd()) rpm.Add(partner_->plot_.rpmRange());
  return rpm;
}

GraphFrame GraphControl::Frame(HDC dc, int dpi, const RECT& client) {
  GraphControl* other = partner_ && partner_->hwnd() ? partner_ : this;
  const ValueRange rpm = SharedRpm();
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
  GdiPlotCanvas canvas(dc, dpi);
  const double perPoint = canvas.PixelsPerPoint();
  double left = holderClient.left, right = holderClient.right;
  for (GraphControl* g : {this, other}) {
    const RECT at = placeOf(g);
    const PlotInsets in = PlotInsetsFor(g->plot_.Scaled(rpm), canvas);
    left = std::max(left, std::max<LONG>(at.left, holderClient.left) + in.left * perPoint);
    right = std::min(right, std::min<LONG>(at.right, holderClient.right) - in.right * perPoint);
  }
  const RECT mine = placeOf(this);
  GraphFrame f;
  f.plotLeft = static_cast<int>(std::lround(left)) - mine.left;
  f.plotRight = static_cast<int>(std::lround(right)) - mine.left;
  // Below: the holder's edge, or the window lying over this one's foot.
  f.visibleHeight = std::min<int>(client.bottom, holderClient.bottom - mine.top);
  if (coveredTop_ >= 0) f.visibleHeight = std::min(f.visibleHeight, coveredTop_);
  return f;
}

void GraphControl::Paint(HDC dc, const RECT& client) {
  if (dirty_ || !buffer_) {
    buffer_.Reset(CreateCompatibleBitmap(dc, client.right, client.bottom));
    MemoryDc mem(dc);
    Selected s(mem.get(), buffer_.get());
    const int dpi = ScreenDpi();
    const GraphFrame frame = Frame(mem.get(), dpi, client);
    geometry_ = DrawLossGraph(mem.get(), client.right, client.bottom, dpi, plot_.Scaled(SharedRpm()),
                              &frame);
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
