// frixa-cli plot: the analysis graph of some calibration files (and the host's curve in use)
// as an SVG picture.
#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "analysis/analysed_file.h"
#include "analysis/plot.h"
#include "analysis/plot_svg.h"
#include "cli/cli.h"
#include "common/error.h"

namespace frixa::cli {
namespace {

// The picture's size in points: 10 x 6 inches.
constexpr double kSvgWidth = 720;
constexpr double kSvgHeight = 432;

int RunPlot(const std::vector<std::string>& args) {
  const Options opt(args, {"out", "host"}, {"power"});
  if (opt.Positional().empty()) throw UsageError("expected one calibration file or more");
  const std::string out = opt.Require("out");
  std::vector<AnalysedFile> files;
  std::optional<std::vector<LossCurveRow>> host;
  try {
    for (const std::string& path : opt.Positional()) files.push_back(ReadAnalysedFile(path));
    if (const auto folder = opt.Get("host")) host = ReadHostCurve(*folder);
  } catch (const Error& e) {
    std::fprintf(stderr, "frixa-cli plot: %s (error %d)\n", e.description().c_str(), e.number());
    return kExitError;
  }
  if (opt.Get("host") && !host) {
    std::fprintf(stderr, "frixa-cli plot: no Torvex2.005 in %s\n", opt.Get("host")->c_str());
    return kExitError;
  }
  AnalysisPlotOptions options;
  options.power = opt.Has("power");
  try {
    WritePlotSvg(out, DescribeAnalysisPlot(files, host ? &*host : nullptr, options), kSvgWidth,
                 kSvgHeight);
  } catch (const Error& e) {
    std::fprintf(stderr, "frixa-cli plot: cannot write %s: %s (error %d)\n", out.c_str(),
                 e.description().c_str(), e.number());
    return kExitError;
  }
  if (files.size() > std::size_t{kMaxPlotFiles}) {
    std::printf("Only the first %d files are drawn.\n", kMaxPlotFiles);
  }
  std::printf("Plot of %zu file(s)%s: %s\n",
              std::min(files.size(), std::size_t{kMaxPlotFiles}), host ? " and Torvex2.005" : "",
              out.c_str());
  return kExitOk;
}

}  // namespace

FRIXA_CLI_COMMAND({"plot", "plot FILE... [--power] [--host DIR] --out F.svg",
                   "Draw the torque losses (power losses with --power) of up to 8 calibration "
                   "files with their fitted models and the spread between them, and the curve "
                   "of DIR's Torvex2.005, as an SVG picture.",
                   RunPlot})

}  // namespace frixa::cli
