// Jet date/time values: a double of days since 1899-12-30 00:00. The whole part counts days
// (negative before the epoch); the fraction's magnitude is the time of day, so -1.25 is
// 1899-12-29 06:00.
#pragma once

#include <string>

namespace frixa::jet {

struct CivilTime {
  int year = 1899;
  int month = 12;
  int day = 30;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// The calendar date and time of `days`, rounded to the nearest second. Values outside the
// years 100..9999 that Jet accepts still convert (proleptic Gregorian calendar); NaN and
// infinities give the epoch.
CivilTime CivilFromDays(double days);

// The days value of a calendar date and time.
double DaysFromCivil(const CivilTime& t);

// "YYYY-MM-DD HH:MM:SS".
std::string FormatIsoDateTime(double days);

}  // namespace frixa::jet
