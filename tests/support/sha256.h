// SHA-256 of a byte string, as lowercase hex: lets a test pin the exact bytes of a file it
// cannot keep beside itself.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace frixa::testing {

std::string Sha256Hex(std::span<const std::uint8_t> bytes);

}  // namespace frixa::testing
