// BuildFileFromResource: writes the embedded template from the first byte, keeps the tail of
// a longer existing file, and reports failures in its own critical "Warning" box.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/jet_peek.h"
#include "support/recording_frontend.h"
#include "templates/build_file.h"
#include "templates/resources.h"
#include "templates/templates.h"

namespace frixa {
namespace {

namespace fs = std::filesystem;
using testing::PeekBytes;

class BuildFileFromResourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("frixa_build_file_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  static PeekBytes Template(int id) {
    const auto t = LoadTemplateResource(id, "MDB");
    return PeekBytes(t->begin(), t->end());
  }
  static void WriteBytes(const fs::path& p, const PeekBytes& b) {
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
  }

  fs::path dir_;
  testing::RecordingFrontend ui_;
};

TEST_F(BuildFileFromResourceTest, NewFileGetsTheTemplateAndTheNameIsReturned) {
  const std::string path = (dir_ / "new.Frixa").string();
  EXPECT_EQ(BuildFileFromResource(ui_, path, 101, "MDB"), path);
  EXPECT_EQ(testing::ReadWholeFile(path), Template(101));
  EXPECT_TRUE(ui_.messages.empty());
  const std::string host = (dir_ / "Torvex2.005").string();
  EXPECT_EQ(BuildFileFromResource(ui_, host, 102, "MDB"), host);
  EXPECT_EQ(testing::ReadWholeFile(host), Template(102));
}

TEST_F(BuildFileFromResourceTest, ExistingLongerFileKeepsItsTailBeyondTheTemplate) {
  const fs::path path = dir_ / "old.Frixa";
  const PeekBytes tmpl = Template(102);
  PeekBytes old(tmpl.size() + 5000, 0xEE);
  WriteBytes(path, old);
  EXPECT_EQ(BuildFileFromResource(ui_, path.string(), 102, "MDB"), path.string());
  const PeekBytes now = testing::ReadWholeFile(path);
  ASSERT_EQ(now.size(), old.size());
  EXPECT_TRUE(std::equal(tmpl.begin(), tmpl.end(), now.begin()));
  EXPECT_TRUE(std::all_of(now.begin() + static_cast<std::ptrdiff_t>(tmpl.size()), now.end(), [](auto b) { return b == 0xEE; }));
}

TEST_F(BuildFileFromResourceTest, ExistingShorterFileIsOverwrittenWhole) {
  const fs::path path = dir_ / "short.Frixa";
  WriteBytes(path, PeekBytes(100, 0xEE));
  EXPECT_EQ(BuildFileFromResource(ui_, path.string(), 101, "MDB"), path.string());
  EXPECT_EQ(testing::ReadWholeFile(path), Template(101));
}

void ExpectWarning(const testing::RecordingFrontend& ui, const std::string& text) {
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, text);
  EXPECT_EQ(ui.messages[0].title, "Warning");
  EXPECT_EQ(ui.messages[0].icon, MessageIcon::Critical);
  EXPECT_EQ(ui.messages[0].buttons, MessageButtons::Ok);
}

TEST_F(BuildFileFromResourceTest, MissingResourceShowsCriticalWarningAndReturnsEmpty) {
  const fs::path path = dir_ / "none.Frixa";
  EXPECT_EQ(BuildFileFromResource(ui_, path.string(), 103, "MDB"), "");
  ExpectWarning(ui_, "326:Error in BuildFileFromResource.  Error Message: Resource with identifier not found");
  EXPECT_FALSE(fs::exists(path));
}

TEST_F(BuildFileFromResourceTest, MissingFolderShowsPathNotFound) {
  EXPECT_EQ(BuildFileFromResource(ui_, (dir_ / "no such folder" / "x.Frixa").string(), 101, "MDB"), "");
  ExpectWarning(ui_, "76:Error in BuildFileFromResource.  Error Message: Path not found");
}

TEST_F(BuildFileFromResourceTest, FolderInPlaceOfTheFileShowsPathFileAccessError) {
  fs::create_directories(dir_ / "taken.Frixa");
  EXPECT_EQ(BuildFileFromResource(ui_, (dir_ / "taken.Frixa").string(), 101, "MDB"), "");
  ExpectWarning(ui_, "75:Error in BuildFileFromResource.  Error Message: Path/File access error");
}

}  // namespace
}  // namespace frixa
