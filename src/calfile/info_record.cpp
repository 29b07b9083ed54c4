// The information record: see info_record.h.
#include "calfile/info_record.h"

#include "platform/short_date.h"

namespace frixa {

CalibrationSettings SettingsOf(const App& app, const RpmRange& range) {
  return {app.InertiaFactor, app.SensorMassRatio, range,
          app.todayShortDate ? app.todayShortDate() : TodayShortDateText(), app.VersionText};
}

void InfoRecords(Frontend& ui, const CalibrationSettings& settings, RecordSet& ID) {
  ui.AppendStatusLine("Phase 3 - Complete");
  ui.RepaintStatus();
  ID.AddNew();
  ID.SetField(0, FieldValue::Double(static_cast<double>(settings.InertiaFactor)));
  ID.SetField(1, FieldValue::Double(static_cast<double>(settings.SensorMassRatio)));
  ID.SetField(2, FieldValue::Single(settings.range.MinMassRPM));
  ID.SetField(3, FieldValue::Single(settings.range.MaxMassRPM));
  ID.SetField(4, FieldValue::Text(settings.date));
  ID.SetField(5, FieldValue::Text(settings.VersionText));
  ID.SetField(6, FieldValue::Text(" "));
  ID.Update();
}

}  // namespace frixa
