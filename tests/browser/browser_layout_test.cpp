// The browser window's layout: every control where it was designed, in twips, and in pixels at
// 96 dpi (the window itself is placed from these in the Win32 layer).
#include <gtest/gtest.h>

#include <array>

#include "browser/browser_layout.h"

namespace frixa {
namespace {

using BC = BrowserControl;

struct DesignedRect {
  BC control;
  int left, top, width, height;
};
constexpr DesignedRect kDesigned[] = {
    {BC::RealGrid, 8340, 60, 3615, 3075},  {BC::Comment, 4020, 2760, 4215, 375},
    {BC::Dir1, 120, 540, 2055, 2565},      {BC::File1, 2280, 120, 1635, 3015},
    {BC::Drive1, 120, 120, 2115, 315},     {BC::DummyGrid, 8340, 60, 3615, 3075},
    {BC::Label2, 4020, 2520, 1275, 255},   {BC::Label1, 4020, 60, 3795, 315},
    {BC::DATEPRO, 6360, 2160, 1935, 195},  {BC::HRPM, 6360, 1680, 1935, 195},
    {BC::LRPM, 6360, 1380, 1935, 195},     {BC::PPR, 6360, 900, 1935, 195},
    {BC::MOIApplied, 6360, 600, 1935, 255}, {BC::Labels7, 4020, 2160, 1755, 255},
    {BC::Labels6, 4020, 1680, 1755, 255},  {BC::Labels5, 4020, 1380, 1755, 255},
    {BC::Labels4, 4020, 900, 1755, 255},   {BC::Labels3, 4020, 600, 2235, 255},
};

TEST(BrowserLayout, EveryControlWhereItWasDesigned) {
  EXPECT_EQ(kBrowserClientTwips.width, 12030);
  EXPECT_EQ(kBrowserClientTwips.height, 3225);
  for (const DesignedRect& d : kDesigned) {
    const TwipsRect t = BrowserTwips(d.control);
    EXPECT_EQ((std::array<int, 4>{t.left, t.top, t.width, t.height}),
              (std::array<int, 4>{d.left, d.top, d.width, d.height}))
        << "control " << static_cast<int>(d.control);
  }
  EXPECT_EQ((std::array<int, 4>{kLine1Twips.x1, kLine1Twips.y1, kLine1Twips.x2, kLine1Twips.y2}),
            (std::array<int, 4>{4020, 420, 7800, 420}));
  // At 96 dpi: the grid ends at pixel 797 of the 802 of the client area.
  EXPECT_EQ(ToPixels(BrowserTwips(BC::RealGrid), 96), (PixelRect{556, 4, 241, 205}));
  EXPECT_EQ(ToPixels(BrowserTwips(BC::DATEPRO), 96), (PixelRect{424, 144, 129, 13}));
}

}  // namespace
}  // namespace frixa
