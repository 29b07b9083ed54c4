// Writer's row encoding: values checked against their columns and the table's rules, and
// encoded into the bytes of a row (one value per field, or a row of fixed-size numbers).
#include "jet/writer.h"

#include <cstring>
#include <stdexcept>

#include "jet/data_page.h"

namespace frixa::jet {

namespace {

constexpr std::size_t kLargestRow = data_page::kEmptyFreeSpace - data_page::kSlotSize;

[[noreturn]] void WrongKind() { RaiseJetError(errnum::kJetConversionError); }

}  // namespace

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

}  // namespace frixa::jet
