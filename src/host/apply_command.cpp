// The Apply command: see apply_command.h.
#include "host/apply_command.h"

#include <cstdio>
#include <string>

#include "calfile/create_command.h"
#include "calfile/file_names.h"
#include "calfile/recorded_fit.h"
#include "common/error.h"
#include "common/number_text.h"
#include "common/status_log.h"
#include "platform/whole_file.h"
#include "templates/build_file.h"
#include "templates/template_ids.h"

namespace frixa {
namespace {

constexpr const char* kApplyTitle = "Frixa - Torvex Interface";
constexpr const char* kLossesStatement = "Select * from Losses";

}  // namespace

CommandOutcome ApplyCommand(App& app, DataControls& dc, ApplyCurve curve) {
  return ApplyCommand(app, dc, [curve](Frontend&, const std::string&) { return curve; });
}

CommandOutcome ApplyCommand(App& app, DataControls& dc, const ApplyCurveChoice& choose) {
  ApplyCurve curve = ApplyCurve::Stored;
  CommandGuard guard(app);
  if (!guard.Acquired()) return CommandOutcome::Refused(0, false);
  Frontend& ui = app.ui;
  const std::string hostFile = app.ProgramFile(kHostLossFileName);
  const std::string buildFile = app.ProgramFile(kHostLossBuildName);
  try {
    OpenCommandLog(ui, "Apply a Frixa File");

    std::string chosen = ui.AskFileName(CalibrationFileDialog(
        app, "Frix Losses Files (*.FRIXA)|*.FRIXA|", kDialogCreatePrompt | kDialogHideReadOnly,
        "Apply a Losses file to Torvex2"));
    if (chosen.empty()) return CommandOutcome::Cancelled();
    chosen = WithCalibrationExtension(std::move(chosen));
    ui.AppendStatusLine("Source Filename : " + StripPathAndExtension(chosen) +
                        kCalibrationExtension);
    ui.AppendStatusLine("");
    ui.RepaintStatus();
    app.lastCalibrationFile = chosen;
    curve = choose(ui, chosen);

    // The fitted curve is made (or refused) before anything is written.
    std::vector<LossCurveRow> fitted;
    if (curve == ApplyCurve::Fitted) fitted = FittedLossCurve(chosen);

    // A leftover of an interrupted Apply goes first; that there is none is no error.
    std::remove(buildFile.c_str());
    BuildFileFromResource(ui, buildFile, kHostTemplateId, kTemplateResourceType);
    ui.AppendStatusLine("Initializing Torvex2 System");
    ui.RepaintStatus();

    Bind(dc.LossCal, buildFile, kLossesStatement);
    while (!dc.LossCal.Eof()) {
      dc.LossCal.Delete();
      dc.LossCal.MoveNext();
    }
    // The chosen file must open and hold a Losses table before the host's file is touched.
    Bind(dc.LD, chosen, kLossesStatement);

    ui.AppendStatusLine("Writing losses data to Torvex2 System");
    ui.AppendStatusLine("");
    ui.AppendStatusLine("Wait........");
    ui.AppendStatusLine("");
    ui.RepaintStatus();
    if (curve == ApplyCurve::Fitted) {
      // The model's rows, typed as the smoothed calibration stores them.
      for (const LossCurveRow& row : fitted) {
        dc.LossCal.AddNew();
        dc.LossCal.SetField(0, FieldValue::Integer(row.rpm));
        dc.LossCal.SetField(1, FieldValue::Single(static_cast<float>(row.kw)));
        dc.LossCal.SetField(2, FieldValue::Single(static_cast<float>(row.nm)));
        dc.LossCal.Update();
      }
      while (!dc.LD.Eof()) dc.LD.MoveNext();
    } else if (dc.LD.HoldsOnlyNumbers() && dc.LD.FieldCount() >= 3) {
      // A curve of numbers, as Create writes it: read typed, appended in bulk.
      for (RecordSet::NumberScan scan = dc.LD.ScanNumbers(); scan.Next();) {
        dc.LossCal.AppendRow({scan.Field(0), scan.Field(1), scan.Field(2)});
      }
      while (!dc.LD.Eof()) dc.LD.MoveNext();  // LD ends past its last row, as the copy leaves it
    }
    while (!dc.LD.Eof()) {
      dc.LossCal.AddNew();
      dc.LossCal.SetField(0, dc.LD.Fields(0));
      dc.LossCal.SetField(1, dc.LD.Fields(1));
      dc.LossCal.SetField(2, dc.LD.Fields(2));
      dc.LossCal.Update();
      dc.LD.MoveNext();
    }
    Release(dc.LossCal);

    // The complete new file replaces the old one in one step, once its data is on the disk.
    PutFileInPlace(buildFile, hostFile);

    ui.AppendStatusLine("********");
    ui.AppendStatusLine("Done");
    ui.AppendStatusLine("********");
    return CommandOutcome::Completed();
  } catch (...) {
    const Error error = CurrentError();
    const int number = error.number();
    // The fitted choice's refusal says why; every other failure reads as it always has.
    ui.ShowMessage(number == errnum::kSmoothingRefused && curve == ApplyCurve::Fitted
                       ? ErrorOccurredText(number, ": " + error.description())
                       : ErrorOccurredText(number),
                   kApplyTitle, MessageIcon::Exclamation,
                   MessageButtons::Ok);
    try {
      Release(dc.LossCal);
    } catch (...) {
    }
    std::remove(buildFile.c_str());
    return CommandOutcome::Failed(number, true);
  }
}

}  // namespace frixa
