// The window base: a window destroyed with its object routes nothing to the object once its
// destruction has begun, its child windows' teardown included, and raises no event; a painted
// window gives WM_PRINTCLIENT the picture it puts on the screen.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <vector>

#include "support/win32_messages.h"
#include "win/controls.h"
#include "win/digit_display.h"
#include "win/win32_window.h"

namespace frixa::win {
namespace {

// What one window's object heard, kept outside it so that it can be read after it is gone.
struct Journal {
  bool going = false;      // the object's destructor has begun
  int heardWhileGoing = 0;
  int destroys = 0;        // WM_DESTROY seen by the object
};

class RecordingWindow : public CustomWindow {
 public:
  explicit RecordingWindow(Journal& journal) : journal_(journal) {}
  ~RecordingWindow() override { journal_.going = true; }
  bool Create(HWND parent) {
    return CreateBound({.className = "FrixaTestRecording",
                        .style = static_cast<DWORD>(parent ? WS_CHILD | WS_VISIBLE
                                                           : WS_OVERLAPPEDWINDOW | WS_VISIBLE),
                        .width = 200, .height = 150, .parent = parent, .id = parent ? 7 : 0});
  }

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
    if (journal_.going) ++journal_.heardWhileGoing;
    if (msg == WM_DESTROY) ++journal_.destroys;
    return CustomWindow::HandleMessage(msg, wp, lp);
  }

 private:
  Journal& journal_;
};

// A window holding a child window of ours (which has the focus) and a system edit box.
class Holder : public RecordingWindow {
 public:
  Holder(Journal& mine, Journal& child) : RecordingWindow(mine), mine_(mine), child_(child) {}
  ~Holder() override { mine_.going = true; }  // before its members go
  bool Create() {
    if (!RecordingWindow::Create(nullptr) || !child_.Create(hwnd())) return false;
    edit_.Create("EDIT", 0, "text", WS_CHILD | WS_VISIBLE, 0, 100, 100, 20, hwnd(), 8);
    SetFocus(child_.hwnd());
    return true;
  }
  HWND child() const { return child_.hwnd(); }

 private:
  Journal& mine_;
  RecordingWindow child_;
  SystemControl edit_;
};

TEST(CustomWindow, DestroyedWithItsObjectItRoutesNothingToTheGoingObjects) {
  Journal mine, child;
  HWND window = nullptr, childWindow = nullptr;
  {
    Holder holder(mine, child);
    ASSERT_TRUE(holder.Create());
    window = holder.hwnd();
    childWindow = holder.child();
    ASSERT_EQ(GetFocus(), childWindow);
  }
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(IsWindow(childWindow));
  EXPECT_TRUE(mine.going);
  EXPECT_TRUE(child.going);
  // Neither the focus leaving the child nor the parent's notifications of its children reached
  // the holder, and no one saw WM_DESTROY.
  EXPECT_EQ(mine.heardWhileGoing, 0);
  EXPECT_EQ(child.heardWhileGoing, 0);
  EXPECT_EQ(mine.destroys, 0);
  EXPECT_EQ(child.destroys, 0);
}

TEST(CustomWindow, DestroyedWhileItsObjectLivesItHearsWmDestroyAndLetsGo) {
  Journal mine, child;
  Holder holder(mine, child);
  ASSERT_TRUE(holder.Create());
  DestroyWindow(holder.hwnd());
  EXPECT_EQ(holder.hwnd(), nullptr);
  EXPECT_EQ(holder.child(), nullptr);
  EXPECT_EQ(mine.destroys, 1);
  EXPECT_EQ(child.destroys, 1);
}

TEST(PaintedWindow, PrintClientGivesThePixelsOnTheScreen) {
  Journal journal;
  RecordingWindow host(journal);
  ASSERT_TRUE(host.Create(nullptr));
  PictureBox box;
  ASSERT_TRUE(box.Create(host.hwnd(), {0, 0, 180, 100}, nullptr));  // 180 wide: see below
  box.AddLine({5, 90}, {170, 60});
  Label label;  // transparent: the box shows through it
  ASSERT_TRUE(label.Create(box.hwnd(), {10, 50, 120, 30}, "Mass RPM", nullptr, RGB(255, 0, 0),
                           Label::Align::Centre));
  DigitDisplay digits;
  ASSERT_TRUE(digits.Create(box.hwnd(), 10, 10, 67, 23, 5, RGB(0, 0, 0), "1234"));
  SetForegroundWindow(host.hwnd());
  UpdateWindow(host.hwnd());
  testing::Pump();
  for (HWND w : {box.hwnd(), label.hwnd(), digits.hwnd()}) {
    const std::vector<COLORREF> shown = testing::ClientPixels(w, false),
                                printed = testing::ClientPixels(w, true);
    ASSERT_FALSE(shown.empty());
    ASSERT_EQ(printed.size(), shown.size());
    // The screen shows the box's children over it; WM_PRINTCLIENT draws the box alone.
    const auto underChild = [&](std::size_t i) {
      const POINT at{static_cast<LONG>(i % 180), static_cast<LONG>(i / 180)};
      return w == box.hwnd() && ChildWindowFromPointEx(w, at, CWP_SKIPINVISIBLE) != w;
    };
    std::size_t differ = 0, compared = 0;
    for (std::size_t i = 0; i < shown.size(); ++i) {
      if (underChild(i)) continue;
      ++compared;
      differ += printed[i] != shown[i];
    }
    EXPECT_GT(compared, shown.size() / 2);
    EXPECT_EQ(differ, 0u) << WindowText(w);
  }
  // Not a blank picture: the label's red text and the digits' black segments are there.
  const auto count = [](const std::vector<COLORREF>& p, COLORREF c) {
    return std::count(p.begin(), p.end(), c);
  };
  EXPECT_GT(count(testing::ClientPixels(label.hwnd(), true), RGB(255, 0, 0)), 20);
  EXPECT_GT(count(testing::ClientPixels(digits.hwnd(), true), RGB(0, 0, 0)), 50);
}

}  // namespace
}  // namespace frixa::win
