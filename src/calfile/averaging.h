// RPM averaging, the first processing phase of Create: one PointData row per whole RPM of the
// range that RawData holds rows of, their means.
#pragma once

#include "calfile/processing_phases.h"
#include "calfile/rpm_sums.h"
#include "common/frontend.h"
#include "recordset/record_set.h"

namespace frixa {

// Reads RawData through RD (on the new file) and appends, through PD (bound to "Select * From
// PointData"), one PointData row per RPM of `range` that has raw rows: the means of SpotKWloss
// and SpotNMLoss in double, stored as singles. Returns the number of points stored. RawData is
// read once, in stored order, so that the time grows with revolutions plus RPM range. Raises
// database errors to the caller, and NoRunData for a range wider than kMaxRpmRange or ends that
// are not whole RPMs.
// With `settled`, the same read of RawData also finds the RPMs settled revolutions reached,
// for BuildLossCurve. With `gathered` still gathering over the same range, its means and settled
// RPMs stand in for reading RawData.
long AverageRawData(Frontend& ui, const RpmRange& range, RecordSet& RD, RecordSet& PD,
                    SettledRpms* settled = nullptr, RawDataAverages* gathered = nullptr);

}  // namespace frixa
