// Reading a calibration file for the friction fit: see friction_fit.h.
#include "calfile/friction_fit.h"

#include <algorithm>
#include <cmath>

#include "calfile/processing_phases.h"
#include "recordset/data_controls.h"

namespace frixa {

void SettledRawData::Note(std::span<const RowNumber> row) {
  const long index = stored++;
  if (index == 0) rundownStarts.push_back(0);
  if (!row[0].IsNull()) {
    const double rpm = row[0].AsDouble();
    if (havePrevious_ && rpm > previous_ * (1 + kRundownRestartShare) + kRundownRestartRpm) {
      rundownStarts.push_back(index);
      inRundown_ = 0;
    }
    previous_ = rpm;
    havePrevious_ = true;
  }
  if (inRundown_++ < kFirstSettledRawRow || row[0].IsNull() || row[2].IsNull()) return;
  const double rpm = row[0].AsDouble() + 0.5;
  const double torque = row[2].AsDouble();
  ++settled;
  topOmega = std::max(topOmega, std::fabs(OmegaOfRpm(rpm)));
  if (runs.empty() || !runs.back().Take(rpm, torque)) runs.emplace_back().Take(rpm, torque);
}

SettledRawData ReadSettledRawData(RecordSet& bound) {
  SettledRawData data;
  bound.SetRecordSource("Select * From RawData");  // streamed: no record set of every row
  bound.ForEachNumberRow([&](std::span<const RowNumber> row) { data.Note(row); });
  return data;
}

SettledRawData ReadSettledRawData(const std::string& file) {
  RecordSet rd;
  Bind(rd, file, "Select * From Info");  // the one-row table opens the file
  SettledRawData data = ReadSettledRawData(rd);
  Release(rd);
  return data;
}

FrictionFit FitSettledRawData(const SettledRawData& data) {
  // Scaled by the top speed, so the whole run is gathered before the fit takes a sample.
  FrictionFitter fitter(data.topOmega);
  for (const FrictionFitter::Group& run : data.runs) fitter.Add(run);
  return fitter.Fit();
}

std::vector<LossCurveRow> ReadLossCurve(RecordSet& bound) {
  bound.SetRecordSource("Select * From Losses");
  std::vector<LossCurveRow> rows;
  bound.ForEachNumberRow([&](std::span<const RowNumber> row) {
    if (row[0].IsNull() || row[1].IsNull() || row[2].IsNull()) return;
    rows.push_back({row[0].ToField().AsInteger(), row[1].AsDouble(), row[2].AsDouble()});
  });
  return rows;
}

std::vector<LossCurveRow> ReadLossCurve(const std::string& file) {
  RecordSet ld;
  Bind(ld, file, "Select * From Losses");
  std::vector<LossCurveRow> rows = ReadLossCurve(ld);
  Release(ld);
  return rows;
}

}  // namespace frixa
