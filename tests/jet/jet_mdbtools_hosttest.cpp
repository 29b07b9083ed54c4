// The Jet reader against Debian's mdbtools reading the same fixture files: table lists, row
// counts, and every value of every row of every table (system tables included), in order.
//
// mdb-export runs with -b hex (binary as hex) and a fixed date/time format. Where mdbtools
// prints values rounded or in its own form, the comparison formats our value the same way
// mdbtools does and compares the texts exactly:
//   Single   "%.8g"  (mdbtools prints 8 significant digits, so the comparison pins the value
//                     to within that rounding; the shortest round-trip text of ours is
//                     checked against the bits in frixa-cli's own tests)
//   Double   "%.16g"
//   Currency four decimals
//   DateTime "%Y-%m-%d %H:%M:%S" for dates from 1899-12-30 on; mdbtools cannot print dates
//            before its epoch (it prints day 00), so those are skipped here and pinned by
//            the date conversion tests instead
//   Text     mdbtools prints a zero-length text as null, and '?' for the bytes it cannot
//            convert from code page 1252: NUL and the five bytes the code page leaves
//            undefined (81 8D 8F 90 9D), which we keep (as U+0081 and so on, as Windows
//            converts them); in Memo values it stops at the first NUL instead
//   Binary   mdbtools treats Binary (not OLE) columns as C strings: it prints the bytes up to
//            the first 00 byte, and null when the first byte is 00
//   GUID     mdbtools hex-encodes its GUID text under -b hex, and drops one dash: compared
//            with the dashes and braces removed
// mdbtools skips overflow-pointer slots and reads moved rows where they now lie, while the
// Jet engine returns a moved row in the place of its original slot; the catalog tables of
// the fixtures hold such rows, so tables with moved rows are compared as sorted row lists
// (and the tables where this happens are named in the test).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "jet/database.h"
#include "jet/date_time.h"
#include "jet/text.h"
#include "support/jet_synth.h"
#include "support/jet_test_files.h"
#include "support/mdbtools_run.h"

namespace frixa::jet {
namespace {

namespace fs = std::filesystem;

const fs::path kFixtures = fs::path(FRIXA_SHARED_DIR) / "fixtures" / "jet3";

std::vector<fs::path> Fixtures() {
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(kFixtures)) {
    if (e.path().extension() == ".mdb") files.push_back(e.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

using testing::Lines;
using testing::RunCommand;
using testing::ShellQuote;

struct Cell {
  std::string text;
  bool quoted = false;
  friend bool operator==(const Cell&, const Cell&) = default;
  friend auto operator<=>(const Cell& a, const Cell& b) {
    return std::tie(a.text, a.quoted) <=> std::tie(b.text, b.quoted);
  }
};
using CsvRow = std::vector<Cell>;

void PrintTo(const Cell& c, std::ostream* os) {
  *os << (c.quoted ? "\"" : "") << c.text << (c.quoted ? "\"" : "");
}

// RFC 4180 with doubled quotes, as mdb-export writes it; a quoted field may span lines.
std::vector<CsvRow> ParseCsv(const std::string& text) {
  std::vector<CsvRow> rows;
  CsvRow row;
  Cell cell;
  std::size_t i = 0;
  bool any = false;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '"' && cell.text.empty() && !cell.quoted) {
      cell.quoted = true;
      ++i;
      while (i < text.size()) {
        if (text[i] == '"') {
          if (i + 1 < text.size() && text[i + 1] == '"') {
            cell.text.push_back('"');
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        cell.text.push_back(text[i++]);
      }
      any = true;
      continue;
    }
    if (c == ',') {
      row.push_back(cell);
      cell = Cell{};
      any = true;
    } else if (c == '\n') {
      row.push_back(cell);
      rows.push_back(row);
      row.clear();
      cell = Cell{};
      any = false;
    } else {
      cell.text.push_back(c);
      any = true;
    }
    ++i;
  }
  if (any) {
    row.push_back(cell);
    rows.push_back(row);
  }
  return rows;
}

std::string Printf(const char* format, double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, format, v);
  return buf;
}

std::string Hex(const std::vector<std::uint8_t>& bytes) {
  std::string out;
  char buf[3];
  for (auto b : bytes) {
    std::snprintf(buf, sizeof buf, "%02X", b);
    out += buf;
  }
  return out;
}

std::string FromHex(const std::string& hex) {
  std::string out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return out;
}

std::string WithoutDashesAndBraces(std::string s) {
  s.erase(std::remove_if(s.begin(), s.end(), [](char c) { return c == '-' || c == '{' || c == '}'; }),
          s.end());
  return s;
}

// Our value in mdbtools' form; `comparable` false where mdbtools cannot print it.
struct Expected {
  Cell cell;
  bool comparable = true;
};

Expected AsMdbtools(const Value& value, ColumnType type) {
  if (value.IsNull()) return {Cell{"", false}};
  if (const auto* v = value.Get<bool>()) return {Cell{*v ? "1" : "0", false}};
  if (const auto* v = value.Get<std::int32_t>()) return {Cell{std::to_string(*v), false}};
  if (const auto* v = value.Get<Currency>()) {
    return {Cell{Printf("%.4f", static_cast<double>(v->tenThousandths) / 10000.0), false}};
  }
  if (const auto* v = value.Get<float>()) return {Cell{Printf("%.8g", *v), false}};
  if (const auto* v = value.Get<double>()) return {Cell{Printf("%.16g", *v), false}};
  if (const auto* v = value.Get<DateTime>()) {
    return {Cell{FormatIsoDateTime(v->days), true}, v->days >= 0};
  }
  if (const auto* v = value.Get<Text>()) {
    if (v->bytes.empty()) return {Cell{"", false}};
    std::string bytes = v->bytes;
    if (type == ColumnType::kMemo) bytes = bytes.substr(0, bytes.find('\0'));
    for (char& ch : bytes) {
      switch (static_cast<unsigned char>(ch)) {
        case 0x00: case 0x81: case 0x8D: case 0x8F: case 0x90: case 0x9D: ch = '?'; break;
        default: break;
      }
    }
    return {Cell{Cp1252ToUtf8(bytes), true}};
  }
  if (const auto* v = value.Get<Binary>()) {
    if (type == ColumnType::kBinary) {
      const auto zero = std::find(v->bytes.begin(), v->bytes.end(), std::uint8_t{0});
      if (zero == v->bytes.begin()) return {Cell{"", false}};
      return {Cell{Hex(std::vector<std::uint8_t>(v->bytes.begin(), zero)), true}};
    }
    return {Cell{Hex(v->bytes), true}};
  }
  if (const auto* v = value.Get<Guid>()) {
    return {Cell{WithoutDashesAndBraces(FormatGuid(*v)), true}};
  }
  return {Cell{"?", false}, false};
}

struct TableRead {
  std::vector<std::string> columns;
  std::vector<std::vector<Expected>> rows;
  bool hasMovedRows = false;
};

TableRead ReadWithEngine(const Database& db, const std::string& table) {
  TableRead read;
  const TableDef def = db.Table(table);
  for (const auto& c : def.columns) read.columns.push_back(Cp1252ToUtf8(c.name));
  TableScan scan = db.Scan(def);
  while (scan.Next()) {
    if (!(scan.Location() == scan.StorageLocation())) read.hasMovedRows = true;
    std::vector<Expected> row;
    for (std::size_t c = 0; c < def.columns.size(); ++c) {
      row.push_back(AsMdbtools(scan.ReadValue(c), def.columns[c].Type()));
    }
    read.rows.push_back(std::move(row));
  }
  return read;
}

std::vector<CsvRow> ReadWithMdbtools(const fs::path& file, const std::string& table,
                                     const std::vector<std::string>& types) {
  const std::string out =
      RunCommand("mdb-export -b hex -D '%Y-%m-%d %H:%M:%S' -T '%Y-%m-%d %H:%M:%S' " +
          ShellQuote(file.string()) + " " + ShellQuote(table));
  std::vector<CsvRow> rows = ParseCsv(out);
  for (std::size_t r = 1; r < rows.size(); ++r) {  // after the header line
    CsvRow& row = rows[r];
    for (std::size_t c = 0; c < row.size() && c < types.size(); ++c) {
      if (types[c] == "guid") row[c].text = WithoutDashesAndBraces(FromHex(row[c].text));
    }
  }
  return rows;
}

std::vector<std::string> TablesOf(const fs::path& file, bool system) {
  std::vector<std::string> names = Lines(RunCommand(std::string("mdb-tables -1 ") + (system ? "-S " : "") +
                                             ShellQuote(file.string())));
  names.erase(std::remove(names.begin(), names.end(), ""), names.end());
  return names;
}

class EveryFixture : public ::testing::TestWithParam<fs::path> {};

TEST_P(EveryFixture, UserTablesAreThoseMdbtoolsLists) {
  const Database db = Database::Open(GetParam().string());
  std::vector<std::string> ours;
  for (const auto& n : db.UserTableNames()) ours.push_back(Cp1252ToUtf8(n));
  std::vector<std::string> theirs = TablesOf(GetParam(), false);
  // mdbtools lists catalog rows that were moved at their new place: compare as sets.
  std::sort(ours.begin(), ours.end());
  std::sort(theirs.begin(), theirs.end());
  EXPECT_EQ(ours, theirs);
  EXPECT_FALSE(ours.empty());
}

// Compares every table of `file` (system tables included) value by value; counts the values
// compared into `valuesCompared`.
void CompareEveryTable(const fs::path& file, std::size_t& valuesCompared) {
  const Database db = Database::Open(file.string());
  std::size_t tablesCompared = 0;
  for (const std::string& table : TablesOf(file, true)) {
    SCOPED_TRACE(table);
    const TableDef def = db.Table(Utf8ToCp1252(table));
    std::vector<std::string> types;
    for (const auto& c : def.columns) types.push_back(c.Type() == ColumnType::kGuid ? "guid" : "");
    const TableRead ours = ReadWithEngine(db, Utf8ToCp1252(table));
    std::vector<CsvRow> theirs = ReadWithMdbtools(file, table, types);
    ASSERT_FALSE(theirs.empty()) << "mdb-export printed no header";
    // Header line: column names in order.
    std::vector<std::string> header;
    for (const auto& c : theirs.front()) header.push_back(c.text);
    EXPECT_EQ(ours.columns, header);
    theirs.erase(theirs.begin());
    ASSERT_EQ(ours.rows.size(), theirs.size());

    std::vector<CsvRow> expected;
    std::vector<std::vector<bool>> comparable;
    for (const auto& row : ours.rows) {
      CsvRow r;
      std::vector<bool> cmp;
      for (const auto& e : row) {
        r.push_back(e.cell);
        cmp.push_back(e.comparable);
      }
      expected.push_back(r);
      comparable.push_back(cmp);
    }
    if (ours.hasMovedRows) {
      // Same rows, other order (see the file comment): compare the sorted lists. No value of
      // these tables is beyond mdbtools' printing.
      for (const auto& cmp : comparable) {
        ASSERT_TRUE(std::all_of(cmp.begin(), cmp.end(), [](bool b) { return b; }));
      }
      std::sort(expected.begin(), expected.end());
      std::sort(theirs.begin(), theirs.end());
    }
    for (std::size_t r = 0; r < expected.size(); ++r) {
      ASSERT_EQ(expected[r].size(), theirs[r].size()) << "row " << r;
      for (std::size_t c = 0; c < expected[r].size(); ++c) {
        if (!comparable[r][c]) continue;
        EXPECT_EQ(expected[r][c], theirs[r][c]) << "row " << r << " column " << ours.columns[c];
        ++valuesCompared;
      }
    }
    ++tablesCompared;
  }
  EXPECT_GT(tablesCompared, 0u);
}

TEST_P(EveryFixture, EveryTableReadsValueForValueAsMdbtoolsReadsIt) {
  std::size_t values = 0;
  CompareEveryTable(GetParam(), values);
  EXPECT_GT(values, 0u);
}

TEST(JetComposedFiles, MdbtoolsReadsTheComposedRowsAsTheEngineDoes) {
  // Checks the composer of the portable tests against the outside reader: jump tables,
  // memos inline, on one row and chained, nulls, several data pages.
  std::string chained;
  for (int i = 0; i < 4000; ++i) chained.push_back(static_cast<char>('a' + i % 26));
  testing::SynthTable wide{"Wide",
                           {{"N", ColumnType::kLong}, {"A", ColumnType::kText}, {"B", ColumnType::kText},
                            {"S", ColumnType::kSingle}, {"D", ColumnType::kDouble}, {"M", ColumnType::kMemo},
                            {"F", ColumnType::kBoolean}, {"T", ColumnType::kDateTime}},
                           {}};
  for (int i = 0; i < 40; ++i) {
    wide.rows.push_back({Value(std::int32_t{i}), Value(Text{std::string(static_cast<std::size_t>(i * 7), 'x')}),
                         i % 3 == 0 ? Value() : Value(Text{std::string(static_cast<std::size_t>(300 - i), 'y')}),
                         Value(static_cast<float>(i) / 7.0f), Value(i * 1e-3),
                         Value(Text{i % 4 == 0 ? chained : std::string(static_cast<std::size_t>(i * 30), 'm')}),
                         Value(i % 2 == 0), Value(DateTime{36526.0 + i + 0.25})});
  }
  std::vector<std::tuple<std::int32_t, float, float>> raw;
  for (int i = 0; i < 600; ++i) raw.emplace_back(300 + i / 3, 0.1f * static_cast<float>(i), 1.0f / static_cast<float>(i + 3));
  const testing::ScratchFile file(testing::SynthesizeDatabase(
      {wide, testing::LossTable("RawData", "SpotRPM", "SpotKWloss", "SpotNMLoss", raw)}));
  std::size_t values = 0;
  CompareEveryTable(file.path(), values);
  EXPECT_GT(values, 2000u);
  EXPECT_EQ(TablesOf(file.path(), false), (std::vector<std::string>{"Wide", "RawData"}));
}



TEST_P(EveryFixture, RowCountsEqualTheDefinitionCountMdbtoolsPrints) {
  const Database db = Database::Open(GetParam().string());
  for (const std::string& table : TablesOf(GetParam(), true)) {
    SCOPED_TRACE(table);
    const TableDef def = db.Table(Utf8ToCp1252(table));
    const std::string count =
        RunCommand("mdb-count " + ShellQuote(GetParam().string()) + " " + ShellQuote(table));
    EXPECT_EQ(std::to_string(def.rowCount) + "\n", count);
    std::size_t scanned = 0;
    TableScan scan = db.Scan(def);
    while (scan.Next()) ++scanned;
    EXPECT_EQ(scanned, def.rowCount);
  }
}

INSTANTIATE_TEST_SUITE_P(JetFixtures, EveryFixture, ::testing::ValuesIn(Fixtures()),
                         [](const auto& param) {
                           std::string name = param.param.stem().string();
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

}  // namespace
}  // namespace frixa::jet
