// The smoothed calibration: see smoothed_file.h.
#include "calfile/smoothed_file.h"

#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

#include "calfile/create_command.h"
#include "calfile/file_names.h"
#include "calfile/processing_phases.h"
#include "calfile/recorded_fit.h"
#include "common/error.h"
#include "recordset/data_controls.h"

namespace frixa {
namespace {

constexpr std::size_t kCommentLimit = 255;

using Rows = std::vector<std::vector<FieldValue>>;

Rows ReadRows(const std::string& file, const std::string& table) {
  RecordSet rs;
  Bind(rs, file, "Select * From " + table);
  Rows rows;
  rs.ForEachRow([&](std::span<const FieldValue> row) { rows.emplace_back(row.begin(), row.end()); });
  Release(rs);
  return rows;
}

void AppendRow(RecordSet& rs, const std::vector<FieldValue>& row) {
  rs.AddNew();
  for (std::size_t i = 0; i < row.size(); ++i) rs.SetField(static_cast<int>(i), row[i]);
  rs.Update();
}

bool WholeRpm(const FieldValue& v) {
  if (v.IsNull() || v.kind() == FieldValue::Kind::kText) return false;
  const double d = v.AsDouble();
  return std::isfinite(d) && d == std::floor(d) && d >= 0 && d < 2147483647.0;
}

}  // namespace

SmoothedFile SmoothCalibrationFile(Frontend& ui, const std::string& source,
                                   const std::string& name, const std::string& today) {
  SmoothedFile out;
  out.fit = FitSettledRawData(ReadSettledRawData(source));
  const FrictionFit& fit = out.fit;
  if (!fit.fitted) throw SmoothingRefused(fit.problem);

  const Rows info = ReadRows(source, "Info");
  if (info.size() != 1 || info[0].size() < 7) {
    throw SmoothingRefused("the file's information record is missing");
  }
  const FieldValue& low = info[0][2];
  const FieldValue& high = info[0][3];
  if (!WholeRpm(low) || !WholeRpm(high) || high.AsDouble() < low.AsDouble() ||
      high.AsDouble() - low.AsDouble() + 1 > static_cast<double>(kMaxRpmRange)) {
    throw SmoothingRefused("the file's information record holds no usable RPM range");
  }
  const auto first = static_cast<std::int64_t>(low.AsDouble());
  const auto last = static_cast<std::int64_t>(high.AsDouble());
  for (std::int64_t r = first; r <= last; ++r) {
    if (!(fit.TorqueAt(static_cast<double>(r) + 0.5) >= 0)) {
      throw SmoothingRefused("the fitted friction model gives a negative torque loss at " +
                             std::to_string(r) + " RPM");
    }
  }
  const Rows points = ReadRows(source, "PointData");

  std::vector<FieldValue> infoRow = info[0];
  infoRow[4] = FieldValue::Text(today);
  std::string comment = kSmoothedCommentPrefix + StripPathAndExtension(source);
  if (comment.size() > kCommentLimit) comment.resize(kCommentLimit);
  infoRow[6] = FieldValue::Text(comment);

  WriteCalibrationFile(ui, name, [&](DataControls& dc) {
    // RawData goes across row by row, never held as values (a rundown may hold millions).
    RecordSet raw;
    Bind(raw, source, "Select * From Info");       // opens the file, as read above
    raw.SetRecordSource("Select * From RawData");  // streamed: no record set of every row
    raw.ForEachNumberRow([&](std::span<const RowNumber> row) { dc.RD.AppendRow(row); });
    Release(raw);
    for (const auto& row : points) AppendRow(dc.PD, row);
    for (const LossCurveRow& row : ModelLossRows(fit, static_cast<std::int32_t>(first),
                                                 static_cast<std::int32_t>(last))) {
      dc.LD.AddNew();
      dc.LD.SetField(0, FieldValue::Integer(row.rpm));
      dc.LD.SetField(1, FieldValue::Single(static_cast<float>(row.kw)));
      dc.LD.SetField(2, FieldValue::Single(static_cast<float>(row.nm)));
      dc.LD.Update();
      ++out.lossRows;
    }
    AppendRow(dc.ID, infoRow);
  });
  return out;
}

}  // namespace frixa
