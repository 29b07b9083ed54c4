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
//
// The global map (page 1, row 0) has the same forms with the sense turned round: a set bit
// means the page is free, and every page past the end of the file is free.
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
inline constexpr std::size_t kInlineRowPages = (kInlineRowSize - kInlineBitmapOffset) * 8;  // 1024
inline constexpr RowPointer kGlobalMap{1, 0};
inline constexpr std::uint32_t kGlobalMapPageOwner = 1;  // owner field of page 1
inline constexpr std::uint32_t kMapPageOwner = 0;        // owner field of the other map pages
}  // namespace usage_map

// The pages that the map in `map` lists, ascending. Pages must lie inside the file; a map that
// lists others, or whose row or bitmap pages do not fit, raises CorruptError.
std::vector<PageNumber> ReadUsageMap(const PageFile& file, RowPointer map);

// The same, from the map row's bytes.
std::vector<PageNumber> DecodeUsageMap(const PageFile& file, ByteSpan row);

// A new inline map row of kInlineRowSize bytes, its window from page 0, listing `pages`.
// Raises DoesNotFit (error 1005) for a page beyond the window.
std::vector<std::uint8_t> NewInlineUsageMap(const std::vector<PageNumber>& pages);

// ---- changing usage maps (the writer) ----------------------------------------------------

// What changing a map needs of the database it lies in. Edit returns the bytes of a page for
// changing (the implementation notes the change); Append adds a page of zeros at the end.
class UsageMapPages {
 public:
  virtual ~UsageMapPages() = default;
  virtual ByteSpan Read(PageNumber page) = 0;
  virtual MutableByteSpan Edit(PageNumber page) = 0;
  virtual PageNumber Append() = 0;
  virtual PageNumber PageCount() const = 0;
};

enum class UsageMapKind {
  // A table's owned pages: the map must list every page. An inline map whose window cannot
  // take a page moves its window when all pages still fit, and otherwise turns into the
  // reference form, with bitmap pages appended to the file.
  kExact,
  // A table's pages with free space: a hint for the engine. A page the inline window cannot
  // take moves the window there and may leave older pages out (their room is then unused).
  kHint,
  // The global map: a set bit means free. A page outside the inline window turns the map into
  // the reference form; a new bitmap page marks every page already in the file as used.
  kGlobalFree,
};

// Sets (`member` true) or clears the bit of `page` in the map at `map`. Pages appended for
// bitmap pages are left for the caller to mark in the global map. Raises CorruptError when the
// map row or its bitmap pages are damaged, or when `page` lies beyond what a map can describe.
void SetUsageMapBit(UsageMapPages& pages, RowPointer map, PageNumber page, bool member,
                    UsageMapKind kind);

// Whether the bit of `page` is set; false for pages the map does not cover.
bool UsageMapBit(UsageMapPages& pages, RowPointer map, PageNumber page);

// Whether the map has a bit for `page` at all (inside the inline window, or on a bitmap page).
bool UsageMapCovers(UsageMapPages& pages, RowPointer map, PageNumber page);

}  // namespace frixa::jet
