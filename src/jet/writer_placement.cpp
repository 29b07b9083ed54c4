// Writer's page placement: where rows go on the table's data pages, new pages taken from the
// file, and the usage maps and row count kept right as they change.
#include "jet/writer.h"

#include "jet/data_page.h"

namespace frixa::jet {

namespace {

bool HasRoom(ByteSpan page, std::size_t rowSize) { return data_page::RoomForRow(page, rowSize); }

}  // namespace

// The writer's pages as the usage-map code sees them.
class Writer::MapPages final : public UsageMapPages {
 public:
  explicit MapPages(Writer& w) : w_(w) {}
  ByteSpan Read(PageNumber page) override { return w_.file_.Page(page).Bytes(); }
  MutableByteSpan Edit(PageNumber page) override { return w_.Edit(page); }
  PageNumber Append() override { return w_.AppendPage(); }
  PageNumber PageCount() const override { return w_.file_.PageCount(); }

 private:
  Writer& w_;
};

PageNumber Writer::AllocatePage() {
  const PageNumber page = AppendPage();
  MarkUsed(page);
  return page;
}

void Writer::MarkUsed(PageNumber page) {
  MapPages pages(*this);
  SetUsageMapBit(pages, usage_map::kGlobalMap, page, false, UsageMapKind::kGlobalFree);
  // Bitmap pages the global map added for itself mark themselves used; one that lands in a
  // range the map does not cover yet needs that range's bitmap page.
  while (!UsageMapCovers(pages, usage_map::kGlobalMap, file_.PageCount() - 1)) {
    SetUsageMapBit(pages, usage_map::kGlobalMap, file_.PageCount() - 1, false, UsageMapKind::kGlobalFree);
  }
}

void Writer::SetMapBit(RowPointer map, PageNumber page, bool member, UsageMapKind kind) {
  if (map.IsNull()) ThrowCorrupt("a table has no usage map");
  MapPages pages(*this);
  const PageNumber before = file_.PageCount();
  SetUsageMapBit(pages, map, page, member, kind);
  const PageNumber after = file_.PageCount();
  for (PageNumber added = before; added < after; ++added) MarkUsed(added);
}

PageNumber Writer::NewDataPage(TableState& t) {
  const PageNumber page = AllocatePage();
  data_page::Initialize(Edit(page), t.tdef);
  SetMapBit(t.def.ownedPagesMap, page, true, UsageMapKind::kExact);
  SetMapBit(t.def.freeSpaceMap, page, true, UsageMapKind::kHint);
  return page;
}

void Writer::FreeChanged(TableState& t, PageNumber page, std::size_t freeBefore) {
  const std::size_t freeAfter = data_page::FreeBytes(file_.Page(page).Bytes());
  const bool wasIn = freeBefore >= t.freeThreshold;
  const bool isIn = freeAfter >= t.freeThreshold;
  if (wasIn != isIn) SetMapBit(t.def.freeSpaceMap, page, isIn, UsageMapKind::kHint);
}

RowLocation Writer::Place(TableState& t, ByteSpan row, std::uint16_t flags) {
  if (t.lastPage == 0 || !HasRoom(file_.Page(t.lastPage).Bytes(), row.size())) {
    t.lastPage = NewDataPage(t);
  }
  const PageNumber page = t.lastPage;
  const std::size_t before = data_page::FreeBytes(file_.Page(page).Bytes());
  const std::uint16_t slot = data_page::AddRow(Edit(page), row, flags);
  FreeChanged(t, page, before);
  return RowLocation{page, slot};
}

void Writer::PlaceRows(TableState& t, const std::uint8_t* rows, std::size_t size, std::size_t count) {
  // Page by page: as many rows as the page being filled takes, then a new page.
  for (std::size_t r = 0; r < count;) {
    std::size_t fit = t.lastPage == 0 ? 0 : data_page::RowsThatFit(file_.Page(t.lastPage).Bytes(), size, count - r);
    if (fit == 0) {
      t.lastPage = NewDataPage(t);
      fit = data_page::RowsThatFit(file_.Page(t.lastPage).Bytes(), size, count - r);
      if (fit == 0) RaiseJetError(errnum::kJetRecordTooLarge);
    }
    const std::size_t before = data_page::FreeBytes(file_.Page(t.lastPage).Bytes());
    data_page::AddRows(Edit(t.lastPage), rows + r * size, size, fit);
    FreeChanged(t, t.lastPage, before);
    r += fit;
  }
}

void Writer::PlaceChangedRow(TableState& t, RowLocation row, ByteSpan bytes) {
  const RowChain chain = Chain(t, row);
  if (chain.hopCount == 0) {
    // The row stands in its own slot: grow or shrink it there when the page has room.
    const std::size_t before = data_page::FreeBytes(file_.Page(row.page).Bytes());
    if (data_page::ReplaceRow(Edit(row.page), row.slot, bytes, 0)) {
      FreeChanged(t, row.page, before);
      return;
    }
    const std::size_t oldSize = DataPageView(file_.Page(row.page)).Row(row.slot).size();
    if (oldSize < data_page::kOverflowPointerSize && data_page::kOverflowPointerSize - oldSize > before) {
      RaiseJetError(errnum::kJetRecordTooLarge);
    }
  } else {
    // A moved row: change it where it lives, or move it on.
    const RowLocation home = chain.Home();
    const std::size_t before = data_page::FreeBytes(file_.Page(home.page).Bytes());
    if (data_page::ReplaceRow(Edit(home.page), home.slot, bytes, data_page::kMovedRowFlag)) {
      FreeChanged(t, home.page, before);
      return;
    }
    for (const RowLocation& hop : chain.Hops()) Replace(t, hop, {}, data_page::kDeletedRow);
  }
  // It moves to where new rows go; its slot keeps a pointer to it.
  const RowLocation moved = Place(t, bytes, data_page::kMovedRowFlag);
  std::uint8_t pointer[data_page::kOverflowPointerSize];
  StoreU32(MutableByteSpan(pointer), 0, RowPointer{moved.page, static_cast<std::uint8_t>(moved.slot)}.ToU32());
  Replace(t, row, ByteSpan(pointer), data_page::kOverflowPointerFlag);
}

void Writer::Replace(TableState& t, RowLocation at, ByteSpan row, std::uint16_t flags) {
  const std::size_t before = data_page::FreeBytes(file_.Page(at.page).Bytes());
  if (!data_page::ReplaceRow(Edit(at.page), at.slot, row, flags)) {
    ThrowCorrupt("page " + std::to_string(at.page) + " has no room left for a row it had room for");
  }
  FreeChanged(t, at.page, before);
}

void Writer::AddToRowCount(TableState& t, int delta) {
  const MutableByteSpan page = Edit(t.tdef);
  const std::uint32_t count = ReadU32(page, tdef::kRowCountOffset);
  StoreU32(page, tdef::kRowCountOffset, static_cast<std::uint32_t>(static_cast<std::int64_t>(count) + delta));
}

RowChain Writer::Chain(const TableState& t, RowLocation anchor) {
  const RowChain chain = ResolveRow(file_, t.tdef, anchor);
  if (chain.deleted) RaiseJetError(errnum::kJetRecordDeleted);
  return chain;
}

}  // namespace frixa::jet
