// The seven-segment RPM display: see digit_display.h.
#include "win/digit_display.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

namespace frixa::win {
namespace {

// Segments a..g as bits 0..6:   a
//                              f b
//                               g
//                              e c
//                               d
constexpr std::array<std::uint8_t, 10> kDigitSegments{0x3F, 0x06, 0x5B, 0x4F, 0x66,
                                                      0x6D, 0x7D, 0x07, 0x7F, 0x6F};
constexpr std::uint8_t kMinusSegments = 0x40;
constexpr COLORREF kPanel = RGB(0xC8, 0xD2, 0xBE);    // a pale LCD green
constexpr COLORREF kUnlit = RGB(0xB4, 0xBE, 0xAA);

std::uint8_t SegmentsOf(char c) {
  if (c >= '0' && c <= '9') return kDigitSegments[static_cast<std::size_t>(c - '0')];
  return c == '-' ? kMinusSegments : 0;
}

void DrawPlace(HDC dc, const RECT& cell, std::uint8_t lit, HBRUSH on, HBRUSH off) {
  const int w = cell.right - cell.left, h = cell.bottom - cell.top;
  const int t = std::max(2, w / 5);  // segment thickness
  const int x0 = cell.left, x1 = cell.right - t, y0 = cell.top, ym = cell.top + (h - t) / 2,
            y1 = cell.bottom - t;
  const RECT seg[7] = {
      {x0 + t, y0, x1, y0 + t},              // a
      {x1, y0 + t, x1 + t, ym},              // b
      {x1, ym + t, x1 + t, y1},              // c
      {x0 + t, y1, x1, y1 + t},              // d
      {x0, ym + t, x0 + t, y1},              // e
      {x0, y0 + t, x0 + t, ym},              // f
      {x0 + t, ym, x1, ym + t},              // g
  };
  for (int i = 0; i < 7; ++i) FillRect(dc, &seg[i], (lit >> i) & 1 ? on : off);
}

}  // namespace

void DrawDigits(HDC dc, const RECT& r, std::string_view text, int places, COLORREF colour) {
  Brush panel(CreateSolidBrush(kPanel)), on(CreateSolidBrush(colour)),
      off(CreateSolidBrush(kUnlit));
  FillRect(dc, &r, panel.get());
  places = std::max(1, places);
  // The rightmost `places` characters, right-aligned.
  if (text.size() > static_cast<std::size_t>(places)) text = text.substr(text.size() - places);
  const std::string shown = std::string(static_cast<std::size_t>(places) - text.size(), ' ') +
                            std::string(text);
  const int w = r.right - r.left, h = r.bottom - r.top;
  const int pad = std::max(1, h / 8);
  const int cellW = (w - pad) / places;
  for (int i = 0; i < places; ++i) {
    const RECT cell{r.left + pad + i * cellW, r.top + pad, r.left + (i + 1) * cellW - 1,
                    r.bottom - pad};
    DrawPlace(dc, cell, SegmentsOf(shown[static_cast<std::size_t>(i)]), on.get(), off.get());
  }
}

bool DigitDisplay::Create(HWND parent, int x, int y, int w, int h, int places,
                          COLORREF digitColour, std::string_view initial, int id) {
  places_ = places;
  colour_ = digitColour;
  const std::string text(initial);
  return CreateBound({.className = "FrixaDigitDisplay", .exStyle = WS_EX_STATICEDGE,
                      .text = text.c_str(), .style = WS_CHILD | WS_VISIBLE,
                      .x = x, .y = y, .width = w, .height = h, .parent = parent, .id = id});
}

void DigitDisplay::Show(std::string_view digits) {
  SetWindowTextA(hwnd(), std::string(digits).c_str());
}

void DigitDisplay::Rebuild(HDC like, int w, int h) {
  buffer_.Reset(CreateCompatibleBitmap(like, w, h));
  MemoryDc mem(like);
  Selected s(mem.get(), buffer_.get());
  const RECT r{0, 0, w, h};
  DrawDigits(mem.get(), r, WindowText(hwnd()), places_, colour_);
  dirty_ = false;
}

void DigitDisplay::Paint(HDC dc, const RECT& client) {
  if (dirty_ || !buffer_) Rebuild(dc, client.right, client.bottom);
  MemoryDc mem(dc);
  Selected s(mem.get(), buffer_.get());
  BitBlt(dc, 0, 0, client.right, client.bottom, mem.get(), 0, 0, SRCCOPY);
}

LRESULT DigitDisplay::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_SETTEXT: {
      const LRESULT r = PaintedWindow::HandleMessage(msg, wp, lp);
      dirty_ = true;
      InvalidateRect(hwnd(), nullptr, FALSE);
      return r;
    }
    case WM_SIZE:
      dirty_ = true;
      return 0;
    default:
      return PaintedWindow::HandleMessage(msg, wp, lp);
  }
}

}  // namespace frixa::win
