// What the windows share and create once: the fonts and the pictures. The program owns one of
// each; controls only borrow their handles.
#pragma once

#include <windows.h>

#include "win/win32_window.h"

namespace frixa::win {

// The window font MS Sans Serif 8.25 point, regular and bold, and the 12 point bold heading,
// sized for the screen's DPI. (The graphs draw their own Arial: gdi_plot_canvas.h.)
class UiFonts {
 public:
  explicit UiFonts(int dpi);
  UiFonts(const UiFonts&) = delete;
  UiFonts& operator=(const UiFonts&) = delete;

  HFONT regular() const { return regular_.get(); }
  HFONT bold() const { return bold_.get(); }
  HFONT heading() const { return heading_.get(); }

  // Character height for a size in hundredths of a point: 825 is 8.25 point.
  static int HeightFor(int centiPoints, int dpi);

 private:
  Font regular_, bold_, heading_;
};

// The pictures compiled into the program. Button pictures have their magenta key replaced by
// the button face colour, so they sit on the button without a box.
class Artwork {
 public:
  explicit Artwork(HINSTANCE instance);
  Artwork(const Artwork&) = delete;
  Artwork& operator=(const Artwork&) = delete;
  ~Artwork();

  HBITMAP background() const { return background_.get(); }  // 800 x 600
  HBITMAP logo() const { return logo_.get(); }              // 104 x 28
  HBITMAP quit() const { return quit_.get(); }
  HBITMAP showFrixa() const { return showFrixa_.get(); }
  HBITMAP go() const { return go_.get(); }
  HBITMAP apply() const { return apply_.get(); }
  HBITMAP delete005() const { return delete005_.get(); }
  HICON help() const { return help_; }
  HICON icon() const { return icon_; }          // 32 x 32
  HICON smallIcon() const { return smallIcon_; }  // the same, 16 x 16

 private:
  Bitmap background_, logo_, quit_, showFrixa_, go_, apply_, delete005_;
  HICON help_ = nullptr;
  HICON icon_ = nullptr;
  HICON smallIcon_ = nullptr;
};

// Draws `bitmap` with its top-left corner at (x, y), clipped to its own size.
void DrawBitmapAt(HDC dc, HBITMAP bitmap, int x, int y);

}  // namespace frixa::win
