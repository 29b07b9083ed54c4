// Lengths in twips (1/1440 inch), the unit the windows were designed in, and the one conversion
// to pixels at a screen's DPI. The layouts (app/main_layout.h, browser/browser_layout.h) are
// given in these units, so their geometry is testable without any window.
#pragma once

namespace frixa {

inline constexpr int kTwipsPerInch = 1440;

struct TwipsRect {
  int left, top, width, height;
};
struct TwipsLine {
  int x1, y1, x2, y2;
};
struct PixelRect {
  int left, top, width, height;
  friend bool operator==(const PixelRect&, const PixelRect&) = default;
};
struct PixelPoint {
  int x, y;
  friend bool operator==(const PixelPoint&, const PixelPoint&) = default;
};

// Twips to pixels at `dpi` dots per inch, rounded to the nearest pixel (15 twips = 1 pixel at 96).
int TwipsToPixels(int twips, int dpi);
PixelRect ToPixels(const TwipsRect& r, int dpi);

}  // namespace frixa
