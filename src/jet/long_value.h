// Long values (Memo and OLE columns). The row holds a 12-byte reference, and the value itself
// either follows it in the row or lives in rows of long-value pages (data pages whose owner
// field is "LVAL").
//
// Reference in the row:
//    0..3                              4..7                      8..11    12 ..
//   | length (low 30 bits) + flags    | first LVAL row (RowPtr)  | unused | inline data |
//   flags: 0x80000000 the data follows inline
//          0x40000000 the data is the whole of one LVAL row
//          neither    the data runs over a chain of LVAL rows, each:
//                     | next LVAL row (RowPointer, 0 = last) | data ... |
#pragma once

#include <cstdint>
#include <vector>

#include "jet/page_file.h"

namespace frixa::jet {

namespace long_value {
inline constexpr std::size_t kHeaderSize = 12;
inline constexpr std::size_t kLengthOffset = 0;   // u32: length | flags
inline constexpr std::size_t kPointerOffset = 4;  // RowPointer
inline constexpr std::uint32_t kInlineFlag = 0x80000000u;
inline constexpr std::uint32_t kSingleRowFlag = 0x40000000u;
inline constexpr std::uint32_t kLengthMask = 0x3FFFFFFFu;
inline constexpr std::size_t kChainNextOffset = 0;  // RowPointer in each chained row
inline constexpr std::size_t kChainDataOffset = 4;
}  // namespace long_value

// The bytes of the long value that `field` (the column's bytes in the row) refers to.
// Raises CorruptError when the reference, a row it points to or the chain does not fit, when
// the chain loops, or when it ends before the stated length.
std::vector<std::uint8_t> ReadLongValue(const PageFile& file, ByteSpan field);

}  // namespace frixa::jet
