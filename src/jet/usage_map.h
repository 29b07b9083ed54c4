// Usage maps: which pages belong to a table (or have free space). A map is one row on a data
// page whose owner field is 0, in one of two forms.
//
// Inline (type 0): the bitmap covers the pages from a start page on.
//    0    1..4         5 ..
//   | 00 | first page | bitmap: bit i (LSB first) set = page first + i is in the map |
//
// Reference (type 1): the bitmap lives on usage-bitmap pages (type 5).
//    0    1..4           5..8           ...
//   | 01 | bitmap page 0 | bitmap page 1 | ...   (0 = none)
// Bitmap page j:  05 01 00 00 | bitmap: bit i set = page j * kPagesPerBitmapPage + i is in.
#pragma once

#include <cstdint>
#include <vector>

#include "jet/page_file.h"

namespace frixa::jet {

namespace usage_map {
inline constexpr std::uint8_t kInline = 0x00;
inline constexpr std::uint8_t kReference = 0x01;
inline constexpr std::size_t kTypeOffset = 0;
inline constexpr std::size_t kInlineStartOffset = 1;   // u32
inline constexpr std::size_t kInlineBitmapOffset = 5;
inline constexpr std::size_t kReferencePagesOffset = 1;  // u32 each
inline constexpr std::size_t kBitmapPageHeaderSize = 4;  // 05 01 00 00
inline constexpr std::size_t kPagesPerBitmapPage = (kPageSize - kBitmapPageHeaderSize) * 8;
inline constexpr std::size_t kInlineRowSize = 133;       // as Jet writes it: 128-byte bitmap
}  // namespace usage_map

// The pages that the map in `map` lists, ascending. Pages must lie inside the file; a map that
// lists others, or whose row or bitmap pages do not fit, raises CorruptError.
std::vector<PageNumber> ReadUsageMap(const PageFile& file, RowPointer map);

// The same, from the map row's bytes.
std::vector<PageNumber> DecodeUsageMap(const PageFile& file, ByteSpan row);

}  // namespace frixa::jet
