// DataPageView: bounds-checked access to the slot table and the rows of a data page.
#include "jet/data_page.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace frixa::jet {

namespace {
std::string Where(PageNumber page) { return "page " + std::to_string(page); }
}  // namespace

DataPageView::DataPageView(PageView page) : page_(page), slotCount_(0) {
  if (!page.Is(PageType::kData)) {
    ThrowCorrupt(Where(page.Number()) + " should be a data page but is of type " +
                 std::to_string(page.TypeByte()));
  }
  slotCount_ = ReadU16(page.Bytes(), data_page::kSlotCountOffset);
  if (slotCount_ > data_page::kMaxSlots) {
    ThrowCorrupt(Where(page.Number()) + " claims " + std::to_string(slotCount_) +
                 " row slots, more than a page can hold");
  }
}

std::uint32_t DataPageView::Owner() const {
  return ReadU32(page_.Bytes(), data_page::kOwnerOffset);
}

std::uint16_t DataPageView::FreeSpace() const {
  return ReadU16(page_.Bytes(), data_page::kFreeSpaceOffset);
}

RowSlot DataPageView::Slot(std::size_t index) const {
  if (index >= slotCount_) {
    ThrowCorrupt(Where(page_.Number()) + " has no row slot " + std::to_string(index));
  }
  return RowSlot{
      ReadU16(page_.Bytes(), data_page::kSlotTableOffset + index * data_page::kSlotSize)};
}

ByteSpan DataPageView::Row(std::size_t index) const {
  const std::size_t start = Slot(index).Start();
  const std::size_t end = index == 0 ? kPageSize : Slot(index - 1).Start();
  const std::size_t headerEnd = data_page::kSlotTableOffset + slotCount_ * data_page::kSlotSize;
  if (start < headerEnd || end < start || end > kPageSize) {
    ThrowCorrupt(Where(page_.Number()) + ": row " + std::to_string(index) + " spans bytes " +
                 std::to_string(start) + ".." + std::to_string(end) +
                 ", which do not lie between the slot table and the end of the page");
  }
  return page_.Bytes().subspan(start, end - start);
}

namespace data_page {

namespace {

std::uint16_t SlotCountOf(ByteSpan page) { return ReadU16(page, kSlotCountOffset); }

std::uint16_t SlotAt(ByteSpan page, std::size_t slot) {
  return ReadU16(page, kSlotTableOffset + slot * kSlotSize);
}

// The start of the lowest row (the page end when there is none), checked against the slot
// table: a page whose rows reach into its slot table is damaged.
std::size_t LowestRow(ByteSpan page) {
  const std::size_t count = SlotCountOf(page);
  if (count > kMaxSlots) ThrowCorrupt("a data page claims " + std::to_string(count) + " row slots");
  const std::size_t lowest = count == 0 ? kPageSize : (SlotAt(page, count - 1) & kOffsetMask);
  const std::size_t tableEnd = kSlotTableOffset + count * kSlotSize;
  if (lowest < tableEnd || lowest > kPageSize) {
    ThrowCorrupt("a data page's last row starts at " + std::to_string(lowest) +
                 ", inside its slot table or past its end");
  }
  return lowest;
}

void StoreFreeSpace(MutableByteSpan page) {
  StoreU16(page, kFreeSpaceOffset, static_cast<std::uint16_t>(FreeBytes(page)));
}

}  // namespace

void Initialize(MutableByteSpan page, std::uint32_t owner) {
  std::memset(page.data(), 0, page.size());
  page[kTypeOffset] = static_cast<std::uint8_t>(PageType::kData);
  page[kTypeOffset + 1] = 0x01;
  StoreU16(page, kFreeSpaceOffset, static_cast<std::uint16_t>(kEmptyFreeSpace));
  StoreU32(page, kOwnerOffset, owner);
  StoreU16(page, kSlotCountOffset, 0);
}

std::size_t FreeBytes(ByteSpan page) {
  return LowestRow(page) - (kSlotTableOffset + SlotCountOf(page) * kSlotSize);
}

bool RoomForRow(ByteSpan page, std::size_t rowSize) {
  return SlotCountOf(page) < kMaxRowsPerPage && FreeBytes(page) >= rowSize + kSlotSize;
}

std::uint16_t AddRow(MutableByteSpan page, ByteSpan row, std::uint16_t flags) {
  const std::uint16_t slot = SlotCountOf(page);
  const std::size_t start = LowestRow(page) - row.size();
  if (!row.empty()) std::memcpy(page.data() + start, row.data(), row.size());
  StoreU16(page, kSlotTableOffset + slot * kSlotSize, static_cast<std::uint16_t>(start | flags));
  StoreU16(page, kSlotCountOffset, static_cast<std::uint16_t>(slot + 1));
  StoreFreeSpace(page);
  return slot;
}

std::size_t RowsThatFit(ByteSpan page, std::size_t rowSize, std::size_t count) {
  const std::size_t slots = SlotCountOf(page);
  const std::size_t free = FreeBytes(page);
  const std::size_t bySlots = slots < kMaxRowsPerPage ? kMaxRowsPerPage - slots : 0;
  const std::size_t byBytes = free / (rowSize + kSlotSize);
  return std::min({count, bySlots, byBytes});
}

void AddRows(MutableByteSpan page, const std::uint8_t* rows, std::size_t rowSize, std::size_t count) {
  const std::size_t first = SlotCountOf(page);
  std::size_t lowest = LowestRow(page);
  for (std::size_t i = 0; i < count; ++i) {
    lowest -= rowSize;
    if (rowSize > 0) std::memcpy(page.data() + lowest, rows + i * rowSize, rowSize);
    StoreU16(page, kSlotTableOffset + (first + i) * kSlotSize, static_cast<std::uint16_t>(lowest));
  }
  StoreU16(page, kSlotCountOffset, static_cast<std::uint16_t>(first + count));
  StoreFreeSpace(page);
}

bool ReplaceRow(MutableByteSpan page, std::size_t slot, ByteSpan row, std::uint16_t flags) {
  const std::size_t count = SlotCountOf(page);
  if (slot >= count) ThrowCorrupt("a data page has no row slot " + std::to_string(slot));
  const std::size_t lowest = LowestRow(page);
  const std::size_t start = SlotAt(page, slot) & kOffsetMask;
  const std::size_t end = slot == 0 ? kPageSize : (SlotAt(page, slot - 1) & kOffsetMask);
  if (start < lowest || end < start) ThrowCorrupt("a data page's rows are not packed in slot order");
  const std::size_t oldSize = end - start;
  if (row.size() > oldSize && row.size() - oldSize > FreeBytes(page)) return false;

  // The later rows lie in [lowest, start); they move by the change in size.
  const std::size_t newStart = end - row.size();
  const std::size_t newLowest = lowest + newStart - start;
  if (start > lowest) std::memmove(page.data() + newLowest, page.data() + lowest, start - lowest);
  // A deleted row is shrunk to nothing: an empty row has no bytes (and maybe no buffer) to copy.
  if (!row.empty()) std::memcpy(page.data() + newStart, row.data(), row.size());
  StoreU16(page, kSlotTableOffset + slot * kSlotSize, static_cast<std::uint16_t>(newStart | flags));
  for (std::size_t later = slot + 1; later < count; ++later) {
    const std::uint16_t raw = SlotAt(page, later);
    const std::size_t moved = (raw & kOffsetMask) + newStart - start;
    StoreU16(page, kSlotTableOffset + later * kSlotSize,
             static_cast<std::uint16_t>(moved | (raw & kFlagsMask)));
  }
  StoreFreeSpace(page);
  return true;
}

}  // namespace data_page

}  // namespace frixa::jet
