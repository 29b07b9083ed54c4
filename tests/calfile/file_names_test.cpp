// File titles of chosen paths and the extension of typed names.
#include <gtest/gtest.h>

#include "calfile/file_names.h"
#include "common/app.h"

namespace frixa {
namespace {

std::string P(std::string s) {  // a path written with backslashes, in the platform's form
  for (auto& c : s) {
    if (c == '\\') c = kPathSeparator;
  }
  return s;
}

TEST(StripPathAndExtension, KeepsTheTitleBeforeItsFirstFullStop) {
  EXPECT_EQ(StripPathAndExtension(P("C:\\Cal\\Rig 2.Frixa")), "Rig 2");
  EXPECT_EQ(StripPathAndExtension(P("C:\\Cal\\a.b.Frixa")), "a");
  EXPECT_EQ(StripPathAndExtension(P("C:\\dir.x\\plain")), "plain");
  EXPECT_EQ(StripPathAndExtension(P("C:\\Cal\\.Frixa")), "");
  EXPECT_EQ(StripPathAndExtension("Rig 2.Frixa"), "Rig 2");
  EXPECT_EQ(StripPathAndExtension(P("C:\\Cal\\")), "");
}

TEST(WithCalibrationExtension, AppendsUnlessTheNameEndsInExactlyFrixa) {
  EXPECT_EQ(WithCalibrationExtension("Rig 2"), "Rig 2.Frixa");
  EXPECT_EQ(WithCalibrationExtension("Rig 2.Frixa"), "Rig 2.Frixa");
  EXPECT_EQ(WithCalibrationExtension("Rig 2.FRIXA"), "Rig 2.FRIXA.Frixa");
  EXPECT_EQ(WithCalibrationExtension("Rig.frixa"), "Rig.frixa.Frixa");
  EXPECT_EQ(WithCalibrationExtension("Frixa"), "Frixa.Frixa");
}

}  // namespace
}  // namespace frixa
