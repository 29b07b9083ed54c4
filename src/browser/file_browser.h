// Room browser/, no window: may include common/ up to host/.
// What the browser shows of one calibration file, apart from its windows: the five value
// labels, the comment, the loss grid's columns and rows, and whether the comment may be written
// back when the window closes. The browser's record sets Info and LossDB live here.
//
// The comment is written back only while the file it came from is on display: after a change of
// drive or folder, or after a file that could not be shown, closing the window writes nothing,
// so a comment the user never saw can not be replaced by what the box holds then.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "browser/info_display.h"
#include "recordset/record_set.h"

namespace frixa {

inline constexpr const char* kInfoSource = "select * from Info";
inline constexpr const char* kLossesSource = "select * from Losses";
// The comment box of the reset display: one blank, the form of an empty comment.
inline constexpr const char* kResetComment = " ";
// The position of Comment in the Info row.
inline constexpr int kCommentField = 6;

struct BrowserDisplay {
  // MOIApplied, PPR, LRPM, HRPM, DATEPRO.
  std::array<std::string, 5> values{kNoFileSelected, kNoFileSelected, kNoFileSelected,
                                    kNoFileSelected, kNoFileSelected};
  std::string comment = kResetComment;
  bool gridShown = false;
  std::vector<std::string> columns;
  std::vector<std::vector<std::string>> rows;
};

class FileBrowser {
 public:
  explicit FileBrowser(char decimalSeparator) : decimalSeparator_(decimalSeparator) {}

  // A change of drive or folder: "No File Selected" five times, the comment " ", no grid.
  // Info and LossDB stay bound as they were.
  void ResetDisplay();
  // Binds Info and LossDB to `path` and fills the display from them. Returns false when the
  // file could not be shown: the display is then reset with an empty comment.
  bool ShowFile(const std::string& path);
  // Writes `comment` into the shown file's Info row. Does nothing unless a file is on display;
  // a refusal of the file (read-only, gone, an empty or too long comment) leaves the file as it
  // was. The file is saved whole under a temporary name and then takes the place of the old
  // one, so a crash or a full disk during the save cannot damage it. True when it was saved.
  bool SaveComment(const std::string& comment);
  // Why the last SaveComment failed ("" when it did not fail or no file was shown).
  const std::string& saveError() const { return saveError_; }
  // Lets go of the file.
  void Release();

  const BrowserDisplay& display() const { return display_; }
  bool fileShown() const { return shown_; }

 private:
  char decimalSeparator_;
  RecordSet info_, losses_;
  BrowserDisplay display_;
  bool shown_ = false;
  std::string saveError_;
};

// A grid cell: numbers in the default number-to-text form, text as stored, null as nothing.
std::string CellText(const FieldValue& value, char decimalSeparator);

}  // namespace frixa
