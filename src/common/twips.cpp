// Twips to pixels: see twips.h.
#include "common/twips.h"

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

}  // namespace frixa
