// Names and fixed sizes of the Jet 3 column types.
#include "jet/column.h"

#include <cstdio>

namespace frixa::jet {

std::string ColumnTypeName(std::uint8_t type) {
  switch (static_cast<ColumnType>(type)) {
    case ColumnType::kBoolean: return "Boolean";
    case ColumnType::kByte: return "Byte";
    case ColumnType::kInteger: return "Integer";
    case ColumnType::kLong: return "Long";
    case ColumnType::kCurrency: return "Currency";
    case ColumnType::kSingle: return "Single";
    case ColumnType::kDouble: return "Double";
    case ColumnType::kDateTime: return "DateTime";
    case ColumnType::kBinary: return "Binary";
    case ColumnType::kText: return "Text";
    case ColumnType::kOle: return "OLE";
    case ColumnType::kMemo: return "Memo";
    case ColumnType::kGuid: return "Replication ID";
  }
  char buf[16];
  std::snprintf(buf, sizeof buf, "type 0x%02X", static_cast<unsigned>(type));
  return buf;
}

std::size_t FixedSizeOf(ColumnType type) {
  switch (type) {
    case ColumnType::kByte: return 1;
    case ColumnType::kInteger: return 2;
    case ColumnType::kLong: return 4;
    case ColumnType::kSingle: return 4;
    case ColumnType::kCurrency:
    case ColumnType::kDouble:
    case ColumnType::kDateTime: return 8;
    case ColumnType::kGuid: return 16;
    default: return 0;
  }
}

}  // namespace frixa::jet
