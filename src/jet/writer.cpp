// Writer: rows in, pages changed, pages saved; see writer.h.
#include "jet/writer.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <utility>

#include "jet/data_page.h"
#include "jet/properties.h"
#include "jet/text.h"

namespace frixa::jet {

namespace {

constexpr std::size_t kLargestRow = data_page::kEmptyFreeSpace - data_page::kSlotSize;

[[noreturn]] void NotWritable(const std::string& why) {
  throw Error(errnum::kJetReadOnly, JetErrorDescription(errnum::kJetReadOnly) + "  (" + why + ")");
}

bool HasRoom(ByteSpan page, std::size_t rowSize) { return data_page::RoomForRow(page, rowSize); }

[[noreturn]] void WrongKind() { RaiseJetError(errnum::kJetConversionError); }

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

Writer::Writer(PageFile& file, std::string path, std::optional<FileStamp> stamp, FileAccess& files)
    : file_(file), files_(files), path_(std::move(path)), stamp_(std::move(stamp)), diskPageCount_(file.PageCount()) {
  dirty_.assign(file_.PageCount(), 0);
}

Writer::~Writer() = default;

void Writer::SetMode(WriteMode mode) {
  if (mode == mode_) return;
  if (mode == WriteMode::kWriteBehind) {
    CheckWritable();
  } else {
    Flush();
  }
  mode_ = mode;
}

void Writer::CheckWritable() const {
  if (files_.IsReadOnly(path_)) RaiseJetError(errnum::kJetReadOnly);
}

void Writer::CheckTableWritable(PageNumber table) {
  // Write-behind checked the file when it began, and each save checks it again.
  if (mode_ != WriteMode::kWriteBehind) CheckWritable();
  (void)State(table);
}

void Writer::Guard() {
  if (broken_) {
    throw Error(errnum::kJetCorrupt,
                JetErrorDescription(errnum::kJetCorrupt, path_) +
                    "  (an earlier change failed half-way; nothing more is written)");
  }
  if (mode_ == WriteMode::kWriteThrough) CheckWritable();
}

// ---- tables ---------------------------------------------------------------------------------

Writer::TableState& Writer::State(PageNumber table) {
  for (auto& t : tables_) {
    if (t.tdef == table) return t;
  }
  tables_.push_back(LoadState(table));
  return tables_.back();
}

Writer::TableState Writer::LoadState(PageNumber table) {
  // Page 1 must be the global map: a data page whose owner field is 1.
  const PageView global = file_.Page(usage_map::kGlobalMap.page);
  if (!global.Is(PageType::kData) || DataPageView(global).Owner() != usage_map::kGlobalMapPageOwner) {
    NotWritable("page 1 does not hold a global usage map");
  }
  TableState t;
  t.tdef = table;
  t.def = ReadTableDef(file_, table);
  const CatalogTable entry = ReadCatalogTable(file_, table);
  t.name = entry.name;
  if (t.def.kind != tdef::kKindUser) NotWritable("'" + t.name + "' is a system table");
  if (t.def.realIndexCount > 0 || t.def.logicalIndexCount > 0) {
    NotWritable("'" + t.name + "' has indexes, which this engine does not maintain");
  }
  for (const auto& col : t.def.columns) {
    if ((col.flags & column_flags::kAutoNumber) != 0) {
      NotWritable("'" + t.name + "' has an AutoNumber column");
    }
    ColumnRules rules;
    // A text column without the property refuses "", as Jet's own default has it.
    rules.allowZeroLength = ColumnFlag(entry.properties, col.name, "AllowZeroLength").value_or(false);
    rules.required = ColumnFlag(entry.properties, col.name, "Required").value_or(false);
    t.rules.push_back(rules);
  }
  scratch_.resize(std::max(scratch_.size(), t.def.columns.size()));

  // The smallest row the table can have: every column null.
  std::vector<FieldBytes> nulls(t.def.columns.size());
  std::vector<std::uint8_t> smallest;
  EncodeRow(t.def.columns, t.def.maxColumns, nulls, smallest);
  t.freeThreshold = smallest.size() + data_page::kSlotSize;
  t.fixedRows = t.def.varColumnCount == 0 &&
                std::all_of(t.def.columns.begin(), t.def.columns.end(), [](const ColumnDef& col) {
                  return col.IsFixed() && IsFixedNumberType(col.Type());
                });
  t.emptyRow = std::move(smallest);

  // New rows go after the last data page the table owns.
  const std::vector<PageNumber> owned = NameCorruption(file_.Name(), [&] {
    return ReadUsageMap(file_, t.def.ownedPagesMap);
  });
  for (auto it = owned.rbegin(); it != owned.rend(); ++it) {
    const PageView view = file_.Page(*it);
    if (view.Is(PageType::kData) && DataPageView(view).Owner() == table) {
      t.lastPage = *it;
      break;
    }
  }
  return t;
}

// ---- values ---------------------------------------------------------------------------------

void Writer::CheckValue(PageNumber table, std::size_t column, const Value& value) {
  TableState& t = State(table);
  if (column >= t.def.columns.size()) RaiseJetError(errnum::kJetItemNotFound);
  CheckColumnValue(t, column, value, false);
}

void Writer::CheckColumnValue(const TableState& t, std::size_t c, const Value& v, bool wholeRow) {
  const ColumnDef& col = t.def.columns[c];
  const auto item = [&] { return t.name + "." + col.name; };
  if (v.IsNull()) {
    if (wholeRow && t.rules[c].required) RaiseJetError(errnum::kJetNullNotAllowed, item());
    return;
  }
  switch (col.Type()) {
    case ColumnType::kBoolean:
      if (!v.Get<bool>()) WrongKind();
      return;
    case ColumnType::kByte:
    case ColumnType::kInteger:
    case ColumnType::kLong: {
      const auto* n = v.Get<std::int32_t>();
      if (!n) WrongKind();
      if (col.Type() == ColumnType::kByte && (*n < 0 || *n > 255)) RaiseJetError(errnum::kJetNumericOverflow);
      if (col.Type() == ColumnType::kInteger && (*n < -32768 || *n > 32767)) RaiseJetError(errnum::kJetNumericOverflow);
      return;
    }
    case ColumnType::kCurrency: if (!v.Get<Currency>()) WrongKind(); return;
    case ColumnType::kSingle: if (!v.Get<float>()) WrongKind(); return;
    case ColumnType::kDouble: if (!v.Get<double>()) WrongKind(); return;
    case ColumnType::kDateTime: if (!v.Get<DateTime>()) WrongKind(); return;
    case ColumnType::kGuid: if (!v.Get<Guid>()) WrongKind(); return;
    case ColumnType::kText: {
      const auto* text = v.Get<Text>();
      if (!text) WrongKind();
      if (text->bytes.size() > col.length) RaiseJetError(errnum::kJetTextTooLong);
      if (wholeRow && text->bytes.empty() && !t.rules[c].allowZeroLength) {
        RaiseJetError(errnum::kJetZeroLengthNotAllowed, item());
      }
      return;
    }
    case ColumnType::kBinary: {
      const auto* bin = v.Get<Binary>();
      if (!bin) WrongKind();
      if (bin->bytes.size() > col.length) RaiseJetError(errnum::kJetTextTooLong);
      return;
    }
    default:
      NotWritable("column '" + item() + "' holds long values, which this engine does not write");
  }
}

void Writer::Encode(TableState& t, std::span<const Value> values, bool wholeRow) {
  const auto& columns = t.def.columns;
  if (values.size() != columns.size()) throw std::invalid_argument("Writer: one value per column");
  fields_.assign(columns.size(), FieldBytes{});
  for (std::size_t c = 0; c < columns.size(); ++c) {
    const Value& v = values[c];
    CheckColumnValue(t, c, v, wholeRow);
    FieldBytes& f = fields_[c];
    if (v.IsNull()) continue;
    auto& buf = scratch_[c];
    const MutableByteSpan b(buf);
    f.present = true;
    switch (columns[c].Type()) {
      case ColumnType::kBoolean: f.present = *v.Get<bool>(); break;
      case ColumnType::kByte: buf[0] = static_cast<std::uint8_t>(*v.Get<std::int32_t>()); f.bytes = ByteSpan(buf.data(), 1); break;
      case ColumnType::kInteger: StoreU16(b, 0, static_cast<std::uint16_t>(*v.Get<std::int32_t>())); f.bytes = ByteSpan(buf.data(), 2); break;
      case ColumnType::kLong: StoreU32(b, 0, static_cast<std::uint32_t>(*v.Get<std::int32_t>())); f.bytes = ByteSpan(buf.data(), 4); break;
      case ColumnType::kCurrency: StoreU64(b, 0, static_cast<std::uint64_t>(v.Get<Currency>()->tenThousandths)); f.bytes = ByteSpan(buf.data(), 8); break;
      case ColumnType::kSingle: StoreF32(b, 0, *v.Get<float>()); f.bytes = ByteSpan(buf.data(), 4); break;
      case ColumnType::kDouble: StoreF64(b, 0, *v.Get<double>()); f.bytes = ByteSpan(buf.data(), 8); break;
      case ColumnType::kDateTime: StoreF64(b, 0, v.Get<DateTime>()->days); f.bytes = ByteSpan(buf.data(), 8); break;
      case ColumnType::kGuid: f.bytes = ByteSpan(v.Get<Guid>()->bytes); break;
      case ColumnType::kText: {
        const std::string& s = v.Get<Text>()->bytes;
        f.bytes = ByteSpan(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
        break;
      }
      case ColumnType::kBinary: f.bytes = ByteSpan(v.Get<Binary>()->bytes); break;
      default: break;  // refused by CheckColumnValue
    }
  }
  EncodeRow(columns, t.def.maxColumns, fields_, row_);
  if (row_.size() > kLargestRow) RaiseJetError(errnum::kJetRecordTooLarge);
}

// ---- changes --------------------------------------------------------------------------------

template <typename F>
auto Writer::Change(F&& body) {
  BeginChange();
  try {
    if constexpr (std::is_void_v<decltype(body())>) {
      body();
      EndChange();
    } else {
      auto result = body();
      EndChange();
      return result;
    }
  } catch (...) {
    if (inChange_) FailChange();
    throw;
  }
}

void Writer::BeginChange() {
  inChange_ = true;
  touched_ = false;
  changeStartCount_ = file_.PageCount();
  originals_.clear();
}

void Writer::EndChange() {
  inChange_ = false;
  if (mode_ == WriteMode::kWriteBehind) return;
  try {
    Flush();
  } catch (...) {
    // A failed replacement changed nothing on disk; a failed write in place may have.
    if (lastSaveInPlace_) RestoreDisk();
    RollBackMemory();
    throw;
  }
  originals_.clear();
}

void Writer::FailChange() {
  inChange_ = false;
  if (mode_ != WriteMode::kWriteBehind) {
    RollBackMemory();
  } else if (touched_) {
    broken_ = true;
  }
}

void Writer::RollBackMemory() {
  for (const auto& o : originals_) {
    const MutableByteSpan page = file_.MutablePage(o.page);
    std::memcpy(page.data(), o.bytes.data(), kPageSize);
  }
  file_.Truncate(changeStartCount_);
  // What is in memory is now what the disk held before the change.
  dirty_.assign(file_.PageCount(), 0);
  dirtyList_.clear();
  originals_.clear();
  tables_.clear();
}

void Writer::RestoreDisk() {
  // Puts back the pages the failed save may have overwritten and cuts the pages it added.
  try {
    std::vector<PageWrite> writes;
    for (const auto& o : originals_) {
      if (o.page < diskPageCount_) writes.push_back(PageWrite{o.page, ByteSpan(o.bytes)});
    }
    std::sort(writes.begin(), writes.end(), [](const PageWrite& a, const PageWrite& b) { return a.page < b.page; });
    files_.WritePages(path_, writes);
    files_.Resize(path_, std::uint64_t{diskPageCount_} * kPageSize);
    stamp_ = files_.Stamp(path_);
  } catch (...) {
    rewriteAll_ = true;  // the disk holds part of the change: the next save writes everything
  }
}

MutableByteSpan Writer::Edit(PageNumber page) {
  if (inChange_) {
    touched_ = true;
    if (mode_ != WriteMode::kWriteBehind && page < changeStartCount_) {
      const bool saved = std::any_of(originals_.begin(), originals_.end(),
                                     [page](const Original& o) { return o.page == page; });
      if (!saved) {
        const ByteSpan bytes = file_.Page(page).Bytes();
        originals_.push_back(Original{page, std::vector<std::uint8_t>(bytes.begin(), bytes.end())});
      }
    }
  }
  const MutableByteSpan bytes = file_.MutablePage(page);
  if (dirty_[page] == 0) {
    dirty_[page] = 1;
    dirtyList_.push_back(page);
  }
  return bytes;
}

PageNumber Writer::AppendPage() {
  touched_ = true;
  const PageNumber page = file_.AppendPage();
  dirty_.push_back(1);
  dirtyList_.push_back(page);
  return page;
}

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

// ---- the operations ---------------------------------------------------------------------------

RowLocation Writer::Append(PageNumber table, std::span<const Value> values) {
  Guard();
  TableState& t = State(table);
  Encode(t, values, true);
  return NameCorruption(path_, [&] {
    return Change([&] {
      const RowLocation at = Place(t, row_, 0);
      AddToRowCount(t, +1);
      return at;
    });
  });
}

bool Writer::TakesFixedRows(PageNumber table) { return State(table).fixedRows; }

void Writer::EncodeFixed(const TableState& t, std::span<const FixedNumber> values, std::uint8_t* out) const {
  const auto& columns = t.def.columns;
  std::memcpy(out, t.emptyRow.data(), t.emptyRow.size());
  const std::size_t mask = t.emptyRow.size() - row_format::NullMaskSize(t.def.maxColumns);
  for (std::size_t c = 0; c < columns.size(); ++c) {
    const ColumnDef& col = columns[c];
    const FixedNumber& v = values[c];
    if (!v.present) {
      if (t.rules[c].required) RaiseJetError(errnum::kJetNullNotAllowed, t.name + "." + col.name);
      continue;
    }
    if (col.Type() == ColumnType::kByte && (v.whole < 0 || v.whole > 255)) RaiseJetError(errnum::kJetNumericOverflow);
    if (col.Type() == ColumnType::kInteger && (v.whole < -32768 || v.whole > 32767)) RaiseJetError(errnum::kJetNumericOverflow);
    if (col.Type() == ColumnType::kLong && (v.whole < -2147483648LL || v.whole > 2147483647LL)) RaiseJetError(errnum::kJetNumericOverflow);
    StoreFixedNumber(col.Type(), v, out + row_format::kFixedAreaOffset + col.fixedOffset);
    out[mask + col.number / 8] = static_cast<std::uint8_t>(out[mask + col.number / 8] | (1u << (col.number % 8)));
  }
}

RowLocation Writer::AppendFixed(PageNumber table, std::span<const FixedNumber> values) {
  Guard();
  TableState& t = State(table);
  if (!t.fixedRows || values.size() != t.def.columns.size()) {
    throw std::invalid_argument("Writer: AppendFixed needs one number per column of a table of fixed numbers");
  }
  row_.resize(t.emptyRow.size());
  EncodeFixed(t, values, row_.data());
  return NameCorruption(path_, [&] {
    return Change([&] {
      const RowLocation at = Place(t, row_, 0);
      AddToRowCount(t, +1);
      return at;
    });
  });
}

void Writer::AppendFixedRows(PageNumber table, std::span<const FixedNumber> values) {
  Guard();
  TableState& t = State(table);
  const std::size_t columns = t.def.columns.size();
  if (!t.fixedRows || columns == 0 || values.size() % columns != 0) {
    throw std::invalid_argument("Writer: AppendFixedRows needs one number per column of a table of fixed numbers");
  }
  const std::size_t rows = values.size() / columns;
  if (mode_ != WriteMode::kWriteBehind) {
    for (std::size_t r = 0; r < rows; ++r) AppendFixed(table, values.subspan(r * columns, columns));
    return;
  }
  // Every row is encoded and checked first; the rows before one that fails are placed, then
  // its error is raised, as row by row.
  const std::size_t size = t.emptyRow.size();
  batch_.resize(rows * size);
  std::size_t good = 0;
  std::exception_ptr failure;
  try {
    for (; good < rows; ++good) EncodeFixed(t, values.subspan(good * columns, columns), batch_.data() + good * size);
  } catch (...) {
    failure = std::current_exception();
  }
  if (good > 0) {
    NameCorruption(path_, [&] {
      Change([&] {
        // Page by page: as many rows as the page being filled takes, then a new page.
        for (std::size_t r = 0; r < good;) {
          std::size_t fit = t.lastPage == 0 ? 0 : data_page::RowsThatFit(file_.Page(t.lastPage).Bytes(), size, good - r);
          if (fit == 0) {
            t.lastPage = NewDataPage(t);
            fit = data_page::RowsThatFit(file_.Page(t.lastPage).Bytes(), size, good - r);
            if (fit == 0) RaiseJetError(errnum::kJetRecordTooLarge);
          }
          const std::size_t before = data_page::FreeBytes(file_.Page(t.lastPage).Bytes());
          data_page::AddRows(Edit(t.lastPage), batch_.data() + r * size, size, fit);
          FreeChanged(t, t.lastPage, before);
          r += fit;
        }
        AddToRowCount(t, static_cast<int>(good));
      });
    });
  }
  if (failure) std::rethrow_exception(failure);
}

void Writer::Update(PageNumber table, RowLocation row, std::span<const Value> values) {
  Guard();
  TableState& t = State(table);
  Encode(t, values, true);
  NameCorruption(path_, [&] {
    Change([&] {
      const RowChain chain = Chain(t, row);
      if (chain.hopCount == 0) {
        // The row stands in its own slot: grow or shrink it there when the page has room.
        const std::size_t before = data_page::FreeBytes(file_.Page(row.page).Bytes());
        if (data_page::ReplaceRow(Edit(row.page), row.slot, row_, 0)) {
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
        if (data_page::ReplaceRow(Edit(home.page), home.slot, row_, data_page::kMovedRowFlag)) {
          FreeChanged(t, home.page, before);
          return;
        }
        for (const RowLocation& hop : chain.Hops()) Replace(t, hop, {}, data_page::kDeletedRow);
      }
      // It moves to where new rows go; its slot keeps a pointer to it.
      const RowLocation moved = Place(t, row_, data_page::kMovedRowFlag);
      std::uint8_t pointer[data_page::kOverflowPointerSize];
      StoreU32(MutableByteSpan(pointer), 0, RowPointer{moved.page, static_cast<std::uint8_t>(moved.slot)}.ToU32());
      Replace(t, row, ByteSpan(pointer), data_page::kOverflowPointerFlag);
    });
  });
}

void Writer::Delete(PageNumber table, RowLocation row) {
  Guard();
  TableState& t = State(table);
  NameCorruption(path_, [&] {
    Change([&] {
      const RowChain chain = Chain(t, row);
      for (const RowLocation& hop : chain.Hops()) Replace(t, hop, {}, data_page::kDeletedRow);
      Replace(t, row, {}, data_page::kDeletedRow);
      AddToRowCount(t, -1);
    });
  });
}

// ---- saving -----------------------------------------------------------------------------------

void Writer::Flush() {
  if (broken_) Guard();
  if (!HasUnsavedChanges()) return;
  lastSaveInPlace_ = false;
  CheckWritable();
  if (mode_ == WriteMode::kReplaceFile && SaveByReplacing()) return;
  lastSaveInPlace_ = true;
  SaveInPlace();
}

void Writer::SaveInPlace() {
  // New pages first (nothing points at them until the old pages say so), then the old ones.
  std::vector<PageNumber> order;
  if (rewriteAll_) {
    for (PageNumber p = 0; p < file_.PageCount(); ++p) order.push_back(p);
  } else {
    order = dirtyList_;
    std::sort(order.begin(), order.end(), [this](PageNumber a, PageNumber b) {
      const bool aNew = a >= diskPageCount_;
      const bool bNew = b >= diskPageCount_;
      return aNew != bNew ? aNew : a < b;
    });
  }
  std::vector<PageWrite> writes;
  writes.reserve(order.size());
  for (const PageNumber p : order) writes.push_back(PageWrite{p, file_.Page(p).Bytes()});
  files_.WritePages(path_, writes);
  if (file_.PageCount() < diskPageCount_ || rewriteAll_) {
    files_.Resize(path_, std::uint64_t{file_.PageCount()} * kPageSize);
  }
  for (const PageNumber p : dirtyList_) dirty_[p] = 0;
  dirtyList_.clear();
  rewriteAll_ = false;
  diskPageCount_ = file_.PageCount();
  stamp_ = files_.Stamp(path_);
}

bool Writer::SaveByReplacing() {
  const std::string temporary = path_ + ".tmp";
  if (!files_.Create(temporary)) return false;
  try {
    std::vector<PageWrite> writes;
    writes.reserve(file_.PageCount());
    for (PageNumber p = 0; p < file_.PageCount(); ++p) writes.push_back(PageWrite{p, file_.Page(p).Bytes()});
    files_.WritePages(temporary, writes);
    if (!files_.Sync(temporary)) RaiseJetError(errnum::kJetDiskError, temporary);
    // Refused while another program holds the file without letting it be replaced.
    if (!files_.Replace(temporary, path_)) RaiseJetError(errnum::kJetCannotOpen, path_);
  } catch (...) {
    files_.Remove(temporary);
    throw;
  }
  for (const PageNumber p : dirtyList_) dirty_[p] = 0;
  dirtyList_.clear();
  rewriteAll_ = false;
  diskPageCount_ = file_.PageCount();
  stamp_ = files_.Stamp(path_);
  return true;
}

}  // namespace frixa::jet
