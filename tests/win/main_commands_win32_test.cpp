// The main window running the real Create, Apply and Remove from its buttons and menu items on
// its own record sets: the file dialog and the questions are answered by a script, the outcome
// is read where the user sees it (the status log) and on the disk.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <new>
#include <stdexcept>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/startup.h"
#include "calfile/recorded_fit.h"
#include "common/error.h"
#include "recordset/data_controls.h"
#include "sim/rundown_simulator.h"
#include "support/fake_registry.h"
#include "support/run_files.h"
#include "support/win32_messages.h"
#include "win/main_window.h"
#include "win/ui_resources.h"
#include "win/win32_frontend.h"

namespace frixa::win {
namespace {

class AnsweringFrontend : public Win32Frontend {
 public:
  using Win32Frontend::Win32Frontend;
  std::deque<MessageAnswer> answers;
  std::deque<std::string> fileNames;
  std::vector<std::string> messages;
  std::vector<std::string> titles;
  int dialogsShown = 0;
  // Called with every status line and process caption a command writes, while it runs.
  std::function<void(std::string_view)> during;

  void AppendStatusLine(std::string_view text) override {
    Win32Frontend::AppendStatusLine(text);
    if (during) during(text);
  }
  void SetProcessCaption(std::string_view caption) override {
    Win32Frontend::SetProcessCaption(caption);
    if (during) during(caption);
  }
  MessageAnswer ShowMessage(std::string_view text, std::string_view title, MessageIcon,
                            MessageButtons buttons) override {
    messages.emplace_back(text);
    titles.emplace_back(title);
    if (answers.empty()) {
      return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
    }
    const MessageAnswer a = answers.front();
    answers.pop_front();
    return a;
  }
  std::string AskFileName(const FileDialogSettings&) override {
    ++dialogsShown;
    if (fileNames.empty()) return "";
    std::string name = fileNames.front();
    fileNames.pop_front();
    return name;
  }
};

using testing::Pump;

std::vector<std::string> LogLines(HWND status) {
  const int n = GetWindowTextLengthA(status);
  std::string text(static_cast<std::size_t>(n) + 1, '\0');
  GetWindowTextA(status, text.data(), n + 1);
  text.resize(static_cast<std::size_t>(n));
  std::vector<std::string> lines;
  std::size_t from = 0;
  for (std::size_t at; (at = text.find("\r\n", from)) != std::string::npos; from = at + 2) {
    lines.push_back(text.substr(from, at - from));
  }
  return lines;
}

class MainCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directory(CalFolder());
    app_.todayShortDate = [] { return std::string("12/9/2026"); };
    MainCommands commands;
    commands.openBrowser = [this] {
      ++browserOpened_;
      if (browserFails_) browserFails_();
    };
    ASSERT_TRUE(main_.Create(app_, std::move(commands)));
    main_.shellExecute = [this](HWND, const char*, const char*, const char*, const char*,
                                int) -> std::intptr_t {
      ++manualOpened_;
      return kManualOpened;
    };
    std::vector<std::uint32_t> counts;
    for (std::uint32_t i = 0; i < 60; ++i) counts.push_back(20000 + 60 * i);
    testing::WriteRunFile(app_.ProgramFile(kRunFileName), testing::RecordsWithCounts(counts));
  }
  void Start(std::string_view commandLine) {
    ASSERT_EQ(RunStartup(app_, commandLine, NumberLocale{}, registry_, false),
              StartupOutcome::Shown);
    main_.Show();
    Pump();
  }
  void TearDown() override { Pump(); }

  std::string CalFolder() const { return folder_.File("Custom Cal"); }
  std::string HostFile() const { return app_.ProgramFile("Torvex2.005"); }
  std::vector<std::string> Log() const { return LogLines(main_.Control(MainControl::Status)); }
  void Click(MainControl c) {
    SendMessageA(main_.Control(c), BM_CLICK, 0, 0);
    Pump();
  }
  void Menu(int item) {
    SendMessageA(main_.hwnd(), WM_COMMAND, MAKEWPARAM(item, 0), 0);
    Pump();
  }
  // A click of the mouse on a control, left in the queue as the system leaves a real one.
  void QueueClick(MainControl c) {
    PostMessageA(main_.Control(c), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    PostMessageA(main_.Control(c), WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
  }
  void CreateRig() {
    ui_.fileNames.push_back(CalFolder() + "\\Rig");
    Menu(mainFileCreate);
  }
  std::string Messages() const {
    std::ostringstream out;
    for (const auto& m : ui_.messages) out << m << " | ";
    return out.str();
  }

  testing::TempFolder folder_;
  UiFonts fonts_{ScreenDpi()};
  Artwork art_{GetModuleHandleA(nullptr)};
  MainWindow main_{fonts_, art_, WindowsDoubleClickSettings()};
  AnsweringFrontend ui_{main_};
  App app_{ui_, folder_.str()};
  testing::FakeRegistry registry_;
  int browserOpened_ = 0;
  std::function<void()> browserFails_;
  int manualOpened_ = 0;
};

TEST_F(MainCommandsTest, FileProcessRunsCreateWhileGoIsDisabled) {
  Start("0         0        ");
  ASSERT_FALSE(IsWindowEnabled(main_.Control(MainControl::Go)));
  CreateRig();
  const std::vector<std::string> log = Log();
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log[0], "Creating a Losses Cal File");
  EXPECT_EQ(log[2], "Filename : Rig.Frixa");
}

TEST_F(MainCommandsTest, GoAfterAPreviewWritesTheCalibrationFile) {
  Start("1.25      1        ");
  ASSERT_TRUE(IsWindowEnabled(main_.Control(MainControl::Go)));
  ui_.messages.clear();
  ui_.fileNames.push_back(CalFolder() + "\\Rig");
  Click(MainControl::Go);
  EXPECT_TRUE(ui_.messages.empty()) << Messages();
  EXPECT_TRUE(std::filesystem::exists(CalFolder() + "\\Rig.Frixa"));
  const std::vector<std::string> log = Log();
  ASSERT_GE(log.size(), 4u);
  EXPECT_EQ(log[0], "Creating a Losses Cal File");
  EXPECT_EQ(log[log.size() - 2], "Process Completed");
  EXPECT_EQ(log.back(), std::string(24, '*'));
}

TEST_F(MainCommandsTest, ApplyButtonAndMenuWriteTheHostFileAndRemoveDeletesIt) {
  Start("1.25      1        ");
  CreateRig();
  ASSERT_FALSE(std::filesystem::exists(HostFile()));

  ui_.fileNames.push_back(CalFolder() + "\\Rig.Frixa");
  Click(MainControl::ApplyDC);
  EXPECT_TRUE(std::filesystem::exists(HostFile()));
  std::vector<std::string> log = Log();
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log[0], "Apply a Frixa File");
  EXPECT_EQ(log[2], "Source Filename : Rig.Frixa");
  EXPECT_EQ(log[log.size() - 2], "Done");

  ui_.answers = {MessageAnswer::Yes};
  Click(MainControl::Delete005);
  EXPECT_FALSE(std::filesystem::exists(HostFile()));
  log = Log();
  EXPECT_EQ(log.back(), "Torvex Losses : Disabled");

  ui_.fileNames.push_back(CalFolder() + "\\Rig.Frixa");
  Menu(Mainfileapply);
  EXPECT_TRUE(std::filesystem::exists(HostFile()));
  EXPECT_EQ(Log().back(), "********");

  ui_.answers = {MessageAnswer::No};
  Menu(MainFileRemove);
  EXPECT_TRUE(std::filesystem::exists(HostFile()));
  EXPECT_EQ(Log().back(), std::string(44, '-'));

  ui_.answers = {MessageAnswer::Yes};
  Menu(MainFileRemove);
  EXPECT_FALSE(std::filesystem::exists(HostFile()));
  EXPECT_EQ(Log().back(), "Torvex Losses : Disabled");

  ui_.answers = {MessageAnswer::Yes};
  Click(MainControl::Delete005);
  EXPECT_EQ(Log().back(), "Already inactive....");
  // The preview's and Remove's questions, and Apply's two offers of the fitted curve (this run's
  // stored curve strays from its fit), answered No: the stored curve, as plain Apply.
  EXPECT_EQ(ui_.messages.size(), 7u) << Messages();
}

TEST_F(MainCommandsTest, CompensationStatusFollowsApplyRemoveAndTheFolderOnActivation) {
  HWND status = main_.Control(MainControl::CompensationStatus);
  ASSERT_EQ(GetParent(status), main_.Control(MainControl::Picture3));
  Start("1.25      1        ");
  EXPECT_EQ(testing::Text(status), "Loss compensation OFF");
  CreateRig();
  ui_.fileNames.push_back(CalFolder() + "\\Rig.Frixa");
  Click(MainControl::ApplyDC);
  EXPECT_EQ(testing::Text(status), "Loss compensation ON: Rig");
  ui_.answers = {MessageAnswer::Yes};
  Click(MainControl::Delete005);
  EXPECT_EQ(testing::Text(status), "Loss compensation OFF");

  // Torvex2.005 changed behind the program's back: the status follows when the window is
  // activated. A host file of another curve (the calibration file's own Losses emptied)...
  ui_.fileNames.push_back(CalFolder() + "\\Rig.Frixa");
  Click(MainControl::ApplyDC);
  {
    RecordSet rs;
    Bind(rs, HostFile(), "Select * from Losses");
    rs.Delete();
    Release(rs);
  }
  SendMessageA(main_.hwnd(), WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_EQ(testing::Text(status), "Loss compensation ON: unknown calibration");
  // ...and a damaged one.
  std::filesystem::resize_file(HostFile(), 1000);
  SendMessageA(main_.hwnd(), WM_ACTIVATE, WA_CLICKACTIVE, 0);
  EXPECT_EQ(testing::Text(status), "Loss compensation: Torvex2.005 cannot be read");
  std::filesystem::remove(HostFile());
  SendMessageA(main_.hwnd(), WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_EQ(testing::Text(status), "Loss compensation OFF");

  // The text lies left of the picture, inside the top band.
  RECT text, logo, band;
  GetWindowRect(status, &text);
  GetWindowRect(main_.Control(MainControl::Image1), &logo);
  GetWindowRect(main_.Control(MainControl::Picture3), &band);
  EXPECT_LE(text.right, logo.left);
  EXPECT_GE(text.left, band.left);
  EXPECT_LE(text.bottom, band.bottom);
}

// While Create serves the event loop, every other command is refused, whether its button is
// clicked, its menu item chosen or the close box pressed; the clicks that reach the window
// meanwhile are dropped, not served once Create has ended.
TEST_F(MainCommandsTest, CalibrationCheckAfterCreateAndApplysFittedChoice) {
  // A noisy rundown: bounces, missed pulses and a driven start.
  RundownModel model;
  model.startRpm = 1500;
  model.endRpm = 600;
  model.frictionA = 6.0;
  model.frictionB = 0.02;
  model.doubleTriggerRate = 0.02;
  model.missedPulseRate = 0.01;
  model.drivenRevolutions = 150;
  WriteRundownFile(model, app_.ProgramFile(kRunFileName));
  HWND check = main_.Control(MainControl::CalibrationCheck);
  ASSERT_EQ(GetParent(check), main_.Control(MainControl::Picture3));
  Start("1.25      1        ");
  EXPECT_EQ(testing::Text(check), "");
  const std::size_t before = ui_.messages.size();
  CreateRig();
  ASSERT_EQ(ui_.messages.size(), before) << Messages();
  // Under the compensation status, inside the top band, left of the picture.
  const std::string created = testing::Text(check);
  EXPECT_EQ(created.rfind("Stored curve strays ", 0), 0u) << created;
  EXPECT_NE(created.find(" % from the fitted friction: Apply offers the fitted curve"),
            std::string::npos) << created;
  EXPECT_EQ(created, main_.calibrationCheck().text);
  RECT text, status, logo;
  GetWindowRect(check, &text);
  GetWindowRect(main_.Control(MainControl::CompensationStatus), &status);
  GetWindowRect(main_.Control(MainControl::Image1), &logo);
  EXPECT_EQ(text.top, status.bottom);
  EXPECT_LE(text.right, logo.left);

  // Apply asks; Yes hands the host the fitted curve, as apply --fitted writes it.
  ui_.answers = {MessageAnswer::Yes};
  ui_.fileNames.push_back(CalFolder() + "\\Rig.Frixa");
  Click(MainControl::ApplyDC);
  ASSERT_EQ(ui_.messages.size(), before + 1) << Messages();
  EXPECT_EQ(ui_.messages.back().rfind("The loss curve stored in Rig.Frixa strays up to ", 0), 0u)
      << Messages();
  EXPECT_EQ(ui_.titles.back(), "Frixa - Torvex Interface");
  const std::vector<LossCurveRow> fitted = FittedLossCurve(CalFolder() + "\\Rig.Frixa");
  RecordSet host;
  Bind(host, HostFile(), "Select * from Losses");
  std::size_t rows = 0;
  for (; !host.Eof(); host.MoveNext(), ++rows) {
    ASSERT_LT(rows, fitted.size());
    EXPECT_EQ(host.Fields(0).AsDouble(), fitted[rows].rpm);
    EXPECT_EQ(host.Fields(2).AsDouble(), static_cast<double>(static_cast<float>(fitted[rows].nm)));
  }
  Release(host);
  EXPECT_EQ(rows, fitted.size());
  EXPECT_EQ(testing::Text(check), "Fitted curve applied: the stored curve strays " +
                                       created.substr(20, created.find(" % from") - 20) +
                                       " % from it");
  EXPECT_EQ(Log().back(), "********");
}

TEST_F(MainCommandsTest, WhileCreateRunsNothingElseStartsAndItsClicksAreDropped) {
  Start("1.25      1        ");
  testing::WriteBytes(HostFile(), {1, 2, 3});
  ui_.messages.clear();
  int tries = 0;
  ui_.during = [&](std::string_view line) {
    if (line == "Raw Data Processing") {  // the physics processor serves the loop next
      ++tries;
      for (MainControl c : {MainControl::Delete005, MainControl::ShowFRIXA, MainControl::ApplyDC,
                            MainControl::Go, MainControl::HelpDisp, MainControl::Quit}) {
        SendMessageA(main_.Control(c), BM_CLICK, 0, 0);
        QueueClick(c);
      }
      for (int item : {MainFileRemove, Mainfileapply, mainFileCreate, MainFileClose,
                       MainHelpManual, MainHelpAbout}) {
        SendMessageA(main_.hwnd(), WM_COMMAND, MAKEWPARAM(item, 0), 0);
      }
      SendMessageA(main_.hwnd(), WM_CLOSE, 0, 0);
    } else if (line == "Process Completed") {  // no event loop after this line
      ++tries;
      QueueClick(MainControl::Go);
      QueueClick(MainControl::Delete005);
      PostMessageA(main_.Control(MainControl::Go), WM_KEYDOWN, VK_SPACE, 0);
      PostMessageA(main_.Control(MainControl::Go), WM_KEYUP, VK_SPACE, 0xC0000001);
    }
  };
  ui_.fileNames.push_back(CalFolder() + "\\Rig");
  Click(MainControl::Go);
  ui_.during = nullptr;
  EXPECT_EQ(tries, 2);
  EXPECT_EQ(ui_.dialogsShown, 1);
  EXPECT_TRUE(ui_.messages.empty()) << Messages();
  EXPECT_EQ(browserOpened_, 0);
  EXPECT_EQ(manualOpened_, 0);
  EXPECT_EQ(main_.aboutBox(), nullptr);
  ASSERT_TRUE(IsWindow(main_.hwnd()));
  EXPECT_TRUE(IsWindowVisible(main_.hwnd()));
  ASSERT_TRUE(std::filesystem::exists(HostFile()));
  EXPECT_EQ(std::filesystem::file_size(HostFile()), 3u);
  EXPECT_TRUE(std::filesystem::exists(CalFolder() + "\\Rig.Frixa"));
  const std::vector<std::string> log = Log();
  ASSERT_GE(log.size(), 4u);
  EXPECT_EQ(log[0], "Creating a Losses Cal File");
  EXPECT_EQ(log[log.size() - 2], "Process Completed");
  EXPECT_FALSE(app_.commandRunning);

  // The same queued click with no command running is served: it is the Go button's click.
  QueueClick(MainControl::Go);
  Pump();
  EXPECT_EQ(ui_.dialogsShown, 2);
}

// An error that no command catches, thrown out of a handler, is reported under the program's
// title with its number; the window stays as it was and takes the next command.
TEST_F(MainCommandsTest, AnErrorLeavingAHandlerIsReportedAndTheProgramGoesOn) {
  Start("1.25      1        ");
  ui_.messages.clear();
  ui_.titles.clear();
  browserFails_ = [] { throw std::bad_alloc(); };
  Click(MainControl::ShowFRIXA);
  browserFails_ = [] { throw std::runtime_error("unexpected"); };
  Click(MainControl::ShowFRIXA);
  browserFails_ = [] { RaiseJetError(errnum::kJetCannotOpen, "Rig.Frixa"); };
  Click(MainControl::ShowFRIXA);
  EXPECT_EQ(browserOpened_, 3);
  EXPECT_EQ(ui_.messages, (std::vector<std::string>{"An ERROR ( 7) has occured",
                                                    "An ERROR ( 51) has occured",
                                                    "An ERROR ( 3051) has occured"}));
  EXPECT_EQ(ui_.titles, (std::vector<std::string>(3, "Frixa")));
  EXPECT_TRUE(IsWindowVisible(main_.hwnd()));
  EXPECT_FALSE(app_.commandRunning);

  ui_.messages.clear();
  CreateRig();
  EXPECT_TRUE(ui_.messages.empty()) << Messages();
  EXPECT_EQ(Log()[Log().size() - 2], "Process Completed");
}

}  // namespace
}  // namespace frixa::win
