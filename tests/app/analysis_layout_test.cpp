// The analysis window's layout at its opening size and resized: the button row, the switch at
// the right end, the graph over the list, all inside the client area without overlapping.
#include <gtest/gtest.h>

#include "app/analysis_layout.h"

namespace frixa {
namespace {

using AC = AnalysisControl;

bool Overlap(const PixelRect& a, const PixelRect& b) {
  return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
         b.top < a.top + a.height;
}

TEST(AnalysisLayout, OpeningSizeResizedAndBelowTheMinimum) {
  // 12030 x 7500 twips at 96 dpi: 802 x 500 pixels.
  const int w = TwipsToPixels(kAnalysisClientTwips.width, 96);
  const int h = TwipsToPixels(kAnalysisClientTwips.height, 96);
  ASSERT_EQ(w, 802);
  ASSERT_EQ(h, 500);
  const AnalysisLayout l = ComputeAnalysisLayout(w, h, 96);
  EXPECT_EQ(l[AC::Add], (PixelRect{8, 4, 73, 25}));
  EXPECT_EQ(l[AC::Remove], (PixelRect{85, 4, 73, 25}));
  EXPECT_EQ(l[AC::Close].left, 547);
  EXPECT_EQ(l[AC::Power], (PixelRect{734, 4, 60, 25}));
  EXPECT_EQ(l[AC::Torque].left + l[AC::Torque].width, l[AC::Power].left);
  EXPECT_EQ(l[AC::Graph].left, 8);
  EXPECT_EQ(l[AC::Graph].width, 786);
  EXPECT_EQ(l[AC::Graph].top, 54);
  EXPECT_EQ(l[AC::List].top + l[AC::List].height, h - 8);
  for (std::size_t i = 0; i < kAnalysisControlCount; ++i) {
    const PixelRect& a = l.rects[i];
    EXPECT_GE(a.left, 0);
    EXPECT_GE(a.top, 0);
    EXPECT_LE(a.left + a.width, w) << i;
    EXPECT_LE(a.top + a.height, h) << i;
    for (std::size_t j = i + 1; j < kAnalysisControlCount; ++j) {
      EXPECT_FALSE(Overlap(a, l.rects[j])) << i << " " << j;
    }
  }

  // Twice the size: the graph and the list grow, the buttons stay, the switch moves right.
  const AnalysisLayout big = ComputeAnalysisLayout(2 * w, 2 * h, 96);
  EXPECT_EQ(big[AC::Add], l[AC::Add]);
  EXPECT_EQ(big[AC::Power].left + big[AC::Power].width, 2 * w - 8);
  EXPECT_EQ(big[AC::Graph].width, 2 * w - 16);
  EXPECT_GT(big[AC::Graph].height, 2 * l[AC::Graph].height);
  EXPECT_GT(big[AC::List].height, 2 * l[AC::List].height);

  // Smaller than the minimum: laid out at the minimum.
  EXPECT_EQ(ComputeAnalysisLayout(10, 10, 96)[AC::Graph].width,
            TwipsToPixels(kAnalysisMinWidthTwips - 240, 96));
  // At 120 dpi every twips figure scales: 1095 twips wide buttons are 91 pixels.
  EXPECT_EQ(ComputeAnalysisLayout(1003, 625, 120)[AC::Add].width, 91);
}

}  // namespace
}  // namespace frixa
