// The main window's controls: see controls.h.
#include "win/controls.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "win/ui_resources.h"

namespace frixa::win {

// ---- PictureBox -----------------------------------------------------------------------------

bool PictureBox::Create(HWND parent, const PixelRect& r, HBITMAP picture, int id) {
  picture_ = picture;
  return CreateBound({.className = "FrixaPictureBox",
                      .style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                      .x = r.left, .y = r.top, .width = r.width, .height = r.height,
                      .parent = parent, .id = id});
}

void PictureBox::AddLine(PixelPoint from, PixelPoint to) { lines_.emplace_back(from, to); }

void PictureBox::Paint(HDC dc, const RECT& client) {
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  DrawBitmapAt(dc, picture_, 0, 0);
  for (const auto& [from, to] : lines_) {
    Selected pen(dc, GetStockObject(BLACK_PEN));
    MoveToEx(dc, from.x, from.y, nullptr);
    LineTo(dc, to.x, to.y);
  }
}

LRESULT PictureBox::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      // Buttons inside a picture box belong to the window: their events go up to it.
      return SendMessageA(GetParent(hwnd()), msg, wp, lp);
    default:
      return PaintedWindow::HandleMessage(msg, wp, lp);
  }
}

// ---- Label ----------------------------------------------------------------------------------

bool Label::Create(HWND parent, const PixelRect& r, std::string_view caption, HFONT font,
                   COLORREF colour, Align align, int id) {
  font_ = font;
  colour_ = colour;
  align_ = align;
  const std::string text(caption);
  return CreateBound({.className = "FrixaLabel", .text = text.c_str(),
                      .style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                      .x = r.left, .y = r.top, .width = r.width, .height = r.height,
                      .parent = parent, .id = id});
}

void Label::SetCaption(std::string_view caption) {
  SetWindowTextA(hwnd(), std::string(caption).c_str());
}

void Label::SetColour(COLORREF colour) {
  if (colour == colour_) return;
  colour_ = colour;
  InvalidateRect(hwnd(), nullptr, FALSE);
}

void Label::Paint(HDC dc, const RECT& area) {
  // The container paints what lies under the label; then the text goes on top.
  HWND parent = GetParent(hwnd());
  POINT origin{0, 0};
  MapWindowPoints(hwnd(), parent, &origin, 1);
  POINT old;
  SetViewportOrgEx(dc, -origin.x, -origin.y, &old);
  SendMessageA(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  SetViewportOrgEx(dc, old.x, old.y, nullptr);

  RECT client = area;
  const std::string text = WindowText(hwnd());
  Selected font(dc, font_ ? static_cast<HGDIOBJ>(font_) : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, colour_);
  const UINT format =
      DT_WORDBREAK | DT_NOPREFIX | (align_ == Align::Centre ? DT_CENTER : DT_LEFT);
  RECT need = client;
  DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &need, format | DT_CALCRECT);
  if (need.bottom > client.bottom || need.right > client.right) {
    // Broken into lines it would be cut off at the foot (fonts wider than the ones the layout
    // was made with): one line in the same font, narrowed just enough to fit across.
    SIZE size{0, 0};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    TEXTMETRICA tm{};
    LOGFONTA lf{};
    if (size.cx > 0 && GetTextMetricsA(dc, &tm) &&
        GetObjectA(GetCurrentObject(dc, OBJ_FONT), sizeof lf, &lf)) {
      lf.lfWidth = std::max<LONG>(1, tm.tmAveCharWidth * client.right / size.cx);
      Font narrow(CreateFontIndirectA(&lf));
      Selected narrowed(dc, narrow.get());
      DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &client,
                DT_SINGLELINE | DT_NOPREFIX | (align_ == Align::Centre ? DT_CENTER : DT_LEFT));
      return;
    }
  }
  if (verticalCentre_) {
    const int spare = (client.bottom - client.top) - (need.bottom - need.top);
    if (spare > 0) client.top += spare / 2;
  }
  DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &client, format);
}

LRESULT Label::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_SETTEXT: {
      const LRESULT r = PaintedWindow::HandleMessage(msg, wp, lp);
      InvalidateRect(hwnd(), nullptr, FALSE);
      return r;
    }
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(font_);
    case WM_NCHITTEST:
      return HTTRANSPARENT;
    default:
      return PaintedWindow::HandleMessage(msg, wp, lp);
  }
}

// ---- PictureButton --------------------------------------------------------------------------

bool PictureButton::Create(HWND parent, const PixelRect& r, int id, HBITMAP bitmap) {
  return CreateWithImage(parent, r, id, BS_BITMAP, IMAGE_BITMAP, bitmap);
}

bool PictureButton::Create(HWND parent, const PixelRect& r, int id, HICON icon) {
  return CreateWithImage(parent, r, id, BS_ICON, IMAGE_ICON, icon);
}

bool PictureButton::CreateWithImage(HWND parent, const PixelRect& r, int id, DWORD imageStyle,
                                    WPARAM imageType, HANDLE image) {
  if (!SystemControl::Create("BUTTON", 0, "",
                             WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON | imageStyle,
                             r.left, r.top, r.width, r.height, parent, id)) {
    return false;
  }
  SendMessageA(hwnd(), BM_SETIMAGE, imageType, reinterpret_cast<LPARAM>(image));
  return true;
}

// ---- StatusLog ------------------------------------------------------------------------------

bool StatusLog::Create(HWND parent, const PixelRect& r, int id, HFONT font) {
  background_.Reset(CreateSolidBrush(kBackground));
  if (!SystemControl::Create("EDIT", WS_EX_CLIENTEDGE, "",
                             WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE |
                                 ES_READONLY | ES_AUTOVSCROLL | ES_LEFT,
                             r.left, r.top, r.width, r.height, parent, id)) {
    return false;
  }
  SetFont(font);
  SendMessageA(hwnd(), EM_SETLIMITTEXT, 0, 0);  // no 30000-character ceiling
  return true;
}

void StatusLog::Clear() { SetWindowTextA(hwnd(), ""); }

void StatusLog::AppendLine(std::string_view text) {
  const std::string line = std::string(text) + "\r\n";
  const auto end = static_cast<WPARAM>(GetWindowTextLengthA(hwnd()));
  SendMessageA(hwnd(), EM_SETSEL, end, static_cast<LPARAM>(end));
  SendMessageA(hwnd(), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(line.c_str()));
}

void StatusLog::CaretToEnd() {
  const auto end = static_cast<WPARAM>(GetWindowTextLengthA(hwnd()));
  SendMessageA(hwnd(), EM_SETSEL, end, static_cast<LPARAM>(end));
  SendMessageA(hwnd(), EM_SCROLLCARET, 0, 0);
}

HBRUSH StatusLog::Colours(HDC dc) const {
  SetBkColor(dc, kBackground);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  return background_.get();
}

// ---- ToolTips -------------------------------------------------------------------------------

bool ToolTips::Create(HWND owner) {
  if (!SystemControl::Create(TOOLTIPS_CLASSA, WS_EX_TOPMOST, "",
                             WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, 0)) {
    return false;
  }
  return true;
}

void ToolTips::Add(HWND tool, const char* text) {
  TOOLINFOA ti{};
  ti.cbSize = TTTOOLINFOA_V1_SIZE;
  ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  ti.hwnd = GetParent(tool);
  ti.uId = reinterpret_cast<UINT_PTR>(tool);
  ti.lpszText = const_cast<char*>(text);
  SendMessageA(hwnd(), TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
}

// ---- NotifyingControl -----------------------------------------------------------------------

namespace {

constexpr const char* kWrapperProperty = "FrixaControl";

}  // namespace

NotifyingControl::~NotifyingControl() {
  if (hwnd()) RemovePropA(hwnd(), kWrapperProperty);  // what its destruction sends goes nowhere
}

bool NotifyingControl::CreateNotifying(const char* className, DWORD exStyle, DWORD style,
                                       const PixelRect& r, HWND parent, int id) {
  if (!Create(className, exStyle, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, r.left, r.top,
              r.width, r.height, parent, id)) {
    return false;
  }
  SetPropA(hwnd(), kWrapperProperty, this);
  return true;
}

bool NotifyingControl::RouteCommand(WPARAM wp, LPARAM lp) {
  const auto from = reinterpret_cast<HWND>(lp);
  auto* control = from ? static_cast<NotifyingControl*>(GetPropA(from, kWrapperProperty)) : nullptr;
  if (!control) return false;
  control->Notified(HIWORD(wp));
  return true;
}

// ---- StringList, ListBox, ComboBox ---------------------------------------------------------

void StringList::Clear() { SendMessageA(hwnd(), messages_.reset, 0, 0); }

int StringList::Add(std::string_view text) {
  const std::string item(text);
  return static_cast<int>(
      SendMessageA(hwnd(), messages_.add, 0, reinterpret_cast<LPARAM>(item.c_str())));
}

std::string StringList::Text(int index) const {
  const LRESULT n = SendMessageA(hwnd(), messages_.textLength, static_cast<WPARAM>(index), 0);
  if (n < 0) return "";  // LB_ERR, CB_ERR: no such item
  std::string text(static_cast<std::size_t>(n) + 1, '\0');
  SendMessageA(hwnd(), messages_.text, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(n));
  return text;
}

int StringList::Selection() const {
  return static_cast<int>(SendMessageA(hwnd(), messages_.getSelection, 0, 0));
}

void StringList::SetSelection(int index) {
  SendMessageA(hwnd(), messages_.setSelection, static_cast<WPARAM>(index), 0);
}

void StringList::Notified(WORD code) {
  if (code == messages_.selectionChanged && onSelectionChange) onSelectionChange(Selection());
}

ListBox::ListBox()
    : StringList({LB_RESETCONTENT, LB_ADDSTRING, LB_GETTEXTLEN, LB_GETTEXT, LB_GETCURSEL,
                  LB_SETCURSEL, LBN_SELCHANGE}) {}

bool ListBox::Create(HWND parent, const PixelRect& r, int id, DWORD style) {
  return CreateNotifying("LISTBOX", WS_EX_CLIENTEDGE,
                         WS_VSCROLL | LBS_NOTIFY | LBS_HASSTRINGS | style, r, parent, id);
}

void ListBox::Notified(WORD code) {
  StringList::Notified(code);
  if (code == LBN_DBLCLK && onDoubleClick) onDoubleClick(Selection());
}

ComboBox::ComboBox()
    : StringList({CB_RESETCONTENT, CB_ADDSTRING, CB_GETLBTEXTLEN, CB_GETLBTEXT, CB_GETCURSEL,
                  CB_SETCURSEL, CBN_SELCHANGE}) {}

bool ComboBox::Create(HWND parent, const PixelRect& r, int id, DWORD style) {
  return CreateNotifying("COMBOBOX", 0, WS_VSCROLL | CBS_HASSTRINGS | style, r, parent, id);
}

// ---- ReportList -----------------------------------------------------------------------------

bool ReportList::Create(HWND parent, const PixelRect& r, int id, DWORD exStyle, DWORD style) {
  if (!SystemControl::Create(WC_LISTVIEWA, exStyle, "",
                             WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL |
                                 LVS_SHOWSELALWAYS | style,
                             r.left, r.top, r.width, r.height, parent, id)) {
    return false;
  }
  SendMessageA(hwnd(), LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  return true;
}

void ReportList::AddColumn(std::string header, int width, int format) {
  LVCOLUMNA column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
  column.fmt = format;
  column.cx = width;
  column.pszText = header.data();
  SendMessageA(hwnd(), LVM_INSERTCOLUMNA, static_cast<WPARAM>(columns_++),
               reinterpret_cast<LPARAM>(&column));
}

void ReportList::RemoveColumns() {
  for (; columns_ > 0; --columns_) SendMessageA(hwnd(), LVM_DELETECOLUMN, 0, 0);
}

void ReportList::SetRows(const std::vector<std::vector<std::string>>& rows) {
  SendMessageA(hwnd(), LVM_DELETEALLITEMS, 0, 0);
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (std::size_t c = 0; c < rows[r].size() && c < static_cast<std::size_t>(columns_); ++c) {
      std::string text = rows[r][c];
      LVITEMA item{};
      item.mask = LVIF_TEXT;
      item.iItem = static_cast<int>(r);
      item.iSubItem = static_cast<int>(c);
      item.pszText = text.data();
      SendMessageA(hwnd(), c == 0 ? LVM_INSERTITEMA : LVM_SETITEMTEXTA, r,
                   reinterpret_cast<LPARAM>(&item));
    }
  }
}

int ReportList::Selection() const {
  return static_cast<int>(
      SendMessageA(hwnd(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void ReportList::Select(int row) {
  LVITEMA item{};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = 0;
  SendMessageA(hwnd(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
  if (row < 0) return;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageA(hwnd(), LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

// ---- EditBox --------------------------------------------------------------------------------

bool EditBox::Create(HWND parent, const PixelRect& r, int id, std::string_view text, int limit) {
  const std::string initial(text);
  if (!SystemControl::Create("EDIT", WS_EX_CLIENTEDGE, initial.c_str(),
                             WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, r.left, r.top,
                             r.width, r.height, parent, id)) {
    return false;
  }
  SendMessageA(hwnd(), EM_LIMITTEXT, static_cast<WPARAM>(limit), 0);
  return true;
}

void EditBox::SetText(std::string_view text) { SetWindowTextA(hwnd(), std::string(text).c_str()); }

}  // namespace frixa::win
