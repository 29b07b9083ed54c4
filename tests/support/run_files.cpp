// Run file helpers for tests: see run_files.h.
#include "support/run_files.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <random>
#include <stdexcept>

namespace frixa::testing {

TempFolder::TempFolder() {
  static std::atomic<unsigned> serial{0};
  std::random_device entropy;
  const auto stamp = static_cast<unsigned long long>(
      std::chrono::steady_clock::now().time_since_epoch().count());
  for (int attempt = 0; attempt < 100; ++attempt) {
    auto candidate = std::filesystem::temp_directory_path() /
                     ("frixa-test-" + std::to_string(stamp % 1000000007ULL) + "-" +
                      std::to_string(entropy()) + "-" + std::to_string(serial++));
    if (std::filesystem::create_directory(candidate)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) throw std::runtime_error("cannot write " + path);
  const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (std::fclose(f) != 0 || !ok) throw std::runtime_error("cannot write " + path);
}

std::vector<std::uint8_t> RunFileBytes(const std::vector<RunRecord>& records) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(records.size() * kRunRecordSize);
  for (const auto& r : records) {
    const auto b = EncodeRunRecord(r);
    bytes.insert(bytes.end(), b.begin(), b.end());
  }
  return bytes;
}

std::vector<RunRecord> RecordsWithCounts(const std::vector<std::uint32_t>& counts) {
  std::vector<RunRecord> records;
  records.reserve(counts.size());
  for (const auto c : counts) records.push_back(RunRecord::WithCount(c));
  return records;
}

std::vector<RunRecord> RecordsWithCounts(std::initializer_list<std::uint32_t> counts) {
  return RecordsWithCounts(std::vector<std::uint32_t>(counts));
}

void WriteRunFile(const std::string& path, const std::vector<RunRecord>& records) {
  WriteBytes(path, RunFileBytes(records));
}

}  // namespace frixa::testing
