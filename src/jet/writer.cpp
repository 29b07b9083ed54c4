// Writer: the operations on rows (append, change, delete), the state of the tables they change,
// and the checks of the file and its tables before anything is changed; see writer.h.
#include "jet/writer.h"

#include <algorithm>
#include <exception>
#include <stdexcept>
#include <utility>

#include "jet/data_page.h"
#include "jet/properties.h"

namespace frixa::jet {

Writer::Writer(PageFile& file, std::string path, std::optional<FileStamp> stamp, FileAccess& files)
    : file_(file), files_(files), path_(std::move(path)), stamp_(std::move(stamp)), diskPageCount_(file.PageCount()) {
  dirty_.assign(file_.PageCount(), 0);
}

Writer::~Writer() = default;

void Writer::NotWritable(const std::string& why) {
  throw Error(errnum::kJetReadOnly, JetErrorDescription(errnum::kJetReadOnly) + "  (" + why + ")");
}

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

// ---- the operations ---------------------------------------------------------------------------

// Runs `body` as one change of the journal (writer_journal.cpp): saved when it ends, undone when
// it fails.
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
        PlaceRows(t, batch_.data(), size, good);
        AddToRowCount(t, static_cast<int>(good));
      });
    });
  }
  if (failure) std::rethrow_exception(failure);
}

PageNumber Writer::AddTable(const NewTable& table, double date) {
  Guard();
  return NameCorruption(path_, [&] { return Change([&] { return AddTablePages(table, date); }); });
}

void Writer::Update(PageNumber table, RowLocation row, std::span<const Value> values) {
  Guard();
  TableState& t = State(table);
  Encode(t, values, true);
  NameCorruption(path_, [&] {
    Change([&] { PlaceChangedRow(t, row, row_); });
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

}  // namespace frixa::jet
