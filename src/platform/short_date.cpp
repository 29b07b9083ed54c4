// Today's short date text on POSIX systems: see short_date.h.
#include "platform/short_date.h"

#include <ctime>

namespace frixa {

std::string TodayShortDateText() {
  const std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  return std::to_string(local.tm_mon + 1) + "/" + std::to_string(local.tm_mday) + "/" +
         std::to_string(local.tm_year + 1900);
}

}  // namespace frixa
