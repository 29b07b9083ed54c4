// Window tests: serving the thread's queued messages, a window's text and its pixels.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

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

// The client area's pixels, row by row: as WM_PRINTCLIENT draws them into memory (`printed`),
// or as the screen shows them.
inline std::vector<COLORREF> ClientPixels(HWND hwnd, bool printed) {
  RECT r;
  GetClientRect(hwnd, &r);
  HDC screen = GetDC(hwnd);
  HDC mem = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, r.right, r.bottom);
  HGDIOBJ old = SelectObject(mem, bitmap);
  if (printed) {
    SendMessageA(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(mem), PRF_CLIENT);
  } else {
    BitBlt(mem, 0, 0, r.right, r.bottom, screen, 0, 0, SRCCOPY);
  }
  std::vector<COLORREF> pixels;
  for (int y = 0; y < r.bottom; ++y) {
    for (int x = 0; x < r.right; ++x) pixels.push_back(GetPixel(mem, x, y));
  }
  SelectObject(mem, old);
  DeleteObject(bitmap);
  DeleteDC(mem);
  ReleaseDC(hwnd, screen);
  return pixels;
}

}  // namespace frixa::testing
