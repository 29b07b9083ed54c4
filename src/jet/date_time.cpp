// Conversion between Jet day numbers and calendar dates.
#include "jet/date_time.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace frixa::jet {

namespace {

// Days from 1970-01-01 of a proleptic Gregorian date, and back (H. Hinnant's algorithms).
std::int64_t DaysFromEpoch1970(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned shifted = m > 2 ? m - 3 : m + 9;  // March = 0
  const unsigned doy = (153 * shifted + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromEpoch1970(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  y = static_cast<std::int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y += m <= 2;
}

const std::int64_t kJetEpoch = DaysFromEpoch1970(1899, 12, 30);
constexpr double kLimitDays = 3.0e6;  // about 8000 years either way: far past Jet's range

}  // namespace

CivilTime CivilFromDays(double days) {
  if (!std::isfinite(days)) return CivilTime{};
  days = std::fmax(-kLimitDays, std::fmin(kLimitDays, days));
  double whole = std::trunc(days);
  auto seconds = static_cast<std::int64_t>(std::llround(std::fabs(days - whole) * 86400.0));
  if (seconds >= 86400) {  // rounds up into the next day away from the epoch
    seconds -= 86400;
    whole += days < 0 ? -1.0 : 1.0;
  }
  std::int64_t y = 0;
  unsigned m = 0;
  unsigned d = 0;
  CivilFromEpoch1970(kJetEpoch + static_cast<std::int64_t>(whole), y, m, d);
  CivilTime t;
  t.year = static_cast<int>(y);
  t.month = static_cast<int>(m);
  t.day = static_cast<int>(d);
  t.hour = static_cast<int>(seconds / 3600);
  t.minute = static_cast<int>(seconds / 60 % 60);
  t.second = static_cast<int>(seconds % 60);
  return t;
}

double DaysFromCivil(const CivilTime& t) {
  const std::int64_t day = DaysFromEpoch1970(t.year, static_cast<unsigned>(t.month),
                                             static_cast<unsigned>(t.day)) -
                           kJetEpoch;
  const double fraction = (t.hour * 3600.0 + t.minute * 60.0 + t.second) / 86400.0;
  return day < 0 ? static_cast<double>(day) - fraction : static_cast<double>(day) + fraction;
}

std::string FormatIsoDateTime(double days) {
  const CivilTime t = CivilFromDays(days);
  char buf[48];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return buf;
}

}  // namespace frixa::jet
