// The loss graph control (KWGraph, NMGraph): the graph's plot description (graphs/
// loss_graph_plot.h) drawn by the one plot layout through the GDI canvas: a title, the loss
// and RPM axes with tick labels in the graph's formats and their names, the run's points and
// the fitted model over them. Two graphs made partners share one RPM axis and the same left
// and right plot edges, so that one RPM lies at one x in both. Painted from a back buffer that
// is rebuilt only after a change.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "graphs/loss_graph_plot.h"
#include "win/win32_window.h"

namespace frixa::win {

// What a graph drew where, in pixels of the surface it was drawn on.
struct GraphGeometry {
  RECT plot{};
  std::vector<RECT> rpmLabels;   // the tick labels of the RPM axis, left to right
  std::vector<RECT> lossLabels;  // the tick labels of the loss axis, bottom to top
  RECT title{}, rpmTitle{}, lossTitle{};
};

// The plot's edges when decided from outside (for two graphs together), in pixels from the
// surface's left; `visibleHeight`: the rows from there down are hidden (under another window,
// or outside the window holding the graph), and nothing is laid out there.
struct GraphFrame {
  int plotLeft = 0;
  int plotRight = 0;
  int visibleHeight = 0;
};

// Draws `plot` on a width x height surface of `dc` at `dpi`; `frame` null: the plot's own
// labels decide its edges. Used by the control's back buffer and by tests drawing into memory.
GraphGeometry DrawLossGraph(HDC dc, int width, int height, int dpi, const PlotDescription& plot,
                            const GraphFrame* frame = nullptr);

class GraphControl : public PaintedWindow {
 public:
  bool Create(HWND parent, int x, int y, int w, int h, const GraphTexts& texts, int id);
  // Shares the RPM axis and the plot edges with `other` (and `other` with this one). Rows of
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

  const LossGraphPlot& plot() const { return plot_; }
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
  ValueRange SharedRpm() const;  // the RPM values of both graphs' points
  GraphFrame Frame(HDC dc, int dpi, const RECT& client);
  LossGraphPlot plot_{kPowerGraphTexts};
  GraphControl* partner_ = nullptr;
  int coveredTop_ = -1;  // -1: nothing covers it
  GraphGeometry geometry_;
  Bitmap buffer_;
  bool dirty_ = true;
  bool invalidated_ = false;  // a repaint is already asked for
};

}  // namespace frixa::win
