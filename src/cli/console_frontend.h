// ConsoleFrontend: the Frontend of frixa-cli. Status lines go to stdout as the main window
// would show them, message boxes to stderr as "TITLE: TEXT", answers come from flags.
#pragma once

#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "common/frontend.h"

namespace frixa::cli {

struct PlottedPoint {
  Graph graph;
  double x;
  double y;
};

class ConsoleFrontend : public Frontend {
 public:
  // Answer given to Yes/No questions.
  MessageAnswer yesNoAnswer = MessageAnswer::No;
  // File names given to the dialogs in order; when none is left the dialog is cancelled.
  std::deque<std::string> fileNames;
  // Points plotted on the graphs, kept only when asked (for --points-csv).
  bool keepPoints = false;
  std::vector<PlottedPoint> points;
  bool createEnabled = true;
  int messagesShown = 0;
  // While set, status lines are not printed (a command's own log follows on its own).
  bool quiet = false;

  void ClearStatus() override;
  void AppendStatusLine(std::string_view text) override;
  void StatusCaretToEnd() override {}
  void RepaintStatus() override { std::fflush(stdout); }
  MessageAnswer ShowMessage(std::string_view text, std::string_view title, MessageIcon icon,
                            MessageButtons buttons) override;
  std::string AskFileName(const FileDialogSettings& settings) override;
  void SetProcessCaption(std::string_view) override {}
  void ShowRpm(std::string_view) override {}
  void RefreshRpm() override {}
  void GraphStartAfresh(Graph) override {}
  void GraphSetUp(Graph) override {}
  void GraphAddPoint(Graph graph, double x, double y) override;
  void GraphFinish(Graph) override {}
  void SetCreateEnabled(bool enabled) override { createEnabled = enabled; }
  void DoEvents() override {}
  void RepaintMain() override { std::fflush(stdout); }
};

}  // namespace frixa::cli
