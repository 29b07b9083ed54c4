// The main window's layout in pixels: see main_layout.h.
#include "app/main_layout.h"

namespace frixa {

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
