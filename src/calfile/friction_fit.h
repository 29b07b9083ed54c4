// A calibration file's settled revolutions and loss curve read for the friction fit (the fit
// itself is run/friction_fitter.h).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "recordset/bulk_rows.h"
#include "run/friction_fitter.h"

namespace frixa {

class RecordSet;

// A RawData row whose RPM lies more than this share and this many RPM above the row before it
// begins a further rundown: a rundown only slows down, so the mass was spun up again (a
// combined calibration holds its files' rundowns one after the other). Each rundown's first
// rows only prime the calculator.
inline constexpr double kRundownRestartShare = 0.05;
inline constexpr double kRundownRestartRpm = 10;

// A calibration file's RawData as the fit sees it, read once in stored order without keeping
// its rows: how many are stored, the rows at which its rundowns begin, and the settled ones
// (RPM: whole RPM + 0.5, the middle of the revolutions it holds; torque loss) gathered into
// runs at one RPM as the fit takes them, with the largest speed among them.
struct SettledRawData {
  long stored = 0;
  long settled = 0;                         // settled rows
  std::vector<long> rundownStarts;          // 0 first, when any row is stored
  std::vector<FrictionFitter::Group> runs;  // the settled rows, run by run
  double topOmega = 0;                      // the largest |w| of a settled row, rad/s

  // The next row of RawData: RPM, KWloss, NMLoss.
  void Note(std::span<const RowNumber> row);

 private:
  long inRundown_ = 0;  // the row's place in its rundown
  bool havePrevious_ = false;
  double previous_ = 0;  // the RPM of the last row that held one
};

// Reads RawData of `file` (Error with the engine's number when it cannot be read).
SettledRawData ReadSettledRawData(const std::string& file);
// The same through a record set bound to the file, which is left bound to it with RawData as
// its record source.
SettledRawData ReadSettledRawData(RecordSet& bound);

// The fit of the settled rows; `fitted` false with a message for fewer than three settled rows
// or rows at fewer than three different RPMs.
FrictionFit FitSettledRawData(const SettledRawData& data);

// A calibration file's loss curve (Losses) in stored order.
struct LossCurveRow {
  std::int32_t rpm = 0;
  double kw = 0;
  double nm = 0;
};
std::vector<LossCurveRow> ReadLossCurve(const std::string& file);
// The same through a record set bound to the file, which is left bound to it with Losses as its
// record source.
std::vector<LossCurveRow> ReadLossCurve(RecordSet& bound);

}  // namespace frixa
