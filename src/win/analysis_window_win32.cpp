// The analysis window: see analysis_window.h.
#include "win/analysis_window.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <utility>

#include "analysis/combine.h"
#include "analysis/png_writer.h"
#include "app/dialog_filter.h"
#include "calfile/smoothed_file.h"
#include "common/error.h"
#include "platform/short_date.h"
#include "win/gdi_plot_canvas.h"

namespace frixa::win {
namespace {

constexpr DWORD kAnalysisStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr DWORD kAnalysisExStyle = WS_EX_APPWINDOW;
static_assert(kDialogOverwritePrompt == OFN_OVERWRITEPROMPT &&
              kDialogHideReadOnly == OFN_HIDEREADONLY && kDialogNoChangeDir == OFN_NOCHANGEDIR);

}  // namespace

// ---- the platform's dialogs -------------------------------------------------------------

AnalysisDialogs PlatformAnalysisDialogs(std::function<HWND()> owner, Frontend& ui) {
  AnalysisDialogs d;
  d.openFiles = [owner](const std::string& initDir) {
    const std::string filter = DialogFilterForPlatform(kCalibrationFilter);
    std::vector<char> buffer(32768, '\0');
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner();
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrInitialDir = initDir.empty() ? nullptr : initDir.c_str();
    ofn.Flags = OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY |
                OFN_NOCHANGEDIR;
    std::vector<std::string> files;
    if (!GetOpenFileNameA(&ofn)) return files;
    // One file: its full path. Several: the folder, then each name, NUL-separated.
    const std::string first = buffer.data();
    const char* next = buffer.data() + first.size() + 1;
    if (*next == '\0') return std::vector<std::string>{first};
    while (*next) {
      const std::string name = next;
      files.push_back(first + (first.empty() || first.back() == '\\' ? "" : "\\") + name);
      next += name.size() + 1;
    }
    return files;
  };
  // The save dialog is the one the commands ask through the front end.
  d.saveFile = [&ui](const FileDialogSettings& settings) { return ui.AskFileName(settings); };
  d.message = [owner](const std::string& text, const std::string& title, MessageIcon icon) {
    MessageBoxA(owner(), text.c_str(), title.c_str(),
                MB_OK | (icon == MessageIcon::Critical      ? MB_ICONHAND
                         : icon == MessageIcon::Exclamation ? MB_ICONEXCLAMATION
                         : icon == MessageIcon::Information ? MB_ICONASTERISK
                                                            : 0u));
  };
  return d;
}

// ---- AnalysisGraph ------------------------------------------------------------------------

bool AnalysisGraph::Create(HWND parent, const PixelRect& r, int id) {
  return CreateBound({.className = "FrixaAnalysisGraph", .exStyle = WS_EX_CLIENTEDGE,
                      .style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                      .x = r.left, .y = r.top, .width = r.width, .height = r.height,
                      .parent = parent, .id = id});
}

void AnalysisGraph::SetPlot(PlotDescription plot) {
  plot_ = std::move(plot);
  dirty_ = true;
  if (hwnd()) InvalidateRect(hwnd(), nullptr, FALSE);
}

void AnalysisGraph::Render(HDC like) {
  RECT client;
  GetClientRect(hwnd(), &client);
  if (!dirty_ && buffer_ && bufferW_ == client.right && bufferH_ == client.bottom) return;
  bufferW_ = std::max<int>(client.right, 1);
  bufferH_ = std::max<int>(client.bottom, 1);
  buffer_ = RenderPlotBitmap(plot_, bufferW_, bufferH_, ScreenDpi(), like);
  dirty_ = false;
}

RgbImage AnalysisGraph::Picture() {
  Render(nullptr);
  return BitmapPixels(buffer_.get(), bufferW_, bufferH_);
}

void AnalysisGraph::Paint(HDC dc, const RECT&) {
  Render(dc);
  MemoryDc mem(dc);
  win::Selected s(mem.get(), buffer_.get());
  BitBlt(dc, 0, 0, bufferW_, bufferH_, mem.get(), 0, 0, SRCCOPY);
}

LRESULT AnalysisGraph::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_SIZE:
      dirty_ = true;
      InvalidateRect(hwnd(), nullptr, FALSE);
      return 0;
    default:
      return PaintedWindow::HandleMessage(msg, wp, lp);
  }
}

// ---- AnalysisWindow -----------------------------------------------------------------------

bool AnalysisWindow::Create(const std::vector<std::string>& files) {
  if (!dialogs.openFiles || !dialogs.saveFile || !dialogs.message) {
    AnalysisDialogs platform = PlatformAnalysisDialogs([this] { return hwnd(); }, app_.ui);
    if (!dialogs.openFiles) dialogs.openFiles = std::move(platform.openFiles);
    if (!dialogs.saveFile) dialogs.saveFile = std::move(platform.saveFile);
    if (!dialogs.message) dialogs.message = std::move(platform.message);
  }
  dpi_ = ScreenDpi();
  const PixelRect client = ToPixels(kAnalysisClientTwips, dpi_);
  RECT wr{0, 0, client.width, client.height};
  AdjustWindowRectEx(&wr, kAnalysisStyle, FALSE, kAnalysisExStyle);
  const int w = wr.right - wr.left, h = wr.bottom - wr.top;
  const POINT at = ScreenCentredOrigin(w, h);
  if (!CreateBound({.className = "FrixaAnalysis", .exStyle = kAnalysisExStyle,
                    .text = kAnalysisCaption, .style = kAnalysisStyle, .x = at.x, .y = at.y,
                    .width = w, .height = h, .icon = art_.icon()})) {
    return false;
  }
  SendMessageA(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(art_.icon()));
  SendMessageA(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(art_.smallIcon()));
  CreateControls();
  try {
    state_.host = ReadHostCurve(app_.AppPath);
  } catch (const Error& e) {
    Tell(std::string(kHostLossFileName) + ": " + ErrorOccurredText(e.number()), kAnalysisCaption,
         MessageIcon::Exclamation);
  }
  AddFiles(files);
  Refresh();
  ShowWindow(hwnd(), SW_SHOW);
  return true;
}

void AnalysisWindow::CreateControls() {
  const AnalysisLayout layout = ComputeAnalysisLayout(
      TwipsToPixels(kAnalysisClientTwips.width, dpi_), TwipsToPixels(kAnalysisClientTwips.height, dpi_),
      dpi_);
  for (std::size_t i = 0; i < buttons_.size(); ++i) {
    const auto c = static_cast<AnalysisControl>(i);
    const PixelRect& r = layout[c];
    const bool radio = c == AnalysisControl::Torque || c == AnalysisControl::Power;
    DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
    style |= radio ? static_cast<DWORD>(BS_AUTORADIOBUTTON) : static_cast<DWORD>(BS_PUSHBUTTON);
    if (c == AnalysisControl::Torque) style |= WS_GROUP;
    buttons_[i].Create("BUTTON", 0, kAnalysisCaptions[i], style, r.left, r.top, r.width, r.height,
                       hwnd(), AnalysisControlId(c));
    buttons_[i].SetFont(fonts_.regular());
  }
  SendMessageA(Control(AnalysisControl::Torque), BM_SETCHECK, BST_CHECKED, 0);
  referenceLine_.Create(hwnd(), layout[AnalysisControl::ReferenceLine], "", fonts_.bold(),
                        RGB(255, 0, 0), Label::Align::Left,
                        AnalysisControlId(AnalysisControl::ReferenceLine));
  graph_.Create(hwnd(), layout[AnalysisControl::Graph], AnalysisControlId(AnalysisControl::Graph));
  list_.Create(hwnd(), layout[AnalysisControl::List], AnalysisControlId(AnalysisControl::List),
               WS_EX_CLIENTEDGE, WS_TABSTOP);
  list_.SetFont(fonts_.regular());
  static constexpr int kColumnTwips[] = {1500, 1110, 660, 540, 1050, 540, 780, 780, 780,
                                         660, 900, 900, 900, 1200, 660};
  for (std::size_t i = 0; i < kAnalysisColumns.size(); ++i) {
    // The list speaks the ANSI code page.
    list_.AddColumn(i == 9 ? "R\xB2" : kAnalysisColumns[i], TwipsToPixels(kColumnTwips[i], dpi_),
                    i < 2 || i == 13 ? LVCFMT_LEFT : LVCFMT_RIGHT);
  }
}

void AnalysisWindow::Place() {
  RECT client;
  GetClientRect(hwnd(), &client);
  const AnalysisLayout layout = ComputeAnalysisLayout(client.right, client.bottom, dpi_);
  for (std::size_t i = 0; i < kAnalysisControlCount; ++i) {
    HWND control = Control(static_cast<AnalysisControl>(i));
    const PixelRect& r = layout.rects[i];
    if (control) MoveWindow(control, r.left, r.top, r.width, r.height, TRUE);
  }
  InvalidateRect(hwnd(), nullptr, TRUE);
}

HWND AnalysisWindow::Control(AnalysisControl c) const {
  const auto i = static_cast<std::size_t>(c);
  if (i < buttons_.size()) return buttons_[i].hwnd();
  switch (c) {
    case AnalysisControl::ReferenceLine: return referenceLine_.hwnd();
    case AnalysisControl::Graph: return graph_.hwnd();
    case AnalysisControl::List: return list_.hwnd();
    default: return nullptr;
  }
}

void AnalysisWindow::Refresh() {
  AnalysisPlotOptions options;
  options.power = state_.power;
  graph_.SetPlot(DescribeAnalysisPlot(state_.files, state_.host ? &*state_.host : nullptr, options));
  referenceLine_.SetCaption(ReferenceText(state_));
  FillList();
}

void AnalysisWindow::FillList() {
  const int selected = Selected();
  const auto rows = AnalysisRows(state_);
  list_.SetRows(rows);
  // Each column as wide as its widest text or its header, with the list's margins.
  constexpr int kHeaderMargin = 14;
  for (std::size_t c = 0; c < kAnalysisColumns.size(); ++c) {
    SendMessageA(list_.hwnd(), LVM_SETCOLUMNWIDTH, c, rows.empty() ? LVSCW_AUTOSIZE_USEHEADER : LVSCW_AUTOSIZE);
    char header[64] = {};
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT;
    column.pszText = header;
    column.cchTextMax = sizeof header;
    SendMessageA(list_.hwnd(), LVM_GETCOLUMNA, c, reinterpret_cast<LPARAM>(&column));
    const LRESULT headerWidth =
        SendMessageA(list_.hwnd(), LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(header)) +
        kHeaderMargin;
    if (SendMessageA(list_.hwnd(), LVM_GETCOLUMNWIDTH, c, 0) < headerWidth) {
      SendMessageA(list_.hwnd(), LVM_SETCOLUMNWIDTH, c, headerWidth);
    }
  }
  if (selected >= 0 && selected < static_cast<int>(rows.size())) Select(selected);
}

int AnalysisWindow::Selected() const { return list_.Selection(); }

void AnalysisWindow::Select(int row) { list_.Select(row); }

std::string AnalysisWindow::CalFolder() const {
  return app_.ProgramFile(kCalibrationFolderName);
}

std::vector<std::string> AnalysisWindow::Paths() const {
  std::vector<std::string> paths;
  for (const AnalysedFile& f : state_.files) paths.push_back(f.path);
  return paths;
}

void AnalysisWindow::Tell(const std::string& text, const std::string& title, MessageIcon icon) {
  dialogs.message(text, title, icon);
}

std::string AnalysisWindow::AskSave(const std::string& filter, const std::string& fileName,
                                    const std::string& title) {
  return dialogs.saveFile(AnalysisSaveDialog(filter, fileName, CalFolder(), title));
}

void AnalysisWindow::Add() { AddFiles(dialogs.openFiles(CalFolder())); }

void AnalysisWindow::AddFiles(const std::vector<std::string>& paths) {
  bool added = false;
  for (const std::string& path : paths) {
    try {
      state_.files.push_back(ReadAnalysedFile(path));
      added = true;
    } catch (const Error& e) {
      Tell(FileNameOf(path) + ": " + ErrorOccurredText(e.number()) + " (" + e.description() + ")",
           "Add", MessageIcon::Exclamation);
    }
  }
  if (state_.files.size() > std::size_t{kMaxPlotFiles} && added) {
    Tell("The graph shows the first " + std::to_string(kMaxPlotFiles) +
             " files; the list shows them all.",
         "Add", MessageIcon::Information);
  }
  if (added && hwnd()) Refresh();
}

void AnalysisWindow::Remove() {
  const int row = Selected();
  if (row < 0 || row >= static_cast<int>(state_.files.size())) return;
  state_.files.erase(state_.files.begin() + row);
  Refresh();
  if (!state_.files.empty()) Select(std::min(row, static_cast<int>(state_.files.size()) - 1));
}

void AnalysisWindow::Reference() {
  const int row = Selected();
  if (row >= 0 && row < static_cast<int>(state_.files.size())) {
    // The chosen file moves to the top: the first file is the reference.
    std::rotate(state_.files.begin(), state_.files.begin() + row, state_.files.begin() + row + 1);
    state_.hostReference = false;
    Refresh();
    Select(0);
  } else if (state_.host) {
    state_.hostReference = true;
    Refresh();
  } else {
    Tell("Choose a file in the list as the reference; there is no Torvex2.005 to compare with.",
         "Reference", MessageIcon::Information);
  }
}

void AnalysisWindow::Combine() {
  if (state_.files.size() < 2) {
    Tell("Add two calibration files or more to combine them.", "Combine",
         MessageIcon::Information);
    return;
  }
  if (!actions.combine) {
    Tell("Combining is not available in this program.", "Combine", MessageIcon::Exclamation);
    return;
  }
  const std::string target = AskSave(kCalibrationFilter, kCombinedFileName, "Combine");
  if (target.empty()) return;
  try {
    actions.combine(Paths(), target);
  } catch (const CombiningRefused& e) {
    Tell(e.what(), "Combine", MessageIcon::Exclamation);  // the reason alone, as a refusal
    return;
  } catch (const Error& e) {
    Tell(ErrorOccurredText(e.number()) + " (" + e.description() + ")", "Combine",
         MessageIcon::Exclamation);
    return;
  } catch (const std::exception& e) {
    Tell(e.what(), "Combine", MessageIcon::Exclamation);
    return;
  }
  AddFiles({target});
}

void AnalysisWindow::Smooth() {
  int row = Selected();
  if (row < 0 && state_.files.size() == 1) row = 0;
  if (row < 0 || row >= static_cast<int>(state_.files.size())) {
    Tell("Choose the file to smooth in the list.", "Smooth", MessageIcon::Information);
    return;
  }
  const AnalysedFile& source = state_.files[static_cast<std::size_t>(row)];
  const std::string target = AskSave(kCalibrationFilter, SmoothedFileName(source.title), "Smooth");
  if (target.empty()) return;
  const std::string today = app_.todayShortDate ? app_.todayShortDate() : TodayShortDateText();
  try {
    SmoothCalibrationFile(app_.ui, source.path, target, today);
  } catch (const SmoothingRefused& e) {
    Tell(e.what(), "Smooth", MessageIcon::Exclamation);
    return;
  } catch (const Error& e) {
    Tell(ErrorOccurredText(e.number()) + " (" + e.description() + ")", "Smooth",
         MessageIcon::Exclamation);
    return;
  }
  AddFiles({target});
}

void AnalysisWindow::SavePicture() {
  const std::string target = AskSave(kPictureFilter, kPictureFileName, "Save Picture");
  if (target.empty()) return;
  try {
    WritePng(target, graph_.Picture());
  } catch (const Error& e) {
    Tell(ErrorOccurredText(e.number()) + " (" + e.description() + ")", "Save Picture",
         MessageIcon::Exclamation);
  }
}

namespace {

// Writes the report, telling what went wrong.
void WriteReport(const AnalysisDialogs& dialogs, const AnalysisActions& actions,
                 const std::string& file, const std::string& programFolder,
                 const std::string& pdf) {
  try {
    actions.report(file, programFolder, pdf);
  } catch (const Error& e) {
    dialogs.message(ErrorOccurredText(e.number()) + " (" + e.description() + ")", "Report",
                    MessageIcon::Exclamation);
  } catch (const std::exception& e) {
    dialogs.message(e.what(), "Report", MessageIcon::Exclamation);
  }
}

}  // namespace

void AnalysisWindow::Report() {
  // The file chosen in the list, or the reference.
  int row = Selected();
  if (row < 0 || row >= static_cast<int>(state_.files.size())) row = 0;
  if (state_.files.empty()) {
    Tell("Add calibration files to report on.", "Report", MessageIcon::Information);
    return;
  }
  if (!actions.report) {
    Tell("Reports are not available in this program.", "Report", MessageIcon::Exclamation);
    return;
  }
  const std::string& file = state_.files[static_cast<std::size_t>(row)].path;
  const std::string target = dialogs.saveFile(ReportDialog(file, CalFolder()));
  if (target.empty()) return;
  WriteReport(dialogs, actions, file, app_.AppPath, target);
}

void RunCalibrationReport(App& app, const AnalysisDialogs& dialogs, const AnalysisActions& actions) {
  if (!actions.report) {
    dialogs.message("Reports are not available in this program.", "Report",
                    MessageIcon::Exclamation);
    return;
  }
  const std::vector<std::string> files = dialogs.openFiles(app.ProgramFile(kCalibrationFolderName));
  if (files.empty()) return;
  const std::string target = dialogs.saveFile(ReportDialog(files.front(), app.ProgramFile(kCalibrationFolderName)));
  if (target.empty()) return;
  WriteReport(dialogs, actions, files.front(), app.AppPath, target);
}

void AnalysisWindow::ExportGraphs() {
  if (state_.files.empty()) {
    Tell("Add the calibration files whose graphs to export.", "Export Graphs",
         MessageIcon::Information);
    return;
  }
  const std::string target = AskSave(kPictureFilter, kPictureFileName, "Export Graphs");
  if (target.empty()) return;
  const std::string power = PowerPictureName(target);
  RECT client;
  GetClientRect(graph_.hwnd(), &client);
  try {
    for (const bool p : {false, true}) {
      AnalysisPlotOptions options;
      options.power = p;
      const PlotDescription plot =
          DescribeAnalysisPlot(state_.files, state_.host ? &*state_.host : nullptr, options);
      const Bitmap bitmap = RenderPlotBitmap(plot, client.right, client.bottom, ScreenDpi());
      WritePng(p ? power : target, BitmapPixels(bitmap.get(), client.right, client.bottom));
    }
  } catch (const Error& e) {
    Tell(ErrorOccurredText(e.number()) + " (" + e.description() + ")", "Export Graphs",
         MessageIcon::Exclamation);
  }
}

void AnalysisWindow::SetPower(bool power) {
  state_.power = power;
  SendMessageA(Control(AnalysisControl::Torque), BM_SETCHECK, power ? BST_UNCHECKED : BST_CHECKED, 0);
  SendMessageA(Control(AnalysisControl::Power), BM_SETCHECK, power ? BST_CHECKED : BST_UNCHECKED, 0);
  Refresh();
}

LRESULT AnalysisWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND: {
      if (HIWORD(wp) != BN_CLICKED) return 0;
      using AC = AnalysisControl;
      const int id = LOWORD(wp);
      const auto is = [id](AC c) { return id == AnalysisControlId(c); };
      if (is(AC::Add)) Add();
      else if (is(AC::Remove)) Remove();
      else if (is(AC::Reference)) Reference();
      else if (is(AC::Combine)) Combine();
      else if (is(AC::Smooth)) Smooth();
      else if (is(AC::SavePicture)) SavePicture();
      else if (is(AC::Report)) Report();
      else if (is(AC::Close)) PostMessageA(hwnd(), WM_CLOSE, 0, 0);
      else if (is(AC::Torque)) SetPower(false);
      else if (is(AC::Power)) SetPower(true);
      return 0;
    }
    case WM_SIZE:
      if (wp != SIZE_MINIMIZED) Place();
      return 0;
    case WM_GETMINMAXINFO: {
      RECT r{0, 0, TwipsToPixels(kAnalysisMinWidthTwips, dpi_),
             TwipsToPixels(kAnalysisMinHeightTwips, dpi_)};
      AdjustWindowRectEx(&r, kAnalysisStyle, FALSE, kAnalysisExStyle);
      auto* info = reinterpret_cast<MINMAXINFO*>(lp);
      info->ptMinTrackSize = {r.right - r.left, r.bottom - r.top};
      return 0;
    }
    case WM_CLOSE:
      DestroyWindow(hwnd());
      return 0;
    case WM_DESTROY:
      if (onClosed) onClosed();
      return 0;
    default:
      return PaintedWindow::HandleMessage(msg, wp, lp);
  }
}

void AnalysisWindow::Paint(HDC dc, const RECT& client) {
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  DrawBitmapAt(dc, art_.background(), 0, 0);
}

}  // namespace frixa::win
