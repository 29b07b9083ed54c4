// The run file reader: see run_file.h.
#include "run/run_file.h"

#include <cassert>
#include <cerrno>
#include <cstring>

#include "common/error.h"
#include "run/record_repair.h"

namespace frixa {

RunRecord RunRecord::WithCount(std::uint32_t count, std::uint8_t marker) {
  RunRecord r;
  r.marker = marker;
  r.countHigh = static_cast<std::uint8_t>(count >> 16);
  r.countMiddle = static_cast<std::uint8_t>(count >> 8);
  r.countLow = static_cast<std::uint8_t>(count);
  return r;
}

RunRecord DecodeRunRecord(const std::uint8_t* bytes) {
  RunRecord r;
  r.marker = bytes[kMarkerOffset];
  r.countHigh = bytes[kCountHighOffset];
  r.countMiddle = bytes[kCountMiddleOffset];
  r.countLow = bytes[kCountLowOffset];
  std::memcpy(r.rest.data(), bytes + kRestOffset, kRestSize);
  return r;
}

RunRecordBytes EncodeRunRecord(const RunRecord& record) {
  RunRecordBytes bytes{};
  bytes[kMarkerOffset] = record.marker;
  bytes[kCountHighOffset] = record.countHigh;
  bytes[kCountMiddleOffset] = record.countMiddle;
  bytes[kCountLowOffset] = record.countLow;
  std::memcpy(bytes.data() + kRestOffset, record.rest.data(), kRestSize);
  return bytes;
}

void RunFileReader::Open(const std::string& path) {
  Close();
  begin_ = end_ = 0;
  errno = 0;
  file_ = std::fopen(path.c_str(), "rb");
  if (file_ == nullptr) {
    // The host leaves no file when it recorded nothing: that is an empty run, not a failure.
    if (errno == ENOENT) return;
    RaiseRuntimeError(errnum::kPathFileAccess);
  }
  if (!buffer_) buffer_ = std::make_unique<std::uint8_t[]>(kBufferSize);
  exhausted_ = false;
}

bool RunFileReader::Refill() {
  // Keep the unread tail (less than one record) in front of the new bytes.
  const std::size_t kept = end_ - begin_;
  if (kept > 0 && begin_ > 0) std::memmove(buffer_.get(), buffer_.get() + begin_, kept);
  begin_ = 0;
  end_ = kept;
  while (!exhausted_ && end_ < kBufferSize) {
    const std::size_t got = std::fread(buffer_.get() + end_, 1, kBufferSize - end_, file_);
    end_ += got;
    if (got == 0) {
      if (std::ferror(file_)) RaiseRuntimeError(errnum::kPathFileAccess);
      exhausted_ = true;
    }
  }
  return end_ - begin_ >= kRunRecordSize;
}

bool RunFileReader::AtEnd() {
  if (end_ - begin_ >= kRunRecordSize) return false;
  if (exhausted_) return true;
  return !Refill();
}

RunRecord RunFileReader::ReadRecord() {
  assert(end_ - begin_ >= kRunRecordSize && "ReadRecord without a successful AtEnd()");
  const RunRecord r = DecodeRunRecord(buffer_.get() + begin_);
  begin_ += kRunRecordSize;
  return r;
}

std::size_t RunFileReader::Available(const std::uint8_t** records) {
  if (AtEnd()) return 0;
  *records = buffer_.get() + begin_;
  return (end_ - begin_) / kRunRecordSize;
}

GatheredCounts RunFileReader::GatherCounts(std::vector<std::uint32_t>& counts) {
  GatheredCounts gathered;
  counts.clear();
  bool zeroSeen = false;
  try {
    const std::uint8_t* records = nullptr;
    for (std::size_t available; (available = Available(&records)) > 0;) {
      const std::size_t base = counts.size();
      counts.resize(base + available);
      std::uint32_t* out = counts.data() + base;
      // Every record's count and test at once, without a branch per record; only a block with
      // a rejected record is looked at again for the first one.
      // The smoothness test of RecordsAreSmooth goes along: a count is below 2^24, so five
      // times a change fits in 32 bits.
      bool rejected = false, zero = false, steps = false;
      std::int32_t previous = base > 0 ? static_cast<std::int32_t>(counts[base - 1]) : -1;
      for (std::size_t i = 0; i < available; ++i) {
        const std::uint8_t* record = records + i * kRunRecordSize;
        rejected |= !IsAcceptable(record);
        const std::uint32_t count = CountOf(record);
        out[i] = count;
        zero |= count == 0;
        const std::int32_t now = static_cast<std::int32_t>(count);
        const std::int32_t change = now - previous;
        steps |= previous >= 0 && (5 * change >= previous || -5 * change >= previous);
        previous = now;
      }
      std::size_t taken = available;
      if (rejected) {
        taken = 0;
        while (IsAcceptable(records + taken * kRunRecordSize)) ++taken;
        zero = false;
        for (std::size_t i = 0; i < taken; ++i) zero |= out[i] == 0;
      }
      counts.resize(base + taken);
      Consume(taken);
      const std::span<const std::uint32_t> block(out, taken);
      // The part of the block that a repair may touch: up to its first count of 0.
      std::size_t reach = zeroSeen ? 0 : taken;
      if (!zeroSeen) {
        if (zero) {
          zeroSeen = true;
          reach = 0;
          while (block[reach] != 0) ++reach;
          gathered.repairable = base + reach;
        }
      }
      if (gathered.smooth && reach > 0) {
        gathered.smooth =
            reach == available && !zero
                ? !steps
                : RecordsAreSmooth(block.first(reach), base > 0 ? counts[base - 1] : 0);
      }
      if (taken < available) {
        gathered.rejected = true;
        break;
      }
    }
  } catch (...) {
    gathered.failure = std::current_exception();
  }
  if (!zeroSeen) gathered.repairable = counts.size();
  return gathered;
}

void RunFileReader::Close() {
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
  exhausted_ = true;
  begin_ = end_ = 0;
}

}  // namespace frixa
