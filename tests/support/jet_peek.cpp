// The builder tests' own page decoder; see jet_peek.h.
#include "support/jet_peek.h"

#include <array>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace frixa::testing {

namespace {
constexpr std::size_t kPage = 2048;

PeekBytes Slice(const PeekBytes& b, std::size_t from, std::size_t to) {
  if (from > to || to > b.size()) throw std::out_of_range("peek: slice outside the data");
  return PeekBytes(b.begin() + static_cast<std::ptrdiff_t>(from), b.begin() + static_cast<std::ptrdiff_t>(to));
}

std::string Text(const PeekBytes& b, std::size_t from, std::size_t n) {
  const auto s = Slice(b, from, from + n);
  return std::string(s.begin(), s.end());
}
}  // namespace

PeekBytes ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("peek: cannot open " + path.string());
  return PeekBytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::uint16_t PeekU16(const PeekBytes& b, std::size_t at) {
  if (at + 2 > b.size()) throw std::out_of_range("peek: u16 outside the data");
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

std::uint32_t PeekU32(const PeekBytes& b, std::size_t at) {
  return static_cast<std::uint32_t>(PeekU16(b, at)) | static_cast<std::uint32_t>(PeekU16(b, at + 2)) << 16;
}

PeekBytes PeekFile::Page(std::uint32_t n) const { return Slice(bytes_, n * kPage, (n + 1) * kPage); }

PeekBytes PeekFile::PlainHeader() const {
  PeekBytes p = Page(0);
  // RC4 with key C7 DA 39 6B over 126 bytes from 0x18.
  const std::array<std::uint8_t, 4> key = {0xC7, 0xDA, 0x39, 0x6B};
  std::array<std::uint8_t, 256> s{};
  for (int i = 0; i < 256; ++i) s[i] = static_cast<std::uint8_t>(i);
  int j = 0;
  for (int i = 0; i < 256; ++i) {
    j = (j + s[i] + key[i % 4]) % 256;
    std::swap(s[i], s[j]);
  }
  int x = 0, y = 0;
  for (std::size_t k = 0x18; k < 0x18 + 126; ++k) {
    x = (x + 1) % 256;
    y = (y + s[x]) % 256;
    std::swap(s[x], s[y]);
    p[k] ^= s[(s[x] + s[y]) % 256];
  }
  return p;
}

PeekTdef PeekFile::Tdef(std::uint32_t page) const {
  const PeekBytes p = Page(page);
  if (p[0] != 0x02) throw std::runtime_error("peek: not a TDEF page");
  PeekTdef t;
  t.page = page;
  t.length = PeekU32(p, 8);
  t.rowCount = PeekU32(p, 12);
  t.autoNumber = PeekU32(p, 16);
  t.tableType = p[20];
  t.maxColumns = PeekU16(p, 21);
  t.varColumns = PeekU16(p, 23);
  const std::uint16_t columns = PeekU16(p, 25);
  const std::uint32_t logical = PeekU32(p, 27);
  const std::uint32_t real = PeekU32(p, 31);
  t.ownedMap = PeekU32(p, 35);
  t.freeMap = PeekU32(p, 39);
  std::size_t at = 43;
  for (std::uint32_t i = 0; i < real; ++i, at += 8) {
    PeekRealIndex ix;
    ix.count = PeekU32(p, at);
    ix.distinctKeys = PeekU32(p, at + 4);
    t.realIndexes.push_back(ix);
  }
  for (std::uint16_t i = 0; i < columns; ++i, at += 18) {
    PeekColumn c;
    c.type = p[at];
    c.number = PeekU16(p, at + 1);
    c.varIndex = PeekU16(p, at + 3);
    c.id = PeekU32(p, at + 5);
    c.sortOrder = PeekU16(p, at + 9);
    c.codePage = PeekU16(p, at + 11);
    c.flags = p[at + 13];
    c.fixedOffset = PeekU16(p, at + 14);
    c.length = PeekU16(p, at + 16);
    t.columns.push_back(c);
  }
  for (auto& c : t.columns) {
    c.name = Text(p, at + 1, p[at]);
    at += 1u + p[at];
  }
  for (auto& ix : t.realIndexes) {
    for (int k = 0; k < 10; ++k, at += 3) {
      const std::uint16_t col = PeekU16(p, at);
      if (col != 0xFFFF) ix.columns.emplace_back(col, p[at + 2]);
    }
    ix.map = PeekU32(p, at);
    ix.firstPage = PeekU32(p, at + 4);
    ix.flags = p[at + 8];
    at += 9;
  }
  for (std::uint32_t i = 0; i < logical; ++i, at += 20) {
    PeekLogicalIndex lx;
    lx.number = PeekU32(p, at);
    lx.realIndex = PeekU32(p, at + 4);
    lx.middle = Slice(p, at + 8, at + 19);
    lx.type = p[at + 19];
    t.logicalIndexes.push_back(lx);
  }
  for (auto& lx : t.logicalIndexes) {
    lx.name = Text(p, at + 1, p[at]);
    at += 1u + p[at];
  }
  while (at + 2 <= t.length && PeekU16(p, at) != 0xFFFF) {
    t.longValueColumns.push_back({PeekU16(p, at), PeekU32(p, at + 2), PeekU32(p, at + 6)});
    at += 10;
  }
  t.endsWithFFFF = at + 2 == t.length && PeekU16(p, at) == 0xFFFF;
  return t;
}

std::vector<PeekFile::Slot> PeekFile::Slots(std::uint32_t page) const {
  const PeekBytes p = Page(page);
  std::vector<Slot> slots;
  const std::uint16_t count = PeekU16(p, 8);
  std::size_t end = kPage;
  for (std::uint16_t i = 0; i < count; ++i) {
    const std::uint16_t raw = PeekU16(p, 10 + 2u * i);
    const std::size_t start = raw & 0x1FFFu;
    slots.push_back({static_cast<std::uint16_t>(raw & 0xC000u), Slice(p, start, end)});
    end = start;
  }
  return slots;
}

std::vector<PeekFile::LocatedRow> PeekFile::TableRows(std::uint32_t tdefPage) const {
  std::vector<LocatedRow> rows;
  for (std::uint32_t n = 1; n < pageCount(); ++n) {
    const std::size_t base = std::size_t{n} * kPage;
    if (bytes_[base] != 0x01 || PeekU32(bytes_, base + 4) != tdefPage) continue;
    const auto slots = Slots(n);
    for (std::size_t i = 0; i < slots.size(); ++i) {
      if (slots[i].flags != 0) continue;
      rows.push_back({n, static_cast<std::uint8_t>(i), slots[i].row});
    }
  }
  return rows;
}

PeekBytes PeekFile::SingleRowLongValue(const PeekBytes& field) const {
  const std::uint32_t head = PeekU32(field, 0);
  if ((head & 0xFF000000u) != 0x40000000u) throw std::runtime_error("peek: not a single-row long value");
  const std::uint32_t pointer = PeekU32(field, 4);
  const auto slots = Slots(pointer >> 8);
  const PeekBytes value = slots.at(pointer & 0xFFu).row;
  if (value.size() != (head & 0x00FFFFFFu)) throw std::runtime_error("peek: long value of another length");
  return value;
}

std::vector<std::uint32_t> PeekFile::UsageMapPages(std::uint32_t packedPointer) const {
  const auto slots = Slots(packedPointer >> 8);
  const PeekBytes& row = slots.at(packedPointer & 0xFFu).row;
  if (row.empty() || row[0] != 0x00) throw std::runtime_error("peek: not an inline usage map");
  const std::uint32_t first = PeekU32(row, 1);
  std::vector<std::uint32_t> pages;
  for (std::size_t i = 5; i < row.size(); ++i) {
    for (int bit = 0; bit < 8; ++bit) {
      if (row[i] >> bit & 1) pages.push_back(first + static_cast<std::uint32_t>((i - 5) * 8 + bit));
    }
  }
  return pages;
}

std::vector<std::optional<PeekBytes>> DecodeRow(const PeekTdef& tdef, const PeekBytes& row) {
  if (row.size() > 256) throw std::runtime_error("peek: rows with a jump table are not decoded");
  const std::size_t count = row.at(0);
  const std::size_t maskSize = (count + 7) / 8;
  const std::size_t maskAt = row.size() - maskSize;
  auto present = [&](std::size_t number) { return (row.at(maskAt + number / 8) >> (number % 8) & 1) != 0; };

  std::size_t varCount = 0;
  std::vector<std::size_t> offsets;
  std::size_t endOfData = 0;
  if (tdef.varColumns > 0) {
    varCount = row.at(maskAt - 1);
    for (std::size_t i = 0; i < varCount; ++i) offsets.push_back(row.at(maskAt - 2 - i));
    endOfData = row.at(maskAt - 2 - varCount);
  }

  std::vector<std::optional<PeekBytes>> values(tdef.columns.size());
  for (const auto& c : tdef.columns) {
    if (c.number >= count || !present(c.number)) continue;
    if (c.type == 0x01) {  // Boolean: the mask bit is the value
      values[c.number] = PeekBytes{};
    } else if (c.fixed()) {
      values[c.number] = Slice(row, 1u + c.fixedOffset, 1u + c.fixedOffset + c.length);
    } else if (c.varIndex < varCount) {
      const std::size_t end = std::size_t{c.varIndex} + 1 < varCount ? offsets[c.varIndex + 1] : endOfData;
      values[c.number] = Slice(row, offsets[c.varIndex], end);
    }
  }
  return values;
}

PeekProperties DecodeProperties(const PeekBytes& blob) {
  if (Text(blob, 0, 4) != std::string("KKD\0", 4)) throw std::runtime_error("peek: not a property blob");
  PeekProperties out;
  std::size_t at = 4;
  while (at < blob.size()) {
    const std::uint32_t length = PeekU32(blob, at);
    const std::uint16_t type = PeekU16(blob, at + 4);
    const std::size_t end = at + length;
    std::size_t q = at + 6;
    if (type == 0x80) {
      while (q < end) {
        const std::uint16_t n = PeekU16(blob, q);
        out.names.push_back(Text(blob, q + 2, n));
        q += 2u + n;
      }
    } else {
      PeekPropertyBlock block;
      block.chunkType = type;
      const std::uint32_t nameBlock = PeekU32(blob, q);
      block.target = Text(blob, q + 6, PeekU16(blob, q + 4));
      q += nameBlock;
      while (q < end) {
        const std::uint16_t size = PeekU16(blob, q);
        PeekProperty prop;
        prop.ddl = blob.at(q + 2);
        prop.type = blob.at(q + 3);
        prop.name = out.names.at(PeekU16(blob, q + 4));
        prop.value = Slice(blob, q + 8, q + 8 + PeekU16(blob, q + 6));
        block.properties.push_back(prop);
        q += size;
      }
      out.blocks.push_back(block);
    }
    at = end;
  }
  return out;
}

PeekLeaf DecodeLeaf(const PeekBytes& page) {
  if (page.at(0) != 0x04) throw std::runtime_error("peek: not an index leaf");
  PeekLeaf leaf;
  leaf.freeSpace = PeekU16(page, 2);
  leaf.owner = PeekU32(page, 4);
  leaf.prev = PeekU32(page, 8);
  leaf.next = PeekU32(page, 12);
  leaf.tail = PeekU32(page, 16);
  leaf.prefixLength = page[20];
  std::size_t start = 0xF8;
  PeekBytes prefix;
  for (std::size_t bit = 0; 0x16 + bit / 8 < 0xF8; ++bit) {
    if (!(page[0x16 + bit / 8] >> (bit % 8) & 1)) continue;
    const std::size_t end = 0xF8 + bit;
    PeekBytes body = Slice(page, start, end - 4);
    PeekBytes key = leaf.entries.empty() ? body : prefix;
    if (!leaf.entries.empty()) key.insert(key.end(), body.begin(), body.end());
    if (leaf.entries.empty()) prefix = Slice(body, 0, std::min<std::size_t>(leaf.prefixLength, body.size()));
    const std::uint32_t pageNumber = static_cast<std::uint32_t>(page[end - 4] << 16 | page[end - 3] << 8 | page[end - 2]);
    leaf.entries.push_back({key, pageNumber, page[end - 1]});
    start = end;
    leaf.end = end;
  }
  if (leaf.entries.empty()) leaf.end = 0xF8;
  return leaf;
}

}  // namespace frixa::testing
