// The template databases and other built databases as Debian's mdbtools reads them: table
// lists, column names, order and types, row counts, column properties, and the engine's
// catalog and permission rows compared with those of the real Access 97 file
// jackcess_testIndexCodesV1997.mdb (both files read by mdbtools).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "jet/db_builder.h"
#include "templates/templates.h"

namespace frixa {
namespace {

namespace fs = std::filesystem;

const fs::path kFixture = fs::path(FRIXA_SHARED_DIR) / "fixtures" / "jet3" / "jackcess_testIndexCodesV1997.mdb";
const fs::path kTemplates = fs::path(FRIXA_SOURCE_DIR) / "resources" / "templates";
const fs::path kCalibration = kTemplates / "calibration.mdb";
const fs::path kHost = kTemplates / "host.mdb";

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (const char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Runs an mdbtools command; its standard output. A failing command fails the test.
std::string Tool(const std::string& tool, const std::vector<std::string>& args) {
  std::string cmd = tool;
  for (const auto& a : args) cmd += " " + Quote(a);
  cmd += " 2>/dev/null";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(cmd.c_str(), "r"), pclose);
  if (!pipe) {
    ADD_FAILURE() << "cannot run " << cmd;
    return "";
  }
  std::string out;
  std::array<char, 4096> buf{};
  std::size_t n = 0;
  while ((n = fread(buf.data(), 1, buf.size(), pipe.get())) > 0) out.append(buf.data(), n);
  const int status = pclose(pipe.release());
  EXPECT_EQ(status, 0) << cmd;
  return out;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

// (column name, type text) of a table as mdb-schema prints it: "[Name]\t\t\tType, ".
std::vector<std::pair<std::string, std::string>> Columns(const fs::path& file, const std::string& table) {
  std::vector<std::pair<std::string, std::string>> columns;
  for (const auto& line : Lines(Tool("mdb-schema", {"-T", table, file.string(), "access"}))) {
    if (line.rfind("\t[", 0) != 0) continue;
    const auto close = line.find(']');
    std::string type = line.substr(close + 1);
    type.erase(0, type.find_first_not_of('\t'));
    while (!type.empty() && (type.back() == ' ' || type.back() == ',')) type.pop_back();
    columns.emplace_back(line.substr(2, close - 2), type);
  }
  return columns;
}

// mdb-prop's listing: block name ("(none)" for the table) -> property -> value.
std::map<std::string, std::map<std::string, std::string>> Properties(const fs::path& file, const std::string& table) {
  std::map<std::string, std::map<std::string, std::string>> props;
  std::string block;
  for (const auto& line : Lines(Tool("mdb-prop", {file.string(), table}))) {
    if (line.rfind("name: ", 0) == 0) {
      block = line.substr(6);
      props[block];
    } else if (line[0] == '\t') {
      const auto colon = line.find(": ");
      props[block][line.substr(1, colon - 1)] = line.substr(colon + 2);
    }
  }
  return props;
}

// One line of mdb-json: top-level key -> the value's text as printed.
std::map<std::string, std::string> JsonFields(const std::string& line) {
  std::map<std::string, std::string> fields;
  std::size_t i = 1;
  while (i < line.size() && line[i] == '"') {
    const auto keyEnd = line.find('"', i + 1);
    const std::string key = line.substr(i + 1, keyEnd - i - 1);
    std::size_t j = keyEnd + 2;  // past ":
    const std::size_t start = j;
    int depth = 0;
    bool inString = false;
    for (; j < line.size(); ++j) {
      const char c = line[j];
      if (inString) {
        if (c == '\\') ++j;
        else if (c == '"') inString = false;
      } else if (c == '"') {
        inString = true;
      } else if (c == '{') {
        ++depth;
      } else if (c == '}') {
        if (depth == 0) break;
        --depth;
      } else if (c == ',' && depth == 0) {
        break;
      }
    }
    fields[key] = line.substr(start, j - start);
    i = j + 1;
  }
  return fields;
}

std::vector<std::map<std::string, std::string>> Json(const fs::path& file, const std::string& table) {
  std::vector<std::map<std::string, std::string>> rows;
  for (const auto& line : Lines(Tool("mdb-json", {file.string(), table}))) rows.push_back(JsonFields(line));
  return rows;
}

class TempFile {
 public:
  TempFile(const std::string& name, const std::vector<std::uint8_t>& bytes)
      : path_(fs::temp_directory_path() / ("frixa_builder_" + name)) {
    std::ofstream(path_, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  ~TempFile() { fs::remove(path_); }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

const std::vector<std::pair<std::string, std::string>> kLossesColumns = {
    {"RPM", "Long Integer"}, {"KWloss", "Single"}, {"NMLoss", "Single"}};

// ---- the templates ----------------------------------------------------------------------

TEST(TemplatesUnderMdbtools, BothAreJet3Files) {
  EXPECT_EQ(Tool("mdb-ver", {kCalibration.string()}), "JET3\n");
  EXPECT_EQ(Tool("mdb-ver", {kHost.string()}), "JET3\n");
}

TEST(TemplatesUnderMdbtools, TableListsAreExactlyTheUserTables) {
  EXPECT_EQ(Lines(Tool("mdb-tables", {"-1", kCalibration.string()})),
            (std::vector<std::string>{"RawData", "PointData", "Losses", "Info"}));
  EXPECT_EQ(Lines(Tool("mdb-tables", {"-1", kHost.string()})), (std::vector<std::string>{"Losses"}));
  EXPECT_EQ(Lines(Tool("mdb-tables", {"-1", "-S", kHost.string()})),
            (std::vector<std::string>{"MSysObjects", "MSysACEs", "MSysQueries", "MSysRelationships", "Losses"}));
}

TEST(TemplatesUnderMdbtools, ColumnsHaveTheirNamesOrderAndTypes) {
  using Cols = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(Columns(kCalibration, "RawData"),
            (Cols{{"SpotRPM", "Long Integer"}, {"SpotKWloss", "Single"}, {"SpotNMLoss", "Single"}}));
  EXPECT_EQ(Columns(kCalibration, "PointData"),
            (Cols{{"PointRPM", "Long Integer"}, {"PointKWloss", "Single"}, {"PointNMLoss", "Single"}}));
  EXPECT_EQ(Columns(kCalibration, "Losses"), kLossesColumns);
  EXPECT_EQ(Columns(kCalibration, "Info"), (Cols{{"MOIApplied", "Double"},
                                                 {"PPR", "Double"},
                                                 {"HighRPM", "Single"},
                                                 {"LowRPM", "Single"},
                                                 {"Date", "Text (255)"},
                                                 {"Version", "Text (255)"},
                                                 {"Comment", "Text (255)"}}));
  EXPECT_EQ(Columns(kHost, "Losses"), kLossesColumns);
}

TEST(TemplatesUnderMdbtools, EveryTableIsEmpty) {
  for (const std::string table : {"RawData", "PointData", "Losses", "Info"}) {
    EXPECT_EQ(Tool("mdb-count", {kCalibration.string(), table}), "0\n") << table;
    EXPECT_EQ(Tool("mdb-json", {kCalibration.string(), table}), "") << table;
  }
  EXPECT_EQ(Tool("mdb-count", {kHost.string(), "Losses"}), "0\n");
  EXPECT_EQ(Tool("mdb-json", {kHost.string(), "Losses"}), "");
}

TEST(TemplatesUnderMdbtools, InfoTextColumnsRefuseZeroLengthAndNoColumnIsRequired) {
  const auto info = Properties(kCalibration, "Info");
  for (const std::string c : {"Date", "Version", "Comment"}) {
    EXPECT_EQ(info.at(c).at("AllowZeroLength"), "no") << c;
  }
  for (const std::string c : {"MOIApplied", "PPR", "HighRPM", "LowRPM", "Date", "Version", "Comment"}) {
    EXPECT_EQ(info.at(c).at("Required"), "no") << c;
    EXPECT_EQ(info.at(c).count("AllowZeroLength"), (c == "Date" || c == "Version" || c == "Comment") ? 1u : 0u) << c;
  }
  for (const std::string table : {"RawData", "PointData", "Losses"}) {
    for (const auto& [block, props] : Properties(kCalibration, table)) {
      if (block == "(none)") continue;
      EXPECT_EQ(props, (std::map<std::string, std::string>{{"Required", "no"}})) << table << "." << block;
    }
  }
}

TEST(TemplatesUnderMdbtools, DatabasePropertiesAreThoseOfAnAccess97File) {
  const auto props = Properties(kCalibration, "MSysDb");
  EXPECT_EQ(props.at("(none)"),
            (std::map<std::string, std::string>{{"AccessVersion", "07.53"}, {"Build", "3512"}, {"ProjVer", "119"}}));
}

// ---- catalog and permissions against the fixture, both read by mdbtools ----------------------

const std::set<std::string> kEngineObjects = {"Tables",      "Databases", "Relationships", "MSysDb",
                                              "MSysObjects", "MSysACEs",  "MSysQueries",   "MSysRelationships"};

TEST(TemplatesUnderMdbtools, EngineCatalogRowsMatchTheFixture) {
  std::map<std::string, std::map<std::string, std::string>> fixture, built;
  for (auto& r : Json(kFixture, "MSysObjects")) fixture[r["Name"]] = r;
  for (auto& r : Json(kCalibration, "MSysObjects")) built[r["Name"]] = r;
  EXPECT_EQ(built.size(), 12u);
  for (const auto& name : kEngineObjects) {
    const std::string quoted = "\"" + name + "\"";
    SCOPED_TRACE(name);
    ASSERT_TRUE(fixture.count(quoted));
    ASSERT_TRUE(built.count(quoted));
    auto a = fixture.at(quoted);
    auto b = built.at(quoted);
    for (const std::string field : {"Id", "ParentId", "Type", "Owner", "Flags"}) EXPECT_EQ(b[field], a[field]) << field;
    EXPECT_EQ(b.count("LvProp"), a.count("LvProp"));
    for (auto* m : {&a, &b}) {
      m->erase("DateCreate");
      m->erase("DateUpdate");
      m->erase("LvProp");
    }
    EXPECT_EQ(b, a);
  }
  for (const std::string table : {"\"RawData\"", "\"PointData\"", "\"Losses\"", "\"Info\""}) {
    const auto& r = built.at(table);
    EXPECT_EQ(r.at("ParentId"), "251658241") << table;  // the Tables container
    EXPECT_EQ(r.at("Type"), "1");
    EXPECT_EQ(r.at("Owner"), "{\"$binary\": \"AwE=\", \"$type\": \"00\"}");  // 03 01
    EXPECT_EQ(r.at("Flags"), "0");
    EXPECT_EQ(r.count("LvProp"), 1u);
  }
  EXPECT_EQ(Tool("mdb-count", {kCalibration.string(), "MSysObjects"}), "12\n");
}

TEST(TemplatesUnderMdbtools, EnginePermissionRowsMatchTheFixture) {
  std::set<std::string> engineIds;
  std::string admins;
  for (auto& r : Json(kFixture, "MSysObjects")) {
    if (kEngineObjects.count(r["Name"].substr(1, r["Name"].size() - 2))) engineIds.insert(r["Id"]);
  }
  ASSERT_EQ(engineIds.size(), 8u);
  const auto fixtureAces = Json(kFixture, "MSysACEs");
  for (const auto& r : fixtureAces) {
    // The Admins group of the workgroup the fixture was made in: its long SID on Tables.
    if (r.at("ObjectId") == "251658241" && r.at("SID").size() > 40) admins = r.at("SID");
  }
  ASSERT_FALSE(admins.empty());
  auto key = [](const std::map<std::string, std::string>& r) {
    return r.at("ObjectId") + "|" + r.at("SID") + "|" + r.at("ACM") + "|" + r.at("FInheritable");
  };
  std::multiset<std::string> expected, built;
  for (const auto& r : fixtureAces) {
    if (engineIds.count(r.at("ObjectId")) && (r.at("SID").size() < 40 || r.at("SID") == admins)) expected.insert(key(r));
  }
  const auto builtAces = Json(kCalibration, "MSysACEs");
  for (const auto& r : builtAces) {
    if (engineIds.count(r.at("ObjectId"))) built.insert(key(r));
  }
  EXPECT_EQ(expected.size(), 23u);
  EXPECT_EQ(built, expected);
  // 3 rows per user table on top of the engine's 23.
  EXPECT_EQ(builtAces.size(), 35u);
  EXPECT_EQ(Tool("mdb-count", {kCalibration.string(), "MSysACEs"}), "35\n");
}

// ---- other schemas ----------------------------------------------------------------------

TEST(BuiltDatabasesUnderMdbtools, CatalogSpreadOverSeveralPagesIsReadWhole) {
  jet::DatabaseSchema s;
  std::vector<std::string> names;
  for (int i = 0; i < 50; ++i) {
    names.push_back("Table " + std::to_string(i));
    s.tables.push_back({names.back(), {jet::NewColumn::Long("A"), jet::NewColumn::Text("B", 50, false)}});
  }
  const TempFile f("many.mdb", jet::BuildDatabase(s));
  EXPECT_EQ(Lines(Tool("mdb-tables", {"-1", f.path().string()})), names);
  EXPECT_EQ(Tool("mdb-count", {f.path().string(), "MSysObjects"}), "58\n");
  EXPECT_EQ(Lines(Tool("mdb-json", {f.path().string(), "MSysObjects"})).size(), 58u);
  EXPECT_EQ(Tool("mdb-count", {f.path().string(), "MSysACEs"}), "173\n");
  EXPECT_EQ(Lines(Tool("mdb-json", {f.path().string(), "MSysACEs"})).size(), 173u);
  EXPECT_EQ(Columns(f.path(), "Table 49"),
            (std::vector<std::pair<std::string, std::string>>{{"A", "Long Integer"}, {"B", "Text (50)"}}));
  EXPECT_EQ(Properties(f.path(), "Table 7").at("B").at("AllowZeroLength"), "no");
}

TEST(BuiltDatabasesUnderMdbtools, AllowZeroLengthIsWrittenOnlyWhereAsked) {
  jet::DatabaseSchema s;
  s.tables = {{"T", {jet::NewColumn::Text("Yes", 5, true), jet::NewColumn::Text("No", 5, false), jet::NewColumn::Text("Unset", 5)}}};
  const TempFile f("azl.mdb", jet::BuildDatabase(s));
  const auto props = Properties(f.path(), "T");
  EXPECT_EQ(props.at("Yes"), (std::map<std::string, std::string>{{"AllowZeroLength", "yes"}, {"Required", "no"}}));
  EXPECT_EQ(props.at("No"), (std::map<std::string, std::string>{{"AllowZeroLength", "no"}, {"Required", "no"}}));
  EXPECT_EQ(props.at("Unset"), (std::map<std::string, std::string>{{"Required", "no"}}));
}

}  // namespace
}  // namespace frixa
