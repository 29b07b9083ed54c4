// File operations on POSIX systems: see file_ops.h.
#include "platform/file_ops.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

namespace frixa {

bool SyncFileToDisk(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

bool MoveIntoPlace(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace frixa
