// frixa.exe: builds the main window, runs start-up on it and, unless start-up ends the program,
// shows the window and runs the message loop until the window is unloaded.
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analysis/combine.h"
#include "analysis/report.h"
#include "app/command_line.h"
#include "app/startup.h"
#include "common/app.h"
#include "platform/registry.h"
#include "platform/short_date.h"
#include "win/analysis_window.h"
#include "win/browser_window.h"
#include "win/double_click_settings.h"
#include "win/main_window.h"
#include "win/single_instance.h"
#include "win/ui_resources.h"
#include "win/win32_frontend.h"

namespace {

// The executable's full path.
std::string ModulePath() {
  char path[MAX_PATH * 2] = {};
  const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  return std::string(path, n < sizeof path ? n : 0);
}

// The folder that holds the executable, without a trailing backslash.
std::string ProgramFolder() {
  std::string folder = ModulePath();
  const auto slash = folder.find_last_of("\\/");
  folder.resize(slash == std::string::npos ? 0 : slash);
  return folder;
}

// The user's decimal and digit-grouping separators.
frixa::NumberLocale UserNumberLocale() {
  frixa::NumberLocale locale;
  char text[8] = {};
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, text, sizeof text) > 1) {
    locale.decimalSeparator = text[0];
  }
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, text, sizeof text) > 1) {
    locale.groupSeparator = text[0];
  }
  return locale;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  using namespace frixa;
  using namespace frixa::win;

  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);

  const SingleInstance single;
  const std::string commandLine(ArgumentText(GetCommandLineA(), ModulePath()));

  const UiFonts fonts(ScreenDpi());
  const Artwork art(instance);
  MainWindow main(fonts, art, WindowsDoubleClickSettings());
  Win32Frontend frontend(main);
  App app(frontend, ProgramFolder());
  // Create, Apply and Remove are the window's own; the browser is loaded afresh each time.
  const NumberLocale locale = UserNumberLocale();
  std::unique_ptr<BrowserWindow> browser;
  MainCommands commands;
  // The analysis window: one at a time, opened from Tools > Analysis or by a double click on
  // a file in the browser (which adds the file to an open one).
  std::unique_ptr<AnalysisWindow> analysis;
  AnalysisActions analysisActions;
  analysisActions.combine = [&app](const std::vector<std::string>& files, const std::string& to) {
    CombineCalibrationFiles(app.ui, files, to,
                            app.todayShortDate ? app.todayShortDate() : TodayShortDateText());
  };
  analysisActions.report = [](const std::string& file, const std::string& programFolder,
                              const std::string& pdf) {
    const std::optional<std::vector<LossCurveRow>> host = ReadHostCurve(programFolder);
    WriteCalibrationReport(ReadAnalysedFile(file), host ? &*host : nullptr, pdf);
  };
  const auto openAnalysis = [&](const std::vector<std::string>& files) {
    if (analysis && analysis->hwnd()) {
      analysis->AddFiles(files);
      SetForegroundWindow(analysis->hwnd());
      return;
    }
    analysis = std::make_unique<AnalysisWindow>(fonts, art, app);
    analysis->actions = analysisActions;
    analysis->Create(files);
  };
  commands.analysis = [&] { openAnalysis({}); };
  commands.exportGraphs = [&] {
    if (!analysis || !analysis->hwnd()) openAnalysis({});
    analysis->ExportGraphs();
  };
  commands.calibrationReport = [&] {
    RunCalibrationReport(app, PlatformAnalysisDialogs([&main] { return main.hwnd(); }, app.ui),
                         analysisActions);
  };
  commands.openBrowser = [&] {
    browser = std::make_unique<BrowserWindow>(fonts, art);
    browser->onClosed = [&main] { main.Show(); };
    browser->onAnalyse = [&](const std::string& path) { openAnalysis({path}); };
    browser->compensation = &main.compensationCache();
    if (!browser->Create(app.AppPath, locale.decimalSeparator)) main.Show();
  };
  if (!main.Create(app, std::move(commands))) return 1;
  main.onUnloaded = [] { PostQuitMessage(0); };

  const std::unique_ptr<RegistryApi> registry = MakeWindowsRegistry();
  if (RunStartup(app, commandLine, locale, *registry, single.AnotherIsRunning()) ==
      StartupOutcome::Ended) {
    return 0;
  }
  main.Show();

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    try {
      // Enter and Escape close the about box, Tab moves within it.
      HWND about = main.aboutBox();
      if (about && IsDialogMessageA(about, &msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    } catch (...) {
      ShowUncaughtError(main.hwnd());  // reported; the program goes on
    }
  }
  return static_cast<int>(msg.wParam);
}
