// The engine's way to the disk when it saves a database: whole pages written in place with
// <cstdio>, behind a small interface so that tests can make a write fail, and the two file
// facts the engine asks before and after: is the file read-only, and has it changed.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

#include "jet/page.h"

namespace frixa::jet {

struct PageWrite {
  PageNumber page = 0;
  ByteSpan bytes;  // kPageSize bytes
};

class FileWriter {
 public:
  virtual ~FileWriter() = default;
  // Writes each page at page * 2048 of the existing file `path`, in the order given; the file
  // grows as needed. Raises frixa::Error: 3024 when the file is gone, 3051 when it cannot be
  // opened for writing, 3026 when the disk is full, 3043 for any other failure. Pages written
  // before a failure stay written.
  virtual void WritePages(const std::string& path, std::span<const PageWrite> pages) = 0;
  // Cuts the file to `size` bytes (or extends it with zeros). Raises as WritePages.
  virtual void Resize(const std::string& path, std::uint64_t size) = 0;
};

// The writer of the program: fopen("r+b"), fseek, fwrite, fclose; std::filesystem to resize.
FileWriter& StdioFileWriter();

// The writer databases save through: StdioFileWriter unless a ScopedFileWriter stands.
FileWriter& CurrentFileWriter();

// Puts `writer` in place of the current one for its lifetime.
class ScopedFileWriter {
 public:
  explicit ScopedFileWriter(FileWriter& writer);
  ~ScopedFileWriter();
  ScopedFileWriter(const ScopedFileWriter&) = delete;
  ScopedFileWriter& operator=(const ScopedFileWriter&) = delete;

 private:
  FileWriter* previous_;
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

}  // namespace frixa::jet
