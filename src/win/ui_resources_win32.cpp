// Shared fonts and pictures: see ui_resources.h.
#include "win/ui_resources.h"

#include <cstdint>
#include <cstring>

#include "win/resource_ids.h"

namespace frixa::win {
namespace {

HFONT MakeFont(const char* face, int centiPoints, int dpi, bool bold) {
  LOGFONTA lf{};
  lf.lfHeight = -UiFonts::HeightFor(centiPoints, dpi);
  lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfQuality = DEFAULT_QUALITY;
  lstrcpynA(lf.lfFaceName, face, LF_FACESIZE);
  return CreateFontIndirectA(&lf);
}

HBITMAP LoadPicture(HINSTANCE instance, int id) {
  return static_cast<HBITMAP>(LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0,
                                         LR_CREATEDIBSECTION));
}

// A 32-bit copy of a button picture with the magenta key painted in the button face colour.
HBITMAP ButtonPicture(HINSTANCE instance, int id) {
  Bitmap source(LoadPicture(instance, id));
  BITMAP info{};
  if (!source || !GetObjectA(source.get(), sizeof info, &info)) return nullptr;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = info.bmWidth;
  bi.bmiHeader.biHeight = -info.bmHeight;  // top-down
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP copy = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!copy) return nullptr;
  {
    MemoryDc from, to;
    Selected a(from.get(), source.get());
    Selected b(to.get(), copy);
    BitBlt(to.get(), 0, 0, info.bmWidth, info.bmHeight, from.get(), 0, 0, SRCCOPY);
  }
  GdiFlush();
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const std::uint32_t faceBgr = (std::uint32_t{GetRValue(face)} << 16) |
                                (std::uint32_t{GetGValue(face)} << 8) | GetBValue(face);
  auto* px = static_cast<std::uint32_t*>(bits);
  for (long i = 0, n = long{info.bmWidth} * info.bmHeight; i < n; ++i) {
    if ((px[i] & 0xFFFFFFu) == 0xFF00FFu) px[i] = faceBgr;
  }
  return copy;
}

}  // namespace

int UiFonts::HeightFor(int centiPoints, int dpi) { return MulDiv(centiPoints, dpi, 7200); }

UiFonts::UiFonts(int dpi)
    : regular_(MakeFont("MS Sans Serif", 825, dpi, false)),
      bold_(MakeFont("MS Sans Serif", 825, dpi, true)),
      heading_(MakeFont("MS Sans Serif", 1200, dpi, true)) {}

Artwork::Artwork(HINSTANCE instance)
    : background_(LoadPicture(instance, IDB_BACKGROUND)),
      logo_(LoadPicture(instance, IDB_LOGO)),
      quit_(ButtonPicture(instance, IDB_QUIT)),
      showFrixa_(ButtonPicture(instance, IDB_SHOW_FRIXA)),
      go_(ButtonPicture(instance, IDB_GO)),
      apply_(ButtonPicture(instance, IDB_APPLY)),
      delete005_(ButtonPicture(instance, IDB_DELETE005)) {
  help_ = static_cast<HICON>(
      LoadImageA(instance, MAKEINTRESOURCEA(IDI_HELP), IMAGE_ICON, 32, 32, 0));
  icon_ = static_cast<HICON>(
      LoadImageA(instance, MAKEINTRESOURCEA(IDI_FRIXA), IMAGE_ICON, 32, 32, 0));
  smallIcon_ = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_FRIXA), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), 0));
}

Artwork::~Artwork() {
  for (HICON i : {help_, icon_, smallIcon_}) {
    if (i) DestroyIcon(i);
  }
}

void DrawBitmapAt(HDC dc, HBITMAP bitmap, int x, int y) {
  if (!bitmap) return;
  BITMAP info{};
  GetObjectA(bitmap, sizeof info, &info);
  MemoryDc mem(dc);
  Selected s(mem.get(), bitmap);
  BitBlt(dc, x, y, info.bmWidth, info.bmHeight, mem.get(), 0, 0, SRCCOPY);
}

}  // namespace frixa::win
