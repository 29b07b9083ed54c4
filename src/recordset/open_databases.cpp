// The registry of open database files; see open_databases.h.
#include "recordset/open_databases.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <memory>
#include <system_error>
#include <utility>

#include "common/error.h"

namespace frixa {

struct DatabaseHold::Entry {
  std::string key;
  std::string path;
  std::unique_ptr<jet::Database> db;
  std::uint64_t generation = 0;
  int holds = 0;
};

namespace {

using Registry = std::map<std::string, std::unique_ptr<DatabaseHold::Entry>>;

// Never destroyed, so that record sets that outlive main's statics still find it.
Registry& Files() {
  static Registry* files = new Registry;
  return *files;
}

std::uint64_t NextGeneration() {
  static std::uint64_t last = 0;
  return ++last;
}

// One key per file: the absolute, normalised path; without regard to case where the file
// system ignores it.
std::string KeyOf(const std::string& path) {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::absolute(std::filesystem::path(path), ec);
  if (ec) p = std::filesystem::path(path);
  std::string key = p.lexically_normal().string();
#ifdef _WIN32
  std::transform(key.begin(), key.end(), key.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
#endif
  return key;
}

}  // namespace

DatabaseHold::~DatabaseHold() {
  try {
    Release();
  } catch (...) {
    // Nothing can be reported from here; see Release.
    if (entry_ != nullptr && --entry_->holds == 0) Files().erase(entry_->key);
  }
}

DatabaseHold::DatabaseHold(DatabaseHold&& other) noexcept : entry_(std::exchange(other.entry_, nullptr)) {}

DatabaseHold& DatabaseHold::operator=(DatabaseHold&& other) noexcept {
  if (this != &other) {
    DatabaseHold old(std::move(*this));
    entry_ = std::exchange(other.entry_, nullptr);
  }
  return *this;
}

DatabaseHold DatabaseHold::Acquire(const std::string& path) {
  const std::string key = KeyOf(path);
  Registry& files = Files();
  const auto it = files.find(key);
  if (it != files.end()) {
    DatabaseHold hold(it->second.get());
    ++hold.entry_->holds;
    hold.Revalidate();
    return hold;
  }
  auto entry = std::make_unique<Entry>();
  entry->key = key;
  entry->path = path;
  entry->db = std::make_unique<jet::Database>(jet::Database::Open(path));
  entry->generation = NextGeneration();
  entry->holds = 1;
  Entry* raw = entry.get();
  files.emplace(key, std::move(entry));
  return DatabaseHold(raw);
}

bool DatabaseHold::Holds(const std::string& path) const {
  return entry_ != nullptr && entry_->key == KeyOf(path);
}

void DatabaseHold::Revalidate() {
  if (entry_ == nullptr) return;
  jet::Writer& writer = entry_->db->Write();
  const std::optional<jet::FileStamp> now = jet::StampOf(entry_->path);
  if (!now) RaiseJetError(errnum::kJetFileNotFound, entry_->path);
  if (writer.HasUnsavedChanges()) return;  // write-behind: the image is the file's future
  if (now == writer.Stamp()) return;
  entry_->db = std::make_unique<jet::Database>(jet::Database::Open(entry_->path));
  entry_->generation = NextGeneration();
}

void DatabaseHold::Release() {
  if (entry_ == nullptr) return;
  if (entry_->holds == 1) entry_->db->Write().Flush();
  if (--entry_->holds == 0) Files().erase(entry_->key);
  entry_ = nullptr;
}

jet::Database& DatabaseHold::Db() const {
  if (entry_ == nullptr) RaiseRuntimeError(errnum::kObjectNotSet);
  return *entry_->db;
}

std::uint64_t DatabaseHold::Generation() const { return entry_ == nullptr ? 0 : entry_->generation; }

std::size_t DatabaseHold::OpenFileCount() { return Files().size(); }

}  // namespace frixa
