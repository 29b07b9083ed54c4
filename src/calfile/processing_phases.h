// The three processing phases Create runs after the physics processor: RPM averaging into
// PointData, the loss curve into Losses, and the information record into Info.
//
// Averaging and the loss curve can run in two ways with identical results. The statement way
// issues, per RPM of the range, one aggregate over the whole RawData table and one-row lookups
// on PointData, as the phases are defined. The direct way (the default) reads RawData and
// PointData once each and keeps per-RPM sums and points in memory, summing in the same stored
// order, so its time grows with revolutions plus RPM range instead of their product.
#pragma once

#include "calfile/data_controls.h"
#include "common/app.h"

namespace frixa {

enum class PhaseMethod { kDirect, kStatements };

// Raised by the phases when the run left nothing to average or no point to build the curve
// from; Create reports it as a run without data.
struct NoRunData {};

// RD bound to the new file's RawData, PD to "Select * From PointData". Appends one PointData
// row per RPM of [MinMassRPM, MaxMassRPM] that has raw rows: the means of SpotKWloss and
// SpotNMLoss in double, stored as singles. Returns the number of points stored. Raises
// database errors to the caller.
long AverageRawData(App& app, DataControls& dc, PhaseMethod method = PhaseMethod::kDirect);

// PD as left by averaging, LD bound to "Select * From Losses". Appends one Losses row for every
// RPM of [MinMassRPM, MaxMassRPM], ascending: points copied, gaps interpolated between the
// point below and the point above; RPMs below the first point or above the last carry the
// nearest point's losses. Raises NoRunData when PointData holds no point for a non-empty range.
void BuildLossCurve(App& app, DataControls& dc, PhaseMethod method = PhaseMethod::kDirect);

// ID bound to "Select * From Info": appends the one information row.
void InfoRecords(App& app, DataControls& dc);

}  // namespace frixa
