// The files on disk (DiskFiles), file stamps and the read-only test.
#include "jet/file_io.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <fstream>
#include <system_error>

#include "common/error.h"
#include "platform/file_ops.h"

namespace frixa::jet {

namespace {

// The Jet error for a failed write, from the C library's errno.
[[noreturn]] void RaiseWriteError(int error) {
  if (error == ENOSPC) RaiseJetError(errnum::kJetDiskFull);
  RaiseJetError(errnum::kJetDiskError);
}

class Disk final : public FileAccess {
 public:
  std::vector<std::uint8_t> Read(const std::string& path) override {
    std::error_code ec;
    const std::filesystem::path fsPath(path);
    if (path.empty() || !std::filesystem::exists(fsPath, ec)) RaiseJetError(errnum::kJetFileNotFound, path);
    if (std::filesystem::is_directory(fsPath, ec)) RaiseJetError(errnum::kJetCannotOpen, path);
    std::ifstream in(fsPath, std::ios::binary);
    if (!in) RaiseJetError(errnum::kJetCannotOpen, path);
    std::vector<std::uint8_t> bytes;
    const auto size = std::filesystem::file_size(fsPath, ec);
    if (!ec) bytes.reserve(static_cast<std::size_t>(size));
    char buffer[1 << 16];
    while (in) {
      in.read(buffer, sizeof buffer);
      bytes.insert(bytes.end(), buffer, buffer + in.gcount());
    }
    if (in.bad()) RaiseJetError(errnum::kJetCannotOpen, path);
    return bytes;
  }

  void WritePages(const std::string& path, std::span<const PageWrite> pages) override {
    if (pages.empty()) return;
    errno = 0;
    std::FILE* f = std::fopen(path.c_str(), "r+b");
    if (f == nullptr) {
      std::error_code ec;
      if (!std::filesystem::exists(std::filesystem::path(path), ec)) {
        RaiseJetError(errnum::kJetFileNotFound, path);
      }
      RaiseJetError(errnum::kJetCannotOpen, path);
    }
    int error = 0;
    std::size_t i = 0;
    while (i < pages.size() && error == 0) {
      // A run of pages that follow each other in the file and in memory: one write.
      std::size_t run = 1;
      while (i + run < pages.size() && pages[i + run].page == pages[i].page + run &&
             pages[i + run].bytes.data() == pages[i].bytes.data() + run * kPageSize) {
        ++run;
      }
      const std::uint64_t offset = std::uint64_t{pages[i].page} * kPageSize;
      if (offset > static_cast<std::uint64_t>(LONG_MAX)) {
        error = EFBIG;
        break;
      }
      errno = 0;
      if (std::fseek(f, static_cast<long>(offset), SEEK_SET) != 0 ||
          std::fwrite(pages[i].bytes.data(), 1, run * kPageSize, f) != run * kPageSize) {
        error = errno != 0 ? errno : EIO;
      }
      i += run;
    }
    errno = 0;
    if (std::fflush(f) != 0 && error == 0) error = errno != 0 ? errno : EIO;
    errno = 0;
    if (std::fclose(f) != 0 && error == 0) error = errno != 0 ? errno : EIO;
    if (error != 0) RaiseWriteError(error);
  }

  void Resize(const std::string& path, std::uint64_t size) override {
    std::error_code ec;
    std::filesystem::resize_file(std::filesystem::path(path), size, ec);
    if (!ec) return;
    if (ec == std::errc::no_such_file_or_directory) RaiseJetError(errnum::kJetFileNotFound, path);
    RaiseWriteError(ec == std::errc::no_space_on_device ? ENOSPC : EIO);
  }

  bool Create(const std::string& path) override {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    std::fclose(f);
    return true;
  }
  bool Sync(const std::string& path) override { return SyncFileToDisk(path); }
  bool Replace(const std::string& from, const std::string& to) override { return MoveIntoPlace(from, to); }
  void Remove(const std::string& path) override { std::remove(path.c_str()); }
  std::optional<FileStamp> Stamp(const std::string& path) override { return StampOf(path); }
  bool IsReadOnly(const std::string& path) override { return IsReadOnlyFile(path); }
};

}  // namespace

FileAccess& DiskFiles() {
  static Disk disk;
  return disk;
}

std::optional<FileStamp> StampOf(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path p(path);
  FileStamp stamp;
  stamp.size = std::filesystem::file_size(p, ec);
  if (ec) return std::nullopt;
  stamp.written = std::filesystem::last_write_time(p, ec);
  if (ec) return std::nullopt;
  return stamp;
}

bool IsReadOnlyFile(const std::string& path) {
  std::error_code ec;
  const auto status = std::filesystem::status(std::filesystem::path(path), ec);
  if (ec || !std::filesystem::exists(status)) return false;
  return (status.permissions() & std::filesystem::perms::owner_write) == std::filesystem::perms::none;
}

}  // namespace frixa::jet
