// The window base: a window destroyed with its object routes nothing to the object once its
// destruction has begun, its child windows' teardown included, and raises no event.
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

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
  Holder(Journal& mine, Journal& child) : RecordingWindow(mine), child_(child) {}
  bool Create() {
    if (!RecordingWindow::Create(nullptr) || !child_.Create(hwnd())) return false;
    edit_.Create("EDIT", 0, "text", WS_CHILD | WS_VISIBLE, 0, 100, 100, 20, hwnd(), 8);
    SetFocus(child_.hwnd());
    return true;
  }
  HWND child() const { return child_.hwnd(); }

 private:
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

}  // namespace
}  // namespace frixa::win
