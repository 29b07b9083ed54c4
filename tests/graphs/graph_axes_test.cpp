// Loss graph arithmetic: axes that cover every point on round steps, C-style %g tick labels.
#include <gtest/gtest.h>

#include <random>

#include "graphs/graph_axes.h"

namespace frixa {
namespace {

TEST(GraphTickLabels, FormatTheValueAsCPercentG) {
  EXPECT_EQ(TickLabel("%gkW", 12.5), "12.5kW");
  EXPECT_EQ(TickLabel("%gNM", 0), "0NM");
  EXPECT_EQ(TickLabel("%gNM", -0.0), "0NM");
  EXPECT_EQ(TickLabel("%g", 2500), "2500");
  EXPECT_EQ(TickLabel("%g", 0.3), "0.3");
  EXPECT_EQ(TickLabel("%g", 1234567), "1.23457e+06");
  EXPECT_EQ(TickLabel("%g", 0.00001), "1e-05");
  EXPECT_EQ(TickLabel("RPM", 5), "RPM");
}

TEST(GraphAxes, RoundStepsThatCoverTheData) {
  const AxisScale s = CoveringScale(312.4, 2987.2, false, 6);
  EXPECT_DOUBLE_EQ(s.step, 500);
  EXPECT_DOUBLE_EQ(s.min, 0);
  EXPECT_DOUBLE_EQ(s.max, 3000);
  const AxisScale y = CoveringScale(0.21, 3.9, true, 5);
  EXPECT_DOUBLE_EQ(y.min, 0);
  EXPECT_DOUBLE_EQ(y.max, 4);
  EXPECT_DOUBLE_EQ(y.step, 1);
  EXPECT_EQ(y.Intervals(), 4);
}

TEST(GraphAxes, TicksCarryNoRoundingNoise) {
  const AxisScale s = CoveringScale(0, 0.7, true, 7);
  EXPECT_DOUBLE_EQ(s.step, 0.1);
  EXPECT_EQ(TickLabel("%g", s.Tick(3)), "0.3");
  EXPECT_EQ(TickLabel("%g", s.Tick(7)), "0.7");
}

TEST(GraphAxes, SingleValueGetsAnAxisAroundIt) {
  const AxisScale s = CoveringScale(1500, 1500, false, 6);
  EXPECT_LT(s.min, 1500);
  EXPECT_GT(s.max, 1500);
  const AxisScale z = CoveringScale(0, 0, true, 5);
  EXPECT_DOUBLE_EQ(z.min, 0);
  EXPECT_GT(z.max, 0);
}

TEST(GraphAxes, EmptyGraphShowsZeroToOne) {
  const AxisScale x = RpmScaleCovering({}), y = LossScaleCovering({});
  EXPECT_DOUBLE_EQ(x.min, 0);
  EXPECT_DOUBLE_EQ(x.max, 1);
  EXPECT_DOUBLE_EQ(y.min, 0);
  EXPECT_DOUBLE_EQ(y.max, 1);
}

TEST(GraphAxes, EveryPointOfARandomRunLiesOnItsAxes) {
  std::mt19937 gen(11);
  for (int run = 0; run < 50; ++run) {
    std::uniform_real_distribution<double> rpm(10, 9000), loss(0.0001, 80);
    std::vector<GraphPoint> pts;
    ValueRange across, up;
    for (int i = 0; i < 1 + run * 7; ++i) {
      pts.push_back({rpm(gen), loss(gen) / (run + 1)});
      across.Add(pts.back().x);
      up.Add(pts.back().y);
    }
    const AxisScale x = RpmScaleCovering(across), y = LossScaleCovering(up);
    EXPECT_LE(x.Intervals(), 7);
    EXPECT_LE(y.Intervals(), 6);
    EXPECT_DOUBLE_EQ(y.min, 0);  // losses from 0
    for (const GraphPoint& p : pts) {
      ASSERT_GE(p.x, x.min);
      ASSERT_LE(p.x, x.max);
      ASSERT_LE(p.y, y.max);
    }
  }
}

}  // namespace
}  // namespace frixa
