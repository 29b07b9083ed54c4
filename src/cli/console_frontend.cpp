// The console front end: see console_frontend.h.
#include "cli/console_frontend.h"

namespace frixa::cli {

void ConsoleFrontend::ClearStatus() {
  // A console cannot take lines back; each command's log simply follows the previous one.
}

void ConsoleFrontend::AppendStatusLine(std::string_view text) {
  if (quiet) return;
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fputc('\n', stdout);
}

MessageAnswer ConsoleFrontend::ShowMessage(std::string_view text, std::string_view title,
                                           MessageIcon, MessageButtons buttons) {
  ++messagesShown;
  std::fflush(stdout);
  std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(title.size()), title.data(),
               static_cast<int>(text.size()), text.data());
  std::fflush(stderr);
  return buttons == MessageButtons::YesNo ? yesNoAnswer : MessageAnswer::Ok;
}

std::string ConsoleFrontend::AskFileName(const FileDialogSettings&) {
  if (fileNames.empty()) return "";
  auto name = fileNames.front();
  fileNames.pop_front();
  return name;
}

void ConsoleFrontend::GraphAddPoint(Graph graph, double x, double y) {
  if (keepPoints) points.push_back({graph, x, y});
}

}  // namespace frixa::cli
