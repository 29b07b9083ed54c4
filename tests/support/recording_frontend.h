// A scripted Frontend for tests: answers come from queues, every call is recorded in order.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "common/frontend.h"

namespace frixa::testing {

struct RecordedMessage {
  std::string text;
  std::string title;
  MessageIcon icon;
  MessageButtons buttons;
};

struct RecordedPoint {
  Graph graph;
  double x;
  double y;
  bool start = false;  // sent as a start point (one of the revolutions before the window settled)
};

struct RecordedLine {
  Graph graph;
  std::vector<GraphPoint> points;
};

class RecordingFrontend : public Frontend {
 public:
  // Answers, consumed in order; an empty queue answers Ok/Yes and "" (cancel) respectively.
  std::deque<MessageAnswer> messageAnswers;
  std::deque<std::string> fileNameAnswers;

  // What the commands did.
  std::vector<std::string> calls;        // every call, as a short text ("ClearStatus", ...)
  std::string status;                    // the status log text, lines joined with CR LF
  std::vector<RecordedMessage> messages;
  std::vector<FileDialogSettings> dialogs;
  std::vector<RecordedPoint> points;
  std::vector<RecordedLine> fitLines;
  std::vector<std::string> rpmShown;
  std::string processCaption;
  bool createEnabled = true;
  bool keepRpmHistory = true;
  // Called with each call's text just after it is recorded: a test makes a chosen call fail
  // by throwing from here.
  std::function<void(const std::string& call)> onCall;

  // The status log split into lines (the final CR LF ends the last line).
  std::vector<std::string> StatusLines() const;

  void ClearStatus() override;
  void AppendStatusLine(std::string_view text) override;
  void StatusCaretToEnd() override;
  void RepaintStatus() override;
  MessageAnswer ShowMessage(std::string_view text, std::string_view title, MessageIcon icon,
                            MessageButtons buttons) override;
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

 private:
  void Record(std::string call);
};

}  // namespace frixa::testing
