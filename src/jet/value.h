// A value read from a column: null or one alternative per kind of Jet 3 column. Text keeps
// its cp1252 bytes (see text.h for conversion).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "jet/page_file.h"
#include "jet/row_format.h"

namespace frixa::jet {

struct Currency {
  std::int64_t tenThousandths = 0;
  friend bool operator==(const Currency&, const Currency&) = default;
};
struct DateTime {
  double days = 0;  // since 1899-12-30
  friend bool operator==(const DateTime&, const DateTime&) = default;
};
struct Text {
  std::string bytes;  // cp1252
  friend bool operator==(const Text&, const Text&) = default;
};
struct Binary {
  std::vector<std::uint8_t> bytes;
  friend bool operator==(const Binary&, const Binary&) = default;
};
struct Guid {
  std::array<std::uint8_t, 16> bytes{};  // as stored: Data1..3 little-endian, then 8 bytes
  friend bool operator==(const Guid&, const Guid&) = default;
};

class Value {
 public:
  // monostate = null; int32 = Byte, Integer or Long; Text = Text and Memo; Binary = Binary
  // and OLE.
  using Data = std::variant<std::monostate, bool, std::int32_t, Currency, float, double,
                            DateTime, Text, Binary, Guid>;

  Value() = default;
  template <typename T>
  Value(T v) : data_(std::move(v)) {}  // NOLINT: implicit on purpose

  bool IsNull() const { return std::holds_alternative<std::monostate>(data_); }
  template <typename T>
  const T* Get() const { return std::get_if<T>(&data_); }
  const Data& data() const { return data_; }

  friend bool operator==(const Value&, const Value&) = default;

 private:
  Data data_;
};

// The value of `column` in a row split by SplitRow. Long values are fetched from `file`.
// Raises CorruptError when the bytes do not match the column type.
Value DecodeValue(const PageFile& file, const ColumnDef& column, const FieldBytes& field);

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
std::string FormatGuid(const Guid& guid);

}  // namespace frixa::jet
