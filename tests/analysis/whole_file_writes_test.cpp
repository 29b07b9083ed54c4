// The pictures and the report written through their own entry points (WritePng, WritePlotSvg,
// WriteCalibrationReport): a write that fails midway leaves the older file of the name byte for
// byte and no temporary; a complete one replaces it with the new document.
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

AnalysedFile Rig() {
  AnalysedFile f;
  f.path = "Rig.Frixa";
  f.title = "Rig";
  for (int rpm = 400; rpm <= 2500; ++rpm) {
    const double nm = 1.5 + 0.002 * rpm;
    f.curve.push_back({rpm, nm * OmegaOfRpm(rpm) / 1000.0, nm});
  }
  f.rpmLow = 400;
  f.rpmHigh = 2500;
  return f;
}

RgbImage Picture() {
  RgbImage image{64, 48, {}};
  image.rgb.resize(64 * 48 * 3);
  for (std::size_t i = 0; i < image.rgb.size(); ++i) image.rgb[i] = static_cast<std::uint8_t>(i * 7);
  return image;
}

struct Writer {
  const char* name;
  std::function<void(const std::string&)> write;
  std::function<bool(const std::string&)> isTheNewFile;
};

std::vector<Writer> Writers() {
  return {
      {"png", [](const std::string& p) { WritePng(p, Picture()); },
       [](const std::string& bytes) { return bytes == EncodePng(Picture()); }},
      {"svg",
       [](const std::string& p) { WritePlotSvg(p, DescribeAnalysisPlot({Rig()}, nullptr, {}), 720, 432); },
       [](const std::string& bytes) {
         return bytes == PlotSvg(DescribeAnalysisPlot({Rig()}, nullptr, {}), 720, 432);
       }},
      {"pdf", [](const std::string& p) { WriteCalibrationReport(Rig(), nullptr, p); },
       [](const std::string& bytes) {
         return bytes.starts_with("%PDF-1.4\n") && bytes.ends_with("%%EOF\n") &&
                bytes.find("(Calibration report: Rig)") != std::string::npos;
       }},
  };
}

TEST(WholeFileWrites, AWriteFailingMidwayKeepsTheOlderFileOfEachKind) {
  for (const Writer& w : Writers()) {
    SCOPED_TRACE(w.name);
    testing::TempFolder folder;
    const std::string target = folder.File(std::string("out.") + w.name);
    const std::string old = std::string("older ") + w.name + " file, kept\r\n";
    testing::WriteText(target, old);
    {
      testing::FailingFileSteps midway(testing::FailingFileSteps::Step::kWrite);
      ScopedFileWriteSteps scoped(midway);
      EXPECT_EQ(testing::ErrorOf([&] { w.write(target); }), errnum::kPathFileAccess);
      EXPECT_TRUE(midway.failed());
    }
    EXPECT_EQ(testing::ReadText(target), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()),
                            std::filesystem::directory_iterator()),
              1);
    // The same write on the disk as it is replaces the file.
    w.write(target);
    EXPECT_TRUE(w.isTheNewFile(testing::ReadText(target)));
  }
}

}  // namespace
}  // namespace frixa
