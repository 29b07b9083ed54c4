// "|"-separated filters to NUL-separated ones: see dialog_filter.h.
#include "app/dialog_filter.h"

namespace frixa {

std::string DialogFilterForPlatform(std::string_view filter) {
  std::string out(filter);
  for (char& c : out) {
    if (c == '|') c = '\0';
  }
  // The list ends with an empty piece: one NUL after the last piece's own, whether or not the
  // text ended in "|".
  if (out.empty() || out.back() != '\0') out.push_back('\0');
  out.push_back('\0');
  return out;
}

}  // namespace frixa
