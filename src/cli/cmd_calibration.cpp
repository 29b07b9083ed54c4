// frixa-cli create, apply, remove and info: the calibration commands of the main window and the
// browser's view of a file, on a program folder.
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/startup_preview.h"
#include "browser/file_browser.h"
#include "browser/info_display.h"
#include "calfile/create_command.h"
#include "cli/cli.h"
#include "cli/console_frontend.h"
#include "common/app.h"
#include "common/error.h"
#include "host/apply_command.h"
#include "host/remove_command.h"
#include "recordset/data_controls.h"

namespace frixa::cli {

void PrintInfoLines(const InfoDisplay& d) {
  std::printf("Applied Moment of Inertia: %s\n", d.moiApplied.c_str());
  std::printf("Pulses / Revolution: %s\n", d.ppr.c_str());
  std::printf("Lowest RPM: %s\n", d.lowRpm.c_str());
  std::printf("Highest RPM: %s\n", d.highRpm.c_str());
  std::printf("Date Processed: %s\n", d.date.c_str());
  std::printf("Description: %s\n", d.comment.c_str());
}
namespace {

// What a user would have typed into a dialog that opens on DIR's "Custom Cal" folder: a bare
// name lands there, a path stays as given.
std::string DialogAnswer(const App& app, const std::string& typed) {
  if (std::filesystem::path(typed).has_parent_path()) return typed;
  return app.ProgramFile(kCalibrationFolderName) + kPathSeparator + typed;
}

int RunCreate(const std::vector<std::string>& args) {
  const Options opt(args, {"folder", "inertia", "ratio", "out"});
  if (!opt.Positional().empty()) throw UsageError("unexpected argument '" + opt.Positional()[0] + "'");
  ConsoleFrontend ui;
  App app(ui, opt.Require("folder"));
  app.VersionText = kVersionText;
  app.InertiaFactor = opt.RequireSingle("inertia");
  app.SensorMassRatio = opt.RequireSingle("ratio");
  const std::string name = opt.Require("out");

  // Start-up's preview finds the RPM range Create works over; its log is not Create's, but a
  // failure it reported is the command's too.
  ui.quiet = true;
  CommandOutcome outcome;
  if (const auto preview = RunStartupPreview(app)) outcome.NoteStep(*preview);
  ui.quiet = false;

  DataControls dc;
  ui.fileNames.push_back(DialogAnswer(app, name));
  const CommandOutcome created = CreateCalibrationFile(app, dc, PreviewedRange(app));
  outcome.end = created.end;
  outcome.NoteStep(created);
  std::fflush(stdout);
  return ExitCodeOf(outcome);
}

int RunApply(const std::vector<std::string>& args) {
  const Options opt(args, {"folder"}, {"fitted"});
  if (opt.Positional().size() != 1) throw UsageError("expected one calibration file name");
  ConsoleFrontend ui;
  App app(ui, opt.Require("folder"));
  app.VersionText = kVersionText;
  DataControls dc;
  ui.fileNames.push_back(DialogAnswer(app, opt.Positional()[0]));
  const CommandOutcome outcome =
      ApplyCommand(app, dc, opt.Has("fitted") ? ApplyCurve::Fitted : ApplyCurve::Stored);
  std::fflush(stdout);
  return ExitCodeOf(outcome);
}

int RunRemove(const std::vector<std::string>& args) {
  const Options opt(args, {"folder"}, {"yes"});
  if (!opt.Positional().empty()) throw UsageError("unexpected argument '" + opt.Positional()[0] + "'");
  ConsoleFrontend ui;
  ui.yesNoAnswer = opt.Has("yes") ? MessageAnswer::Yes : MessageAnswer::No;
  App app(ui, opt.Require("folder"));
  // A failure is told in the status log only ("Already inactive...."): no error message.
  const CommandOutcome outcome = RemoveCommand(app);
  std::fflush(stdout);
  return ExitCodeOf(outcome);
}

int RunInfo(const std::vector<std::string>& args) {
  const Options opt(args, {});
  if (opt.Positional().size() != 1) throw UsageError("expected one calibration file");
  RecordSet info;
  try {
    Bind(info, opt.Positional()[0], "select * from Info");
    const InfoDisplay d = ReadInfoDisplay(info, '.');
    PrintInfoLines(d);
  } catch (const Error& e) {
    std::fprintf(stderr, "frixa-cli info: %s (error %d)\n", e.description().c_str(), e.number());
    return kExitError;
  }
  return kExitOk;
}

int RunComment(const std::vector<std::string>& args) {
  const Options opt(args, {});
  if (opt.Positional().size() != 2) throw UsageError("expected a calibration file and a comment");
  const std::string& path = opt.Positional()[0];
  FileBrowser browser('.');
  if (!browser.ShowFile(path)) {
    std::fprintf(stderr, "frixa-cli comment: %s cannot be shown as a calibration file\n", path.c_str());
    return kExitError;
  }
  const bool saved = browser.SaveComment(opt.Positional()[1]);
  browser.Release();
  if (!saved) {
    std::fprintf(stderr, "frixa-cli comment: %s\n", browser.saveError().c_str());
    return kExitError;
  }
  return kExitOk;
}

}  // namespace

FRIXA_CLI_COMMAND({"create", "create --folder DIR --inertia X --ratio Y --out NAME",
                   "Preview DIR's last run as start-up does, then Create the calibration file NAME "
                   "(typed into the dialog: a bare name goes into DIR/Custom Cal, \".Frixa\" is "
                   "added unless the name ends in it). Create's status log on stdout.",
                   RunCreate})
FRIXA_CLI_COMMAND({"apply", "apply --folder DIR NAME [--fitted]",
                   "Apply the calibration file NAME (as chosen in the dialog) to the host: "
                   "rebuilds DIR/Torvex2.005 from its loss curve, or with --fitted from the "
                   "friction model fitted to its revolutions (as smooth writes it; refused, "
                   "error 1001, when that fit is not sound).",
                   RunApply})
FRIXA_CLI_COMMAND({"remove", "remove --folder DIR [--yes]",
                   "Remove the host loss file DIR/Torvex2.005; without --yes the question "
                   "\"Are you sure ??\" is answered No.",
                   RunRemove})
FRIXA_CLI_COMMAND({"info", "info FILE",
                   "Show a calibration file's information record as the browser shows it.",
                   RunInfo})
FRIXA_CLI_COMMAND({"comment", "comment FILE TEXT",
                   "Replace a calibration file's comment (its Description) as the browser does "
                   "when it closes on the file.",
                   RunComment})

}  // namespace frixa::cli
