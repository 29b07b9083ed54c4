// Whole-file write steps that fail at one chosen step and are the disk's otherwise; a failing
// write fails midway, after half its bytes reached the temporary file.
#pragma once

#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "platform/whole_file.h"

namespace frixa::testing {

class FailingFileSteps final : public FileWriteSteps {
 public:
  enum class Step { kCreate, kWrite, kFinish, kSync, kReplace };
  explicit FailingFileSteps(Step step) : step_(step) {}

  std::unique_ptr<OpenedFile> Create(const std::string& path) override {
    if (Fails(Step::kCreate) || !(file_ = DiskWriteSteps().Create(path))) return nullptr;
    return std::unique_ptr<OpenedFile>(new Forward(*this));
  }
  bool Sync(const std::string& path) override { return !Fails(Step::kSync) && DiskWriteSteps().Sync(path); }
  bool Replace(const std::string& from, const std::string& to) override {
    return !Fails(Step::kReplace) && DiskWriteSteps().Replace(from, to);
  }
  void Remove(const std::string& path) override {
    file_.reset();
    DiskWriteSteps().Remove(path);
  }
  // The chosen step was reached and made to fail.
  bool failed() const { return failed_; }

 private:
  // The file the writer holds: the disk's, failing as chosen.
  struct Forward final : OpenedFile {
    explicit Forward(FailingFileSteps& s) : steps(s) {}
    bool Write(std::string_view bytes) override {
      if (!steps.Fails(Step::kWrite)) return steps.file_->Write(bytes);
      steps.file_->Write(bytes.substr(0, bytes.size() / 2));
      return false;
    }
    bool Finish() override { return steps.file_->Finish() && !steps.Fails(Step::kFinish); }
    FailingFileSteps& steps;
  };
  bool Fails(Step step) { return step == step_ && (failed_ = true); }

  Step step_;
  bool failed_ = false;
  std::unique_ptr<OpenedFile> file_;
};

// The whole file as bytes ("" when there is none); `text` written as the whole file.
inline std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
inline void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

}  // namespace frixa::testing
