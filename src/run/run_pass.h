// The run pass: one read of the run file from its first record to its end, every accepted record
// fed through the revolution calculator and then to the caller's own per-revolution step. The
// graph pass of the preview and the physics processor of Create are both run passes; they differ
// only in their header lines, their window precision and what they do with each revolution.
//
// A template, so that the per-revolution step is inlined into the loop rather than called
// through a pointer once per record.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "common/app.h"
#include "common/error.h"
#include "common/number_text.h"
#include "run/revolution_calculator.h"
#include "run/run_file.h"

namespace frixa {

inline constexpr const char* kCorruptRunDataText =
    "The Runtime Data is corrupt and cannot be processed";
inline constexpr const char* kCorruptRunDataTitle = "FRIX Data Processor";

struct RunPassOutcome {
  // False when a rejected record ended the pass early (the corrupt-data message was shown and
  // no summary lines were written).
  bool completed = false;
  std::int32_t revolutions = 0;  // records processed
  float duration = 0.0f;         // s, the sum of their periods
};

namespace run_pass_detail {

// The rundown duration is single precision; each period is added in double and rounded.
inline float AddToDuration(float duration, double period) {
  const float sum = static_cast<float>(static_cast<double>(duration) + period);
  if (!std::isfinite(sum)) RaiseRuntimeError(errnum::kOverflow);
  return sum;
}

inline std::int32_t NextRevolution(std::int32_t counter) {
  if (counter == std::numeric_limits<std::int32_t>::max()) RaiseRuntimeError(errnum::kOverflow);
  return counter + 1;
}

}  // namespace run_pass_detail

// Runs one pass over app.ProgramFile(kRunFileName).
//   header():                          writes the caller's header lines, resets its own state;
//   perRevolution(period, n, results): the caller's work on revolution n (0-based), after the
//                                      calculator has computed `results`.
// A rejected record shows the corrupt-data message and ends the pass quietly (outcome.completed
// is false). A failure of any step (an Error from the calculator or from perRevolution) leaves
// the pass with the run file already closed; the caller's error trap reports it.
template <typename Header, typename PerRevolution>
RunPassOutcome RunPass(App& app, WindowPrecision precision, Header&& header,
                       PerRevolution&& perRevolution) {
  header();

  RevolutionCalculator calculator(app.InertiaFactor);
  calculator.Reset(precision);
  RunPassOutcome outcome;

  RunFileReader reader;  // closes the file on every way out
  reader.Open(app.ProgramFile(kRunFileName));
  // The records are taken in blocks straight from the reader's buffer: the accepted records
  // of a block up to the first rejected one have their window sums computed together, then
  // each revolution is finished and handed on in order, exactly as one record at a time.
  constexpr int kBlock = RevolutionCalculator::kBlock;
  double periods[kBlock] = {};
  float sums[kBlock] = {};
  RevolutionResults finished[kBlock];
  const std::uint8_t* records = nullptr;
  for (std::size_t available; (available = reader.Available(&records)) > 0;) {
    const int count = available < static_cast<std::size_t>(kBlock) ? static_cast<int>(available) : kBlock;
    int accepted = 0;
    for (; accepted < count; ++accepted) {
      const std::uint8_t* record = records + static_cast<std::size_t>(accepted) * kRunRecordSize;
      if (!RunFileReader::IsAcceptable(record)) break;
      periods[accepted] = RunFileReader::PeriodOfCount(RunFileReader::CountOf(record), app.SensorMassRatio);
    }
    calculator.ShiftIn(periods, accepted, outcome.revolutions, sums);
    const int clean = calculator.FinishBlock(sums, accepted, finished);
    for (int i = 0; i < accepted; ++i) {
      outcome.duration = run_pass_detail::AddToDuration(outcome.duration, periods[i]);
      const RevolutionResults results = i < clean ? finished[i] : calculator.Finish(sums[i]);
      perRevolution(periods[i], outcome.revolutions, results);
      outcome.revolutions = run_pass_detail::NextRevolution(outcome.revolutions);
    }
    reader.Consume(static_cast<std::size_t>(accepted));
    if (accepted < count) {
      app.ui.ShowMessage(kCorruptRunDataText, kCorruptRunDataTitle, MessageIcon::None,
                         MessageButtons::Ok);
      reader.Close();
      return outcome;
    }
  }
  reader.Close();

  app.ui.AppendStatusLine("Rocessed " + SignedNumberText(outcome.revolutions) + " Revolutions");
  app.ui.AppendStatusLine("Rundown Duration " + SignedNumberText(outcome.duration) + " Seconds");
  app.ui.AppendStatusLine("");
  outcome.completed = true;
  return outcome;
}

}  // namespace frixa
