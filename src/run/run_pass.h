// The run pass: one read of the run file from its first record to its end, every accepted record
// fed through the revolution calculator and then to the caller's own per-revolution step. The
// graph pass of the preview and the physics processor of Create are both run passes; they differ
// only in their header lines, their window precision and what they do with each revolution.
// Both see the same revolutions: the records as repaired by the record repair.
//
// A template, so that the per-revolution step is inlined into the loop rather than called
// through a pointer once per record.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <exception>
#include <limits>
#include <span>
#include <string>
#include <vector>

#include "common/app.h"
#include "common/error.h"
#include "common/number_text.h"
#include "run/record_repair.h"
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
  // What the repair of the records did (nothing, on a run without faults).
  RecordRepair repair;
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

// The status line that tells what the repair of the records did, or that the records are mostly
// faults and were processed as recorded; "" otherwise (a run without faults, or one the repair
// left alone: the log stays as it always was).
std::string RecordRepairStatusLine(const RecordRepair& repair);

namespace run_pass_detail {

// The buffer that a pass gathers the counts into when its caller keeps none: one per thread,
// so that its memory is reused from pass to pass.
std::vector<std::uint32_t>& SharedCounts();

}  // namespace run_pass_detail

// Runs one pass over app.ProgramFile(kRunFileName).
//   header():                          writes the caller's header lines, resets its own state;
//   perRevolution(period, n, results): the caller's work on revolution n (0-based), after the
//                                      calculator has computed `results`.
//   recorded:                          when given, receives every accepted record's count as
//                                      recorded (before any repair).
// The file's counts are gathered first (in the same look that tests each record), the accepted
// records before the first count of 0 are repaired (RepairRecords), and the revolutions are fed
// through the calculator: the repaired ones, then the records from that count of 0 on as
// recorded. A run without faults is fed exactly as recorded. After the summary lines, a pass
// that repaired anything writes one line saying what.
// A rejected record shows the corrupt-data message once the records before it are processed and
// ends the pass quietly (outcome.completed is false). A failure of any step (an Error from the
// calculator or from perRevolution, a read failure after the records read so far) leaves the
// pass with the run file already closed; the caller's error trap reports it.
template <typename Header, typename PerRevolution>
RunPassOutcome RunPass(App& app, WindowPrecision precision, Header&& header,
                       PerRevolution&& perRevolution,
                       std::vector<std::uint32_t>* recorded = nullptr) {
  header();

  RevolutionCalculator calculator(app.InertiaFactor);
  calculator.Reset(precision);
  RunPassOutcome outcome;

  std::vector<std::uint32_t>& counts = recorded ? *recorded : run_pass_detail::SharedCounts();
  GatheredCounts gathered;
  {
    RunFileReader reader;  // closes the file on every way out
    reader.Open(app.ProgramFile(kRunFileName));
    gathered = reader.GatherCounts(counts);
  }
  const std::span<const std::uint32_t> all(counts);
  const std::span<const std::uint32_t> repairable = all.first(gathered.repairable);
  outcome.repair = RepairRecords(repairable, gathered.smooth);

  // The revolutions are computed in blocks: each block's window sums together, then each
  // revolution is finished and handed on in order, exactly as one at a time.
  constexpr int kBlock = RevolutionCalculator::kBlock;
  double periods[kBlock] = {};
  float sums[kBlock] = {};
  RevolutionResults finished[kBlock];
  const auto feed = [&](std::span<const std::uint32_t> revolutions) {
    for (std::size_t from = 0; from < revolutions.size(); from += kBlock) {
      const int count = static_cast<int>(std::min<std::size_t>(kBlock, revolutions.size() - from));
      for (int i = 0; i < count; ++i) {
        periods[i] = RunFileReader::PeriodOfCount(revolutions[from + static_cast<std::size_t>(i)],
                                                  app.SensorMassRatio);
      }
      calculator.ShiftIn(periods, count, outcome.revolutions, sums);
      const int clean = calculator.FinishBlock(sums, count, finished);
      for (int i = 0; i < count; ++i) {
        outcome.duration = run_pass_detail::AddToDuration(outcome.duration, periods[i]);
        const RevolutionResults results = i < clean ? finished[i] : calculator.Finish(sums[i]);
        perRevolution(periods[i], outcome.revolutions, results);
        outcome.revolutions = run_pass_detail::NextRevolution(outcome.revolutions);
      }
    }
  };
  feed(outcome.repair.Revolutions(repairable));
  feed(all.subspan(gathered.repairable));
  if (gathered.failure) std::rethrow_exception(gathered.failure);
  if (gathered.rejected) {
    app.ui.ShowMessage(kCorruptRunDataText, kCorruptRunDataTitle, MessageIcon::None,
                       MessageButtons::Ok);
    return outcome;
  }

  app.ui.AppendStatusLine("Rocessed " + SignedNumberText(outcome.revolutions) + " Revolutions");
  app.ui.AppendStatusLine("Rundown Duration " + SignedNumberText(outcome.duration) + " Seconds");
  const std::string repairLine = RecordRepairStatusLine(outcome.repair);
  if (!repairLine.empty()) app.ui.AppendStatusLine(repairLine);
  app.ui.AppendStatusLine("");
  outcome.completed = true;
  return outcome;
}

}  // namespace frixa
