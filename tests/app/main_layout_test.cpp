// The main window's layout in pixels: twips converted at one point, 15 twips a pixel at 96 dpi.
#include <gtest/gtest.h>

#include "app/main_layout.h"

namespace frixa {
namespace {

TEST(MainLayout, AtNinetySixDpiEveryRectIsItsTwipsOverFifteen) {
  const MainLayout layout = ComputeMainLayout(96);
  EXPECT_EQ(layout.clientWidth, 749);
  EXPECT_EQ(layout.clientHeight, 452);
  for (const MainPlacement& p : kMainPlacements) {
    SCOPED_TRACE(static_cast<int>(p.control));
    const PixelRect& r = layout[p.control];
    EXPECT_EQ(r.left * 15, p.twips.left);
    EXPECT_EQ(r.top * 15, p.twips.top);
    EXPECT_EQ(r.width * 15, p.twips.width);
    EXPECT_EQ(r.height * 15, p.twips.height);
  }
  EXPECT_EQ(layout.line3From, (PixelPoint{80, 32}));
  EXPECT_EQ(layout.line3To, (PixelPoint{108, 32}));
}

TEST(MainLayout, ToolBandReadsQuitShowGoApplyDeleteHelpFromLeftToRight) {
  const MainLayout layout = ComputeMainLayout(96);
  const MainControl order[] = {MainControl::Quit, MainControl::ShowFRIXA, MainControl::Go,
                               MainControl::ApplyDC, MainControl::Delete005,
                               MainControl::HelpDisp};
  for (std::size_t i = 1; i < std::size(order); ++i) {
    EXPECT_LT(layout[order[i - 1]].left, layout[order[i]].left);
  }
  EXPECT_EQ(layout[MainControl::Go].width, 85);
  EXPECT_EQ(layout[MainControl::Quit].width, 41);
}

TEST(MainLayout, LargerDpiScalesWithRoundingToNearestPixel) {
  EXPECT_EQ(TwipsToPixels(11235, 120), 936);  // 936.25
  EXPECT_EQ(TwipsToPixels(6780, 120), 565);
  EXPECT_EQ(TwipsToPixels(-60, 120), -5);
  EXPECT_EQ(TwipsToPixels(-60, 96), -4);
  EXPECT_EQ(TwipsToPixels(18, 96), 1);   // 1.2
  EXPECT_EQ(TwipsToPixels(23, 96), 2);   // 1.53
  EXPECT_EQ(TwipsToPixels(-23, 96), -2);
  const MainLayout big = ComputeMainLayout(144);
  EXPECT_EQ(big[MainControl::Status], (PixelRect{6, 72, 314, 506}));  // 313.5 and 505.5 round up
}

TEST(MainLayout, ChildrenSitInsideTheirPictureBoxes) {
  const MainLayout layout = ComputeMainLayout(96);
  EXPECT_EQ(ClientRectOf(layout, MainControl::CurrentRPMDisp), (PixelRect{124, 412, 67, 23}));
  EXPECT_EQ(ClientRectOf(layout, MainControl::NMGraph), (PixelRect{216, 232, 533, 217}));
  EXPECT_EQ(ClientRectOf(layout, MainControl::Status), (PixelRect{4, 48, 209, 337}));
  // The torque graph overlaps the bottom 555 twips of the power graph.
  const PixelRect kw = ClientRectOf(layout, MainControl::KWGraph);
  const PixelRect nm = ClientRectOf(layout, MainControl::NMGraph);
  EXPECT_EQ(kw.top + kw.height - nm.top, 37);
}

}  // namespace
}  // namespace frixa
