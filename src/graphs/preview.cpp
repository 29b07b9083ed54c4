// The start-up preview: see preview.h.
#include "graphs/preview.h"

#include <string>

#include "common/error.h"
#include "common/number_text.h"
#include "graphs/loss_graphs.h"

namespace frixa {
namespace {

constexpr const char* kPreviewErrorTitle = "Frixa Startup";

void ReportPreviewFailure(App& app, int number) {
  app.ui.ShowMessage(ErrorOccurredText(number), kPreviewErrorTitle, MessageIcon::Exclamation,
                     MessageButtons::Ok);
  app.ui.SetCreateEnabled(false);
}

}  // namespace

CommandOutcome PreviewRun(App& app) {
  Frontend& ui = app.ui;
  CommandOutcome outcome;
  try {
    ui.ClearStatus();
    PrepareLossGraphs(app);
    ui.ClearStatus();
    ui.AppendStatusLine("Loading Data from Torvex2");
    ui.AppendStatusLine(std::string(44, '-'));
    ui.AppendStatusLine("Inertia factor :" + SignedNumberText(app.InertiaFactor) + " Kg/M^2");
    ui.AppendStatusLine("Sensor / Mass Ratio " + SignedNumberText(app.SensorMassRatio) + ":1");
    ui.AppendStatusLine("");

    outcome.NoteStep(GraphRunData(app));  // reports its own failures; the preview goes on

    ui.RepaintMain();
    ui.AppendStatusLine("");
    ui.AppendStatusLine("Minimum Mass RPM : " + SignedNumberText(app.MinMassRPM));
    ui.AppendStatusLine("Maximium Mass RPM : " + SignedNumberText(app.MaxMassRPM));
    ui.AppendStatusLine("");
    const std::string stars(24, '*');
    ui.AppendStatusLine(stars);
    ui.AppendStatusLine("Preview Completed");
    ui.AppendStatusLine(stars);
    ui.StatusCaretToEnd();
    return outcome;
  } catch (...) {
    const int number = CurrentError().number();
    ReportPreviewFailure(app, number);
    return CommandOutcome::Failed(number, true);
  }
}

}  // namespace frixa
