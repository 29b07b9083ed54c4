// The loss curve, the second processing phase of Create: one Losses row for every whole RPM of
// the range, from the averaged points of PointData, gaps filled on the line between neighbours.
#pragma once

#include <span>

#include "calfile/processing_phases.h"
#include "calfile/rpm_sums.h"
#include "common/frontend.h"
#include "recordset/record_set.h"

namespace frixa {

// Reads PointData through PD (on the new file) and appends, through LD (bound to "Select * From
// Losses"), one Losses row for every RPM of `range`, ascending, from the points at RPMs that a
// settled revolution reached (every point when no revolution settled): points copied, gaps
// interpolated between the point below and the point above; RPMs below the first point or above
// the last carry the nearest point's losses. PointData is read once. Raises NoRunData when no
// point counts for a non-empty range, or for a range wider than kMaxRpmRange or ends that are
// not whole RPMs.
// `settled`: what averaging found of RawData; without it RawData is read again through RD, its
// rundowns beginning at `rundownStarts` (see SettledRpms). With several rundowns the curve rests
// on the means of the settled rows alone at each RPM (PointData's means take in every row, a
// later rundown's priming revolutions among them).
void BuildLossCurve(Frontend& ui, const RpmRange& range, RecordSet& RD, RecordSet& PD,
                    RecordSet& LD, const SettledRpms* settled = nullptr,
                    std::span<const long> rundownStarts = {});

}  // namespace frixa
