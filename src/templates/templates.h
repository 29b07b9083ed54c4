// Room templates/: may include common/ up to recordset/ (docs/architecture.md).
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
#include "templates/template_ids.h"

namespace frixa {

// RawData, PointData, Losses and Info, columns in their stored order; Info's three text columns
// refuse zero-length strings.
jet::DatabaseSchema CalibrationTemplateSchema();

// Losses alone, with the same three columns as the calibration file's.
jet::DatabaseSchema HostTemplateSchema();

// The template database of resource id 101 or 102, built afresh; nullopt for another id.
std::optional<std::vector<std::uint8_t>> BuildTemplate(int id);

}  // namespace frixa
