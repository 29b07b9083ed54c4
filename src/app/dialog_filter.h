// The file dialog's filter as the commands write it ("Description (*.ext)|*.ext|") and as the
// platform's dialog takes it: the same pieces separated by NULs, ended by two NULs.
#pragma once

#include <string>
#include <string_view>

namespace frixa {

std::string DialogFilterForPlatform(std::string_view filter);

}  // namespace frixa
