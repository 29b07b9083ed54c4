// The Win32 front end: see win32_frontend.h.
#include "win/win32_frontend.h"

#include <commdlg.h>

#include <string>
#include <vector>

#include "app/dialog_filter.h"
#include "win/main_window.h"

namespace frixa::win {

// The commands' dialog flags go to the common dialog as they are.
static_assert(kDialogHideReadOnly == OFN_HIDEREADONLY && kDialogNoChangeDir == OFN_NOCHANGEDIR &&
              kDialogCreatePrompt == OFN_CREATEPROMPT);

UINT MessageBoxStyle(MessageIcon icon, MessageButtons buttons) {
  UINT style = buttons == MessageButtons::YesNo ? MB_YESNO : MB_OK;
  switch (icon) {
    case MessageIcon::Critical: style |= MB_ICONHAND; break;
    case MessageIcon::Question: style |= MB_ICONQUESTION; break;
    case MessageIcon::Exclamation: style |= MB_ICONEXCLAMATION; break;
    case MessageIcon::Information: style |= MB_ICONASTERISK; break;
    case MessageIcon::None: break;
  }
  return style;
}

HWND Win32Frontend::DialogOwner() const {
  HWND main = main_.hwnd();
  return main && IsWindowVisible(main) ? main : nullptr;
}

void Win32Frontend::ClearStatus() { main_.status().Clear(); }
void Win32Frontend::AppendStatusLine(std::string_view text) { main_.status().AppendLine(text); }
void Win32Frontend::StatusCaretToEnd() { main_.status().CaretToEnd(); }
void Win32Frontend::RepaintStatus() {
  RedrawWindow(main_.status().hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

MessageAnswer Win32Frontend::ShowMessage(std::string_view text, std::string_view title,
                                         MessageIcon icon, MessageButtons buttons) {
  const int answer = MessageBoxA(DialogOwner(), std::string(text).c_str(),
                                 std::string(title).c_str(), MessageBoxStyle(icon, buttons));
  switch (answer) {
    case IDYES: return MessageAnswer::Yes;
    case IDNO: return MessageAnswer::No;
    default: return MessageAnswer::Ok;
  }
}

std::string Win32Frontend::AskFileName(const FileDialogSettings& settings) {
  const std::string filter = DialogFilterForPlatform(settings.filter);
  std::vector<char> file(MAX_PATH * 4, '\0');
  settings.fileName.copy(file.data(), file.size() - 1);
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = DialogOwner();
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrInitialDir = settings.initDir.empty() ? nullptr : settings.initDir.c_str();
  ofn.lpstrTitle = settings.title.empty() ? nullptr : settings.title.c_str();
  ofn.Flags = settings.flags;
  if (!GetSaveFileNameA(&ofn)) return "";
  return file.data();
}

void Win32Frontend::SetProcessCaption(std::string_view caption) {
  main_.processMessage().SetCaption(caption);
}
void Win32Frontend::ShowRpm(std::string_view digits) { main_.rpmDisplay().Show(digits); }
void Win32Frontend::RefreshRpm() {
  // Called after every revolution stored. The eye cannot follow more than a few dozen
  // changes a second, and painting the panel each time costs more than the processing (much
  // more on slow displays), so it is painted at most every 20 ms; in between the digits are
  // only marked for painting, and the last value shows at the next paint in any case.
  const DWORD now = GetTickCount();
  if (lastRpmPaint_ != 0 && now - lastRpmPaint_ < 20) {
    InvalidateRect(main_.rpmDisplay().hwnd(), nullptr, FALSE);
    return;
  }
  lastRpmPaint_ = now;
  RedrawWindow(main_.rpmPanel().hwnd(), nullptr, nullptr,
               RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void Win32Frontend::GraphStartAfresh(Graph graph) { main_.graph(graph).StartAfresh(); }
void Win32Frontend::GraphSetUp(Graph graph) { main_.graph(graph).SetUp(); }
void Win32Frontend::GraphAddPoint(Graph graph, double x, double y) {
  main_.graph(graph).AddPoint(x, y);
}
void Win32Frontend::GraphFinish(Graph graph) { main_.graph(graph).Finish(); }
void Win32Frontend::GraphAddStartPoint(Graph graph, double x, double y) {
  main_.graph(graph).AddStartPoint(x, y);
}
void Win32Frontend::GraphSetFitLine(Graph graph, const std::vector<GraphPoint>& line) {
  main_.graph(graph).SetFitLine(line);
}

void Win32Frontend::SetCreateEnabled(bool enabled) { main_.goButton().SetEnabled(enabled); }

void Win32Frontend::DoEvents() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));  // leave it for the main loop
      return;
    }
    // A command is running: clicks and keys meant for the main window go nowhere.
    if (IsInputMessage(msg.message) && main_.Owns(msg.hwnd)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

void Win32Frontend::RepaintMain() {
  RedrawWindow(main_.hwnd(), nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

}  // namespace frixa::win
