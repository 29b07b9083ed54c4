// The browser window's fixed layout in twips, as designed, and its texts. Converted to pixels
// with the one conversion of common/twips.h.
#pragma once

#include <array>
#include <cstddef>

#include "common/twips.h"

namespace frixa {

inline constexpr const char* kBrowserCaption = "Frixa Files";
inline constexpr const char* kBrowserHeading = "FRIXA FIle Information";
inline constexpr const char* kGridCaption = "Recorded Loss Information";
inline constexpr const char* kFilePattern = "*.FRIXA";
inline constexpr const char* kFileListTip = "Click to view a Frixa file information";
inline constexpr const char* kDescriptionCaption = "Description";
inline constexpr const char* kCustomCalFolder = "\\Custom Cal";
inline constexpr int kCommentMaxLength = 255;
// Beside the information of the calibration file whose loss curve the host compensates with.
inline constexpr const char* kInUseText = "In use by Torvex2";

inline constexpr TwipsRect kBrowserClientTwips{0, 0, 12030, 3225};

enum class BrowserControl : int {
  RealGrid,
  Comment,
  Dir1,
  File1,
  Drive1,
  DummyGrid,
  Label2,
  Label1,
  DATEPRO,
  HRPM,
  LRPM,
  PPR,
  MOIApplied,
  Labels7,
  Labels6,
  Labels5,
  Labels4,
  Labels3,
  HostStatus,  // beside "Description": whether Torvex2 uses the file shown
  None,
};
inline constexpr std::size_t kBrowserControlCount = static_cast<std::size_t>(BrowserControl::None);

// In creation order; every control lies directly in the window's client area.
inline constexpr std::array<TwipsRect, kBrowserControlCount> kBrowserPlacements{{
    {8340, 60, 3615, 3075},   // RealGrid
    {4020, 2760, 4215, 375},  // Comment
    {120, 540, 2055, 2565},   // Dir1
    {2280, 120, 1635, 3015},  // File1
    {120, 120, 2115, 315},    // Drive1
    {8340, 60, 3615, 3075},   // DummyGrid
    {4020, 2520, 1275, 255},  // Label2
    {4020, 60, 3795, 315},    // Label1
    {6360, 2160, 1935, 195},  // DATEPRO
    {6360, 1680, 1935, 195},  // HRPM
    {6360, 1380, 1935, 195},  // LRPM
    {6360, 900, 1935, 195},   // PPR
    {6360, 600, 1935, 255},   // MOIApplied
    {4020, 2160, 1755, 255},  // Labels(7)
    {4020, 1680, 1755, 255},  // Labels(6)
    {4020, 1380, 1755, 255},  // Labels(5)
    {4020, 900, 1755, 255},   // Labels(4)
    {4020, 600, 2235, 255},   // Labels(3)
    {5400, 2520, 2835, 255},  // HostStatus
}};

inline constexpr TwipsRect BrowserTwips(BrowserControl c) {
  return kBrowserPlacements[static_cast<std::size_t>(c)];
}

// The rule under the heading.
inline constexpr TwipsLine kLine1Twips{4020, 420, 7800, 420};

// The captions of Labels(3) to Labels(7), top to bottom.
inline constexpr std::array<const char*, 5> kValueCaptions{
    "Applied Moment of Inertia", "Pulses / Revolution", "Lowest RPM", "Highest RPM",
    "Date Processed"};

}  // namespace frixa
