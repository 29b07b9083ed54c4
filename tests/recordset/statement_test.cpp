// The statement parser of the record sets: the accepted shapes and the Jet error numbers of
// everything else.
#include <gtest/gtest.h>

#include "common/error.h"
#include "recordset/statement.h"

namespace frixa {
namespace {

int ErrorOf(const std::string& sql) {
  try {
    ParseStatement(sql);
  } catch (const Error& e) {
    return e.number();
  }
  return 0;
}

TEST(Statement, SelectAllInAnyLetterCase) {
  for (const char* sql : {"Select * From Losses", "SELECT * FROM Losses", "select * from Losses",
                          "  Select   *   From   Losses  ", "Select * From [Losses];"}) {
    SCOPED_TRACE(sql);
    const Statement st = ParseStatement(sql);
    EXPECT_EQ(st.kind, Statement::Kind::kSelectAll);
    EXPECT_EQ(st.table, "Losses");
    EXPECT_FALSE(st.where.has_value());
  }
}

TEST(Statement, LookupTakesTheNumberWithOrWithoutBlanksAroundTheEquals) {
  const Statement a = ParseStatement("Select * from PointData where PointRPM= 312");
  ASSERT_TRUE(a.where.has_value());
  EXPECT_EQ(a.where->column, "PointRPM");
  EXPECT_EQ(a.where->value, 312.0);
  const Statement b = ParseStatement("Select * from PointData where PointRPM = 313");
  EXPECT_EQ(b.where->value, 313.0);
  EXPECT_EQ(ParseStatement("Select * from PointData where PointRPM=-5").where->value, -5.0);
  EXPECT_EQ(ParseStatement("Select * from PointData where PointRPM= .5").where->value, 0.5);
  EXPECT_EQ(ParseStatement("Select * from PointData where PointRPM= 1.25E+07").where->value, 1.25e7);
}

TEST(Statement, AverageListsEachColumnInOrder) {
  const Statement st = ParseStatement(
      "SELECT AVG(SpotKWLoss), AVG(SpotNMLoss) FROM RawData where SpotRPM= 312");
  EXPECT_EQ(st.kind, Statement::Kind::kAverage);
  EXPECT_EQ(st.table, "RawData");
  EXPECT_EQ(st.averaged, (std::vector<std::string>{"SpotKWLoss", "SpotNMLoss"}));
  ASSERT_TRUE(st.where.has_value());
  EXPECT_EQ(st.where->column, "SpotRPM");
  EXPECT_EQ(st.where->value, 312.0);
  EXPECT_FALSE(ParseStatement("select avg(x) from t").where.has_value());
}

TEST(Statement, OtherShapesRaiseTheEnginesSyntaxErrors) {
  EXPECT_EQ(ErrorOf(""), 3129);
  EXPECT_EQ(ErrorOf("Delete * From Losses"), 3129);
  EXPECT_EQ(ErrorOf("Losses"), 3129);
  EXPECT_EQ(ErrorOf("Select RPM From Losses"), 3141);
  EXPECT_EQ(ErrorOf("Select From Losses"), 3141);
  EXPECT_EQ(ErrorOf("Select SUM(RPM) From Losses"), 3141);
  EXPECT_EQ(ErrorOf("Select AVG(RPM From Losses"), 3141);
  EXPECT_EQ(ErrorOf("Select * Losses"), 3141);
  EXPECT_EQ(ErrorOf("Select * From"), 3131);
  EXPECT_EQ(ErrorOf("Select * From Losses Order By RPM"), 3131);
  EXPECT_EQ(ErrorOf("Select * From Losses, Info"), 3131);
  EXPECT_EQ(ErrorOf("Select * From Losses where RPM > 5"), 3075);
  EXPECT_EQ(ErrorOf("Select * From Losses where RPM="), 3075);
  EXPECT_EQ(ErrorOf("Select * From Losses where RPM= 5 and KWloss= 1"), 3075);
  EXPECT_EQ(ErrorOf("Select * From Losses where RPM= 'x'"), 3075);
  EXPECT_EQ(ErrorOf("Select * From Losses; Select * From Info"), 3142);
}

TEST(Statement, SyntaxErrorInCriterionQuotesTheExpression) {
  try {
    ParseStatement("Select * From Losses where RPM > 5;");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), 3075);
    EXPECT_EQ(e.description(), "Syntax error (missing operator) in query expression 'RPM > 5'.");
  }
}

}  // namespace
}  // namespace frixa
