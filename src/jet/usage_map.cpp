// Usage maps: decoding the inline and reference forms into page lists, and changing them.
#include "jet/usage_map.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "common/error.h"
#include "jet/data_page.h"

namespace frixa::jet {

namespace {

void AddBits(const PageFile& file, ByteSpan bitmap, std::uint64_t firstPage,
             std::vector<PageNumber>& pages) {
  for (std::size_t byte = 0; byte < bitmap.size(); ++byte) {
    if (bitmap[byte] == 0) continue;
    for (unsigned bit = 0; bit < 8; ++bit) {
      if ((bitmap[byte] & (1u << bit)) == 0) continue;
      const std::uint64_t page = firstPage + byte * 8 + bit;
      if (page >= file.PageCount()) {
        ThrowCorrupt("a usage map lists page " + std::to_string(page) +
                     ", beyond the end of the file (" + std::to_string(file.PageCount()) +
                     " pages)");
      }
      pages.push_back(static_cast<PageNumber>(page));
    }
  }
}

}  // namespace

std::vector<PageNumber> DecodeUsageMap(const PageFile& file, ByteSpan row) {
  std::vector<PageNumber> pages;
  const std::uint8_t type = ReadU8(row, usage_map::kTypeOffset);
  if (type == usage_map::kInline) {
    const std::uint32_t first = ReadU32(row, usage_map::kInlineStartOffset);
    AddBits(file, row.subspan(usage_map::kInlineBitmapOffset), first, pages);
  } else if (type == usage_map::kReference) {
    const std::size_t count = (row.size() - usage_map::kReferencePagesOffset) / 4;
    for (std::size_t j = 0; j < count; ++j) {
      const PageNumber bitmapPage = ReadU32(row, usage_map::kReferencePagesOffset + 4 * j);
      if (bitmapPage == 0) continue;
      const PageView view = file.Page(bitmapPage);
      if (!view.Is(PageType::kUsageBitmap)) {
        ThrowCorrupt("usage map bitmap page " + std::to_string(bitmapPage) +
                     " is of type " + std::to_string(view.TypeByte()));
      }
      AddBits(file, view.Bytes().subspan(usage_map::kBitmapPageHeaderSize),
              std::uint64_t{j} * usage_map::kPagesPerBitmapPage, pages);
    }
  } else {
    ThrowCorrupt("usage map of unknown type " + std::to_string(type));
  }
  return pages;
}

std::vector<PageNumber> ReadUsageMap(const PageFile& file, RowPointer map) {
  const DataPageView page(file.Page(map.page));
  return DecodeUsageMap(file, page.Row(map.row));
}

// ---- changing maps ---------------------------------------------------------------------------

namespace {

constexpr std::size_t kInlineBitmapOffset = usage_map::kInlineBitmapOffset;
constexpr std::size_t kPagesPerBitmapPage = usage_map::kPagesPerBitmapPage;
constexpr std::uint8_t kBitmapPageHeader[usage_map::kBitmapPageHeaderSize] = {
    static_cast<std::uint8_t>(PageType::kUsageBitmap), 0x01, 0x00, 0x00};

bool BitOf(ByteSpan bitmap, std::size_t i) { return ((bitmap[i / 8] >> (i % 8)) & 1u) != 0; }

void PutBit(MutableByteSpan bitmap, std::size_t i, bool on) {
  const auto mask = static_cast<std::uint8_t>(1u << (i % 8));
  bitmap[i / 8] = static_cast<std::uint8_t>(on ? (bitmap[i / 8] | mask) : (bitmap[i / 8] & ~mask));
}

// Where a map row lies: its page and its byte range there.
struct MapRow {
  PageNumber page = 0;
  std::size_t offset = 0;
  std::size_t size = 0;

  ByteSpan Read(UsageMapPages& pages) const { return pages.Read(page).subspan(offset, size); }
  MutableByteSpan Edit(UsageMapPages& pages) const { return pages.Edit(page).subspan(offset, size); }
};

MapRow Locate(UsageMapPages& pages, RowPointer map) {
  const ByteSpan page = pages.Read(map.page);
  const DataPageView view(PageView(map.page, page));
  const ByteSpan row = view.Row(map.row);
  if (row.empty()) ThrowCorrupt("usage map row " + std::to_string(map.row) + " on page " +
                                std::to_string(map.page) + " is empty");
  return MapRow{map.page, static_cast<std::size_t>(row.data() - page.data()), row.size()};
}

std::size_t ReferenceCount(const MapRow& row) { return (row.size - usage_map::kReferencePagesOffset) / 4; }

std::size_t InlineBits(const MapRow& row) {
  if (row.size < kInlineBitmapOffset) ThrowCorrupt("inline usage map row of " + std::to_string(row.size) + " bytes");
  return (row.size - kInlineBitmapOffset) * 8;
}

ByteSpan BitmapOf(UsageMapPages& pages, PageNumber bitmapPage) {
  const ByteSpan bytes = pages.Read(bitmapPage);
  if (bytes[0] != static_cast<std::uint8_t>(PageType::kUsageBitmap)) {
    ThrowCorrupt("usage map bitmap page " + std::to_string(bitmapPage) + " is of type " +
                 std::to_string(bytes[0]));
  }
  return bytes.subspan(usage_map::kBitmapPageHeaderSize);
}

// A new bitmap page for pages [j * N, (j + 1) * N). For the global map every page from the end
// of the file on is free; the pages already in the file (this one included) are in use.
PageNumber NewBitmapPage(UsageMapPages& pages, std::size_t j, UsageMapKind kind) {
  const PageNumber added = pages.Append();
  const MutableByteSpan page = pages.Edit(added);
  std::memcpy(page.data(), kBitmapPageHeader, sizeof kBitmapPageHeader);
  if (kind == UsageMapKind::kGlobalFree) {
    const MutableByteSpan bitmap = page.subspan(usage_map::kBitmapPageHeaderSize);
    const std::uint64_t first = std::uint64_t{j} * kPagesPerBitmapPage;
    const std::uint64_t end = pages.PageCount();
    std::size_t i = end > first ? static_cast<std::size_t>(std::min<std::uint64_t>(end - first, kPagesPerBitmapPage)) : 0;
    for (; i < kPagesPerBitmapPage && i % 8 != 0; ++i) PutBit(bitmap, i, true);
    std::memset(bitmap.data() + i / 8, 0xFF, (kPagesPerBitmapPage - i) / 8);
  }
  return added;
}

std::vector<PageNumber> InlinePages(ByteSpan row) {
  std::vector<PageNumber> out;
  const std::uint32_t start = ReadU32(row, usage_map::kInlineStartOffset);
  const ByteSpan bitmap = row.subspan(kInlineBitmapOffset);
  for (std::size_t i = 0; i < bitmap.size() * 8; ++i) {
    if (bitmap[i / 8] == 0) {
      i += 7 - i % 8;
      continue;
    }
    if (BitOf(bitmap, i)) out.push_back(static_cast<PageNumber>(start + i));
  }
  return out;
}

// Where a new inline window for the pages lo..hi starts: page 0 when they fit there, as in
// every file Jet writes; otherwise the multiple of 8 at or below lo, so the window begins on
// a whole bitmap byte. The caller checks that hi fits.
PageNumber WindowStart(PageNumber lo, PageNumber hi, std::size_t bits) {
  if (hi < bits) return 0;
  return lo & ~PageNumber{7};
}

// Gives an inline map the window that starts at `start` and the pages `members`.
void Rebase(UsageMapPages& pages, const MapRow& at, PageNumber start, const std::vector<PageNumber>& members) {
  const MutableByteSpan row = at.Edit(pages);
  StoreU32(row, usage_map::kInlineStartOffset, start);
  const MutableByteSpan bitmap = row.subspan(kInlineBitmapOffset);
  std::memset(bitmap.data(), 0, bitmap.size());
  for (const PageNumber p : members) {
    if (p >= start && p - start < bitmap.size() * 8) PutBit(bitmap, p - start, true);
  }
}

void SetReferenceBit(UsageMapPages& pages, const MapRow& at, PageNumber page, bool member,
                     UsageMapKind kind) {
  const std::size_t j = page / kPagesPerBitmapPage;
  if (j >= ReferenceCount(at)) {
    if (kind == UsageMapKind::kHint) return;
    ThrowCorrupt("page " + std::to_string(page) + " lies beyond what a usage map can describe");
  }
  const std::size_t pointerAt = usage_map::kReferencePagesOffset + 4 * j;
  PageNumber bitmapPage = ReadU32(at.Read(pages), pointerAt);
  if (bitmapPage == 0) {
    // No bitmap page yet: every bit of its range reads as clear.
    if (!member && kind != UsageMapKind::kGlobalFree) return;
    bitmapPage = NewBitmapPage(pages, j, kind);
    StoreU32(at.Edit(pages), pointerAt, bitmapPage);
  }
  const std::size_t bit = page - j * kPagesPerBitmapPage;
  if (BitOf(BitmapOf(pages, bitmapPage), bit) == member) return;
  PutBit(pages.Edit(bitmapPage).subspan(usage_map::kBitmapPageHeaderSize), bit, member);
}

// Turns an inline map into the reference form, keeping what it says.
void Promote(UsageMapPages& pages, const MapRow& at, UsageMapKind kind) {
  const ByteSpan current = at.Read(pages);
  const std::vector<std::uint8_t> old(current.begin(), current.end());
  const std::vector<PageNumber> members = InlinePages(old);
  const PageNumber oldCount = pages.PageCount();

  const MutableByteSpan row = at.Edit(pages);
  std::memset(row.data(), 0, row.size());
  row[usage_map::kTypeOffset] = usage_map::kReference;
  if (kind == UsageMapKind::kGlobalFree) {
    // Bitmap pages up to the end of the file, which they themselves extend: each marks the
    // pages in the file as used and the rest as free.
    for (std::size_t j = 0; j < ReferenceCount(at) && j * kPagesPerBitmapPage < pages.PageCount(); ++j) {
      const std::size_t pointerAt = usage_map::kReferencePagesOffset + 4 * j;
      const PageNumber bitmapPage = NewBitmapPage(pages, j, kind);
      StoreU32(at.Edit(pages), pointerAt, bitmapPage);
    }
  }
  // The pages the old window listed (for the global map: the free ones inside the file).
  for (const PageNumber p : members) {
    if (kind != UsageMapKind::kGlobalFree || p < oldCount) SetReferenceBit(pages, at, p, true, kind);
  }
}

}  // namespace

void SetUsageMapBit(UsageMapPages& pages, RowPointer map, PageNumber page, bool member,
                    UsageMapKind kind) {
  const MapRow at = Locate(pages, map);
  const std::uint8_t type = at.Read(pages)[usage_map::kTypeOffset];
  if (type == usage_map::kInline) {
    const ByteSpan row = at.Read(pages);
    const std::uint32_t start = ReadU32(row, usage_map::kInlineStartOffset);
    const std::size_t bits = InlineBits(at);
    if (page >= start && page - start < bits) {
      if (BitOf(row.subspan(kInlineBitmapOffset), page - start) == member) return;
      PutBit(at.Edit(pages).subspan(kInlineBitmapOffset), page - start, member);
      return;
    }
    if (kind != UsageMapKind::kGlobalFree) {
      if (!member) return;  // outside the window: not listed
      std::vector<PageNumber> members = InlinePages(row);
      const PageNumber lo = members.empty() ? page : std::min(page, members.front());
      const PageNumber hi = members.empty() ? page : std::max(page, members.back());
      members.push_back(page);
      const PageNumber window = WindowStart(lo, hi, bits);
      if (hi - window < bits) {
        Rebase(pages, at, window, members);
        return;
      }
      if (kind == UsageMapKind::kHint) {
        // Keeps those in the window that holds `page`.
        Rebase(pages, at, WindowStart(page, page, bits), members);
        return;
      }
    }
    Promote(pages, at, kind);
  } else if (type != usage_map::kReference) {
    ThrowCorrupt("usage map of unknown type " + std::to_string(type));
  }
  SetReferenceBit(pages, at, page, member, kind);
}

bool UsageMapBit(UsageMapPages& pages, RowPointer map, PageNumber page) {
  const MapRow at = Locate(pages, map);
  const ByteSpan row = at.Read(pages);
  if (row[usage_map::kTypeOffset] == usage_map::kInline) {
    const std::uint32_t start = ReadU32(row, usage_map::kInlineStartOffset);
    return page >= start && page - start < InlineBits(at) &&
           BitOf(row.subspan(kInlineBitmapOffset), page - start);
  }
  const std::size_t j = page / kPagesPerBitmapPage;
  if (j >= ReferenceCount(at)) return false;
  const PageNumber bitmapPage = ReadU32(row, usage_map::kReferencePagesOffset + 4 * j);
  return bitmapPage != 0 && BitOf(BitmapOf(pages, bitmapPage), page - j * kPagesPerBitmapPage);
}

bool UsageMapCovers(UsageMapPages& pages, RowPointer map, PageNumber page) {
  const MapRow at = Locate(pages, map);
  const ByteSpan row = at.Read(pages);
  if (row[usage_map::kTypeOffset] == usage_map::kInline) {
    const std::uint32_t start = ReadU32(row, usage_map::kInlineStartOffset);
    return page >= start && page - start < InlineBits(at);
  }
  const std::size_t j = page / kPagesPerBitmapPage;
  return j < ReferenceCount(at) && ReadU32(row, usage_map::kReferencePagesOffset + 4 * j) != 0;
}

std::vector<std::uint8_t> NewInlineUsageMap(const std::vector<PageNumber>& pages) {
  std::vector<std::uint8_t> row(usage_map::kInlineRowSize, 0);
  row[usage_map::kTypeOffset] = usage_map::kInline;
  StoreU32(row, usage_map::kInlineStartOffset, 0);
  const MutableByteSpan bitmap = MutableByteSpan(row).subspan(kInlineBitmapOffset);
  for (const PageNumber p : pages) {
    if (p >= usage_map::kInlineRowPages) throw DoesNotFit("a page beyond an inline usage map");
    PutBit(bitmap, p, true);
  }
  return row;
}

}  // namespace frixa::jet
