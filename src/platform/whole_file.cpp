// Whole-file writes through a temporary file and one replacing move: see whole_file.h.
#include "platform/whole_file.h"

#include <cstdio>

#include "common/error.h"
#include "platform/file_ops.h"

namespace frixa {
namespace {

class DiskFile final : public OpenedFile {
 public:
  explicit DiskFile(std::FILE* f) : file_(f) {}
  ~DiskFile() override {
    if (file_ != nullptr) std::fclose(file_);
  }
  bool Write(std::string_view bytes) override {
    return std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size();
  }
  bool Finish() override {
    const bool flushed = std::fflush(file_) == 0;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    return flushed && closed;
  }

 private:
  std::FILE* file_;
};

class Disk final : public FileWriteSteps {
 public:
  std::unique_ptr<OpenedFile> Create(const std::string& path) override {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return nullptr;
    return std::make_unique<DiskFile>(f);
  }
  bool Sync(const std::string& path) override { return SyncFileToDisk(path); }
  bool Replace(const std::string& from, const std::string& to) override {
    return MoveIntoPlace(from, to);
  }
  void Remove(const std::string& path) override { std::remove(path.c_str()); }
};

FileWriteSteps* current = nullptr;

}  // namespace

FileWriteSteps& DiskWriteSteps() {
  static Disk disk;
  return disk;
}

FileWriteSteps& CurrentFileWriteSteps() { return current != nullptr ? *current : DiskWriteSteps(); }

ScopedFileWriteSteps::ScopedFileWriteSteps(FileWriteSteps& steps) : previous_(current) {
  current = &steps;
}

ScopedFileWriteSteps::~ScopedFileWriteSteps() { current = previous_; }

WholeFileWriter::WholeFileWriter(std::string path, FileWriteSteps& steps)
    : path_(std::move(path)), temporary_(path_ + kWholeFileTemporarySuffix), steps_(steps) {
  file_ = steps_.Create(temporary_);
  if (!file_) Fail(errnum::kPathFileAccess);
}

WholeFileWriter::~WholeFileWriter() {
  if (temporary_.empty()) return;  // committed, or already cleaned up by Fail
  file_.reset();
  steps_.Remove(temporary_);
}

void WholeFileWriter::Write(std::string_view bytes) {
  if (!file_) Fail(errnum::kPathFileAccess);
  if (!file_->Write(bytes)) Fail(errnum::kPathFileAccess);
}

void WholeFileWriter::Commit() {
  if (!file_) Fail(errnum::kPathFileAccess);
  const bool finished = file_->Finish();
  file_.reset();
  if (!finished) Fail(errnum::kPathFileAccess);
  const std::string temporary = std::move(temporary_);
  temporary_.clear();  // PutFileInPlace removes it on failure
  PutFileInPlace(temporary, path_, steps_);
}

void WholeFileWriter::Fail(int number) {
  file_.reset();
  if (!temporary_.empty()) steps_.Remove(temporary_);
  temporary_.clear();
  RaiseRuntimeError(number);
}

void WriteWholeFile(const std::string& path, std::string_view bytes) {
  WholeFileWriter writer(path);
  writer.Write(bytes);
  writer.Commit();
}

void PutFileInPlace(const std::string& built, const std::string& path, FileWriteSteps& steps) {
  int failure = 0;
  if (!steps.Sync(built)) {
    failure = errnum::kPathFileAccess;
  } else if (!steps.Replace(built, path)) {
    failure = errnum::kPermissionDenied;
  }
  if (failure == 0) return;
  steps.Remove(built);
  RaiseRuntimeError(failure);
}

}  // namespace frixa
