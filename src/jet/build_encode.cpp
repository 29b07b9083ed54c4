// Byte-level encoders of the database builder; see build_encode.h.
#include "jet/build_encode.h"

#include <array>
#include <stdexcept>

#include "jet/row_format.h"

namespace frixa::jet::build {

void AppendText(Bytes& out, std::string_view text) {
  for (const char c : text) out.push_back(static_cast<std::uint8_t>(c));
}

Bytes U32Bytes(std::uint32_t value) {
  Bytes b;
  AppendU32(b, value);
  return b;
}

Bytes F64Bytes(double value) {
  Bytes b;
  AppendF64(b, value);
  return b;
}

Bytes EncodeRow(const std::vector<ColumnDef>& columns, const RowValues& values) {
  if (values.size() != columns.size()) throw std::invalid_argument("EncodeRow: one value per column");
  std::vector<FieldBytes> fields(columns.size());
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (values[i]) fields[i] = FieldBytes{true, ByteSpan(*values[i])};
  }
  Bytes row;
  jet::EncodeRow(columns, columns.size(), fields, row);
  return row;
}

Bytes LongKey(std::int32_t value) {
  const std::uint32_t flipped = static_cast<std::uint32_t>(value) ^ 0x80000000u;
  return Bytes{0x7F, static_cast<std::uint8_t>(flipped >> 24), static_cast<std::uint8_t>(flipped >> 16),
               static_cast<std::uint8_t>(flipped >> 8), static_cast<std::uint8_t>(flipped)};
}

namespace {

// General sort order codes of the characters that object names may use.
std::optional<std::uint8_t> GeneralSortCode(char c) {
  // Letters A..Z; the codes are not contiguous.
  static constexpr std::array<std::uint8_t, 26> kLetters = {
      0x60, 0x61, 0x62, 0x64, 0x66, 0x67, 0x68, 0x69, 0x6A, 0x6B, 0x6C, 0x6D, 0x6F,
      0x70, 0x72, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x7A, 0x7B, 0x7C, 0x7D, 0x7E};
  if (c >= 'A' && c <= 'Z') return kLetters[static_cast<std::size_t>(c - 'A')];
  if (c >= 'a' && c <= 'z') return kLetters[static_cast<std::size_t>(c - 'a')];
  if (c >= '0' && c <= '9') return static_cast<std::uint8_t>(0x56 + (c - '0'));
  switch (c) {
    case ' ': return std::uint8_t{0x11};
    case '-': return std::uint8_t{0x1E};
    case '_': return std::uint8_t{0x2C};
    default: return std::nullopt;
  }
}

}  // namespace

std::optional<Bytes> TextKey(std::string_view text) {
  Bytes key{0x7F};
  for (const char c : text) {
    const auto code = GeneralSortCode(c);
    if (!code) return std::nullopt;
    key.push_back(*code);
  }
  key.push_back(0x00);
  return key;
}

}  // namespace frixa::jet::build
