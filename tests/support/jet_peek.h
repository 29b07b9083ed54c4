// A small, separate decoder of Jet 3 pages for the builder's tests: it reads a database's
// bytes the way the format is documented, without the builder's encoders or the engine's
// reader, so that tests can compare a built file with the real fixture files field by field.
// It trusts its input (fixtures and built files); it is not a reader for arbitrary files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace frixa::testing {

using PeekBytes = std::vector<std::uint8_t>;

PeekBytes ReadWholeFile(const std::filesystem::path& path);

std::uint16_t PeekU16(const PeekBytes& b, std::size_t at);
std::uint32_t PeekU32(const PeekBytes& b, std::size_t at);

struct PeekColumn {
  std::uint8_t type = 0;
  std::uint16_t number = 0;
  std::uint16_t varIndex = 0;
  std::uint32_t id = 0;
  std::uint16_t sortOrder = 0;
  std::uint16_t codePage = 0;
  std::uint8_t flags = 0;
  std::uint16_t fixedOffset = 0;
  std::uint16_t length = 0;
  std::string name;
  bool fixed() const { return flags & 0x01; }
};

struct PeekRealIndex {
  std::uint32_t count = 0;  // the 8 bytes in the header part: (count, distinct keys)
  std::uint32_t distinctKeys = 0;
  std::vector<std::pair<std::uint16_t, std::uint8_t>> columns;  // used slots: (number, order)
  std::uint32_t map = 0;  // packed row pointer
  std::uint32_t firstPage = 0;
  std::uint8_t flags = 0;
};

struct PeekLogicalIndex {
  std::uint32_t number = 0;
  std::uint32_t realIndex = 0;
  PeekBytes middle;  // bytes 8..18
  std::uint8_t type = 0;
  std::string name;
};

struct PeekLongValueColumn {
  std::uint16_t number = 0;
  std::uint32_t owned = 0;
  std::uint32_t free = 0;
};

struct PeekTdef {
  std::uint32_t page = 0;
  std::uint32_t length = 0;
  std::uint32_t rowCount = 0;
  std::uint32_t autoNumber = 0;
  std::uint8_t tableType = 0;
  std::uint16_t maxColumns = 0;
  std::uint16_t varColumns = 0;
  std::uint32_t ownedMap = 0;
  std::uint32_t freeMap = 0;
  std::vector<PeekColumn> columns;
  std::vector<PeekRealIndex> realIndexes;
  std::vector<PeekLogicalIndex> logicalIndexes;
  std::vector<PeekLongValueColumn> longValueColumns;
  bool endsWithFFFF = false;
};

class PeekFile {
 public:
  explicit PeekFile(PeekBytes bytes) : bytes_(std::move(bytes)) {}
  static PeekFile Load(const std::filesystem::path& path) { return PeekFile(ReadWholeFile(path)); }

  const PeekBytes& bytes() const { return bytes_; }
  std::uint32_t pageCount() const { return static_cast<std::uint32_t>(bytes_.size() / 2048); }
  PeekBytes Page(std::uint32_t n) const;
  // Page 0 with bytes 0x18..0x95 unmasked.
  PeekBytes PlainHeader() const;

  PeekTdef Tdef(std::uint32_t page) const;

  struct Slot {
    std::uint16_t flags = 0;  // 0x4000 overflow pointer, 0x8000 deleted/moved
    PeekBytes row;
  };
  std::vector<Slot> Slots(std::uint32_t page) const;

  // The live rows of a table: every data page the table owns, in page order, skipping
  // overflow and deleted slots. Each row comes with its page and slot.
  struct LocatedRow {
    std::uint32_t page = 0;
    std::uint8_t slot = 0;
    PeekBytes row;
  };
  std::vector<LocatedRow> TableRows(std::uint32_t tdefPage) const;

  // A long value stored as one row of an LVAL page (flag 0x40), from its 12-byte field.
  PeekBytes SingleRowLongValue(const PeekBytes& field) const;

  // The pages an inline usage-map row lists.
  std::vector<std::uint32_t> UsageMapPages(std::uint32_t packedPointer) const;

 private:
  PeekBytes bytes_;
};

// A row's values by column number: nullopt for null; a Boolean column yields an empty value
// when True and nullopt when False.
std::vector<std::optional<PeekBytes>> DecodeRow(const PeekTdef& tdef, const PeekBytes& row);

// The properties of a KKD blob.
struct PeekProperty {
  std::string name;
  std::uint8_t ddl = 0;
  std::uint8_t type = 0;
  PeekBytes value;
};
struct PeekPropertyBlock {
  std::uint16_t chunkType = 0;  // 0 object, 1 column
  std::string target;
  std::vector<PeekProperty> properties;
};
struct PeekProperties {
  std::vector<std::string> names;
  std::vector<PeekPropertyBlock> blocks;
};
PeekProperties DecodeProperties(const PeekBytes& blob);

// The entries of an index leaf page (key bytes and row pointer), in stored order.
struct PeekLeafEntry {
  PeekBytes key;
  std::uint32_t page = 0;
  std::uint8_t slot = 0;
};
struct PeekLeaf {
  std::uint16_t freeSpace = 0;
  std::uint32_t owner = 0;
  std::uint32_t prev = 0, next = 0, tail = 0;
  std::uint8_t prefixLength = 0;
  std::vector<PeekLeafEntry> entries;
  std::size_t end = 0;  // offset after the last entry
};
PeekLeaf DecodeLeaf(const PeekBytes& page);

}  // namespace frixa::testing
