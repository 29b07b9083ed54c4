// The RPM range of the processing phases and how they store an RPM: see processing_phases.h.
#include "calfile/processing_phases.h"

#include <cmath>
#include <limits>

namespace frixa {

WholeRpms WholeRpmsOf(const RpmRange& range) {
  const double min = range.MinMassRPM;
  const double max = range.MaxMassRPM;
  const auto usable = [](double v) {
    return std::isfinite(v) && v == std::floor(v) &&
           v > static_cast<double>(std::numeric_limits<std::int32_t>::min()) &&
           v <= static_cast<double>(std::numeric_limits<std::int32_t>::max());
  };
  if (!usable(min) || !usable(max)) throw NoRunData{};
  if (max < min) return {};
  const double count = max - min + 1.0;
  if (count > static_cast<double>(kMaxRpmRange)) throw NoRunData{};
  return {static_cast<std::int64_t>(min), static_cast<std::int64_t>(count)};
}

FieldValue RpmField(std::int64_t rpm) {
  constexpr std::int64_t kExactSingle = std::int64_t{1} << 24;
  if (rpm >= -kExactSingle && rpm <= kExactSingle) {
    return FieldValue::Single(static_cast<float>(rpm));
  }
  return FieldValue::Integer(static_cast<std::int32_t>(rpm));
}

std::string RpmText(std::int64_t rpm) { return std::to_string(rpm); }

}  // namespace frixa
