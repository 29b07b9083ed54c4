// SignedNumberText: the number text of status lines and error messages.
#include <gtest/gtest.h>

#include <limits>

#include "common/number_text.h"

namespace frixa {
namespace {

TEST(SignedNumberText, WholeValuesHaveNoPointAndASignPosition) {
  EXPECT_EQ(SignedNumberText(0.0f), " 0");
  EXPECT_EQ(SignedNumberText(830.0f), " 830");
  EXPECT_EQ(SignedNumberText(-13.0), "-13");
  EXPECT_EQ(SignedNumberText(100000.0f), " 100000");
  EXPECT_EQ(SignedNumberText(-0.0f), " 0");
  EXPECT_EQ(SignedNumberText(std::int32_t{13}), " 13");
  EXPECT_EQ(SignedNumberText(std::int32_t{-3021}), "-3021");
}

TEST(SignedNumberText, FractionsDropLeadingZeroAndTrailingZeros) {
  EXPECT_EQ(SignedNumberText(0.5f), " .5");
  EXPECT_EQ(SignedNumberText(-0.25), "-.25");
  EXPECT_EQ(SignedNumberText(61.25f), " 61.25");
  EXPECT_EQ(SignedNumberText(1.25f), " 1.25");
  EXPECT_EQ(SignedNumberText(0.0001), " .0001");
}

TEST(SignedNumberText, SinglePrecisionShowsSevenSignificantDigits) {
  EXPECT_EQ(SignedNumberText(599.99994f), " 599.9999");
  EXPECT_EQ(SignedNumberText(1.2f), " 1.2");
  EXPECT_EQ(SignedNumberText(0.1f), " .1");
  EXPECT_EQ(SignedNumberText(1234567.8f), " 1234568");
  EXPECT_EQ(SignedNumberText(3.14159265f), " 3.141593");
}

TEST(SignedNumberText, DoublePrecisionShowsFifteenSignificantDigits) {
  EXPECT_EQ(SignedNumberText(static_cast<double>(1.2f)), " 1.20000004768372");
  EXPECT_EQ(SignedNumberText(0.1), " .1");
  EXPECT_EQ(SignedNumberText(1.0 / 3.0), " .333333333333333");
  EXPECT_EQ(SignedNumberText(123456789012345.0), " 123456789012345");
}

TEST(SignedNumberText, VeryLargeAndVerySmallTakeTheExponentForm) {
  EXPECT_EQ(SignedNumberText(12345678.0f), " 1.234568E+07");
  EXPECT_EQ(SignedNumberText(1e20f), " 1E+20");
  EXPECT_EQ(SignedNumberText(-1e-5f), "-1E-05");
  EXPECT_EQ(SignedNumberText(1.5e-7), " 1.5E-07");
  EXPECT_EQ(SignedNumberText(1e16), " 1E+16");
  EXPECT_EQ(SignedNumberText(std::numeric_limits<double>::max()), " 1.79769313486232E+308");
}

TEST(SignedNumberText, JoinedToALiteralEndingInABlankGivesTwoBlanks) {
  EXPECT_EQ("Rocessed " + SignedNumberText(830.0f) + " Revolutions", "Rocessed  830 Revolutions");
}

}  // namespace
}  // namespace frixa
