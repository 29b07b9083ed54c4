// The running program's own resources (those the resource compiler bound into the executable).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace frixa {

// The bytes of the program's resource `id` of type `type`; nullopt when the program has no
// such resource, and always on a platform without program resources.
std::optional<std::span<const std::uint8_t>> ProgramResource(int id, const std::string& type);

}  // namespace frixa
