// libFuzzer target of the run pass: the input bytes are the run file (Torvex2.000) that the
// revolution calculator is fed from, record by record. Seeds: tests/data/fuzz/run/.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

#include "fuzz_entries.h"

namespace {

// A scratch program folder of this process, removed at exit.
struct ScratchFolder {
  ScratchFolder()
      : path((std::filesystem::temp_directory_path() /
              ("frixa-run-fuzz-" + std::to_string(::getpid())))
                 .string()) {
    std::filesystem::create_directories(path);
  }
  ~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
  std::string path;
};

const std::string& Folder() {
  static const ScratchFolder folder;
  return folder.path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  (void)frixa::fuzz::RunFileThroughRunPass(data, size, Folder());
  return 0;
}
