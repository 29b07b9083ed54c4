// The straight-line interpolation of the loss curve.
#include <gtest/gtest.h>

#include "calfile/interpolate.h"
#include "support/recording_frontend.h"

namespace frixa {
namespace {

TEST(Interpolate, FollowsTheLineBetweenTwoPoints) {
  testing::RecordingFrontend ui;
  bool extrapolate = true;
  // The worked example: points at 100 (2.0 kW) and 104 (4.0 kW).
  EXPECT_EQ(Interpolate(ui, 100, 2.0, 104, 4.0, 101, extrapolate), 2.5);
  EXPECT_EQ(Interpolate(ui, 100, 2.0, 104, 4.0, 103, extrapolate), 3.5);
  EXPECT_EQ(Interpolate(ui, 100, 2.0, 104, 4.0, 104, extrapolate), 4.0);
  EXPECT_EQ(Interpolate(ui, 500, 1.0, 502, 2.0, 501, extrapolate), 1.5);
  EXPECT_TRUE(extrapolate);
  EXPECT_TRUE(ui.messages.empty());
}

TEST(Interpolate, ExtrapolatesOnlyWhenAsked) {
  testing::RecordingFrontend ui;
  bool on = true;
  bool off = false;
  EXPECT_EQ(Interpolate(ui, 100, 2.0, 104, 4.0, 96, on), 0.0);
  EXPECT_EQ(Interpolate(ui, 100, 2.0, 104, 4.0, 108, on), 6.0);
  // Without extrapolation the ends are ordered by X, whatever order they came in.
  EXPECT_EQ(Interpolate(ui, 100, 2.0, 104, 4.0, 96, off), 2.0);
  EXPECT_EQ(Interpolate(ui, 104, 4.0, 100, 2.0, 96, off), 2.0);
  EXPECT_EQ(Interpolate(ui, 104, 4.0, 100, 2.0, 200, off), 4.0);
  EXPECT_EQ(Interpolate(ui, 104, 4.0, 100, 2.0, 102, off), 3.0);
  EXPECT_FALSE(off);
}

TEST(Interpolate, EqualEndsShowDivisionByZeroAndGiveZero) {
  testing::RecordingFrontend ui;
  bool on = true;
  EXPECT_EQ(Interpolate(ui, 100, 2.0, 100, 4.0, 101, on), 0.0);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].title, "Interpolate:11");
  EXPECT_EQ(ui.messages[0].text, "Division by zero");
  EXPECT_EQ(ui.messages[0].icon, MessageIcon::Exclamation);
  // Without extrapolation every X falls on one end: no message.
  bool off = false;
  EXPECT_EQ(Interpolate(ui, 100, 2.0, 100, 4.0, 101, off), 4.0);
  EXPECT_EQ(ui.messages.size(), 1u);
  // 0 / 0 is an overflow.
  EXPECT_EQ(Interpolate(ui, 100, 2.0, 100, 2.0, 101, on), 0.0);
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[1].title, "Interpolate:6");
  EXPECT_EQ(ui.messages[1].text, "Overflow");
}

}  // namespace
}  // namespace frixa
