// RevolutionCalculator: the per-revolution RPM and losses, with every rounding point pinned by
// the figures the host-side tools produce.
#include "run/revolution_calculator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "common/error.h"

namespace frixa {
namespace {

std::vector<RevolutionResults> Calculate(const std::vector<double>& periods, WindowPrecision precision,
                                   float inertia = 1.0f) {
  RevolutionCalculator calculator(inertia);
  calculator.Reset(precision);
  std::vector<RevolutionResults> results;
  for (std::size_t n = 0; n < periods.size(); ++n) {
    results.push_back(calculator.Step(periods[n], static_cast<std::int32_t>(n)));
  }
  return results;
}

int ErrorNumberOfStep(RevolutionCalculator& calculator, double period, std::int32_t n) {
  try {
    calculator.Step(period, n);
  } catch (const Error& e) {
    return e.number();
  }
  return 0;
}

class BothWindows : public ::testing::TestWithParam<WindowPrecision> {};

TEST_P(BothWindows, TenthOfASecondPeriodsGiveRpmJustBelow600AndNoLosses) {
  const auto r = Calculate(std::vector<double>(25, 0.1), GetParam());
  for (std::size_t n = 2; n < r.size(); ++n) {
    SCOPED_TRACE(n);
    // Sum 2.0000002 rounded after each addition, average 0.10000001.
    EXPECT_EQ(r[n].average, 0.100000009f);
    EXPECT_EQ(r[n].rpm, 599.99994f);
    EXPECT_EQ(std::floor(r[n].rpm), 599.0f);
    EXPECT_EQ(r[n].omega, 62.8337975f);  // 599.99994 / 9.549, not / 9.5493
    EXPECT_EQ(r[n].energyChange, 0.0f);
    EXPECT_EQ(r[n].power, 0.0f);
    EXPECT_EQ(r[n].torque, 0.0f);
  }
}

TEST_P(BothWindows, FirstRevolutionComesOutAtTwiceTheSpeedAndSecondCarriesItsEnergyDrop) {
  const auto r = Calculate({0.1, 0.1, 0.1}, GetParam());
  // No previous average at n = 0: the mean of the last two averages is half the period.
  EXPECT_EQ(r[0].rpm, 1199.99988f);
  EXPECT_EQ(r[0].omega, 125.667595f);
  EXPECT_EQ(r[0].energyChange, 7896.17236f);  // omega^2 / 2 from standstill, I = 1
  EXPECT_EQ(r[1].rpm, 599.99994f);
  EXPECT_EQ(r[1].energyChange, -5922.12939f);
  EXPECT_EQ(r[1].power, -59.2212868f);
  EXPECT_EQ(r[1].torque, -942.536987f);
}

TEST_P(BothWindows, EqualPeriodsGiveConstantRpmAndExactlyZeroLosses) {
  const auto r = Calculate(std::vector<double>(40, 0.0374), GetParam(), 1.25f);
  for (std::size_t n = 2; n < r.size(); ++n) {
    SCOPED_TRACE(n);
    EXPECT_EQ(r[n].rpm, r[2].rpm);
    EXPECT_EQ(r[n].energyChange, 0.0f);
    EXPECT_EQ(r[n].power, 0.0f);
    EXPECT_EQ(r[n].torque, 0.0f);
  }
}

TEST_P(BothWindows, RisingSpeedGivesPositivePowerAndTorque) {
  const auto r = Calculate({0.1, 0.1, 0.1, 0.09}, GetParam());
  EXPECT_EQ(r[3].average, 0.0995000154f);
  EXPECT_EQ(r[3].rpm, 601.503662f);
  EXPECT_EQ(r[3].energyChange, 9.9071207f);
  EXPECT_EQ(r[3].power, 0.0995690376f);
  EXPECT_EQ(r[3].torque, 1.58073032f);
}

TEST_P(BothWindows, FallingSpeedGivesNegativePowerAndTorque) {
  const auto r = Calculate({0.1, 0.1, 0.1, 0.11}, GetParam());
  EXPECT_EQ(r[3].rpm, 598.503662f);
  EXPECT_EQ(r[3].energyChange, -9.83330917f);
  EXPECT_EQ(r[3].power, -0.0978438631f);
  EXPECT_EQ(r[3].torque, -1.56112814f);
}

TEST_P(BothWindows, PowerScalesWithTheInertiaFactor) {
  const auto one = Calculate({0.1, 0.1, 0.1, 0.11}, GetParam(), 1.0f);
  const auto four = Calculate({0.1, 0.1, 0.1, 0.11}, GetParam(), 4.0f);
  EXPECT_EQ(four[3].energyChange, 4.0f * one[3].energyChange);
  EXPECT_EQ(four[3].power, 4.0f * one[3].power);
}

TEST_P(BothWindows, AveragesTheLastTwentyPeriodsOnly) {
  // Twenty periods of 0.2 s push the starting 0.1 s periods out of the window completely.
  std::vector<double> periods(5, 0.1);
  periods.insert(periods.end(), 20, 0.2);
  const auto r = Calculate(periods, GetParam());
  EXPECT_EQ(r[23].average, 0.195000023f);  // still one 0.1 s period among nineteen of 0.2 s
  EXPECT_EQ(r[24].average, 0.200000018f);
}

TEST_P(BothWindows, FirstPeriodOfZeroFailsWithOverflow) {
  RevolutionCalculator calculator(1.25f);
  calculator.Reset(GetParam());
  EXPECT_EQ(ErrorNumberOfStep(calculator, 0.0, 0), errnum::kOverflow);
}

TEST_P(BothWindows, ZeroAverageAfterMotionFailsWithDivisionByZero) {
  RevolutionCalculator calculator(1.25f);
  calculator.Reset(GetParam());
  for (std::int32_t n = 0; n < 5; ++n) calculator.Step(0.1, n);
  // Nineteen zero periods leave one 0.1 s period in the window; the twentieth empties it. The
  // energy change is then the whole kinetic energy, divided by an average of 0.
  for (std::int32_t n = 5; n < 24; ++n) {
    ASSERT_EQ(ErrorNumberOfStep(calculator, 0.0, n), 0) << n;
  }
  EXPECT_EQ(ErrorNumberOfStep(calculator, 0.0, 24), errnum::kDivisionByZero);
}

TEST_P(BothWindows, PeriodSumBeyondSingleRangeFailsWithOverflow) {
  RevolutionCalculator calculator(1.0f);
  calculator.Reset(GetParam());
  // 20 x 1e38 s exceeds the single-precision sum (and in the single window 1e39 itself would).
  EXPECT_EQ(ErrorNumberOfStep(calculator, 1e38, 0), errnum::kOverflow);
}

TEST_P(BothWindows, RpmBeyondSingleRangeFailsWithOverflow) {
  RevolutionCalculator calculator(1.0f);
  calculator.Reset(GetParam());
  // A period of 1e-40 s is a (denormal) single value, but 60 / 1e-40 is not.
  EXPECT_EQ(ErrorNumberOfStep(calculator, 1e-40, 0), errnum::kOverflow);
}

TEST_P(BothWindows, ResetStartsAfreshAsANewCalculator) {
  const std::vector<double> periods = {0.05, 0.051, 0.0523, 0.054, 0.0561, 0.058};
  RevolutionCalculator calculator(1.25f);
  calculator.Reset(GetParam());
  for (std::int32_t n = 0; n < 6; ++n) calculator.Step(periods[static_cast<std::size_t>(n)] * 3, n);
  calculator.Reset(GetParam());
  const auto fresh = Calculate(periods, GetParam(), 1.25f);
  for (std::int32_t n = 0; n < 6; ++n) {
    const auto r = calculator.Step(periods[static_cast<std::size_t>(n)], n);
    const auto& f = fresh[static_cast<std::size_t>(n)];
    EXPECT_EQ(r.average, f.average);
    EXPECT_EQ(r.rpm, f.rpm);
    EXPECT_EQ(r.power, f.power);
    EXPECT_EQ(r.torque, f.torque);
  }
}

INSTANTIATE_TEST_SUITE_P(RevolutionCalculator, BothWindows,
                         ::testing::Values(WindowPrecision::Single, WindowPrecision::Double),
                         [](const ::testing::TestParamInfo<WindowPrecision>& p) {
                           return p.param == WindowPrecision::Single ? std::string("Single")
                                                                     : std::string("Double");
                         });

TEST(RevolutionCalculatorWindow, SingleWindowRoundsEachPeriodButDoubleWindowKeepsIt) {
  // 0.02 s is not a single value: rounded into the slots it sums to 0.40000004, kept exact it
  // sums (with the sum rounded after each addition) to 0.40000007.
  const auto single = Calculate({0.02, 0.02, 0.02}, WindowPrecision::Single);
  const auto dbl = Calculate({0.02, 0.02, 0.02}, WindowPrecision::Double);
  EXPECT_EQ(single[2].average, 0x1.47ae16p-6f);  // 0.0200000014
  EXPECT_EQ(single[2].rpm, 2999.99976f);
  EXPECT_EQ(dbl[2].average, 0x1.47ae18p-6f);  // 0.0200000033
  EXPECT_EQ(dbl[2].rpm, 2999.99951f);
}

// The window sum computed the plain way, one revolution at a time: shift, then the 20 slots
// in order, each addition rounded to single precision.
template <typename Slot>
std::vector<float> PlainSums(const std::vector<double>& periods) {
  std::vector<Slot> window(21, Slot{});
  std::vector<float> sums;
  for (std::size_t n = 0; n < periods.size(); ++n) {
    const auto slot = static_cast<Slot>(periods[n]);
    if (n == 0) std::fill(window.begin() + 1, window.end(), slot);
    std::copy(window.begin() + 1, window.end(), window.begin());
    window[20] = slot;
    float sum = 0.0f;
    for (int k = 1; k <= 20; ++k) sum = static_cast<float>(static_cast<double>(sum) + static_cast<double>(window[k]));
    sums.push_back(sum);
  }
  return sums;
}

TEST_P(BothWindows, BlocksOfRevolutionsGiveTheSumsAndResultsOfOneAtATime) {
  // Periods whose sums round differently at almost every addition.
  std::vector<double> periods;
  std::uint32_t seed = 12345;
  for (int n = 0; n < 1000; ++n) {
    seed = seed * 1103515245u + 12345u;
    periods.push_back(0.0123456789 + static_cast<double>(seed % 100000u) * 1.37e-9 + n * 1e-6);
  }
  const std::vector<float> plain = GetParam() == WindowPrecision::Single ? PlainSums<float>(periods)
                                                                         : PlainSums<double>(periods);
  const std::vector<RevolutionResults> stepped = Calculate(periods, GetParam(), 2.5f);

  RevolutionCalculator calculator(2.5f);
  calculator.Reset(GetParam());
  std::size_t n = 0;
  for (int block = 1; n < periods.size(); block = (block * 7 + 3) % (RevolutionCalculator::kBlock + 9) + 1) {
    const int count = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(block), periods.size() - n));
    std::vector<float> sums(static_cast<std::size_t>(count));
    calculator.ShiftIn(&periods[n], count, static_cast<std::int32_t>(n), sums.data());
    // Every other block finished at once, the rest one revolution at a time.
    std::vector<RevolutionResults> finished(static_cast<std::size_t>(count));
    const bool together = block % 2 == 0;
    if (together) {
      ASSERT_EQ(calculator.FinishBlock(sums.data(), count, finished.data()), count);
    }
    for (int i = 0; i < count; ++i, ++n) {
      ASSERT_EQ(sums[static_cast<std::size_t>(i)], plain[n]) << n;
      const RevolutionResults r = together ? finished[static_cast<std::size_t>(i)]
                                           : calculator.Finish(sums[static_cast<std::size_t>(i)]);
      ASSERT_EQ(r.average, stepped[n].average) << n;
      ASSERT_EQ(r.rpm, stepped[n].rpm) << n;
      ASSERT_EQ(r.omega, stepped[n].omega) << n;
      ASSERT_EQ(r.energyChange, stepped[n].energyChange) << n;
      ASSERT_EQ(r.power, stepped[n].power) << n;
      ASSERT_EQ(r.torque, stepped[n].torque) << n;
    }
  }
  for (std::size_t k = 0; k < periods.size(); ++k) {
    ASSERT_EQ(stepped[k].average, static_cast<float>(static_cast<double>(plain[k]) / 20)) << k;
  }
}

TEST(RevolutionCalculatorBlocks, RevolutionThatWouldFailEndsTheCleanPartOfABlockAndFailsInItsTurn) {
  std::vector<double> periods(30, 0.05);
  periods[12] = 1e39;  // its window sum overflows single precision
  RevolutionCalculator calculator(1.0f);
  calculator.Reset(WindowPrecision::Double);
  std::vector<float> sums(30);
  calculator.ShiftIn(periods.data(), 30, 0, sums.data());
  std::vector<RevolutionResults> finished(30);
  ASSERT_EQ(calculator.FinishBlock(sums.data(), 30, finished.data()), 12);
  EXPECT_EQ(finished[11].power, 0.0f);
  EXPECT_EQ(finished[11].rpm, Calculate(std::vector<double>(12, 0.05), WindowPrecision::Double)[11].rpm);
  try {
    calculator.Finish(sums[12]);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), 6);
  }
}

}  // namespace
}  // namespace frixa
