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

}  // namespace frixa::jet
