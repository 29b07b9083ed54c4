// Pictures as PNG files: 8-bit RGB, no interlace, the rows deflated by zlib in one IDAT chunk.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace frixa {

// A picture of width x height pixels, 3 bytes (red, green, blue) each, top row first.
struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;
};

// The PNG file's bytes. frixa::Error 5 (invalid procedure call) for an empty picture or one
// whose pixel buffer does not match its size, 7 when zlib runs out of memory.
std::string EncodePng(const RgbImage& image);

// Writes the PNG file as a whole (WriteWholeFile: frixa::Error 75 or 70 when it cannot be
// written or put in place; an older picture of the name then stays as it was).
void WritePng(const std::string& path, const RgbImage& image);

}  // namespace frixa
