// Room common/, the lowest: includes no other room of src/ (docs/architecture.md).
// Frontend: the one narrow interface through which every command shows or asks anything.
// The Windows program implements it with its windows and controls, frixa-cli on the console,
// and the tests with a recording script (queued answers in, every call recorded).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace frixa {

// The program's title: message boxes without a title of their own show it.
inline constexpr const char* kApplicationTitle = "Frixa";

enum class MessageIcon { None, Critical, Question, Exclamation, Information };
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

// Common-dialog flags of FileDialogSettings::flags (the values of the Windows file dialog).
inline constexpr unsigned kDialogOverwritePrompt = 2;  // asks before replacing a file
inline constexpr unsigned kDialogHideReadOnly = 4;     // no read-only check box
inline constexpr unsigned kDialogNoChangeDir = 8;      // the current folder stays as it was
inline constexpr unsigned kDialogCreatePrompt = 8192;  // asks before taking a file that does not exist

// The file dialog as a command prepares it before showing it (in the save form).
struct FileDialogSettings {
  std::string filter;     // "Description (*.ext)|*.ext|"
  std::string fileName;   // initial file name ("" for none)
  std::string initDir;    // starting folder
  unsigned flags = 0;     // common-dialog flags, the sum of those below
  std::string title;
};

// The two loss graphs of the main window.
enum class Graph { Power, Torque };  // KWGraph, NMGraph

// One point of a line drawn over a graph: x the RPM, y the graph's quantity.
struct GraphPoint {
  double x = 0;
  double y = 0;
};

class Frontend {
 public:
  virtual ~Frontend() = default;

  // Status log.
  virtual void ClearStatus() = 0;
  virtual void AppendStatusLine(std::string_view text) = 0;  // the text, then CR LF
  virtual void StatusCaretToEnd() = 0;
  virtual void RepaintStatus() = 0;

  // A modal message box; returns the button pressed.
  virtual MessageAnswer ShowMessage(std::string_view text, std::string_view title,
                                    MessageIcon icon, MessageButtons buttons) = 0;

  // The save-form file dialog; returns the chosen full path, "" when cancelled.
  virtual std::string AskFileName(const FileDialogSettings& settings) = 0;

  // The caption of the ProcessMessage label.
  virtual void SetProcessCaption(std::string_view caption) = 0;
  // The RPM digit display (CurrentRPMDisp) and a repaint of the picture box around it.
  virtual void ShowRpm(std::string_view digits) = 0;
  virtual void RefreshRpm() = 0;

  // Graph calls, in the order the preview makes them: start afresh (member 59), set up
  // (white background, members 13 and 14 set to 1, member 57, member 5 set to 10), add a
  // point to element 0 (member 60), finish (member 54).
  virtual void GraphStartAfresh(Graph graph) = 0;
  virtual void GraphSetUp(Graph graph) = 0;
  virtual void GraphAddPoint(Graph graph, double x, double y) = 0;
  virtual void GraphFinish(Graph graph) = 0;
  // A point of one of the first revolutions of a run, while the calculator's window still holds
  // copies of the first period (their losses ramp up from nothing): drawn in a lighter shade.
  // A front end that does not tell the two kinds apart plots it as any other point.
  virtual void GraphAddStartPoint(Graph graph, double x, double y) { GraphAddPoint(graph, x, y); }
  // The run's fitted friction model, drawn over the points as a line (points in increasing x).
  // Sent after the last point and before GraphFinish; an empty line clears it. A front end that
  // draws no line ignores it.
  virtual void GraphSetFitLine(Graph graph, const std::vector<GraphPoint>& line) {
    (void)graph;
    (void)line;
  }

  // The Go (Create) button's Enabled state.
  virtual void SetCreateEnabled(bool enabled) = 0;

  // Let the event loop run once.
  virtual void DoEvents() = 0;
  // Repaint the main window at once.
  virtual void RepaintMain() = 0;
};

}  // namespace frixa
