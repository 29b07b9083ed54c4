// The main window: see main_window.h.
#include "win/main_window.h"

#include <shellapi.h>

#include <string>
#include <utility>

#include "app/startup.h"
#include "calfile/create_command.h"
#include "common/error.h"
#include "host/apply_command.h"
#include "host/remove_command.h"

namespace frixa::win {
namespace {

constexpr DWORD kMainStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kMainExStyle = WS_EX_DLGMODALFRAME | WS_EX_APPWINDOW;
constexpr DWORD kAboutStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kAboutExStyle = WS_EX_DLGMODALFRAME | WS_EX_APPWINDOW;
constexpr const char* kAboutCaption = "About Frixa";

std::intptr_t PlatformShellExecute(HWND owner, const char* verb, const char* file,
                                   const char* parameters, const char* folder, int show) {
  return reinterpret_cast<std::intptr_t>(
      ShellExecuteA(owner, verb, file, parameters, folder, show));
}

}  // namespace

// ---- AboutBox -------------------------------------------------------------------------------

bool AboutBox::Create(const std::string& versionText, int dpi) {
  const PixelRect client = ToPixels(kAboutClientTwips, dpi);
  const RECT wr =
      CentredWindowRect(client.width, client.height, kAboutStyle, kAboutExStyle, false);
  if (!CreateBound({.className = "FrixaAbout", .exStyle = kAboutExStyle, .text = kAboutCaption,
                    .style = kAboutStyle, .x = wr.left, .y = wr.top,
                    .width = wr.right - wr.left, .height = wr.bottom - wr.top,
                    .icon = art_.icon()})) {
    return false;
  }
  back_.Create(hwnd(), client, art_.background());
  logo_.Create(back_.hwnd(), ToPixels(kAboutLogoTwips, dpi), art_.logo());
  description_.Create(back_.hwnd(), ToPixels(kAboutDescriptionTwips, dpi),
                      kAssociationDescription, fonts_.bold(), RGB(0, 0, 0), Label::Align::Centre);
  version_.Create(back_.hwnd(), ToPixels(kAboutVersionTwips, dpi), versionText, fonts_.regular(),
                  RGB(0, 0, 0), Label::Align::Centre);
  const PixelRect ok = ToPixels(kAboutOkTwips, dpi);
  ok_.Create("BUTTON", 0, "OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, ok.left,
             ok.top, ok.width, ok.height, back_.hwnd(), IDOK);
  ok_.SetFont(fonts_.regular());
  ShowWindow(hwnd(), SW_SHOW);
  SetFocus(ok_.hwnd());
  return true;
}

LRESULT AboutBox::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
      if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) DestroyWindow(hwnd());
      return 0;
    case WM_DESTROY:
      if (onClosed) onClosed();
      return 0;
    default:
      return CustomWindow::HandleMessage(msg, wp, lp);
  }
}

// ---- MainWindow -----------------------------------------------------------------------------

MainWindow::MainWindow(const UiFonts& fonts, const Artwork& art,
                       DoubleClickSettings& doubleClick)
    : shellExecute(&PlatformShellExecute),
      fonts_(fonts),
      art_(art),
      focusMetrics_(doubleClick),
      about_(fonts, art) {}

bool MainWindow::Create(App& app, MainCommands commands) {
  app_ = &app;
  commands_ = std::move(commands);
  if (!commands_.create) commands_.create = [this] { CreateCalibrationFile(*app_, dc_, PreviewedRange(*app_)); };
  // Apply offers the fitted curve when the chosen file's check says so (OfferFittedCurve).
  if (!commands_.apply) {
    commands_.apply = [this] {
      CalibrationCheck check;
      bool checked = false;
      ApplyCommand(*app_, dc_, [&](Frontend& ui, const std::string& chosen) {
        checked = true;
        return OfferFittedCurve(ui, chosen, &check);
      });
      if (checked) ShowCalibrationCheck(check);
    };
  }
  // Create shows the check of the file it made.
  commands_.create = [this, command = std::move(commands_.create)] {
    const std::string before = app_->lastCalibrationFile;
    app_->lastCalibrationFile.clear();
    command();
    if (!app_->lastCalibrationFile.empty()) {
      ShowCalibrationCheck(CheckCalibrationFile(app_->lastCalibrationFile));
    } else {
      app_->lastCalibrationFile = before;
    }
  };
  if (!commands_.remove) commands_.remove = [this] { RemoveCommand(*app_); };
  // The host's loss compensation may have changed with each of them.
  for (std::function<void()>* hook : {&commands_.create, &commands_.apply, &commands_.remove}) {
    *hook = [this, command = std::move(*hook)] {
      command();
      RefreshCompensationStatus();
    };
  }
  dpi_ = ScreenDpi();
  layout_ = ComputeMainLayout(dpi_);
  const RECT wr = CentredWindowRect(layout_.clientWidth, layout_.clientHeight, kMainStyle,
                                    kMainExStyle, true);
  if (!CreateBound({.className = "FrixaMain", .exStyle = kMainExStyle, .text = kMainCaption,
                    .style = kMainStyle, .x = wr.left, .y = wr.top,
                    .width = wr.right - wr.left, .height = wr.bottom - wr.top,
                    .icon = art_.icon()})) {
    return false;
  }
  SendMessageA(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(art_.icon()));
  SendMessageA(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(art_.smallIcon()));
  CreateMenus();
  // Should the menu bar take another height than the frame calculation assumed, the client
  // area is put right here, so that it is exactly as designed.
  RECT client;
  GetClientRect(hwnd(), &client);
  if (client.right != layout_.clientWidth || client.bottom != layout_.clientHeight) {
    RECT now;
    GetWindowRect(hwnd(), &now);
    const int w = now.right - now.left + layout_.clientWidth - client.right;
    const int h = now.bottom - now.top + layout_.clientHeight - client.bottom;
    const POINT at = ScreenCentredOrigin(w, h);
    SetWindowPos(hwnd(), nullptr, at.x, at.y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  CreateControls();
  return true;
}

void MainWindow::CreateMenus() {
  HMENU bar = CreateMenu();
  HMENU file = CreatePopupMenu();
  AppendMenuA(file, MF_STRING, Mainfileapply, "Apply");
  AppendMenuA(file, MF_STRING, MainFileRemove, "Remove");
  AppendMenuA(file, MF_STRING, mainFileCreate, "Process");
  AppendMenuA(file, MF_STRING, MainFileClose, "Close");
  HMENU help = CreatePopupMenu();
  AppendMenuA(help, MF_STRING, MainHelpManual, "Open Manual");
  AppendMenuA(help, MF_STRING, MainHelpAbout, "About");
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "File");
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), "Help");
  HMENU tools = CreatePopupMenu();
  AppendMenuA(tools, MF_STRING, MainToolsAnalysis, "Analysis");
  AppendMenuA(tools, MF_STRING, MainToolsExportGraphs, "Export Graphs");
  AppendMenuA(tools, MF_STRING, MainToolsReport, "Calibration Report");
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(tools), "Tools");
  SetMenu(hwnd(), bar);
}

void MainWindow::CreateControls() {
  const auto at = [this](MainControl c) { return layout_[c]; };
  const auto id = [](MainControl c) { return ControlId(c); };
  using MC = MainControl;

  processedRpm_.Create(hwnd(), at(MC::ProcessedRPM), art_.background(), id(MC::ProcessedRPM));
  processedRpm_.AddLine(layout_.line3From, layout_.line3To);
  const PixelRect digits = at(MC::CurrentRPMDisp);
  rpm_.Create(processedRpm_.hwnd(), digits.left, digits.top, digits.width, digits.height, 5,
              RGB(0, 0, 0), "0", id(MC::CurrentRPMDisp));
  processMessage_.Create(processedRpm_.hwnd(), at(MC::ProcessMessage), kProcessMessageCaption,
                         fonts_.bold(), kLabelRed, Label::Align::Centre, id(MC::ProcessMessage));
  label3_.Create(processedRpm_.hwnd(), at(MC::Label3), kMassRpmCaption, fonts_.regular(),
                 RGB(0, 0, 0), Label::Align::Left, id(MC::Label3));

  picture3_.Create(hwnd(), at(MC::Picture3), art_.background(), id(MC::Picture3));
  image1_.Create(picture3_.hwnd(), at(MC::Image1), art_.logo(), id(MC::Image1));
  compensationLabel_.Create(picture3_.hwnd(), at(MC::CompensationStatus), "", fonts_.bold(),
                            RGB(0, 0, 0), Label::Align::Left, id(MC::CompensationStatus));
  compensationLabel_.SetVerticalCentre(true);
  checkLabel_.Create(picture3_.hwnd(), at(MC::CalibrationCheck), "", fonts_.regular(),
                     RGB(0, 0, 0), Label::Align::Left, id(MC::CalibrationCheck));

  picture2_.Create(hwnd(), at(MC::Picture2), nullptr, id(MC::Picture2));
  const PixelRect nm = at(MC::NMGraph), kw = at(MC::KWGraph);
  nmGraph_.Create(picture2_.hwnd(), nm.left, nm.top, nm.width, nm.height, kTorqueGraphTexts,
                  id(MC::NMGraph));
  kwGraph_.Create(picture2_.hwnd(), kw.left, kw.top, kw.width, kw.height, kPowerGraphTexts,
                  id(MC::KWGraph));
  // The torque graph lies over the foot of the power graph, not under it.
  SetWindowPos(nmGraph_.hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  // One RPM scale and the same plot edges for both; the power graph's labels stay clear of the
  // strip the torque graph covers.
  nmGraph_.SetPartner(&kwGraph_);
  kwGraph_.SetPartner(&nmGraph_);
  kwGraph_.SetCoveredTop(nm.top - kw.top);
  for (GraphControl* g : {&nmGraph_, &kwGraph_}) {
    g->onFocus = [this](bool got) { got ? focusMetrics_.GotFocus() : focusMetrics_.LostFocus(); };
  }

  status_.Create(hwnd(), at(MC::Status), id(MC::Status), fonts_.regular());

  picture1_.Create(hwnd(), at(MC::Picture1), art_.background(), id(MC::Picture1));
  HWND band = picture1_.hwnd();
  showFrixa_.Create(band, at(MC::ShowFRIXA), id(MC::ShowFRIXA), art_.showFrixa());
  applyDc_.Create(band, at(MC::ApplyDC), id(MC::ApplyDC), art_.apply());
  helpDisp_.Create(band, at(MC::HelpDisp), id(MC::HelpDisp), art_.help());
  delete005_.Create(band, at(MC::Delete005), id(MC::Delete005), art_.delete005());
  go_.Create(band, at(MC::Go), id(MC::Go), art_.go());
  quit_.Create(band, at(MC::Quit), id(MC::Quit), art_.quit());

  tips_.Create(hwnd());
  tips_.Add(showFrixa_.hwnd(), "Explore Frixa files");
  tips_.Add(applyDc_.hwnd(), "Apply a Losses Calibration file to Torvex2");
  tips_.Add(helpDisp_.hwnd(), "Open Frix Help File");
  tips_.Add(delete005_.hwnd(), "Remove Mechanical Losses Correction");
  tips_.Add(go_.hwnd(), "Create a Losses Calibration file");
  tips_.Add(quit_.hwnd(), "Quit");
}

HWND MainWindow::Control(MainControl c) const {
  switch (c) {
    case MainControl::ProcessedRPM: return processedRpm_.hwnd();
    case MainControl::CurrentRPMDisp: return rpm_.hwnd();
    case MainControl::ProcessMessage: return processMessage_.hwnd();
    case MainControl::Label3: return label3_.hwnd();
    case MainControl::Picture3: return picture3_.hwnd();
    case MainControl::Image1: return image1_.hwnd();
    case MainControl::CompensationStatus: return compensationLabel_.hwnd();
    case MainControl::CalibrationCheck: return checkLabel_.hwnd();
    case MainControl::Picture2: return picture2_.hwnd();
    case MainControl::NMGraph: return nmGraph_.hwnd();
    case MainControl::KWGraph: return kwGraph_.hwnd();
    case MainControl::Status: return status_.hwnd();
    case MainControl::Picture1: return picture1_.hwnd();
    case MainControl::ShowFRIXA: return showFrixa_.hwnd();
    case MainControl::ApplyDC: return applyDc_.hwnd();
    case MainControl::HelpDisp: return helpDisp_.hwnd();
    case MainControl::Delete005: return delete005_.hwnd();
    case MainControl::Go: return go_.hwnd();
    case MainControl::Quit: return quit_.hwnd();
    case MainControl::None: break;
  }
  return nullptr;
}

void MainWindow::Show() {
  ShowWindow(hwnd(), SW_SHOW);
  UpdateWindow(hwnd());
}

void MainWindow::ShowManual() {
  const std::string file = app_->AppPath + kManualFile;
  const std::intptr_t result =
      shellExecute(hwnd(), nullptr, file.c_str(), nullptr, kManualWorkingFolder, SW_SHOWNORMAL);
  if (result != kManualOpened) {
    app_->ui.ShowMessage(kManualFailedText, kApplicationTitle, MessageIcon::Critical,
                         MessageButtons::Ok);
  }
}

void MainWindow::ConfirmQuit() {
  if (app_->ui.ShowMessage(kConfirmQuitText, kApplicationTitle, MessageIcon::Question,
                           MessageButtons::YesNo) == MessageAnswer::Yes) {
    DestroyWindow(hwnd());
  }
}

void MainWindow::ShowAbout() {
  ShowWindow(hwnd(), SW_HIDE);
  if (about_.hwnd()) return;
  about_.onClosed = [this] {
    if (hwnd()) ShowWindow(hwnd(), SW_SHOW);
  };
  about_.Create(app_->VersionText, dpi_);
}

void MainWindow::RefreshCompensationStatus() {
  // Not while a command works on the files (an activation served by its event loop); the
  // command refreshes it when it ends.
  if (!app_ || app_->commandRunning) return;
  compensation_ = compensationCache_.Check(app_->AppPath);
  using State = CompensationStatus::State;
  const COLORREF colour = compensation_.state == State::On        ? RGB(0, 110, 0)
                          : compensation_.state == State::Unknown ? RGB(150, 90, 0)
                          : compensation_.state == State::Off     ? RGB(0, 0, 0)
                                                                  : RGB(200, 0, 0);
  compensationLabel_.SetColour(colour);
  compensationLabel_.SetCaption(compensation_.Text());
}

void MainWindow::ShowCalibrationCheck(const CalibrationCheck& check) {
  check_ = check;
  // Green when the stored curve can go as it is, amber when Apply offers a better one, red when
  // the fit cannot be trusted.
  const COLORREF colour = check.offersFitted ? RGB(150, 90, 0)
                          : check.sound      ? RGB(0, 110, 0)
                                             : RGB(200, 0, 0);
  checkLabel_.SetColour(colour);
  checkLabel_.SetCaption(check.text);
}

void MainWindow::OpenBrowser() {
  if (!commands_.openBrowser) return;  // no browser to go to: stay
  ShowWindow(hwnd(), SW_HIDE);
  try {
    commands_.openBrowser();
  } catch (...) {
    ShowWindow(hwnd(), SW_SHOW);  // no browser came up: back to the main window
    throw;
  }
}

void MainWindow::DiscardInput() const {
  MSG msg;
  for (const auto& [first, last] : {std::pair<UINT, UINT>{WM_KEYFIRST, WM_KEYLAST},
                                    {WM_MOUSEFIRST, WM_MOUSELAST},
                                    {WM_NCMOUSEMOVE, WM_NCXBUTTONDBLCLK}}) {
    while (PeekMessageA(&msg, hwnd(), first, last, PM_REMOVE)) {
    }
  }
}

void MainWindow::Dispatch(int id) {
  // A command serves the event loop while it runs: what reaches the window meanwhile starts
  // nothing, and clicks and keys it left waiting are not served after it.
  if (app_->commandRunning) return;
  RunCommand(id);
  if (hwnd()) DiscardInput();
}

void MainWindow::RunCommand(int id) {
  // Create, Apply and Remove mark themselves as running; the shell's own commands are marked
  // here.
  switch (id) {
    case Mainfileapply: Run(commands_.apply); return;
    case MainFileRemove: Run(commands_.remove); return;
    case mainFileCreate: Run(commands_.create); return;
    default: break;
  }
  if (id == ControlId(MainControl::Go)) return Run(commands_.create);
  if (id == ControlId(MainControl::ApplyDC)) return Run(commands_.apply);
  if (id == ControlId(MainControl::Delete005)) return Run(commands_.remove);
  const CommandGuard guard(*app_);
  switch (id) {
    case MainFileClose: ConfirmQuit(); return;
    case MainHelpManual: ShowManual(); return;
    case MainHelpAbout: ShowAbout(); return;
    case MainToolsAnalysis: Run(commands_.analysis); return;
    case MainToolsExportGraphs: Run(commands_.exportGraphs); return;
    case MainToolsReport: Run(commands_.calibrationReport); return;
    default: break;
  }
  if (id == ControlId(MainControl::ShowFRIXA)) OpenBrowser();
  else if (id == ControlId(MainControl::HelpDisp)) ShowManual();
  else if (id == ControlId(MainControl::Quit)) ConfirmQuit();
}

void MainWindow::ReportUncaught() {
  if (!app_) return CustomWindow::ReportUncaught();
  app_->ui.ShowMessage(ErrorOccurredText(CurrentError().number()), kApplicationTitle,
                       MessageIcon::Exclamation, MessageButtons::Ok);
}

LRESULT MainWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
      // Menu items (lParam 0) and button clicks run the same handlers.
      if (lp == 0 || HIWORD(wp) == BN_CLICKED) Dispatch(LOWORD(wp));
      return 0;
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(lp) == status_.hwnd()) {
        return reinterpret_cast<LRESULT>(status_.Colours(reinterpret_cast<HDC>(wp)));
      }
      break;
    case WM_ACTIVATE:
      // The host, or the user, may have changed the folder while the window was elsewhere.
      if (LOWORD(wp) != WA_INACTIVE) RefreshCompensationStatus();
      break;
    case WM_CLOSE:
      // The close box unloads the window at once, without asking; not while a command runs.
      if (!app_ || !app_->commandRunning) DestroyWindow(hwnd());
      return 0;
    case WM_DESTROY:
      if (about_.hwnd()) {
        about_.onClosed = nullptr;  // the window it would show again is going
        DestroyWindow(about_.hwnd());
      }
      if (onUnloaded) onUnloaded();
      return 0;
    default:
      break;
  }
  return PaintedWindow::HandleMessage(msg, wp, lp);
}

void MainWindow::Paint(HDC dc, const RECT& client) {
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  DrawBitmapAt(dc, art_.background(), 0, 0);
}

}  // namespace frixa::win
