// The browser window: see browser_window.h.
#include "win/browser_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>

#include "browser/folder_paths.h"

namespace frixa::win {
namespace {

constexpr DWORD kBrowserStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kBrowserExStyle = WS_EX_DLGMODALFRAME;
constexpr COLORREF kListBackground = RGB(0xE0, 0xE0, 0xE0);
constexpr int kGridCaptionHeight = 17;
constexpr int kDropDownExtra = 200;  // the drive list's drop-down below its edit line
constexpr int kListItemHeight = 18;  // a small icon and a little room
constexpr int kSmallIcon = 16;
constexpr int kFileMarkWidth = 14;   // room for the mark of the file the host uses
constexpr COLORREF kInUseColour = RGB(0, 110, 0);


bool IsFolder(const std::string& path) {
  const DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// The names matching `pattern` in `folder`: folders or files, in the order the user expects.
std::vector<std::string> Names(const std::string& folder, const char* pattern, bool folders) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE h = FindFirstFileA(JoinPath(folder, pattern).c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = found.cFileName;
    const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (name == "." || name == ".." || isFolder != folders) continue;
    names.push_back(name);
  } while (FindNextFileA(h, &found));
  FindClose(h);
  SortNames(names);
  return names;
}

// "c: [label]": the drive as the drive list shows it; the kind of drive when it has no label.
std::string DriveEntry(const std::string& root) {
  char label[MAX_PATH + 1] = {};
  std::string shown = LowerCase(root.substr(0, 2));
  if (GetVolumeInformationA(root.c_str(), label, sizeof label, nullptr, nullptr, nullptr, nullptr,
                            0) &&
      label[0]) {
    return shown + " [" + label + "]";
  }
  switch (GetDriveTypeA(root.c_str())) {
    case DRIVE_REMOVABLE: return shown + " [Removable Disk]";
    case DRIVE_CDROM: return shown + " [CD Drive]";
    case DRIVE_REMOTE: return shown + " [Network Drive]";
    case DRIVE_RAMDISK: return shown + " [RAM Disk]";
    default: return shown + " [Local Disk]";
  }
}

HICON SmallShellIcon(const char* path, DWORD attributes, UINT flags) {
  SHFILEINFOA info{};
  if (!SHGetFileInfoA(path, attributes, &info, sizeof info, SHGFI_ICON | SHGFI_SMALLICON | flags)) {
    return nullptr;
  }
  return info.hIcon;
}

}  // namespace

// ---- ShellIcons -----------------------------------------------------------------------------

ShellIcons::~ShellIcons() {
  for (HICON icon : {openFolder_, closedFolder_}) {
    if (icon) DestroyIcon(icon);
  }
  for (auto& [root, icon] : drives_) {
    if (icon) DestroyIcon(icon);
  }
}

HICON ShellIcons::Folder(bool open) {
  HICON& icon = open ? openFolder_ : closedFolder_;
  if (!icon) {
    // Any folder's icon, by its attributes: no folder on the disk is looked at.
    icon = SmallShellIcon("folder", FILE_ATTRIBUTE_DIRECTORY,
                          SHGFI_USEFILEATTRIBUTES | (open ? SHGFI_OPENICON : 0));
  }
  return icon;
}

HICON ShellIcons::Drive(const std::string& root) {
  for (const auto& [known, icon] : drives_) {
    if (known == root) return icon;
  }
  drives_.emplace_back(root, SmallShellIcon(root.c_str(), 0, 0));
  return drives_.back().second;
}

// ---- LossGrid -------------------------------------------------------------------------------

bool LossGrid::Create(HWND parent, const PixelRect& r, int id, HFONT font) {
  if (!frame_.Create("STATIC", WS_EX_CLIENTEDGE, "", WS_CHILD | WS_CLIPCHILDREN, r.left, r.top,
                     r.width, r.height, parent, id)) {
    return false;
  }
  const int inner = r.width - 2 * GetSystemMetrics(SM_CXEDGE);
  const int innerHeight = r.height - 2 * GetSystemMetrics(SM_CYEDGE);
  caption_.Create("STATIC", 0, kGridCaption, WS_CHILD | WS_VISIBLE | SS_CENTER | SS_SUNKEN, 0, 0,
                  inner, kGridCaptionHeight, frame_.hwnd(), 1);
  list_.Create(frame_.hwnd(), {0, kGridCaptionHeight, inner, innerHeight - kGridCaptionHeight}, 2,
               0, LVS_NOSORTHEADER);
  caption_.SetFont(font);
  list_.SetFont(font);
  return true;
}

void LossGrid::Fill(const std::vector<std::string>& columns,
                    const std::vector<std::vector<std::string>>& rows) {
  HWND list = list_.hwnd();
  SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  list_.SetRows({});
  list_.RemoveColumns();
  for (const std::string& name : columns) list_.AddColumn(name, 70);
  list_.SetRows(rows);
  // Wide enough for every value and its header: no number shows cut short.
  for (int i = 0; i < list_.columns(); ++i) {
    SendMessageA(list, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(i), LVSCW_AUTOSIZE_USEHEADER);
  }
  SendMessageA(list, WM_SETREDRAW, TRUE, 0);
}

// ---- BrowserWindow --------------------------------------------------------------------------

bool BrowserWindow::Create(const std::string& appPath, char decimalSeparator) {
  browser_ = std::make_unique<FileBrowser>(decimalSeparator);
  listBrush_.Reset(CreateSolidBrush(kListBackground));
  dpi_ = ScreenDpi();
  const PixelRect client = ToPixels(kBrowserClientTwips, dpi_);
  const RECT r = CentredWindowRect(client.width, client.height, kBrowserStyle, kBrowserExStyle,
                                   false);
  if (!CreateBound({.className = "FrixaBrowser", .exStyle = kBrowserExStyle,
                    .text = kBrowserCaption, .style = kBrowserStyle, .x = r.left, .y = r.top,
                    .width = r.right - r.left, .height = r.bottom - r.top,
                    .icon = art_.icon()})) {
    return false;
  }
  SendMessageA(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(art_.icon()));
  SendMessageA(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(art_.smallIcon()));
  CreateControls();

  // Which calibration file the host uses, for the file list's mark and the information block.
  hostStatus_ = (compensation ? *compensation : ownCompensation_).Check(appPath);

  // Custom Cal under the program folder; the program folder itself when it has none.
  std::string start = NormalisedFolder(appPath + kCustomCalFolder);
  if (!IsFolder(start)) start = NormalisedFolder(appPath);
  FillDrives(start);
  OpenFolder(start);
  ShowWindow(hwnd(), SW_SHOW);
  UpdateWindow(hwnd());
  return true;
}

void BrowserWindow::CreateControls() {
  const auto at = [this](BrowserControl c) { return ToPixels(BrowserTwips(c), dpi_); };
  const auto id = [](BrowserControl c) { return BrowserControlId(c); };
  using BC = BrowserControl;
  HWND me = hwnd();

  realGrid_.Create(me, at(BC::RealGrid), id(BC::RealGrid), fonts_.regular());
  comment_.Create(me, at(BC::Comment), id(BC::Comment), " ", kCommentMaxLength);
  dir1_.Create(me, at(BC::Dir1), id(BC::Dir1), LBS_NOINTEGRALHEIGHT | LBS_OWNERDRAWFIXED);
  file1_.Create(me, at(BC::File1), id(BC::File1),
                LBS_SORT | LBS_NOINTEGRALHEIGHT | LBS_OWNERDRAWFIXED);
  PixelRect drives = at(BC::Drive1);
  drives.height += kDropDownExtra;
  drive1_.Create(me, drives, id(BC::Drive1), CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED);
  comment_.SetFont(fonts_.regular());
  dir1_.SetFont(fonts_.regular());
  file1_.SetFont(fonts_.regular());
  drive1_.SetFont(fonts_.regular());
  file1_.onSelectionChange = [this](int index) { ChooseFile(index); };
  file1_.onDoubleClick = [this](int index) {
    const std::string name = file1_.Text(index);
    if (!name.empty() && onAnalyse) onAnalyse(JoinPath(folder_, name));
  };
  dir1_.onDoubleClick = [this](int index) {
    if (index >= 0 && static_cast<std::size_t>(index) < folderPaths_.size()) {
      OpenFolder(folderPaths_[static_cast<std::size_t>(index)]);
    }
  };
  drive1_.onSelectionChange = [this](int index) { ChooseDrive(index); };
  dummyGrid_.Create(me, at(BC::DummyGrid), id(BC::DummyGrid), fonts_.regular());
  dummyGrid_.Show(true);

  label2_.Create(me, at(BC::Label2), kDescriptionCaption, fonts_.bold(), RGB(255, 0, 0),
                 Label::Align::Left, id(BC::Label2));
  hostStatusLabel_.Create(me, at(BC::HostStatus), "", fonts_.bold(), kInUseColour,
                          Label::Align::Left, id(BC::HostStatus));
  label1_.Create(me, at(BC::Label1), kBrowserHeading, fonts_.heading(),
                 GetSysColor(COLOR_WINDOWTEXT), Label::Align::Left, id(BC::Label1));
  const BC values[] = {BC::MOIApplied, BC::PPR, BC::LRPM, BC::HRPM, BC::DATEPRO};
  // Creation order: DATEPRO first, MOIApplied last.
  for (int i = 4; i >= 0; --i) {
    values_[static_cast<std::size_t>(i)].Create(me, at(values[i]), kNoFileSelected, fonts_.bold(),
                                                RGB(0, 0, 0), Label::Align::Left, id(values[i]));
  }
  const BC captions[] = {BC::Labels3, BC::Labels4, BC::Labels5, BC::Labels6, BC::Labels7};
  for (int i = 4; i >= 0; --i) {
    labels_[static_cast<std::size_t>(i)].Create(
        me, at(captions[i]), kValueCaptions[static_cast<std::size_t>(i)], fonts_.bold(),
        RGB(255, 0, 0), Label::Align::Left, id(captions[i]));
  }
  tips_.Create(me);
  tips_.Add(file1_.hwnd(), kFileListTip);
}

HWND BrowserWindow::Control(BrowserControl c) const {
  using BC = BrowserControl;
  switch (c) {
    case BC::RealGrid: return realGrid_.hwnd();
    case BC::Comment: return comment_.hwnd();
    case BC::Dir1: return dir1_.hwnd();
    case BC::File1: return file1_.hwnd();
    case BC::Drive1: return drive1_.hwnd();
    case BC::DummyGrid: return dummyGrid_.hwnd();
    case BC::Label2: return label2_.hwnd();
    case BC::Label1: return label1_.hwnd();
    case BC::MOIApplied: return values_[0].hwnd();
    case BC::PPR: return values_[1].hwnd();
    case BC::LRPM: return values_[2].hwnd();
    case BC::HRPM: return values_[3].hwnd();
    case BC::DATEPRO: return values_[4].hwnd();
    case BC::Labels3: return labels_[0].hwnd();
    case BC::HostStatus: return hostStatusLabel_.hwnd();
    case BC::Labels4: return labels_[1].hwnd();
    case BC::Labels5: return labels_[2].hwnd();
    case BC::Labels6: return labels_[3].hwnd();
    case BC::Labels7: return labels_[4].hwnd();
    case BC::None: break;
  }
  return nullptr;
}

void BrowserWindow::FillDrives(const std::string& path) {
  drive1_.Clear();
  driveRoots_.clear();
  char drives[512] = {};
  const DWORD n = GetLogicalDriveStringsA(sizeof drives - 1, drives);
  int current = -1;
  const char wanted =
      static_cast<char>(std::tolower(static_cast<unsigned char>(path.empty() ? 'c' : path[0])));
  for (const char* p = drives; n > 0 && p < drives + n && *p; p += std::strlen(p) + 1) {
    const std::string root = LowerCase(std::string(p, 2)) + "\\";  // "c:\\"
    const std::string entry = DriveEntry(root);
    const int index = drive1_.Add(entry);
    driveRoots_.push_back(root);
    if (entry[0] == wanted) current = index;
  }
  drive1_.SetSelection(current);
}

void BrowserWindow::ChooseDrive(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= driveRoots_.size()) return;
  // The drive's current folder.
  char full[MAX_PATH] = {};
  const std::string drive = driveRoots_[static_cast<std::size_t>(index)].substr(0, 2);
  if (GetFullPathNameA(drive.c_str(), MAX_PATH, full, nullptr) == 0) return;
  OpenFolder(full);
}

void BrowserWindow::OpenFolder(const std::string& path) {
  folder_ = NormalisedFolder(path);
  FillFolders();
  FillFiles();
  browser_->ResetDisplay();
  ShowDisplay();
  hostStatusLabel_.SetCaption("");
}

void BrowserWindow::FillFolders() {
  dir1_.Clear();
  folderPaths_.clear();
  folderEntries_.clear();
  // The folder's parents from the root down, the folder itself, then its subfolders.
  const std::vector<FolderChainEntry> chain = FolderChain(folder_);
  for (const FolderChainEntry& entry : chain) {
    dir1_.Add(entry.shown);
    folderEntries_.push_back({static_cast<int>(folderPaths_.size()), true});
    folderPaths_.push_back(entry.path);
  }
  dir1_.SetSelection(static_cast<int>(chain.size()) - 1);
  for (const std::string& name : Names(folder_, "*", true)) {
    dir1_.Add(name);
    folderEntries_.push_back({static_cast<int>(chain.size()), false});
    folderPaths_.push_back(JoinPath(folder_, name));
  }
  // Each level further in by up to kFolderIndent, less on a deep path, so that the names fit.
  const HWND list = dir1_.hwnd();
  RECT inside;
  GetClientRect(list, &inside);
  HDC dc = GetDC(list);
  int widest = 0, deepest = 1;
  {
    Selected font(dc, fonts_.regular());
    for (std::size_t i = 0; i < folderPaths_.size(); ++i) {
      const std::string name = dir1_.Text(static_cast<int>(i));
      SIZE size{0, 0};
      GetTextExtentPoint32A(dc, name.c_str(), static_cast<int>(name.size()), &size);
      widest = std::max<int>(widest, size.cx + folderEntries_[i].level * kFolderIndent);
      deepest = std::max(deepest, folderEntries_[i].level);
    }
  }
  ReleaseDC(list, dc);
  const int room = inside.right - (2 + kSmallIcon + 3 + 4);
  folderIndent_ = FolderIndent(widest, room, deepest);
}

void BrowserWindow::FillFiles() {
  file1_.Clear();
  for (const std::string& name : Names(folder_, kFilePattern, false)) file1_.Add(name);
}

void BrowserWindow::ChooseFile(int index) {
  const std::string name = file1_.Text(index);
  if (name.empty()) return;
  const bool shown = browser_->ShowFile(JoinPath(folder_, name));
  ShowDisplay();
  hostStatusLabel_.SetCaption(shown && IsHostFile(name) ? kInUseText : "");
}

bool BrowserWindow::IsHostFile(const std::string& name) const {
  if (hostStatus_.state != CompensationStatus::State::On) return false;
  return SamePath(JoinPath(folder_, name), hostStatus_.path);
}

bool BrowserWindow::DrawItem(const DRAWITEMSTRUCT& item) {
  const bool folders = item.hwndItem == dir1_.hwnd();
  const bool drives = item.hwndItem == drive1_.hwnd();
  if (!folders && !drives && item.hwndItem != file1_.hwnd()) return false;
  HDC dc = item.hDC;
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  FillRect(dc, &item.rcItem,
           selected ? GetSysColorBrush(COLOR_HIGHLIGHT) : listBrush_.get());
  if (item.itemID == static_cast<UINT>(-1)) return true;
  const int index = static_cast<int>(item.itemID);
  const std::string text = drives ? drive1_.Text(index) : (folders ? dir1_ : file1_).Text(index);
  int x = item.rcItem.left + 2;
  const int iconTop = item.rcItem.top + (item.rcItem.bottom - item.rcItem.top - kSmallIcon) / 2;
  HICON icon = nullptr;
  bool inUse = false;
  if (folders && static_cast<std::size_t>(index) < folderEntries_.size()) {
    const FolderEntry& e = folderEntries_[static_cast<std::size_t>(index)];
    x += e.level * folderIndent_;
    // The drive at the top of the path shows as a drive.
    icon = e.level == 0 && e.open ? icons_.Drive(folderPaths_[0]) : icons_.Folder(e.open);
  } else if (drives && static_cast<std::size_t>(index) < driveRoots_.size()) {
    icon = icons_.Drive(driveRoots_[static_cast<std::size_t>(index)]);
  } else if (!folders && !drives) {
    inUse = IsHostFile(text);
    if (inUse) {
      // A tick before the name of the file whose curve the host compensates with.
      Pen pen(CreatePen(PS_SOLID, 2, selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : kInUseColour));
      Selected s(dc, pen.get());
      const int y = (item.rcItem.top + item.rcItem.bottom) / 2;
      MoveToEx(dc, x + 1, y, nullptr);
      LineTo(dc, x + 4, y + 3);
      LineTo(dc, x + 10, y - 4);
    }
    x += kFileMarkWidth - 2;
  }
  if (icon) {
    DrawIconEx(dc, x, iconTop, icon, kSmallIcon, kSmallIcon, 0, nullptr, DI_NORMAL);
    x += kSmallIcon + 3;
  } else if (folders || drives) {
    x += kSmallIcon + 3;
  }
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, selected ? GetSysColor(COLOR_HIGHLIGHTTEXT)
                            : inUse ? kInUseColour : GetSysColor(COLOR_WINDOWTEXT));
  Selected font(dc, fonts_.regular());
  RECT r = item.rcItem;
  r.left = x;
  DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r,
            DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  if (item.itemState & ODS_FOCUS) DrawFocusRect(dc, &item.rcItem);
  return true;
}

void BrowserWindow::ShowDisplay() {
  const BrowserDisplay& d = browser_->display();
  for (std::size_t i = 0; i < values_.size(); ++i) values_[i].SetCaption(d.values[i]);
  comment_.SetText(d.comment);
  realGrid_.Fill(d.columns, d.rows);
  realGrid_.Show(d.gridShown);
}

void BrowserWindow::Paint(HDC dc, const RECT& client) {
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  DrawBitmapAt(dc, art_.background(), 0, 0);
  Selected pen(dc, GetStockObject(BLACK_PEN));
  MoveToEx(dc, TwipsToPixels(kLine1Twips.x1, dpi_), TwipsToPixels(kLine1Twips.y1, dpi_), nullptr);
  LineTo(dc, TwipsToPixels(kLine1Twips.x2, dpi_), TwipsToPixels(kLine1Twips.y2, dpi_));
}

LRESULT BrowserWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
      NotifyingControl::RouteCommand(wp, lp);  // the lists raise their events
      return 0;
    case WM_MEASUREITEM: {
      auto* m = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
      m->itemHeight = kListItemHeight;
      return TRUE;
    }
    case WM_DRAWITEM:
      if (DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp))) return TRUE;
      break;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX: {
      const HDC dc = reinterpret_cast<HDC>(wp);
      SetBkColor(dc, kListBackground);
      return reinterpret_cast<LRESULT>(listBrush_.get());
    }
    case WM_CLOSE:
      // The comment goes back into the file it was read from, then the window unloads.
      browser_->SaveComment(comment_.Text());
      browser_->Release();
      DestroyWindow(hwnd());
      return 0;
    case WM_DESTROY:
      if (onClosed) onClosed();
      return 0;
    default:
      break;
  }
  return PaintedWindow::HandleMessage(msg, wp, lp);
}

}  // namespace frixa::win
