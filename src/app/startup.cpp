// Start-up: see startup.h.
#include "app/startup.h"

#include <cstdint>
#include <string>

#include "app/association.h"
#include "app/startup_preview.h"
#include "common/error.h"
#include "common/number_text.h"

namespace frixa {
namespace {

void ReportStartupError(App& app, int number) {
  app.ui.ShowMessage(ErrorOccurredText(number), kStartupCheckTitle, MessageIcon::Exclamation,
                     MessageButtons::Ok);
}

StartupOutcome CheckAndPrepare(App& app, std::string_view commandLine, const NumberLocale& locale,
                               RegistryApi& registry, bool anotherInstanceRunning) {
  app.VersionText = kVersionText;
  if (anotherInstanceRunning) return StartupOutcome::Ended;

  if (commandLine.size() != kCommandLineLength) {
    app.ui.ShowMessage(kOutsideHostText, kApplicationTitle, MessageIcon::Critical,
                       MessageButtons::Ok);
    return StartupOutcome::Ended;
  }

  const HostParameters host = ParseHostCommandLine(commandLine, locale);
  app.InertiaFactor = host.inertiaFactor;
  app.SensorMassRatio = host.sensorMassRatio;

  RemoveFileAssociation(registry, kAssociationExtension);
  RegisterFileAssociation(registry, kAssociationExtension, app.AppPath + "\\",
                          kAssociationTypeName, kAssociationDescription,
                          app.AppPath + "\\" + kIconFileName);

  RunStartupPreview(app);  // the preview reports its own failures
  return StartupOutcome::Shown;
}

}  // namespace

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

// The length of `name` when the line starts with it as a whole word (a blank or the end after
// it), else 0.
std::size_t LeadingName(std::string_view line, std::string_view name) {
  if (name.empty() || line.size() < name.size()) return 0;
  if (!SameText(line.substr(0, name.size()), name)) return 0;
  return line.size() == name.size() || IsBlank(line[name.size()]) ? name.size() : 0;
}

}  // namespace

std::string_view ArgumentText(std::string_view line, std::string_view modulePath) {
  std::size_t i = 0;
  if (!line.empty() && line[0] == '"') {
    const auto close = line.find('"', 1);
    i = close == std::string_view::npos ? line.size() : close + 1;
  } else {
    i = LeadingName(line, modulePath);
    if (i == 0 && modulePath.size() > 4 &&
        SameText(modulePath.substr(modulePath.size() - 4), ".exe")) {
      i = LeadingName(line, modulePath.substr(0, modulePath.size() - 4));
    }
    while (i < line.size() && !IsBlank(line[i])) ++i;
  }
  while (i < line.size() && IsBlank(line[i])) ++i;
  return line.substr(i);
}

StartupOutcome RunStartup(App& app, std::string_view commandLine, const NumberLocale& locale,
                          RegistryApi& registry, bool anotherInstanceRunning) {
  try {
    return CheckAndPrepare(app, commandLine, locale, registry, anotherInstanceRunning);
  } catch (...) {
    ReportStartupError(app, CurrentError().number());
  }
  return StartupOutcome::Ended;
}

}  // namespace frixa
