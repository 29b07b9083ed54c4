// Changing a database: appending, changing and deleting rows of user tables, and saving the
// changed pages to the file. Everything the real engine relies on stays right after every
// change: the table's row count in its definition, its owned-pages and free-space usage maps,
// the global usage map on page 1, packed data pages with exact free-space fields, overflow
// pointers for rows that had to move. Reached through Database (database.h), which owns one.
//
// Where rows go: a new row goes to the table's last data page when it fits there, otherwise
// to a new page appended to the file, so a table reads back in the order its rows were added.
// A row that grows beyond its page's room moves to that place as well: its slot keeps a
// pointer to it (flag 0x4000) and the moved row carries 0x8000. A deleted row keeps its slot,
// flagged 0xC000, with no bytes. Slots are never reused, so a row's location stays its own.
//
// Saving: in write-through mode (the default) each change is saved before it returns, only
// the pages it changed, new pages first; when the save fails the change is undone in memory and
// on disk as far as the disk allows, and the error raised. In write-behind mode changes stay in
// memory until Flush or a switch back to write-through: meant for filling a file that nobody
// else reads yet, where the caller flushes when it lets the file go and on its error paths.
// In replace mode each change is saved before it returns, like write-through, but as a whole
// new file: written beside the old one under the name + ".tmp", synced, and moved over it in
// one step, so that a save cut short by a crash or a full disk leaves the old file whole. Meant
// for small changes to files that hold the user's data, such as a calibration file's comment.
// Where the folder refuses the temporary file but the file itself may be written, the change
// is saved in place as in write-through mode.
//
// Errors (frixa::Error): 3027 the file is read-only, or the table is one this engine does not
// write (system tables, tables with indexes or AutoNumber columns, values of long-value
// columns); 3315 a zero-length text where AllowZeroLength is off; 3163 a text longer than its
// column; 3314 a null where Required is on; 3421 a value of the wrong kind for its column; 3349
// a number out of its column's range; 3047 a row larger than a page; 3167 the row is deleted;
// from saving: 3024, 3051, 3026, 3043 (file_io.h); 3049 for a damaged file.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "jet/db_builder.h"
#include "jet/file_io.h"
#include "jet/page_file.h"
#include "jet/table_def.h"
#include "jet/table_scan.h"
#include "jet/usage_map.h"
#include "jet/value.h"

namespace frixa::jet {

enum class WriteMode { kWriteThrough, kWriteBehind, kReplaceFile };

class Writer {
 public:
  // `file` and `files` must outlive the writer; `path` is where its pages are saved, through
  // `files`; `stamp` how the file looked when it was read (nullopt: not known).
  Writer(PageFile& file, std::string path, std::optional<FileStamp> stamp, FileAccess& files);
  ~Writer();
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;

  WriteMode Mode() const { return mode_; }
  // Switching to write-through saves what write-behind kept; switching to write-behind checks
  // that the file may be written.
  void SetMode(WriteMode mode);

  // Raises 3027 when the file is read-only.
  void CheckWritable() const;
  // Raises 3027 when the file is read-only or `table` is not one this engine writes.
  void CheckTableWritable(PageNumber table);

  // `values` holds one value per column of the table, in column-number order, each of the
  // kind DecodeValue gives for the column's type (or null).
  RowLocation Append(PageNumber table, std::span<const Value> values);
  // Rows of tables whose every column is a fixed-size number (Byte, Integer, Long, Currency,
  // Single, Double, DateTime), such as RawData, PointData and Losses, appended in a loop: each
  // row is encoded from its numbers into the page being filled, with no Value per field. The
  // row, the pages, maps and counts come out exactly as Append leaves them, with the same
  // checks and errors for the values such a table takes (3314 a null where Required is on,
  // 3349 a Byte or Integer out of range). True when `table` is such a table.
  bool TakesFixedRows(PageNumber table);
  // `values`: one per column, in column-number order; the table must take fixed rows.
  RowLocation AppendFixed(PageNumber table, std::span<const FixedNumber> values);
  // Rows of such a table in turn, `values` holding one number per column for each: what
  // AppendFixed does for each row, with the same bytes, checks and errors. A row that fails
  // its checks raises with the rows before it stored. Under write-behind the rows are placed
  // in one change; otherwise each is saved as AppendFixed saves it.
  void AppendFixedRows(PageNumber table, std::span<const FixedNumber> values);
  // Adds `table`, without rows and without indexes, to a database whose catalog is laid out
  // as BuildDatabase lays out a new one (its three catalog index leaves single pages): its TDEF
  // page and usage-map page appended to the file, its catalog row created and updated on
  // `date` with its properties, its permission rows, and their entries in the catalog's
  // indexes, all as BuildDatabase writes them for a table of a new file. Returns the TDEF
  // page, the table's id. One change, saved as the mode says. Raises 5 (invalid procedure
  // call) for a table BuildDatabase refuses or whose name is taken, 3027 for a catalog of
  // another layout or whose index leaves have no room left.
  PageNumber AddTable(const NewTable& table, double date);
  // `row` is the location a scan reports for the row (TableScan::Location).
  void Update(PageNumber table, RowLocation row, std::span<const Value> values);
  void Delete(PageNumber table, RowLocation row);
  // The checks a value meets before it can be stored in `column` (an index into the table's
  // columns), apart from the zero-length and Required rules that Update applies.
  void CheckValue(PageNumber table, std::size_t column, const Value& value);

  // Saves every changed page (in replace mode the whole file). Raises as WritePages
  // (file_io.h), 3027, or in replace mode 3051 when the file cannot be replaced.
  void Flush();
  bool HasUnsavedChanges() const { return !dirtyList_.empty() || rewriteAll_; }
  // The file as this writer last read or wrote it.
  const std::optional<FileStamp>& Stamp() const { return stamp_; }

 private:
  struct ColumnRules {
    bool allowZeroLength = false;
    bool required = false;
  };
  struct TableState {
    PageNumber tdef = 0;
    TableDef def;
    std::string name;
    std::vector<ColumnRules> rules;  // per column of def.columns
    std::size_t freeThreshold = 0;   // pages with less room than this leave the free-space map
    PageNumber lastPage = 0;         // where new rows go; 0 before the first data page
    bool fixedRows = false;          // every column a fixed-size number (TakesFixedRows)
    std::vector<std::uint8_t> emptyRow;  // the row with every column null
  };
  class MapPages;
  friend class MapPages;

  // ---- tables and checks (writer.cpp) ----
  TableState& State(PageNumber table);
  TableState LoadState(PageNumber table);
  // Raises 3027 naming why the file or table is not one this engine writes.
  [[noreturn]] static void NotWritable(const std::string& why);
  void Guard();

  // ---- a new table (writer_catalog.cpp) ----
  // A system table, a long-value run or a user table as far as placing rows needs it.
  TableState PlacementState(PageNumber owner, RowPointer ownedMap, RowPointer freeMap, std::size_t freeThreshold);
  PageNumber AddTablePages(const NewTable& table, double date);

  // ---- row encoding (writer_encoding.cpp) ----
  // Encodes the numbers of one fixed row for `t` into `out`, checking every rule.
  void EncodeFixed(const TableState& t, std::span<const FixedNumber> values, std::uint8_t* out) const;
  // Encodes `values` for `t` into row_, checking every rule.
  void Encode(TableState& t, std::span<const Value> values, bool wholeRow);
  void CheckColumnValue(const TableState& t, std::size_t c, const Value& v, bool wholeRow);

  // ---- page placement (writer_placement.cpp) ----
  PageNumber AllocatePage();
  void MarkUsed(PageNumber page);
  void SetMapBit(RowPointer map, PageNumber page, bool member, UsageMapKind kind);
  PageNumber NewDataPage(TableState& t);
  RowLocation Place(TableState& t, ByteSpan row, std::uint16_t flags);
  // `count` encoded rows of `size` bytes each, one after the other at `rows`: as many as the
  // page being filled takes, then a new page, as Place would put them one by one.
  void PlaceRows(TableState& t, const std::uint8_t* rows, std::size_t size, std::size_t count);
  // The row at `row` (its anchor) changed to `bytes`: in its place when there is room, else
  // moved to where new rows go, its slot keeping a pointer to it.
  void PlaceChangedRow(TableState& t, RowLocation row, ByteSpan bytes);
  void Replace(TableState& t, RowLocation at, ByteSpan row, std::uint16_t flags);
  void FreeChanged(TableState& t, PageNumber page, std::size_t freeBefore);
  void AddToRowCount(TableState& t, int delta);
  // Where the row at `anchor` lives; 3167 when it is deleted.
  RowChain Chain(const TableState& t, RowLocation anchor);

  // ---- the page journal and saving (writer_journal.cpp) ----
  // Runs `body` as one change: saved when it ends, undone when it fails (defined in writer.cpp,
  // beside the operations that use it).
  template <typename F>
  auto Change(F&& body);
  void BeginChange();
  void EndChange();
  void FailChange();
  void RollBackMemory();
  void RestoreDisk();
  // Replace mode's save: the whole image under a temporary name, synced, moved over the file.
  // False, with nothing written, when the temporary file cannot be created.
  bool SaveByReplacing();
  // Write-through's save: the changed pages in place.
  void SaveInPlace();
  // A page to change: noted as changed, and kept as it was while a change may be undone.
  MutableByteSpan Edit(PageNumber page);
  PageNumber AppendPage();

  PageFile& file_;
  FileAccess& files_;
  std::string path_;
  std::optional<FileStamp> stamp_;
  WriteMode mode_ = WriteMode::kWriteThrough;
  PageNumber diskPageCount_ = 0;
  std::vector<std::uint8_t> dirty_;  // per page: differs from the file on disk
  std::vector<PageNumber> dirtyList_;
  bool rewriteAll_ = false;  // the disk may hold a half-undone change: save every page
  bool lastSaveInPlace_ = true;  // whether the last save wrote pages into the file itself

  // The change under way: in write-through mode, the pages it touched as they were before.
  struct Original {
    PageNumber page = 0;
    std::vector<std::uint8_t> bytes;
  };
  bool inChange_ = false;
  bool touched_ = false;
  PageNumber changeStartCount_ = 0;
  std::vector<Original> originals_;
  bool broken_ = false;  // a write-behind change failed half-way: nothing more is written

  std::vector<TableState> tables_;
  std::vector<std::uint8_t> row_;
  std::vector<std::uint8_t> batch_;  // the encoded rows of AppendFixedRows
  std::vector<FieldBytes> fields_;
  std::vector<std::array<std::uint8_t, 16>> scratch_;
};

}  // namespace frixa::jet
