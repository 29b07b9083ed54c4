// Window tests: serving the thread's queued messages, and a window's text.
#pragma once

#include <windows.h>

#include <string>

namespace frixa::testing {

// Dispatches every message waiting for this thread's windows.
inline void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

// The text of a window or control, as WM_GETTEXT gives it (at most 4095 characters).
inline std::string Text(HWND hwnd) {
  char buffer[4096] = {};
  SendMessageA(hwnd, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
  return buffer;
}

}  // namespace frixa::testing
