// Whole-file write steps that fail at one chosen step, on the disk otherwise: a write fails
// midway, after half its bytes reached the temporary file. With the small file helpers the
// tests of whole-file writes share.
#pragma once

#include <memory>
#include <string>

#include "platform/whole_file.h"

namespace frixa::testing {

class FailingFileSteps final : public FileWriteSteps {
 public:
  enum class Step { kCreate, kWrite, kFinish, kSync, kReplace };
  explicit FailingFileSteps(Step step) : step_(step) {}

  std::unique_ptr<OpenedFile> Create(const std::string& path) override;
  bool Sync(const std::string& path) override;
  bool Replace(const std::string& from, const std::string& to) override;
  void Remove(const std::string& path) override { DiskWriteSteps().Remove(path); }

  // The chosen step was reached and made to fail.
  bool failed() const { return failed_; }

 private:
  bool Fails(Step step);

  Step step_;
  bool failed_ = false;
};

// The whole file as bytes ("" when there is none); `text` written as the whole file.
std::string ReadText(const std::string& path);
void WriteText(const std::string& path, const std::string& text);

}  // namespace frixa::testing
