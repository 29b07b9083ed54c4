// frixa-cli preview: the start-up preview of a program folder's last run, as the main window
// would show it after the host started the program with the given parameters.
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <string>

#include "app/startup_preview.h"
#include "cli/cli.h"
#include "cli/console_frontend.h"
#include "common/app.h"
#include "common/error.h"
#include "platform/whole_file.h"

namespace frixa::cli {
namespace {

// Lines end as in the platform's text files.
#ifdef _WIN32
constexpr const char* kLineEnd = "\r\n";
#else
constexpr const char* kLineEnd = "\n";
#endif

// The points as CSV, written as a whole file (frixa::Error 75 or 70, see WriteWholeFile).
void WritePointsCsv(const std::string& path, const std::vector<PlottedPoint>& points) {
  std::string csv = std::string("graph,x,y") + kLineEnd;
  char line[80];
  for (const auto& p : points) {
    std::snprintf(line, sizeof line, "%s,%.17g,%.17g%s",
                  p.graph == Graph::Power ? "KWGraph" : "NMGraph", p.x, p.y, kLineEnd);
    csv += line;
  }
  WriteWholeFile(path, csv);
}

int RunPreview(const std::vector<std::string>& args) {
  const Options opt(args, {"folder", "inertia", "ratio", "points-csv"});
  if (!opt.Positional().empty()) throw UsageError("unexpected argument '" + opt.Positional()[0] + "'");
  ConsoleFrontend ui;
  App app(ui, opt.Require("folder"));
  app.VersionText = kVersionText;
  app.InertiaFactor = opt.RequireSingle("inertia");
  app.SensorMassRatio = opt.RequireSingle("ratio");
  const auto csv = opt.Get("points-csv");
  ui.keepPoints = csv.has_value();

  const std::optional<CommandOutcome> outcome = RunStartupPreview(app);
  std::fflush(stdout);
  if (csv) {
    try {
      WritePointsCsv(*csv, ui.points);
    } catch (const Error& e) {
      std::fprintf(stderr, "frixa-cli preview: cannot write %s: %s (error %d)\n", csv->c_str(),
                   e.description().c_str(), e.number());
      return kExitError;
    }
  }
  return outcome ? ExitCodeOf(*outcome) : kExitOk;
}

}  // namespace

FRIXA_CLI_COMMAND({"preview", "preview --folder DIR --inertia X --ratio Y [--points-csv FILE]",
                   "Show the start-up preview of DIR's run file (Torvex2.000): the status log on "
                   "stdout, message boxes on stderr, plotted points to a CSV file if asked. Exit "
                   "1 if an error message was shown.",
                   RunPreview})

}  // namespace frixa::cli
