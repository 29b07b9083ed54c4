// The page model: a Jet 3 file is a run of 2048-byte pages, numbered from 0, page n at byte
// n * 2048. Byte 0 of every page names its kind. PageView is a read-only window on one page;
// the views of each kind (DataPageView, the table definition reader, ...) build on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "jet/byte_order.h"

namespace frixa::jet {

inline constexpr std::size_t kPageSize = 2048;

using PageNumber = std::uint32_t;

// Byte 0 of a page.
enum class PageType : std::uint8_t {
  kDatabaseDefinition = 0,  // page 0 only
  kData = 1,                // rows; also usage-map pages (owner 0) and long-value pages ("LVAL")
  kTableDefinition = 2,     // TDEF, possibly continued on further TDEF pages
  kIndexNode = 3,
  kIndexLeaf = 4,
  kUsageBitmap = 5,         // bitmap page of a reference usage map
};

// Where a row lives: the 4-byte pointer that TDEFs, overflow slots and long values use.
//
//   byte 0      bytes 1..3
//  +----------+--------------------+
//  | row slot | page number (u24)  |
//  +----------+--------------------+
struct RowPointer {
  PageNumber page = 0;
  std::uint8_t row = 0;

  static RowPointer FromU32(std::uint32_t raw) {
    return RowPointer{raw >> 8, static_cast<std::uint8_t>(raw & 0xFFu)};
  }
  std::uint32_t ToU32() const { return (page << 8) | row; }
  bool IsNull() const { return page == 0 && row == 0; }
  friend bool operator==(const RowPointer&, const RowPointer&) = default;
};

class PageView {
 public:
  PageView(PageNumber number, ByteSpan bytes) : number_(number), bytes_(bytes) {}

  PageNumber Number() const { return number_; }
  ByteSpan Bytes() const { return bytes_; }
  std::uint8_t TypeByte() const { return bytes_[0]; }
  bool Is(PageType type) const { return TypeByte() == static_cast<std::uint8_t>(type); }

 private:
  PageNumber number_;
  ByteSpan bytes_;  // exactly kPageSize bytes
};

}  // namespace frixa::jet
