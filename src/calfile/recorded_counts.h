// Room calfile/: may include common/ up to templates/ (docs/architecture.md).
// The recorded times of a calibration file: each rundown's revolution counts as the run file
// held them (the records the run pass accepted, before anything is made of them), kept in the
// table RunCounts that Create adds beside the four tables of the template, so that a file can
// be analysed again from its revolutions. Files made before the table existed have none.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace frixa {

// The table: the counts of a rundown in rows of kCountsPerRow, in revolution order. Rundown
// numbers the rundowns of a combined file from 1; Revolution is the 0-based index in its
// rundown of the row's first count (so the order stays explicit, whatever reads the rows);
// Count1.. are the records' counts as recorded (µs at the sensor, 0 to 16777215; a 0 stays 0),
// the last row of a rundown null after its last count. Sixteen to a row keep the table at
// under 5 bytes a revolution, a third of a row per revolution.
inline constexpr const char* kRecordedCountsTable = "RunCounts";
inline constexpr std::size_t kCountsPerRow = 16;
// The column names in stored order: Rundown, Revolution, Count1 .. Count16, all Long.
std::vector<std::string> RecordedCountsColumns();

// One rundown's counts, in revolution order.
using RecordedCounts = std::vector<std::int32_t>;

// The counts of the records a run pass over the run file at `path` accepts: from the first
// record up to (not including) the first rejected one. A missing file has none; one that
// cannot be opened raises 75.
RecordedCounts ReadRunFileCounts(const std::string& path);

// Adds the table to the calibration file being built at `building` and stores `rundowns` in it,
// numbered from 1 in their order (a rundown without counts has no rows and takes no number). Saved as the file's record sets save (write-behind keeps it until
// the file is let go). Raises the database errors of adding and appending.
void StoreRecordedCounts(const std::string& building, const std::vector<RecordedCounts>& rundowns);
// The same for the one rundown of a run, its counts as the run pass gathered them (no copy).
void StoreRecordedCounts(const std::string& building, std::span<const std::uint32_t> counts);

// Each rundown's counts, in rundown order; none when the file has no table of counts. Raises
// the errors of opening the file, and 3049 naming the table when it is damaged: its columns
// not those above, a count outside 0..16777215, rundowns that do not run 1, 2, ... or rows
// that do not follow each other within one, a null before a count or in a row not its
// rundown's last.
std::vector<RecordedCounts> ReadRecordedCounts(const std::string& path);

}  // namespace frixa
