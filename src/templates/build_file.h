// BuildFileFromResource: writes an embedded template database out as a file. Create uses it
// for a new calibration file (101, "MDB"), Apply for the host loss file (102, "MDB").
#pragma once

#include <string>
#include <string_view>

#include "common/frontend.h"

namespace frixa {

// Title and text of the message box BuildFileFromResource shows when it fails; the text is
// the error number, this, then the error's description.
inline constexpr std::string_view kBuildFileTitle = "Warning";
inline constexpr std::string_view kBuildFileMessage = ":Error in BuildFileFromResource.  Error Message: ";

// Writes resource `resourceId` of type `resourceType` into `fileName` from its first byte and
// returns `fileName`. An existing file is overwritten in place, not shortened: bytes beyond the
// template's length stay, so callers delete an older file first. Raises nothing: on failure
// (no such resource, file not writable) it shows the message above with the critical icon
// and returns "".
std::string BuildFileFromResource(Frontend& ui, const std::string& fileName, int resourceId,
                                  std::string_view resourceType);

}  // namespace frixa
