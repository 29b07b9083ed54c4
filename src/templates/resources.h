// Program resources by id and type, as the window runtime's resource loading sees them: the
// template databases 101 (calibration file) and 102 (host loss file) of type "MDB".
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace frixa {

// The bytes of resource `id` of type `type` (type names compare without regard to case);
// nullopt when the program has no such resource.
std::optional<std::span<const std::uint8_t>> LoadTemplateResource(int id, std::string_view type);

}  // namespace frixa
