// A program folder for the calibration commands' tests: run file, "Custom Cal", an App on a
// recording front end with a fixed date, and readers of the tables the commands write.
#pragma once

#include <string>
#include <vector>

#include "common/app.h"
#include "recordset/data_controls.h"
#include "recordset/record_set.h"
#include "sim/rundown_simulator.h"
#include "support/recording_frontend.h"
#include "support/run_files.h"

namespace frixa::testing {

using Rows = std::vector<std::vector<FieldValue>>;

// Every row of `table` in stored order, through a record set of its own.
Rows ReadTable(const std::string& file, const std::string& table);

class ProgramFolder {
 public:
  ProgramFolder();

  std::string CalFolder() const { return folder.File("Custom Cal"); }
  std::string CalFile(const std::string& name) const;
  // Writes a simulated rundown as the run file and previews it, as start-up does.
  void SimulateAndPreview(const RundownModel& model, float inertia = 1.25f, float ratio = 1.0f);
  // The same for hand-made records.
  void WriteRunAndPreview(const std::vector<RunRecord>& records, float inertia = 1.25f,
                          float ratio = 1.0f);
  void Preview();
  // Runs Create with `name` typed into its dialog (a bare name goes into Custom Cal).
  void Create(const std::string& name);

  // A short rundown (1500 to 600 RPM under a constant 6 N m): a small file, quickly made.
  static RundownModel ShortRundown();

  TempFolder folder;
  RecordingFrontend ui;
  App app;
  DataControls dc;
};

}  // namespace frixa::testing
