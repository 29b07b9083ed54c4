// Usage maps: decoding the inline and reference forms into page lists.
#include "jet/usage_map.h"

#include <string>

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

}  // namespace frixa::jet
