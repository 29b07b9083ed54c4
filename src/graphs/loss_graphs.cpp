// The loss graphs and the graph pass: see loss_graphs.h.
#include "graphs/loss_graphs.h"

#include <cmath>
#include <string>

#include "common/error.h"
#include "common/number_text.h"
#include "run/run_pass.h"

namespace frixa {
namespace {

constexpr const char* kNoDataText =
    "There appears to be NO DATA recorded by Torvex2 in the rundown cycle";
constexpr const char* kNoDataTitle = "Frixa Graph Processor";
constexpr const char* kGraphErrorTitle = "FRIXA Graph Processor";

// A line of 45 hyphens under a run pass heading.
const std::string kPassRule(45, '-');

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

void GraphRunData(App& app) {
  Frontend& ui = app.ui;
  double lowestRpm = kGraphPassStartLowestRpm;
  double highestRpm = kGraphPassStartHighestRpm;
  try {
    const auto header = [&] {
      ui.AppendStatusLine("Graphing System");
      ui.AppendStatusLine(kPassRule);
      ui.AppendStatusLine("Initialising Processor");
      lowestRpm = kGraphPassStartLowestRpm;
      highestRpm = kGraphPassStartHighestRpm;
      ui.AppendStatusLine("Initialising -  Done");
      ui.AppendStatusLine("Processing");
    };
    // The first two revolutions only prime the calculator (the very first comes out at twice
    // the true speed), so nothing before n = 2 counts.
    const auto perRevolution = [&](double, std::int32_t n, const RevolutionResults& r) {
      if (n <= 1) return;
      const double whole = std::floor(static_cast<double>(r.rpm));
      if (whole < lowestRpm) lowestRpm = whole;
      if (whole > highestRpm) highestRpm = whole;
      if (r.power < 0.0f) {
        ui.GraphAddPoint(Graph::Power, r.rpm, std::fabs(static_cast<double>(r.power)));
      }
      if (r.torque < 0.0f) {
        ui.GraphAddPoint(Graph::Torque, r.rpm, std::fabs(static_cast<double>(r.torque)));
      }
    };
    const RunPassOutcome outcome = RunPass(app, WindowPrecision::Single, header, perRevolution);
    if (!outcome.completed) return;  // corrupt data: reported, graphs and extremes left as they are

    app.MinMassRPM = static_cast<float>(lowestRpm);
    app.MaxMassRPM = static_cast<float>(highestRpm);
    ui.GraphFinish(Graph::Power);
    ui.GraphFinish(Graph::Torque);
  } catch (...) {
    ReportGraphPassFailure(app, CurrentError().number());
  }
}

}  // namespace frixa
