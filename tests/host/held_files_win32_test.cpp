// Files held open by another program, as Windows lets programs hold them: without sharing (a
// program that locks the file) or sharing reading only (a viewer). Apply, Create, the browser's
// display and its comment update end with a clear error, or as far as the holder allows, and
// neither the held file nor Torvex2.005 changes.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "browser/file_browser.h"
#include "calfile/create_command.h"
#include "host/apply_command.h"
#include "support/calibration_fixture.h"

namespace frixa {
namespace {

std::vector<char> Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Another program's handle on a file for the lifetime of the object.
class Held {
 public:
  Held(const std::string& path, DWORD share)
      : h_(CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~Held() {
    if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
  }
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;
  bool ok() const { return h_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE h_;
};

class HeldFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    RundownModel model = testing::ProgramFolder::ShortRundown();
    p.SimulateAndPreview(model);
    p.Create("Rig");
    model.frictionA = 9.0;  // another curve, so that applying one replaces the other
    p.SimulateAndPreview(model);
    p.Create("Other");
    Apply("Other");
    ASSERT_TRUE(p.ui.messages.empty());
    rig = p.CalFile("Rig.Frixa");
    host = p.app.ProgramFile("Torvex2.005");
  }
  void Apply(const std::string& name) {
    p.ui.fileNameAnswers.push_back(p.CalFile(name));
    ApplyCommand(p.app, p.dc);
  }
  testing::ProgramFolder p;
  std::string rig, host;
};

TEST_F(HeldFiles, LockedCalibrationFileIsNeitherShownNorAppliedAndNothingChanges) {
  const auto rigBefore = Bytes(rig);
  const auto hostBefore = Bytes(host);
  auto lock = std::make_unique<Held>(rig, 0);
  ASSERT_TRUE(lock->ok());

  FileBrowser b('.');
  EXPECT_FALSE(b.ShowFile(rig));
  EXPECT_EQ(b.display().values[0], "No File Selected");
  EXPECT_FALSE(b.SaveComment("not saved"));
  b.Release();

  Apply("Rig");
  ASSERT_EQ(p.ui.messages.size(), 1u);
  EXPECT_EQ(p.ui.messages[0].title, "Frixa - Torvex Interface");
  EXPECT_EQ(p.ui.messages[0].text.rfind("An ERROR (", 0), 0u) << p.ui.messages[0].text;
  EXPECT_EQ(Bytes(host), hostBefore);
  EXPECT_FALSE(std::filesystem::exists(host + ".new"));
  lock.reset();
  EXPECT_EQ(Bytes(rig), rigBefore);
}

TEST_F(HeldFiles, CommentOfAFileAViewerHoldsIsRefusedWithTheFileUnchanged) {
  const auto before = Bytes(rig);
  Held viewer(rig, FILE_SHARE_READ);
  ASSERT_TRUE(viewer.ok());
  FileBrowser b('.');
  ASSERT_TRUE(b.ShowFile(rig));  // reading is shared
  EXPECT_FALSE(b.SaveComment("not while it is held"));
  EXPECT_NE(b.saveError(), "");
  b.Release();
  EXPECT_EQ(Bytes(rig), before);
  EXPECT_FALSE(std::filesystem::exists(rig + ".tmp"));
}

TEST_F(HeldFiles, CreateOverALockedFileFailsAndKeepsIt) {
  const auto before = Bytes(rig);
  {
    Held lock(rig, 0);
    ASSERT_TRUE(lock.ok());
    p.Create("Rig");
    ASSERT_EQ(p.ui.messages.size(), 1u);
    EXPECT_EQ(p.ui.messages[0].title, "Frixa Data Processor");
    EXPECT_EQ(p.ui.messages[0].text.rfind("An ERROR (", 0), 0u) << p.ui.messages[0].text;
  }
  EXPECT_EQ(Bytes(rig), before);
  EXPECT_FALSE(std::filesystem::exists(rig + ".tmp"));
}

TEST_F(HeldFiles, ApplyWhileTheHostHoldsItsLossFileKeepsTheOldOne) {
  const auto before = Bytes(host);
  {
    Held hostHolds(host, FILE_SHARE_READ);
    ASSERT_TRUE(hostHolds.ok());
    Apply("Rig");
    ASSERT_EQ(p.ui.messages.size(), 1u);
    EXPECT_EQ(p.ui.messages[0].title, "Frixa - Torvex Interface");
  }
  EXPECT_EQ(Bytes(host), before);
  EXPECT_FALSE(std::filesystem::exists(host + ".new"));
  // Once the host lets go, the same Apply goes through.
  p.ui.messages.clear();
  Apply("Rig");
  EXPECT_TRUE(p.ui.messages.empty());
  EXPECT_NE(Bytes(host), before);
}

}  // namespace
}  // namespace frixa
