// Program resources where the platform has none: see program_resource.h.
#include "platform/program_resource.h"

namespace frixa {

std::optional<std::span<const std::uint8_t>> ProgramResource(int, const std::string&) {
  return std::nullopt;
}

}  // namespace frixa
