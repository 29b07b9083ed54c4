// The reference model of Create's averaging and loss curve: the two phases statement by
// statement, as they are defined (per RPM one aggregate over the whole RawData table, one-row
// lookups on PointData, one AddNew and Update per stored row). Slow (RPMs times revolutions)
// but plain; the product's phases, which read each table once, are compared with it.
#pragma once

#include <string>

#include "calfile/processing_phases.h"
#include "common/app.h"
#include "common/frontend.h"
#include "recordset/record_set.h"

namespace frixa::testing {

// AverageRawData's model: RD on the file, PD bound to "Select * From PointData". Returns the
// number of points stored.
long ModelAverageRawData(Frontend& ui, const RpmRange& range, RecordSet& RD, RecordSet& PD);

// BuildLossCurve's model for RawData of one rundown: RD and PD on the file, LD bound to
// "Select * From Losses".
void ModelBuildLossCurve(Frontend& ui, const RpmRange& range, RecordSet& RD, RecordSet& PD,
                         RecordSet& LD);

// The calibration file `name` as Create writes it over `range`, the two models in place of the
// product's averaging and loss curve: template, physics processor, models, information row.
// Raises what the phases raise (NoRunData for a run without points).
void ModelCreate(App& app, const RpmRange& range, const std::string& name);

}  // namespace frixa::testing
