// Helpers for tests that need run files: a private temporary program folder and writers for
// hand-made run files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "run/run_file.h"

namespace frixa::testing {

// A fresh, empty folder under the system's temporary folder, removed with everything in it when
// the object goes away.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string str() const { return path_.string(); }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// Writes `bytes` to `path`, replacing it.
void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

// The bytes of a run file made of `records`.
std::vector<std::uint8_t> RunFileBytes(const std::vector<RunRecord>& records);

// Well-formed records ('#') with the given counts.
std::vector<RunRecord> RecordsWithCounts(std::initializer_list<std::uint32_t> counts);
std::vector<RunRecord> RecordsWithCounts(const std::vector<std::uint32_t>& counts);

// Writes the records as `path`.
void WriteRunFile(const std::string& path, const std::vector<RunRecord>& records);

}  // namespace frixa::testing
