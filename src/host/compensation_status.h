// Whether the host compensates for the rig's losses, and with which calibration: off while the
// host loss file is absent; on with the title of the calibration file under Custom Cal (its
// subfolders included) whose Losses rows equal the host file's, value for value and in order;
// on with an unknown calibration when none does; a warning when the host file cannot be read.
// Nothing is written. The main window shows it in its top band, the browser marks the file.
//
// What each calibration file held is remembered by path, size and write time, so a check
// reads again only the files that changed: with hundreds of files a check costs a listing.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "recordset/record_set.h"

namespace frixa {

inline constexpr const char* kCompensationOffText = "Loss compensation OFF";
inline constexpr const char* kCompensationOnText = "Loss compensation ON: ";
inline constexpr const char* kUnknownCalibrationText = "unknown calibration";
inline constexpr const char* kHostFileUnreadableText =
    "Loss compensation: Torvex2.005 cannot be read";

struct CompensationStatus {
  enum class State { Off, On, Unknown, Unreadable };
  State state = State::Off;
  std::string title;  // On: the calibration file's title (its name without folder and extension)
  std::string path;   // On: the calibration file

  // The text the user reads.
  std::string Text() const;
};

class CompensationStatusCache {
 public:
  // Looks at the host loss file of `programFolder` and the calibration files of its Custom Cal.
  // Where several files hold the same curve, the first by folder depth and then by name counts.
  CompensationStatus Check(const std::string& programFolder);

  // Files read (not found in the memory) since the cache was made.
  std::size_t filesRead() const { return filesRead_; }

 private:
  using Rows = std::vector<std::vector<FieldValue>>;
  struct Entry {
    bool known = false;
    std::uintmax_t size = 0;
    std::filesystem::file_time_type written{};
    bool readable = false;
    Rows rows;
  };
  const Entry& Remembered(const std::filesystem::path& file);

  std::map<std::string, Entry> entries_;
  std::size_t filesRead_ = 0;
};

}  // namespace frixa
