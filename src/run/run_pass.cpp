// The run pass's out-of-line parts: its reusable count buffer and the record repair's status line.
#include "run/run_pass.h"

namespace frixa {

std::string RecordRepairStatusLine(const RecordRepair& repair) {
  // A run made mostly of faults is told so; one the repair left alone for any other reason (a
  // stretch it cannot follow, too few records) is logged as it always was.
  if (repair.untrusted && repair.tooManyFaults) {
    return "Repaired Records : none - too many faults to repair, processed as recorded";
  }
  if (!repair.Changed()) return "";
  return "Repaired Records :" + SignedNumberText(static_cast<double>(repair.merged)) + " merged," +
         SignedNumberText(static_cast<double>(repair.split)) + " split," +
         SignedNumberText(static_cast<double>(repair.leftOut)) + " left out";
}

namespace run_pass_detail {

std::vector<std::uint32_t>& SharedCounts() {
  thread_local std::vector<std::uint32_t> counts;
  return counts;
}

}  // namespace run_pass_detail
}  // namespace frixa
