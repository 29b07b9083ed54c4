// The analysis graph as a plot description: the curves of up to kMaxPlotFiles calibration
// files, their fitted models, the spread between them and the host's curve. The window, its PNG
// pictures, the SVG and the PDF report draw it with RenderPlot (graphs/plot.h).
#pragma once

#include <vector>

#include "analysis/analysed_file.h"
#include "graphs/plot.h"

namespace frixa {

struct AnalysisPlotOptions {
  bool power = false;  // power loss (kW) instead of torque loss (N m)
  bool fits = true;    // each file's fitted model as a line over its points, drawn lighter
  bool band = true;    // the spread, with two files or more
};

// The graph of up to kMaxPlotFiles files (further ones are left out) and, when given, the
// host's curve, dashed.
PlotDescription DescribeAnalysisPlot(const std::vector<AnalysedFile>& files,
                                     const std::vector<LossCurveRow>* host,
                                     const AnalysisPlotOptions& options);

}  // namespace frixa
