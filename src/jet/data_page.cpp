// DataPageView: bounds-checked access to the slot table and the rows of a data page.
#include "jet/data_page.h"

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

}  // namespace frixa::jet
