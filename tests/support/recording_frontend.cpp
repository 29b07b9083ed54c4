// The scripted test front end: see recording_frontend.h.
#include "support/recording_frontend.h"

#include <utility>

namespace frixa::testing {
namespace {
const char* GraphName(Graph g) { return g == Graph::Power ? "KWGraph" : "NMGraph"; }
}  // namespace

void RecordingFrontend::Record(std::string call) {
  calls.push_back(std::move(call));
  if (onCall) onCall(calls.back());
}

std::vector<std::string> RecordingFrontend::StatusLines() const {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < status.size()) {
    const auto end = status.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(status.substr(start));
      break;
    }
    lines.push_back(status.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

void RecordingFrontend::ClearStatus() {
  status.clear();
  Record("ClearStatus");
}
void RecordingFrontend::AppendStatusLine(std::string_view text) {
  status.append(text);
  status += "\r\n";
  Record("AppendStatusLine:" + std::string(text));
}
void RecordingFrontend::StatusCaretToEnd() { Record("StatusCaretToEnd"); }
void RecordingFrontend::RepaintStatus() { Record("RepaintStatus"); }

MessageAnswer RecordingFrontend::ShowMessage(std::string_view text, std::string_view title,
                                             MessageIcon icon, MessageButtons buttons) {
  messages.push_back({std::string(text), std::string(title), icon, buttons});
  Record("ShowMessage:" + std::string(title) + ":" + std::string(text));
  if (!messageAnswers.empty()) {
    const auto a = messageAnswers.front();
    messageAnswers.pop_front();
    return a;
  }
  return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
}

std::string RecordingFrontend::AskFileName(const FileDialogSettings& settings) {
  dialogs.push_back(settings);
  Record("AskFileName:" + settings.title);
  if (fileNameAnswers.empty()) return "";
  auto name = fileNameAnswers.front();
  fileNameAnswers.pop_front();
  return name;
}

void RecordingFrontend::SetProcessCaption(std::string_view caption) {
  processCaption = caption;
  Record("SetProcessCaption:" + std::string(caption));
}
void RecordingFrontend::ShowRpm(std::string_view digits) {
  if (keepRpmHistory) rpmShown.emplace_back(digits);
}
void RecordingFrontend::RefreshRpm() {}
void RecordingFrontend::GraphStartAfresh(Graph graph) {
  Record(std::string("GraphStartAfresh:") + GraphName(graph));
}
void RecordingFrontend::GraphSetUp(Graph graph) {
  Record(std::string("GraphSetUp:") + GraphName(graph));
}
void RecordingFrontend::GraphAddPoint(Graph graph, double x, double y) {
  points.push_back({graph, x, y});
}
void RecordingFrontend::GraphAddStartPoint(Graph graph, double x, double y) {
  points.push_back({graph, x, y, true});
}
void RecordingFrontend::GraphSetFitLine(Graph graph, const std::vector<GraphPoint>& line) {
  calls.push_back(std::string("GraphSetFitLine:") + GraphName(graph));
  fitLines.push_back({graph, line});
}
void RecordingFrontend::GraphFinish(Graph graph) {
  Record(std::string("GraphFinish:") + GraphName(graph));
}
void RecordingFrontend::SetCreateEnabled(bool enabled) {
  createEnabled = enabled;
  Record(enabled ? "SetCreateEnabled:1" : "SetCreateEnabled:0");
}
void RecordingFrontend::DoEvents() { Record("DoEvents"); }
void RecordingFrontend::RepaintMain() { Record("RepaintMain"); }

}  // namespace frixa::testing
