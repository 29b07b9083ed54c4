// Frixa's own error numbers: each refusal and check is a frixa::Error with its number and the
// message the user reads, numbered where neither the runtime nor the Jet engine has a number.
#include <gtest/gtest.h>

#include <vector>

#include "analysis/combine.h"
#include "calfile/processing_phases.h"
#include "calfile/smoothed_file.h"
#include "common/error.h"
#include "jet/build_pages.h"
#include "run/run_pass.h"

namespace frixa {
namespace {

TEST(FrixaErrors, EachRefusalHasItsNumberAndTheMessageUsersRead) {
  const SmoothingRefused smoothing("the file's information record is missing");
  EXPECT_EQ(smoothing.number(), 1001);
  EXPECT_EQ(smoothing.description(), "the file's information record is missing");
  const CombiningRefused combining("combining needs two calibration files or more");
  EXPECT_EQ(combining.number(), 1002);
  EXPECT_STREQ(combining.what(), "combining needs two calibration files or more");
  const NoRunData noData;
  EXPECT_EQ(noData.number(), 1003);
  EXPECT_EQ(noData.description(), "No RUN DATA recorded");
  EXPECT_EQ(errnum::kCorruptRunData, 1004);
  EXPECT_EQ(FrixaErrorDescription(errnum::kCorruptRunData),
            "The Runtime Data is corrupt and cannot be processed");
  EXPECT_EQ(FrixaErrorDescription(errnum::kCorruptRunData), kCorruptRunDataText);
  EXPECT_EQ(DoesNotFit("PackRows: row larger than a page").number(), 1005);
  // A number the engine leaves free.
  EXPECT_EQ(JetErrorDescription(1003), "Reserved error (1003); there is no message for this error.");
}

TEST(FrixaErrors, ARowThatDoesNotFitAPageIsErrorTenOFiveNotOutOfMemory) {
  try {
    jet::build::EncodeDataPage(1, {jet::build::Bytes(3000, 0)});
    FAIL() << "a row larger than a page was placed";
  } catch (const DoesNotFit& e) {
    EXPECT_EQ(e.number(), errnum::kDoesNotFit);
    EXPECT_EQ(e.description(), "EncodeDataPage: rows do not fit");
  }
}

}  // namespace
}  // namespace frixa
