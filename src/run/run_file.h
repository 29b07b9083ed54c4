// Room run/: may include common/, platform/, jet/ (docs/architecture.md).
// The host's last-run file (Torvex2.000) and its reader. The host writes one 16-byte record per
// revolution of the dynamometer's mass, fastest first; the run passes of the preview and of Create
// read it from start to end. The rundown simulator writes files in the same layout.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <vector>

namespace frixa {

// One record of the run file, 16 bytes, no header, trailer or padding between records:
//
//    offset:  0        1        2        3        4 ............................. 15
//           +--------+--------+--------+--------+----------------------------------+
//           | marker | count  | count  | count  |  rest: 12 bytes, skipped          |
//           |  '#'   | high   | middle | low    |                                  |
//           +--------+--------+--------+--------+----------------------------------+
//
// count = high * 65536 + middle * 256 + low: an unsigned 24-bit big-endian number of
// microseconds, the time the speed sensor took for one of its revolutions.
inline constexpr std::size_t kRunRecordSize = 16;
inline constexpr std::size_t kMarkerOffset = 0;
inline constexpr std::size_t kCountHighOffset = 1;
inline constexpr std::size_t kCountMiddleOffset = 2;
inline constexpr std::size_t kCountLowOffset = 3;
inline constexpr std::size_t kRestOffset = 4;
inline constexpr std::size_t kRestSize = kRunRecordSize - kRestOffset;
inline constexpr std::uint8_t kWellFormedMarker = 35;  // '#'
inline constexpr std::uint32_t kMaxRevolutionCount = 0xFFFFFF;  // 24 bits
inline constexpr double kMicrosecondsPerSecond = 1000000.0;

struct RunRecord {
  std::uint8_t marker = kWellFormedMarker;
  std::uint8_t countHigh = 0;
  std::uint8_t countMiddle = 0;
  std::uint8_t countLow = 0;
  std::array<std::uint8_t, kRestSize> rest{};

  // The revolution count in microseconds, 0 to 16777215.
  std::uint32_t Count() const {
    return (std::uint32_t{countHigh} << 16) | (std::uint32_t{countMiddle} << 8) | countLow;
  }
  // A record carrying `count` (its low 24 bits) with the given marker and a zero rest.
  static RunRecord WithCount(std::uint32_t count, std::uint8_t marker = kWellFormedMarker);
};

using RunRecordBytes = std::array<std::uint8_t, kRunRecordSize>;
RunRecord DecodeRunRecord(const std::uint8_t* bytes);
RunRecordBytes EncodeRunRecord(const RunRecord& record);

// What RunFileReader::GatherCounts found.
struct GatheredCounts {
  // The counts before the first count of 0, or all of them: the records a repair may touch.
  std::size_t repairable = 0;
  // No gathered count differs from the one before by a fifth of it or more (RecordsAreSmooth).
  bool smooth = true;
  // A rejected record ended the gathering (the counts are those of the records before it).
  bool rejected = false;
  // A read failure after the gathered counts, to be raised once they have been processed.
  std::exception_ptr failure;
};

// Reads a run file record by record through a large buffer. One reader per run pass; the file is
// released by Close or, on any way out of the pass, by the destructor.
//
// End of file: AtEnd() is true as soon as fewer than 16 bytes are left. A file whose length is not
// a multiple of 16 therefore ends after its last whole record; the trailing partial record is
// ignored, never delivered half-filled.
class RunFileReader {
 public:
  RunFileReader() = default;
  RunFileReader(const RunFileReader&) = delete;
  RunFileReader& operator=(const RunFileReader&) = delete;
  ~RunFileReader() { Close(); }

  // Opens the file for binary reading. A file that does not exist reads as an empty file; one that
  // exists but cannot be opened raises "Path/File access error" (75).
  void Open(const std::string& path);
  // True when no further whole record can be read. A read error raises 75.
  bool AtEnd();
  // The next record; all 16 bytes are consumed. Precondition: !AtEnd().
  RunRecord ReadRecord();
  // The records as they lie in the buffer, for a pass that works through them in place: the
  // number of whole records that follow `*records` (refilling the buffer when none is left;
  // 0 at the end of the file). Consume(count) then moves past `count` of them.
  std::size_t Available(const std::uint8_t** records);
  void Consume(std::size_t count) { begin_ += count * kRunRecordSize; }
  // Reads the rest of the file into `counts` (cleared first, its memory kept): the count of every
  // record up to the first rejected one, taken in the same look at each buffered block that
  // tests the records, with the smoothness of the counts and the first count of 0.
  GatheredCounts GatherCounts(std::vector<std::uint32_t>& counts);
  void Close();

  // A record is rejected only when its marker is not '#' and none of its count bytes is 0.
  static bool IsAcceptable(const RunRecord& record) {
    return record.marker == kWellFormedMarker || record.countHigh == 0 ||
           record.countMiddle == 0 || record.countLow == 0;
  }
  // The same tests on a record's 16 bytes.
  static bool IsAcceptable(const std::uint8_t* record) {
    return record[kMarkerOffset] == kWellFormedMarker || record[kCountHighOffset] == 0 ||
           record[kCountMiddleOffset] == 0 || record[kCountLowOffset] == 0;
  }
  static std::uint32_t CountOf(const std::uint8_t* record) {
    return (std::uint32_t{record[kCountHighOffset]} << 16) |
           (std::uint32_t{record[kCountMiddleOffset]} << 8) | record[kCountLowOffset];
  }
  // The period of one revolution of the mass in seconds: the sensor's count scaled by the
  // sensor-to-mass ratio.
  static double Period(const RunRecord& record, float sensorMassRatio) {
    return PeriodOfCount(record.Count(), sensorMassRatio);
  }
  static double PeriodOfCount(std::uint32_t count, float sensorMassRatio) {
    return static_cast<double>(count) * static_cast<double>(sensorMassRatio) / kMicrosecondsPerSecond;
  }

 private:
  // 65536 records (1 MB) per read.
  static constexpr std::size_t kBufferSize = 65536 * kRunRecordSize;

  bool Refill();

  std::FILE* file_ = nullptr;
  std::unique_ptr<std::uint8_t[]> buffer_;
  std::size_t begin_ = 0;  // next unread byte in buffer_
  std::size_t end_ = 0;    // one past the last valid byte in buffer_
  bool exhausted_ = true;  // the file has nothing more to give
};

}  // namespace frixa
