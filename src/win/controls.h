// The windows' kinds of control, one small class each: a picture box that draws the background
// picture, a transparent label, a picture button, the status log, the tooltips, and the list,
// drop-down list and edit boxes. Each owns its window and the GDI objects it makes; fonts and
// pictures are borrowed.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <functional>
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

// A system control that raises events from its own notifications. Its parent hands every
// WM_COMMAND to RouteCommand, which finds the wrapper of the control that sent it (bound to the
// control's window while the wrapper lives) and lets it raise its events. What the code itself
// sets (a selection, a text) raises nothing: the system sends no notification for it.
class NotifyingControl : public SystemControl {
 public:
  // WM_COMMAND's arguments; true when a control of ours sent it.
  static bool RouteCommand(WPARAM wp, LPARAM lp);

 protected:
  NotifyingControl() = default;
  ~NotifyingControl();
  bool CreateNotifying(const char* className, DWORD exStyle, DWORD style, const PixelRect& r,
                       HWND parent, int id);
  virtual void Notified(WORD code) = 0;
};

// What a list box and a drop-down list share: strings added, read and selected by their index.
class StringList : public NotifyingControl {
 public:
  void Clear();
  int Add(std::string_view text);  // its index (a sorted list puts it in its place)
  std::string Text(int index) const;  // "" where there is no such item
  int Selection() const;              // -1 for none
  void SetSelection(int index);

  std::function<void(int index)> onSelectionChange;  // the user chose another item

 protected:
  // The messages and the selection notification of the control's class.
  struct Messages {
    UINT reset, add, textLength, text, getSelection, setSelection;
    WORD selectionChanged;
  };
  explicit StringList(const Messages& messages) : messages_(messages) {}
  void Notified(WORD code) override;

 private:
  Messages messages_;
};

// A list box of strings, one selected at most.
class ListBox : public StringList {
 public:
  ListBox();
  // `style`: the list's own LBS_ styles besides LBS_NOTIFY and LBS_HASSTRINGS, which it has.
  bool Create(HWND parent, const PixelRect& r, int id, DWORD style);

  std::function<void(int index)> onDoubleClick;  // on the selected item

 protected:
  void Notified(WORD code) override;
};

// A drop-down list of strings.
class ComboBox : public StringList {
 public:
  ComboBox();
  // `r` includes the dropped-down list; `style`: the CBS_ styles besides CBS_HASSTRINGS.
  bool Create(HWND parent, const PixelRect& r, int id, DWORD style);
};

// A list view in report mode: rows of texts under column headers, grid lines, one whole row
// selected at most.
class ReportList : public SystemControl {
 public:
  // `style`: window and LVS_ styles besides LVS_REPORT, LVS_SINGLESEL and LVS_SHOWSELALWAYS.
  bool Create(HWND parent, const PixelRect& r, int id, DWORD exStyle, DWORD style);
  void AddColumn(std::string header, int width, int format = LVCFMT_LEFT);
  void RemoveColumns();
  int columns() const { return columns_; }
  // The rows in place of those shown, one text a column (texts beyond the columns left out).
  void SetRows(const std::vector<std::vector<std::string>>& rows);
  int Selection() const;  // -1 for none
  void Select(int row);   // -1: none

 private:
  int columns_ = 0;
};

// A one-line edit box.
class EditBox : public SystemControl {
 public:
  bool Create(HWND parent, const PixelRect& r, int id, std::string_view text, int limit);
  std::string Text() const { return WindowText(hwnd()); }
  void SetText(std::string_view text);
};

}  // namespace frixa::win
