// The calibration check's few words for a sound, a strayed, an unsound and an older file, and
// Apply offering the fitted curve end to end: only for the file whose check says so, Yes
// writing the host the fitted choice's bytes, No the plain Apply's.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "analysis/calibration_check.h"
#include "host/apply_command.h"
#include "support/calibration_fixture.h"

namespace frixa {
namespace {

std::string Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(CalibrationCheck, SaysInAFewWordsWhichCurveToTake) {
  FrictionFit fit;
  fit.fitted = true;
  fit.a = 1.5;
  fit.r2 = 0.9;
  RecordedFit recorded;
  recorded.recorded = true;
  recorded.sound = true;
  recorded.physical = true;
  recorded.time.fitted = true;
  recorded.time.bandPct = 0.5;
  recorded.model = fit;
  const std::vector<LossCurveRow> close = {{1000, fit.PowerAt(1000.5) * 1.004, 1.5 * 1.004},
                                           {1001, fit.PowerAt(1001.5), 1.5}};
  const std::vector<LossCurveRow> strayed = {{1000, fit.PowerAt(1000.5) * 1.23, 1.5 * 1.23},
                                             {1001, fit.PowerAt(1001.5), 1.5}};

  CalibrationCheck c = CheckCalibration(recorded, {}, close);
  EXPECT_EQ(c.text, "Fit sound: stored curve within 0.40 % of the fitted friction");
  EXPECT_TRUE(c.sound);
  EXPECT_FALSE(c.offersFitted);
  c = CheckCalibration(recorded, {}, strayed);
  EXPECT_EQ(c.text, "Stored curve strays 23 % from the fitted friction: Apply offers the fitted curve");
  EXPECT_TRUE(c.offersFitted);
  EXPECT_NEAR(c.strayPct, 23.0, 1e-9);

  recorded.sound = false;
  recorded.time.bandPct = 3.4;
  c = CheckCalibration(recorded, {}, strayed);
  EXPECT_EQ(c.text, "Fit unsound: its band of 3.4 % is too wide");
  EXPECT_FALSE(c.offersFitted);
  recorded.time.bandPct = 0.5;
  c = CheckCalibration(recorded, {}, strayed);
  EXPECT_EQ(c.text, "Fit unsound: the model does not describe the run");
  recorded.physical = false;
  c = CheckCalibration(recorded, {}, strayed);
  EXPECT_EQ(c.text, "Fit unsound: not physical");
  EXPECT_FALSE(c.offersFitted);

  // An older file, judged by today's fit of its settled revolutions.
  c = CheckCalibration(RecordedFit{}, fit, close);
  EXPECT_EQ(c.text, "Older file: stored curve within 0.40 % of today's fit");
  EXPECT_FALSE(c.offersFitted);
  c = CheckCalibration(RecordedFit{}, fit, strayed);
  EXPECT_EQ(c.text, "Older file: stored curve strays 23 % from today's fit: Apply offers the fitted curve");
  EXPECT_TRUE(c.offersFitted);
  fit.poor = true;
  c = CheckCalibration(RecordedFit{}, fit, strayed);
  EXPECT_EQ(c.text, "Older file: fit poor");
  EXPECT_FALSE(c.offersFitted);

  EXPECT_EQ(CheckCalibrationFile("/nonexistent/No.Frixa").text,
            "Calibration check: the file cannot be read");
}

// A noisy rundown (bounces, missed pulses, a driven start) made into a file by Create.
class OfferedApply : public ::testing::Test {
 protected:
  void SetUp() override {
    RundownModel model = testing::ProgramFolder::ShortRundown();
    model.frictionB = 0.02;
    model.doubleTriggerRate = 0.02;
    model.missedPulseRate = 0.01;
    model.drivenRevolutions = 150;
    p.SimulateAndPreview(model);
    p.ui.messageAnswers.clear();
    p.Create("Noisy");
    ASSERT_TRUE(p.ui.messages.empty()) << p.ui.messages[0].text;
  }
  // Apply as the main window runs it, `answer` queued for its question.
  CommandOutcome Apply(MessageAnswer answer) {
    p.ui.messages.clear();
    p.ui.messageAnswers = {answer};
    p.ui.fileNameAnswers.push_back(p.CalFile("Noisy"));
    return ApplyCommand(p.app, p.dc, [&](Frontend& ui, const std::string& chosen) {
      return OfferFittedCurve(ui, chosen, &check);
    });
  }
  std::string HostFile() const { return p.app.ProgramFile("Torvex2.005"); }
  testing::ProgramFolder p;
  CalibrationCheck check;
};

TEST_F(OfferedApply, YesWritesTheFittedChoiceAndNoThePlainApply) {
  // The core paths' own bytes: frixa-cli apply --fitted and plain Apply.
  p.ui.fileNameAnswers.push_back(p.CalFile("Noisy"));
  ASSERT_EQ(ApplyCommand(p.app, p.dc, ApplyCurve::Fitted), CommandOutcome::Completed());
  const std::string fitted = Bytes(HostFile());
  p.ui.fileNameAnswers.push_back(p.CalFile("Noisy"));
  ASSERT_EQ(ApplyCommand(p.app, p.dc), CommandOutcome::Completed());
  const std::string stored = Bytes(HostFile());
  ASSERT_NE(fitted, stored);
  ASSERT_TRUE(p.ui.messages.empty());

  EXPECT_EQ(Apply(MessageAnswer::Yes), CommandOutcome::Completed());
  ASSERT_EQ(p.ui.messages.size(), 1u);
  EXPECT_EQ(p.ui.messages[0].buttons, MessageButtons::YesNo);
  EXPECT_EQ(p.ui.messages[0].title, "Frixa - Torvex Interface");
  EXPECT_NE(p.ui.messages[0].text.find("The loss curve stored in Noisy.Frixa strays up to "),
            std::string::npos) << p.ui.messages[0].text;
  EXPECT_TRUE(check.recorded && check.sound && check.offersFitted) << check.text;
  EXPECT_GT(check.strayPct, check.bandPct);
  EXPECT_EQ(Bytes(HostFile()), fitted);
  EXPECT_EQ(check.text.rfind("Fitted curve applied: the stored curve strays ", 0), 0u) << check.text;

  EXPECT_EQ(Apply(MessageAnswer::No), CommandOutcome::Completed());
  EXPECT_EQ(p.ui.messages.size(), 1u);
  EXPECT_EQ(Bytes(HostFile()), stored);
  EXPECT_EQ(check.text.rfind("Stored curve strays ", 0), 0u) << check.text;
  EXPECT_EQ(p.app.lastCalibrationFile, p.CalFile("Noisy.Frixa"));
}

TEST_F(OfferedApply, AFileWithinItsBandGoesThePlainWayWithoutAQuestion) {
  // The fitted curve itself, stored as the file's Losses: within the band of its own fit.
  const std::vector<LossCurveRow> rows = FittedLossCurve(p.CalFile("Noisy.Frixa"));
  {
    RecordSet ld;
    Bind(ld, p.CalFile("Noisy.Frixa"), "Select * from Losses");
    std::size_t i = 0;
    for (; !ld.Eof(); ld.MoveNext(), ++i) {
      ld.Edit();
      ld.SetField(1, FieldValue::Single(static_cast<float>(rows.at(i).kw)));
      ld.SetField(2, FieldValue::Single(static_cast<float>(rows.at(i).nm)));
      ld.Update();
    }
    ASSERT_EQ(i, rows.size());
    Release(ld);
  }
  p.ui.fileNameAnswers.push_back(p.CalFile("Noisy"));
  ASSERT_EQ(ApplyCommand(p.app, p.dc), CommandOutcome::Completed());
  const std::string stored = Bytes(HostFile());

  EXPECT_EQ(Apply(MessageAnswer::Yes), CommandOutcome::Completed());
  EXPECT_TRUE(p.ui.messages.empty()) << p.ui.messages[0].text;
  EXPECT_FALSE(check.offersFitted);
  EXPECT_EQ(check.text.rfind("Fit sound: stored curve within ", 0), 0u) << check.text;
  EXPECT_EQ(Bytes(HostFile()), stored);
}

}  // namespace
}  // namespace frixa
