// TableScan: the stored-order walk over a table's pages and slots.
#include "jet/table_scan.h"

#include <string>

#include "jet/usage_map.h"

namespace frixa::jet {

TableScan::TableScan(const PageFile& file, const TableDef& def) : file_(&file), def_(&def) {
  pages_ = NameCorruption(file.Name(), [&] { return ReadUsageMap(file, def.ownedPagesMap); });
}

bool TableScan::EnterPage() {
  while (pageIndex_ < pages_.size()) {
    const PageView view = file_->Page(pages_[pageIndex_++]);
    // The owned map also lists the table's other pages (definition, indexes, long values).
    if (!view.Is(PageType::kData)) continue;
    DataPageView page(view);
    if (page.Owner() != def_->page) continue;
    page_.emplace(page);
    nextSlot_ = 0;
    return true;
  }
  page_.reset();
  return false;
}

bool TableScan::Next() {
  return NameCorruption(file_->Name(), [&] { return Advance(); });
}

bool TableScan::Advance() {
  while (true) {
    if (!page_ || nextSlot_ >= page_->SlotCount()) {
      if (!EnterPage()) return false;
      continue;
    }
    const auto slot = static_cast<std::uint16_t>(nextSlot_++);
    const RowSlot entry = page_->Slot(slot);
    if (entry.IsDeletedFlag()) continue;  // deleted, or a moved row reached through its pointer
    location_ = RowLocation{page_->Number(), slot};
    if (!entry.IsOverflow()) {
      LoadRow(*page_, slot);
      return true;
    }
    // Follow the overflow pointer(s) to where the row lives now.
    RowPointer target = RowPointer::FromU32(ReadU32(page_->Row(slot), 0));
    for (int hop = 0;; ++hop) {
      if (hop >= table_scan::kMaxOverflowHops) {
        ThrowCorrupt("page " + std::to_string(location_.page) + " row " +
                     std::to_string(slot) + ": its overflow pointers loop");
      }
      const DataPageView home(file_->Page(target.page));
      if (home.Owner() != def_->page) {
        ThrowCorrupt("page " + std::to_string(location_.page) + " row " +
                     std::to_string(slot) + " points to page " + std::to_string(target.page) +
                     ", which belongs to another table");
      }
      const RowSlot homeSlot = home.Slot(target.row);
      if (homeSlot.IsDeleted()) break;  // the moved row was deleted since
      if (homeSlot.IsOverflow()) {
        target = RowPointer::FromU32(ReadU32(home.Row(target.row), 0));
        continue;
      }
      LoadRow(home, target.row);
      return true;
    }
  }
}

void TableScan::LoadRow(const DataPageView& page, std::uint16_t slot) {
  storage_ = RowLocation{page.Number(), slot};
  row_ = page.Row(slot);
  SplitRow(row_, *def_, fields_);
}

Value TableScan::ReadValue(std::size_t column) const {
  return NameCorruption(file_->Name(), [&] {
    return DecodeValue(*file_, def_->columns.at(column), fields_.at(column));
  });
}

std::vector<Value> TableScan::ReadRow() const {
  std::vector<Value> values;
  values.reserve(fields_.size());
  for (std::size_t c = 0; c < fields_.size(); ++c) values.push_back(ReadValue(c));
  return values;
}

}  // namespace frixa::jet
