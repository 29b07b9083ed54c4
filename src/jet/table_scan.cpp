// TableScan: the stored-order walk over a table's pages and slots.
#include "jet/table_scan.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "jet/usage_map.h"

namespace frixa::jet {

RowChain ResolveRow(const PageFile& file, PageNumber table, RowLocation anchor) {
  const auto where = [](RowLocation at) {
    return "page " + std::to_string(at.page) + " row " + std::to_string(at.slot);
  };
  RowChain chain;
  chain.anchor = anchor;
  RowLocation at = anchor;
  for (std::size_t hop = 0;; ++hop) {
    const DataPageView page(file.Page(at.page));
    if (page.Owner() != table) {
      if (hop == 0) ThrowCorrupt(where(at) + " is not a row of the table on page " + std::to_string(table));
      ThrowCorrupt(where(anchor) + " points to page " + std::to_string(at.page) +
                   ", which belongs to another table");
    }
    const RowSlot slot = page.Slot(at.slot);
    if (slot.IsDeleted() || (hop == 0 && slot.IsMovedRow())) {
      chain.deleted = true;
      return chain;
    }
    if (hop > 0) chain.hops[chain.hopCount++] = at;
    if (!slot.IsOverflowPointer()) return chain;
    if (hop >= table_scan::kMaxOverflowHops) ThrowCorrupt(where(anchor) + ": its overflow pointers loop");
    const RowPointer next = RowPointer::FromU32(ReadU32(page.Row(at.slot), 0));
    at = RowLocation{next.page, next.row};
  }
}

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
    if (!entry.IsInStoredOrder()) continue;  // deleted, or a moved row reached through its pointer
    location_ = RowLocation{page_->Number(), slot};
    if (!entry.IsOverflowPointer()) {
      LoadRow(*page_, slot);
      return true;
    }
    const RowChain chain = ResolveRow(*file_, def_->page, location_);
    if (chain.deleted) continue;  // the moved row was deleted since
    const RowLocation home = chain.Home();
    LoadRow(DataPageView(file_->Page(home.page)), home.slot);
    return true;
  }
}

void TableScan::LoadRow(const DataPageView& page, std::uint16_t slot) {
  storage_ = RowLocation{page.Number(), slot};
  row_ = page.Row(slot);
  split_ = false;
}

const std::vector<FieldBytes>& TableScan::Fields() const {
  if (!split_) {
    NameCorruption(file_->Name(), [&] { SplitRow(row_, *def_, fields_); });
    split_ = true;
  }
  return fields_;
}

Value TableScan::ReadValue(std::size_t column) const {
  const std::vector<FieldBytes>& fields = Fields();
  return NameCorruption(file_->Name(), [&] {
    return DecodeValue(*file_, def_->columns.at(column), fields.at(column));
  });
}

std::vector<Value> TableScan::ReadRow() const {
  const std::size_t count = Fields().size();
  std::vector<Value> values;
  values.reserve(count);
  for (std::size_t c = 0; c < count; ++c) values.push_back(ReadValue(c));
  return values;
}

FixedNumber TableScan::FromSplit(std::size_t column) const {
  const FieldBytes& f = Fields()[column];
  return f.present ? LoadFixedNumber(def_->columns[column].Type(), f.bytes.data()) : FixedNumber{};
}

FixedNumber TableScan::ReadFixedNumber(std::size_t column) const {
  const ColumnDef& col = def_->columns.at(column);
  if (!col.IsFixed() || !IsFixedNumberType(col.Type())) {
    throw std::invalid_argument("TableScan: a typed read of a column that is no fixed-size number");
  }
  if (def_->varColumnCount > 0) {
    // Where the fixed area ends depends on the variable part: the full split checks it.
    return FromSplit(column);
  }
  // count | fixed area | null mask, as SplitRow reads a row without variable columns.
  const std::size_t length = row_.size();
  if (length == 0) NameCorruption(file_->Name(), [] { ThrowCorrupt("row: no bytes"); });
  const std::size_t rowColumns = row_[row_format::kColumnCountOffset];
  const std::size_t maskSize = row_format::NullMaskSize(rowColumns);
  if (1 + maskSize > length || col.number >= rowColumns) {
    // A damaged row, or one written before the column existed: the split says which.
    return FromSplit(column);
  }
  const std::size_t maskStart = length - maskSize;
  if (((row_[maskStart + col.number / 8] >> (col.number % 8)) & 1u) == 0) return FixedNumber{};
  const std::size_t size = FixedSizeOf(col.Type());
  const std::size_t start = row_format::kFixedAreaOffset + col.fixedOffset;
  if (start > maskStart || size > maskStart - start) return FromSplit(column);  // raises
  return LoadFixedNumber(col.Type(), row_.data() + start);
}

void TableScan::ReadFixedNumbers(std::span<FixedNumber> out) const {
  const std::size_t columns = def_->columns.size();
  if (out.size() != columns) throw std::invalid_argument("TableScan: one number per column");
  if (layout_.empty() && columns > 0) {
    for (std::size_t c = 0; c < columns; ++c) {
      const ColumnDef& col = def_->columns[c];
      if (!col.IsFixed() || !IsFixedNumberType(col.Type())) {
        throw std::invalid_argument("TableScan: a typed read of a column that is no fixed-size number");
      }
      layout_.push_back({col.Type(), row_format::kFixedAreaOffset + col.fixedOffset,
                         FixedSizeOf(col.Type()), col.number});
      layoutColumns_ = std::max<std::size_t>(layoutColumns_, col.number + 1u);
    }
  }
  const std::size_t length = row_.size();
  if (def_->varColumnCount == 0 && length > 0) {
    const std::size_t rowColumns = row_[row_format::kColumnCountOffset];
    const std::size_t maskSize = row_format::NullMaskSize(rowColumns);
    if (rowColumns >= layoutColumns_ && 1 + maskSize <= length) {
      const std::size_t maskStart = length - maskSize;
      bool inside = true;
      for (const FixedLayout& l : layout_) inside = inside && l.start <= maskStart && l.size <= maskStart - l.start;
      if (inside) {
        const std::uint8_t* mask = row_.data() + maskStart;
        for (std::size_t c = 0; c < columns; ++c) {
          const FixedLayout& l = layout_[c];
          out[c] = ((mask[l.number / 8] >> (l.number % 8)) & 1u) == 0
                       ? FixedNumber{}
                       : LoadFixedNumber(l.type, row_.data() + l.start);
        }
        return;
      }
    }
  }
  // Variable columns, a damaged row or one written before a column existed: column by column,
  // which raises what the row's damage calls for.
  for (std::size_t c = 0; c < columns; ++c) out[c] = ReadFixedNumber(c);
}

}  // namespace frixa::jet
