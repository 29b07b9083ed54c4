// The information record, the last processing phase of Create: the one Info row that says
// under which settings the calibration was made.
#pragma once

#include <string>

#include "calfile/processing_phases.h"
#include "common/app.h"
#include "common/frontend.h"
#include "recordset/record_set.h"

namespace frixa {

// What the Info row records.
struct CalibrationSettings {
  float InertiaFactor = 0.0f;
  float SensorMassRatio = 0.0f;
  RpmRange range;
  std::string date;  // today, as the system's short date text
  std::string VersionText;
};

// The settings of a calibration made now by `app` over `range`: its command-line values,
// version text and today's date (through app.todayShortDate when set).
CalibrationSettings SettingsOf(const App& app, const RpmRange& range);

// ID bound to "Select * From Info": appends the one information row (MinMassRPM in HighRPM,
// MaxMassRPM in LowRPM, the comment one blank).
void InfoRecords(Frontend& ui, const CalibrationSettings& settings, RecordSet& ID);

}  // namespace frixa
