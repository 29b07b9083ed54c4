// The open database files of the process, one image per file: record sets bound to the same
// file share it, so a row saved through one is seen by every statement run afterwards through
// any of them, and a Refresh does not read an unchanged file again. A record set holds its file
// through a DatabaseHold; the file is let go when its last hold is released (a record set set
// to an empty database name and refreshed), and its unsaved changes are saved then.
//
// A file that changed on disk since it was read (another size or a later write time) is read
// again at the next Acquire or Revalidate, unless the image holds unsaved changes. Reading it
// again starts a new generation: record sets compare generations before they write through row
// locations taken from the old image (see RecordSet).
#pragma once

#include <cstdint>
#include <string>

#include "jet/database.h"

namespace frixa {

class DatabaseHold {
 public:
  DatabaseHold() = default;
  ~DatabaseHold();  // releases; a failed save is lost here (Release reports it)
  DatabaseHold(DatabaseHold&& other) noexcept;
  DatabaseHold& operator=(DatabaseHold&& other) noexcept;
  DatabaseHold(const DatabaseHold&) = delete;
  DatabaseHold& operator=(const DatabaseHold&) = delete;

  // Opens `path`, or shares the image already open; reads the file again when it changed.
  // Raises the errors of jet::Database::Open.
  static DatabaseHold Acquire(const std::string& path);

  // The same file as `path`?
  bool Holds(const std::string& path) const;
  // Reads the file again when it changed on disk (see above).
  void Revalidate();
  // Lets the file go. The last hold saves unsaved changes first; when that fails the error is
  // raised and the hold stays, so that releasing again retries.
  void Release();

  explicit operator bool() const { return entry_ != nullptr; }
  jet::Database& Db() const;
  std::uint64_t Generation() const;

  // How many files are open in the process.
  static std::size_t OpenFileCount();

  struct Entry;  // one open file; defined in open_databases.cpp

 private:
  explicit DatabaseHold(Entry* entry) : entry_(entry) {}

  Entry* entry_ = nullptr;
};

}  // namespace frixa
