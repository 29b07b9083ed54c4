// PNG encoding with zlib: see png_writer.h.
#include "analysis/png_writer.h"

#include <zlib.h>

#include "common/error.h"
#include "platform/whole_file.h"

namespace frixa {
namespace {

void PutBig32(std::string& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xFF);
}

// Length, type, data, and the CRC over type and data.
void PutChunk(std::string& out, const char type[4], const std::string& data) {
  PutBig32(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t start = out.size();
  out.append(type, 4);
  out += data;
  uLong crc = crc32(0L, Z_NULL, 0);
  crc = crc32(crc, reinterpret_cast<const Bytef*>(out.data() + start),
              static_cast<uInt>(out.size() - start));
  PutBig32(out, static_cast<std::uint32_t>(crc));
}

}  // namespace

std::string EncodePng(const RgbImage& image) {
  if (image.width <= 0 || image.height <= 0 ||
      image.rgb.size() != std::size_t(image.width) * std::size_t(image.height) * 3) {
    RaiseRuntimeError(errnum::kInvalidProcedureCall);
  }
  // Each row: filter type 0 (none), then its pixels.
  const std::size_t stride = std::size_t(image.width) * 3;
  std::string raw;
  raw.reserve((stride + 1) * std::size_t(image.height));
  for (int y = 0; y < image.height; ++y) {
    raw += '\0';
    raw.append(reinterpret_cast<const char*>(image.rgb.data()) + stride * std::size_t(y), stride);
  }
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::string packed(packedSize, '\0');
  const int rc = compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
                           reinterpret_cast<const Bytef*>(raw.data()),
                           static_cast<uLong>(raw.size()), Z_BEST_COMPRESSION);
  if (rc != Z_OK) RaiseRuntimeError(rc == Z_MEM_ERROR ? errnum::kOutOfMemory : errnum::kInternalError);
  packed.resize(packedSize);

  std::string png("\x89PNG\r\n\x1a\n", 8);
  std::string header;
  PutBig32(header, static_cast<std::uint32_t>(image.width));
  PutBig32(header, static_cast<std::uint32_t>(image.height));
  header += '\x08';  // bit depth
  header += '\x02';  // colour type: RGB
  header += std::string(3, '\0');  // deflate, adaptive filtering, no interlace
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", packed);
  PutChunk(png, "IEND", std::string());
  return png;
}

void WritePng(const std::string& path, const RgbImage& image) {
  WriteWholeFile(path, EncodePng(image));
}

}  // namespace frixa
