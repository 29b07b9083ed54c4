// RC4 keystream. Jet masks part of page 0 with it (fixed key) and, in encrypted databases,
// every other page (key derived from the database key and the page number).
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace frixa::jet {

// XORs `data` in place with the RC4 keystream of `key`; applying it twice restores the data.
void Rc4Apply(std::span<const std::uint8_t> key, std::span<std::uint8_t> data);

}  // namespace frixa::jet
