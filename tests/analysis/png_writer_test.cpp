// PNG files: the chunks, their CRCs and the deflated rows read back through zlib.
#include <gtest/gtest.h>

#include <zlib.h>

#include <cstdint>
#include <string>

#include "analysis/png_writer.h"
#include "common/error.h"
#include "support/error_of.h"

namespace frixa {
namespace {

std::uint32_t Big32(const std::string& s, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v = (v << 8) | static_cast<std::uint8_t>(s[at + i]);
  return v;
}

TEST(PngWriter, ChunksCrcsAndPixelsReadBack) {
  RgbImage image{5, 3, {}};
  for (int i = 0; i < 5 * 3; ++i) {
    image.rgb.push_back(static_cast<std::uint8_t>(i * 17));
    image.rgb.push_back(static_cast<std::uint8_t>(255 - i));
    image.rgb.push_back(static_cast<std::uint8_t>(i % 2 ? 0 : 200));
  }
  const std::string png = EncodePng(image);
  ASSERT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  std::size_t at = 8;
  std::string types, idat;
  while (at + 12 <= png.size()) {
    const std::uint32_t length = Big32(png, at);
    const std::string type = png.substr(at + 4, 4);
    const std::string data = png.substr(at + 8, length);
    const uLong crc = crc32(crc32(0L, Z_NULL, 0),
                            reinterpret_cast<const Bytef*>(png.data() + at + 4), length + 4);
    EXPECT_EQ(Big32(png, at + 8 + length), crc) << type;
    if (type == "IHDR") {
      EXPECT_EQ(Big32(data, 0), 5u);
      EXPECT_EQ(Big32(data, 4), 3u);
      EXPECT_EQ(data.substr(8), std::string("\x08\x02\0\0\0", 5));
    }
    if (type == "IDAT") idat += data;
    types += type + " ";
    at += 12 + length;
  }
  EXPECT_EQ(at, png.size());
  EXPECT_EQ(types, "IHDR IDAT IEND ");
  std::string raw(3 * (1 + 5 * 3), '\0');
  uLongf rawSize = static_cast<uLongf>(raw.size());
  ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(raw.data()), &rawSize,
                       reinterpret_cast<const Bytef*>(idat.data()), static_cast<uLong>(idat.size())),
            Z_OK);
  ASSERT_EQ(rawSize, raw.size());
  for (int y = 0; y < 3; ++y) {
    EXPECT_EQ(raw[y * 16], '\0');  // no filter
    EXPECT_EQ(raw.substr(y * 16 + 1, 15),
              std::string(reinterpret_cast<const char*>(image.rgb.data()) + y * 15, 15));
  }

  EXPECT_EQ(testing::ErrorOf([] { EncodePng(RgbImage{2, 2, {1, 2, 3}}); }),
            errnum::kInvalidProcedureCall);
  EXPECT_EQ(testing::ErrorOf([] { EncodePng(RgbImage{}); }), errnum::kInvalidProcedureCall);
}

}  // namespace
}  // namespace frixa
