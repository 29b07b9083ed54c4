// SplitRow and EncodeRow: between a row's bytes and the bytes of each column.
#include "jet/row_format.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>
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
      const std::size_t size = FixedWidthOf(col);
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

bool IsFixedNumberType(ColumnType type) {
  switch (type) {
    case ColumnType::kByte:
    case ColumnType::kInteger:
    case ColumnType::kLong:
    case ColumnType::kCurrency:
    case ColumnType::kSingle:
    case ColumnType::kDouble:
    case ColumnType::kDateTime: return true;
    default: return false;
  }
}

namespace {

// Little-endian numbers of `n` bytes at a place the caller has checked.
std::uint64_t LoadLittleEndian(const std::uint8_t* p, int n) {
  std::uint64_t v = 0;
  for (int i = 0; i < n; ++i) v |= std::uint64_t{p[i]} << (8 * i);
  return v;
}
void StoreLittleEndian(std::uint8_t* p, std::uint64_t v, int n) {
  for (int i = 0; i < n; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace

void StoreFixedNumber(ColumnType type, const FixedNumber& value, std::uint8_t* out) {
  switch (type) {
    case ColumnType::kByte: StoreLittleEndian(out, static_cast<std::uint64_t>(value.whole), 1); break;
    case ColumnType::kInteger: StoreLittleEndian(out, static_cast<std::uint64_t>(value.whole), 2); break;
    case ColumnType::kLong: StoreLittleEndian(out, static_cast<std::uint64_t>(value.whole), 4); break;
    case ColumnType::kCurrency: StoreLittleEndian(out, static_cast<std::uint64_t>(value.whole), 8); break;
    case ColumnType::kSingle: {
      const float f = static_cast<float>(value.real);
      std::uint32_t bits;
      std::memcpy(&bits, &f, sizeof bits);
      StoreLittleEndian(out, bits, 4);
      break;
    }
    case ColumnType::kDouble:
    case ColumnType::kDateTime: {
      std::uint64_t bits;
      std::memcpy(&bits, &value.real, sizeof bits);
      StoreLittleEndian(out, bits, 8);
      break;
    }
    default: throw std::invalid_argument("StoreFixedNumber: not a fixed-number column");
  }
}

FixedNumber LoadFixedNumber(ColumnType type, const std::uint8_t* bytes) {
  FixedNumber v;
  v.present = true;
  switch (type) {
    case ColumnType::kByte: v.whole = bytes[0]; break;
    case ColumnType::kInteger: v.whole = static_cast<std::int16_t>(LoadLittleEndian(bytes, 2)); break;
    case ColumnType::kLong: v.whole = static_cast<std::int32_t>(LoadLittleEndian(bytes, 4)); break;
    case ColumnType::kCurrency: v.whole = static_cast<std::int64_t>(LoadLittleEndian(bytes, 8)); break;
    case ColumnType::kSingle: {
      const auto bits = static_cast<std::uint32_t>(LoadLittleEndian(bytes, 4));
      float f;
      std::memcpy(&f, &bits, sizeof f);
      v.real = f;
      break;
    }
    case ColumnType::kDouble:
    case ColumnType::kDateTime: {
      const std::uint64_t bits = LoadLittleEndian(bytes, 8);
      std::memcpy(&v.real, &bits, sizeof bits);
      break;
    }
    default: throw std::invalid_argument("LoadFixedNumber: not a fixed-number column");
  }
  return v;
}

std::size_t FixedWidthOf(const ColumnDef& column) {
  const std::size_t size = FixedSizeOf(column.Type());
  return size != 0 ? size : column.length;
}

void EncodeRow(std::span<const ColumnDef> columns, std::size_t columnCount,
               std::span<const FieldBytes> fields, std::vector<std::uint8_t>& out) {
  constexpr std::size_t kMaxColumns = 255;  // the count is one byte, and so is the var count
  if (fields.size() != columns.size()) throw std::invalid_argument("EncodeRow: one field per column");
  if (columnCount > kMaxColumns) throw std::invalid_argument("EncodeRow: more than 255 columns");

  std::size_t fixedSize = 0;
  std::size_t varCount = 0;
  for (const ColumnDef& col : columns) {
    if (col.number >= columnCount) throw std::invalid_argument("EncodeRow: column number out of range");
    if (col.Type() == ColumnType::kBoolean) continue;
    if (col.IsFixed()) {
      fixedSize = std::max(fixedSize, std::size_t{col.fixedOffset} + FixedWidthOf(col));
    } else {
      if (col.varIndex >= kMaxColumns) throw std::invalid_argument("EncodeRow: variable index out of range");
      varCount = std::max(varCount, std::size_t{col.varIndex} + 1);
    }
  }

  std::array<std::uint8_t, row_format::NullMaskSize(kMaxColumns)> mask{};
  const std::size_t maskSize = row_format::NullMaskSize(columnCount);
  std::array<const FieldBytes*, kMaxColumns> byVarIndex{};
  out.assign(row_format::kFixedAreaOffset + fixedSize, 0);
  out[row_format::kColumnCountOffset] = static_cast<std::uint8_t>(columnCount);
  for (std::size_t c = 0; c < columns.size(); ++c) {
    const ColumnDef& col = columns[c];
    const FieldBytes& field = fields[c];
    if (!field.present) continue;
    mask[col.number / 8] = static_cast<std::uint8_t>(mask[col.number / 8] | (1u << (col.number % 8)));
    if (col.Type() == ColumnType::kBoolean) continue;
    if (col.IsFixed()) {
      if (field.bytes.size() != FixedWidthOf(col)) {
        throw std::invalid_argument("EncodeRow: fixed value of the wrong width");
      }
      std::memcpy(out.data() + row_format::kFixedAreaOffset + col.fixedOffset, field.bytes.data(),
                  field.bytes.size());
    } else {
      byVarIndex[col.varIndex] = &field;
    }
  }
  if (varCount == 0) {
    out.insert(out.end(), mask.begin(), mask.begin() + static_cast<std::ptrdiff_t>(maskSize));
    return;
  }

  // Variable data in variable-index order; offsets[varCount] is the end of the data (eod).
  std::array<std::size_t, kMaxColumns + 1> offsets{};
  for (std::size_t i = 0; i < varCount; ++i) {
    offsets[i] = out.size();
    if (byVarIndex[i] != nullptr) {
      out.insert(out.end(), byVarIndex[i]->bytes.begin(), byVarIndex[i]->bytes.end());
    }
  }
  const std::size_t eod = out.size();
  offsets[varCount] = eod;

  // J = (row length - 1) / 256, where the row length counts the J entries themselves.
  const std::size_t tail = 1 + varCount + 1 + maskSize;  // eod, offsets, var count, mask
  std::size_t jumps = 0;
  while ((eod + tail + jumps - 1) / row_format::kJumpSpan != jumps) {
    jumps = (eod + tail + jumps - 1) / row_format::kJumpSpan;
  }

  out.push_back(static_cast<std::uint8_t>(eod));
  for (std::size_t i = varCount; i-- > 0;) out.push_back(static_cast<std::uint8_t>(offsets[i]));
  // Entry k (stored just before the var count for k = 1): the first offset index whose offset
  // reaches 256 * k.
  for (std::size_t k = jumps; k >= 1; --k) {
    std::uint8_t entry = row_format::kNoJump;
    for (std::size_t i = 0; i <= varCount; ++i) {
      if (offsets[i] >= row_format::kJumpSpan * k) {
        entry = static_cast<std::uint8_t>(i);
        break;
      }
    }
    out.push_back(entry);
  }
  out.push_back(static_cast<std::uint8_t>(varCount));
  out.insert(out.end(), mask.begin(), mask.begin() + static_cast<std::ptrdiff_t>(maskSize));
}

}  // namespace frixa::jet
