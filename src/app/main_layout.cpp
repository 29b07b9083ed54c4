// The main window's layout in pixels: see main_layout.h.
#include "app/main_layout.h"

#include <cstdint>

namespace frixa {

int TwipsToPixels(int twips, int dpi) {
  // Rounded half away from zero, as MulDiv does, so negative offsets mirror positive ones.
  const std::int64_t num = static_cast<std::int64_t>(twips) * dpi;
  const std::int64_t half = kTwipsPerInch / 2;
  return static_cast<int>(num >= 0 ? (num + half) / kTwipsPerInch
                                   : -((-num + half) / kTwipsPerInch));
}

PixelRect ToPixels(const TwipsRect& r, int dpi) {
  return {TwipsToPixels(r.left, dpi), TwipsToPixels(r.top, dpi), TwipsToPixels(r.width, dpi),
          TwipsToPixels(r.height, dpi)};
}

MainLayout ComputeMainLayout(int dpi) {
  MainLayout layout;
  layout.clientWidth = TwipsToPixels(kMainClientTwips.width, dpi);
  layout.clientHeight = TwipsToPixels(kMainClientTwips.height, dpi);
  for (const MainPlacement& p : kMainPlacements) {
    layout.rects[static_cast<std::size_t>(p.control)] = ToPixels(p.twips, dpi);
  }
  layout.line3From = {TwipsToPixels(kLine3Twips.x1, dpi), TwipsToPixels(kLine3Twips.y1, dpi)};
  layout.line3To = {TwipsToPixels(kLine3Twips.x2, dpi), TwipsToPixels(kLine3Twips.y2, dpi)};
  return layout;
}

PixelRect ClientRectOf(const MainLayout& layout, MainControl control) {
  PixelRect r = layout[control];
  for (const MainPlacement& p : kMainPlacements) {
    if (p.control != control) continue;
    if (p.container != MainControl::None) {
      const PixelRect& outer = ClientRectOf(layout, p.container);
      r.left += outer.left;
      r.top += outer.top;
    }
    break;
  }
  return r;
}

}  // namespace frixa
