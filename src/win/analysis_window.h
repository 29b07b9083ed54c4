// The analysis window "Frixa Analysis": calibration files of one rig side by side. The graph
// shows their torque (or power) losses with their fitted models, the spread between them and
// the host's curve; the list shows each file's information record, its model and how far its
// curve lies from the reference (the first file, or the host's curve when chosen). Files are
// added and removed, combined into one, smoothed; the graph is saved as a PNG picture and the
// files as a PDF report. The one window that may be resized: the layout follows its size.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "analysis/analysis_view.h"
#include "analysis/plot.h"
#include "analysis/png_writer.h"
#include "win/controls.h"
#include "win/ui_resources.h"
#include "win/win32_window.h"
#include "common/app.h"
#include "app/analysis_layout.h"

namespace frixa::win {

inline int AnalysisControlId(AnalysisControl c) { return 300 + static_cast<int>(c); }

// The dialogs and messages the window asks for; the platform's unless replaced (tests).
struct AnalysisDialogs {
  // The open dialog for calibration files, several at once; empty when cancelled.
  std::function<std::vector<std::string>(const std::string& initDir)> openFiles;
  // The save dialog; "" when cancelled.
  std::function<std::string(const FileDialogSettings& settings)> saveFile;
  // A message box with an OK button.
  std::function<void(const std::string& text, const std::string& title, MessageIcon icon)> message;
};

// What the window does with files through the analysis core; empty hooks leave the buttons
// with a message that the function is not available.
struct AnalysisActions {
  // Combines `files` into `target`; throws (its what() shown) when it refuses.
  std::function<void(const std::vector<std::string>& files, const std::string& target)> combine;
  // Writes the PDF report of the calibration file `file` (compared with the curve of
  // `programFolder`'s Torvex2.005 when there is one) to `pdf`.
  std::function<void(const std::string& file, const std::string& programFolder,
                     const std::string& pdf)>
      report;
};

// The platform's dialogs: GetOpenFileNameA with multiple selection and MessageBoxA, owned by
// `owner`; the save dialog of the front end `ui`.
AnalysisDialogs PlatformAnalysisDialogs(std::function<HWND()> owner, Frontend& ui);

// The graph: the plot drawn into a memory bitmap, blitted.
class AnalysisGraph : public PaintedWindow {
 public:
  bool Create(HWND parent, const PixelRect& r, int id);
  void SetPlot(PlotDescription plot);
  const PlotDescription& plot() const { return plot_; }
  // The picture as shown, at the control's size.
  RgbImage Picture();

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void Paint(HDC dc, const RECT& client) override;

 private:
  void Render(HDC like);
  PlotDescription plot_;
  Bitmap buffer_;
  int bufferW_ = 0, bufferH_ = 0;
  bool dirty_ = true;
};

// Tools > Calibration Report: a calibration file chosen in the open dialog (the first, when
// several are), then the PDF's name in the save dialog, then the report. Nothing when either
// dialog is cancelled.
void RunCalibrationReport(App& app, const AnalysisDialogs& dialogs, const AnalysisActions& actions);

class AnalysisWindow : public PaintedWindow {
 public:
  AnalysisWindow(const UiFonts& fonts, const Artwork& art, App& app)
      : fonts_(fonts), art_(art), app_(app) {}

  // Opens the window, reads the host's curve from the program folder and the given files.
  bool Create(const std::vector<std::string>& files = {});

  AnalysisDialogs dialogs;  // the platform's unless set before Create
  AnalysisActions actions;
  std::function<void()> onClosed;

  // The user's commands.
  void Add();
  void AddFiles(const std::vector<std::string>& paths);
  void Remove();
  void Reference();
  void Combine();
  void Smooth();
  void SavePicture();
  void Report();
  void SetPower(bool power);
  // Tools > Export Graphs: the torque and the power graph at the size shown, as PNG files: the
  // name chosen, and the same name with " Power" before its extension.
  void ExportGraphs();
  // The selected list row, -1 for none; selecting one.
  int Selected() const;
  void Select(int row);

  const AnalysisState& state() const { return state_; }
  HWND Control(AnalysisControl c) const;
  AnalysisGraph& graph() { return graph_; }

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void Paint(HDC dc, const RECT& client) override;

 private:
  void CreateControls();
  void Place();
  void Refresh();
  void FillList();
  std::string CalFolder() const;
  std::string AskSave(const std::string& filter, const std::string& fileName,
                      const std::string& title);
  void Tell(const std::string& text, const std::string& title, MessageIcon icon);
  std::vector<std::string> Paths() const;

  const UiFonts& fonts_;
  const Artwork& art_;
  App& app_;
  int dpi_ = 96;
  AnalysisState state_;
  std::array<SystemControl, 10> buttons_;  // Add .. Close, Torque, Power
  Label referenceLine_;
  AnalysisGraph graph_;
  ReportList list_;
};

}  // namespace frixa::win
