// The analysis window as the user meets it: three calibration files of one rig and the host's
// curve, added through the open dialog, removed, the reference changed, combined (refused and
// done), the switch to power, resizing, and the graph saved as a PNG of the size shown.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <zlib.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/error.h"
#include "host/apply_command.h"
#include "support/calibration_fixture.h"
#include "support/win32_messages.h"
#include "win/analysis_window.h"

namespace frixa::win {
namespace {

using AC = AnalysisControl;
using testing::Pump;
using testing::Text;

struct Shown {
  std::string text, title;
  MessageIcon icon;
};

std::uint32_t Big32(const std::string& s, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v = (v << 8) | static_cast<std::uint8_t>(s[at + i]);
  return v;
}

class AnalysisWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Three rundowns of one rig, timing jitter drawn from three seeds.
    for (int seed = 1; seed <= 3; ++seed) {
      RundownModel model = testing::ProgramFolder::ShortRundown();
      model.jitterUs = 2;
      model.seed = static_cast<std::uint64_t>(seed);
      p_.SimulateAndPreview(model);
      p_.Create("Rig " + std::to_string(seed));
    }
    p_.ui.fileNameAnswers.push_back(p_.CalFile("Rig 2.Frixa"));
    ApplyCommand(p_.app, p_.dc);  // the host uses Rig 2's curve
    ASSERT_TRUE(p_.ui.messages.empty());
  }
  void TearDown() override {
    window_.reset();
    Pump();
  }

  void Open(const std::vector<std::string>& files = {}) {
    window_ = std::make_unique<AnalysisWindow>(fonts_, art_, p_.app);
    window_->dialogs.openFiles = [this](const std::string& initDir) {
      openedIn_.push_back(initDir);
      std::vector<std::string> answer;
      if (!openAnswers_.empty()) {
        answer = openAnswers_.front();
        openAnswers_.pop_front();
      }
      return answer;
    };
    window_->dialogs.saveFile = [this](const FileDialogSettings& s) {
      saved_.push_back(s);
      std::string answer;
      if (!saveAnswers_.empty()) {
        answer = saveAnswers_.front();
        saveAnswers_.pop_front();
      }
      return answer;
    };
    window_->dialogs.message = [this](const std::string& text, const std::string& title,
                                      MessageIcon icon) { shown_.push_back({text, title, icon}); };
    window_->onClosed = [this] { ++closed_; };
    ASSERT_TRUE(window_->Create(files));
    Pump();
  }
  void Click(AC c) {
    SendMessageA(window_->hwnd(), WM_COMMAND, MAKEWPARAM(AnalysisControlId(c), BN_CLICKED),
                 reinterpret_cast<LPARAM>(window_->Control(c)));
    Pump();
  }
  std::string Cell(int row, int column) {
    char buffer[256] = {};
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = sizeof buffer;
    SendMessageA(window_->Control(AC::List), LVM_GETITEMTEXTA, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&item));
    return buffer;
  }
  int Rows() {
    return static_cast<int>(SendMessageA(window_->Control(AC::List), LVM_GETITEMCOUNT, 0, 0));
  }
  std::vector<std::string> Titles() {
    std::vector<std::string> titles;
    for (int r = 0; r < Rows(); ++r) titles.push_back(Cell(r, 0));
    return titles;
  }
  int SeriesOf(PlotSeries::Kind kind) {
    int n = 0;
    for (const PlotSeries& s : window_->graph().plot().series) n += s.kind == kind;
    return n;
  }
  std::vector<std::string> Rig(std::initializer_list<int> seeds) {
    std::vector<std::string> files;
    for (int s : seeds) files.push_back(p_.CalFile("Rig " + std::to_string(s) + ".Frixa"));
    return files;
  }

  testing::ProgramFolder p_;
  UiFonts fonts_{ScreenDpi()};
  Artwork art_{GetModuleHandleA(nullptr)};
  std::unique_ptr<AnalysisWindow> window_;
  std::deque<std::vector<std::string>> openAnswers_;
  std::deque<std::string> saveAnswers_;
  std::vector<std::string> openedIn_;
  std::vector<FileDialogSettings> saved_;
  std::vector<Shown> shown_;
  int closed_ = 0;
};

TEST_F(AnalysisWindowTest, AddRemoveReferenceSwitchAndResize) {
  Open();
  HWND w = window_->hwnd();
  EXPECT_EQ(Text(w), "Frixa Analysis");
  EXPECT_TRUE(GetWindowLongA(w, GWL_STYLE) & WS_THICKFRAME);  // may be resized
  for (std::size_t i = 0; i < kAnalysisCaptions.size(); ++i) {
    EXPECT_EQ(Text(window_->Control(static_cast<AC>(i))), kAnalysisCaptions[i]);
  }
  EXPECT_EQ(Rows(), 0);
  EXPECT_EQ(Text(window_->Control(AC::ReferenceLine)), "Reference: none (add calibration files)");
  ASSERT_TRUE(window_->state().host.has_value());  // Torvex2.005 read at opening
  EXPECT_EQ(SeriesOf(PlotSeries::Kind::Host), 1);

  openAnswers_.push_back(Rig({1, 2, 3}));
  Click(AC::Add);
  ASSERT_EQ(openedIn_.size(), 1u);
  EXPECT_EQ(openedIn_[0], p_.CalFolder());
  EXPECT_TRUE(shown_.empty()) << shown_[0].text;
  EXPECT_EQ(Titles(), (std::vector<std::string>{"Rig 1", "Rig 2", "Rig 3"}));
  // The rows' texts as AnalysisRows gives them (analysis_view_test has their logic).
  EXPECT_EQ(Cell(0, 2), AnalysisRows(window_->state())[0][2]);
  EXPECT_EQ(Cell(0, 11), "reference");
  // The same rig: the model's A near the simulated 6 N m, the curves within a few % of Rig 1's.
  EXPECT_NEAR(std::stod(Cell(1, 6)), 6.0, 0.3);
  const double mean = std::stod(Cell(2, 11)), largest = std::stod(Cell(2, 12));
  EXPECT_GT(largest, 0);
  EXPECT_GE(largest, mean);
  EXPECT_LT(largest, 20);
  // Each row's verdict and band after the differences: three clean runs, their recorded times
  // fitted within a small band; the header as the list shows it.
  for (int r = 0; r < 3; ++r) {
    EXPECT_EQ(Cell(r, 13).rfind("SOUND", 0), 0u) << Cell(r, 13);
    EXPECT_EQ(Cell(r, 13), window_->state().files[r].check.verdict);
    EXPECT_GT(std::stod(Cell(r, 14)), 0);
    EXPECT_LT(std::stod(Cell(r, 14)), kSoundBandPct);
  }
  char header[32] = "";
  LVCOLUMNA column{};
  column.mask = LVCF_TEXT;
  column.pszText = header;
  column.cchTextMax = sizeof header;
  SendMessageA(window_->Control(AC::List), LVM_GETCOLUMNA, 14, reinterpret_cast<LPARAM>(&column));
  EXPECT_STREQ(header, "Band %");
  EXPECT_EQ(SeriesOf(PlotSeries::Kind::File), 3);
  EXPECT_EQ(SeriesOf(PlotSeries::Kind::Fit), 3);  // each file's line over its dots
  EXPECT_EQ(window_->graph().plot().bands.size(), 1u);

  // Rig 2 removed; Rig 3 takes its row and stays selected.
  window_->Select(1);
  Click(AC::Remove);
  EXPECT_EQ(Titles(), (std::vector<std::string>{"Rig 1", "Rig 3"}));
  EXPECT_EQ(window_->Selected(), 1);
  EXPECT_EQ(SeriesOf(PlotSeries::Kind::File), 2);

  // Rig 3 as the reference: it moves to the top.
  Click(AC::Reference);
  EXPECT_EQ(Titles(), (std::vector<std::string>{"Rig 3", "Rig 1"}));
  EXPECT_EQ(Text(window_->Control(AC::ReferenceLine)), "Reference: Rig 3");
  EXPECT_EQ(Cell(0, 11), "reference");
  EXPECT_GE(std::stod(Cell(1, 12)), std::stod(Cell(1, 11)));
  // Nothing selected: the host's curve (Rig 2's) is the reference, for every row.
  window_->Select(-1);
  Click(AC::Reference);
  EXPECT_EQ(Text(window_->Control(AC::ReferenceLine)), "Reference: Torvex2.005 (the curve in use)");
  EXPECT_NE(Cell(0, 11), "reference");
  EXPECT_GT(std::stod(Cell(0, 12)), 0);

  // Power: the graph's texts and the differences follow.
  Click(AC::Power);
  EXPECT_EQ(window_->graph().plot().title, "Rundown Power Losses");
  EXPECT_EQ(SendMessageA(window_->Control(AC::Power), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageA(window_->Control(AC::Torque), BM_GETCHECK, 0, 0), BST_UNCHECKED);

  // Resized: the graph and the list follow the client area.
  RECT before;
  GetClientRect(window_->Control(AC::Graph), &before);
  RECT frame;
  GetWindowRect(w, &frame);
  SetWindowPos(w, nullptr, 0, 0, frame.right - frame.left + 200, frame.bottom - frame.top + 100,
               SWP_NOMOVE | SWP_NOZORDER);
  Pump();
  RECT after;
  GetClientRect(window_->Control(AC::Graph), &after);
  EXPECT_EQ(after.right - before.right, 200);
  EXPECT_GT(after.bottom, before.bottom);

  Click(AC::Close);
  EXPECT_EQ(closed_, 1);
}

TEST_F(AnalysisWindowTest, CombineRefusedDoneAndAFileThatCannotBeRead) {
  Open({p_.CalFile("Rig 1.Frixa")});
  EXPECT_EQ(Titles(), (std::vector<std::string>{"Rig 1"}));
  Click(AC::Combine);  // one file: nothing to combine
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_EQ(shown_[0].text, "Add two calibration files or more to combine them.");
  EXPECT_TRUE(saved_.empty());

  std::vector<std::vector<std::string>> combined;
  window_->actions.combine = [&](const std::vector<std::string>& files, const std::string& to) {
    combined.push_back(files);
    if (combined.size() == 1) throw std::runtime_error("The files were made with different inertias.");
    std::filesystem::copy_file(files.at(0), to);
  };
  window_->AddFiles(Rig({2}));
  saveAnswers_.push_back(p_.CalFile("Both.Frixa"));
  Click(AC::Combine);
  ASSERT_EQ(saved_.size(), 1u);
  EXPECT_EQ(saved_[0].initDir, p_.CalFolder());
  EXPECT_EQ(saved_[0].fileName, "Combined.Frixa");
  ASSERT_EQ(shown_.size(), 2u);
  EXPECT_EQ(shown_[1].text, "The files were made with different inertias.");
  EXPECT_EQ(shown_[1].title, "Combine");
  EXPECT_EQ(shown_[1].icon, MessageIcon::Exclamation);
  EXPECT_EQ(Rows(), 2);  // refused: nothing added

  saveAnswers_.push_back(p_.CalFile("Both.Frixa"));
  Click(AC::Combine);
  ASSERT_EQ(combined.size(), 2u);
  EXPECT_EQ(combined[1], Rig({1, 2}));
  EXPECT_EQ(shown_.size(), 2u);
  EXPECT_EQ(Titles(), (std::vector<std::string>{"Rig 1", "Rig 2", "Both"}));

  // Cancelled save dialog: nothing combined.
  Click(AC::Combine);
  EXPECT_EQ(combined.size(), 2u);

  // Smooth: the chosen file's model as a new calibration file, added to the list.
  window_->Select(1);
  saveAnswers_.push_back(p_.CalFile("Rig 2 Smoothed.Frixa"));
  Click(AC::Smooth);
  EXPECT_EQ(saved_.back().fileName, "Rig 2 Smoothed.Frixa");
  EXPECT_EQ(shown_.size(), 2u);
  EXPECT_EQ(Titles(), (std::vector<std::string>{"Rig 1", "Rig 2", "Both", "Rig 2 Smoothed"}));
  EXPECT_EQ(Cell(3, 5), Cell(1, 5));  // a row at every RPM of the same range

  // Not a calibration file: a message naming it, the others still added.
  const std::string junk = p_.CalFile("Junk.Frixa");
  std::ofstream(junk, std::ios::binary) << "not a database";
  openAnswers_.push_back({junk, p_.CalFile("Rig 3.Frixa")});
  Click(AC::Add);
  ASSERT_EQ(shown_.size(), 3u);
  EXPECT_EQ(shown_[2].text.rfind("Junk.Frixa: An ERROR (", 0), 0u) << shown_[2].text;
  EXPECT_EQ(shown_[2].title, "Add");
  EXPECT_EQ(Titles().back(), "Rig 3");
}

TEST_F(AnalysisWindowTest, SavedPictureIsTheGraphAsShown) {
  Open(Rig({1, 2, 3}));
  const std::string png = p_.folder.File("graph.png");
  saveAnswers_.push_back(png);
  Click(AC::SavePicture);
  ASSERT_EQ(saved_.size(), 1u);
  EXPECT_EQ(saved_[0].filter, kPictureFilter);
  ASSERT_TRUE(shown_.empty()) << shown_[0].text;
  std::ifstream in(png, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  const std::string file = bytes.str();
  ASSERT_GT(file.size(), 33u);
  RECT graph;
  GetClientRect(window_->Control(AC::Graph), &graph);
  EXPECT_EQ(file.substr(12, 4), "IHDR");
  EXPECT_EQ(Big32(file, 16), static_cast<std::uint32_t>(graph.right));
  EXPECT_EQ(Big32(file, 20), static_cast<std::uint32_t>(graph.bottom));
  // The rows inflate to the size's bytes, and the picture is the one on the screen.
  const std::uint32_t idatLength = Big32(file, 33);
  ASSERT_EQ(file.substr(37, 4), "IDAT");
  std::string raw(static_cast<std::size_t>(graph.bottom) * (1 + 3 * std::size_t(graph.right)), '\0');
  uLongf rawSize = static_cast<uLongf>(raw.size());
  ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(raw.data()), &rawSize,
                       reinterpret_cast<const Bytef*>(file.data() + 41), idatLength),
            Z_OK);
  EXPECT_EQ(rawSize, raw.size());
  HDC dc = GetDC(window_->Control(AC::Graph));
  const COLORREF screen = GetPixel(dc, graph.right / 2, graph.bottom / 3);
  ReleaseDC(window_->Control(AC::Graph), dc);
  const std::size_t at = static_cast<std::size_t>(graph.bottom / 3) * (1 + 3 * std::size_t(graph.right)) +
                         1 + 3 * std::size_t(graph.right / 2);
  EXPECT_EQ(RGB(static_cast<std::uint8_t>(raw[at]), static_cast<std::uint8_t>(raw[at + 1]),
                static_cast<std::uint8_t>(raw[at + 2])),
            screen);
}

TEST_F(AnalysisWindowTest, ReportOfTheChosenFileAndBothGraphsExported) {
  Open(Rig({1, 2, 3}));
  std::vector<std::string> reported;
  window_->actions.report = [&](const std::string& file, const std::string& folder,
                                const std::string& pdf) {
    reported.insert(reported.end(), {file, folder, pdf});
    if (reported.size() > 3) throw Error(70, "Permission denied");
  };
  window_->Select(1);
  saveAnswers_.push_back(p_.folder.File("rig2.pdf"));
  Click(AC::Report);
  ASSERT_EQ(saved_.size(), 1u);
  EXPECT_EQ(saved_[0].fileName, "Rig 2 Report.pdf");  // the file chosen in the list
  EXPECT_EQ(reported, (std::vector<std::string>{Rig({2})[0], p_.app.AppPath, p_.folder.File("rig2.pdf")}));
  saveAnswers_.push_back(p_.folder.File("rig2.pdf"));
  Click(AC::Report);
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_EQ(shown_[0].text, "An ERROR ( 70) has occured (Permission denied)");
  EXPECT_EQ(shown_[0].title, "Report");

  // Export Graphs: the torque graph under the name chosen, the power graph beside it.
  saveAnswers_.push_back(p_.folder.File("rig.png"));
  window_->ExportGraphs();
  EXPECT_EQ(shown_.size(), 1u);
  RECT graph;
  GetClientRect(window_->Control(AC::Graph), &graph);
  for (const char* name : {"rig.png", "rig Power.png"}) {
    std::ifstream in(p_.folder.File(name), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    const std::string file = bytes.str();
    ASSERT_GT(file.size(), 24u) << name;
    EXPECT_EQ(Big32(file, 16), static_cast<std::uint32_t>(graph.right)) << name;
    EXPECT_EQ(Big32(file, 20), static_cast<std::uint32_t>(graph.bottom)) << name;
  }
}

}  // namespace
}  // namespace frixa::win
