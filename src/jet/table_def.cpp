// ReadTableDef: joins a definition's pages and decodes its header, columns and names.
#include "jet/table_def.h"

#include <algorithm>
#include <string>

#include "jet/text.h"

namespace frixa::jet {

namespace {

std::string At(PageNumber page) { return "table definition on page " + std::to_string(page); }

// The definition bytes of the chain that starts on `first`: the whole first page, then each
// continuation page after its 8-byte header, until `length` bytes are joined.
std::vector<std::uint8_t> JoinPages(const PageFile& file, PageNumber first,
                                    std::vector<PageNumber>& pages) {
  std::vector<std::uint8_t> out;
  PageNumber page = first;
  std::size_t length = 0;
  while (true) {
    if (pages.size() >= tdef::kMaxPages ||
        std::find(pages.begin(), pages.end(), page) != pages.end()) {
      ThrowCorrupt(At(first) + ": its chain of pages loops or is too long");
    }
    const PageView view = file.Page(page);
    if (!view.Is(PageType::kTableDefinition)) {
      ThrowCorrupt(At(first) + ": page " + std::to_string(page) +
                   " of its chain is not a table definition page (type " +
                   std::to_string(view.TypeByte()) + ")");
    }
    pages.push_back(page);
    const ByteSpan bytes = view.Bytes();
    if (out.empty()) {
      length = ReadU32(bytes, tdef::kLengthOffset);
      if (length < tdef::kFixedPartSize) {
        ThrowCorrupt(At(first) + ": its length " + std::to_string(length) +
                     " is shorter than its fixed part");
      }
      if (length > tdef::kMaxPages * kPageSize) {
        ThrowCorrupt(At(first) + ": its length " + std::to_string(length) +
                     " is larger than any definition");
      }
      out.reserve(length);
      const std::size_t take = std::min(length, kPageSize);
      out.insert(out.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(take));
    } else {
      const std::size_t take = std::min(length - out.size(), kPageSize - tdef::kPageHeaderSize);
      const auto from = bytes.begin() + static_cast<std::ptrdiff_t>(tdef::kPageHeaderSize);
      out.insert(out.end(), from, from + static_cast<std::ptrdiff_t>(take));
    }
    if (out.size() >= length) break;
    page = ReadU32(bytes, tdef::kNextPageOffset);
    if (page == 0) {
      ThrowCorrupt(At(first) + ": its chain ends after " + std::to_string(out.size()) +
                   " of its " + std::to_string(length) + " bytes");
    }
  }
  return out;
}

}  // namespace

int TableDef::FindColumn(std::string_view name) const {
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (EqualsIgnoreCase(columns[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

TableDefHeader LoadTableDefHeader(ByteSpan d) {
  TableDefHeader h;
  h.nextPage = ReadU32(d, tdef::kNextPageOffset);
  h.length = ReadU32(d, tdef::kLengthOffset);
  h.rowCount = ReadU32(d, tdef::kRowCountOffset);
  h.nextAutoNumber = ReadU32(d, tdef::kAutoNumberOffset);
  h.kind = ReadU8(d, tdef::kKindOffset);
  h.maxColumns = ReadU16(d, tdef::kMaxColumnsOffset);
  h.varColumnCount = ReadU16(d, tdef::kVarColumnsOffset);
  h.columnCount = ReadU16(d, tdef::kColumnCountOffset);
  h.logicalIndexCount = ReadU32(d, tdef::kLogicalIndexCountOffset);
  h.realIndexCount = ReadU32(d, tdef::kRealIndexCountOffset);
  h.ownedPagesMap = RowPointer::FromU32(ReadU32(d, tdef::kOwnedMapOffset));
  h.freeSpaceMap = RowPointer::FromU32(ReadU32(d, tdef::kFreeMapOffset));
  return h;
}

void StoreTableDefHeader(MutableByteSpan d, const TableDefHeader& h) {
  std::copy(std::begin(tdef::kSignature), std::end(tdef::kSignature), d.begin());
  StoreU32(d, tdef::kNextPageOffset, h.nextPage);
  StoreU32(d, tdef::kLengthOffset, h.length);
  StoreU32(d, tdef::kRowCountOffset, h.rowCount);
  StoreU32(d, tdef::kAutoNumberOffset, h.nextAutoNumber);
  d[tdef::kKindOffset] = h.kind;
  StoreU16(d, tdef::kMaxColumnsOffset, h.maxColumns);
  StoreU16(d, tdef::kVarColumnsOffset, h.varColumnCount);
  StoreU16(d, tdef::kColumnCountOffset, h.columnCount);
  StoreU32(d, tdef::kLogicalIndexCountOffset, h.logicalIndexCount);
  StoreU32(d, tdef::kRealIndexCountOffset, h.realIndexCount);
  StoreU32(d, tdef::kOwnedMapOffset, h.ownedPagesMap.ToU32());
  StoreU32(d, tdef::kFreeMapOffset, h.freeSpaceMap.ToU32());
}

ColumnDef LoadColumnRecord(ByteSpan rec) {
  namespace cr = tdef::column_record;
  ColumnDef col;
  col.typeByte = rec[cr::kType];
  col.number = ReadU16(rec, cr::kNumber);
  col.varIndex = ReadU16(rec, cr::kVarIndex);
  col.writerId = ReadU32(rec, cr::kWriterId);
  col.sortOrder = ReadU16(rec, cr::kSortOrder);
  col.codePage = ReadU16(rec, cr::kCodePage);
  col.flags = rec[cr::kFlags];
  col.fixedOffset = ReadU16(rec, cr::kFixedOffset);
  col.length = ReadU16(rec, cr::kLength);
  return col;
}

void StoreColumnRecord(MutableByteSpan rec, const ColumnDef& col) {
  namespace cr = tdef::column_record;
  rec[cr::kType] = col.typeByte;
  StoreU16(rec, cr::kNumber, col.number);
  StoreU16(rec, cr::kVarIndex, col.varIndex);
  StoreU32(rec, cr::kWriterId, col.writerId);
  StoreU16(rec, cr::kSortOrder, col.sortOrder);
  StoreU16(rec, cr::kCodePage, col.codePage);
  rec[cr::kFlags] = col.flags;
  StoreU16(rec, cr::kFixedOffset, col.fixedOffset);
  StoreU16(rec, cr::kLength, col.length);
}

namespace {

TableDef DecodeTableDef(const PageFile& file, PageNumber page) {
  TableDef def;
  def.page = page;
  def.definition = JoinPages(file, page, def.pages);
  const ByteSpan d(def.definition);

  const TableDefHeader header = LoadTableDefHeader(d);
  def.rowCount = header.rowCount;
  def.nextAutoNumber = header.nextAutoNumber;
  def.kind = header.kind;
  def.maxColumns = header.maxColumns;
  def.varColumnCount = header.varColumnCount;
  const std::uint16_t columnCount = header.columnCount;
  def.logicalIndexCount = header.logicalIndexCount;
  def.realIndexCount = header.realIndexCount;
  def.ownedPagesMap = header.ownedPagesMap;
  def.freeSpaceMap = header.freeSpaceMap;

  if (columnCount > def.maxColumns || def.varColumnCount > columnCount) {
    ThrowCorrupt(At(page) + ": its column counts (" + std::to_string(columnCount) + " columns, " +
                 std::to_string(def.maxColumns) + " at most, " +
                 std::to_string(def.varColumnCount) + " variable) contradict each other");
  }
  // Every count below multiplies into an offset; bound it by the bytes there are.
  if (def.realIndexCount > d.size() / tdef::kRealIndexEntrySize) {
    ThrowCorrupt(At(page) + ": " + std::to_string(def.realIndexCount) +
                 " indexes do not fit in its " + std::to_string(d.size()) + " bytes");
  }
  std::size_t pos = tdef::kFixedPartSize + def.realIndexCount * tdef::kRealIndexEntrySize;
  CheckRange(d.size(), pos, std::size_t{columnCount} * tdef::column_record::kSize,
             "column records");

  def.columns.resize(columnCount);
  for (auto& col : def.columns) {
    col = LoadColumnRecord(d.subspan(pos, tdef::column_record::kSize));
    pos += tdef::column_record::kSize;
  }
  for (auto& col : def.columns) {
    const std::size_t len = ReadU8(d, pos);
    const ByteSpan name = Slice(d, pos + 1, len, "column name");
    col.name.assign(name.begin(), name.end());
    pos += 1 + len;
  }
  def.namesEnd = pos;

  for (std::size_t i = 0; i < def.columns.size(); ++i) {
    const ColumnDef& col = def.columns[i];
    if (col.number >= def.maxColumns) {
      ThrowCorrupt(At(page) + ": column " + std::to_string(i) + " has number " +
                   std::to_string(col.number) + ", beyond the table's " +
                   std::to_string(def.maxColumns) + " columns");
    }
    if (!col.IsFixed() && col.Type() != ColumnType::kBoolean &&
        col.varIndex >= def.maxColumns) {
      ThrowCorrupt(At(page) + ": column " + std::to_string(i) + " has variable index " +
                   std::to_string(col.varIndex) + ", beyond the table's columns");
    }
  }
  std::stable_sort(def.columns.begin(), def.columns.end(),
                   [](const ColumnDef& a, const ColumnDef& b) { return a.number < b.number; });
  for (std::size_t i = 1; i < def.columns.size(); ++i) {
    if (def.columns[i].number == def.columns[i - 1].number) {
      ThrowCorrupt(At(page) + ": two columns share the number " +
                   std::to_string(def.columns[i].number));
    }
  }
  return def;
}

}  // namespace

TableDef ReadTableDef(const PageFile& file, PageNumber page) {
  return NameCorruption(file.Name(), [&] { return DecodeTableDef(file, page); });
}

}  // namespace frixa::jet
