// The host's loss compensation status: see compensation_status.h.
#include "host/compensation_status.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <system_error>
#include <tuple>
#include <utility>

#include "calfile/file_names.h"
#include "common/app.h"
#include "common/error.h"
#include "recordset/data_controls.h"

namespace frixa {
namespace {

namespace fs = std::filesystem;

constexpr const char* kLossesStatement = "Select * from Losses";
constexpr const char* kCalibrationPattern = ".frixa";  // the file list's "*.FRIXA", any case
// How deep under Custom Cal files are looked for: its own subfolders and theirs.
constexpr int kDepthLimit = 2;

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// Every row of the file's Losses table, in stored order. Raises the record set's errors.
std::vector<std::vector<FieldValue>> LossRows(const std::string& file) {
  RecordSet rs;
  std::vector<std::vector<FieldValue>> rows;
  try {
    Bind(rs, file, kLossesStatement);
    const int fields = rs.FieldCount();
    rows.reserve(static_cast<std::size_t>(rs.RecordCount()));
    for (; !rs.Eof(); rs.MoveNext()) {
      std::vector<FieldValue>& row = rows.emplace_back();
      row.reserve(static_cast<std::size_t>(fields));
      for (int i = 0; i < fields; ++i) row.push_back(rs.Fields(i));
    }
  } catch (...) {
    try {
      Release(rs);
    } catch (...) {
    }
    throw;
  }
  Release(rs);  // never hold a file the host or a command may want
  return rows;
}

struct Candidate {
  int depth;
  std::string key;  // lower-case path, for the order
  fs::path path;
};

std::vector<Candidate> CalibrationFiles(const fs::path& folder) {
  std::vector<Candidate> found;
  std::error_code ec;
  fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
  for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (it.depth() >= kDepthLimit) it.disable_recursion_pending();
    std::error_code e2;
    if (!it->is_regular_file(e2)) continue;
    if (Lower(it->path().extension().string()) != kCalibrationPattern) continue;
    found.push_back({it.depth(), Lower(it->path().string()), it->path()});
  }
  std::sort(found.begin(), found.end(), [](const Candidate& a, const Candidate& b) {
    return std::tie(a.depth, a.key) < std::tie(b.depth, b.key);
  });
  return found;
}

}  // namespace

std::string CompensationStatus::Text() const {
  switch (state) {
    case State::Off: return kCompensationOffText;
    case State::On: return kCompensationOnText + title;
    case State::Unknown: return std::string(kCompensationOnText) + kUnknownCalibrationText;
    case State::Unreadable: return kHostFileUnreadableText;
  }
  return kCompensationOffText;
}

const CompensationStatusCache::Entry& CompensationStatusCache::Remembered(const fs::path& file) {
  std::error_code ec;
  const std::uintmax_t size = fs::file_size(file, ec);
  const fs::file_time_type written = fs::last_write_time(file, ec);
  Entry& entry = entries_[file.string()];
  if (entry.known && entry.size == size && entry.written == written) return entry;
  entry = Entry{true, size, written, false, {}};
  ++filesRead_;
  try {
    entry.rows = LossRows(file.string());
    entry.readable = true;
  } catch (const Error&) {
  } catch (const std::exception&) {
  }
  return entry;
}

CompensationStatus CompensationStatusCache::Check(const std::string& programFolder) {
  CompensationStatus status;
  const fs::path folder(programFolder);
  const fs::path host = folder / kHostLossFileName;
  std::error_code ec;
  if (!fs::exists(host, ec)) return status;  // Off

  // The host file is small and rebuilt in place of the old one: read it every time.
  std::vector<std::vector<FieldValue>> hostRows;
  try {
    hostRows = LossRows(host.string());
  } catch (const Error&) {
    status.state = CompensationStatus::State::Unreadable;
    return status;
  } catch (const std::exception&) {
    status.state = CompensationStatus::State::Unreadable;
    return status;
  }

  status.state = CompensationStatus::State::Unknown;
  const std::vector<Candidate> files = CalibrationFiles(folder / kCalibrationFolderName);
  // Forget files that are gone, so the memory follows the folder.
  std::map<std::string, Entry> kept;
  for (const Candidate& c : files) {
    auto it = entries_.find(c.path.string());
    if (it != entries_.end()) kept.insert(std::move(*it));
  }
  entries_ = std::move(kept);
  for (const Candidate& c : files) {
    const Entry& entry = Remembered(c.path);
    if (entry.readable && entry.rows == hostRows) {
      status.state = CompensationStatus::State::On;
      status.title = StripPathAndExtension(c.path.filename().string());
      status.path = c.path.string();
      break;
    }
  }
  return status;
}

}  // namespace frixa
