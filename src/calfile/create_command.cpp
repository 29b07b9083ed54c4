// The Create command: see create_command.h.
#include "calfile/create_command.h"

#include <cstdio>
#include <string>

#include "calfile/averaging.h"
#include "calfile/file_names.h"
#include "calfile/info_record.h"
#include "calfile/loss_curve.h"
#include "calfile/physics_processor.h"
#include "calfile/recorded_counts.h"
#include "common/error.h"
#include "common/number_text.h"
#include "common/status_log.h"
#include "platform/whole_file.h"
#include "platform/file_ops.h"
#include "run/run_file.h"
#include "templates/build_file.h"
#include "templates/template_ids.h"

namespace frixa {
namespace {

constexpr const char* kCreateTitle = "Frixa Data Processor";
const std::string kStars(24, '*');

}  // namespace

std::string StartCalibrationFile(Frontend& ui, const std::string& name) {
  // A leftover of an interrupted build goes first; that there is none is no error.
  std::string building = name + kBuildingSuffix;
  std::remove(building.c_str());
  BuildFileFromResource(ui, building, kCalibrationTemplateId, kTemplateResourceType);
  return building;
}

void BindCalibrationTables(DataControls& dc, const std::string& building) {
  Bind(dc.RD, building, "Select * From RawData");
  Bind(dc.PD, building, "Select * From PointData");
  Bind(dc.LD, building, "Select * From Losses");
  Bind(dc.ID, building, "Select * From Info");
  // Nobody else reads the file while it is built: rows are saved when the file is let go.
  dc.RD.SetWriteBehind(true);
}

void CompleteCalibrationFile(DataControls& dc, const std::string& building,
                             const std::string& name) {
  Release(dc.RD);
  Release(dc.PD);
  Release(dc.LD);
  Release(dc.ID);
  PutFileInPlace(building, name);
}

void AbandonCalibrationFile(DataControls& dc, const std::string& building) {
  // A failed build must not leave its file held.
  for (RecordSet* rs : {&dc.RD, &dc.PD, &dc.LD, &dc.ID}) {
    try {
      Release(*rs);
    } catch (...) {
    }
  }
  if (!building.empty()) std::remove(building.c_str());
}

void WriteCalibrationFile(Frontend& ui, const std::string& name,
                          const std::function<void(DataControls&)>& fill) {
  DataControls dc;
  std::string building;
  try {
    building = StartCalibrationFile(ui, name);
    BindCalibrationTables(dc, building);
    fill(dc);
    CompleteCalibrationFile(dc, building, name);
  } catch (...) {
    AbandonCalibrationFile(dc, building);
    throw;
  }
}

CommandOutcome CreateCalibrationFile(App& app, DataControls& dc, const RpmRange& range) {
  CommandGuard guard(app);
  if (!guard.Acquired()) return CommandOutcome::Refused(0, false);
  Frontend& ui = app.ui;
  std::string building;
  CommandOutcome outcome;
  try {
    OpenCommandLog(ui, "Creating a Losses Cal File");

    std::string name = ui.AskFileName(CalibrationFileDialog(
        app, "Frix Losses Files (*.Frixa)|*.Frixa|", kDialogNoChangeDir,
        "Filename to save Losses Information to"));
    if (name.empty()) return CommandOutcome::Cancelled();
    name = WithCalibrationExtension(std::move(name));
    ui.AppendStatusLine("Filename : " + StripPathAndExtension(name) + kCalibrationExtension);

    // Built under a temporary name, renamed when complete (see StartCalibrationFile).
    building = StartCalibrationFile(ui, name);
    ui.AppendStatusLine("Setup : Data Structures");
    ui.RepaintStatus();

    BindCalibrationTables(dc, building);
    ui.AppendStatusLine("");

    // The averages are gathered as RawData's rows are stored, which spares reading them back.
    RawDataAverages gathered = RawDataAverages::For(range);
    // The pass also hands back the run's counts as recorded, kept below.
    std::vector<std::uint32_t> recorded;
    outcome.NoteStep(ProcessRunData(app, dc.RD, &gathered, &recorded));
    ui.SetProcessCaption("Data Averaging");
    // A run that left no point at all has nothing to build a curve from.
    SettledRpms settled;
    if (AverageRawData(ui, range, dc.RD, dc.PD, &settled, &gathered) == 0) throw NoRunData{};
    ui.SetProcessCaption("Final Data Processing");
    BuildLossCurve(ui, range, dc.RD, dc.PD, dc.LD, &settled);
    InfoRecords(ui, SettingsOf(app, range), dc.ID);
    // The run's revolutions as recorded, beside the template's tables, so that the file can
    // be analysed again from them.
    StoreRecordedCounts(building, std::span<const std::uint32_t>(recorded));

    CompleteCalibrationFile(dc, building, name);
    app.lastCalibrationFile = name;

    ui.AppendStatusLine("");
    ui.AppendStatusLine("Minimum Mass RPM : " + SignedNumberText(range.MinMassRPM));
    ui.AppendStatusLine("Maximium Mass RPM : " + SignedNumberText(range.MaxMassRPM));
    ui.AppendStatusLine("Applied Inertia :" + SignedNumberText(app.InertiaFactor));
    ui.AppendStatusLine("");
    ui.AppendStatusLine(kStars);
    ui.AppendStatusLine("Process Completed");
    ui.AppendStatusLine(kStars);
    ui.StatusCaretToEnd();
    return outcome;
  } catch (const NoRunData& e) {
    ui.AppendStatusLine("No Run Data - Terminating");
    ui.ShowMessage(e.description(), kCreateTitle, MessageIcon::Exclamation, MessageButtons::Ok);
    AbandonCalibrationFile(dc, building);
    return CommandOutcome::Refused(e.number(), true);
  } catch (...) {
    const int number = CurrentError().number();
    ui.ShowMessage(ErrorOccurredText(number), kCreateTitle, MessageIcon::Exclamation,
                   MessageButtons::Ok);
    AbandonCalibrationFile(dc, building);
    return CommandOutcome::Failed(number, true);
  }
}

}  // namespace frixa
