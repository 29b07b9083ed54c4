// The loss graph control (KWGraph, NMGraph): a title, a vertical loss axis and a horizontal RPM
// axis with tick labels in the graph's formats and the axes' names, the points of the run (those
// of the first, unsettled revolutions lighter) and the fitted model as a line over them, on axes
// that always cover every point. Two graphs made partners share one RPM scale and the same
// left and right plot edges, so that one RPM lies at one x in both. Painted from a back buffer
// that is rebuilt only after a change; points that fall on one pixel are drawn once.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "graphs/graph_axes.h"
#include "win/win32_window.h"

namespace frixa::win {

inline constexpr COLORREF kGraphSeriesColour = RGB(0, 0, 160);
inline constexpr COLORREF kGraphStartColour = RGB(150, 170, 235);  // the unsettled start
inline constexpr COLORREF kGraphFitColour = RGB(220, 30, 30);

struct GraphLook {
  HFONT titleFont = nullptr;
  HFONT textFont = nullptr;
  COLORREF background = RGB(255, 255, 255);
};

// What a graph shows.
struct GraphSeries {
  std::vector<GraphPoint> points;       // settled revolutions
  std::vector<GraphPoint> startPoints;  // the first revolutions, drawn lighter
  std::vector<GraphPoint> fitLine;      // drawn over the points, clipped to the plot
};

// Where the plot lies across, when decided from outside (for two graphs together); client
// coordinates of the graph. `coveredTop`: the rows from there down are hidden (under another
// window, or outside the window holding the graph).
struct GraphFrame {
  AxisScale rpm;
  int plotLeft = 0;
  int plotRight = 0;
  int coveredTop = 0;
};

// What DrawGraph drew where, in the coordinates of the rectangle it was given.
struct GraphGeometry {
  RECT plot{};
  std::vector<RECT> rpmLabels;   // the tick labels of the RPM axis, left to right
  std::vector<RECT> lossLabels;  // the tick labels of the loss axis, bottom to top
  RECT title{}, rpmTitle{}, lossTitle{};
};

// Space the labels need beside the plot, in pixels: the loss labels on the left, half the last
// RPM label on the right.
struct PlotInsets {
  int left = 0;
  int right = 0;
};
PlotInsets InsetsFor(HDC dc, const GraphTexts& texts, const AxisScale& rpm, const AxisScale& loss,
                     const GraphLook& look);

// Draws the whole graph into `r` of `dc`; `frame` null: the graph decides its plot alone, from
// its own points. Used by the control's back buffer and by tests rendering into memory.
GraphGeometry DrawGraph(HDC dc, const RECT& r, const GraphTexts& texts, const GraphSeries& series,
                        const GraphLook& look, const GraphFrame* frame = nullptr);

class GraphControl : public PaintedWindow {
 public:
  bool Create(HWND parent, int x, int y, int w, int h, const GraphTexts& texts,
              const GraphLook& look, int id);
  // Shares the RPM scale and the plot edges with `other` (and `other` with this one). Rows of
  // this graph from `coveredTop` (client coordinates) down are hidden under another window:
  // no label is drawn there.
  void SetPartner(GraphControl* other) { partner_ = other; }
  void SetCoveredTop(int coveredTop);

  // The graph calls: start afresh, set up, add a point, finish the pass.
  void StartAfresh();
  void SetUp();
  void AddPoint(double x, double y);
  void AddStartPoint(double x, double y);
  void SetFitLine(std::vector<GraphPoint> line);
  void Finish();

  const GraphSeries& series() const { return series_; }
  // The geometry of the picture last drawn, in client coordinates.
  const GraphGeometry& geometry() const { return geometry_; }

  // Raised when the graph gains (true) or loses (false) the keyboard focus.
  std::function<void(bool)> onFocus;

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void Paint(HDC dc, const RECT& client) override;

 private:
  void Changed();
  void MarkDirty();
  GraphFrame Frame(HDC dc) const;
  GraphTexts texts_{};
  GraphLook look_{};
  GraphSeries series_;
  ValueRange rpmRange_, lossRange_;
  GraphControl* partner_ = nullptr;
  int coveredTop_ = -1;  // -1: nothing covers it
  GraphGeometry geometry_;
  Bitmap buffer_;
  bool dirty_ = true;
  bool invalidated_ = false;  // a repaint is already asked for
};

}  // namespace frixa::win
