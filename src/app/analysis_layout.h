// The analysis window's layout: a row of buttons with the torque/power switch, the reference
// line, the graph and the file list below it. The window may be resized, so the layout is a
// function of its client size; it is designed in twips and converted with the same rounding
// as the other windows (app/main_layout.h).
#pragma once

#include <array>
#include <cstddef>

#include "app/main_layout.h"

namespace frixa {

inline constexpr const char* kAnalysisCaption = "Frixa Analysis";

enum class AnalysisControl : int {
  Add,
  Remove,
  Reference,
  Combine,
  Smooth,
  SavePicture,
  Report,
  Close,
  Torque,  // the switch: torque losses or power losses
  Power,
  ReferenceLine,  // which curve the differences are taken to
  Graph,
  List,
  None,
};
inline constexpr std::size_t kAnalysisControlCount =
    static_cast<std::size_t>(AnalysisControl::None);
inline constexpr std::size_t kAnalysisButtonCount = 8;  // Add to Close

// The captions of the buttons and the switch, in control order.
inline constexpr std::array<const char*, 10> kAnalysisCaptions{
    "Add", "Remove", "Reference", "Combine", "Smooth", "Save Picture", "Report", "Close",
    "Torque", "Power"};

// The client area the window opens with, and the smallest it can be made.
inline constexpr TwipsRect kAnalysisClientTwips{0, 0, 12030, 7500};
inline constexpr int kAnalysisMinWidthTwips = 11430;
inline constexpr int kAnalysisMinHeightTwips = 4500;

struct AnalysisLayout {
  std::array<PixelRect, kAnalysisControlCount> rects{};
  const PixelRect& operator[](AnalysisControl c) const {
    return rects[static_cast<std::size_t>(c)];
  }
};

// The controls' places in a client area of the given size in pixels (at least the minimum).
AnalysisLayout ComputeAnalysisLayout(int clientWidth, int clientHeight, int dpi);

}  // namespace frixa
