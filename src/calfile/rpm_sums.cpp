// The per-RPM sums gathered from RawData: see rpm_sums.h.
#include "calfile/rpm_sums.h"

namespace frixa {

void LossSums::Add(const RowNumber& kwValue, const RowNumber& nmValue) {
  if (!kwValue.IsNull()) {
    kw += kwValue.AsDouble();
    ++kwCount;
  }
  if (!nmValue.IsNull()) {
    nm += nmValue.AsDouble();
    ++nmCount;
  }
}

SettledRpms::SettledRpms(std::int64_t first, std::int64_t count, std::span<const long> starts)
    : low_(first - 1),
      reached_(static_cast<std::size_t>(count > 0 ? count + 1 : 0), false),
      starts_(starts.begin(), starts.end()) {
  if (!starts_.empty()) sums_.resize(reached_.size());
}

void SettledRpms::Note(std::span<const RowNumber> values) {
  while (nextStart_ < starts_.size() && starts_[nextStart_] <= row_) {
    if (starts_[nextStart_++] == row_) inRundown_ = 0;
  }
  ++row_;
  if (inRundown_++ < kFirstSettledRawRow || values[0].IsNull()) return;
  any_ = true;
  const double offset = values[0].AsDouble() - static_cast<double>(low_);
  if (offset < 0 || offset >= static_cast<double>(reached_.size())) return;
  const auto at = static_cast<std::size_t>(offset);
  reached_[at] = true;
  if (!sums_.empty()) sums_[at].Add(values[1], values[2]);
}

bool SettledRpms::Reached(std::int64_t rpm) const {
  return !any_ || reached_[static_cast<std::size_t>(rpm - low_)];
}

bool SettledRpms::SettledMeans(std::int64_t rpm, FieldValue& kw, FieldValue& nm) const {
  if (sums_.empty() || !any_) return false;
  const LossSums& s = sums_[static_cast<std::size_t>(rpm - low_)];
  if (s.kwCount > 0) kw = FieldValue::Single(static_cast<float>(s.kw / static_cast<double>(s.kwCount)));
  if (s.nmCount > 0) nm = FieldValue::Single(static_cast<float>(s.nm / static_cast<double>(s.nmCount)));
  return true;
}

RawDataAverages::RawDataAverages(std::int64_t first, std::int64_t count)
    : first_(first), sums_(static_cast<std::size_t>(count)), settled_(first, count), gathering_(true) {}

RawDataAverages RawDataAverages::For(const RpmRange& range) {
  try {
    const WholeRpms rpms = WholeRpmsOf(range);
    if (rpms.count > 0) return RawDataAverages(rpms.first, rpms.count);
  } catch (const NoRunData&) {
  }
  return RawDataAverages();
}

void RawDataAverages::Note(std::span<const RowNumber> values) {
  if (!gathering_) return;
  settled_.Note(values);
  const RowNumber& rpm = values[0];
  if (rpm.IsNull()) return;
  const double offset = rpm.AsDouble() - static_cast<double>(first_);
  if (offset < 0 || offset >= static_cast<double>(sums_.size())) return;
  sums_[static_cast<std::size_t>(offset)].Add(values[1], values[2]);
}

}  // namespace frixa
