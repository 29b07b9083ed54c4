// Column types and column definitions of Jet 3 tables, as the table definition stores them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace frixa::jet {

// Type byte of a column record.
enum class ColumnType : std::uint8_t {
  kBoolean = 0x01,   // no bytes in the row: the null-mask bit is the value
  kByte = 0x02,      // u8
  kInteger = 0x03,   // i16
  kLong = 0x04,      // i32
  kCurrency = 0x05,  // i64, ten-thousandths
  kSingle = 0x06,    // IEEE float32
  kDouble = 0x07,    // IEEE float64
  kDateTime = 0x08,  // float64 days since 1899-12-30
  kBinary = 0x09,    // bytes, variable length
  kText = 0x0A,      // cp1252 bytes, variable length, no terminator
  kOle = 0x0B,       // long value: bytes
  kMemo = 0x0C,      // long value: cp1252 text
  kGuid = 0x0F,      // 16 bytes (Replication ID)
};

// The Jet name of a column type ("Long", "Text"), or "type 0xNN" for one the engine lacks.
std::string ColumnTypeName(std::uint8_t type);

// Bytes a fixed-length column of `type` takes in the fixed area of a row; 0 for the types
// that are variable (or, like Boolean, take none).
std::size_t FixedSizeOf(ColumnType type);

// True for the types whose value is stored on long-value pages.
inline bool IsLongValue(ColumnType type) {
  return type == ColumnType::kMemo || type == ColumnType::kOle;
}

// Flags byte of a column record.
namespace column_flags {
inline constexpr std::uint8_t kFixedLength = 0x01;
inline constexpr std::uint8_t kNullable = 0x02;  // set on every user column Jet 3 writes
inline constexpr std::uint8_t kAutoNumber = 0x04;
inline constexpr std::uint8_t kSystem = 0x10;       // on the system tables' columns
inline constexpr std::uint8_t kSecurityId = 0x20;   // on their security-id columns (Owner, SID)
}  // namespace column_flags

struct ColumnDef {
  std::string name;  // cp1252 bytes
  std::uint8_t typeByte = 0;
  std::uint16_t number = 0;      // column number: null-mask bit, order of "Select *"
  std::uint16_t varIndex = 0;    // for a variable column: its entry in the row's offset table
  std::uint16_t fixedOffset = 0; // for a fixed column: its place in the fixed area
  std::uint16_t length = 0;      // declared size (characters for Text)
  std::uint8_t flags = 0;
  std::uint16_t sortOrder = 0;
  std::uint16_t codePage = 0;
  std::uint32_t writerId = 0;    // what the writer put at 5..8 of the column record

  ColumnType Type() const { return static_cast<ColumnType>(typeByte); }
  bool IsFixed() const { return (flags & column_flags::kFixedLength) != 0; }
};

}  // namespace frixa::jet
