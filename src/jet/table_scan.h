// Reading a table's rows in stored order: the order in which the Jet engine returns them for
// "Select * From" the table with no sort. That is the page order of the table's owned-pages
// usage map, and on each page the slot order; deleted slots are skipped, and a slot that an
// update turned into an overflow pointer yields the moved row in the slot's place.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <optional>
#include <string>
#include <vector>

#include "jet/data_page.h"
#include "jet/row_format.h"
#include "jet/table_def.h"
#include "jet/value.h"

namespace frixa::jet {

struct RowLocation {
  PageNumber page = 0;
  std::uint16_t slot = 0;
  friend bool operator==(const RowLocation&, const RowLocation&) = default;
};

namespace table_scan {
// A moved row may have moved again; more hops than this is taken for a loop.
inline constexpr int kMaxOverflowHops = 8;
}  // namespace table_scan

// A row as its slot in stored order (the anchor) leads to it: through the overflow pointers,
// if any, to the slot that holds its bytes.
struct RowChain {
  RowLocation anchor;
  // The slots after the anchor, the one holding the row's bytes last; none when the anchor
  // holds them itself.
  std::array<RowLocation, table_scan::kMaxOverflowHops> hops{};
  std::size_t hopCount = 0;
  // The row is deleted, or the anchor is the new home of a moved row (which stands in stored
  // order only through its pointer): no row stands at the anchor.
  bool deleted = false;

  std::span<const RowLocation> Hops() const { return {hops.data(), hopCount}; }
  RowLocation Home() const { return hopCount == 0 ? anchor : hops[hopCount - 1]; }
};

// Follows the row of the table whose definition is on `table` from `anchor`. Raises
// CorruptError when a slot on the way is missing or not on one of the table's pages, or when
// the pointers loop. Scans, the writer and lookups by location all go through it.
RowChain ResolveRow(const PageFile& file, PageNumber table, RowLocation anchor);

// A forward cursor. `file` and `def` must outlive it. Every method may raise CorruptError.
class TableScan {
 public:
  TableScan(const PageFile& file, const TableDef& def);

  // Moves to the next row; false when there is none (the cursor then stays at the end).
  bool Next();

  // The slot that stands for the current row in stored order (for a moved row: the slot
  // holding the overflow pointer) and the slot that holds its bytes.
  RowLocation Location() const { return location_; }
  RowLocation StorageLocation() const { return storage_; }
  ByteSpan RowBytes() const { return row_; }
  // The current row's fields, in the order of the definition's columns. The row is split
  // into them when first asked for.
  const std::vector<FieldBytes>& Fields() const;
  Value ReadValue(std::size_t column) const;
  std::vector<Value> ReadRow() const;
  // The typed read of a column of a fixed-size number type (IsFixedNumberType), straight from
  // the row's bytes: the same value as ReadValue, with the same checks of the row's layout.
  FixedNumber ReadFixedNumber(std::size_t column) const;
  // Every column of the current row at once, for a table whose columns are all fixed-size
  // numbers: out[c] is ReadFixedNumber(c). The row layout is worked out once per scan.
  void ReadFixedNumbers(std::span<FixedNumber> out) const;

 private:
  // Where each column of an all-fixed table without variable columns lies in its rows.
  struct FixedLayout {
    ColumnType type{};
    std::size_t start = 0;  // in the row
    std::size_t size = 0;
    std::size_t number = 0;  // the column's number, its bit in the null mask
  };
  bool Advance();
  bool EnterPage();
  void LoadRow(const DataPageView& page, std::uint16_t slot);
  FixedNumber FromSplit(std::size_t column) const;

  const PageFile* file_;
  const TableDef* def_;
  std::vector<PageNumber> pages_;
  std::size_t pageIndex_ = 0;
  std::optional<DataPageView> page_;
  std::uint32_t nextSlot_ = 0;
  RowLocation location_;
  RowLocation storage_;
  ByteSpan row_;
  mutable std::vector<FieldBytes> fields_;
  mutable bool split_ = false;  // fields_ holds the current row's fields
  mutable std::vector<FixedLayout> layout_;  // filled at the first ReadFixedNumbers
  mutable std::size_t layoutColumns_ = 0;    // the row column count every column lies within
};

}  // namespace frixa::jet
