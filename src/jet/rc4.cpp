// RC4 keystream generation (key scheduling, then the output generator).
#include "jet/rc4.h"

#include <utility>

namespace frixa::jet {

void Rc4Apply(std::span<const std::uint8_t> key, std::span<std::uint8_t> data) {
  if (key.empty()) return;
  std::array<std::uint8_t, 256> s{};
  for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<std::uint8_t>(i);
  std::uint8_t j = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    j = static_cast<std::uint8_t>(j + s[i] + key[i % key.size()]);
    std::swap(s[i], s[j]);
  }
  std::uint8_t x = 0;
  std::uint8_t y = 0;
  for (auto& byte : data) {
    x = static_cast<std::uint8_t>(x + 1);
    y = static_cast<std::uint8_t>(y + s[x]);
    std::swap(s[x], s[y]);
    byte ^= s[static_cast<std::uint8_t>(s[x] + s[y])];
  }
}

}  // namespace frixa::jet
