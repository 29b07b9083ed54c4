// The pages of one database file, held in memory. Every decoder reaches pages through it, and
// it refuses page numbers outside the file, so a pointer into nowhere is a CorruptError.
// The writer (jet/writer.h) changes pages in place and appends new ones here; it alone keeps
// track of which pages differ from the file on disk. Appending may move the bytes: views and
// spans into the pages do not survive it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/page.h"

namespace frixa::jet {

class PageFile {
 public:
  PageFile() = default;
  // `bytes` holds the whole file; its length must be a whole number of pages. `name` (the
  // file's path) is what errors name.
  explicit PageFile(std::vector<std::uint8_t> bytes, std::string name = {});

  const std::string& Name() const { return name_; }
  PageNumber PageCount() const { return pageCount_; }
  bool Contains(PageNumber page) const { return page < pageCount_; }
  // Raises CorruptError when `page` lies beyond the end of the file.
  PageView Page(PageNumber page) const;
  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

  // The bytes of `page` for changing; CorruptError when it lies beyond the end of the file.
  MutableByteSpan MutablePage(PageNumber page);
  // Appends one page of zeros and returns its number.
  PageNumber AppendPage();
  // Drops the pages from `count` on (undoing appends).
  void Truncate(PageNumber count);
  // Reserves room for `count` pages, so that appending up to there moves nothing.
  void Reserve(PageNumber count);

 private:
  std::vector<std::uint8_t> bytes_;
  std::string name_;
  PageNumber pageCount_ = 0;
};

}  // namespace frixa::jet
