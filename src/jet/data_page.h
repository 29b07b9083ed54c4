// Data pages (type 1): the pages that hold rows. Table rows, usage maps and long values all
// live on them; only the owner field tells them apart.
//
//   0    1    2..3         4..7             8..9         10 ..
//  +----+----+------------+----------------+------------+--------------------------------+
//  | 01 | 01 | free space | owner TDEF page| slot count | slot offsets, u16 each, slot 0 |
//  +----+----+------------+----------------+------------+--------------------------------+
//  | ... free ...                  | row n-1 | ... | row 1 | row 0 |  <- end of page (2048)
//
// Rows pack downward from the end of the page in slot order: row i runs from its own offset
// up to the offset of row i - 1 (row 0 up to the end of the page), with no gap between rows.
// Free space = 2048 - 10 - sum(row length + 2). A slot's offset keeps the row start in its low
// 13 bits and two flags above:
//   0x4000  overflow pointer: the row holds a 4-byte RowPointer to where the row now lives
//   0x8000  moved row: the new home of a row, reached only through the pointer in its old slot
//   0xC000  both: a deleted row, shrunk to nothing
#pragma once

#include <cstdint>

#include "jet/page.h"

namespace frixa::jet {

namespace data_page {
inline constexpr std::size_t kTypeOffset = 0;        // PageType::kData
inline constexpr std::size_t kFreeSpaceOffset = 2;   // u16
inline constexpr std::size_t kOwnerOffset = 4;       // u32 TDEF page; 0 on usage-map pages
inline constexpr std::size_t kSlotCountOffset = 8;   // u16
inline constexpr std::size_t kSlotTableOffset = 10;  // u16 per slot
inline constexpr std::size_t kSlotSize = 2;
inline constexpr std::size_t kEmptyFreeSpace = kPageSize - kSlotTableOffset;  // 2038
inline constexpr std::uint16_t kOffsetMask = 0x1FFF;
inline constexpr std::uint16_t kOverflowPointerFlag = 0x4000;
inline constexpr std::uint16_t kMovedRowFlag = 0x8000;
inline constexpr std::uint32_t kLongValueOwner = 0x4C41564C;  // "LVAL"
// At most this many slots fit in the header part of a page.
inline constexpr std::size_t kMaxSlots = (kPageSize - kSlotTableOffset) / kSlotSize;
// Jet 3 keeps at most this many rows on a data page (a row pointer names its slot in one byte).
inline constexpr std::size_t kMaxRowsPerPage = 255;
inline constexpr std::uint16_t kFlagsMask = kOverflowPointerFlag | kMovedRowFlag;
inline constexpr std::uint16_t kDeletedRow = kOverflowPointerFlag | kMovedRowFlag;  // 0xC000
inline constexpr std::size_t kOverflowPointerSize = 4;                      // a RowPointer

// ---- changing data pages (the writer) ----------------------------------------------------
// Each keeps the page packed (rows contiguous from the end in slot order) and its free-space
// field right. They raise CorruptError when the slot table does not describe a packed page.

// Makes `page` an empty data page of `owner`: 01 01, free 2038, owner, no rows.
void Initialize(MutableByteSpan page, std::uint32_t owner);
// Bytes free for rows and their slots: from the end of the slot table to the lowest row.
std::size_t FreeBytes(ByteSpan page);
// True when a new slot holding `rowSize` bytes fits.
bool RoomForRow(ByteSpan page, std::size_t rowSize);
// Adds `row` as a new last slot with `flags`; returns its slot. The caller checks RoomForRow.
std::uint16_t AddRow(MutableByteSpan page, ByteSpan row, std::uint16_t flags);
// How many of `count` rows of `rowSize` bytes each fit as new slots, one after another.
std::size_t RowsThatFit(ByteSpan page, std::size_t rowSize, std::size_t count);
// Adds `count` rows of `rowSize` bytes each, stored one after another in `rows`, as new last
// slots without flags: the page AddRow leaves for each in turn. The caller checks RowsThatFit.
void AddRows(MutableByteSpan page, const std::uint8_t* rows, std::size_t rowSize, std::size_t count);
// Gives `slot` the bytes `row` (any length, 0 included) and the flags `flags`; the rows of the
// later slots move to make or give back the room. Returns false, leaving the page as it was,
// when the page has no room for the longer row.
bool ReplaceRow(MutableByteSpan page, std::size_t slot, ByteSpan row, std::uint16_t flags);
}  // namespace data_page

// One entry of the slot table.
struct RowSlot {
  std::uint16_t raw = 0;

  std::uint16_t Start() const { return raw & data_page::kOffsetMask; }
  std::uint16_t Flags() const { return raw & data_page::kFlagsMask; }
  // The slot holds a pointer to where its row lives now.
  bool IsOverflowPointer() const { return Flags() == data_page::kOverflowPointerFlag; }
  // A row moved here by an update; it is read through the overflow pointer that replaced it.
  bool IsMovedRow() const { return Flags() == data_page::kMovedRowFlag; }
  bool IsDeleted() const { return Flags() == data_page::kDeletedRow; }
  // A slot that stands for a row in stored order: its own row, or a pointer to it.
  bool IsInStoredOrder() const { return (raw & data_page::kMovedRowFlag) == 0; }
};

// A checked view of a data page. Construction checks the page type and the slot table; row
// bounds are checked when a row is asked for.
class DataPageView {
 public:
  // Raises CorruptError when `page` is not a data page or its slot table does not fit.
  explicit DataPageView(PageView page);

  PageNumber Number() const { return page_.Number(); }
  std::uint32_t Owner() const;
  std::uint16_t FreeSpace() const;
  std::uint16_t SlotCount() const { return slotCount_; }
  RowSlot Slot(std::size_t index) const;

  // The bytes of row `index` (its slot flags aside): [start, end of the previous row).
  // Raises CorruptError when the offsets do not describe a row inside the page.
  ByteSpan Row(std::size_t index) const;

 private:
  PageView page_;
  std::uint16_t slotCount_;
};

}  // namespace frixa::jet
