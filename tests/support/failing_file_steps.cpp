// Whole-file write steps that fail at one chosen step: see failing_file_steps.h.
#include "support/failing_file_steps.h"

#include <fstream>
#include <iterator>

namespace frixa::testing {
namespace {

class HalfWritingFile final : public OpenedFile {
 public:
  HalfWritingFile(std::unique_ptr<OpenedFile> file, FailingFileSteps::Step step, bool* failed)
      : file_(std::move(file)), step_(step), failed_(failed) {}
  bool Write(std::string_view bytes) override {
    if (step_ != FailingFileSteps::Step::kWrite) return file_->Write(bytes);
    *failed_ = true;
    file_->Write(bytes.substr(0, bytes.size() / 2));
    return false;
  }
  bool Finish() override {
    const bool finished = file_->Finish();
    if (step_ != FailingFileSteps::Step::kFinish) return finished;
    *failed_ = true;
    return false;
  }

 private:
  std::unique_ptr<OpenedFile> file_;
  FailingFileSteps::Step step_;
  bool* failed_;
};

}  // namespace

bool FailingFileSteps::Fails(Step step) {
  if (step != step_) return false;
  failed_ = true;
  return true;
}

std::unique_ptr<OpenedFile> FailingFileSteps::Create(const std::string& path) {
  if (Fails(Step::kCreate)) return nullptr;
  std::unique_ptr<OpenedFile> file = DiskWriteSteps().Create(path);
  if (!file) return nullptr;
  return std::make_unique<HalfWritingFile>(std::move(file), step_, &failed_);
}

bool FailingFileSteps::Sync(const std::string& path) {
  return !Fails(Step::kSync) && DiskWriteSteps().Sync(path);
}

bool FailingFileSteps::Replace(const std::string& from, const std::string& to) {
  return !Fails(Step::kReplace) && DiskWriteSteps().Replace(from, to);
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

}  // namespace frixa::testing
