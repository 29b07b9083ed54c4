// The RPM digits as drawn: right-aligned in their five places, unlit places left dark-free,
// more segments for an 8 than for a 1, and only the rightmost five characters of a longer text.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "win/digit_display.h"

namespace frixa::win {
namespace {

constexpr int kW = 67, kH = 23;  // CurrentRPMDisp at 96 dpi

// Lit (black) pixels per place when `text` is drawn in five places.
std::vector<int> LitPerPlace(const std::string& text) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, kW, kH);
  HGDIOBJ old = SelectObject(dc, bitmap);
  const RECT r{0, 0, kW, kH};
  DrawDigits(dc, r, text, 5, RGB(0, 0, 0));
  std::vector<int> lit(5, 0);
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      if (GetPixel(dc, x, y) == RGB(0, 0, 0)) ++lit[static_cast<std::size_t>(x * 5 / kW)];
    }
  }
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return lit;
}

TEST(DigitDisplay, DigitsAreRightAlignedInFivePlaces) {
  const auto zero = LitPerPlace("0");
  EXPECT_EQ(zero[0] + zero[1] + zero[2] + zero[3], 0);
  EXPECT_GT(zero[4], 0);
  const auto full = LitPerPlace("12345");
  for (int n : full) EXPECT_GT(n, 0);
}

TEST(DigitDisplay, EightLightsMoreSegmentsThanOneAndBlankLightsNone) {
  EXPECT_GT(LitPerPlace("8")[4], LitPerPlace("1")[4] * 2);
  EXPECT_EQ(LitPerPlace("")[4], 0);
}

TEST(DigitDisplay, LongerTextShowsItsLastFiveCharacters) {
  EXPECT_EQ(LitPerPlace("912345"), LitPerPlace("12345"));
}

}  // namespace
}  // namespace frixa::win
