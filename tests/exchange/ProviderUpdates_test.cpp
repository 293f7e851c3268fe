// Provider update statements: their exact texts, and what they do to a real
// Firebird table, checked through isql-fb; every refused record leaves the
// table as it was.

#include "exchange/ProviderUpdates.h"

#include <gtest/gtest.h>

#include "platform/text/Cp1251.h"
#include "platform/Exceptions.h"
#include "platform/text/StringList.h"
#include "platform/ib/IBTransaction.h"
#include "tests/exchange/ExchangeFixture.h"

namespace tv {
namespace {

using test::IsqlSelect;

TStringList List(std::initializer_list<const char*> names) {
  TStringList list;
  for (const char* n : names) list.Add(n);
  return list;
}

TDeltaField Given(const char* name, Variant oldValue, Variant newValue) {
  return {name, std::move(oldValue), std::move(newValue)};
}

TEST(ProviderUpdateTexts, AreTheStatementsOfTheirKind) {
  const TDeltaRecord nameOnly = {Given("ID", Variant(7), Variant()), Given("name", Variant("a"), Variant("b")),
                                 Given("QTY", Variant(1), Variant())};
  EXPECT_EQ(UpdateSQLText("t", List({"ID"}), nameOnly, TStringList()),
            "UPDATE \"T\" SET\r\n  \"NAME\" = :NAME\r\nWHERE  (\"ID\" = :ID)");
  EXPECT_EQ(UpdateSQLText("scandocuments", List({"id"}), nameOnly, List({"QTY"})),
            "UPDATE \"SCANDOCUMENTS\" SET\r\nWHERE  (\"ID\" = :ID)");
  EXPECT_EQ(InsertSQLText("T", {Given("A", Variant(), Variant(1)), Given("C", Variant(), Variant()),
                                Given("B", Variant(), Variant::Null())}),
            "INSERT INTO \"T\"\r\n( \"A\", \"B\")\r\nVALUES ( :A, :B)");
  EXPECT_EQ(DeleteSQLText("T", List({"ID"}), true), "UPDATE \"T\" SET ISDELETE=1 WHERE  (\"ID\" = :ID)");
  EXPECT_EQ(DeleteSQLText("T", List({"ID", "TTN_ID"}), false),
            "DELETE FROM \"T\" WHERE  (\"ID\" = :ID) AND (\"TTN_ID\" = :TTN_ID)");
  EXPECT_TRUE(IsFieldModified(nameOnly[1], List({"ID"}), TStringList()));
  EXPECT_FALSE(IsFieldModified(nameOnly[1], List({"ID"}), List({"QTY"})));
  EXPECT_FALSE(IsFieldModified(nameOnly[0], List({"id"}), TStringList()));
}

class ProviderUpdatesTest : public test::ExchangeTest {
 protected:
  void SetUp() override {
    ExchangeTest::SetUp();
    path_ = MakeDatabase("delta.fdb",
                         "CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, TTN_ID INTEGER DEFAULT 5, "
                         "NAME VARCHAR(40), QTY NUMERIC(15,4), ISDELETE INTEGER DEFAULT 0);\n"
                         "CREATE TABLE OTHER (SECRET INTEGER);\n"
                         "CREATE TABLE DUP (ID INTEGER, NAME VARCHAR(10));\n"
                         "CREATE TABLE \"Odd\" (\"Id\" INTEGER NOT NULL PRIMARY KEY, "
                         "\"Na\"\"me\" VARCHAR(20), \"qty n\" INTEGER);\n"
                         "INSERT INTO T VALUES (1, 10, 'one', 1.5, 0);\n"
                         "INSERT INTO T VALUES (2, 20, 'two', 2.5, 0);\n"
                         "INSERT INTO DUP VALUES (1, 'a');\nINSERT INTO DUP VALUES (1, 'b');\n");
    db_ = Connect(path_);
    tr_.SetDefaultDatabase(db_.get());
    columns_ = std::make_unique<TTableColumns>(db_.get());
  }
  std::string Rows(const char* table = "T") {
    std::string text;
    for (auto& r : IsqlSelect(path_, std::string("SELECT * FROM ") + table + " ORDER BY ID")) {
      for (auto& [k, v] : r) text += k + "=" + v + " ";
      text += "\n";
    }
    return text;
  }
  std::string path_;
  std::unique_ptr<TIBDatabase> db_;
  TIBTransaction tr_;
  std::unique_ptr<TTableColumns> columns_;
};

TEST_F(ProviderUpdatesTest, ModifyInsertAndDeleteChangeTheRows) {
  BuildUpdateSQLFromDelta(db_.get(), &tr_, true, "t", List({"ID"}),
                          {Given("ID", Variant(1), Variant()), Given("name", Variant("one"), Variant("1) OR (1=1")),
                           Given("QTY", Variant(1.5), Variant::Null())},
                          TStringList(), *columns_);
  BuildInsertSQLFromDelta(db_.get(), &tr_, true, "T",
                          {Given("ID", Variant(), Variant(3)), Given("NAME", Variant(), Variant("три"_w))},
                          *columns_);
  BuildDeleteSQLFromDelta(db_.get(), &tr_, true, "T", List({"ID"}), {Given("ID", Variant(2), Variant())},
                          true, *columns_);
  EXPECT_EQ(Rows(),
            "ID=1 ISDELETE=0 NAME=1) OR (1=1 QTY=<null> TTN_ID=10 \n"
            "ID=2 ISDELETE=1 NAME=two QTY=2.5000 TTN_ID=20 \n" +
                "ID=3 ISDELETE=0 NAME=три QTY=<null> TTN_ID=5 \n"_w);
  BuildDeleteSQLFromDelta(db_.get(), &tr_, true, "T", List({"ID", "TTN_ID"}),
                          {Given("TTN_ID", Variant(5), Variant()), Given("ID", Variant(3), Variant())},
                          false, *columns_);
  EXPECT_EQ(IsqlSelect(path_, "SELECT COUNT(*) AS N FROM T")[0]["N"], "2");
}

// Names the database keeps in quotes are used as the table has them, quoted
// with the embedded quote doubled; their parameters are named by their bytes.
TEST_F(ProviderUpdatesTest, QuotedNamesAsTheTableHasThem) {
  BuildInsertSQLFromDelta(db_.get(), &tr_, true, "odd",
                          {Given("ID", Variant(), Variant(1)), Given("na\"me", Variant(), Variant("a\"b")),
                           Given("QTY N", Variant(), Variant(5))},
                          *columns_);
  BuildUpdateSQLFromDelta(db_.get(), &tr_, true, "ODD", List({"id"}),
                          {Given("id", Variant(1), Variant()), Given("QTY n", Variant(5), Variant(6))},
                          TStringList(), *columns_);
  EXPECT_EQ(IsqlSelect(path_, "SELECT \"Id\" AS I, \"Na\"\"me\" AS N, \"qty n\" AS Q FROM \"Odd\""),
            (std::vector<test::IsqlRow>{{{"I", "1"}, {"N", "a\"b"}, {"Q", "6"}}}));
  BuildDeleteSQLFromDelta(db_.get(), &tr_, true, "Odd", List({"ID"}), {Given("Id", Variant(1), Variant())},
                          false, *columns_);
  EXPECT_TRUE(IsqlSelect(path_, "SELECT * FROM \"Odd\"").empty());
}

TEST_F(ProviderUpdatesTest, RefusedRecordsChangeNothing) {
  const std::string before = Rows() + Rows("DUP");
  const TDeltaField key = Given("ID", Variant(1), Variant());
  struct Case {
    const char* what;
    std::function<void()> run;
    const char* context = nullptr;
  };
  const std::string update = "ИзменениеЗаписиИзПровайдера -> "_w;
  auto modify = [&](const char* table, TStringList keys, TDeltaRecord delta) {
    BuildUpdateSQLFromDelta(db_.get(), &tr_, true, table, keys, delta, TStringList(), *columns_);
  };
  const Case cases[] = {
      {"quote in a name", [&] { modify("T", List({"ID"}), {key, Given("NA\"ME", Variant(), Variant("x"))}); }},
      {"condition in a name", [&] { modify("T", List({"ID"}), {key, Given(") OR (1=1", Variant(), Variant(1))}); }},
      {"another table's column", [&] { modify("T", List({"ID"}), {key, Given("SECRET", Variant(), Variant(1))}); }},
      {"unknown table", [&] { modify("T; DROP TABLE T", List({"ID"}), {key, Given("NAME", Variant(), Variant("x"))}); }},
      {"empty key list", [&] { modify("T", TStringList(), {key, Given("NAME", Variant(), Variant("x"))}); }},
      {"key not in the record", [&] { modify("T", List({"ID"}), {Given("NAME", Variant(), Variant("x"))}); }},
      {"NULL key", [&] { modify("T", List({"ID"}), {Given("ID", Variant::Null(), Variant()), Given("NAME", Variant(), Variant("x"))}); }},
      {"nothing to change", [&] { modify("T", List({"ID"}), {Given("ID", Variant(1), Variant(9))}); }},
      {"no such row", [&] { modify("T", List({"ID"}), {Given("ID", Variant(99), Variant()), Given("NAME", Variant(), Variant("x"))}); }},
      {"two rows", [&] { modify("DUP", List({"ID"}), {key, Given("NAME", Variant(), Variant("x"))}); }},
      {"duplicate key on insert",
       [&] { BuildInsertSQLFromDelta(db_.get(), &tr_, true, "T", {Given("ID", Variant(), Variant(1))}, *columns_); }},
      {"delete without key value",
       [&] { BuildDeleteSQLFromDelta(db_.get(), &tr_, true, "T", List({"ID"}), {Given("ID", Variant(), Variant(2))}, false, *columns_); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      c.run();
      ADD_FAILURE() << "ran";
    } catch (const Exception& e) {
      const bool known = e.Message().rfind(update, 0) == 0 ||
                         e.Message().rfind("ВставкаЗаписиИзПровайдера -> "_w, 0) == 0 ||
                         e.Message().rfind("УдалениеЗаписи -> "_w, 0) == 0;
      EXPECT_TRUE(known) << e.Message();
      EXPECT_NE(e.Message().find(" <# E"), std::string::npos) << e.Message();
    }
    EXPECT_FALSE(tr_.InTransaction());
    EXPECT_EQ(Rows() + Rows("DUP"), before);
  }
}

}  // namespace
}  // namespace tv
