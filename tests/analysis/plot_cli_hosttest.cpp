// frixa-cli plot from the outside: three simulated rundowns of one rig made into calibration
// files, one applied to the host, drawn as SVG; the picture parsed by Python's XML reader.
#include <gtest/gtest.h>

#include <string>

#include "support/run_files.h"
#include "support/shell_run.h"

namespace frixa {
namespace {

using testing::CliCommand;
using testing::RunShell;
using testing::ShellQuote;

// The stroke colours and widths of the SVG's paths, one "colour width dashed" line each; a path
// of dots as "dots fill count".
std::string PathsOf(const std::string& svg) {
  const std::string script =
      "import sys, xml.etree.ElementTree as ET\n"
      "ns = '{http://www.w3.org/2000/svg}'\n"
      "root = ET.parse(sys.argv[1]).getroot()\n"
      "assert root.tag == ns + 'svg'\n"
      "for p in root.iter(ns + 'path'):\n"
      "    if p.get('stroke') is None:\n"
      "        print('dots', p.get('fill'), p.get('d').count('z'))\n"
      "    elif float(p.get('stroke-width')) >= 1.5:\n"
      "        print(p.get('stroke'), p.get('stroke-width'), 'dashed' if p.get('stroke-dasharray') else 'solid')\n"
      "print('texts', sum(1 for t in root.iter(ns + 'text') if t.text in ('Rig 1', 'Rig 2', 'Rig 3', 'Torvex2.005')))\n";
  return RunShell("python3 -c " + ShellQuote(script) + " " + ShellQuote(svg)).out;
}

TEST(PlotCli, ThreeFilesAndTheHostCurveAsSvg) {
  testing::TempFolder dir;
  const std::string folder = ShellQuote(dir.str());
  ASSERT_EQ(RunShell("mkdir " + ShellQuote(dir.File("Custom Cal"))).status, 0);
  for (int seed = 1; seed <= 3; ++seed) {
    ASSERT_EQ(RunShell(CliCommand("simulate --out " + ShellQuote(dir.File("Torvex2.000")) +
                                  " --start-rpm 1500 --end-rpm 600 --jitter-us 2 --seed " +
                                  std::to_string(seed)))
                  .status,
              0);
    const auto created = RunShell(CliCommand("create --folder " + folder +
                                             " --inertia 1.25 --ratio 1 --out 'Rig " +
                                             std::to_string(seed) + "'"));
    ASSERT_EQ(created.status, 0) << created.out;
  }
  const std::string cal = dir.File("Custom Cal") + "/";
  ASSERT_EQ(RunShell(CliCommand("apply --folder " + folder + " " + ShellQuote(cal + "Rig 2.Frixa"))).status, 0);

  const std::string files = ShellQuote(cal + "Rig 1.Frixa") + " " + ShellQuote(cal + "Rig 2.Frixa") +
                            " " + ShellQuote(cal + "Rig 3.Frixa");
  const std::string svg = dir.File("rig.svg");
  const auto plot = RunShell(CliCommand("plot " + files + " --host " + folder + " --out " + ShellQuote(svg)));
  ASSERT_EQ(plot.status, 0) << plot.out;
  EXPECT_EQ(plot.out, "Plot of 3 file(s) and Torvex2.005: " + svg + "\n");
  // Each file's 887 points as light dots, the host's curve dashed over them, each file's fit
  // line a solid path in its own colour over both; the legend names all four, the host last.
  EXPECT_EQ(PathsOf(svg),
            "dots #a5b8e9 887\ndots #ecaca6 887\ndots #a3d3ac 887\n#202020 1.5 dashed\n"
            "#1f4ec8 1.5 solid\n#d03020 1.5 solid\n#189030 1.5 solid\n#202020 1.5 dashed\n"
            "texts 4\n");

  // Power, no host: the dots and three lines; a missing file is an error and writes nothing.
  const std::string power = dir.File("power.svg");
  ASSERT_EQ(RunShell(CliCommand("plot " + files + " --power --out " + ShellQuote(power))).status, 0);
  EXPECT_EQ(PathsOf(power), "dots #a5b8e9 887\ndots #ecaca6 887\ndots #a3d3ac 887\n"
                            "#1f4ec8 1.5 solid\n#d03020 1.5 solid\n#189030 1.5 solid\ntexts 3\n");
  const auto missing = RunShell(CliCommand("plot " + ShellQuote(cal + "None.Frixa") + " --out " +
                                           ShellQuote(dir.File("none.svg"))));
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.out.find("frixa-cli plot: "), std::string::npos);
  EXPECT_EQ(RunShell("test -e " + ShellQuote(dir.File("none.svg"))).status, 1);
  EXPECT_EQ(RunShell(CliCommand("plot --out x.svg")).status, 2);
}

}  // namespace
}  // namespace frixa
