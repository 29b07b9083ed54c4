// Room calfile/: may include common/ up to templates/ (docs/architecture.md).
// Create: turns the host's last run into a calibration file. Asks for a name under
// "Custom Cal", writes the calibration template there, binds RD, PD, LD and ID to its four
// tables and runs the physics processor, averaging, the loss curve and the information record
// over the RPM range the start-up preview found.
#pragma once

#include <functional>

#include "calfile/processing_phases.h"
#include "common/app.h"
#include "common/command_outcome.h"
#include "recordset/data_controls.h"

namespace frixa {

inline constexpr const char* kCalibrationExtension = ".Frixa";
// Appended to the chosen name while the file is being built.
inline constexpr const char* kBuildingSuffix = ".tmp";

// The steps by which a calibration file is written: built under a temporary name beside its
// final one (name + kBuildingSuffix) and renamed only when complete, so that an older file of
// the name stays until then and a build that fails or is cut short leaves no half-written
// calibration file behind.
//   StartCalibrationFile:    removes a leftover of an interrupted build, writes template 101
//                            under the temporary name and returns that name;
//   BindCalibrationTables:   RD, PD, LD, ID to "Select * From" RawData, PointData, Losses, Info;
//   CompleteCalibrationFile: releases the four, saves the file to disk and gives it its name
//                            (raises 75 or 70 when it cannot);
//   AbandonCalibrationFile:  releases the four without raising and removes the temporary file.
std::string StartCalibrationFile(Frontend& ui, const std::string& name);
void BindCalibrationTables(DataControls& dc, const std::string& building);
void CompleteCalibrationFile(DataControls& dc, const std::string& building,
                             const std::string& name);
void AbandonCalibrationFile(DataControls& dc, const std::string& building);

// The four steps around `fill`, which appends the rows through the bound record sets: the file
// is complete under `name` when it returns, and abandoned when anything raises (the exception
// goes on to the caller).
void WriteCalibrationFile(Frontend& ui, const std::string& name,
                          const std::function<void(DataControls&)>& fill);

// Create over `range`, the RPM range the start-up preview's graph pass left (PreviewedRange):
// every phase works over it and the information row and the summary show it.
// Completed (perhaps after a failed physics processor, whose failure it carries), cancelled when
// no name was chosen, refused (1003) for a run without data or while another command runs,
// failed with the number of the error it reported.
CommandOutcome CreateCalibrationFile(App& app, DataControls& dc, const RpmRange& range);

}  // namespace frixa
