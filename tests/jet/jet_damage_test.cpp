// Damaged and foreign files: every one ends in a clear frixa::Error (3024, 3343, 3031 or the
// corruption error 3049), never in a crash, a hang or a read outside the file. The damage is
// done to copies of the fixtures (and of composed files) in memory, at places the reader
// itself locates.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "jet/database.h"
#include "jet/header.h"
#include "support/jet_synth.h"
#include "support/jet_test_files.h"

namespace frixa::jet {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::FileBytes;
using testing::JetFixture;

Bytes Fixture(const std::string& name) { return FileBytes(JetFixture(name)); }

// The number of the error that opening and reading all of `bytes` ends in; 0 for none.
int ReadAllError(const Bytes& bytes) {
  try {
    const Database db = Database::FromBytes(bytes, "damaged.mdb");
    testing::ReadEverything(db);
  } catch (const Error& e) {
    return e.number();
  }
  return 0;
}

void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void Put16(Bytes& b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

std::string CorruptDetail(const Bytes& bytes) {
  try {
    const Database db = Database::FromBytes(bytes, "damaged.mdb");
    testing::ReadEverything(db);
  } catch (const CorruptError& e) {
    EXPECT_EQ(e.number(), 3049);
    EXPECT_EQ(e.database(), "damaged.mdb");
    EXPECT_EQ(e.description().rfind("Can't open database 'damaged.mdb'.  It may not be a database that "
                                    "your application recognizes, or the file may be corrupt.",
                                    0),
              0u);
    return e.detail();
  }
  ADD_FAILURE() << "no corruption error";
  return {};
}

TEST(JetOpen, MissingFileRaises3024NamingIt) {
  const std::string path = (std::filesystem::temp_directory_path() / "frixa_no_such.mdb").string();
  try {
    Database::Open(path);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), 3024);
    EXPECT_EQ(e.description(), "Couldn't find file '" + path + "'.");
  }
}

TEST(JetOpen, FilesThatAreNotJet3DatabasesRaise3343) {
  EXPECT_EQ(ReadAllError({}), 3343);
  EXPECT_EQ(ReadAllError(Bytes(4096, 0)), 3343);
  const Bytes text = FileBytes(JetFixture("SOURCES.md"));
  EXPECT_EQ(ReadAllError(text), 3343);
  Bytes jet4 = Fixture("jackcess_delTestV1997.mdb");
  jet4[header::kVersionOffset] = 0x01;
  EXPECT_EQ(ReadAllError(jet4), 3343);
  const testing::ScratchFile file(text, ".txt");
  try {
    Database::Open(file.str());
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.description(), "Unrecognized database format '" + file.str() + "'.");
  }
}

TEST(JetOpen, EncryptedDatabaseIsRefusedWith3343AndPasswordWith3031) {
  Bytes encrypted = Fixture("jackcess_delTestV1997.mdb");
  ApplyHeaderMask(std::span<std::uint8_t>(encrypted.data(), kPageSize));
  Put32(encrypted, header::kDatabaseKeyOffset, 0x12345678);
  Bytes password = encrypted;
  ApplyHeaderMask(std::span<std::uint8_t>(encrypted.data(), kPageSize));
  try {
    Database::FromBytes(encrypted, "enc.mdb");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), 3343);
    EXPECT_NE(e.description().find("encrypted"), std::string::npos);
  }
  Put32(password, header::kDatabaseKeyOffset, 0);
  password[header::kPasswordOffset] = 'x';
  ApplyHeaderMask(std::span<std::uint8_t>(password.data(), kPageSize));
  EXPECT_EQ(ReadAllError(password), 3031);
}

// A file cut short: in jackcess_testIndexCodesV1997.mdb (226 pages) the catalog's rows keep
// property long values on the last pages, up to page 225, so every cut at a page boundary
// short of the whole file loses a page that reading everything needs.
TEST(JetDamage, TruncationEndsInTheCorruptionError) {
  const Bytes full = Fixture("jackcess_testIndexCodesV1997.mdb");
  ASSERT_EQ(full.size(), 226 * kPageSize);
  EXPECT_NE(CorruptDetail(Bytes(full.begin(), full.begin() + 5000)).find("whole number"), std::string::npos);
  for (const std::size_t pages : {std::size_t{1}, std::size_t{2}}) {
    EXPECT_EQ(CorruptDetail(Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(pages * kPageSize))),
              "the file has " + std::to_string(pages) + " pages, too few for a catalog");
  }
  for (std::size_t pages = 3; pages < 226; ++pages) {
    const std::string detail =
        CorruptDetail(Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(pages * kPageSize)));
    EXPECT_NE(detail.find("beyond the end of the file (" + std::to_string(pages) + " pages)"),
              std::string::npos)
        << pages << " pages: " << detail;
  }
  // The last cut lacks only page 225; the whole file reads.
  EXPECT_EQ(CorruptDetail(Bytes(full.begin(), full.end() - kPageSize)),
            "page 225 lies beyond the end of the file (225 pages)");
  EXPECT_EQ(ReadAllError(full), 0);
}

TEST(JetDamage, WrongPageTypesAndCountsInPageHeaders) {
  const Bytes good = Fixture("jackcess_delTestV1997.mdb");
  const Database db = Database::FromBytes(good, "d.mdb");
  const TableDef def = db.Table("Table");
  TableScan scan = db.Scan(def);
  ASSERT_TRUE(scan.Next());
  const std::size_t dataPage = std::size_t{scan.Location().page} * kPageSize;

  Bytes b = good;
  b[2 * kPageSize] = 0x07;  // the catalog's definition page
  EXPECT_NE(CorruptDetail(b).find("not a table definition page"), std::string::npos);

  b = good;
  Put16(b, dataPage + 8, 0xFFFF);  // slot count
  EXPECT_NE(CorruptDetail(b).find("row slots"), std::string::npos);

  b = good;
  Put16(b, dataPage + 10, 0x1FFF);  // slot 0 starts past the end of the page
  EXPECT_NE(CorruptDetail(b).find("row 0 spans"), std::string::npos);

  b = good;
  Put16(b, dataPage + 10, 0x0004);  // slot 0 starts inside the page header
  EXPECT_EQ(ReadAllError(b), 3049);

  b = good;
  const std::size_t tdef = std::size_t{def.page} * kPageSize;
  Put16(b, tdef + tdef::kColumnCountOffset, 0x7FFF);
  EXPECT_NE(CorruptDetail(b).find("column counts"), std::string::npos);

  b = good;
  Put32(b, tdef + tdef::kLengthOffset, 0xFFFFFFF0u);
  EXPECT_NE(CorruptDetail(b).find("larger than any definition"), std::string::npos);

  b = good;
  Put32(b, tdef + tdef::kRealIndexCountOffset, 0x40000000u);
  EXPECT_EQ(ReadAllError(b), 3049);

  b = good;
  Put32(b, tdef + tdef::kOwnedMapOffset, RowPointer{9999, 0}.ToU32());
  EXPECT_NE(CorruptDetail(b).find("beyond the end of the file"), std::string::npos);
}

TEST(JetDamage, OffsetsAndLengthsOutOfRangeInsideRows) {
  const Bytes good = Fixture("jackcess_delTestV1997.mdb");
  const Database db = Database::FromBytes(good, "d.mdb");
  const TableDef def = db.Table("Table");
  TableScan scan = db.Scan(def);
  ASSERT_TRUE(scan.Next());
  const ByteSpan row = scan.RowBytes();
  const std::size_t rowAt = testing::FileOffsetOf(db, row.data());
  const std::size_t end = rowAt + row.size();  // mask (1 byte), var count, offsets, eod

  Bytes b = good;
  b[end - 1 - 1 - 1] = 0xF0;  // the first variable column's offset, past the data
  EXPECT_NE(CorruptDetail(b).find("variable offset"), std::string::npos);

  b = good;
  b[end - 1 - 1] = 0xFE;  // variable column count
  EXPECT_NE(CorruptDetail(b).find("offsets do not fit"), std::string::npos);

  b = good;
  b[rowAt] = 0xFF;  // column count: a 32-byte null mask in a short row
  EXPECT_EQ(ReadAllError(b), 3049);
}

TEST(JetDamage, LongValueReferencesOutOfRangeAndLoopingChains) {
  const Bytes good = Fixture("jackcess_test2V1997.mdb");
  const Database db = Database::FromBytes(good, "p.mdb");
  const TableDef def = db.Table("MSP_PROJECTS");
  TableScan scan = db.Scan(def);
  ASSERT_TRUE(scan.Next());
  const auto blobColumn = static_cast<std::size_t>(def.FindColumn("RESERVED_BINARY_DATA"));
  const std::size_t ref = testing::FileOffsetOf(db, scan.Fields()[blobColumn].bytes.data());
  const RowPointer first = RowPointer::FromU32(ReadU32(good, ref + 4));

  Bytes b = good;
  Put32(b, ref + 4, RowPointer{first.page, 200}.ToU32());  // no such row slot
  EXPECT_NE(CorruptDetail(b).find("no row slot"), std::string::npos);

  b = good;
  Put32(b, ref + 4, RowPointer{2, 0}.ToU32());  // a table definition page
  EXPECT_EQ(ReadAllError(b), 3049);

  b = good;
  b[ref + 3] = 0x3F;  // length 0x3F......: more than the file holds
  EXPECT_NE(CorruptDetail(b).find("more than the file holds"), std::string::npos);

  // The first link of the chain points back to itself.
  b = good;
  const DataPageView lval(db.Pages().Page(first.page));
  const std::size_t linkAt = testing::FileOffsetOf(db, lval.Row(first.row).data());
  Put32(b, linkAt, first.ToU32());
  EXPECT_NE(CorruptDetail(b).find("chain loops"), std::string::npos);

  // The chain stops early.
  b = good;
  Put32(b, linkAt, 0);
  EXPECT_NE(CorruptDetail(b).find("chain ends"), std::string::npos);
}

TEST(JetDamage, DefinitionChainThatLoopsEndsInTheCorruptionError) {
  Bytes b = Fixture("jackcess_test2V1997.mdb");
  const Database db = Database::FromBytes(b, "p.mdb");
  const TableDef def = db.Table("MSP_PROJECTS");
  ASSERT_GE(def.pages.size(), 2u);
  Put32(b, std::size_t{def.pages[0]} * kPageSize + tdef::kNextPageOffset, def.pages[0]);
  EXPECT_NE(CorruptDetail(b).find("loops"), std::string::npos);
}

TEST(JetDamage, OverflowPointersThatLoopEndInTheCorruptionError) {
  Bytes b = Fixture("jackcess_queryTestV1997.mdb");
  const Database db = Database::FromBytes(b, "q.mdb");
  const DataPageView page(db.Pages().Page(18));
  ASSERT_TRUE(page.Slot(28).IsOverflowPointer());
  const std::size_t pointerAt = testing::FileOffsetOf(db, page.Row(28).data());
  Put32(b, pointerAt, RowPointer{18, 28}.ToU32());
  EXPECT_NE(CorruptDetail(b).find("overflow pointers loop"), std::string::npos);
  Put32(b, pointerAt, RowPointer{3, 0}.ToU32());  // into the definition of another table
  EXPECT_EQ(ReadAllError(b), 3049);
}

TEST(JetDamage, UsageMapOfUnknownTypeOrWithBitsPastTheFile) {
  Bytes b = Fixture("jackcess_delTestV1997.mdb");
  const Database db = Database::FromBytes(b, "d.mdb");
  const TableDef def = db.Table("Table");
  const DataPageView maps(db.Pages().Page(def.ownedPagesMap.page));
  const std::size_t mapAt = testing::FileOffsetOf(db, maps.Row(def.ownedPagesMap.row).data());
  Bytes unknown = b;
  unknown[mapAt] = 0x07;
  EXPECT_NE(CorruptDetail(unknown).find("unknown type"), std::string::npos);
  Bytes past = b;
  past[mapAt + 5 + 127] = 0x80;  // page 1023 of a 32-page file
  EXPECT_NE(CorruptDetail(past).find("lists page 1023"), std::string::npos);
  // Read as a reference map, the old start page (0) is an unused pointer and the bitmap's first
  // four bytes, 00 00 00 80 (the table's page 31), the pointer to page 0x80000000.
  Bytes reference = b;
  reference[mapAt] = 0x01;
  ASSERT_EQ(ReadU32(reference, mapAt + 1), 0u);
  ASSERT_EQ(ReadU32(reference, mapAt + 5), 0x80000000u);
  EXPECT_EQ(CorruptDetail(reference), "page 2147483648 lies beyond the end of the file (32 pages)");
}

// Random damage to small real and composed files: whatever it hits, reading ends normally or
// in a frixa::Error. Fixed seeds keep the run the same every time.
TEST(JetDamage, RandomByteDamageNeverEscapesAsAnythingButAnError) {
  std::vector<Bytes> originals{Fixture("jackcess_delTestV1997.mdb"), Fixture("ucanaccess_size97.mdb")};
  std::string memo(3000, 'q');
  testing::SynthTable t{"T", {{"A", ColumnType::kLong}, {"B", ColumnType::kText}, {"M", ColumnType::kMemo}}, {}};
  for (int i = 0; i < 30; ++i) {
    t.rows.push_back({Value(std::int32_t{i}), Value(Text{std::string(static_cast<std::size_t>(i * 11), 'b')}),
                      Value(Text{i % 5 == 0 ? memo : std::string("m")})});
  }
  originals.push_back(testing::SynthesizeDatabase({t}));
  std::mt19937 rng(20240601);
  int errors = 0;
  int clean = 0;
  for (const Bytes& original : originals) {
    const std::size_t pages = original.size() / kPageSize;
    for (int round = 0; round < 700; ++round) {
      Bytes b = original;
      const int hits = 1 + static_cast<int>(rng() % 4);
      for (int h = 0; h < hits; ++h) {
        // Mostly the first pages (catalog, maps, definitions) where damage matters most.
        const std::size_t page = (rng() % 2 == 0) ? 1 + rng() % 4 : rng() % pages;
        const std::size_t at = page * kPageSize + rng() % kPageSize;
        b[at] = static_cast<std::uint8_t>(rng());
      }
      try {
        const Database db = Database::FromBytes(b, "random.mdb");
        testing::ReadEverything(db);
        ++clean;
      } catch (const Error& e) {
        EXPECT_TRUE(e.number() == 3049 || e.number() == 3343 || e.number() == 3031) << e.number();
        ++errors;
      }
    }
  }
  EXPECT_GT(errors, 100);
  EXPECT_GT(clean, 100);
}

}  // namespace
}  // namespace frixa::jet
