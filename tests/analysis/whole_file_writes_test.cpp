// Whole files written through their own entry points (WritePng, WritePlotSvg,
// WriteCalibrationReport, and WholeFileWriter in parts): a failure at any step, a write failing
// midway among them, leaves the older file of the name byte for byte and no temporary, with
// error 75 (70 when the temporary cannot replace it); a complete write replaces it.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "analysis/plot.h"
#include "analysis/plot_svg.h"
#include "analysis/png_writer.h"
#include "analysis/report.h"
#include "common/error.h"
#include "support/error_of.h"
#include "support/failing_file_steps.h"
#include "support/run_files.h"

namespace frixa {
namespace {

using Step = testing::FailingFileSteps::Step;

AnalysedFile Rig() {
  AnalysedFile f;
  f.title = "Rig";
  for (int rpm = 400; rpm <= 2500; ++rpm) {
    const double nm = 1.5 + 0.002 * rpm;
    f.curve.push_back({rpm, nm * OmegaOfRpm(rpm) / 1000.0, nm});
  }
  return f;
}

RgbImage Picture() {
  RgbImage image{64, 48, std::vector<std::uint8_t>(64 * 48 * 3)};
  for (std::size_t i = 0; i < image.rgb.size(); ++i) image.rgb[i] = static_cast<std::uint8_t>(i * 7);
  return image;
}

struct Writer {
  const char* file;
  std::function<void(const std::string&)> write;
  std::function<bool(const std::string&)> isTheNewFile;
};

TEST(WholeFileWrites, AFailureAtAnyStepKeepsTheOlderFileOfEachKind) {
  const PlotDescription plot = DescribeAnalysisPlot({Rig()}, nullptr, {});
  const Writer writers[] = {
      {"a.png", [](const std::string& p) { WritePng(p, Picture()); },
       [](const std::string& bytes) { return bytes == EncodePng(Picture()); }},
      {"a.svg", [&](const std::string& p) { WritePlotSvg(p, plot, 720, 432); },
       [&](const std::string& bytes) { return bytes == PlotSvg(plot, 720, 432); }},
      {"a.pdf", [](const std::string& p) { WriteCalibrationReport(Rig(), nullptr, p); },
       [](const std::string& bytes) {
         return bytes.starts_with("%PDF-1.4\n") && bytes.ends_with("%%EOF\n") &&
                bytes.find("(Calibration report: Rig)") != std::string::npos;
       }},
      {"a.csv",
       [](const std::string& p) {
         WholeFileWriter parts(p);
         parts.Write("rpm,kw\n");
         parts.Write("400,0.1\n");
         parts.Commit();
       },
       [](const std::string& bytes) { return bytes == "rpm,kw\n400,0.1\n"; }},
  };
  for (const Writer& w : writers) {
    for (const Step step : {Step::kCreate, Step::kWrite, Step::kFinish, Step::kSync, Step::kReplace}) {
      SCOPED_TRACE(std::string(w.file) + " failing at step " + std::to_string(static_cast<int>(step)));
      testing::TempFolder folder;
      const std::string target = folder.File(w.file);
      const std::string old = std::string("older ") + w.file + ", kept\r\n";
      testing::WriteText(target, old);
      {
        testing::FailingFileSteps failing(step);
        ScopedFileWriteSteps scoped(failing);
        EXPECT_EQ(testing::ErrorOf([&] { w.write(target); }),
                  step == Step::kReplace ? errnum::kPermissionDenied : errnum::kPathFileAccess);
        EXPECT_TRUE(failing.failed());
      }
      EXPECT_EQ(testing::ReadText(target), old);
      EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
      w.write(target);
      EXPECT_TRUE(w.isTheNewFile(testing::ReadText(target)));
      EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
    }
  }
  // A writer let go without Commit leaves nothing behind.
  testing::TempFolder folder;
  { WholeFileWriter(folder.File("x.csv")).Write("never committed"); }
  EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
}

}  // namespace
}  // namespace frixa
