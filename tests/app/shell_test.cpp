// Small shell pieces: the argument text start-up takes from the process command line, the
// dialog filter handed to the platform, and the double-click metrics around the graphs' focus.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/dialog_filter.h"
#include "app/double_click.h"
#include "app/startup.h"

namespace frixa {
namespace {

TEST(ArgumentText, SkipsTheProgramNameAndTheBlanksAfterItKeepingTrailingBlanks) {
  EXPECT_EQ(ArgumentText("frixa.exe 1.25      1        "), "1.25      1        ");
  EXPECT_EQ(ArgumentText("\"C:\\Torvex 2\\Frixa.exe\"   0         0        "),
            "0         0        ");
  EXPECT_EQ(ArgumentText("C:\\T\\Frixa.exe"), "");
  EXPECT_EQ(ArgumentText("\"C:\\T\\Frixa.exe\""), "");
  EXPECT_EQ(ArgumentText("frixa.exe    "), "");
  EXPECT_EQ(ArgumentText("frixa.exe\t  abc "), "abc ");
}

TEST(ArgumentText, AQuotedNameEndsAtItsClosingQuoteWithOrWithoutABlankAfterIt) {
  const std::string_view module = "C:\\Frixa\\Frixa.exe";
  EXPECT_EQ(ArgumentText("\"C:\\Frixa\\Frixa.exe\"1.25      1        ", module),
            "1.25      1        ");
  EXPECT_EQ(ArgumentText("\"C:\\Frixa\\Frixa.exe\"1.25      1        "),
            "1.25      1        ");
  EXPECT_EQ(ArgumentText("\"Frixa\"  \t0         0        "), "0         0        ");
  // A quote that never closes takes the whole line as the name.
  EXPECT_EQ(ArgumentText("\"C:\\Frixa\\Frixa.exe 1.25      1        "), "");
}

TEST(ArgumentText, TheProgramsOwnPathUnquotedIsTakenWholeBlanksAndAll) {
  const std::string_view module = "C:\\Program Files\\Frixa\\Frixa.exe";
  const std::string args = "1.25      1        ";
  EXPECT_EQ(ArgumentText("C:\\Program Files\\Frixa\\Frixa.exe " + args, module), args);
  EXPECT_EQ(ArgumentText("C:\\Program Files\\Frixa\\Frixa.exe   \t" + args, module), args);
  // The system compares paths without regard to case, and the name may leave out ".exe".
  EXPECT_EQ(ArgumentText("c:\\PROGRAM FILES\\frixa\\FRIXA.EXE " + args, module), args);
  EXPECT_EQ(ArgumentText("C:\\Program Files\\Frixa\\Frixa " + args, module), args);
  EXPECT_EQ(ArgumentText("C:\\Program Files\\Frixa\\Frixa.exe", module), "");
  // Without the module's path, or with another program's, the name ends at its first blank,
  // as the system's own parsing has it.
  EXPECT_EQ(ArgumentText("C:\\Program Files\\Frixa\\Frixa.exe " + args),
            "Files\\Frixa\\Frixa.exe " + args);
  EXPECT_EQ(ArgumentText("C:\\Program Files\\Other\\Frixa.exe " + args, module),
            "Files\\Other\\Frixa.exe " + args);
  // The path must end where the name does: a longer word is not the program.
  EXPECT_EQ(ArgumentText("C:\\Program Files\\Frixa\\Frixa.exe2 " + args, module),
            "Files\\Frixa\\Frixa.exe2 " + args);
  EXPECT_EQ(ArgumentText("C:\\Program Files\\Frixa\\Frixa.bak " + args, module),
            "Files\\Frixa\\Frixa.bak " + args);
}

TEST(ArgumentText, StartUpReadsTheHostsParametersAfterEitherKindOfName) {
  const std::string_view module = "C:\\Program Files\\Frixa\\Frixa.exe";
  for (const std::string_view line :
       {std::string_view("C:\\Program Files\\Frixa\\Frixa.exe 1.25      1        "),
        std::string_view("\"C:\\Program Files\\Frixa\\Frixa.exe\"1.25      1        "),
        std::string_view("\"C:\\Program Files\\Frixa\\Frixa.exe\"  1.25      1        ")}) {
    const std::string_view text = ArgumentText(line, module);
    ASSERT_EQ(text.size(), kCommandLineLength) << line;
    const HostParameters p = ParseHostCommandLine(text, {});
    EXPECT_EQ(p.inertiaFactor, 1.25f);
    EXPECT_EQ(p.sensorMassRatio, 1.0f);
  }
}

template <std::size_t N>
std::string WithNuls(const char (&text)[N]) {
  return std::string(text, N - 1);
}

TEST(DialogFilter, BarsBecomeNulsWithADoubleNulAtTheEnd) {
  EXPECT_EQ(DialogFilterForPlatform("Frixa (*.Frixa)|*.Frixa|"),
            WithNuls("Frixa (*.Frixa)\0*.Frixa\0\0"));
  EXPECT_EQ(DialogFilterForPlatform("A|*.a|B|*.b"), WithNuls("A\0*.a\0B\0*.b\0\0"));
  EXPECT_EQ(DialogFilterForPlatform(""), WithNuls("\0\0"));
}

class FakeDoubleClick : public DoubleClickSettings {
 public:
  DoubleClickMetrics now{7, 9, 450};
  std::vector<std::string> calls;
  DoubleClickMetrics Current() override { return now; }
  void SystemParametersInfoA(std::uint32_t action, std::uint32_t value,
                             std::uint32_t flags) override {
    calls.push_back(std::to_string(action) + ":" + std::to_string(value) + ":" +
                    std::to_string(flags));
    if (action == kSpiSetDoubleClkWidth) now.width = static_cast<std::int32_t>(value);
    if (action == kSpiSetDoubleClkHeight) now.height = static_cast<std::int32_t>(value);
    if (action == kSpiSetDoubleClickTime) now.timeMs = static_cast<std::int32_t>(value);
  }
};

TEST(DoubleClickMetrics, SetsWidthHeightThenTimeWithFlagsFromPersist) {
  FakeDoubleClick fake;
  SetDoubleClickMetrics(fake, 4, 5, 300, false);
  SetDoubleClickMetrics(fake, 1, 2, 3, true);
  EXPECT_EQ(fake.calls, (std::vector<std::string>{"29:4:0", "30:5:0", "32:300:0", "29:1:3",
                                                  "30:2:3", "32:3:3"}));
}

TEST(DoubleClickMetrics, GraphFocusSwitchesDoubleClicksOffAndLeavingRestoresTheUsersValues) {
  FakeDoubleClick fake;
  GraphFocusMetrics focus(fake);
  focus.GotFocus();
  EXPECT_EQ(fake.now, (DoubleClickMetrics{0, 0, 0}));
  focus.LostFocus();
  EXPECT_EQ(fake.now, (DoubleClickMetrics{7, 9, 450}));  // not 4, 4, 300
  EXPECT_EQ(fake.calls.back(), "32:450:0");
}

TEST(DoubleClickMetrics, FocusMovingBetweenGraphsKeepsTheFirstSavedValues) {
  FakeDoubleClick fake;
  GraphFocusMetrics focus(fake);
  focus.GotFocus();   // power graph
  focus.LostFocus();  // to the torque graph
  focus.GotFocus();
  EXPECT_EQ(fake.now, (DoubleClickMetrics{0, 0, 0}));
  focus.GotFocus();  // a repeated notification must not save the zeros
  focus.LostFocus();
  EXPECT_EQ(fake.now, (DoubleClickMetrics{7, 9, 450}));
  fake.calls.clear();
  focus.LostFocus();  // nothing saved: nothing to put back
  EXPECT_TRUE(fake.calls.empty());
}

}  // namespace
}  // namespace frixa
