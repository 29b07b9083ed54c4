// Writer's page journal and saving: the pages a change touched, kept so that a failed change
// is undone, the pages that differ from the disk, and how they are saved to it.
#include "jet/writer.h"

#include <algorithm>
#include <cstring>

namespace frixa::jet {

void Writer::BeginChange() {
  inChange_ = true;
  touched_ = false;
  changeStartCount_ = file_.PageCount();
  originals_.clear();
}

void Writer::EndChange() {
  inChange_ = false;
  if (mode_ == WriteMode::kWriteBehind) return;
  try {
    Flush();
  } catch (...) {
    // A failed replacement changed nothing on disk; a failed write in place may have.
    if (lastSaveInPlace_) RestoreDisk();
    RollBackMemory();
    throw;
  }
  originals_.clear();
}

void Writer::FailChange() {
  inChange_ = false;
  if (mode_ != WriteMode::kWriteBehind) {
    RollBackMemory();
  } else if (touched_) {
    broken_ = true;
  }
}

void Writer::RollBackMemory() {
  for (const auto& o : originals_) {
    const MutableByteSpan page = file_.MutablePage(o.page);
    std::memcpy(page.data(), o.bytes.data(), kPageSize);
  }
  file_.Truncate(changeStartCount_);
  // What is in memory is now what the disk held before the change.
  dirty_.assign(file_.PageCount(), 0);
  dirtyList_.clear();
  originals_.clear();
  tables_.clear();
}

void Writer::RestoreDisk() {
  // Puts back the pages the failed save may have overwritten and cuts the pages it added.
  try {
    std::vector<PageWrite> writes;
    for (const auto& o : originals_) {
      if (o.page < diskPageCount_) writes.push_back(PageWrite{o.page, ByteSpan(o.bytes)});
    }
    std::sort(writes.begin(), writes.end(), [](const PageWrite& a, const PageWrite& b) { return a.page < b.page; });
    files_.WritePages(path_, writes);
    files_.Resize(path_, std::uint64_t{diskPageCount_} * kPageSize);
    stamp_ = files_.Stamp(path_);
  } catch (...) {
    rewriteAll_ = true;  // the disk holds part of the change: the next save writes everything
  }
}

MutableByteSpan Writer::Edit(PageNumber page) {
  if (inChange_) {
    touched_ = true;
    if (mode_ != WriteMode::kWriteBehind && page < changeStartCount_) {
      const bool saved = std::any_of(originals_.begin(), originals_.end(),
                                     [page](const Original& o) { return o.page == page; });
      if (!saved) {
        const ByteSpan bytes = file_.Page(page).Bytes();
        originals_.push_back(Original{page, std::vector<std::uint8_t>(bytes.begin(), bytes.end())});
      }
    }
  }
  const MutableByteSpan bytes = file_.MutablePage(page);
  if (dirty_[page] == 0) {
    dirty_[page] = 1;
    dirtyList_.push_back(page);
  }
  return bytes;
}

PageNumber Writer::AppendPage() {
  touched_ = true;
  const PageNumber page = file_.AppendPage();
  dirty_.push_back(1);
  dirtyList_.push_back(page);
  return page;
}

// ---- saving -----------------------------------------------------------------------------------

void Writer::Flush() {
  if (broken_) Guard();
  if (!HasUnsavedChanges()) return;
  lastSaveInPlace_ = false;
  CheckWritable();
  if (mode_ == WriteMode::kReplaceFile && SaveByReplacing()) return;
  lastSaveInPlace_ = true;
  SaveInPlace();
}

void Writer::SaveInPlace() {
  // New pages first (nothing points at them until the old pages say so), then the old ones.
  std::vector<PageNumber> order;
  if (rewriteAll_) {
    for (PageNumber p = 0; p < file_.PageCount(); ++p) order.push_back(p);
  } else {
    order = dirtyList_;
    std::sort(order.begin(), order.end(), [this](PageNumber a, PageNumber b) {
      const bool aNew = a >= diskPageCount_;
      const bool bNew = b >= diskPageCount_;
      return aNew != bNew ? aNew : a < b;
    });
  }
  std::vector<PageWrite> writes;
  writes.reserve(order.size());
  for (const PageNumber p : order) writes.push_back(PageWrite{p, file_.Page(p).Bytes()});
  files_.WritePages(path_, writes);
  if (file_.PageCount() < diskPageCount_ || rewriteAll_) {
    files_.Resize(path_, std::uint64_t{file_.PageCount()} * kPageSize);
  }
  for (const PageNumber p : dirtyList_) dirty_[p] = 0;
  dirtyList_.clear();
  rewriteAll_ = false;
  diskPageCount_ = file_.PageCount();
  stamp_ = files_.Stamp(path_);
}

bool Writer::SaveByReplacing() {
  const std::string temporary = path_ + ".tmp";
  if (!files_.Create(temporary)) return false;
  try {
    std::vector<PageWrite> writes;
    writes.reserve(file_.PageCount());
    for (PageNumber p = 0; p < file_.PageCount(); ++p) writes.push_back(PageWrite{p, file_.Page(p).Bytes()});
    files_.WritePages(temporary, writes);
    if (!files_.Sync(temporary)) RaiseJetError(errnum::kJetDiskError, temporary);
    // Refused while another program holds the file without letting it be replaced.
    if (!files_.Replace(temporary, path_)) RaiseJetError(errnum::kJetCannotOpen, path_);
  } catch (...) {
    files_.Remove(temporary);
    throw;
  }
  for (const PageNumber p : dirtyList_) dirty_[p] = 0;
  dirtyList_.clear();
  rewriteAll_ = false;
  diskPageCount_ = file_.PageCount();
  stamp_ = files_.Stamp(path_);
  return true;
}

}  // namespace frixa::jet
