// The start-up preview decision: see startup_preview.h.
#include "app/startup_preview.h"

#include "graphs/preview.h"

namespace frixa {

std::optional<CommandOutcome> RunStartupPreview(App& app) {
  if (app.InertiaFactor != 0.0f || app.SensorMassRatio != 0.0f) {
    app.ui.ShowMessage(kRundownAssumptionText, kRundownAssumptionTitle, MessageIcon::Information,
                       MessageButtons::Ok);
    return PreviewRun(app);
  }
  app.ui.SetCreateEnabled(false);
  return std::nullopt;
}

}  // namespace frixa
