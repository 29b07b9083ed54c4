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

namespace frixa::cli {
namespace {

void WritePointsCsv(const std::string& path, const std::vector<PlottedPoint>& points) {
  struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "w"));
  if (!file) throw std::runtime_error("cannot write " + path);
  std::fprintf(file.get(), "graph,x,y\n");
  for (const auto& p : points) {
    std::fprintf(file.get(), "%s,%.17g,%.17g\n", p.graph == Graph::Power ? "KWGraph" : "NMGraph",
                 p.x, p.y);
  }
  if (std::fclose(file.release()) != 0) throw std::runtime_error("cannot write " + path);
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

  RunStartupPreview(app);
  std::fflush(stdout);
  if (csv) WritePointsCsv(*csv, ui.points);
  return ui.errorMessages > 0 ? kExitError : kExitOk;
}

}  // namespace

FRIXA_CLI_COMMAND({"preview", "preview --folder DIR --inertia X --ratio Y [--points-csv FILE]",
                   "Show the start-up preview of DIR's run file (Torvex2.000): the status log on "
                   "stdout, message boxes on stderr, plotted points to a CSV file if asked. Exit "
                   "1 if an error message was shown.",
                   RunPreview})

}  // namespace frixa::cli
