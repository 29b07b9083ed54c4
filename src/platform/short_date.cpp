// Today's short date text: see short_date.h.
#include "platform/short_date.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <ctime>
#endif

namespace frixa {

std::string TodayShortDateText() {
#ifdef _WIN32
  char buffer[128] = {};
  if (GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, buffer,
                     static_cast<int>(sizeof buffer)) > 0) {
    return buffer;
  }
  SYSTEMTIME now;
  GetLocalTime(&now);
  return std::to_string(now.wMonth) + "/" + std::to_string(now.wDay) + "/" +
         std::to_string(now.wYear);
#else
  const std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  return std::to_string(local.tm_mon + 1) + "/" + std::to_string(local.tm_mday) + "/" +
         std::to_string(local.tm_year + 1900);
#endif
}

}  // namespace frixa
