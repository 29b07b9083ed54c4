// Program folder fixture for the calibration commands: see calibration_fixture.h.
#include "support/calibration_fixture.h"

#include <filesystem>

#include "app/startup_preview.h"
#include "calfile/create_command.h"
#include "common/app.h"

namespace frixa::testing {

Rows ReadTable(const std::string& file, const std::string& table) {
  RecordSet rs;
  Bind(rs, file, "Select * From " + table);
  Rows rows;
  for (; !rs.Eof(); rs.MoveNext()) {
    std::vector<FieldValue> row;
    for (int i = 0; i < rs.FieldCount(); ++i) row.push_back(rs.Fields(i));
    rows.push_back(std::move(row));
  }
  Release(rs);
  return rows;
}

ProgramFolder::ProgramFolder() : app(ui, folder.str()) {
  std::filesystem::create_directory(CalFolder());
  app.VersionText = kVersionText;
  app.todayShortDate = [] { return std::string("12/9/2026"); };
  ui.keepRpmHistory = false;
}

std::string ProgramFolder::CalFile(const std::string& name) const {
  return CalFolder() + kPathSeparator + name;
}

void ProgramFolder::SimulateAndPreview(const RundownModel& model, float inertia, float ratio) {
  WriteRundownFile(model, app.ProgramFile(kRunFileName));
  app.InertiaFactor = inertia;
  app.SensorMassRatio = ratio;
  Preview();
}

void ProgramFolder::WriteRunAndPreview(const std::vector<RunRecord>& records, float inertia,
                                       float ratio) {
  WriteRunFile(app.ProgramFile(kRunFileName), records);
  app.InertiaFactor = inertia;
  app.SensorMassRatio = ratio;
  Preview();
}

void ProgramFolder::Preview() {
  RunStartupPreview(app);
  ui.messages.clear();
  ui.calls.clear();
  ui.status.clear();
}

void ProgramFolder::Create(const std::string& name) {
  ui.fileNameAnswers.push_back(CalFile(name));
  CreateCalibrationFile(app, dc, PreviewedRange(app));
}

RundownModel ProgramFolder::ShortRundown() {
  RundownModel model;
  model.startRpm = 1500;
  model.endRpm = 600;
  model.frictionA = 6.0;
  return model;
}

}  // namespace frixa::testing
