// The host's 19-character command line and its locale-aware number fields.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "app/command_line.h"
#include "common/error.h"

namespace frixa {
namespace {

int ErrorNumberOf(std::string_view field, const NumberLocale& loc = {}) {
  try {
    ConvertToSingle(field, loc);
  } catch (const Error& e) {
    return e.number();
  }
  return 0;
}

TEST(CommandLine, FieldsAreTheFirstTenAndTheLastNineCharacters) {
  const auto p = ParseHostCommandLine("1.25      2        ", {});
  EXPECT_EQ(p.inertiaFactor, 1.25f);
  EXPECT_EQ(p.sensorMassRatio, 2.0f);
  const auto q = ParseHostCommandLine("      12.5    0.125", {});
  EXPECT_EQ(q.inertiaFactor, 12.5f);
  EXPECT_EQ(q.sensorMassRatio, 0.125f);
}

TEST(CommandLine, ValuesAreRoundedToSinglePrecision) {
  EXPECT_EQ(ConvertToSingle("1.2", {}), 1.2f);
  EXPECT_EQ(static_cast<double>(ConvertToSingle("1.2", {})), 1.2000000476837158);
  EXPECT_EQ(ConvertToSingle("-3", {}), -3.0f);
  EXPECT_EQ(ConvertToSingle("1E2", {}), 100.0f);
  EXPECT_EQ(ConvertToSingle("2.5d-1", {}), 0.25f);
}

TEST(CommandLine, TheUsersDecimalAndGroupSeparatorsApply) {
  const NumberLocale german{',', '.'};
  EXPECT_EQ(ConvertToSingle(" 1,25 ", german), 1.25f);
  EXPECT_EQ(ConvertToSingle("1.000,5", german), 1000.5f);
  EXPECT_EQ(ConvertToSingle("1,000.5", {}), 1000.5f);
  EXPECT_EQ(ErrorNumberOf("1.25", german), 0);  // "1.25" in German grouping reads as 125
  EXPECT_EQ(ConvertToSingle("1.25", german), 125.0f);
}

TEST(CommandLine, ANonNumberIsTypeMismatch13) {
  EXPECT_EQ(ErrorNumberOf("          "), 13);
  EXPECT_EQ(ErrorNumberOf(""), 13);
  EXPECT_EQ(ErrorNumberOf("abc"), 13);
  EXPECT_EQ(ErrorNumberOf("1.2x"), 13);
  EXPECT_EQ(ErrorNumberOf("1.2.3"), 13);
  EXPECT_EQ(ErrorNumberOf("-"), 13);
  EXPECT_EQ(ErrorNumberOf("1e"), 13);
  EXPECT_EQ(ErrorNumberOf("1 2"), 13);
}

TEST(CommandLine, AValueOutsideTheSingleRangeIsOverflow6) {
  EXPECT_EQ(ErrorNumberOf("1e39"), 6);
  EXPECT_EQ(ErrorNumberOf("-1e300"), 6);
  EXPECT_EQ(ErrorNumberOf("1e999"), 6);
  EXPECT_EQ(ErrorNumberOf("1e+999"), 6);
}

TEST(CommandLine, EveryUnderflowIsZero) {
  // Too small for a single, for a double, or for both, with or without a point or a sign.
  for (const char* field : {"1e-50", "1e-330", "1e-400", "0.0001e-999", "1E-99999999999", "1d-60"}) {
    const float v = ConvertToSingle(field, {});
    EXPECT_EQ(v, 0.0f) << field;
    EXPECT_FALSE(std::signbit(v)) << field;
  }
  for (const char* field : {"-1e-50", "-1e-400", "-.5e-4000"}) {
    const float v = ConvertToSingle(field, {});
    EXPECT_EQ(v, 0.0f) << field;
    EXPECT_TRUE(std::signbit(v)) << field;
  }
  const NumberLocale german{',', '.'};
  EXPECT_EQ(ConvertToSingle("2,5e-400", german), 0.0f);
  // The smallest singles are still read as they are.
  EXPECT_EQ(ConvertToSingle("1.17549435e-38", {}), std::numeric_limits<float>::min());
}

}  // namespace
}  // namespace frixa
