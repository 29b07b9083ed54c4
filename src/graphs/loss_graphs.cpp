// The loss graphs and the graph pass: see loss_graphs.h.
#include "graphs/loss_graphs.h"

#include <cmath>
#include <string>

#include "run/friction_fitter.h"
#include "common/error.h"
#include "common/number_text.h"
#include "common/status_log.h"
#include "run/run_pass.h"

namespace frixa {
namespace {

constexpr const char* kNoDataText =
    "There appears to be NO DATA recorded by Torvex2 in the rundown cycle";
constexpr const char* kNoDataTitle = "Frixa Graph Processor";
constexpr const char* kGraphErrorTitle = "FRIXA Graph Processor";

// Points of the fitted model's line over the run's RPM range.
constexpr int kFitLinePoints = 200;

void ReportGraphPassFailure(App& app, int number) {
  if (number == errnum::kOverflow) {
    // The overflow of 0 / 0: the first record carried no time at all.
    app.ui.ShowMessage(kNoDataText, kNoDataTitle, MessageIcon::Exclamation, MessageButtons::Ok);
  } else {
    app.ui.ShowMessage(ErrorOccurredText(number, " Graphing the Run data"), kGraphErrorTitle,
                       MessageIcon::Exclamation, MessageButtons::Ok);
  }
  app.ui.SetCreateEnabled(false);
}

}  // namespace

void PrepareLossGraphs(App& app) {
  app.ui.GraphStartAfresh(Graph::Power);
  app.ui.GraphStartAfresh(Graph::Torque);
  app.ui.DoEvents();
  app.ui.GraphSetUp(Graph::Power);
  app.ui.GraphSetUp(Graph::Torque);
}

CommandOutcome GraphRunData(App& app) {
  Frontend& ui = app.ui;
  double lowestRpm = kGraphPassStartLowestRpm;
  double highestRpm = kGraphPassStartHighestRpm;
  FrictionFitter fitter;
  try {
    const auto header = [&] {
      AppendStepHeading(ui, "Graphing System");
      ui.AppendStatusLine("Initialising Processor");
      lowestRpm = kGraphPassStartLowestRpm;
      highestRpm = kGraphPassStartHighestRpm;
      fitter = FrictionFitter();
      ui.AppendStatusLine("Initialising -  Done");
      ui.AppendStatusLine("Processing");
    };
    // The first two revolutions only prime the calculator (the very first comes out at twice
    // the true speed), so nothing before n = 2 counts. Until the window has settled its
    // losses ramp up from nothing: those points are drawn as start points, and only the settled
    // revolutions feed the fitted model.
    const auto perRevolution = [&](double, std::int32_t n, const RevolutionResults& r) {
      if (n <= 1) return;
      const double whole = std::floor(static_cast<double>(r.rpm));
      if (whole < lowestRpm) lowestRpm = whole;
      if (whole > highestRpm) highestRpm = whole;
      const bool settled = n >= kFirstSettledRevolution;
      const auto plot = [&](Graph graph, float loss) {
        const double y = std::fabs(static_cast<double>(loss));
        if (settled) {
          ui.GraphAddPoint(graph, r.rpm, y);
        } else {
          ui.GraphAddStartPoint(graph, r.rpm, y);
        }
      };
      if (r.power < 0.0f) plot(Graph::Power, r.power);
      if (r.torque < 0.0f) plot(Graph::Torque, r.torque);
      if (settled) fitter.Add(whole + 0.5, std::fabs(static_cast<double>(r.torque)));
    };
    const RunPassOutcome outcome = RunPass(app, WindowPrecision::Single, header, perRevolution);
    if (!outcome.completed) {
      // Corrupt data: reported, graphs and extremes left as they are.
      return CommandOutcome::Failed(errnum::kCorruptRunData, true);
    }

    app.MinMassRPM = static_cast<float>(lowestRpm);
    app.MaxMassRPM = static_cast<float>(highestRpm);
    // The model of the settled revolutions, over the run's range, where one can be fitted.
    const FrictionFit fit = fitter.Fit();
    if (fit.fitted && app.MinMassRPM < app.MaxMassRPM) {
      const double low = app.MinMassRPM;
      const double high = app.MaxMassRPM;
      ui.GraphSetFitLine(Graph::Power, fit.Line(low, high, kFitLinePoints, true));
      ui.GraphSetFitLine(Graph::Torque, fit.Line(low, high, kFitLinePoints, false));
    }
    ui.GraphFinish(Graph::Power);
    ui.GraphFinish(Graph::Torque);
    return CommandOutcome::Completed();
  } catch (...) {
    const int number = CurrentError().number();
    ReportGraphPassFailure(app, number);
    return CommandOutcome::Failed(number, true);
  }
}

}  // namespace frixa
