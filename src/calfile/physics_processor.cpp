// The physics processor: see physics_processor.h.
#include "calfile/physics_processor.h"

#include <cmath>
#include <exception>
#include <span>
#include <string>
#include <vector>

#include "common/error.h"
#include "common/number_text.h"
#include "common/status_log.h"
#include "run/run_pass.h"

namespace frixa {

namespace {

// RawData rows gathered so that they are appended a block at a time.
class RawRows {
 public:
  RawRows(RecordSet& RD, RawDataAverages* gathered) : RD_(RD), gathered_(gathered) {
    rows_.reserve(kRows * kWidth);
  }
  void Add(float rpm, float kw, float nm) {
    rows_.insert(rows_.end(), {RowNumber::Single(rpm), RowNumber::Single(kw), RowNumber::Single(nm)});
    if (rows_.size() == kRows * kWidth) Store();
  }
  // Appends what is gathered (a row that fails raises with the rows before it stored).
  void Store() {
    std::vector<RowNumber> rows;
    rows.swap(rows_);
    rows_.reserve(kRows * kWidth);
    if (rows.empty()) return;
    try {
      RD_.AppendRows(rows, kWidth);
    } catch (...) {
      if (gathered_) gathered_->Lose();  // some of the rows may be stored
      throw;
    }
    if (gathered_) {
      for (std::size_t at = 0; at < rows.size(); at += kWidth) {
        gathered_->Note(std::span<const RowNumber>(rows.data() + at, kWidth));
      }
    }
  }

 private:
  static constexpr std::size_t kRows = 256;
  static constexpr std::size_t kWidth = 3;
  RecordSet& RD_;
  RawDataAverages* gathered_;
  std::vector<RowNumber> rows_;
};

}  // namespace

void ProcessRunData(App& app, RecordSet& RD, RawDataAverages* gathered) {
  Frontend& ui = app.ui;
  RawRows raw(RD, gathered);
  try {
    ui.SetProcessCaption("Raw Data Processing");
    ui.DoEvents();

    const auto header = [&] {
      AppendStepHeading(ui, "Physics Processor");
      ui.AppendStatusLine("Initialising Processor");
      ui.AppendStatusLine("Initialising -  Done");
    };
    std::string shown;  // the RPM display's text, so that an unchanged value is not redrawn
    float shownValue = 0.0f;
    bool hasShown = false;
    const auto perRevolution = [&](double, std::int32_t n, const RevolutionResults& r) {
      if (n <= 1) return;  // the first two revolutions only prime the calculator
      const float whole = std::floor(r.rpm);
      raw.Add(whole, std::fabs(r.power), std::fabs(r.torque));
      // The text changes only with the value: formatted only then.
      if (!hasShown || whole != shownValue) {
        std::string digits = PlainWholeNumberText(whole);
        hasShown = true;
        shownValue = whole;
        if (digits != shown) {
          shown = std::move(digits);
          ui.ShowRpm(shown);
        }
      }
      ui.RefreshRpm();
    };
    RunPass(app, WindowPrecision::Double, header, perRevolution);
    raw.Store();
  } catch (...) {
    // The rows of the revolutions before the failure are stored as they would have been one
    // at a time; when one of them fails, that is the failure to report, as it came first.
    std::exception_ptr failure = std::current_exception();
    try {
      raw.Store();
    } catch (...) {
      failure = std::current_exception();
    }
    try {
      std::rethrow_exception(failure);
    } catch (...) {
      ui.ShowMessage(ErrorOccurredText(CurrentError().number(), " processing the Run data"),
                     "Torvex1 Data Processor", MessageIcon::Exclamation, MessageButtons::Ok);
    }
  }
}

}  // namespace frixa
