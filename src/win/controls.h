// The main window's kinds of control, one small class each: a picture box that draws the
// background picture, a transparent label, a picture button, the status log and the tooltips.
// Each owns its window and the GDI objects it makes; fonts and pictures are borrowed.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "app/main_layout.h"
#include "win/win32_window.h"

namespace frixa::win {

// A container that shows a picture from its top-left corner, clipped to its size, on the button
// face colour, with optional straight lines on top. Passes its children's notifications up.
class PictureBox : public PaintedWindow {
 public:
  bool Create(HWND parent, const PixelRect& r, HBITMAP picture, int id = 0);
  void AddLine(PixelPoint from, PixelPoint to);

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void Paint(HDC dc, const RECT& client) override;

 private:
  HBITMAP picture_ = nullptr;
  std::vector<std::pair<PixelPoint, PixelPoint>> lines_;
};

// Text on a transparent background: whatever its container draws shows through.
class Label : public PaintedWindow {
 public:
  enum class Align { Left, Centre };
  bool Create(HWND parent, const PixelRect& r, std::string_view caption, HFONT font,
              COLORREF colour, Align align, int id = 0);
  void SetCaption(std::string_view caption);
  void SetColour(COLORREF colour);
  // Lines that do not fit are broken at blanks; a label with room for one line only shows its
  // text in the middle of its height.
  void SetVerticalCentre(bool centre) { verticalCentre_ = centre; }

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void Paint(HDC dc, const RECT& client) override;

 private:
  bool verticalCentre_ = false;
  HFONT font_ = nullptr;
  COLORREF colour_ = 0;
  Align align_ = Align::Left;
};

// A push button that shows a picture (bitmap or icon) and no caption.
class PictureButton : public SystemControl {
 public:
  bool Create(HWND parent, const PixelRect& r, int id, HBITMAP bitmap);
  bool Create(HWND parent, const PixelRect& r, int id, HICON icon);
  void SetEnabled(bool enabled) { EnableWindow(hwnd(), enabled); }

 private:
  bool CreateWithImage(HWND parent, const PixelRect& r, int id, DWORD imageStyle,
                       WPARAM imageType, HANDLE image);
};

// The status log: multi-line, read-only, vertical scroll bar, light grey.
class StatusLog : public SystemControl {
 public:
  static constexpr COLORREF kBackground = RGB(0xE0, 0xE0, 0xE0);

  bool Create(HWND parent, const PixelRect& r, int id, HFONT font);
  void Clear();
  void AppendLine(std::string_view text);  // the text, then CR LF
  void CaretToEnd();
  // The colours for WM_CTLCOLORSTATIC (a read-only edit asks with it).
  HBRUSH Colours(HDC dc) const;

 private:
  Brush background_;
};

// The tooltips of the tool band.
class ToolTips : public SystemControl {
 public:
  bool Create(HWND owner);
  void Add(HWND tool, const char* text);
};

}  // namespace frixa::win
