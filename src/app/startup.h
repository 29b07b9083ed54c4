// Room app/, no window: may include common/ up to analysis/ (docs/architecture.md).
// Start-up: the main window's load step. Decides whether the program runs at all, takes the
// host's parameters from the command line, renews the .Frixa association and then either
// previews the last run or leaves Create disabled. Runs once, before the main window is shown.
#pragma once

#include <string_view>

#include "app/command_line.h"
#include "common/app.h"
#include "platform/registry.h"

namespace frixa {

inline constexpr const char* kOutsideHostText = "Frixa cannot be run outside Torvex2";
inline constexpr const char* kStartupCheckTitle = "Frixa Startup Check";

// What the calibration file type is registered as.
inline constexpr const char* kAssociationExtension = "Frixa";
inline constexpr const char* kAssociationTypeName = "Frixa";
inline constexpr const char* kAssociationDescription = "Torvex2 Mechanical Losses";
inline constexpr const char* kIconFileName = "Frixa.ICO";

// The command line as start-up takes it from the process's full command line: everything after
// the program's name and the blanks that follow it; blanks at the end are kept. As the system
// reads it, a quoted name ends at its closing quote (a blank after it or not) and an unquoted
// one at the first blank, except that an unquoted name that is the program's own full path
// `modulePath` (with or without its ".exe", any case) is taken whole, blanks in it included.
std::string_view ArgumentText(std::string_view processCommandLine,
                              std::string_view modulePath = {});

enum class StartupOutcome {
  Ended,  // the program ends without showing its main window
  Shown,  // the main window is to be shown (with or without the preview)
};

// `commandLine` is the whole argument text after the program's name (blanks at its end kept).
// Sets app.VersionText first; a second instance ends silently; a command line of any length
// but 19 gets "Frixa cannot be run outside Torvex2"; a field that does not convert gets
// "An ERROR ( 13) has occured" titled "Frixa Startup Check" with the registry untouched.
// Otherwise the association is renewed (statuses ignored) and the preview decision made.
StartupOutcome RunStartup(App& app, std::string_view commandLine, const NumberLocale& locale,
                          RegistryApi& registry, bool anotherInstanceRunning);

}  // namespace frixa
