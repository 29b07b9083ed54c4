// Today's short date text on Windows: see short_date.h.
#include "platform/short_date.h"

#include <windows.h>

namespace frixa {

std::string TodayShortDateText() {
  char buffer[128] = {};
  if (GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, buffer,
                     static_cast<int>(sizeof buffer)) > 0) {
    return buffer;
  }
  SYSTEMTIME now;
  GetLocalTime(&now);
  return std::to_string(now.wMonth) + "/" + std::to_string(now.wDay) + "/" +
         std::to_string(now.wYear);
}

}  // namespace frixa
