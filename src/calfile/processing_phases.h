// What Create's processing phases share: the RPM range they work over, its limits, how an RPM
// is stored, which raw rows are settled, and the run without data they raise. The phases
// themselves: averaging.h (PointData), loss_curve.h (Losses), info_record.h (Info); the per-RPM
// sums they gather from RawData: rpm_sums.h.
#pragma once

#include <cstdint>
#include <string>

#include "common/app.h"
#include "common/error.h"
#include "recordset/record_set.h"
#include "run/revolution_calculator.h"

namespace frixa {

// The RPM range a calibration covers: the lowest and highest whole mass RPM of the run, as the
// start-up preview's graph pass found them. MinMassRPM above MaxMassRPM is an empty range (no
// revolution counted).
struct RpmRange {
  float MinMassRPM = 0.0f;
  float MaxMassRPM = 0.0f;
};

// The range the preview left in App: what the front ends hand Create.
inline RpmRange PreviewedRange(const App& app) { return {app.MinMassRPM, app.MaxMassRPM}; }

// The widest RPM range the phases process: 2,000,000 whole RPMs. The per-RPM tables and the
// Losses rows of a wider range would not fit the memory of a 32-bit PC (a range of 2.9 million
// RPMs already peaks near 360 MB); no real rundown comes near it, only a mistyped ratio or a run
// of counts of a few microseconds. A wider range is a run without data.
inline constexpr std::int64_t kMaxRpmRange = 2'000'000;

// RawData's row i holds revolution i + 2 (the first two only prime the calculator), so the rows
// of settled revolutions start here.
inline constexpr long kFirstSettledRawRow = kFirstSettledRevolution - 2;

// Raised by the phases when the run left nothing to average or no point to build the curve
// from; Create reports it as a run without data. Error 1003.
struct NoRunData : Error {
  NoRunData() : Error(errnum::kNoRunData, FrixaErrorDescription(errnum::kNoRunData)) {}
};

// The whole RPMs [first, first + count) a phase works over.
struct WholeRpms {
  std::int64_t first = 0;
  std::int64_t count = 0;  // 0 for an empty range
  std::int64_t last() const { return first + count - 1; }
};

// MinMassRPM..MaxMassRPM as whole numbers. Empty when the minimum lies above the maximum; a run
// without data (NoRunData) when either end is not a whole RPM that the tables' RPM columns can
// hold, or when the range is wider than kMaxRpmRange.
WholeRpms WholeRpmsOf(const RpmRange& range);

// An RPM as stored into an RPM column: the single it is where a single holds it exactly.
FieldValue RpmField(std::int64_t rpm);

// An RPM as the digit display shows it: plain whole-number text.
std::string RpmText(std::int64_t rpm);

}  // namespace frixa
