// The Frontend of frixa.exe: the commands' status lines, graphs, RPM digits and Create button go
// to the main window's controls; message boxes and the file dialog are the platform's. Tests
// derive from it and replace ShowMessage and AskFileName with scripted answers.
#pragma once

#include <windows.h>

#include "common/frontend.h"

namespace frixa::win {

class MainWindow;

class Win32Frontend : public Frontend {
 public:
  explicit Win32Frontend(MainWindow& main) : main_(main) {}

  void ClearStatus() override;
  void AppendStatusLine(std::string_view text) override;
  void StatusCaretToEnd() override;
  void RepaintStatus() override;

  // MessageBoxA with the icon and buttons asked for, owned by the main window when it shows.
  MessageAnswer ShowMessage(std::string_view text, std::string_view title, MessageIcon icon,
                            MessageButtons buttons) override;
  // GetSaveFileNameA with the settings' filter, file name, folder, flags and title.
  std::string AskFileName(const FileDialogSettings& settings) override;

  void SetProcessCaption(std::string_view caption) override;
  void ShowRpm(std::string_view digits) override;
  void RefreshRpm() override;
  void GraphStartAfresh(Graph graph) override;
  void GraphSetUp(Graph graph) override;
  void GraphAddPoint(Graph graph, double x, double y) override;
  void GraphFinish(Graph graph) override;
  void GraphAddStartPoint(Graph graph, double x, double y) override;
  void GraphSetFitLine(Graph graph, const std::vector<GraphPoint>& line) override;
  void SetCreateEnabled(bool enabled) override;
  void DoEvents() override;
  void RepaintMain() override;

 protected:
  HWND DialogOwner() const;

 private:
  MainWindow& main_;
  DWORD lastRpmPaint_ = 0;  // GetTickCount of the last repaint of the RPM display
};

// MessageBoxA style bits for an icon and a set of buttons.
UINT MessageBoxStyle(MessageIcon icon, MessageButtons buttons);

}  // namespace frixa::win
