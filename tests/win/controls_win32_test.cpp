// The list and drop-down list wrappers: what the user chooses raises the event once, with the
// item chosen; what the code selects raises nothing.
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "win/controls.h"

namespace frixa::win {
namespace {

// A window that hands its WM_COMMAND to the controls' router, as the windows do.
class Host : public CustomWindow {
 public:
  bool Create() {
    return CreateBound({.className = "FrixaTestControlHost",
                        .style = WS_OVERLAPPEDWINDOW | WS_VISIBLE, .width = 300, .height = 200});
  }
  int routed = 0;

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
    if (msg == WM_COMMAND) {
      routed += NotifyingControl::RouteCommand(wp, lp);
      return 0;
    }
    return CustomWindow::HandleMessage(msg, wp, lp);
  }
};

TEST(ListBox, AClickRaisesOneSelectionChangeADoubleClickOneDoubleClickTheCodeNeither) {
  Host host;
  ASSERT_TRUE(host.Create());
  ListBox list;
  ASSERT_TRUE(list.Create(host.hwnd(), {10, 10, 120, 120}, 5, 0));
  std::vector<int> chosen, doubled;
  list.onSelectionChange = [&](int i) { chosen.push_back(i); };
  list.onDoubleClick = [&](int i) { doubled.push_back(i); };
  for (const char* name : {"first", "second", "third"}) list.Add(name);
  list.SetSelection(1);
  EXPECT_EQ(list.Selection(), 1);
  EXPECT_TRUE(chosen.empty());

  RECT third;
  SendMessageA(list.hwnd(), LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&third));
  const LPARAM at = MAKELPARAM(third.left + 5, (third.top + third.bottom) / 2);
  SendMessageA(list.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageA(list.hwnd(), WM_LBUTTONUP, 0, at);
  EXPECT_EQ(chosen, std::vector<int>{2});
  EXPECT_EQ(list.Text(2), "third");
  EXPECT_EQ(list.Text(3), "");

  SendMessageA(list.hwnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  SendMessageA(list.hwnd(), WM_LBUTTONUP, 0, at);
  EXPECT_EQ(doubled, std::vector<int>{2});
  EXPECT_EQ(chosen, std::vector<int>{2});
  EXPECT_GE(host.routed, 2);
}

TEST(ComboBox, AKeyChoosingTheNextItemRaisesOneSelectionChangeTheCodeNone) {
  Host host;
  ASSERT_TRUE(host.Create());
  ComboBox combo;
  ASSERT_TRUE(combo.Create(host.hwnd(), {10, 10, 120, 150}, 6, CBS_DROPDOWNLIST));
  std::vector<int> chosen;
  combo.onSelectionChange = [&](int i) { chosen.push_back(i); };
  EXPECT_EQ(combo.Add("c: [Local Disk]"), 0);
  EXPECT_EQ(combo.Add("d: [CD Drive]"), 1);
  combo.SetSelection(0);
  EXPECT_TRUE(chosen.empty());
  SetFocus(combo.hwnd());
  SendMessageA(combo.hwnd(), WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_EQ(chosen, std::vector<int>{1});
  EXPECT_EQ(combo.Selection(), 1);
  EXPECT_EQ(combo.Text(1), "d: [CD Drive]");
}

}  // namespace
}  // namespace frixa::win
