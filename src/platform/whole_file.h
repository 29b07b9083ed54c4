// Writing a whole file so that no reader ever finds it half-written: the bytes go to a
// temporary file beside the target, which is flushed to the disk and then moved over the target
// in one step. On any failure the target stays exactly as it was and the temporary is removed.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace frixa {

// Appended to the target's name for the temporary file, in the same folder.
inline constexpr const char* kWholeFileTemporarySuffix = ".tmp";

// A file that Create opened for writing.
class OpenedFile {
 public:
  virtual ~OpenedFile() = default;  // closes the file if Finish was not called
  // Appends `bytes`. False when they could not all be written.
  virtual bool Write(std::string_view bytes) = 0;
  // Flushes and closes. False when either fails.
  virtual bool Finish() = 0;
};

// The disk under a whole-file write, one step at a time. Tests put others in place
// (ScopedFileWriteSteps) to make any step fail.
class FileWriteSteps {
 public:
  virtual ~FileWriteSteps() = default;
  // `path` created empty (a file of the name is replaced), open for writing; null when refused.
  virtual std::unique_ptr<OpenedFile> Create(const std::string& path) = 0;
  // Forces the closed file's data to the disk (SyncFileToDisk). False when it cannot.
  virtual bool Sync(const std::string& path) = 0;
  // Moves `from` onto `to` in one step (MoveIntoPlace). False, both as they were, when refused.
  virtual bool Replace(const std::string& from, const std::string& to) = 0;
  // Removes `path` if it exists.
  virtual void Remove(const std::string& path) = 0;
};

// The files on disk.
FileWriteSteps& DiskWriteSteps();

// The steps whole-file writes use: the disk, unless a ScopedFileWriteSteps is alive.
FileWriteSteps& CurrentFileWriteSteps();

// Puts `steps` in place of the current ones for its lifetime (tests).
class ScopedFileWriteSteps {
 public:
  explicit ScopedFileWriteSteps(FileWriteSteps& steps);
  ~ScopedFileWriteSteps();
  ScopedFileWriteSteps(const ScopedFileWriteSteps&) = delete;
  ScopedFileWriteSteps& operator=(const ScopedFileWriteSteps&) = delete;

 private:
  FileWriteSteps* previous_;
};

// One whole file written in parts: created under path + kWholeFileTemporarySuffix, filled by
// Write, put in place by Commit. Raises frixa::Error 75 (path/file access) when the temporary
// cannot be created, written, flushed or synced, and 70 (permission denied) when it cannot
// replace the target (held open by another program, for example); after either, and when the
// writer is destroyed without Commit, the temporary is gone and the target as it was.
class WholeFileWriter {
 public:
  explicit WholeFileWriter(std::string path, FileWriteSteps& steps = CurrentFileWriteSteps());
  ~WholeFileWriter();
  WholeFileWriter(const WholeFileWriter&) = delete;
  WholeFileWriter& operator=(const WholeFileWriter&) = delete;

  void Write(std::string_view bytes);
  void Commit();

 private:
  [[noreturn]] void Fail(int number);

  std::string path_;
  std::string temporary_;
  FileWriteSteps& steps_;
  std::unique_ptr<OpenedFile> file_;
};

// Writes `bytes` as the whole file `path` through a WholeFileWriter (errors as there).
void WriteWholeFile(const std::string& path, std::string_view bytes);

// The last step of a file built under another name by other means (the database engine's):
// forces `built` to the disk and moves it over `path` in one step. Raises 75 when it cannot be
// synced, 70 when it cannot replace `path`; `built` is then removed and `path` stays as it was.
void PutFileInPlace(const std::string& built, const std::string& path,
                    FileWriteSteps& steps = CurrentFileWriteSteps());

}  // namespace frixa
