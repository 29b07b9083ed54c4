// Byte-level encoders of the database builder; see build_encode.h.
#include "jet/build_encode.h"

#include <algorithm>
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

Bytes EncodeRow(std::uint16_t columnCount, const std::vector<RowColumn>& columns,
                const RowValues& values) {
  if (values.size() != columns.size()) throw std::invalid_argument("EncodeRow: one value per column");
  // The builder describes a column by its place and width alone: a fixed column becomes one of
  // a type without a size of its own, so that its width is its length.
  std::vector<ColumnDef> defs(columns.size());
  std::vector<FieldBytes> fields(columns.size());
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const RowColumn& c = columns[i];
    ColumnDef& d = defs[i];
    d.number = c.number;
    if (c.boolean) {
      d.typeByte = static_cast<std::uint8_t>(ColumnType::kBoolean);
      d.flags = column_flags::kFixedLength;
    } else if (c.fixed) {
      d.typeByte = static_cast<std::uint8_t>(ColumnType::kBinary);
      d.flags = column_flags::kFixedLength;
      d.fixedOffset = c.fixedOffset;
      d.length = c.length;
    } else {
      d.typeByte = static_cast<std::uint8_t>(ColumnType::kBinary);
      d.varIndex = c.varIndex;
    }
    if (values[i]) fields[i] = FieldBytes{true, ByteSpan(*values[i])};
  }
  Bytes row;
  jet::EncodeRow(defs, columnCount, fields, row);
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

namespace {

constexpr std::uint16_t kChunkNames = 0x80;
constexpr std::uint16_t kChunkObject = 0x00;
constexpr std::uint16_t kChunkColumn = 0x01;

// Appends a chunk: its u32 length (header included) and u16 type, then the body.
void AppendChunk(Bytes& out, std::uint16_t type, const Bytes& body) {
  AppendU32(out, static_cast<std::uint32_t>(6 + body.size()));
  AppendU16(out, type);
  out.insert(out.end(), body.begin(), body.end());
}

}  // namespace

Bytes EncodePropertyBlob(const std::vector<PropertyBlock>& blocks) {
  if (blocks.empty() || !blocks.front().target.empty()) {
    throw std::invalid_argument("EncodePropertyBlob: the object's own block comes first");
  }
  std::vector<std::string> names;
  auto nameIndex = [&names](const std::string& name) {
    const auto it = std::find(names.begin(), names.end(), name);
    if (it != names.end()) return static_cast<std::uint32_t>(it - names.begin());
    names.push_back(name);
    return static_cast<std::uint32_t>(names.size() - 1);
  };

  Bytes chunks;
  for (std::size_t b = 0; b < blocks.size(); ++b) {
    const auto& block = blocks[b];
    Bytes body;
    AppendU32(body, static_cast<std::uint32_t>(6 + block.target.size()));
    AppendU16(body, static_cast<std::uint32_t>(block.target.size()));
    AppendText(body, block.target);
    for (const auto& p : block.properties) {
      AppendU16(body, static_cast<std::uint32_t>(8 + p.value.size()));
      AppendU8(body, p.ddl ? 1u : 0u);
      AppendU8(body, p.type);
      AppendU16(body, nameIndex(p.name));
      AppendU16(body, static_cast<std::uint32_t>(p.value.size()));
      body.insert(body.end(), p.value.begin(), p.value.end());
    }
    AppendChunk(chunks, b == 0 ? kChunkObject : kChunkColumn, body);
  }

  Bytes nameList;
  for (const auto& n : names) {
    AppendU16(nameList, static_cast<std::uint32_t>(n.size()));
    AppendText(nameList, n);
  }

  Bytes blob{'K', 'K', 'D', 0x00};
  AppendChunk(blob, kChunkNames, nameList);
  blob.insert(blob.end(), chunks.begin(), chunks.end());
  return blob;
}

}  // namespace frixa::jet::build
