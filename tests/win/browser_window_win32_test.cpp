// The browser window as the user meets it: its frame and layout, the file and folder lists, the
// reset display, a calibration file made by Create on display with its loss grid, the comment
// written back on close, and the cases where closing must write nothing.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cctype>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "calfile/create_command.h"
#include "host/apply_command.h"
#include "support/calibration_fixture.h"
#include "support/win32_messages.h"
#include "win/browser_window.h"

namespace frixa::win {
namespace {

using BC = BrowserControl;

using testing::Pump;

using testing::Text;

std::vector<std::string> Items(HWND list) {
  std::vector<std::string> items;
  const LRESULT n = SendMessageA(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < n; ++i) {
    char buffer[MAX_PATH] = {};
    SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer));
    items.emplace_back(buffer);
  }
  return items;
}

PixelRect RectInParent(HWND hwnd) {
  RECT r;
  GetWindowRect(hwnd, &r);
  MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

std::string Header(HWND list, int column) {
  char buffer[64] = {};
  LVCOLUMNA c{};
  c.mask = LVCF_TEXT;
  c.pszText = buffer;
  c.cchTextMax = sizeof buffer;
  if (!SendMessageA(list, LVM_GETCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&c))) {
    return "<none>";
  }
  return buffer;
}

class BrowserWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    p_.SimulateAndPreview(testing::ProgramFolder::ShortRundown(), 1.25f, 1.0f);
    p_.Create("Rig");
    ASSERT_TRUE(p_.ui.messages.empty());
  }
  void TearDown() override {
    browser_.reset();
    Pump();
  }

  void Open() {
    browser_ = std::make_unique<BrowserWindow>(fonts_, art_);
    browser_->onClosed = [this] { ++closed_; };
    ASSERT_TRUE(browser_->Create(p_.app.AppPath, '.'));
    Pump();
  }
  HWND Hwnd(BC c) const { return browser_->Control(c); }
  void Select(const std::string& name) {
    HWND list = Hwnd(BC::File1);
    const LRESULT i =
        SendMessageA(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(name.c_str()));
    ASSERT_NE(i, LB_ERR) << name;
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(i), 0);
    SendMessageA(browser_->hwnd(), WM_COMMAND,
                 MAKEWPARAM(BrowserControlId(BC::File1), LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
    Pump();
  }
  void DoubleClickFolder(int index) {
    HWND list = Hwnd(BC::Dir1);
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(browser_->hwnd(), WM_COMMAND, MAKEWPARAM(BrowserControlId(BC::Dir1), LBN_DBLCLK),
                 reinterpret_cast<LPARAM>(list));
    Pump();
  }
  void Type(const std::string& text) { SetWindowTextA(Hwnd(BC::Comment), text.c_str()); }
  void Close() {
    SendMessageA(browser_->hwnd(), WM_CLOSE, 0, 0);
    Pump();
  }
  std::string StoredComment() {
    const auto info = testing::ReadTable(p_.CalFile("Rig.Frixa"), "Info");
    return info.at(0).at(6).AsText();
  }
  void ExpectResetDisplay(const std::string& comment) {
    for (BC c : {BC::MOIApplied, BC::PPR, BC::LRPM, BC::HRPM, BC::DATEPRO}) {
      EXPECT_EQ(Text(Hwnd(c)), "No File Selected");
    }
    EXPECT_EQ(Text(Hwnd(BC::Comment)), comment);
    EXPECT_FALSE(IsWindowVisible(Hwnd(BC::RealGrid)));
    EXPECT_TRUE(IsWindowVisible(Hwnd(BC::DummyGrid)));
  }

  testing::ProgramFolder p_;
  UiFonts fonts_{ScreenDpi()};
  Artwork art_{GetModuleHandleA(nullptr)};
  std::unique_ptr<BrowserWindow> browser_;
  int closed_ = 0;
};

TEST_F(BrowserWindowTest, CaptionFrameAndEveryControlSitAsDesigned) {
  Open();
  HWND w = browser_->hwnd();
  EXPECT_EQ(Text(w), "Frixa Files");
  const LONG style = GetWindowLongA(w, GWL_STYLE);
  const LONG ex = GetWindowLongA(w, GWL_EXSTYLE);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
  EXPECT_TRUE(ex & WS_EX_DLGMODALFRAME);
  EXPECT_FALSE(ex & WS_EX_APPWINDOW);
  RECT client;
  GetClientRect(w, &client);
  const int dpi = ScreenDpi();
  EXPECT_EQ(client.right, TwipsToPixels(12030, dpi));
  EXPECT_EQ(client.bottom, TwipsToPixels(3225, dpi));
  for (std::size_t i = 0; i < kBrowserControlCount; ++i) {
    const auto c = static_cast<BC>(i);
    const PixelRect want = ToPixels(kBrowserPlacements[i], dpi);
    const PixelRect got = RectInParent(Hwnd(c));
    EXPECT_EQ(got.left, want.left) << i;
    EXPECT_EQ(got.top, want.top) << i;
    EXPECT_EQ(got.width, want.width) << i;
    if (c != BC::Drive1) {  // a combo box sets its own height
      EXPECT_EQ(got.height, want.height) << i;
    }
  }
  EXPECT_EQ(Text(Hwnd(BC::Label1)), "FRIXA FIle Information");
  EXPECT_EQ(Text(Hwnd(BC::Label2)), "Description");
  EXPECT_EQ(Text(Hwnd(BC::Labels3)), "Applied Moment of Inertia");
  EXPECT_EQ(Text(Hwnd(BC::Labels4)), "Pulses / Revolution");
  EXPECT_EQ(Text(Hwnd(BC::Labels5)), "Lowest RPM");
  EXPECT_EQ(Text(Hwnd(BC::Labels6)), "Highest RPM");
  EXPECT_EQ(Text(Hwnd(BC::Labels7)), "Date Processed");
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(Hwnd(BC::Label1), WM_GETFONT, 0, 0)),
            fonts_.heading());
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(Hwnd(BC::Labels3), WM_GETFONT, 0, 0)),
            fonts_.bold());
  EXPECT_EQ(SendMessageA(Hwnd(BC::Comment), EM_GETLIMITTEXT, 0, 0), 255);
  EXPECT_FALSE(GetWindowLongA(Hwnd(BC::Comment), GWL_STYLE) & ES_MULTILINE);
}

// Each caption is written on one line in its label's font: it must fit the label, or it would
// wrap and lose its second line. The font must be the system's own MS Sans Serif, which the
// labels were sized for; a stand-in font measures wider.
TEST_F(BrowserWindowTest, EveryCaptionFitsItsLabelInMsSansSerif) {
  Open();
  HDC dc = GetDC(browser_->hwnd());
  for (BC c : {BC::Label1, BC::Label2, BC::Labels3, BC::Labels4, BC::Labels5, BC::Labels6,
               BC::Labels7}) {
    HWND label = Hwnd(c);
    const std::string caption = Text(label);
    const auto font = reinterpret_cast<HFONT>(SendMessageA(label, WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr) << caption;
    const HGDIOBJ old = SelectObject(dc, font);
    char face[LF_FACESIZE] = {};
    GetTextFaceA(dc, sizeof face, face);
    SIZE extent{};
    GetTextExtentPoint32A(dc, caption.c_str(), static_cast<int>(caption.size()), &extent);
    SelectObject(dc, old);
    RECT client;
    GetClientRect(label, &client);
    EXPECT_STREQ(face, "MS Sans Serif") << caption;
    EXPECT_LE(extent.cx, client.right) << caption;
    EXPECT_LE(extent.cy, client.bottom) << caption;
  }
  ReleaseDC(browser_->hwnd(), dc);
}

TEST_F(BrowserWindowTest, OpensOnCustomCalWithTheResetDisplay) {
  Open();
  EXPECT_EQ(browser_->folder(), p_.CalFolder());
  ExpectResetDisplay(" ");
  EXPECT_EQ(Items(Hwnd(BC::File1)), std::vector<std::string>{"Rig.Frixa"});
  const std::vector<std::string> folders = Items(Hwnd(BC::Dir1));
  ASSERT_FALSE(folders.empty());
  EXPECT_EQ(folders.back(), "Custom Cal");
  char drive[8] = {};
  SendMessageA(Hwnd(BC::Drive1), WM_GETTEXT, sizeof drive, reinterpret_cast<LPARAM>(drive));
  EXPECT_EQ(std::tolower(drive[0]), std::tolower(p_.app.AppPath[0]));
}

TEST_F(BrowserWindowTest, ListsOnlyFrixaFilesWhateverTheirCase) {
  const std::string cal = p_.CalFolder() + "\\";
  for (const char* name : {"a.frixa", "B.FRIXA", "c.txt", "d.FRIXA.bak", "e.frixax"}) {
    testing::WriteBytes(cal + name, {1});
  }
  std::filesystem::create_directory(cal + "Older");
  Open();
  EXPECT_EQ(Items(Hwnd(BC::File1)), (std::vector<std::string>{"a.frixa", "B.FRIXA", "Rig.Frixa"}));
  const std::vector<std::string> folders = Items(Hwnd(BC::Dir1));
  ASSERT_GE(folders.size(), 2u);
  EXPECT_EQ(folders[folders.size() - 2], "Custom Cal");
  EXPECT_EQ(folders.back(), "Older");
}

TEST_F(BrowserWindowTest, WithoutCustomCalItOpensOnTheProgramFolder) {
  std::filesystem::remove_all(p_.CalFolder());
  Open();
  EXPECT_EQ(browser_->folder(), p_.app.AppPath);
  ExpectResetDisplay(" ");
  EXPECT_TRUE(Items(Hwnd(BC::File1)).empty());
}

TEST_F(BrowserWindowTest, ChosenFileShowsItsInformationAndEveryLossRow) {
  Open();
  Select("Rig.Frixa");
  EXPECT_EQ(Text(Hwnd(BC::MOIApplied)), "01.2500000 Kg/M^2");
  EXPECT_EQ(Text(Hwnd(BC::PPR)), "1.0000000");
  EXPECT_EQ(Text(Hwnd(BC::LRPM)), DefaultNumberText(static_cast<float>(p_.app.MinMassRPM), '.') + " RPM");
  EXPECT_EQ(Text(Hwnd(BC::HRPM)), DefaultNumberText(static_cast<float>(p_.app.MaxMassRPM), '.') + " RPM");
  EXPECT_EQ(Text(Hwnd(BC::DATEPRO)), "12/9/2026");
  EXPECT_EQ(Text(Hwnd(BC::Comment)), " ");
  EXPECT_TRUE(IsWindowVisible(Hwnd(BC::RealGrid)));
  HWND list = FindWindowExA(Hwnd(BC::RealGrid), nullptr, WC_LISTVIEWA, nullptr);
  ASSERT_NE(list, nullptr);
  const auto losses = testing::ReadTable(p_.CalFile("Rig.Frixa"), "Losses");
  ASSERT_FALSE(losses.empty());
  EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), static_cast<LRESULT>(losses.size()));
  EXPECT_EQ(Header(list, 0), "RPM");
  EXPECT_EQ(Header(list, 1), "KWloss");
  EXPECT_EQ(Header(list, 2), "NMLoss");
  char first[32] = {};
  LVITEMA item{};
  item.pszText = first;
  item.cchTextMax = sizeof first;
  SendMessageA(list, LVM_GETITEMTEXTA, 0, reinterpret_cast<LPARAM>(&item));
  EXPECT_EQ(std::string(first), std::to_string(losses[0][0].AsInteger()));
}

TEST_F(BrowserWindowTest, EditedCommentIsStoredOnCloseAndTheMainWindowIsCalledBack) {
  Open();
  Select("Rig.Frixa");
  Type("Rig after the new belt");
  Close();
  EXPECT_EQ(closed_, 1);
  EXPECT_EQ(StoredComment(), "Rig after the new belt");
  Open();
  Select("Rig.Frixa");
  EXPECT_EQ(Text(Hwnd(BC::Comment)), "Rig after the new belt");
}

TEST_F(BrowserWindowTest, ANonDatabaseFileResetsWithAnEmptyCommentAndCloseWritesNothing) {
  testing::WriteBytes(p_.CalFolder() + "\\Junk.FRIXA", {'n', 'o', 't', ' ', 'a', ' ', 'd', 'b'});
  Open();
  Select("Rig.Frixa");
  Type("typed for the rig");
  Select("Junk.FRIXA");
  ExpectResetDisplay("");
  Type("typed after the failure");
  Close();
  EXPECT_EQ(closed_, 1);
  EXPECT_EQ(StoredComment(), " ");
}

TEST_F(BrowserWindowTest, ChangingFolderResetsTheDisplayAndCloseKeepsTheStoredComment) {
  Open();
  Select("Rig.Frixa");
  Type("Kept");
  Close();
  ASSERT_EQ(StoredComment(), "Kept");

  Open();
  Select("Rig.Frixa");
  const std::vector<std::string> folders = Items(Hwnd(BC::Dir1));
  ASSERT_GE(folders.size(), 2u);
  DoubleClickFolder(static_cast<int>(folders.size()) - 2);  // the program folder
  EXPECT_EQ(browser_->folder(), p_.app.AppPath);
  ExpectResetDisplay(" ");
  Close();
  EXPECT_EQ(closed_, 2);
  EXPECT_EQ(StoredComment(), "Kept");
}

TEST_F(BrowserWindowTest, FolderListIndentsThePathOpenAndTheSubfoldersClosedAndDrivesShowLabels) {
  std::filesystem::create_directory(p_.CalFolder() + "\\Old");
  std::filesystem::create_directory(p_.CalFolder() + "\\Older");
  Open();
  const std::vector<std::string> folders = Items(Hwnd(BC::Dir1));
  const auto& entries = browser_->folderEntries();
  ASSERT_EQ(entries.size(), folders.size());
  ASSERT_GE(folders.size(), 4u);
  // The drive, each folder of the path one step further in, open; then the subfolders below
  // the current folder, one step further still, closed.
  const std::size_t path = folders.size() - 2;
  EXPECT_EQ(folders[path - 1], "Custom Cal");
  for (std::size_t i = 0; i < path; ++i) {
    EXPECT_EQ(entries[i].level, static_cast<int>(i)) << folders[i];
    EXPECT_TRUE(entries[i].open) << folders[i];
  }
  EXPECT_EQ(folders[path], "Old");
  EXPECT_EQ(folders[path + 1], "Older");
  for (std::size_t i = path; i < folders.size(); ++i) {
    EXPECT_EQ(entries[i].level, static_cast<int>(path));
    EXPECT_FALSE(entries[i].open);
  }
  EXPECT_TRUE(GetWindowLongA(Hwnd(BC::Dir1), GWL_STYLE) & LBS_OWNERDRAWFIXED);

  // Each drive with its volume label, or its kind when it has none: "c: [...]".
  HWND drives = Hwnd(BC::Drive1);
  const LRESULT n = SendMessageA(drives, CB_GETCOUNT, 0, 0);
  ASSERT_GT(n, 0);
  for (LRESULT i = 0; i < n; ++i) {
    char entry[MAX_PATH] = {};
    SendMessageA(drives, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(entry));
    const std::string text = entry;
    EXPECT_EQ(text.substr(1, 3), ": [") << text;
    EXPECT_EQ(text.back(), ']') << text;
  }

  DoubleClickFolder(static_cast<int>(path));  // into Old
  EXPECT_EQ(browser_->folder(), p_.CalFolder() + "\\Old");
  const std::vector<std::string> inside = Items(Hwnd(BC::Dir1));
  EXPECT_EQ(inside.back(), "Old");
  EXPECT_EQ(browser_->folderEntries().back().level, static_cast<int>(path));
  EXPECT_TRUE(browser_->folderEntries().back().open);
}

TEST_F(BrowserWindowTest, TheFileTheHostUsesIsMarkedAndSaysSoWithItsInformation) {
  std::filesystem::copy_file(p_.CalFile("Rig.Frixa"), p_.CalFile("Copy.Frixa"));
  p_.Create("Another");  // the same run: the same curve as Rig's, under another name
  Open();
  EXPECT_EQ(browser_->hostStatus().state, CompensationStatus::State::Off);
  Select("Rig.Frixa");
  EXPECT_EQ(Text(Hwnd(BC::HostStatus)), "");
  Close();

  p_.ui.fileNameAnswers.push_back(p_.CalFile("Rig.Frixa"));
  ApplyCommand(p_.app, p_.dc);
  ASSERT_TRUE(std::filesystem::exists(p_.app.ProgramFile("Torvex2.005")));
  Open();
  ASSERT_EQ(browser_->hostStatus().state, CompensationStatus::State::On);
  // Three files hold the same curve; the first by name counts.
  EXPECT_EQ(browser_->hostStatus().title, "Another");
  Select("Another.Frixa");
  EXPECT_EQ(Text(Hwnd(BC::HostStatus)), "In use by Torvex2");
  Select("Rig.Frixa");
  EXPECT_EQ(Text(Hwnd(BC::HostStatus)), "");
  Select("Another.Frixa");
  EXPECT_EQ(Text(Hwnd(BC::HostStatus)), "In use by Torvex2");
  DoubleClickFolder(static_cast<int>(Items(Hwnd(BC::Dir1)).size()) - 2);
  EXPECT_EQ(Text(Hwnd(BC::HostStatus)), "");
  // Names stay as they are in the file list, marked or not.
  Open();
  EXPECT_EQ(Items(Hwnd(BC::File1)),
            (std::vector<std::string>{"Another.Frixa", "Copy.Frixa", "Rig.Frixa"}));
}

TEST_F(BrowserWindowTest, DoubleClickOnAFileOpensItInTheAnalysis) {
  Open();
  std::vector<std::string> analysed;
  browser_->onAnalyse = [&](const std::string& path) { analysed.push_back(path); };
  Select("Rig.Frixa");
  HWND list = Hwnd(BC::File1);
  SendMessageA(browser_->hwnd(), WM_COMMAND, MAKEWPARAM(BrowserControlId(BC::File1), LBN_DBLCLK),
               reinterpret_cast<LPARAM>(list));
  Pump();
  ASSERT_EQ(analysed.size(), 1u);
  EXPECT_EQ(std::filesystem::path(analysed[0]), std::filesystem::path(p_.CalFile("Rig.Frixa")));
  EXPECT_EQ(Text(Hwnd(BC::MOIApplied)), "01.2500000 Kg/M^2");  // the single click's display stays
}

}  // namespace
}  // namespace frixa::win
