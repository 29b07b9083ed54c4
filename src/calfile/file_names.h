// The names of calibration files: the file title of a chosen path, the extension a typed name
// gets, the file dialog that chooses one.
#pragma once

#include <string>
#include <string_view>

#include "common/app.h"

namespace frixa {

// The file title of a path without its extension: the text after the last folder separator,
// cut before its first full stop ("C:\Cal\a.b.Frixa" -> "a"). Only the platform's separator
// counts (the backslash on Windows).
std::string StripPathAndExtension(std::string_view path);

// The name a dialog returned, with ".Frixa" appended unless it already ends in exactly that
// (letter case counts: "Rig.FRIXA" becomes "Rig.FRIXA.Frixa").
std::string WithCalibrationExtension(std::string name);

// The file dialog of a command that chooses a calibration file: over the program's "Custom Cal"
// folder, no initial name.
FileDialogSettings CalibrationFileDialog(const App& app, std::string filter, unsigned flags,
                                         std::string title);

}  // namespace frixa
