// Helpers of the Jet reader tests: the fixture files, their bytes, scratch files, and a full
// read of a database (every table, every value) as a damaged file would be read.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "jet/database.h"

namespace frixa::testing {

// FRIXA_SHARED_DIR/fixtures/jet3/<name>
std::filesystem::path JetFixture(const std::string& name);
std::vector<std::uint8_t> FileBytes(const std::filesystem::path& path);

// The bytes of a gzipped file; empty when it cannot be read.
std::vector<std::uint8_t> GunzippedFile(const std::filesystem::path& path);
// FRIXA_TEST_DATA_DIR/golden/<name>: the pinned outputs of the commands (written_bytes_test).
std::filesystem::path GoldenFile(const std::string& name);

// A file in the temporary folder, removed when the object goes.
class ScratchFile {
 public:
  explicit ScratchFile(const std::vector<std::uint8_t>& bytes, const std::string& suffix = ".mdb");
  ~ScratchFile();
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string str() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

// Reads every value of every table of the catalog (system tables too); returns the number of
// rows read.
std::size_t ReadEverything(const jet::Database& db);

// Byte offset in the file of a span that points into `db`'s pages.
std::size_t FileOffsetOf(const jet::Database& db, const std::uint8_t* p);

}  // namespace frixa::testing
