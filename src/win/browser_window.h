// The browser window ShowData: drive, folder and file lists on the left, the information record
// of the chosen calibration file in the middle with its editable comment, the loss curve in a
// grid on the right. Loaded afresh every time it is shown; closing it writes the comment back
// (while the file it belongs to is on display) and raises onClosed.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "browser/browser_layout.h"
#include "browser/file_browser.h"
#include "host/compensation_status.h"
#include "win/controls.h"
#include "win/ui_resources.h"
#include "win/win32_window.h"

namespace frixa::win {

inline int BrowserControlId(BrowserControl c) { return 200 + static_cast<int>(c); }

// The shell's small icons for folders and drives, owned.
class ShellIcons {
 public:
  ShellIcons() = default;
  ~ShellIcons();
  ShellIcons(const ShellIcons&) = delete;
  ShellIcons& operator=(const ShellIcons&) = delete;
  HICON Folder(bool open);
  HICON Drive(const std::string& root);  // "c:\"

 private:
  HICON openFolder_ = nullptr, closedFolder_ = nullptr;
  std::vector<std::pair<std::string, HICON>> drives_;
};

// A grid of the browser: a frame with its caption bar over a read-only report list.
class LossGrid {
 public:
  bool Create(HWND parent, const PixelRect& r, int id, HFONT font);
  void Show(bool shown) { ShowWindow(frame_.hwnd(), shown ? SW_SHOW : SW_HIDE); }
  // Columns under the given headers, then one list row per row.
  void Fill(const std::vector<std::string>& columns,
            const std::vector<std::vector<std::string>>& rows);
  HWND hwnd() const { return frame_.hwnd(); }
  HWND list() const { return list_.hwnd(); }

 private:
  SystemControl frame_, caption_;
  ReportList list_;
};

class BrowserWindow : public PaintedWindow {
 public:
  BrowserWindow(const UiFonts& fonts, const Artwork& art) : fonts_(fonts), art_(art) {}

  // Loads the window on the program folder's "Custom Cal" (the program folder itself when
  // there is none) with nothing displayed, and shows it.
  bool Create(const std::string& appPath, char decimalSeparator);

  // Raised once the window has closed and the comment has been saved.
  std::function<void()> onClosed;
  // Raised with the full path of a file double-clicked in the file list.
  std::function<void(const std::string& path)> onAnalyse;
  // What the calibration files held, shared with the main window's status; the window's own
  // memory when not set. Set before Create.
  CompensationStatusCache* compensation = nullptr;

  HWND Control(BrowserControl c) const;
  HWND tooltips() const { return tips_.hwnd(); }
  const std::string& folder() const { return folder_; }
  // The calibration file the host uses, as found when the window was loaded.
  const CompensationStatus& hostStatus() const { return hostStatus_; }
  // The folder list's entries: how far each is indented, and whether it is open (a folder of
  // the path: the drive, its folders down to the current one) or closed (a subfolder).
  struct FolderEntry {
    int level;
    bool open;
  };
  const std::vector<FolderEntry>& folderEntries() const { return folderEntries_; }

  // The user's actions, as the lists raise them.
  void ChooseDrive(int index);
  void OpenFolder(const std::string& path);
  void ChooseFile(int index);

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void Paint(HDC dc, const RECT& client) override;

 private:
  void CreateControls();
  void FillDrives(const std::string& path);
  void FillFolders();
  void FillFiles();
  void ShowDisplay();
  bool DrawItem(const DRAWITEMSTRUCT& item);
  bool IsHostFile(const std::string& name) const;

  const UiFonts& fonts_;
  const Artwork& art_;
  int dpi_ = 96;
  std::unique_ptr<FileBrowser> browser_;
  std::string folder_;
  std::vector<std::string> folderPaths_;  // the full path of every folder list entry
  std::vector<FolderEntry> folderEntries_;
  int folderIndent_ = 10;  // pixels a level
  std::vector<std::string> driveRoots_;   // the root, "c:\", of each drive list entry
  CompensationStatusCache ownCompensation_;
  CompensationStatus hostStatus_;
  ShellIcons icons_;
  Brush listBrush_;

  LossGrid realGrid_, dummyGrid_;
  EditBox comment_;
  ListBox dir1_, file1_;
  ComboBox drive1_;
  Label label2_, label1_, hostStatusLabel_;
  std::array<Label, 5> values_;  // MOIApplied, PPR, LRPM, HRPM, DATEPRO
  std::array<Label, 5> labels_;  // Labels(3) to Labels(7)
  ToolTips tips_;
};

}  // namespace frixa::win
