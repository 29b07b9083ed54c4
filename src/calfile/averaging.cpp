// RPM averaging: see averaging.h.
#include "calfile/averaging.h"

#include <span>
#include <utility>

#include "common/status_log.h"

namespace frixa {
namespace {

struct Means {
  FieldValue kw;  // null when the RPM has no raw row
  FieldValue nm;
};

Means MeansOf(const LossSums& s) {
  Means m;
  if (s.kwCount > 0) m.kw = FieldValue::Double(s.kw / static_cast<double>(s.kwCount));
  if (s.nmCount > 0) m.nm = FieldValue::Double(s.nm / static_cast<double>(s.nmCount));
  return m;
}

// The sums of every whole RPM of the range, from one read of RawData in stored order; the same
// read notes which RPMs a settled revolution reached, for the loss curve.
RawDataAverages ReadAverages(RecordSet& RD, const WholeRpms& rpms) {
  RawDataAverages averages(rpms.first, rpms.count);
  RD.SetRecordSource("Select * From RawData");  // streamed: no record set of every row
  RD.ForEachNumberRow([&](std::span<const RowNumber> values) { averages.Note(values); });
  return averages;
}

}  // namespace

long AverageRawData(Frontend& ui, const RpmRange& range, RecordSet& RD, RecordSet& PD,
                    SettledRpms* settled, RawDataAverages* gathered) {
  AppendStepHeading(ui, "Data Processor");

  const WholeRpms rpms = WholeRpmsOf(range);
  RawDataAverages read;  // the means, when not gathered as RawData was stored
  RawDataAverages* averages = nullptr;
  if (settled) *settled = SettledRpms(rpms.first, rpms.count);
  if (rpms.count > 0) {
    if (gathered && gathered->Gathers(rpms.first, rpms.count)) {
      averages = gathered;
    } else {
      read = ReadAverages(RD, rpms);
      averages = &read;
    }
    if (settled) *settled = std::move(averages->Settled());
  }

  long stored = 0;
  RowBlock points(PD, 3);
  for (std::int64_t i = 0; i < rpms.count; ++i) {
    const std::int64_t rpm = rpms.first + i;
    const Means means = MeansOf(averages->At(rpm));
    if (!means.kw.IsNull()) {
      points.Add({RowNumber::Of(RpmField(rpm)), RowNumber::Of(means.kw), RowNumber::Of(means.nm)});
      ++stored;
    }
    ui.ShowRpm(RpmText(rpm));
    ui.DoEvents();
  }
  points.Store();

  ui.AppendStatusLine("Phase 1 - Complete");
  ui.RepaintStatus();
  ui.ShowRpm("0");
  ui.RefreshRpm();
  return stored;
}

}  // namespace frixa
