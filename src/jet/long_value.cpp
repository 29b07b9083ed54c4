// ReadLongValue: inline, single-row and chained long values.
#include "jet/long_value.h"

#include <algorithm>
#include <string>
#include <unordered_set>

#include "jet/data_page.h"

namespace frixa::jet {

namespace {

ByteSpan LongValueRow(const PageFile& file, RowPointer at) {
  const DataPageView page(file.Page(at.page));
  if (page.Owner() != data_page::kLongValueOwner) {
    ThrowCorrupt("long value row on page " + std::to_string(at.page) +
                 ", which is not a long-value page");
  }
  const RowSlot slot = page.Slot(at.row);
  if (slot.IsOverflowPointer() || slot.IsDeleted()) {
    ThrowCorrupt("long value row " + std::to_string(at.row) + " on page " +
                 std::to_string(at.page) + " is deleted");
  }
  return page.Row(at.row);
}

}  // namespace

std::vector<std::uint8_t> ReadLongValue(const PageFile& file, ByteSpan field) {
  using namespace long_value;
  if (field.size() < kHeaderSize) {
    ThrowCorrupt("long value reference of " + std::to_string(field.size()) +
                 " bytes, shorter than its 12-byte header");
  }
  const std::uint32_t word = ReadU32(field, kLengthOffset);
  const std::size_t length = word & kLengthMask;
  const RowPointer first = RowPointer::FromU32(ReadU32(field, kPointerOffset));

  if ((word & kInlineFlag) != 0) {
    const ByteSpan data = Slice(field, kHeaderSize, length, "inline long value");
    return {data.begin(), data.end()};
  }
  if ((word & kSingleRowFlag) != 0) {
    const ByteSpan row = LongValueRow(file, first);
    const ByteSpan data = Slice(row, 0, length, "long value row");
    return {data.begin(), data.end()};
  }
  // A chain: never more bytes than the file holds, never the same row twice.
  if (length > file.Bytes().size()) {
    ThrowCorrupt("long value of " + std::to_string(length) + " bytes, more than the file holds");
  }
  std::vector<std::uint8_t> out;
  out.reserve(length);
  std::unordered_set<std::uint32_t> seen;
  RowPointer at = first;
  while (out.size() < length) {
    if (at.IsNull()) {
      ThrowCorrupt("long value chain ends after " + std::to_string(out.size()) + " of " +
                   std::to_string(length) + " bytes");
    }
    if (!seen.insert(at.ToU32()).second) ThrowCorrupt("long value chain loops");
    const ByteSpan row = LongValueRow(file, at);
    const RowPointer next = RowPointer::FromU32(ReadU32(row, kChainNextOffset));
    const ByteSpan data = row.subspan(kChainDataOffset);
    const std::size_t take = std::min(data.size(), length - out.size());
    out.insert(out.end(), data.begin(), data.begin() + static_cast<std::ptrdiff_t>(take));
    at = next;
  }
  return out;
}

}  // namespace frixa::jet
