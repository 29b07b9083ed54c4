// The module-level values shared by the commands, with the front end and the program folder
// they run against. Start-up sets VersionText, InertiaFactor and SensorMassRatio; only the graph
// pass sets MinMassRPM and MaxMassRPM.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "common/frontend.h"
#include "frixa_version.h"

namespace frixa {

// "Version : " and the project version (the file VERSION).
inline constexpr const char* kVersionText = "Version : " FRIXA_VERSION_TEXT;

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// Run file and host loss file, in the program folder.
inline constexpr const char* kRunFileName = "Torvex2.000";
inline constexpr const char* kHostLossFileName = "Torvex2.005";
inline constexpr const char* kCalibrationFolderName = "Custom Cal";

struct App {
  explicit App(Frontend& frontend, std::string programFolder = ".")
      : ui(frontend), AppPath(std::move(programFolder)) {}

  Frontend& ui;
  std::string AppPath;  // the program folder, without a trailing separator

  std::string VersionText;
  float InertiaFactor = 0.0f;
  float SensorMassRatio = 0.0f;
  float MinMassRPM = 0.0f;
  float MaxMassRPM = 0.0f;

  // Today's date as the system's short date text; empty means the platform's own. Tests
  // fix it so that stored files can be compared.
  std::function<std::string()> todayShortDate;

  // Set while a command runs: a click served by the event loop during a command must not
  // start a second one (see CommandGuard).
  bool commandRunning = false;

  // The calibration file Create made or Apply was given last; empty before either.
  std::string lastCalibrationFile;

  // A file in the program folder: AppPath, the separator, then the name.
  std::string ProgramFile(std::string_view name) const {
    std::string path = AppPath;
    path += kPathSeparator;
    path += name;
    return path;
  }
};

// Marks a command as running for its lifetime. `Acquired()` is false when another command
// was already running: the caller then returns without doing anything.
class CommandGuard {
 public:
  explicit CommandGuard(App& app) : app_(app), acquired_(!app.commandRunning) {
    if (acquired_) app_.commandRunning = true;
  }
  ~CommandGuard() {
    if (acquired_) app_.commandRunning = false;
  }
  CommandGuard(const CommandGuard&) = delete;
  CommandGuard& operator=(const CommandGuard&) = delete;
  bool Acquired() const { return acquired_; }

 private:
  App& app_;
  bool acquired_;
};

}  // namespace frixa
