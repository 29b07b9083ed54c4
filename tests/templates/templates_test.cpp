// The template databases: the committed files under resources/templates and the embedded
// copies are what the builder makes from the schemas, and they hold exactly the tables,
// columns and column properties the calibration and host loss files are read with.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/jet_peek.h"
#include "templates/resources.h"
#include "templates/templates.h"

namespace frixa {
namespace {

using testing::PeekBytes;
using testing::PeekFile;

const std::filesystem::path kTemplates = std::filesystem::path(FRIXA_SOURCE_DIR) / "resources" / "templates";

struct Column {
  std::string name;
  std::uint8_t type;  // 4 Long, 6 Single, 7 Double, 10 Text
  std::uint16_t length;
  bool operator==(const Column&) const = default;
};
struct Table {
  std::string name;
  std::vector<Column> columns;
  bool operator==(const Table&) const = default;
};

// The user tables of a database in catalog order, from its own pages.
std::vector<Table> UserTables(const PeekFile& f) {
  const auto catalog = f.Tdef(2);
  std::vector<Table> tables;
  for (const auto& r : f.TableRows(2)) {
    const auto v = testing::DecodeRow(catalog, r.row);
    const auto flags = testing::PeekU32(*v[7], 0);
    const auto parent = testing::PeekU32(*v[1], 0);
    if (parent != 0x0F000001u || flags != 0) continue;
    Table t{std::string(v[2]->begin(), v[2]->end()), {}};
    for (const auto& c : f.Tdef(testing::PeekU32(*v[0], 0)).columns) t.columns.push_back({c.name, c.type, c.length});
    tables.push_back(t);
  }
  return tables;
}

const std::vector<Column> kLossesColumns = {{"RPM", 4, 4}, {"KWloss", 6, 4}, {"NMLoss", 6, 4}};

TEST(Templates, CommittedAndEmbeddedTemplatesAreWhatTheBuilderMakes) {
  const std::pair<int, std::string_view> templates[] = {{kCalibrationTemplateId, kCalibrationTemplateFile},
                                                         {kHostTemplateId, kHostTemplateFile}};
  for (const auto& [id, file] : templates) {
    SCOPED_TRACE(id);
    const auto built = BuildTemplate(id);
    ASSERT_TRUE(built.has_value());
    EXPECT_EQ(*built, testing::ReadWholeFile(kTemplates / std::string(file)));
    const auto embedded = LoadTemplateResource(id, kTemplateResourceType);
    ASSERT_TRUE(embedded.has_value());
    EXPECT_EQ(PeekBytes(embedded->begin(), embedded->end()), *built);
  }
}

TEST(Templates, SizesAreFixed) {
  // 18 pages the engine lays out, catalog, permissions and properties, 2 pages per table.
  EXPECT_EQ(BuildTemplate(kCalibrationTemplateId)->size(), 29u * 2048u);
  EXPECT_EQ(BuildTemplate(kHostTemplateId)->size(), 23u * 2048u);
}

TEST(Templates, CalibrationTemplateHoldsTheFourTablesInOrder) {
  const PeekFile f(*BuildTemplate(kCalibrationTemplateId));
  const std::vector<Table> expected = {
      {"RawData", {{"SpotRPM", 4, 4}, {"SpotKWloss", 6, 4}, {"SpotNMLoss", 6, 4}}},
      {"PointData", {{"PointRPM", 4, 4}, {"PointKWloss", 6, 4}, {"PointNMLoss", 6, 4}}},
      {"Losses", kLossesColumns},
      {"Info",
       {{"MOIApplied", 7, 8}, {"PPR", 7, 8}, {"HighRPM", 6, 4}, {"LowRPM", 6, 4}, {"Date", 10, 255},
        {"Version", 10, 255}, {"Comment", 10, 255}}},
  };
  EXPECT_EQ(UserTables(f), expected);
}

TEST(Templates, HostTemplateHoldsLossesAlone) {
  const PeekFile f(*BuildTemplate(kHostTemplateId));
  EXPECT_EQ(UserTables(f), (std::vector<Table>{{"Losses", kLossesColumns}}));
}

TEST(Templates, TablesAreEmptyAndInfoTextColumnsRefuseZeroLengthStrings) {
  const PeekFile f(*BuildTemplate(kCalibrationTemplateId));
  const auto catalog = f.Tdef(2);
  int tables = 0;
  for (const auto& r : f.TableRows(2)) {
    const auto v = testing::DecodeRow(catalog, r.row);
    if (testing::PeekU32(*v[1], 0) != 0x0F000001u || testing::PeekU32(*v[7], 0) != 0) continue;
    ++tables;
    const std::string name(v[2]->begin(), v[2]->end());
    SCOPED_TRACE(name);
    EXPECT_EQ(f.Tdef(testing::PeekU32(*v[0], 0)).rowCount, 0u);
    EXPECT_TRUE(f.TableRows(testing::PeekU32(*v[0], 0)).empty());
    const auto props = testing::DecodeProperties(f.SingleRowLongValue(*v[14]));
    for (std::size_t b = 1; b < props.blocks.size(); ++b) {
      const auto& block = props.blocks[b];
      const bool text = name == "Info" && b >= 5;
      ASSERT_EQ(block.properties.size(), text ? 2u : 1u) << block.target;
      EXPECT_EQ(block.properties[0].name, "Required");
      EXPECT_EQ(block.properties[0].value, PeekBytes{0x00});
      if (text) {
        EXPECT_EQ(block.properties[1].name, "AllowZeroLength");
        EXPECT_EQ(block.properties[1].value, PeekBytes{0x00});
      }
    }
  }
  EXPECT_EQ(tables, 4);
}

TEST(TemplateResources, LookupMatchesIdAndTypeWithoutRegardToCase) {
  EXPECT_TRUE(LoadTemplateResource(101, "mdb").has_value());
  EXPECT_TRUE(LoadTemplateResource(102, "Mdb").has_value());
  EXPECT_FALSE(LoadTemplateResource(103, "MDB").has_value());
  EXPECT_FALSE(LoadTemplateResource(101, "BIN").has_value());
  EXPECT_FALSE(LoadTemplateResource(101, "MD").has_value());
  EXPECT_FALSE(BuildTemplate(103).has_value());
  EXPECT_NE(LoadTemplateResource(101, "MDB")->size(), LoadTemplateResource(102, "MDB")->size());
}

}  // namespace
}  // namespace frixa
