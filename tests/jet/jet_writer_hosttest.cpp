// Files written through the record sets, read by Debian's mdbtools: a calibration file after
// 200,000 RawData rows, deletions and comment rewrites (one of them across 256 bytes, which
// moves the row), and a host loss file after its curve was copied in. mdb-export, mdb-json
// and mdb-count must agree with our reader row for row and value for value, the schema and
// column properties must be those of the template, and the pages must stay consistent.
//
// Values are compared as mdbtools prints them: Single "%.8g", Double "%.16g", Long as digits,
// text as it is. mdbtools skips the slot that points to a moved row and reads the moved row
// where it lies now, while the engine returns it in its slot's place: the Info table, which
// holds one, is compared as sorted rows, and its order checked apart.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "jet/database.h"
#include "jet/db_builder.h"
#include "jet/usage_map.h"
#include "recordset/record_set.h"
#include "support/jet_consistency.h"
#include "support/jet_test_files.h"
#include "support/mdbtools_run.h"
#include "templates/resources.h"
#include "templates/templates.h"

namespace frixa {
namespace {

using testing::ParseCsv;
using testing::RunCommand;
using testing::ScratchFile;
using testing::ShellQuote;

std::vector<std::uint8_t> Template(int id) {
  const auto data = LoadTemplateResource(id, kTemplateResourceType);
  return std::vector<std::uint8_t>(data->begin(), data->end());
}

std::string Printf(const char* format, double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, format, v);
  return buf;
}

// A value as mdbtools prints it.
std::string AsMdbtools(const jet::Value& v) {
  if (v.IsNull()) return "";
  if (const auto* i = v.Get<std::int32_t>()) return std::to_string(*i);
  if (const auto* f = v.Get<float>()) return Printf("%.8g", *f);
  if (const auto* d = v.Get<double>()) return Printf("%.16g", *d);
  if (const auto* t = v.Get<jet::Text>()) return t->bytes;
  return "?";
}

using Table = std::vector<std::vector<std::string>>;

Table OurRows(const std::string& file, const std::string& table) {
  const jet::Database db = jet::Database::Open(file);
  const jet::TableDef def = db.Table(table);
  jet::TableScan scan = db.Scan(def);
  Table rows;
  while (scan.Next()) {
    std::vector<std::string> row;
    for (std::size_t c = 0; c < def.columns.size(); ++c) row.push_back(AsMdbtools(scan.ReadValue(c)));
    rows.push_back(std::move(row));
  }
  return rows;
}

Table ExportedRows(const std::string& file, const std::string& table) {
  Table rows = ParseCsv(RunCommand("mdb-export -H " + ShellQuote(file) + " " + ShellQuote(table)));
  return rows;
}

Table JsonRows(const std::string& file, const std::string& table, const std::vector<std::string>& columns) {
  Table rows;
  for (const auto& line : testing::Lines(RunCommand("mdb-json " + ShellQuote(file) + " " + ShellQuote(table)))) {
    if (line.empty()) continue;
    const auto object = testing::ParseJsonObject(line);
    std::vector<std::string> row;
    for (const auto& c : columns) row.push_back(object.count(c) ? object.at(c) : "");
    rows.push_back(std::move(row));
  }
  return rows;
}

std::size_t MdbCount(const std::string& file, const std::string& table) {
  return std::stoul(RunCommand("mdb-count " + ShellQuote(file) + " " + ShellQuote(table)));
}

void ExpectConsistent(const std::string& file) {
  const jet::Database db = jet::Database::Open(file);
  EXPECT_EQ(testing::CheckConsistency(db), std::vector<std::string>{});
}

RecordSet Bound(const std::string& file, const std::string& statement) {
  RecordSet rs;
  rs.SetDatabaseName(file);
  rs.SetRecordSource(statement);
  rs.Refresh();
  return rs;
}

float Kw(int i) { return static_cast<float>(i % 9973) * 0.003f; }
float Nm(int i) { return 1.0f / static_cast<float>(i + 1); }

TEST(JetWriterWithMdbtools, CalibrationFileAfter200000RowsDeletionsAndCommentRewrites) {
  const ScratchFile file(Template(kCalibrationTemplateId));
  const std::string path = file.str();
  const std::string schema = RunCommand("mdb-schema " + ShellQuote(path) + " access");
  const std::string props = RunCommand("mdb-prop " + ShellQuote(path) + " Info");
  ASSERT_NE(props.find("AllowZeroLength"), std::string::npos);

  constexpr int kRows = 200000;
  {
    RecordSet rd = Bound(path, "Select * From RawData");
    rd.SetWriteBehind(true);
    for (int i = 0; i < kRows; ++i) {
      rd.AddNew();
      rd.SetField(0, FieldValue::Single(static_cast<float>(300 + i / 97)));
      rd.SetField(1, FieldValue::Single(Kw(i)));
      rd.SetField(2, FieldValue::Single(Nm(i)));
      rd.Update();
    }
    rd.SetDatabaseName("");
    rd.Refresh();  // the last record set lets the file go: saved
  }
  EXPECT_GT(jet::Database::Open(path).Pages().PageCount(), 1500u);

  // Deletions, each saved at once: every 997th row, and rows 5000..5299 (whole pages).
  {
    RecordSet rd = Bound(path, "Select * From RawData");
    for (int i = 0; !rd.Eof(); ++i, rd.MoveNext()) {
      if (i % 997 == 0 || (i >= 5000 && i < 5300)) rd.Delete();
    }
  }

  // Info: the one row of a finished file plus 19 more to fill its page, then the comment of the
  // first rewritten: longer, across 256 bytes (the row moves), shorter, longer again.
  const std::vector<std::string> comments{"Losses of rig 2 after the new bearings", std::string(255, 'W'), " ",
                                          std::string(180, 's')};
  {
    RecordSet id = Bound(path, "select * from Info");
    for (int n = 0; n < 20; ++n) {
      id.AddNew();
      id.SetField(0, FieldValue::Single(1.2f));
      id.SetField(1, FieldValue::Double(60.0 + n));
      id.SetField(2, FieldValue::Single(312.0f));
      id.SetField(3, FieldValue::Single(2480.0f));
      id.SetField(4, FieldValue::Date(45629.0 + n));
      id.SetField(5, FieldValue::Text("Version : 1.1.0"));
      id.SetField(6, FieldValue::Text(std::string(40, static_cast<char>('a' + n))));
      id.Update();
    }
    id.Refresh();
    for (const auto& comment : comments) {
      id.Edit();
      id.SetField(6, FieldValue::Text(comment));
      id.Update();
      RecordSet check = Bound(path, "select * from Info");
      EXPECT_EQ(check.Fields(6).AsText(), comment);
    }
    id.Edit();
    id.SetField(6, FieldValue::Text(comments[1]));
    id.Update();
  }

  // RawData: row for row, value for value.
  const Table ours = OurRows(path, "RawData");
  const Table exported = ExportedRows(path, "RawData");
  ASSERT_EQ(ours.size(), static_cast<std::size_t>(kRows - 201 - 300));  // no multiple of 997 in 5000..5299
  ASSERT_EQ(exported.size(), ours.size());
  for (std::size_t r = 0; r < ours.size(); ++r) ASSERT_EQ(ours[r], exported[r]) << "row " << r;
  EXPECT_EQ(ours.front(), (std::vector<std::string>{"300", Printf("%.8g", Kw(1)), Printf("%.8g", Nm(1))}));
  EXPECT_EQ(MdbCount(path, "RawData"), ours.size());

  // Info: the same rows, in mdbtools' order the moved one last.
  const std::vector<std::string> columns{"MOIApplied", "PPR", "HighRPM", "LowRPM", "Date", "Version", "Comment"};
  Table ourInfo = OurRows(path, "Info");
  Table jsonInfo = JsonRows(path, "Info", columns);
  ASSERT_EQ(ourInfo.size(), 20u);
  EXPECT_EQ(ourInfo.front()[6], comments[1]);
  EXPECT_EQ(ourInfo.front()[4], "12/3/2024");
  EXPECT_EQ(jsonInfo.back()[6], comments[1]);
  EXPECT_EQ(Table(ourInfo.begin() + 1, ourInfo.end()), Table(jsonInfo.begin(), jsonInfo.end() - 1));
  std::sort(ourInfo.begin(), ourInfo.end());
  std::sort(jsonInfo.begin(), jsonInfo.end());
  EXPECT_EQ(ourInfo, jsonInfo);
  EXPECT_EQ(MdbCount(path, "Info"), 20u);
  for (const char* t : {"PointData", "Losses"}) EXPECT_EQ(MdbCount(path, t), 0u) << t;

  // The catalog as the template had it.
  EXPECT_EQ(RunCommand("mdb-schema " + ShellQuote(path) + " access"), schema);
  EXPECT_EQ(RunCommand("mdb-prop " + ShellQuote(path) + " Info"), props);
  ExpectConsistent(path);
}

TEST(JetWriterWithMdbtools, HostLossFileAfterTheCurveIsCopiedIn) {
  const ScratchFile file(Template(kHostTemplateId));
  const std::string path = file.str();
  {
    RecordSet lossCal = Bound(path, "Select * from Losses");
    for (int rpm = 250; rpm <= 3600; ++rpm) {
      lossCal.AddNew();
      lossCal.SetField(0, FieldValue::Integer(rpm));
      lossCal.SetField(1, FieldValue::Single(static_cast<float>(rpm) * 0.0021f));
      lossCal.SetField(2, rpm % 500 == 0 ? FieldValue() : FieldValue::Single(Nm(rpm)));
      lossCal.Update();
    }
  }
  const Table ours = OurRows(path, "Losses");
  ASSERT_EQ(ours.size(), 3351u);
  EXPECT_EQ(ExportedRows(path, "Losses"), ours);
  EXPECT_EQ(JsonRows(path, "Losses", {"RPM", "KWloss", "NMLoss"}), ours);
  EXPECT_EQ(ours[250], (std::vector<std::string>{"500", Printf("%.8g", 500 * 0.0021f), ""}));
  EXPECT_EQ(MdbCount(path, "Losses"), 3351u);
  ExpectConsistent(path);
}

// The owned-pages maps of a file past 2,000 pages: a map that stays inline has its window on
// page 0 when its pages fit there, else on the multiple of 8 at or below its lowest page.
TEST(JetWriterWithMdbtools, FileOfOver2000PagesKeepsItsMapWindowsOnWholeBytesAndReadsBack) {
  const ScratchFile file(Template(kCalibrationTemplateId));
  const std::string path = file.str();
  {
    RecordSet rd = Bound(path, "Select * From RawData");
    rd.SetWriteBehind(true);
    for (int i = 0; i < 127 * 2150; ++i) {
      rd.AppendRow({RowNumber::Single(static_cast<float>(300 + i / 97)), RowNumber::Single(Kw(i)),
                    RowNumber::Single(Nm(i))});
    }
    RecordSet pd = Bound(path, "Select * From PointData");
    for (int rpm = 300; rpm < 3100; ++rpm) {
      pd.AppendRow({RowNumber::Integer(rpm), RowNumber::Single(Kw(rpm)), RowNumber::Single(Nm(rpm))});
    }
    RecordSet ld = Bound(path, "Select * From Losses");
    for (int rpm = 300; rpm < 3100; ++rpm) {
      ld.AppendRow({RowNumber::Integer(rpm), RowNumber::Single(Kw(rpm) * 2), RowNumber::Single(Nm(rpm) * 2)});
    }
  }  // let go: saved
  const jet::Database db = jet::Database::Open(path);
  ASSERT_GT(db.Pages().PageCount(), 2000u);
  int inlineMaps = 0;
  for (const char* table : {"RawData", "PointData", "Losses", "Info"}) {
    const jet::TableDef def = db.Table(table);
    const std::vector<jet::PageNumber> pages = jet::ReadUsageMap(db.Pages(), def.ownedPagesMap);
    const jet::ByteSpan row = jet::DataPageView(db.Pages().Page(def.ownedPagesMap.page)).Row(def.ownedPagesMap.row);
    if (row[0] != jet::usage_map::kInline) continue;
    ++inlineMaps;
    const std::uint32_t start = jet::ReadU32(row, 1);
    if (pages.empty() || pages.back() < 1024) {
      EXPECT_EQ(start, 0u) << table;
    } else {
      EXPECT_EQ(start, pages.front() / 8 * 8) << table;
    }
  }
  EXPECT_EQ(inlineMaps, 3);  // RawData's map took the reference form
  for (const char* table : {"RawData", "PointData", "Losses"}) {
    const Table ours = OurRows(path, table);
    EXPECT_EQ(ExportedRows(path, table), ours) << table;
    EXPECT_EQ(MdbCount(path, table), ours.size()) << table;
  }
  EXPECT_EQ(OurRows(path, "PointData").size(), 2800u);
  ExpectConsistent(path);
}

TEST(JetWriterWithMdbtools, PagesOfTinyRowsHoldAtMost255AndReadBack) {
  jet::DatabaseSchema schema;
  schema.tables.push_back(jet::NewTable{"Tiny", {jet::NewColumn::Text("A", 10)}});
  const ScratchFile file(jet::BuildDatabase(schema));
  {
    jet::Database db = jet::Database::Open(file.str());
    const jet::TableDef tiny = db.Table("Tiny");
    db.Write().SetMode(jet::WriteMode::kWriteBehind);
    for (int i = 0; i < 600; ++i) db.Write().Append(tiny.page, std::vector<jet::Value>(1));
    db.Write().Flush();
  }
  // A header line, then one (empty) line per row.
  const std::string exported = RunCommand("mdb-export " + ShellQuote(file.str()) + " Tiny");
  EXPECT_EQ(std::count(exported.begin(), exported.end(), '\n'), 601);
  const jet::Database db = jet::Database::Open(file.str());
  for (const jet::PageNumber p : jet::ReadUsageMap(db.Pages(), db.Table("Tiny").ownedPagesMap)) {
    EXPECT_LE(jet::DataPageView(db.Pages().Page(p)).SlotCount(), 255u) << p;
  }
  ExpectConsistent(file.str());
}

}  // namespace
}  // namespace frixa
