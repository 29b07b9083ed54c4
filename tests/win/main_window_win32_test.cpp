// The main window as the user meets it, created for real and driven with window messages: its
// caption, frame, geometry, menus, tooltips and labels; start-up outcomes; Quit, the close box,
// the manual and the about box; the double-click settings around the graphs' focus. Message
// boxes go through a scripted front end, so no test waits for a click.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <deque>
#include <string>
#include <vector>

#include "app/startup.h"
#include "support/fake_registry.h"
#include "support/recording_frontend.h"
#include "support/run_files.h"
#include "support/win32_messages.h"
#include "win/main_window.h"
#include "win/single_instance.h"
#include "win/ui_resources.h"
#include "win/win32_frontend.h"

namespace frixa::win {
namespace {

using testing::RecordedMessage;

// The real front end with scripted message boxes and file dialogs.
class ScriptedFrontend : public Win32Frontend {
 public:
  using Win32Frontend::Win32Frontend;
  std::deque<MessageAnswer> answers;
  std::vector<RecordedMessage> messages;

  MessageAnswer ShowMessage(std::string_view text, std::string_view title, MessageIcon icon,
                            MessageButtons buttons) override {
    messages.push_back({std::string(text), std::string(title), icon, buttons});
    if (answers.empty()) return buttons == MessageButtons::YesNo ? MessageAnswer::No
                                                                 : MessageAnswer::Ok;
    const MessageAnswer a = answers.front();
    answers.pop_front();
    return a;
  }
  std::string AskFileName(const FileDialogSettings&) override { return ""; }
};

using testing::Pump;

using testing::Text;

// Where a window lies in its parent's client area (or on the screen for a top-level window).
PixelRect RectInParent(HWND hwnd) {
  RECT r;
  GetWindowRect(hwnd, &r);
  HWND parent = GetParent(hwnd);
  if (parent && (GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD)) {
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  }
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    commands_.create = [this] { ++creates_; };
    commands_.apply = [this] { ++applies_; };
    commands_.remove = [this] { ++removes_; };
    commands_.openBrowser = [this] { ++browsers_; };
    commands_.analysis = [this] { tools_ += "analysis "; };
    commands_.exportGraphs = [this] { tools_ += "export "; };
    commands_.calibrationReport = [this] { tools_ += "report "; };
    ASSERT_TRUE(main_.Create(app_, commands_));
    main_.onUnloaded = [this] { ++unloads_; };
  }
  void TearDown() override { Pump(); }

  // A short run of a mass slowing down, as the host leaves it.
  void WriteRun() {
    std::vector<std::uint32_t> counts;
    for (std::uint32_t i = 0; i < 60; ++i) counts.push_back(20000 + 60 * i);
    testing::WriteRunFile(app_.ProgramFile(kRunFileName), testing::RecordsWithCounts(counts));
  }

  StartupOutcome Start(std::string_view commandLine) {
    const StartupOutcome outcome =
        RunStartup(app_, commandLine, NumberLocale{}, registry_, false);
    if (outcome == StartupOutcome::Shown) main_.Show();
    Pump();
    return outcome;
  }

  HWND Hwnd(MainControl c) const { return main_.Control(c); }
  void Click(MainControl c) {
    SendMessageA(Hwnd(c), BM_CLICK, 0, 0);
    Pump();
  }
  void Menu(int item) {
    SendMessageA(main_.hwnd(), WM_COMMAND, MAKEWPARAM(item, 0), 0);
    Pump();
  }

  testing::TempFolder folder_;
  UiFonts fonts_{ScreenDpi()};
  Artwork art_{GetModuleHandleA(nullptr)};
  MainWindow main_{fonts_, art_, WindowsDoubleClickSettings()};
  ScriptedFrontend ui_{main_};
  App app_{ui_, folder_.str()};
  testing::FakeRegistry registry_;
  MainCommands commands_;
  int creates_ = 0, applies_ = 0, removes_ = 0, browsers_ = 0, unloads_ = 0;
  std::string tools_;
};

// ---- what the window looks like ---------------------------------------------------------------

TEST_F(MainWindowTest, CaptionFrameAndClientSizeAreAsDesigned) {
  HWND w = main_.hwnd();
  EXPECT_EQ(Text(w), " Torvex - Frixa");
  const LONG style = GetWindowLongA(w, GWL_STYLE);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_FALSE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_TRUE(GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_APPWINDOW);
  ASSERT_EQ(ScreenDpi(), 96);
  RECT client;
  GetClientRect(w, &client);
  EXPECT_EQ(client.right, 11235 / 15);
  EXPECT_EQ(client.bottom, 6780 / 15);
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_NEAR((r.left + r.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
  EXPECT_NEAR((r.top + r.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);
  EXPECT_FALSE(IsWindowVisible(w));  // start-up decides whether it is shown
}

TEST_F(MainWindowTest, EveryControlSitsAtItsTwipsOverFifteenAtNinetySixDpi) {
  ASSERT_EQ(ScreenDpi(), 96);
  for (const MainPlacement& p : kMainPlacements) {
    SCOPED_TRACE(static_cast<int>(p.control));
    HWND hwnd = Hwnd(p.control);
    ASSERT_TRUE(IsWindow(hwnd));
    const HWND expectedParent =
        p.container == MainControl::None ? main_.hwnd() : Hwnd(p.container);
    EXPECT_EQ(GetParent(hwnd), expectedParent);
    EXPECT_EQ(RectInParent(hwnd), (PixelRect{p.twips.left / 15, p.twips.top / 15,
                                             p.twips.width / 15, p.twips.height / 15}));
  }
}

TEST_F(MainWindowTest, TorqueGraphLiesOverTheFootOfThePowerGraph) {
  HWND nm = Hwnd(MainControl::NMGraph);
  RECT r;
  GetWindowRect(Hwnd(MainControl::KWGraph), &r);
  const POINT inOverlap{(r.left + r.right) / 2, r.bottom - 5};
  main_.Show();
  Pump();
  POINT p = inOverlap;
  ScreenToClient(GetParent(nm), &p);
  EXPECT_EQ(ChildWindowFromPointEx(GetParent(nm), p, CWP_SKIPINVISIBLE), nm);
}

TEST_F(MainWindowTest, MenusCarryTheirCaptionsInOrderAllEnabled) {
  HMENU bar = GetMenu(main_.hwnd());
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(GetMenuItemCount(bar), 3);
  char text[64];
  GetMenuStringA(bar, 0, text, sizeof text, MF_BYPOSITION);
  EXPECT_STREQ(text, "File");
  GetMenuStringA(bar, 1, text, sizeof text, MF_BYPOSITION);
  EXPECT_STREQ(text, "Help");
  GetMenuStringA(bar, 2, text, sizeof text, MF_BYPOSITION);
  EXPECT_STREQ(text, "Tools");
  const std::vector<std::pair<int, std::string>> file = {
      {Mainfileapply, "Apply"}, {MainFileRemove, "Remove"}, {mainFileCreate, "Process"},
      {MainFileClose, "Close"}};
  const std::vector<std::pair<int, std::string>> help = {{MainHelpManual, "Open Manual"},
                                                         {MainHelpAbout, "About"}};
  const std::vector<std::pair<int, std::string>> tools = {
      {MainToolsAnalysis, "Analysis"}, {MainToolsExportGraphs, "Export Graphs"},
      {MainToolsReport, "Calibration Report"}};
  for (const auto& [menu, items] :
       {std::pair{GetSubMenu(bar, 0), file}, std::pair{GetSubMenu(bar, 1), help},
        std::pair{GetSubMenu(bar, 2), tools}}) {
    ASSERT_EQ(GetMenuItemCount(menu), static_cast<int>(items.size()));
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
      GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
      EXPECT_EQ(text, items[static_cast<std::size_t>(i)].second);
      EXPECT_EQ(static_cast<int>(GetMenuItemID(menu, i)), items[static_cast<std::size_t>(i)].first);
      EXPECT_FALSE(GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED));
    }
  }
}

TEST_F(MainWindowTest, ButtonsShowPicturesAndTheirTooltips) {
  const std::vector<std::pair<MainControl, std::string>> tips = {
      {MainControl::Quit, "Quit"},
      {MainControl::ShowFRIXA, "Explore Frixa files"},
      {MainControl::Go, "Create a Losses Calibration file"},
      {MainControl::ApplyDC, "Apply a Losses Calibration file to Torvex2"},
      {MainControl::Delete005, "Remove Mechanical Losses Correction"},
      {MainControl::HelpDisp, "Open Frix Help File"}};
  for (const auto& [control, tip] : tips) {
    SCOPED_TRACE(tip);
    HWND button = Hwnd(control);
    EXPECT_EQ(Text(button), "");  // a picture, no caption
    const LONG style = GetWindowLongA(button, GWL_STYLE);
    const bool icon = control == MainControl::HelpDisp;
    EXPECT_TRUE(style & (icon ? BS_ICON : BS_BITMAP));
    EXPECT_NE(SendMessageA(button, BM_GETIMAGE, icon ? IMAGE_ICON : IMAGE_BITMAP, 0), 0);
    char text[128] = {};
    TOOLINFOA ti{};
    ti.cbSize = TTTOOLINFOA_V1_SIZE;
    ti.hwnd = GetParent(button);
    ti.uId = reinterpret_cast<UINT_PTR>(button);
    ti.lpszText = text;
    SendMessageA(main_.tooltips(), TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&ti));
    EXPECT_EQ(std::string(text), tip);
  }
}

TEST_F(MainWindowTest, RpmPanelLabelsAndDigitsReadAsDesigned) {
  HWND message = Hwnd(MainControl::ProcessMessage);
  EXPECT_EQ(Text(message), "Processed RPM Indication");
  EXPECT_EQ(Text(Hwnd(MainControl::Label3)), "Mass RPM");
  EXPECT_EQ(Text(Hwnd(MainControl::CurrentRPMDisp)), "0");
  LOGFONTA lf{};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(message, WM_GETFONT, 0, 0)), sizeof lf, &lf);
  EXPECT_STREQ(lf.lfFaceName, "MS Sans Serif");
  EXPECT_EQ(lf.lfWeight, FW_BOLD);
  EXPECT_EQ(lf.lfHeight, -11);  // 8.25 point at 96 dpi
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(Hwnd(MainControl::Label3), WM_GETFONT, 0, 0)),
             sizeof lf, &lf);
  EXPECT_EQ(lf.lfWeight, FW_NORMAL);
}

TEST_F(MainWindowTest, StatusLogIsAReadOnlyScrollingLightGreyBox) {
  HWND status = Hwnd(MainControl::Status);
  const LONG style = GetWindowLongA(status, GWL_STYLE);
  EXPECT_TRUE(style & ES_MULTILINE);
  EXPECT_TRUE(style & ES_READONLY);
  EXPECT_TRUE(style & WS_VSCROLL);
  HDC dc = CreateCompatibleDC(nullptr);
  const auto brush = reinterpret_cast<HBRUSH>(SendMessageA(
      main_.hwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(status)));
  LOGBRUSH lb{};
  ASSERT_TRUE(GetObjectA(brush, sizeof lb, &lb));
  EXPECT_EQ(lb.lbColor, RGB(0xE0, 0xE0, 0xE0));
  EXPECT_EQ(GetBkColor(dc), RGB(0xE0, 0xE0, 0xE0));
  DeleteDC(dc);
}

TEST_F(MainWindowTest, FrontEndWritesTheStatusLogCaptionDigitsAndCreateButton) {
  ui_.AppendStatusLine("Graphing System");
  ui_.AppendStatusLine("");
  ui_.AppendStatusLine("Processing");
  EXPECT_EQ(Text(Hwnd(MainControl::Status)), "Graphing System\r\n\r\nProcessing\r\n");
  ui_.ClearStatus();
  EXPECT_EQ(Text(Hwnd(MainControl::Status)), "");
  ui_.SetProcessCaption("Averaging");
  EXPECT_EQ(Text(Hwnd(MainControl::ProcessMessage)), "Averaging");
  ui_.ShowRpm("1234");
  EXPECT_EQ(Text(Hwnd(MainControl::CurrentRPMDisp)), "1234");
  ui_.SetCreateEnabled(false);
  EXPECT_FALSE(IsWindowEnabled(Hwnd(MainControl::Go)));
  ui_.SetCreateEnabled(true);
  EXPECT_TRUE(IsWindowEnabled(Hwnd(MainControl::Go)));
}

TEST(MessageBoxStyle, IconsAndButtonsMapToThePlatformBits) {
  EXPECT_EQ(MessageBoxStyle(MessageIcon::Critical, MessageButtons::Ok),
            static_cast<UINT>(MB_OK | MB_ICONHAND));
  EXPECT_EQ(MessageBoxStyle(MessageIcon::Question, MessageButtons::YesNo),
            static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
  EXPECT_EQ(MessageBoxStyle(MessageIcon::Exclamation, MessageButtons::Ok),
            static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
  EXPECT_EQ(MessageBoxStyle(MessageIcon::Information, MessageButtons::Ok),
            static_cast<UINT>(MB_OK | MB_ICONASTERISK));
}

// ---- start-up outcomes ----------------------------------------------------------------------

TEST_F(MainWindowTest, WrongLengthCommandLineEndsWithoutShowingTheWindow) {
  for (const std::string& line : {std::string(18, '1'), std::string(20, '1')}) {
    ui_.messages.clear();
    EXPECT_EQ(Start(line), StartupOutcome::Ended);
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, "Frixa cannot be run outside Torvex2");
    EXPECT_EQ(ui_.messages[0].icon, MessageIcon::Critical);
    EXPECT_FALSE(IsWindowVisible(main_.hwnd()));
  }
  EXPECT_TRUE(registry_.calls.empty());
}

TEST_F(MainWindowTest, LetterInAFieldShowsError13AndNoWindow) {
  EXPECT_EQ(Start("1.25      x        "), StartupOutcome::Ended);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, "An ERROR ( 13) has occured");
  EXPECT_EQ(ui_.messages[0].title, "Frixa Startup Check");
  EXPECT_FALSE(IsWindowVisible(main_.hwnd()));
  EXPECT_TRUE(registry_.calls.empty());
}

TEST_F(MainWindowTest, ZerosShowTheWindowWithGoDisabledAndAnEmptyLog) {
  EXPECT_EQ(Start("0         0        "), StartupOutcome::Shown);
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_TRUE(IsWindowVisible(main_.hwnd()));
  EXPECT_EQ(Text(Hwnd(MainControl::Status)), "");
  EXPECT_FALSE(IsWindowEnabled(Hwnd(MainControl::Go)));
  for (MainControl c : {MainControl::Quit, MainControl::ShowFRIXA, MainControl::ApplyDC,
                        MainControl::Delete005, MainControl::HelpDisp}) {
    EXPECT_TRUE(IsWindowEnabled(Hwnd(c)));
  }
  // File > Process does not look at the disabled button: it still runs Create.
  Menu(mainFileCreate);
  EXPECT_EQ(creates_, 1);
}

TEST_F(MainWindowTest, NegativeValueCountsAsNonZeroAndThePreviewFillsLogAndGraphs) {
  WriteRun();
  EXPECT_EQ(Start("-1.25     1        "), StartupOutcome::Shown);
  ASSERT_FALSE(ui_.messages.empty());
  EXPECT_EQ(ui_.messages[0].title, "FRIXA Information");
  const std::string log = Text(Hwnd(MainControl::Status));
  EXPECT_EQ(log.rfind("Loading Data from Torvex2\r\n", 0), 0u) << log;
  EXPECT_NE(log.find("Inertia factor :-1.25 Kg/M^2\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("Preview Completed"), std::string::npos) << log;
  EXPECT_TRUE(IsWindowEnabled(Hwnd(MainControl::Go)));
}

// Pixels of one colour in what a window paints.
int PixelsOf(HWND hwnd, COLORREF colour) {
  const std::vector<COLORREF> pixels = testing::ClientPixels(hwnd, true);
  return static_cast<int>(std::count(pixels.begin(), pixels.end(), colour));
}
COLORREF Ref(PlotColor c) { return RGB(c.r, c.g, c.b); }
int SeriesPixels(HWND hwnd) { return PixelsOf(hwnd, Ref(kPlotRevolutionColor)); }

TEST_F(MainWindowTest, PreviewPlotsTheRunOnBothGraphs) {
  EXPECT_EQ(SeriesPixels(Hwnd(MainControl::KWGraph)), 0);
  WriteRun();
  EXPECT_EQ(Start("1.25      1        "), StartupOutcome::Shown);
  EXPECT_GT(SeriesPixels(Hwnd(MainControl::KWGraph)), 0);
  EXPECT_GT(SeriesPixels(Hwnd(MainControl::NMGraph)), 0);
}

// A rectangle of `from`'s client area in `to`'s.
RECT MapRect(RECT r, HWND from, HWND to) {
  MapWindowPoints(from, to, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

TEST_F(MainWindowTest, GraphsShareOneRpmScaleAndPlotEdgesAndEveryLabelStaysInSight) {
  // Torque points over a wider RPM range than the power points, and a far larger loss, so
  // that each graph alone would choose other edges.
  for (Graph g : {Graph::Power, Graph::Torque}) {
    ui_.GraphStartAfresh(g);
    ui_.GraphSetUp(g);
  }
  for (int i = 0; i < 2000; ++i) {
    const double rpm = 420.0 + i * 1.2;
    ui_.GraphAddPoint(Graph::Power, rpm, 0.0004 * rpm);
    ui_.GraphAddPoint(Graph::Torque, rpm, 3.2 + 0.0033 * rpm);
  }
  for (int n = 2; n <= 20; ++n) {
    ui_.GraphAddStartPoint(Graph::Power, 3010.0 - n, 0.06 * n);
    ui_.GraphAddStartPoint(Graph::Torque, 3010.0 - n, 0.6 * n);
  }
  ui_.GraphSetFitLine(Graph::Power, {{420.0, 0.17}, {1700.0, 0.68}, {3008.0, 1.2}});
  ui_.GraphSetFitLine(Graph::Torque, {{420.0, 4.6}, {3008.0, 13.1}});
  for (Graph g : {Graph::Power, Graph::Torque}) ui_.GraphFinish(g);
  main_.Show();
  Pump();

  HWND kw = Hwnd(MainControl::KWGraph), nm = Hwnd(MainControl::NMGraph);
  HWND holder = Hwnd(MainControl::Picture2);
  for (HWND g : {kw, nm}) {
    EXPECT_GT(PixelsOf(g, Ref(kPlotRevolutionColor)), 0);  // paints, and so lays the graph out
    EXPECT_GT(PixelsOf(g, Ref(kPlotStartColor)), 0);
    EXPECT_GT(PixelsOf(g, Ref(kPlotModelColor)), 0);
  }
  const GraphGeometry& power = main_.graph(Graph::Power).geometry();
  const GraphGeometry& torque = main_.graph(Graph::Torque).geometry();
  const RECT powerPlot = MapRect(power.plot, kw, holder);
  const RECT torquePlot = MapRect(torque.plot, nm, holder);
  EXPECT_EQ(powerPlot.left, torquePlot.left);
  EXPECT_EQ(powerPlot.right, torquePlot.right);
  // One RPM scale: the same ticks at the same places.
  ASSERT_EQ(power.rpmLabels.size(), torque.rpmLabels.size());
  for (std::size_t i = 0; i < power.rpmLabels.size(); ++i) {
    const RECT a = MapRect(power.rpmLabels[i], kw, holder);
    const RECT b = MapRect(torque.rpmLabels[i], nm, holder);
    EXPECT_NEAR((a.left + a.right) / 2.0, (b.left + b.right) / 2.0, 1.0) << i;
  }

  // Every label inside what the user sees: the holder's client area, and for the power graph
  // above the strip the torque graph covers.
  RECT visible;
  GetClientRect(holder, &visible);
  const RECT covered = MapRect(RECT{0, 0, 1, 1}, nm, holder);
  ASSERT_GT(covered.top, powerPlot.bottom);
  const auto inSight = [&](const RECT& r, HWND from, bool underTheOther) {
    const RECT at = MapRect(r, from, holder);
    return at.left >= visible.left && at.right <= visible.right && at.top >= visible.top &&
           at.bottom <= (underTheOther ? covered.top : visible.bottom);
  };
  for (const RECT& r : power.rpmLabels) EXPECT_TRUE(inSight(r, kw, true));
  for (const RECT& r : power.lossLabels) EXPECT_TRUE(inSight(r, kw, true));
  for (const RECT& r : {power.title, power.rpmTitle, power.lossTitle}) {
    EXPECT_TRUE(inSight(r, kw, true));
  }
  for (const RECT& r : torque.rpmLabels) EXPECT_TRUE(inSight(r, nm, false));
  for (const RECT& r : torque.lossLabels) EXPECT_TRUE(inSight(r, nm, false));
  for (const RECT& r : {torque.title, torque.rpmTitle, torque.lossTitle}) {
    EXPECT_TRUE(inSight(r, nm, false));
  }
}

// ---- the shell's commands -------------------------------------------------------------------

TEST_F(MainWindowTest, ButtonsAndMenuItemsRunTheSameCommands) {
  Start("0         1        ");
  Click(MainControl::ApplyDC);
  Menu(Mainfileapply);
  Click(MainControl::Delete005);
  Menu(MainFileRemove);
  Click(MainControl::Go);
  Menu(mainFileCreate);
  Click(MainControl::ShowFRIXA);
  Menu(MainToolsReport);
  Menu(MainToolsAnalysis);
  Menu(MainToolsExportGraphs);
  EXPECT_EQ(tools_, "report analysis export ");
  EXPECT_EQ(applies_, 2);
  EXPECT_EQ(removes_, 2);
  EXPECT_EQ(creates_, 2);
  EXPECT_EQ(browsers_, 1);
}

TEST_F(MainWindowTest, ShowFrixaHidesTheMainWindowForTheBrowserWhichShowsItAgain) {
  MainWindow main(fonts_, art_, WindowsDoubleClickSettings());
  ScriptedFrontend ui(main);
  App app(ui, app_.AppPath);
  bool hiddenWhileBrowsing = false;
  commands_.openBrowser = [&] {
    ++browsers_;
    hiddenWhileBrowsing = !IsWindowVisible(main.hwnd());
  };
  ASSERT_TRUE(main.Create(app, commands_));
  main.Show();
  ui.AppendStatusLine("kept");
  SendMessageA(main.Control(MainControl::ShowFRIXA), BM_CLICK, 0, 0);
  Pump();
  EXPECT_EQ(browsers_, 1);
  EXPECT_TRUE(hiddenWhileBrowsing);
  EXPECT_FALSE(IsWindowVisible(main.hwnd()));
  main.Show();  // as the browser does when it closes
  EXPECT_TRUE(IsWindowVisible(main.hwnd()));
  EXPECT_EQ(Text(main.Control(MainControl::Status)), "kept\r\n");
}

TEST_F(MainWindowTest, QuitThenNoLeavesEverythingAndYesUnloads) {
  Start("0         0        ");
  ui_.AppendStatusLine("kept");
  ui_.answers = {MessageAnswer::No};
  Click(MainControl::Quit);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, "Return to Torvex2 ?");
  EXPECT_EQ(ui_.messages[0].title, "Frixa");
  EXPECT_EQ(ui_.messages[0].icon, MessageIcon::Question);
  EXPECT_EQ(ui_.messages[0].buttons, MessageButtons::YesNo);
  EXPECT_TRUE(IsWindowVisible(main_.hwnd()));
  EXPECT_EQ(Text(Hwnd(MainControl::Status)), "kept\r\n");
  EXPECT_EQ(unloads_, 0);

  ui_.answers = {MessageAnswer::Yes};
  Menu(MainFileClose);
  EXPECT_EQ(ui_.messages.size(), 2u);
  EXPECT_EQ(main_.hwnd(), nullptr);
  EXPECT_EQ(unloads_, 1);
}

TEST_F(MainWindowTest, CloseBoxUnloadsWithoutAsking) {
  Start("0         0        ");
  SendMessageA(main_.hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
  Pump();
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_EQ(main_.hwnd(), nullptr);
  EXPECT_EQ(unloads_, 1);
}

TEST_F(MainWindowTest, ManualOpensWithTheDocumentBesideTheProgramAndOnlyFortyTwoIsSuccess) {
  Start("0         0        ");
  struct Call {
    HWND owner;
    bool verbIsNull;
    std::string file;
    bool parametersAreNull;
    std::string folder;
    int show;
  };
  std::vector<Call> calls;
  std::intptr_t result = 42;
  main_.shellExecute = [&](HWND owner, const char* verb, const char* file, const char* params,
                           const char* folder, int show) {
    calls.push_back({owner, verb == nullptr, file, params == nullptr, folder, show});
    return result;
  };
  Click(MainControl::HelpDisp);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].owner, main_.hwnd());
  EXPECT_TRUE(calls[0].verbIsNull);
  EXPECT_EQ(calls[0].file, app_.AppPath + "\\Frixa Manual.PDF");
  EXPECT_TRUE(calls[0].parametersAreNull);
  EXPECT_EQ(calls[0].folder, "c:\\temp");
  EXPECT_EQ(calls[0].show, SW_SHOWNORMAL);
  EXPECT_TRUE(ui_.messages.empty());

  result = 33;  // above 32 is not enough
  Menu(MainHelpManual);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, "Cannot open FRIXA Manual.PDF");
  EXPECT_EQ(ui_.messages[0].title, "Frixa");
  EXPECT_EQ(ui_.messages[0].icon, MessageIcon::Critical);
  EXPECT_TRUE(IsWindowVisible(main_.hwnd()));
}

TEST_F(MainWindowTest, MissingManualIsReportedByThePlatformsOwnShellExecute) {
  Start("0         0        ");
  Click(MainControl::HelpDisp);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, "Cannot open FRIXA Manual.PDF");
}

// EnumChildWindows' callback (stdcall on 32-bit Windows, which a lambda cannot be): the text of
// each child, into the vector at `lp`.
BOOL CALLBACK CollectText(HWND child, LPARAM lp) {
  reinterpret_cast<std::vector<std::string>*>(lp)->push_back(Text(child));
  return TRUE;
}

TEST_F(MainWindowTest, AboutHidesTheMainWindowShowsTheVersionAndOkReturns) {
  Start("0         0        ");
  Menu(MainHelpAbout);
  EXPECT_FALSE(IsWindowVisible(main_.hwnd()));
  HWND about = main_.aboutBox();
  ASSERT_TRUE(IsWindow(about));
  EXPECT_TRUE(IsWindowVisible(about));
  std::vector<std::string> texts;
  EnumChildWindows(about, &CollectText, reinterpret_cast<LPARAM>(&texts));
  EXPECT_NE(std::find(texts.begin(), texts.end(), "Version : 1.1.0"), texts.end());
  HWND ok = FindWindowExA(GetWindow(about, GW_CHILD), nullptr, "BUTTON", "OK");
  ASSERT_NE(ok, nullptr);
  SendMessageA(ok, BM_CLICK, 0, 0);
  Pump();
  EXPECT_FALSE(IsWindow(about));
  EXPECT_TRUE(IsWindowVisible(main_.hwnd()));
}

// ---- double-click settings while a graph has the focus ------------------------------------------

class DoubleClickFocusTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    original_ = WindowsDoubleClickSettings().Current();
    SetDoubleClickMetrics(WindowsDoubleClickSettings(), 7, 9, 450, false);
  }
  void TearDown() override {
    SetDoubleClickMetrics(WindowsDoubleClickSettings(), original_.width, original_.height,
                          original_.timeMs, false);
    MainWindowTest::TearDown();
  }
  DoubleClickMetrics Now() { return WindowsDoubleClickSettings().Current(); }
  void ClickOn(MainControl c) {
    SendMessageA(Hwnd(c), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    SendMessageA(Hwnd(c), WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
    Pump();
  }
  DoubleClickMetrics original_{};
};

TEST_F(DoubleClickFocusTest, LeavingTheGraphsRestoresTheUsersOwnSettings) {
  Start("0         0        ");
  SetFocus(Hwnd(MainControl::Status));
  ASSERT_EQ(Now(), (DoubleClickMetrics{7, 9, 450}));
  ClickOn(MainControl::KWGraph);
  ASSERT_EQ(GetFocus(), Hwnd(MainControl::KWGraph));
  EXPECT_EQ(Now().width, 0);
  EXPECT_EQ(Now().height, 0);  // (a time of 0 reads back as the platform's default, 500 ms)
  ClickOn(MainControl::NMGraph);  // from one graph to the other
  EXPECT_EQ(Now().width, 0);
  EXPECT_EQ(Now().height, 0);
  SetFocus(Hwnd(MainControl::Status));
  Pump();
  EXPECT_EQ(Now(), (DoubleClickMetrics{7, 9, 450}));  // not 4, 4, 300
}

TEST_F(DoubleClickFocusTest, ClosingTheWindowWhileAGraphHasTheFocusRestoresThemToo) {
  Start("0         0        ");
  ClickOn(MainControl::NMGraph);
  ASSERT_EQ(Now().width, 0);
  SendMessageA(main_.hwnd(), WM_CLOSE, 0, 0);
  Pump();
  EXPECT_EQ(main_.hwnd(), nullptr);
  EXPECT_EQ(Now(), (DoubleClickMetrics{7, 9, 450}));
}

TEST_F(DoubleClickFocusTest, DestroyingTheWindowWithAGraphFocusedRestoresThemAndTellsNoOne) {
  int unloads = 0;
  {
    MainWindow main(fonts_, art_, WindowsDoubleClickSettings());
    ScriptedFrontend ui(main);
    App app(ui, app_.AppPath);
    ASSERT_TRUE(main.Create(app, commands_));
    main.onUnloaded = [&unloads] { ++unloads; };
    main.Show();
    SendMessageA(main.Control(MainControl::KWGraph), WM_LBUTTONDOWN, MK_LBUTTON,
                 MAKELPARAM(20, 20));
    Pump();
    ASSERT_EQ(GetFocus(), main.Control(MainControl::KWGraph));
    ASSERT_EQ(Now().width, 0);
  }
  EXPECT_EQ(Now(), (DoubleClickMetrics{7, 9, 450}));
  EXPECT_EQ(unloads, 0);
}

// ---- the previous-instance test ---------------------------------------------------------------

TEST(SingleInstance, SecondHolderOfTheNameSeesTheFirstUntilItEnds) {
  {
    SingleInstance first("Frixa.Test.Instance");
    EXPECT_FALSE(first.AnotherIsRunning());
    SingleInstance second("Frixa.Test.Instance");
    EXPECT_TRUE(second.AnotherIsRunning());
  }
  SingleInstance later("Frixa.Test.Instance");
  EXPECT_FALSE(later.AnotherIsRunning());
}

}  // namespace
}  // namespace frixa::win
