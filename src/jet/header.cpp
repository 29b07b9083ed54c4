// Page 0: signature and version checks, and the unmasking of the header fields.
#include "jet/header.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "jet/rc4.h"

namespace frixa::jet {

void ApplyHeaderMask(std::span<std::uint8_t> page0) {
  if (page0.size() < header::kMaskedOffset + header::kMaskedSize) return;
  Rc4Apply(header::kMaskKey, page0.subspan(header::kMaskedOffset, header::kMaskedSize));
}

HeaderReading ReadDatabaseHeader(ByteSpan fileStart) {
  HeaderReading reading;
  const std::size_t need = header::kSignatureOffset + header::kSignatureSize;
  if (fileStart.size() < need ||
      std::memcmp(fileStart.data() + header::kSignatureOffset, header::kSignature,
                  header::kSignatureSize) != 0) {
    return reading;  // kNotJet
  }
  if (fileStart.size() <= header::kVersionOffset) return reading;
  reading.header.version = fileStart[header::kVersionOffset];
  if (reading.header.version != header::kVersionJet3) {
    reading.verdict = HeaderVerdict::kOtherVersion;
    return reading;
  }
  if (fileStart.size() < header::kMaskedOffset + header::kMaskedSize) {
    ThrowCorrupt("page 0 is cut short before its header fields");
  }
  std::vector<std::uint8_t> page(fileStart.begin(),
                                 fileStart.begin() + header::kMaskedOffset + header::kMaskedSize);
  ApplyHeaderMask(page);
  const ByteSpan p(page);
  reading.header.sortOrder = ReadU16(p, header::kSortOrderOffset);
  reading.header.codePage = ReadU16(p, header::kCodePageOffset);
  reading.header.databaseKey = ReadU32(p, header::kDatabaseKeyOffset);
  const ByteSpan password = Slice(p, header::kPasswordOffset, header::kPasswordSize);
  reading.header.hasPassword =
      std::any_of(password.begin(), password.end(), [](std::uint8_t b) { return b != 0; });
  if (reading.header.databaseKey != 0) {
    reading.verdict = HeaderVerdict::kEncrypted;
  } else if (reading.header.hasPassword) {
    reading.verdict = HeaderVerdict::kPassword;
  } else {
    reading.verdict = HeaderVerdict::kJet3;
  }
  return reading;
}

}  // namespace frixa::jet
