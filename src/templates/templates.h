// The two template databases that the program writes out as new files: the calibration
// template (resource 101: RawData, PointData, Losses, Info) and the host loss template
// (resource 102: Losses). Their schemas live here; the files under resources/templates are
// built from them by `frixa-cli make-templates` and embedded into the program.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "jet/db_builder.h"

namespace frixa {

inline constexpr int kCalibrationTemplateId = 101;
inline constexpr int kHostTemplateId = 102;
inline constexpr std::string_view kTemplateResourceType = "MDB";

// File names of the committed templates under resources/templates.
inline constexpr std::string_view kCalibrationTemplateFile = "calibration.mdb";
inline constexpr std::string_view kHostTemplateFile = "host.mdb";

// RawData, PointData, Losses and Info, columns in their stored order; Info's three text columns
// refuse zero-length strings.
jet::DatabaseSchema CalibrationTemplateSchema();

// Losses alone, with the same three columns as the calibration file's.
jet::DatabaseSchema HostTemplateSchema();

// The template database of resource id 101 or 102, built afresh; nullopt for another id.
std::optional<std::vector<std::uint8_t>> BuildTemplate(int id);

}  // namespace frixa
