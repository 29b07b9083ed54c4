// Little-endian integers and IEEE values inside a bounded byte range. Jet stores every
// multi-byte number little-endian; a read that would leave the range is a damaged file, so
// these readers check every offset and raise CorruptError instead of reading past the end.
// The store functions are the writing counterpart and check the same way; the append
// functions grow a byte vector (the database builder composes pages and rows with them).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "jet/corrupt.h"

namespace frixa::jet {

using ByteSpan = std::span<const std::uint8_t>;
using MutableByteSpan = std::span<std::uint8_t>;

// The CorruptError of CheckRange, kept out of line so that the check itself inlines.
[[noreturn, gnu::cold, gnu::noinline]] inline void ThrowOutOfRange(std::size_t size, std::size_t offset,
                                                                   std::size_t length, const char* what) {
  ThrowCorrupt(std::string(what) + ": " + std::to_string(length) + " bytes at offset " +
               std::to_string(offset) + " lie outside a range of " + std::to_string(size) +
               " bytes");
}

// Raises CorruptError unless [offset, offset + length) lies inside a range of `size` bytes.
inline void CheckRange(std::size_t size, std::size_t offset, std::size_t length,
                       const char* what) {
  if (offset > size || length > size - offset) [[unlikely]] {
    ThrowOutOfRange(size, offset, length, what);
  }
}

// The sub-range [offset, offset + length) of `bytes`, checked.
inline ByteSpan Slice(ByteSpan bytes, std::size_t offset, std::size_t length,
                      const char* what = "slice") {
  CheckRange(bytes.size(), offset, length, what);
  return bytes.subspan(offset, length);
}

inline std::uint8_t ReadU8(ByteSpan b, std::size_t off) {
  CheckRange(b.size(), off, 1, "byte");
  return b[off];
}
inline std::uint16_t ReadU16(ByteSpan b, std::size_t off) {
  CheckRange(b.size(), off, 2, "16-bit value");
  return static_cast<std::uint16_t>(b[off] | (b[off + 1] << 8));
}
inline std::uint32_t ReadU24(ByteSpan b, std::size_t off) {
  CheckRange(b.size(), off, 3, "24-bit value");
  return static_cast<std::uint32_t>(b[off]) | (static_cast<std::uint32_t>(b[off + 1]) << 8) |
         (static_cast<std::uint32_t>(b[off + 2]) << 16);
}
inline std::uint32_t ReadU32(ByteSpan b, std::size_t off) {
  CheckRange(b.size(), off, 4, "32-bit value");
  return static_cast<std::uint32_t>(b[off]) | (static_cast<std::uint32_t>(b[off + 1]) << 8) |
         (static_cast<std::uint32_t>(b[off + 2]) << 16) |
         (static_cast<std::uint32_t>(b[off + 3]) << 24);
}
inline std::uint64_t ReadU64(ByteSpan b, std::size_t off) {
  CheckRange(b.size(), off, 8, "64-bit value");
  return static_cast<std::uint64_t>(ReadU32(b, off)) |
         (static_cast<std::uint64_t>(ReadU32(b, off + 4)) << 32);
}
inline std::int16_t ReadI16(ByteSpan b, std::size_t off) {
  return static_cast<std::int16_t>(ReadU16(b, off));
}
inline std::int32_t ReadI32(ByteSpan b, std::size_t off) {
  return static_cast<std::int32_t>(ReadU32(b, off));
}
inline std::int64_t ReadI64(ByteSpan b, std::size_t off) {
  return static_cast<std::int64_t>(ReadU64(b, off));
}
inline float ReadF32(ByteSpan b, std::size_t off) {
  const std::uint32_t bits = ReadU32(b, off);
  float v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}
inline double ReadF64(ByteSpan b, std::size_t off) {
  const std::uint64_t bits = ReadU64(b, off);
  double v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

inline void StoreU8(MutableByteSpan b, std::size_t off, std::uint8_t v) {
  CheckRange(b.size(), off, 1, "byte store");
  b[off] = v;
}
inline void StoreU16(MutableByteSpan b, std::size_t off, std::uint16_t v) {
  CheckRange(b.size(), off, 2, "16-bit store");
  b[off] = static_cast<std::uint8_t>(v);
  b[off + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void StoreU24(MutableByteSpan b, std::size_t off, std::uint32_t v) {
  CheckRange(b.size(), off, 3, "24-bit store");
  for (int i = 0; i < 3; ++i) b[off + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void StoreU32(MutableByteSpan b, std::size_t off, std::uint32_t v) {
  CheckRange(b.size(), off, 4, "32-bit store");
  for (int i = 0; i < 4; ++i) b[off + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void StoreU64(MutableByteSpan b, std::size_t off, std::uint64_t v) {
  CheckRange(b.size(), off, 8, "64-bit store");
  for (int i = 0; i < 8; ++i) b[off + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void StoreF32(MutableByteSpan b, std::size_t off, float v) {
  std::uint32_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  StoreU32(b, off, bits);
}
inline void StoreF64(MutableByteSpan b, std::size_t off, double v) {
  std::uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  StoreU64(b, off, bits);
}

// Appends the low 8, 16 or 32 bits of `v`, little-endian.
inline void AppendU8(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
}
inline void AppendU16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void AppendU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
inline void AppendF64(std::vector<std::uint8_t>& out, double v) {
  std::uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
}

}  // namespace frixa::jet
