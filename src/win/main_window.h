// The main window Main: the tool band of six picture buttons, the status log, the RPM panel, the
// two loss graphs and the menu bar, laid out from main_layout.h. Buttons and menu items run the
// same handlers; the big commands (Create, Apply, Remove, the browser) are hooks set by whoever
// builds the window, the shell's own small commands (manual, quit, about) live here.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "analysis/calibration_check.h"
#include "app/main_layout.h"
#include "common/app.h"
#include "host/compensation_status.h"
#include "recordset/data_controls.h"
#include "win/controls.h"
#include "win/digit_display.h"
#include "win/double_click_settings.h"
#include "win/graph_control.h"
#include "win/ui_resources.h"
#include "win/win32_window.h"

namespace frixa::win {

inline constexpr const char* kMainCaption = " Torvex - Frixa";
inline constexpr const char* kManualFile = "\\Frixa Manual.PDF";
inline constexpr const char* kManualWorkingFolder = "c:\\temp";
inline constexpr std::intptr_t kManualOpened = 42;
inline constexpr const char* kManualFailedText = "Cannot open FRIXA Manual.PDF";
inline constexpr const char* kConfirmQuitText = "Return to Torvex2 ?";
inline constexpr const char* kProcessMessageCaption = "Processed RPM Indication";
inline constexpr const char* kMassRpmCaption = "Mass RPM";
inline constexpr COLORREF kLabelRed = RGB(255, 0, 0);

// Menu items, by the names they are known by.
enum MenuItem : int {
  Mainfileapply = 1001,
  MainFileRemove,
  mainFileCreate,
  MainFileClose,
  MainHelpManual,
  MainHelpAbout,
  MainToolsAnalysis,
  MainToolsExportGraphs,
  MainToolsReport,
};

// The control id of a main window control (buttons send it with BN_CLICKED).
inline int ControlId(MainControl c) { return 100 + static_cast<int>(c); }

// The commands that live elsewhere. An empty create, apply or remove hook runs the command
// itself on the window's own record sets; an empty openBrowser leaves the user where he is.
struct MainCommands {
  std::function<void()> create;       // Go, File > Process
  std::function<void()> apply;        // ApplyDC, File > Apply
  std::function<void()> remove;       // Delete005, File > Remove
  // ShowFRIXA: the main window is hidden first; the browser shows it again when it closes.
  std::function<void()> openBrowser;
  // Tools > Analysis, Export Graphs and Calibration Report; empty ones do nothing.
  std::function<void()> analysis;
  std::function<void()> exportGraphs;
  std::function<void()> calibrationReport;
};

// ShellExecuteA's arguments and result.
using ShellExecuteFunction = std::function<std::intptr_t(
    HWND owner, const char* verb, const char* file, const char* parameters, const char* folder,
    int show)>;

// Help > About: the program's picture and version; OK or the close box returns to Main.
class AboutBox : public CustomWindow {
 public:
  AboutBox(const UiFonts& fonts, const Artwork& art) : fonts_(fonts), art_(art) {}
  bool Create(const std::string& versionText, int dpi);
  std::function<void()> onClosed;

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  const UiFonts& fonts_;
  const Artwork& art_;
  PictureBox back_, logo_;
  Label description_, version_;
  SystemControl ok_;
};

class MainWindow : public PaintedWindow {
 public:
  MainWindow(const UiFonts& fonts, const Artwork& art, DoubleClickSettings& doubleClick);

  // Creates the window and its controls, hidden and centred on the screen. Start-up runs next.
  bool Create(App& app, MainCommands commands);
  void Show();

  // The shell's own commands.
  void ShowManual();
  void ConfirmQuit();
  void ShowAbout();
  void OpenBrowser();
  // Shows whether the host compensates for the losses and with which calibration; after
  // Apply, Remove and Create, and whenever the window is activated.
  void RefreshCompensationStatus();
  const CompensationStatus& compensationStatus() const { return compensation_; }
  CompensationStatusCache& compensationCache() { return compensationCache_; }
  // Shows the check of a calibration file under the compensation status: after Create of the
  // file it made, after Apply of the file chosen.
  void ShowCalibrationCheck(const CalibrationCheck& check);
  const CalibrationCheck& calibrationCheck() const { return check_; }

  // The controls the front end writes to.
  StatusLog& status() { return status_; }
  Label& processMessage() { return processMessage_; }
  DigitDisplay& rpmDisplay() { return rpm_; }
  PictureBox& rpmPanel() { return processedRpm_; }
  GraphControl& graph(Graph g) { return g == Graph::Power ? kwGraph_ : nmGraph_; }
  // RD, PD, LD, ID and LossCal: the record sets Create and Apply bind.
  DataControls& dataControls() { return dc_; }
  PictureButton& goButton() { return go_; }
  // Any control's window, found by its name.
  HWND Control(MainControl c) const;
  // The window itself or one of its controls.
  bool Owns(HWND window) const { return window && (window == hwnd() || IsChild(hwnd(), window)); }
  // Drops the mouse and keyboard input waiting for the window and its controls.
  void DiscardInput() const;
  HWND tooltips() const { return tips_.hwnd(); }
  HWND aboutBox() const { return about_.hwnd(); }

  // Opens documents; ShellExecuteA unless replaced.
  ShellExecuteFunction shellExecute;
  // Raised when the window has been unloaded (Quit answered Yes, or the close box).
  std::function<void()> onUnloaded;

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void Paint(HDC dc, const RECT& client) override;
  void ReportUncaught() override;

 private:
  void CreateControls();
  void CreateMenus();
  void Dispatch(int id);
  void RunCommand(int id);
  static void Run(const std::function<void()>& hook) {
    if (hook) hook();
  }

  const UiFonts& fonts_;
  const Artwork& art_;
  GraphFocusMetrics focusMetrics_;
  App* app_ = nullptr;
  MainCommands commands_;
  DataControls dc_;
  MainLayout layout_{};
  int dpi_ = 96;

  PictureBox processedRpm_, picture3_, image1_, picture2_, picture1_;
  DigitDisplay rpm_;
  Label processMessage_, label3_, compensationLabel_, checkLabel_;
  CompensationStatusCache compensationCache_;
  CompensationStatus compensation_;
  CalibrationCheck check_;
  GraphControl nmGraph_, kwGraph_;
  StatusLog status_;
  PictureButton showFrixa_, applyDc_, helpDisp_, delete005_, go_, quit_;
  ToolTips tips_;
  AboutBox about_;
};

}  // namespace frixa::win
