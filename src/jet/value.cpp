// DecodeValue: column bytes to values, by column type.
#include "jet/value.h"

#include <cstdio>
#include <string>

#include "jet/long_value.h"

namespace frixa::jet {

namespace {

void CheckSize(const ColumnDef& column, const FieldBytes& field, std::size_t size) {
  if (field.bytes.size() != size) {
    ThrowCorrupt("column '" + column.name + "' of type " + ColumnTypeName(column.typeByte) +
                 " holds " + std::to_string(field.bytes.size()) + " bytes instead of " +
                 std::to_string(size));
  }
}

}  // namespace

Value DecodeValue(const PageFile& file, const ColumnDef& column, const FieldBytes& field) {
  if (column.Type() == ColumnType::kBoolean) return Value(field.present);
  if (!field.present) return Value();
  const ByteSpan b = field.bytes;
  switch (column.Type()) {
    case ColumnType::kByte:
      CheckSize(column, field, 1);
      return Value(static_cast<std::int32_t>(b[0]));
    case ColumnType::kInteger:
      CheckSize(column, field, 2);
      return Value(static_cast<std::int32_t>(ReadI16(b, 0)));
    case ColumnType::kLong:
      CheckSize(column, field, 4);
      return Value(ReadI32(b, 0));
    case ColumnType::kCurrency:
      CheckSize(column, field, 8);
      return Value(Currency{ReadI64(b, 0)});
    case ColumnType::kSingle:
      CheckSize(column, field, 4);
      return Value(ReadF32(b, 0));
    case ColumnType::kDouble:
      CheckSize(column, field, 8);
      return Value(ReadF64(b, 0));
    case ColumnType::kDateTime:
      CheckSize(column, field, 8);
      return Value(DateTime{ReadF64(b, 0)});
    case ColumnType::kGuid: {
      CheckSize(column, field, 16);
      Guid g;
      std::copy(b.begin(), b.end(), g.bytes.begin());
      return Value(g);
    }
    case ColumnType::kText:
      return Value(Text{std::string(b.begin(), b.end())});
    case ColumnType::kMemo: {
      const std::vector<std::uint8_t> bytes = ReadLongValue(file, b);
      return Value(Text{std::string(bytes.begin(), bytes.end())});
    }
    case ColumnType::kOle:
      return Value(Binary{ReadLongValue(file, b)});
    default:
      return Value(Binary{std::vector<std::uint8_t>(b.begin(), b.end())});
  }
}

std::string FormatGuid(const Guid& guid) {
  const auto& g = guid.bytes;
  char buf[40];
  std::snprintf(buf, sizeof buf,
                "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g[3],
                g[2], g[1], g[0], g[5], g[4], g[7], g[6], g[8], g[9], g[10], g[11], g[12], g[13],
                g[14], g[15]);
  return buf;
}

}  // namespace frixa::jet
