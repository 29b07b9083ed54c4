// The physics processor: see physics_processor.h.
#include "calfile/physics_processor.h"

#include <cmath>
#include <span>
#include <string>

#include "calfile/rpm_sums.h"
#include "common/error.h"
#include "common/number_text.h"
#include "common/status_log.h"
#include "run/run_pass.h"

namespace frixa {

CommandOutcome ProcessRunData(App& app, RecordSet& RD, RawDataAverages* gathered,
                              std::vector<std::uint32_t>* recorded) {
  Frontend& ui = app.ui;
  RowBlock raw(RD, 3);  // RPM, KWloss, NMLoss
  if (gathered) {
    raw.onStored = [gathered](std::span<const RowNumber> rows) {
      for (std::size_t at = 0; at < rows.size(); at += 3) gathered->Note(rows.subspan(at, 3));
    };
    raw.onFailed = [gathered] { gathered->Lose(); };
  }
  try {
    ui.SetProcessCaption("Raw Data Processing");
    ui.DoEvents();

    const auto header = [&] {
      AppendStepHeading(ui, "Physics Processor");
      ui.AppendStatusLine("Initialising Processor");
      ui.AppendStatusLine("Initialising -  Done");
    };
    std::string shown;  // the RPM display's text, so that an unchanged value is not redrawn
    float shownValue = 0.0f;
    bool hasShown = false;
    const auto perRevolution = [&](double, std::int32_t n, const RevolutionResults& r) {
      if (n <= 1) return;  // the first two revolutions only prime the calculator
      const float whole = std::floor(r.rpm);
      raw.Add({RowNumber::Single(whole), RowNumber::Single(std::fabs(r.power)),
               RowNumber::Single(std::fabs(r.torque))});
      // The text changes only with the value: formatted only then.
      if (!hasShown || whole != shownValue) {
        std::string digits = PlainWholeNumberText(whole);
        hasShown = true;
        shownValue = whole;
        if (digits != shown) {
          shown = std::move(digits);
          ui.ShowRpm(shown);
        }
      }
      ui.RefreshRpm();
    };
    const RunPassOutcome pass = RunPass(app, WindowPrecision::Double, header, perRevolution, recorded);
    raw.Store();
    // A rejected record ended the pass: the corrupt-data message was shown.
    if (!pass.completed) return CommandOutcome::Failed(errnum::kCorruptRunData, true);
    return CommandOutcome::Completed();
  } catch (...) {
    // The rows of the revolutions before the failure are stored as they would have been one
    // at a time; when one of them fails, that is the failure to report, as it came first.
    int number = CurrentError().number();
    try {
      raw.Store();
    } catch (...) {
      number = CurrentError().number();
    }
    ui.ShowMessage(ErrorOccurredText(number, " processing the Run data"), "Torvex1 Data Processor",
                   MessageIcon::Exclamation, MessageButtons::Ok);
    return CommandOutcome::Failed(number, true);
  }
}

}  // namespace frixa
