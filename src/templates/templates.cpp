// Schemas of the template databases; see templates.h.
#include "templates/templates.h"

namespace frixa {

namespace {

using jet::NewColumn;

constexpr std::uint16_t kInfoTextLength = 255;

jet::NewTable LossesTable() {
  return {"Losses", {NewColumn::Long("RPM"), NewColumn::Single("KWloss"), NewColumn::Single("NMLoss")}};
}

}  // namespace

jet::DatabaseSchema CalibrationTemplateSchema() {
  jet::DatabaseSchema schema;
  schema.tables = {
      {"RawData", {NewColumn::Long("SpotRPM"), NewColumn::Single("SpotKWloss"), NewColumn::Single("SpotNMLoss")}},
      {"PointData", {NewColumn::Long("PointRPM"), NewColumn::Single("PointKWloss"), NewColumn::Single("PointNMLoss")}},
      LossesTable(),
      {"Info",
       {NewColumn::Double("MOIApplied"), NewColumn::Double("PPR"), NewColumn::Single("HighRPM"),
        NewColumn::Single("LowRPM"), NewColumn::Text("Date", kInfoTextLength, false),
        NewColumn::Text("Version", kInfoTextLength, false), NewColumn::Text("Comment", kInfoTextLength, false)}},
  };
  return schema;
}

jet::DatabaseSchema HostTemplateSchema() {
  jet::DatabaseSchema schema;
  schema.tables = {LossesTable()};
  return schema;
}

std::optional<std::vector<std::uint8_t>> BuildTemplate(int id) {
  switch (id) {
    case kCalibrationTemplateId: return jet::BuildDatabase(CalibrationTemplateSchema());
    case kHostTemplateId: return jet::BuildDatabase(HostTemplateSchema());
    default: return std::nullopt;
  }
}

}  // namespace frixa
