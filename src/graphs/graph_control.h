// The loss graph control (KWGraph, NMGraph): a title, a vertical loss axis and a horizontal RPM
// axis with tick labels in the graph's formats, and one series of points, on axes that always
// cover every point. Painted from a back buffer that is rebuilt only after a change.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "app/win32_window.h"
#include "graphs/graph_axes.h"

namespace frixa::win {

inline constexpr COLORREF kGraphSeriesColour = RGB(0, 0, 160);

struct GraphLook {
  HFONT titleFont = nullptr;
  HFONT textFont = nullptr;
  COLORREF background = RGB(255, 255, 255);
};

// Draws the whole graph into `r` of `dc` and returns the plot area, inside which every point
// falls. Used by the control's back buffer and by tests rendering into memory.
RECT DrawGraph(HDC dc, const RECT& r, const GraphTexts& texts, const std::vector<GraphPoint>& points,
               const GraphLook& look);

class GraphControl : public CustomWindow {
 public:
  bool Create(HWND parent, int x, int y, int w, int h, const GraphTexts& texts,
              const GraphLook& look, int id);

  // The graph calls: start afresh, set up, add a point to the series, finish the pass.
  void StartAfresh();
  void SetUp();
  void AddPoint(double x, double y);
  void Finish();

  // Raised when the graph gains (true) or loses (false) the keyboard focus.
  std::function<void(bool)> onFocus;

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  void Changed();
  void PaintTo(HDC dc);
  GraphTexts texts_{};
  GraphLook look_{};
  std::vector<GraphPoint> points_;
  Bitmap buffer_;
  bool dirty_ = true;
};

}  // namespace frixa::win
