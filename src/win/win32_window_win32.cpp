// Window wrappers and GDI helpers: see win32_window.h.
#include "win/win32_window.h"

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "common/error.h"
#include "common/frontend.h"

namespace frixa::win {

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

std::string WindowText(HWND hwnd) {
  std::string text(static_cast<std::size_t>(GetWindowTextLengthA(hwnd)) + 1, '\0');
  const int n = GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(n > 0 ? n : 0));
  return text;
}

void ShowUncaughtError(HWND owner) {
  const std::string text = ErrorOccurredText(CurrentError().number());
  HWND root = owner ? GetAncestor(owner, GA_ROOT) : nullptr;
  if (root && !IsWindowVisible(root)) root = nullptr;
  MessageBoxA(root, text.c_str(), kApplicationTitle, MB_OK | MB_ICONEXCLAMATION);
}

namespace {

// The windows their wrappers are destroying, innermost last.
thread_local std::vector<HWND> tearingDown;

// True when `hwnd` is the parent or owner (at any remove) of a window a wrapper is destroying:
// its object is going too, its members before it.
bool AboveTearDown(HWND hwnd) {
  for (HWND going : tearingDown) {
    for (HWND up = GetParent(going); up; up = GetParent(up)) {
      if (up == hwnd) return true;
    }
  }
  return false;
}

// DestroyWindow from a wrapper's destructor: what it sends the windows above goes unrouted.
void DestroyFromWrapper(HWND hwnd) {
  tearingDown.push_back(hwnd);
  DestroyWindow(hwnd);
  tearingDown.pop_back();
}

}  // namespace

CustomWindow::~CustomWindow() {
  if (!hwnd_) return;
  // By now the derived object is gone: the window's last messages go to no C++ code.
  const HWND hwnd = std::exchange(hwnd_, nullptr);
  SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
  DestroyFromWrapper(hwnd);
}

bool CustomWindow::CreateBound(const CreateArgs& args) {
  static std::set<std::string> registered;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  if (registered.insert(args.className).second) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &CustomWindow::Procedure;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hIcon = args.icon;
    wc.hIconSm = args.icon;
    wc.lpszClassName = args.className;
    RegisterClassExA(&wc);
  }
  return CreateWindowExA(args.exStyle, args.className, args.text, args.style, args.x, args.y,
                         args.width, args.height, args.parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(args.id)), instance,
                         this) != nullptr;
}

LRESULT CustomWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  return DefWindowProcA(hwnd_, msg, wp, lp);
}

LRESULT CALLBACK CustomWindow::Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  CustomWindow* self;
  if (msg == WM_NCCREATE) {
    self = static_cast<CustomWindow*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->hwnd_ = hwnd;
  } else {
    self = reinterpret_cast<CustomWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  }
  if (!self || AboveTearDown(hwnd)) return DefWindowProcA(hwnd, msg, wp, lp);
  // No exception may go on into the system's code that called the procedure.
  LRESULT result = 0;
  try {
    result = self->HandleMessage(msg, wp, lp);
  } catch (...) {
    try {
      self->ReportUncaught();
    } catch (...) {
    }
  }
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
  }
  return result;
}

LRESULT PaintedWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT: {
      RECT client;
      GetClientRect(hwnd(), &client);
      if (msg == WM_PRINTCLIENT) {
        Paint(reinterpret_cast<HDC>(wp), client);
      } else {
        PaintDc dc(hwnd());
        Paint(dc.get(), client);
      }
      return 0;
    }
    default:
      return CustomWindow::HandleMessage(msg, wp, lp);
  }
}

POINT ScreenCentredOrigin(int width, int height) {
  return {(GetSystemMetrics(SM_CXSCREEN) - width) / 2, (GetSystemMetrics(SM_CYSCREEN) - height) / 2};
}

RECT CentredWindowRect(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, bool menu) {
  RECT r{0, 0, clientWidth, clientHeight};
  AdjustWindowRectEx(&r, style, menu, exStyle);
  const int w = r.right - r.left, h = r.bottom - r.top;
  const POINT at = ScreenCentredOrigin(w, h);
  return {at.x, at.y, at.x + w, at.y + h};
}

SystemControl::~SystemControl() {
  if (hwnd_ && IsWindow(hwnd_)) DestroyFromWrapper(hwnd_);
}

bool SystemControl::Create(const char* className, DWORD exStyle, const char* text, DWORD style,
                           int x, int y, int w, int h, HWND parent, int id) {
  hwnd_ = CreateWindowExA(exStyle, className, text, style, x, y, w, h, parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                          GetModuleHandleA(nullptr), nullptr);
  return hwnd_ != nullptr;
}

}  // namespace frixa::win
