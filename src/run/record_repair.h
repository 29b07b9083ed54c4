// The repair of a rundown's records before the calculator sees them: a sensor bounce (one
// revolution recorded as two periods) is merged, a missed pulse (two revolutions recorded as one)
// is split, and the revolutions before the coast (a driven start, a spin-up) are left out.
//
// The test is the revolution count, never a single period. Every record closes with a pulse; the
// pulses' time stamps (the running sums of the counts) follow one smooth trajectory t(k) of the
// revolution number k. A tracking filter (a fading-memory quadratic fit of the last stamps, about
// ten revolutions long) predicts where the next revolutions' pulses fall, and each stamp takes the
// revolution number nearest to it:
//   - a stamp that falls on a number already taken is a bounce: the two periods around the one of
//     the pair that lies farther from the trajectory are merged;
//   - a stamp that skips a number closes a record spanning two revolutions: it is split at the
//     predicted pulse;
//   - a late or early stamp (timing jitter, a coarse timer's rounding of up to half its step)
//     moves one point off the trajectory by less than half a period: it keeps its number and
//     nothing is changed, although its two periods may differ from their neighbours by a lot.
// The filter follows the fast growth of the periods at the end of a coast, so that is no fault.
// Then the coast's start is found by a hinge fit of the first stamps (a constant period up to
// revolution c, a smooth coast from c on); the revolutions before it are left out when the hinge
// explains them far better than a coast from the first record.
//
// A run without faults comes back unchanged, record for record; one whose every record lies
// within a fifth of the one before (no bounce or missed pulse can hide there) is not numbered at
// all, only looked at for a driven start. A run too short to judge, one whose first count is 0
// (it has no time at all), and one with more faults than a working sensor gives (a fifth of its
// records, or eight in a row) are passed through untouched.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace frixa {

struct RecordRepair {
  // The repaired revolutions, as counts in the recorded unit. Empty when nothing was repaired:
  // then the recorded counts stand as they are, and no copy of them is made.
  std::vector<std::uint32_t> counts;
  std::int64_t merged = 0;   // bounces merged (records taken away)
  std::int64_t split = 0;    // missed pulses put back (records added)
  std::int64_t leftOut = 0;  // revolutions before the coast, left out at the front
  // True when the records hold more faults than kMaxFaultShare of them, or a streak of records
  // that all look faulty: the run is passed through unrepaired, since no trend can be trusted.
  bool untrusted = false;
  // For an untrusted run: true when it was the share of faults (not a streak alone) that made it
  // so, i.e. the records are mostly faults rather than one stretch the trend cannot follow.
  bool tooManyFaults = false;
  bool Changed() const { return merged != 0 || split != 0 || leftOut != 0; }
  // The revolutions to go on with: the repaired ones, or `recorded` when nothing was repaired.
  std::span<const std::uint32_t> Revolutions(std::span<const std::uint32_t> recorded) const {
    return Changed() ? std::span<const std::uint32_t>(counts) : recorded;
  }
};

// Runs shorter than this are passed through untouched: too few revolutions to judge a trend.
inline constexpr std::size_t kMinRepairRecords = 24;

// The share of faulty records beyond which a run is not repaired.
inline constexpr double kMaxFaultShare = 0.2;

// Repairs the records of one rundown, `counts` as recorded (e.g. microseconds of the sensor).
// O(n); a run without faults costs no copy of its records.
RecordRepair RepairRecords(std::span<const std::uint32_t> counts);
// The same, for a caller that has already looked at every record as it read them: `smooth` says
// that no count differs from the one before by a fifth of it or more (RecordsAreSmooth), so no
// bounce or missed pulse can hide among them and only the start is examined.
RecordRepair RepairRecords(std::span<const std::uint32_t> counts, bool smooth);

// True when no count differs from the one before it by a fifth of that one or more. `previous`
// is the count before counts[0] (0 when there is none: no step is taken before the first).
bool RecordsAreSmooth(std::span<const std::uint32_t> counts, std::uint32_t previous = 0);

}  // namespace frixa
