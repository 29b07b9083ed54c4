// CurrentRPMDisp: a row of seven-segment digit places showing the RPM during processing. The
// text is the window's own (WM_SETTEXT / WM_GETTEXT), right-aligned in its places; places it
// does not fill show unlit segments.
#pragma once

#include <windows.h>

#include <string_view>

#include "win/win32_window.h"

namespace frixa::win {

class DigitDisplay : public PaintedWindow {
 public:
  bool Create(HWND parent, int x, int y, int w, int h, int places, COLORREF digitColour,
              std::string_view initial, int id = 0);
  void Show(std::string_view digits);

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void Paint(HDC dc, const RECT& client) override;

 private:
  void Rebuild(HDC like, int w, int h);
  int places_ = 5;
  COLORREF colour_ = 0;
  Bitmap buffer_;
  bool dirty_ = true;
};

// Draws `text` in `places` seven-segment places into `r`: the back buffer's painter, exposed so
// that a test can render it into memory.
void DrawDigits(HDC dc, const RECT& r, std::string_view text, int places, COLORREF colour);

}  // namespace frixa::win
