// The loss compensation status: the host loss file's curve found among the calibration files of
// Custom Cal by content, with 200 files read once and then only again when they change; an
// unknown curve, a damaged host file, no host file; and no file left open or written.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "host/compensation_status.h"
#include "recordset/data_controls.h"
#include "recordset/open_databases.h"
#include "support/calibration_fixture.h"
#include "templates/build_file.h"

namespace frixa {
namespace {

namespace fs = std::filesystem;
using testing::ProgramFolder;

// A calibration file whose Losses curve is told apart by `seed`: five rows from 600 RPM.
void WriteCalibration(testing::RecordingFrontend& ui, const std::string& path, int seed,
                      int template_id = 101) {
  fs::remove(path);
  ASSERT_EQ(BuildFileFromResource(ui, path, template_id, "MDB"), path);
  RecordSet rs;
  Bind(rs, path, "Select * from Losses");
  for (int i = 0; i < 5; ++i) {
    rs.AddNew();
    rs.SetField(0, FieldValue::Integer(600 + i));
    rs.SetField(1, FieldValue::Single(0.001f * static_cast<float>(seed) + 0.1f * static_cast<float>(i)));
    rs.SetField(2, FieldValue::Single(0.5f + 0.01f * static_cast<float>(seed + i)));
    rs.Update();
  }
  Release(rs);
}

std::string CalName(int i) {
  char name[32];
  std::snprintf(name, sizeof name, "Cal %03d.Frixa", i);
  return name;
}

class CompensationStatusTest : public ::testing::Test {
 protected:
  std::string Host() const { return p.app.ProgramFile("Torvex2.005"); }
  std::string Cal(const std::string& name) const { return (fs::path(p.CalFolder()) / name).string(); }
  // The host file as Apply leaves it: the template of the host file with `seed`'s curve.
  void WriteHost(int seed) { WriteCalibration(p.ui, Host(), seed, 102); }
  std::string Text() { return cache.Check(p.app.AppPath).Text(); }

  ProgramFolder p;
  CompensationStatusCache cache;
};

TEST_F(CompensationStatusTest, TwoHundredFilesAreReadOnceAndThenOnlyWhenTheyChange) {
  for (int i = 0; i < 200; ++i) WriteCalibration(p.ui, Cal(CalName(i)), i);
  WriteHost(137);
  const CompensationStatus on = cache.Check(p.app.AppPath);
  EXPECT_EQ(on.state, CompensationStatus::State::On);
  EXPECT_EQ(on.Text(), "Loss compensation ON: Cal 137");
  EXPECT_EQ(fs::path(on.path), fs::path(Cal(CalName(137))));
  EXPECT_EQ(cache.filesRead(), 138u);  // in name order up to the one that matches

  EXPECT_EQ(Text(), "Loss compensation ON: Cal 137");
  EXPECT_EQ(cache.filesRead(), 138u);  // nothing changed: nothing read

  WriteHost(199);  // another Apply
  EXPECT_EQ(Text(), "Loss compensation ON: Cal 199");
  EXPECT_EQ(cache.filesRead(), 200u);

  // A file rewritten with another curve is read again, and only that one.
  WriteCalibration(p.ui, Cal(CalName(5)), 1000);
  fs::last_write_time(Cal(CalName(5)), fs::last_write_time(Cal(CalName(5))) + std::chrono::seconds(10));
  EXPECT_EQ(Text(), "Loss compensation ON: Cal 199");
  EXPECT_EQ(cache.filesRead(), 201u);
  // ...and now holds the host's curve: found by its new content.
  WriteCalibration(p.ui, Cal(CalName(5)), 199);
  fs::last_write_time(Cal(CalName(5)), fs::last_write_time(Cal(CalName(5))) + std::chrono::seconds(20));
  EXPECT_EQ(Text(), "Loss compensation ON: Cal 005");
  EXPECT_EQ(cache.filesRead(), 202u);

  EXPECT_EQ(DatabaseHold::OpenFileCount(), 0u);  // nothing held open for the host to trip on
  ASSERT_TRUE(fs::remove(Host()));              // as Remove does
  EXPECT_EQ(Text(), "Loss compensation OFF");
}

TEST_F(CompensationStatusTest, NoMatchIsAnUnknownCalibrationAndADamagedHostFileAWarning) {
  WriteCalibration(p.ui, Cal("Rig.Frixa"), 1);
  WriteHost(2);
  EXPECT_EQ(Text(), "Loss compensation ON: unknown calibration");

  // A host file that is no database at all, and one cut short.
  {
    std::ofstream(Host(), std::ios::binary | std::ios::trunc) << "not a database";
  }
  EXPECT_EQ(Text(), "Loss compensation: Torvex2.005 cannot be read");
  WriteHost(1);
  EXPECT_EQ(Text(), "Loss compensation ON: Rig");
  fs::resize_file(Host(), 4096);
  EXPECT_EQ(Text(), "Loss compensation: Torvex2.005 cannot be read");
  EXPECT_EQ(fs::file_size(Host()), 4096u);  // looked at, not mended
}

TEST_F(CompensationStatusTest, DamagedAndForeignFilesAreSkippedAndSubfoldersSearchedAfterTheTop) {
  WriteHost(7);
  fs::create_directories(fs::path(p.CalFolder()) / "Old");
  WriteCalibration(p.ui, Cal("Old/Previous.Frixa"), 7);
  {
    std::ofstream(Cal("Broken.Frixa"), std::ios::binary) << "garbage";
  }
  WriteCalibration(p.ui, Cal("Other.frixa"), 8);
  WriteCalibration(p.ui, Cal("Not a calibration.mdb"), 7);  // not one of the list's files
  EXPECT_EQ(Text(), "Loss compensation ON: Previous");

  WriteCalibration(p.ui, Cal("Zulu.FRIXA"), 7);  // the same curve at the top: it comes first
  EXPECT_EQ(Text(), "Loss compensation ON: Zulu");
  fs::remove(Cal("Zulu.FRIXA"));
  EXPECT_EQ(Text(), "Loss compensation ON: Previous");
}

}  // namespace
}  // namespace frixa
