// Page 0, the database definition page: the file signature, the engine version and, masked
// with a fixed RC4 key, the sort order, the code page, the database key and the password.
//
//   0x00  00 01 00 00
//   0x04  "Standard Jet DB" 00
//   0x14  version: 00 = Jet 3 (Access 95/97), 01 = Jet 4
//   0x18 .. 0x95  126 bytes XORed with the RC4 keystream of C7 DA 39 6B; unmasked:
//         0x3A  u16 sort order (0x0409 General)
//         0x3C  u16 code page (0x04E4 = 1252)
//         0x3E  u32 database key (0: no page but this one is encrypted)
//         0x42  20 bytes database password (zeros: none)
#pragma once

#include <array>
#include <cstdint>

#include "jet/page.h"

namespace frixa::jet {

namespace header {
inline constexpr std::size_t kMagicOffset = 0x00;
inline constexpr std::array<std::uint8_t, 4> kMagic{0x00, 0x01, 0x00, 0x00};
inline constexpr std::size_t kSignatureOffset = 0x04;
inline constexpr char kSignature[] = "Standard Jet DB";  // followed by a 00 byte
inline constexpr std::size_t kSignatureSize = 16;           // with the 00
inline constexpr std::size_t kVersionOffset = 0x14;
inline constexpr std::uint8_t kVersionJet3 = 0x00;
inline constexpr std::size_t kMaskedOffset = 0x18;
inline constexpr std::size_t kMaskedSize = 126;
inline constexpr std::array<std::uint8_t, 4> kMaskKey{0xC7, 0xDA, 0x39, 0x6B};
inline constexpr std::size_t kSortOrderOffset = 0x3A;
inline constexpr std::size_t kCodePageOffset = 0x3C;
inline constexpr std::size_t kDatabaseKeyOffset = 0x3E;
inline constexpr std::size_t kPasswordOffset = 0x42;
inline constexpr std::size_t kPasswordSize = 20;
inline constexpr std::uint16_t kSortGeneral = 0x0409;
inline constexpr std::uint16_t kCodePage1252 = 1252;
}  // namespace header

// What page 0 says, unmasked.
struct DatabaseHeader {
  std::uint8_t version = 0;
  std::uint16_t sortOrder = 0;
  std::uint16_t codePage = 0;
  std::uint32_t databaseKey = 0;
  bool hasPassword = false;
};

// How far a page 0 is from a Jet 3 database that this engine reads.
enum class HeaderVerdict {
  kJet3,          // readable
  kNotJet,        // no Jet signature, or a file shorter than the signature
  kOtherVersion,  // a Jet database of another version
  kEncrypted,     // Jet 3 with a database key: every page encrypted
  kPassword,      // Jet 3 with a database password
};

struct HeaderReading {
  HeaderVerdict verdict = HeaderVerdict::kNotJet;
  DatabaseHeader header;
};

// Reads the start of a file (any length: a short file is simply not a database).
HeaderReading ReadDatabaseHeader(ByteSpan fileStart);

// The 126 masked bytes of page 0 unmasked (or masked again: the mask is its own inverse).
void ApplyHeaderMask(std::span<std::uint8_t> page0);

}  // namespace frixa::jet
