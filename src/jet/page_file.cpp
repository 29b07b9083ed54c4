// PageFile: page-numbered access to the bytes of a database file.
#include "jet/page_file.h"

#include <string>
#include <utility>

namespace frixa::jet {

PageFile::PageFile(std::vector<std::uint8_t> bytes, std::string name)
    : bytes_(std::move(bytes)), name_(std::move(name)) {
  if (bytes_.size() % kPageSize != 0) {
    ThrowCorrupt("the file is " + std::to_string(bytes_.size()) +
                 " bytes long, not a whole number of " + std::to_string(kPageSize) +
                 "-byte pages");
  }
  pageCount_ = static_cast<PageNumber>(bytes_.size() / kPageSize);
}

PageView PageFile::Page(PageNumber page) const {
  if (page >= pageCount_) {
    ThrowCorrupt("page " + std::to_string(page) + " lies beyond the end of the file (" +
                 std::to_string(pageCount_) + " pages)");
  }
  return PageView(page, ByteSpan(bytes_).subspan(std::size_t{page} * kPageSize, kPageSize));
}

MutableByteSpan PageFile::MutablePage(PageNumber page) {
  (void)Page(page);  // range check
  return MutableByteSpan(bytes_).subspan(std::size_t{page} * kPageSize, kPageSize);
}

PageNumber PageFile::AppendPage() {
  bytes_.resize(bytes_.size() + kPageSize, 0);
  return pageCount_++;
}

void PageFile::Truncate(PageNumber count) {
  if (count >= pageCount_) return;
  bytes_.resize(std::size_t{count} * kPageSize);
  pageCount_ = count;
}

void PageFile::Reserve(PageNumber count) { bytes_.reserve(std::size_t{count} * kPageSize); }

}  // namespace frixa::jet
