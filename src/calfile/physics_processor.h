// The physics processor: the second run pass, made by Create, which stores one RawData row per
// revolution (whole RPM, |power| kW, |torque| N m) from the third record of the run on.
#pragma once

#include <cstdint>
#include <vector>

#include "common/app.h"
#include "common/command_outcome.h"
#include "recordset/record_set.h"

namespace frixa {

class RawDataAverages;  // calfile/rpm_sums.h

// RD must be bound to "Select * From RawData" of the new calibration file. Reports progress in
// the status log, the process caption and the RPM display; handles its own failures (message
// box) and always returns normally: completed, or failed with the number of the failure it
// reported (1004 for corrupt run data). `gathered`, when given, is fed every row as it is stored
// (and told when rows were stored that it was not fed). `recorded`, when given, receives every
// record's count that the pass accepted, as recorded (before any repair).
CommandOutcome ProcessRunData(App& app, RecordSet& RD, RawDataAverages* gathered = nullptr,
                              std::vector<std::uint32_t>* recorded = nullptr);

}  // namespace frixa
