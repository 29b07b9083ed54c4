// Today's date as text in the system's short date form (what the Jet engine stores when a date
// is written into a text column).
#pragma once

#include <string>

namespace frixa {

// Windows: the user's short date format. Elsewhere: month/day/year, the form of a
// US-English system ("12/9/2026").
std::string TodayShortDateText();

}  // namespace frixa
