// The main window's layout in pixels: twips converted at one point, 15 twips a pixel at 96 dpi.
#include <gtest/gtest.h>

#include <array>

#include "app/main_layout.h"

namespace frixa {
namespace {

// The main window's controls as designed: left, top, width and height in twips, each relative to
// its container (the picture box above an indented row).
struct DesignedRect {
  MainControl control;
  int left, top, width, height;
};
constexpr DesignedRect kDesigned[] = {
    {MainControl::ProcessedRPM, 60, 5880, 3135, 795},
    {MainControl::CurrentRPMDisp, 1800, 300, 1005, 345},
    {MainControl::ProcessMessage, 60, 60, 2955, 255},
    {MainControl::Label3, 180, 360, 855, 255},
    {MainControl::Picture3, 4560, 0, 6675, 675},
    {MainControl::Image1, 4920, 120, 1560, 420},
    {MainControl::Picture2, 3300, 720, 7875, 5955},
    {MainControl::NMGraph, -60, 2760, 7995, 3255},
    {MainControl::KWGraph, 0, 0, 7875, 3315},
    {MainControl::Status, 60, 720, 3135, 5055},
    {MainControl::Picture1, 0, 0, 4515, 675},
    {MainControl::ShowFRIXA, 660, 0, 555, 615},
    {MainControl::ApplyDC, 2580, 0, 615, 615},
    {MainControl::HelpDisp, 3840, 0, 615, 615},
    {MainControl::Delete005, 3180, 0, 615, 615},
    {MainControl::Go, 1260, 0, 1275, 615},
    {MainControl::Quit, 0, 0, 615, 615},
};

TEST(MainLayout, AtNinetySixDpiEveryRectIsItsDesignedTwipsOverFifteen) {
  const MainLayout layout = ComputeMainLayout(96);
  EXPECT_EQ(layout.clientWidth * 15, 11235);
  EXPECT_EQ(layout.clientHeight * 15, 6780);
  for (const DesignedRect& d : kDesigned) {
    const PixelRect& r = layout[d.control];
    EXPECT_EQ((std::array<int, 4>{r.left * 15, r.top * 15, r.width * 15, r.height * 15}),
              (std::array<int, 4>{d.left, d.top, d.width, d.height}))
        << "control " << static_cast<int>(d.control);
  }
  // Beside the picture in the top band: the compensation status on one line (120, 15, 4680 x
  // 270 twips), the calibration check on two under it (120, 285, 4680 x 390), down to its foot.
  EXPECT_EQ(layout[MainControl::CompensationStatus], (PixelRect{8, 1, 312, 18}));
  EXPECT_EQ(layout[MainControl::CalibrationCheck], (PixelRect{8, 19, 312, 26}));
  EXPECT_EQ(layout[MainControl::CalibrationCheck].top + layout[MainControl::CalibrationCheck].height,
            layout[MainControl::Picture3].height);
  // Line3 from (1200, 480) to (1620, 480) in the RPM panel.
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
