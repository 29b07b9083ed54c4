// The engine's way to the disk: every step of opening and saving a database (reading the file,
// writing pages in place, resizing, creating, syncing, replacing and removing files, and the
// two file facts asked before and after: is the file read-only, has it changed) goes through
// one FileAccess handed to the database, so that tests can make any step fail.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "jet/page.h"

namespace frixa::jet {

struct PageWrite {
  PageNumber page = 0;
  ByteSpan bytes;  // kPageSize bytes
};

// What a file looked like when the engine last read or wrote it. A file rewritten by someone
// else shows another size or a later write time (within the file system's time resolution).
struct FileStamp {
  std::uintmax_t size = 0;
  std::filesystem::file_time_type written{};
  friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// The stamp of the file at `path`; nullopt when there is no such file.
std::optional<FileStamp> StampOf(const std::string& path);

// True when `path` exists and its attributes forbid writing: the read-only attribute on
// Windows, no write permission for its owner elsewhere (checked whoever runs the program).
bool IsReadOnlyFile(const std::string& path);

class FileAccess {
 public:
  virtual ~FileAccess() = default;
  // The whole file. Raises frixa::Error: 3024 when there is no such file, 3051 when it cannot
  // be read (a folder, no permission, a read error).
  virtual std::vector<std::uint8_t> Read(const std::string& path) = 0;
  // Writes each page at page * 2048 of the existing file `path`, in the order given; the file
  // grows as needed. Raises frixa::Error: 3024 when the file is gone, 3051 when it cannot be
  // opened for writing, 3026 when the disk is full, 3043 for any other failure. Pages written
  // before a failure stay written.
  virtual void WritePages(const std::string& path, std::span<const PageWrite> pages) = 0;
  // Cuts the file to `size` bytes (or extends it with zeros). Raises as WritePages.
  virtual void Resize(const std::string& path, std::uint64_t size) = 0;
  // Creates `path` empty, replacing any file of the name. False when the folder refuses it.
  virtual bool Create(const std::string& path) = 0;
  // Writes the file's data through to the disk. False when it cannot.
  virtual bool Sync(const std::string& path) = 0;
  // Moves `from` onto `to` in one step, replacing `to`. False, both files as they were, when
  // refused (for example while another program holds `to`).
  virtual bool Replace(const std::string& from, const std::string& to) = 0;
  // Removes `path` if it exists.
  virtual void Remove(const std::string& path) = 0;
  virtual std::optional<FileStamp> Stamp(const std::string& path) = 0;
  virtual bool IsReadOnly(const std::string& path) = 0;
};

// The files on disk: <cstdio> and std::filesystem, with the platform's sync and replace.
FileAccess& DiskFiles();

}  // namespace frixa::jet
