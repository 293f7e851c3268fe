#include "platform/ib/IBSQLText.h"

#include <gtest/gtest.h>

#include "platform/text/Cp1251.h"

namespace tv {
namespace {

TEST(ParseParamSQL, NamesBecomeQuestionMarksInOrder) {
  ParsedSQL p = ParseParamSQL(
      "SELECT * FROM T WHERE A = :a AND B BETWEEN :Data1 AND :DATA2 "
      "OR C = :a");
  EXPECT_EQ(p.text, "SELECT * FROM T WHERE A = ? AND B BETWEEN ? AND ? OR C = ?");
  EXPECT_EQ(p.names, (std::vector<std::string>{"A", "DATA1", "DATA2", "A"}));
}

TEST(ParseParamSQL, LiteralsIdentifiersAndCommentsKeepTheirColons) {
  const std::string sql =
      "SELECT 'a:b', 'it''s :no', \"X:Y\" -- :c\n/* :d */ FROM T WHERE X = :\"Mixed Name\" AND "
      "Y=:Y$1:";
  ParsedSQL p = ParseParamSQL(sql);
  EXPECT_EQ(p.text,
            "SELECT 'a:b', 'it''s :no', \"X:Y\" -- :c\n/* :d */ FROM T WHERE X = ? AND Y=?:");
  EXPECT_EQ(p.names, (std::vector<std::string>{"Mixed Name", "Y$1"}));
  EXPECT_EQ(ParseParamSQL("SELECT 'open").text, "SELECT 'open");
}

TEST(SQLStrings, LinesJoinWithCrLfAndCountChanges) {
  TSQLStrings s;
  const uint64_t v0 = s.Version();
  s.Add("SELECT *");
  s.Add("FROM T");
  EXPECT_EQ(s.Text(), "SELECT *\r\nFROM T\r\n");
  EXPECT_GT(s.Version(), v0);
  s.SetText("A\r\nB\nC\rD");
  EXPECT_EQ(s.Count(), 4);
  EXPECT_EQ(s.Strings(3), "D");
  s.Clear();
  EXPECT_EQ(s.Text(), "");
}

}  // namespace
}  // namespace tv
