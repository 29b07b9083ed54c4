// Helpers of the Jet reader tests.
#include "support/jet_test_files.h"

#include <zlib.h>

#include <atomic>
#include <fstream>
#include <stdexcept>

namespace frixa::testing {

std::filesystem::path JetFixture(const std::string& name) {
  return std::filesystem::path(FRIXA_SHARED_DIR) / "fixtures" / "jet3" / name;
}

std::vector<std::uint8_t> FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::uint8_t> GunzippedFile(const std::filesystem::path& path) {
  std::vector<std::uint8_t> out;
  gzFile in = gzopen(path.string().c_str(), "rb");
  if (in == nullptr) return out;
  char buffer[1 << 16];
  int n = 0;
  while ((n = gzread(in, buffer, sizeof buffer)) > 0) out.insert(out.end(), buffer, buffer + n);
  gzclose(in);
  return out;
}

std::filesystem::path GoldenFile(const std::string& name) {
  return std::filesystem::path(FRIXA_TEST_DATA_DIR) / "golden" / name;
}

ScratchFile::ScratchFile(const std::vector<std::uint8_t>& bytes, const std::string& suffix) {
  static std::atomic<int> counter{0};
  path_ = std::filesystem::temp_directory_path() /
          ("frixa_jet_" + std::to_string(counter++) + "_" +
           std::to_string(reinterpret_cast<std::uintptr_t>(this) & 0xFFFFFF) + suffix);
  std::ofstream out(path_, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path_.string());
}

ScratchFile::~ScratchFile() {
  std::error_code ec;
  std::filesystem::remove(path_, ec);
}

std::size_t ReadEverything(const jet::Database& db) {
  std::size_t rows = 0;
  for (const auto& entry : db.GetCatalog().entries) {
    if (!entry.IsTable()) continue;
    const jet::TableDef def = db.TableAt(entry.DefinitionPage());
    jet::TableScan scan = db.Scan(def);
    while (scan.Next()) {
      (void)scan.ReadRow();
      ++rows;
    }
  }
  return rows;
}

std::size_t FileOffsetOf(const jet::Database& db, const std::uint8_t* p) {
  return static_cast<std::size_t>(p - db.Pages().Bytes().data());
}

}  // namespace frixa::testing
