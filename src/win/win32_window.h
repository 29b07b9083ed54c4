// Room win/, all Win32 windows: may include any room but cli/; nothing includes win/.
// The small Win32 toolkit the windows are built from: RAII owners for GDI objects and device
// contexts, and the two kinds of window wrapper. A window class of our own binds its C++ object
// at WM_NCCREATE and routes every message to it (a painted one draws in Paint alone); a system
// control (button, edit, tooltip) is simply owned. Both are non-copyable and destroy their
// window with themselves.
#pragma once

#include <windows.h>

#include <string>
#include <utility>

namespace frixa::win {

// Owns one GDI object (font, brush, pen, bitmap) and deletes it.
template <class Handle>
class GdiObject {
 public:
  GdiObject() = default;
  explicit GdiObject(Handle h) : h_(h) {}
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  GdiObject(GdiObject&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
  GdiObject& operator=(GdiObject&& o) noexcept {
    if (this != &o) Reset(std::exchange(o.h_, nullptr));
    return *this;
  }
  ~GdiObject() { Reset(); }

  void Reset(Handle h = nullptr) {
    if (h_) DeleteObject(h_);
    h_ = h;
  }
  Handle get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }

 private:
  Handle h_ = nullptr;
};
using Font = GdiObject<HFONT>;
using Brush = GdiObject<HBRUSH>;
using Pen = GdiObject<HPEN>;
using Bitmap = GdiObject<HBITMAP>;

// Selects an object into a DC for the guard's lifetime.
class Selected {
 public:
  Selected(HDC dc, HGDIOBJ obj) : dc_(dc), old_(SelectObject(dc, obj)) {}
  Selected(const Selected&) = delete;
  Selected& operator=(const Selected&) = delete;
  ~Selected() { SelectObject(dc_, old_); }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// A memory DC compatible with another (or the screen).
class MemoryDc {
 public:
  explicit MemoryDc(HDC like = nullptr) : dc_(CreateCompatibleDC(like)) {}
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;
  ~MemoryDc() { DeleteDC(dc_); }
  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

// BeginPaint / EndPaint.
class PaintDc {
 public:
  explicit PaintDc(HWND hwnd) : hwnd_(hwnd) { dc_ = BeginPaint(hwnd, &ps_); }
  PaintDc(const PaintDc&) = delete;
  PaintDc& operator=(const PaintDc&) = delete;
  ~PaintDc() { EndPaint(hwnd_, &ps_); }
  HDC get() const { return dc_; }

 private:
  HWND hwnd_;
  PAINTSTRUCT ps_{};
  HDC dc_;
};

// The screen's DPI (LOGPIXELSY), the one number every twips conversion uses.
int ScreenDpi();

// The top-left corner that centres a window of `width` x `height` pixels on the screen.
POINT ScreenCentredOrigin(int width, int height);

// The window rectangle for a client area of the given size, centred on the screen.
RECT CentredWindowRect(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, bool menu);

std::string WindowText(HWND hwnd);

// Mouse and keyboard messages, in the client and in the frame.
inline bool IsInputMessage(UINT msg) {
  return (msg >= WM_KEYFIRST && msg <= WM_KEYLAST) ||
         (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) ||
         (msg >= WM_NCMOUSEMOVE && msg <= WM_NCXBUTTONDBLCLK);
}

// An error no handler caught, at the top of a window procedure or of the message loop:
// "An ERROR (" + its number + ") has occured" under the application title, exclamation icon,
// OK; the program then goes on. Call it only inside a catch block.
void ShowUncaughtError(HWND owner);

// What a window of our own is made of, for CustomWindow::CreateBound; written with designated
// initialisers, naming only what differs from the defaults.
struct CreateArgs {
  const char* className = nullptr;
  DWORD exStyle = 0;
  const char* text = "";
  DWORD style = 0;
  int x = 0, y = 0, width = 0, height = 0;
  HWND parent = nullptr;
  int id = 0;              // a child window's control id; top-level windows have none
  HICON icon = nullptr;    // the class icon
};

// A window of a class of our own: the class is registered on first use with the bound window
// procedure, and every message goes to HandleMessage.
//
// Lifetime: the window is destroyed by DestroyWindow (the close box, a command) while its object
// lives, or with its object. Destroyed while the object lives, it sees WM_DESTROY and may raise
// its events there. Destroyed with its object, it is unbound first, so that its last messages
// reach no C++ code and no event is raised: a derived window needs no destructor of its own
// for its window. Its members go before it, child windows and system controls included; while
// a wrapper destroys its window, what that sends the windows above it (the parent's
// notifications, the focus moving up) reaches DefWindowProc, not their objects, which are
// going themselves or hear nothing of a child they destroyed.
class CustomWindow {
 public:
  CustomWindow() = default;
  CustomWindow(const CustomWindow&) = delete;
  CustomWindow& operator=(const CustomWindow&) = delete;
  virtual ~CustomWindow();

  HWND hwnd() const { return hwnd_; }

 protected:
  // Registers `args.className` (once per process, with the icon of the first window of the
  // class) and creates the window bound to this object.
  bool CreateBound(const CreateArgs& args);
  virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
  // Reports an exception that left HandleMessage (called inside the catch block); a window
  // that has a front end of its own shows it there.
  virtual void ReportUncaught() { ShowUncaughtError(hwnd_); }

 private:
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  HWND hwnd_ = nullptr;
};

// A window of our own that paints its whole client area itself: WM_ERASEBKGND erases nothing
// (no flicker), WM_PAINT and WM_PRINTCLIENT both draw through Paint, on the screen or on the
// device context given, so that a picture taken with WM_PRINTCLIENT is the one on the screen.
// A derived window handles its other messages and passes the rest to this HandleMessage.
class PaintedWindow : public CustomWindow {
 protected:
  virtual void Paint(HDC dc, const RECT& client) = 0;
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
};

// A control of a system class, owned.
class SystemControl {
 public:
  SystemControl() = default;
  SystemControl(const SystemControl&) = delete;
  SystemControl& operator=(const SystemControl&) = delete;
  ~SystemControl();

  HWND hwnd() const { return hwnd_; }
  bool Create(const char* className, DWORD exStyle, const char* text, DWORD style, int x, int y,
              int w, int h, HWND parent, int id);
  void SetFont(HFONT font) {
    SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }

 private:
  HWND hwnd_ = nullptr;
};

}  // namespace frixa::win
