// Property blobs: decoding, and the catalog row of a table with its properties.
#include "jet/properties.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "jet/catalog.h"
#include "jet/table_scan.h"
#include "jet/text.h"

namespace frixa::jet {

namespace {

using properties::kChunkHeaderSize;
using properties::kPropertyHeaderSize;
using properties::kTargetHeaderSize;

std::string TextAt(ByteSpan b, std::size_t offset, std::size_t length) {
  const ByteSpan t = Slice(b, offset, length, "property name");
  return std::string(t.begin(), t.end());
}

}  // namespace

std::vector<PropertyBlock> DecodeProperties(ByteSpan blob) {
  if (blob.size() < sizeof properties::kSignature ||
      std::memcmp(blob.data(), properties::kSignature, sizeof properties::kSignature) != 0) {
    ThrowCorrupt("a property blob does not start with KKD");
  }
  std::vector<std::string> names;
  std::vector<PropertyBlock> blocks;
  std::size_t pos = sizeof properties::kSignature;
  while (pos < blob.size()) {
    const std::size_t length = ReadU32(blob, pos);
    const std::uint16_t kind = ReadU16(blob, pos + 4);
    if (length < kChunkHeaderSize) ThrowCorrupt("a property chunk of " + std::to_string(length) + " bytes");
    const ByteSpan chunk = Slice(blob, pos, length, "property chunk");
    pos += length;
    if (kind == properties::kChunkNames) {
      for (std::size_t at = kChunkHeaderSize; at < chunk.size();) {
        const std::size_t n = ReadU16(chunk, at);
        names.push_back(TextAt(chunk, at + 2, n));
        at += 2 + n;
      }
      continue;
    }
    if (kind != properties::kChunkObject && kind != properties::kChunkColumn) continue;
    PropertyBlock block;
    block.column = kind == properties::kChunkColumn;
    const std::size_t nameBlock = ReadU32(chunk, kChunkHeaderSize);
    block.target = TextAt(chunk, kChunkHeaderSize + kTargetHeaderSize, ReadU16(chunk, kChunkHeaderSize + 4));
    for (std::size_t at = kChunkHeaderSize + nameBlock; at < chunk.size();) {
      const std::size_t size = ReadU16(chunk, at);
      if (size < kPropertyHeaderSize) ThrowCorrupt("a property of " + std::to_string(size) + " bytes");
      const ByteSpan prop = Slice(chunk, at, size, "property");
      Property p;
      p.ddl = prop[2] != 0;
      p.type = prop[3];
      const std::size_t nameIndex = ReadU16(prop, 4);
      if (nameIndex >= names.size()) ThrowCorrupt("a property names entry " + std::to_string(nameIndex) + " of " + std::to_string(names.size()));
      p.name = names[nameIndex];
      const ByteSpan value = Slice(prop, kPropertyHeaderSize, ReadU16(prop, 6), "property value");
      p.value.assign(value.begin(), value.end());
      block.properties.push_back(std::move(p));
      at += size;
    }
    blocks.push_back(std::move(block));
  }
  return blocks;
}

namespace {

void AppendBytes(std::vector<std::uint8_t>& out, std::string_view text) {
  for (const char c : text) out.push_back(static_cast<std::uint8_t>(c));
}

// Appends a chunk: its u32 length (header included) and u16 kind, then the body.
void AppendChunk(std::vector<std::uint8_t>& out, std::uint16_t kind, const std::vector<std::uint8_t>& body) {
  AppendU32(out, static_cast<std::uint32_t>(kChunkHeaderSize + body.size()));
  AppendU16(out, kind);
  out.insert(out.end(), body.begin(), body.end());
}

}  // namespace

std::vector<std::uint8_t> EncodeProperties(const std::vector<PropertyBlock>& blocks) {
  if (blocks.empty() || blocks.front().column) {
    throw std::invalid_argument("EncodeProperties: the object's own block comes first");
  }
  std::vector<std::string> names;
  auto nameIndex = [&names](const std::string& name) {
    const auto it = std::find(names.begin(), names.end(), name);
    if (it != names.end()) return static_cast<std::uint32_t>(it - names.begin());
    names.push_back(name);
    return static_cast<std::uint32_t>(names.size() - 1);
  };

  std::vector<std::uint8_t> chunks;
  for (const PropertyBlock& block : blocks) {
    std::vector<std::uint8_t> body;
    AppendU32(body, static_cast<std::uint32_t>(kTargetHeaderSize + block.target.size()));
    AppendU16(body, static_cast<std::uint32_t>(block.target.size()));
    AppendBytes(body, block.target);
    for (const Property& p : block.properties) {
      AppendU16(body, static_cast<std::uint32_t>(kPropertyHeaderSize + p.value.size()));
      AppendU8(body, p.ddl ? 1u : 0u);
      AppendU8(body, p.type);
      AppendU16(body, nameIndex(p.name));
      AppendU16(body, static_cast<std::uint32_t>(p.value.size()));
      body.insert(body.end(), p.value.begin(), p.value.end());
    }
    AppendChunk(chunks, block.column ? properties::kChunkColumn : properties::kChunkObject, body);
  }

  std::vector<std::uint8_t> nameList;
  for (const std::string& n : names) {
    AppendU16(nameList, static_cast<std::uint32_t>(n.size()));
    AppendBytes(nameList, n);
  }

  std::vector<std::uint8_t> blob(std::begin(properties::kSignature), std::end(properties::kSignature));
  AppendChunk(blob, properties::kChunkNames, nameList);
  blob.insert(blob.end(), chunks.begin(), chunks.end());
  return blob;
}

std::optional<bool> ColumnFlag(const std::vector<PropertyBlock>& blocks, std::string_view column,
                               std::string_view name) {
  for (const auto& block : blocks) {
    if (!block.column || !EqualsIgnoreCase(block.target, column)) continue;
    for (const auto& p : block.properties) {
      if (p.type == PropertyType(ColumnType::kBoolean) && EqualsIgnoreCase(p.name, name) && !p.value.empty()) {
        return p.value[0] != 0;
      }
    }
  }
  return std::nullopt;
}

CatalogTable ReadCatalogTable(const PageFile& file, PageNumber tdefPage) {
  return NameCorruption(file.Name(), [&] {
    const TableDef def = ReadTableDef(file, catalog::kCatalogDefinitionPage);
    const int idCol = def.FindColumn("Id");
    const int typeCol = def.FindColumn("Type");
    const int nameCol = def.FindColumn("Name");
    const int propCol = def.FindColumn("LvProp");
    if (idCol < 0 || typeCol < 0 || nameCol < 0) ThrowCorrupt("the catalog lacks its Id, Type or Name column");
    TableScan scan(file, def);
    while (scan.Next()) {
      const Value id = scan.ReadValue(static_cast<std::size_t>(idCol));
      const Value type = scan.ReadValue(static_cast<std::size_t>(typeCol));
      const auto* idValue = id.Get<std::int32_t>();
      const auto* typeValue = type.Get<std::int32_t>();
      if (idValue == nullptr || typeValue == nullptr || *typeValue != catalog::kTypeTable) continue;
      if ((static_cast<std::uint32_t>(*idValue) & catalog::kIdPageMask) != tdefPage) continue;
      CatalogTable table;
      const Value name = scan.ReadValue(static_cast<std::size_t>(nameCol));
      if (const auto* n = name.Get<Text>()) table.name = n->bytes;
      if (propCol >= 0) {
        const Value blob = scan.ReadValue(static_cast<std::size_t>(propCol));
        if (const auto* b = blob.Get<Binary>(); b != nullptr && !b->bytes.empty()) {
          table.properties = DecodeProperties(b->bytes);
        }
      }
      return table;
    }
    ThrowCorrupt("the catalog has no table whose definition starts on page " + std::to_string(tdefPage));
  });
}

}  // namespace frixa::jet
