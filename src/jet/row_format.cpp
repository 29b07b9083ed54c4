// SplitRow: from a row's bytes to the bytes of each column, with every offset checked.
#include "jet/row_format.h"

#include <array>
#include <string>

namespace frixa::jet {

namespace {

[[noreturn]] void BadRow(const std::string& what) { ThrowCorrupt("row: " + what); }

}  // namespace

void SplitRow(ByteSpan row, const TableDef& def, std::vector<FieldBytes>& out) {
  out.assign(def.columns.size(), FieldBytes{});
  if (row.empty()) BadRow("no bytes");
  const std::size_t length = row.size();
  const std::size_t rowColumns = row[row_format::kColumnCountOffset];
  const std::size_t maskSize = row_format::NullMaskSize(rowColumns);
  if (1 + maskSize > length) BadRow("its null mask does not fit in its " + std::to_string(length) + " bytes");
  const std::size_t maskStart = length - maskSize;

  // Variable part: offsets of each variable column and where the fixed area must end.
  std::size_t fixedLimit = maskStart;
  std::size_t varCount = 0;
  std::array<std::uint16_t, 256> offsets{};  // var count is one byte: at most 255 + eod
  if (def.varColumnCount > 0) {
    if (maskStart < 2) BadRow("no room for its variable column count");
    const std::size_t varCountPos = maskStart - 1;
    varCount = row[varCountPos];
    std::size_t jumps = (length - 1) / row_format::kJumpSpan;
    // offset[i] sits at offsetsPos - i; offset[varCount] is the eod.
    if (varCountPos < jumps + 1 + varCount + 1) BadRow("its variable column offsets do not fit");
    const std::size_t offsetsPos = varCountPos - jumps - 1;
    const std::size_t eodPos = offsetsPos - varCount;
    if (jumps > 0 && eodPos / row_format::kJumpSpan < jumps) --jumps;  // trailing dummy entry
    std::size_t used = 0;
    for (std::size_t i = 0; i <= varCount; ++i) {
      while (used < jumps && row[varCountPos - 1 - used] <= i) ++used;
      const std::size_t off = row[offsetsPos - i] + row_format::kJumpSpan * used;
      if (off < row_format::kFixedAreaOffset || off > eodPos) {
        BadRow("variable offset " + std::to_string(i) + " (" + std::to_string(off) +
               ") lies outside its data (1.." + std::to_string(eodPos) + ")");
      }
      offsets[i] = static_cast<std::uint16_t>(off);
    }
    fixedLimit = eodPos;
  }

  for (std::size_t c = 0; c < def.columns.size(); ++c) {
    const ColumnDef& col = def.columns[c];
    FieldBytes& field = out[c];
    if (col.number < rowColumns) {
      field.present = ((row[maskStart + col.number / 8] >> (col.number % 8)) & 1u) != 0;
    }
    if (col.Type() == ColumnType::kBoolean || !field.present) continue;
    if (col.IsFixed()) {
      std::size_t size = FixedSizeOf(col.Type());
      if (size == 0) size = col.length;
      const std::size_t start = row_format::kFixedAreaOffset + col.fixedOffset;
      if (start > fixedLimit || size > fixedLimit - start) {
        BadRow("fixed column " + std::to_string(col.number) + " (" + std::to_string(size) +
               " bytes at " + std::to_string(start) + ") runs past its fixed area (" +
               std::to_string(fixedLimit) + ")");
      }
      field.bytes = row.subspan(start, size);
    } else {
      if (col.varIndex >= varCount) {  // written before the column existed
        field.present = false;
        continue;
      }
      const std::size_t start = offsets[col.varIndex];
      const std::size_t end = offsets[col.varIndex + 1];
      if (end < start) {
        BadRow("variable column " + std::to_string(col.number) + " ends (" +
               std::to_string(end) + ") before it starts (" + std::to_string(start) + ")");
      }
      field.bytes = row.subspan(start, end - start);
    }
  }
}

}  // namespace frixa::jet
