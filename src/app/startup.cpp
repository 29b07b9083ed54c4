// Start-up: see startup.h.
#include "app/startup.h"

#include <cstdint>
#include <new>
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

std::string_view ArgumentText(std::string_view line) {
  std::size_t i = 0;
  if (!line.empty() && line[0] == '"') {
    const auto close = line.find('"', 1);
    i = close == std::string_view::npos ? line.size() : close + 1;
  }
  while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  return line.substr(i);
}

StartupOutcome RunStartup(App& app, std::string_view commandLine, const NumberLocale& locale,
                          RegistryApi& registry, bool anotherInstanceRunning) {
  try {
    return CheckAndPrepare(app, commandLine, locale, registry, anotherInstanceRunning);
  } catch (const Error& e) {
    ReportStartupError(app, e.number());
  } catch (const std::bad_alloc&) {
    ReportStartupError(app, errnum::kOutOfMemory);
  }
  return StartupOutcome::Ended;
}

}  // namespace frixa
