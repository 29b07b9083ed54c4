// The main window's fixed layout, in twips as it was designed, in pixels at one DPI.
// A pure function of the screen's DPI, so the geometry is testable without any window; the
// Win32 main window places every control from here and nowhere else.
#pragma once

#include <array>
#include <cstddef>

#include "common/twips.h"

namespace frixa {

// The visible controls of the main window, in creation order. Children lie inside the picture box
// named as their container and are placed relative to it.
enum class MainControl : int {
  ProcessedRPM,    // picture box: the RPM panel
  CurrentRPMDisp,  //   digit display
  ProcessMessage,  //   label "Processed RPM Indication"
  Label3,          //   label "Mass RPM"
  Picture3,        // picture box: the right part of the top band
  Image1,          //   the 104 x 28 picture
  CompensationStatus,  // the host's loss compensation, beside the picture
  CalibrationCheck,    // the last calibration file's check, under the compensation status
  Picture2,        // picture box holding the graphs
  NMGraph,         //   torque losses
  KWGraph,         //   power losses
  Status,          // the status log
  Picture1,        // picture box: the tool band
  ShowFRIXA,       //   buttons, left to right: Quit, ShowFRIXA, Go, ApplyDC, Delete005, HelpDisp
  ApplyDC,
  HelpDisp,
  Delete005,
  Go,
  Quit,
  None,
};
inline constexpr std::size_t kMainControlCount = static_cast<std::size_t>(MainControl::None);

struct MainPlacement {
  MainControl control;
  MainControl container;  // None: the main window's client area
  TwipsRect twips;
};

inline constexpr TwipsRect kMainClientTwips{0, 0, 11235, 6780};

// Every visible control of the main window, in creation order.
inline constexpr std::array<MainPlacement, kMainControlCount> kMainPlacements{{
    {MainControl::ProcessedRPM, MainControl::None, {60, 5880, 3135, 795}},
    {MainControl::CurrentRPMDisp, MainControl::ProcessedRPM, {1800, 300, 1005, 345}},
    {MainControl::ProcessMessage, MainControl::ProcessedRPM, {60, 60, 2955, 255}},
    {MainControl::Label3, MainControl::ProcessedRPM, {180, 360, 855, 255}},
    {MainControl::Picture3, MainControl::None, {4560, 0, 6675, 675}},
    {MainControl::Image1, MainControl::Picture3, {4920, 120, 1560, 420}},
    {MainControl::CompensationStatus, MainControl::Picture3, {120, 15, 4680, 270}},
    {MainControl::CalibrationCheck, MainControl::Picture3, {120, 285, 4680, 390}},
    {MainControl::Picture2, MainControl::None, {3300, 720, 7875, 5955}},
    {MainControl::NMGraph, MainControl::Picture2, {-60, 2760, 7995, 3255}},
    {MainControl::KWGraph, MainControl::Picture2, {0, 0, 7875, 3315}},
    {MainControl::Status, MainControl::None, {60, 720, 3135, 5055}},
    {MainControl::Picture1, MainControl::None, {0, 0, 4515, 675}},
    {MainControl::ShowFRIXA, MainControl::Picture1, {660, 0, 555, 615}},
    {MainControl::ApplyDC, MainControl::Picture1, {2580, 0, 615, 615}},
    {MainControl::HelpDisp, MainControl::Picture1, {3840, 0, 615, 615}},
    {MainControl::Delete005, MainControl::Picture1, {3180, 0, 615, 615}},
    {MainControl::Go, MainControl::Picture1, {1260, 0, 1275, 615}},
    {MainControl::Quit, MainControl::Picture1, {0, 0, 615, 615}},
}};

// The short rule in the RPM panel between "Mass RPM" and the digits, in panel coordinates.
inline constexpr TwipsLine kLine3Twips{1200, 480, 1620, 480};

// The layout in pixels at one DPI.
struct MainLayout {
  int clientWidth = 0;
  int clientHeight = 0;
  std::array<PixelRect, kMainControlCount> rects{};  // relative to each control's container
  PixelPoint line3From{}, line3To{};

  const PixelRect& operator[](MainControl c) const { return rects[static_cast<std::size_t>(c)]; }
};

MainLayout ComputeMainLayout(int dpi);

// The about box: the program's picture and its version over the background, and an OK button.
inline constexpr TwipsRect kAboutClientTwips{0, 0, 4200, 2160};
inline constexpr TwipsRect kAboutLogoTwips{1320, 240, 1560, 420};
inline constexpr TwipsRect kAboutDescriptionTwips{240, 840, 3720, 255};
inline constexpr TwipsRect kAboutVersionTwips{240, 1140, 3720, 255};
inline constexpr TwipsRect kAboutOkTwips{1560, 1560, 1080, 375};

// Where a control lies in the main window's client area (its container's offset added).
PixelRect ClientRectOf(const MainLayout& layout, MainControl control);

}  // namespace frixa
