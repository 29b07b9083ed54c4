// The analysis window's layout: see analysis_layout.h.
#include "app/analysis_layout.h"

#include <algorithm>
#include <cstdint>

namespace frixa {
namespace {

constexpr int kMargin = 120;
constexpr int kGap = 60;
constexpr int kButtonTop = 60;
constexpr int kButtonHeight = 375;
constexpr int kButtonWidth = 1095;
constexpr int kSwitchWidth = 900;
constexpr int kLineHeight = 255;
constexpr int kGraphShare = 60;  // % of the height below the reference line

int PixelsToTwips(int pixels, int dpi) {
  return static_cast<int>(static_cast<std::int64_t>(pixels) * kTwipsPerInch / std::max(dpi, 1));
}

}  // namespace

AnalysisLayout ComputeAnalysisLayout(int clientWidth, int clientHeight, int dpi) {
  const int w = std::max(PixelsToTwips(clientWidth, dpi), kAnalysisMinWidthTwips);
  const int h = std::max(PixelsToTwips(clientHeight, dpi), kAnalysisMinHeightTwips);
  AnalysisLayout layout;
  const auto put = [&](AnalysisControl c, TwipsRect r) {
    layout.rects[static_cast<std::size_t>(c)] = ToPixels(r, dpi);
  };
  for (std::size_t i = 0; i < kAnalysisButtonCount; ++i) {
    const int left = kMargin + static_cast<int>(i) * (kButtonWidth + kGap);
    put(static_cast<AnalysisControl>(i), {left, kButtonTop, kButtonWidth, kButtonHeight});
  }
  // The switch at the right end of the row.
  put(AnalysisControl::Power, {w - kMargin - kSwitchWidth, kButtonTop, kSwitchWidth, kButtonHeight});
  put(AnalysisControl::Torque,
      {w - kMargin - 2 * kSwitchWidth, kButtonTop, kSwitchWidth, kButtonHeight});
  const int lineTop = kButtonTop + kButtonHeight + kGap;
  put(AnalysisControl::ReferenceLine, {kMargin, lineTop, w - 2 * kMargin, kLineHeight});
  const int graphTop = lineTop + kLineHeight + kGap;
  const int below = h - graphTop - kMargin - kGap;
  const int graphHeight = below * kGraphShare / 100;
  put(AnalysisControl::Graph, {kMargin, graphTop, w - 2 * kMargin, graphHeight});
  const int listTop = graphTop + graphHeight + kGap;
  put(AnalysisControl::List, {kMargin, listTop, w - 2 * kMargin, h - kMargin - listTop});
  return layout;
}

}  // namespace frixa
