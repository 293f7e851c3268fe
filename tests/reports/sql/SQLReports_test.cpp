// The SQL data and table requests, the fuel-sale receipt, the receipt text
// and the custom functions through the exported names ('#' 2, 3, 8, 9, 17)
// on the statements fixture: packets read by Python's XML parser against
// isql-fb, tables read by Python's HTML parser, hand-written expected texts.

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "platform/text/Cp1251.h"
#include "platform/os/Files.h"
#include "tests/library/SampleDatabase.h"
#include "tests/reports/operational/StatementsFixture.h"

namespace tv::test {
namespace {

// The descriptors of this process open on a file of that name.
int OpenHandlesOf(const std::string& name) {
  int n = 0;
  for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code ec;
    const std::string target = std::filesystem::read_symlink(fd.path(), ec).string();
    if (!ec && target.size() >= name.size() &&
        target.compare(target.size() - name.size(), name.size(), name) == 0) {
      ++n;
    }
  }
  return n;
}

class SQLReports : public StatementsFixture {
 protected:
  // The packet rows of a '#' 2 answer as packet_rows.py prints them.
  std::vector<std::string> PacketRows(const std::string& hex) {
    const std::string file = root.Path() + "/packet.hex";
    WriteFileBytes(file, hex);
    int rc = -1;
    const std::string out = RunCommand("python3 '" + std::string(TOLVAREN_SOURCE_DIR) +
                                           "/tests/reports/sql/packet_rows.py' '" + file + "'",
                                       &rc);
    EXPECT_EQ(rc, 0) << out;
    std::vector<std::string> lines;
    for (const std::string& line : Lines(StringReplaceAll(out, "\n", "\r\n"))) {
      if (!line.empty()) lines.push_back(line);
    }
    return lines;
  }
  static std::string StringReplaceAll(std::string s, const std::string& a, const std::string& b) {
    for (std::size_t p = s.find(a); p != std::string::npos; p = s.find(a, p + b.size())) {
      s.replace(p, a.size(), b);
    }
    return s;
  }
  // The same rows from isql-fb, values in the order of `columns`.
  static std::vector<std::string> IsqlLines(const std::vector<IsqlRow>& rows,
                                            const std::vector<std::string>& columns) {
    std::vector<std::string> lines;
    for (const IsqlRow& row : rows) {
      std::string line;
      for (const std::string& c : columns) line += (line.empty() ? "" : "\t") + row.at(c);
      lines.push_back(line);
    }
    return lines;
  }
  int Count(const std::string& table) {
    return std::stoi(Sql("SELECT COUNT(*) AS N FROM " + table).at(0).at("N"));
  }
  void WritePredChecks(const std::string& utf8) const {
    root.WriteFile("c/FUEL/PredChecks.txt", Utf8ToCp1251(utf8));
  }
};

const char* const kValuesTable =
    "CREATE TABLE T_VALUES (ID INTEGER, NAME VARCHAR(30), AMOUNT NUMERIC(15,4), "
    "BIG BIGINT, STAMP TIMESTAMP)";
const char* const kValuesRows =
    "INSERT INTO T_VALUES VALUES (1, 'АИ-95 «Премиум»', 118.0001, 9223372036854775807, "
    "'2024-03-01 08:15:30.1230');\n"
    "INSERT INTO T_VALUES VALUES (2, '', -0.0001, -9223372036854775808, NULL);\n"
    "INSERT INTO T_VALUES VALUES (-2147483648, NULL, NULL, NULL, '1999-12-31 23:59:59');\n"
    "INSERT INTO T_VALUES VALUES (2147483647, 'A&B <b>\"x\"', 99999999999.9999, 0, "
    "'2024-02-29 00:00:00')";

TEST_F(SQLReports, DataPacketHoldsTheValuesIsqlReads) {
  Exec(kValuesTable);
  Exec(kValuesRows);
  const std::string sql = "SELECT * FROM T_VALUES WHERE NAME <> 'АИ-95' OR NAME IS NULL ORDER BY ID";
  const std::string hex = Report('#', A({Variant(2), Variant(Utf8ToCp1251(sql)), Variant(0)}));
  const std::vector<std::string> rows = PacketRows(hex);
  ASSERT_EQ(rows.size(), 5u) << hex.substr(0, 200);
  EXPECT_EQ(rows[0], "FIELDS\tID:i4\tNAME:string\tAMOUNT:fixed\tBIG:i8\tSTAMP:dateTime");
  const std::vector<std::string> expected =
      IsqlLines(Sql(sql), {"ID", "NAME", "AMOUNT", "BIG", "STAMP"});
  ASSERT_EQ(expected.size(), 4u);
  for (std::size_t i = 0; i < expected.size(); ++i) {
    // isql-fb prints an empty text as nothing and a NULL as <null>, as the packet does.
    EXPECT_EQ(rows[i + 1], expected[i]) << "row " << i;
  }
}

// NUMERIC/DECIMAL of every scale: the exact value, worked by hand from the
// literal, in the packet and in the table ('#' 3, decimal comma), or a
// failure that names a value a Currency cannot hold.
TEST_F(SQLReports, DataPacketKeepsEveryNumericExactly) {
  struct Case {
    const char* Expr;
    const char* Type;  // nullptr: the request fails, naming Value
    const char* Value;
  };
  const Case cases[] = {
      {"CAST(999999999999999.999 AS NUMERIC(18,3))", nullptr, "999999999999999.999"},
      {"CAST(922337203685477.59 AS NUMERIC(18,2))", nullptr, "922337203685477.59"},
      {"CAST(922337203685477.58 AS NUMERIC(18,2))", "fixed", "922337203685477.58"},
      {"CAST(-922337203685477.5808 AS NUMERIC(18,4))", "fixed", "-922337203685477.5808"},
      {"CAST(12.5 AS NUMERIC(4,1))", "fixed", "12.5"},
      {"CAST(123456789012.345678 AS NUMERIC(18,6))", "fixedFMT", "123456789012.345678"},
      {"CAST(-0.000000000000000001 AS NUMERIC(18,18))", "fixedFMT", "-0.000000000000000001"},
      {"CAST(9.87654321 AS NUMERIC(9,8))", "fixedFMT", "9.87654321"},
      {"CAST(-7 AS NUMERIC(18,6))", "fixedFMT", "-7"},
  };
  for (const Case& c : cases) {
    const std::string sql = std::string("SELECT ") + c.Expr + " AS N FROM RDB$DATABASE";
    const TestHost::Reply r = Request('#', A({Variant(2), Variant(sql), Variant(0)}));
    const TestHost::Reply t =
        Request('#', A({Variant(3), Variant(sql), Variant(0), Variant(""), Variant("")}));
    const std::string named = std::string("Value ") + c.Value + " of field 'N'";
    if (c.Type == nullptr) {
      EXPECT_EQ(r.Text.rfind("Ошибка", 0), 0u) << c.Expr << ": " << r.Text.substr(0, 300);
      EXPECT_NE(r.Text.find(named), std::string::npos) << r.Text.substr(0, 300);
      EXPECT_NE(t.Text.find(named), std::string::npos) << t.Text.substr(0, 300);
      continue;
    }
    std::string comma = c.Value;
    if (comma.find('.') != std::string::npos) comma[comma.find('.')] = ',';
    const std::vector<std::vector<std::string>> table = HtmlRows();
    ASSERT_EQ(table.size(), 2u) << c.Expr;
    EXPECT_EQ(table[1], std::vector<std::string>{comma}) << c.Expr;
    const std::vector<std::string> rows = PacketRows(r.Text);
    ASSERT_EQ(rows.size(), 2u) << c.Expr;
    EXPECT_EQ(rows[0].substr(0, 9 + std::strlen(c.Type)), std::string("FIELDS\tN:") + c.Type) << c.Expr;
    EXPECT_EQ(rows[1], c.Value) << c.Expr;
  }
}

// A timestamp's date and time come from the one value, as isql-fb reads it,
// up to the last 1/10000 s of a day and of the calendar.
TEST_F(SQLReports, DataPacketTakesDateAndTimeFromOneValue) {
  Exec("CREATE TABLE T_STAMPS (ID INTEGER, STAMP TIMESTAMP, D DATE)");
  Exec("INSERT INTO T_STAMPS VALUES (1, '2024-12-31 23:59:59.9995', '2024-12-31');\n"
       "INSERT INTO T_STAMPS VALUES (2, '9999-12-31 23:59:59.9999', '9999-12-31');\n"
       "INSERT INTO T_STAMPS VALUES (3, '1899-12-29 23:59:59.9999', '1899-12-29');\n"
       "INSERT INTO T_STAMPS VALUES (4, '0001-01-01 00:00:00.0001', '0001-01-01');\n"
       "INSERT INTO T_STAMPS VALUES (5, '2024-02-29 12:00:00.0005', '2024-02-29')");
  const std::string sql = "SELECT ID, STAMP FROM T_STAMPS ORDER BY ID";
  const std::vector<std::string> rows =
      PacketRows(Report('#', A({Variant(2), Variant(sql), Variant(0)})));
  const std::vector<std::string> expected = IsqlLines(Sql(sql), {"ID", "STAMP"});
  ASSERT_EQ(expected.size(), 5u);
  ASSERT_EQ(rows.size(), 6u);
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(rows[i + 1], expected[i]);
}

// NOT NULL columns are required in the packet's METADATA, as the table
// declares them (RDB$NULL_FLAG).
TEST_F(SQLReports, DataPacketMarksNotNullColumnsRequired) {
  Exec("CREATE TABLE T_REQ (A INTEGER NOT NULL, B VARCHAR(5), C NUMERIC(15,4) NOT NULL, "
       "D TIMESTAMP, E NUMERIC(18,6) NOT NULL)");
  const std::vector<std::string> rows = PacketRows(
      Report('#', A({Variant(2), Variant("SELECT * FROM T_REQ"), Variant(0)})));
  ASSERT_FALSE(rows.empty());
  std::string expected = "FIELDS";
  for (const IsqlRow& f : Sql("SELECT TRIM(RDB$FIELD_NAME) AS F, RDB$NULL_FLAG AS R FROM "
                              "RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME = 'T_REQ' ORDER BY "
                              "RDB$FIELD_POSITION")) {
    const std::string& name = f.at("F");
    const std::string type = name == "A" ? "i4" : name == "B" ? "string" : name == "C" ? "fixed"
                             : name == "D" ? "dateTime" : "fixedFMT";
    expected += "\t" + name + ":" + type + (f.at("R") == "1" ? ":required" : "");
  }
  EXPECT_EQ(rows[0], expected);
}

TEST_F(SQLReports, DataPacketOfTheOfficeDatabase) {
  const std::filesystem::path office =
      std::filesystem::path(SampleStationDatabase()).parent_path().parent_path() /
      "OfficeDB/OFFICE.FDB";
  const std::string target = root.Path() + "/c/FUEL/OfficeDB/OFFICE.FDB";
  std::filesystem::create_directories(root.Path() + "/c/FUEL/OfficeDB");
  std::filesystem::copy_file(office, target);
  const std::string sql = "SELECT CARDNUM, AZSNAME, DAT, VIDOPL FROM DSCCARDS ORDER BY CARDNUM, DAT";
  const std::vector<std::string> rows =
      PacketRows(Report('#', A({Variant(2), Variant(sql), Variant(1)})));
  std::vector<IsqlRow> isql = IsqlSelect(target, sql);
  for (IsqlRow& row : isql)
    for (auto& [name, value] : row) value = Cp1251ToUtf8(value);
  const std::vector<std::string> expected = IsqlLines(isql, {"CARDNUM", "AZSNAME", "DAT", "VIDOPL"});
  ASSERT_FALSE(expected.empty());
  ASSERT_EQ(rows.size(), expected.size() + 1);
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(rows[i + 1], expected[i]);
}

TEST_F(SQLReports, BadRequestsGiveTheirErrorTexts) {
  struct Case {
    Variant Params;
    std::string Starts;
  };
  const Case cases[] = {
      {A({Variant(2), Variant("SELEKT 1 FROM RDB$DATABASE"), Variant(0)}),
       "Ошибка при формировании отчета \"SQL-выборка данных\": ПолучениеДанныхОтПровайдера -> "},
      {A({Variant(2), Variant("SELECT * FROM NO_SUCH_TABLE"), Variant(0)}),
       "Ошибка при формировании отчета \"SQL-выборка данных\": ПолучениеДанныхОтПровайдера -> "},
      // No office database in this root.
      {A({Variant(2), Variant("SELECT * FROM DSCCARDS"), Variant(1)}),
       "Ошибка при формировании отчета \"SQL-выборка данных\": ПолучениеДанныхОтПровайдера -> "},
      {A({Variant(2), Variant("SELECT 1 FROM RDB$DATABASE")}),
       "Ошибка при формировании отчета \"SQL-выборка данных\": "},
      {A({Variant(3), Variant("SELECT * FROM NO_SUCH_TABLE"), Variant(0), Variant(""), Variant("")}),
       "FRM-отчет: Ошибка при генерации HTML-таблицы -> "},
      {A({Variant(8), Variant("abc"), Variant("a"), Variant("b"), Variant("c")}),
       "Ошибка при формировании отчета \"Товарный чек по ГСМ\": "},
      {A({Variant(8), Variant(999999), Variant("a"), Variant("b"), Variant("c")}),
       "Ошибка при формировании отчета \"Товарный чек по ГСМ\": Продажа 999999 не найдена"},
      {A({Variant(9)}), "Ошибка при формировании отчета \"Шаблон товарного чека\": "},
  };
  for (const Case& c : cases) {
    const TestHost::Reply r = Request('#', c.Params);
    EXPECT_EQ(r.Result, TV_REPORT_TRUE) << c.Starts;
    EXPECT_EQ(r.Text.rfind(c.Starts, 0), 0u) << r.Text;
    EXPECT_EQ(r.Text.find("\r\n"), std::string::npos) << r.Text;
  }
  EXPECT_TRUE(Logged("SQL-выборка данных"_w));
  EXPECT_TRUE(Logged("Ошибка при генерации HTML-таблицы"_w));
  const TestHost::Reply none = Request('#', A({Variant(2), Variant("SELECT 1 FROM X"), Variant(2)}));
  EXPECT_EQ(none.Result, TV_REPORT_TRUE);
  EXPECT_EQ(none.Text, "");
}

TEST_F(SQLReports, WritingStatementsChangeNothing) {
  const int before = Count("LOGTRAN");
  ASSERT_GT(before, 0);
  const std::string statements[] = {
      "DELETE FROM LOGTRAN",
      "EXECUTE BLOCK RETURNS (N INTEGER) AS BEGIN DELETE FROM LOGTRAN; N = 1; SUSPEND; END",
      "UPDATE LOGTRAN SET SUMMA = 0"};
  for (const std::string& sql : statements) {
    const TestHost::Reply data = Request('#', A({Variant(2), Variant(sql), Variant(0)}));
    EXPECT_NE(data.Text.find("ПолучениеДанныхОтПровайдера"), std::string::npos) << data.Text;
    const TestHost::Reply table =
        Request('#', A({Variant(3), Variant(sql), Variant(0), Variant(""), Variant("")}));
    EXPECT_EQ(table.Text.rfind("FRM-отчет: ", 0), 0u) << table.Text;
  }
  EXPECT_EQ(Count("LOGTRAN"), before);
  EXPECT_EQ(Sql("SELECT COUNT(*) AS N FROM LOGTRAN WHERE SUMMA = 0").at(0).at("N"), "0");
}

TEST_F(SQLReports, TableIsTheRowsWithTheirLinks) {
  const std::string sql = "SELECT ID, NAME FROM SCANDOCTYPES ORDER BY ID";
  EXPECT_EQ(Report('#', A({Variant(3), Variant(sql), Variant(0), Variant("href=\"doc?id="),
                           Variant("iD")})),
            "FRM-отчет");
  EXPECT_EQ(Cp1251ToUtf8(Html()),
            "<table border=1 cellspacing=-1 cellpadding=1 bordercolor=\"#808080\"><tr>"
            "<td><b>ID</b></td><td><b>NAME</b></td></tr>\r\n"
            "<tr><td><a href=\"doc?id=1\"><b>1</b></a></td>"
            "<td>Товарно-транспортная накладная</td></tr>\r\n"
            "<tr><td><a href=\"doc?id=2\"><b>2</b></a></td><td>Доверенность</td></tr>\r\n"
            "</table>");
  Report('#', A({Variant(3), Variant(sql), Variant(0), Variant(""), Variant("ID")}));
  EXPECT_EQ(Html().find("<a "), std::string::npos);
  // Numbers and dates as their fields' text, checked by hand.
  Exec(kValuesTable);
  Exec(kValuesRows);
  Report('#', A({Variant(3), Variant("SELECT ID, NAME, AMOUNT, STAMP FROM T_VALUES ORDER BY ID"),
                 Variant(0), Variant("href=\"x?n="), Variant("name")}));
  const std::vector<std::vector<std::string>> rows = HtmlRows();
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"ID", "NAME", "AMOUNT", "STAMP"}));
  EXPECT_EQ(rows[1], (std::vector<std::string>{"-2147483648", "", "", "31.12.1999 23:59:59"}));
  EXPECT_EQ(rows[2][2], "118,0001");
  EXPECT_EQ(rows[4][1], "A&B <b>\"x\"");
  EXPECT_NE(Html().find("<a href=\"x?n=A&amp;B &lt;b&gt;&quot;x&quot;\"><b>A&amp;B &lt;b&gt;&quot;"
                        "x&quot;</b></a>"),
            std::string::npos);
}

TEST_F(SQLReports, TableOfNoRows) {
  EXPECT_EQ(Report('#', A({Variant(3), Variant("SELECT * FROM LOGTRAN WHERE 1 = 0"), Variant(0),
                           Variant(""), Variant("")})),
            "FRM-отчет");
  EXPECT_EQ(Cp1251ToUtf8(Html()),
            "<br><font color=red size=+2>Информация по отчету отсутствует</font><br>");
}

TEST_F(SQLReports, ReceiptTemplateBuiltInAndStored) {
  std::string builtIn = "#!OK!#";
  for (char c : ReadFileBytes(std::string(TOLVAREN_TESTDATA_DIR) + "/reports/sql/receipt-template.txt")) {
    if (c == '\n') builtIn += '\r';
    builtIn += c;
  }
  struct Case {
    std::string Ini;
    int VidOpl;
    std::string Text;
  };
  const Case cases[] = {
      {"", 3, builtIn},
      {"[VO-1]\nTOVARNCHECK=Общий\tчек\n", 3, "#!OK!#Общий\r\nчек"},
      {"[TovCheckOnVidOpl]\nVO3=0\n[VO-1]\nTOVARNCHECK=Общий\n", 3, "#!OK!#Общий"},
      {"[TovCheckOnVidOpl]\nVO3=1\n[VO-1]\nTOVARNCHECK=Общий\n[VO3]\nTOVARNCHECK=Свой\n", 3,
       "#!OK!#Свой"},
      {"[TovCheckOnVidOpl]\nVO3=1\n[VO-1]\nTOVARNCHECK=Общий\n", 3, builtIn},
      {"[VO-1]\nOTHER=1\n", 0, builtIn},
      {"garbage \x01\x02 [[[\n=\n", 3, builtIn},
      // The INI layer trims blanks at both ends of a stored value.
      {"[VO-1]\nTOVARNCHECK=   чек  \n", 3, "#!OK!#чек"},
      // ... and drops one pair of enclosing quotes, keeping the blanks inside.
      {"[VO-1]\nTOVARNCHECK=\"  чек\t \"\n", 3, "#!OK!#  чек\r\n "},
  };
  for (const Case& c : cases) {
    WritePredChecks(c.Ini);
    EXPECT_EQ(Report('#', A({Variant(9), Variant(c.VidOpl)})), c.Text) << c.Ini;
  }
  std::filesystem::remove(root.Path() + "/c/FUEL/PredChecks.txt");
  EXPECT_EQ(Report('#', A({Variant(9), Variant(3)})), builtIn);
  // A trailing extra element is ignored.
  EXPECT_EQ(Report('#', A({Variant(9), Variant(3), Variant("x")})), builtIn);
  EXPECT_TRUE(Logged("Шаблон товарного чека"_w));
  const std::string big(70000, 'x');
  WritePredChecks("[VO-1]\nTOVARNCHECK=" + big + "\n");
  const std::string stored = Report('#', A({Variant(9), Variant(3)}));
  // The INI layer returns at most 65534 bytes of a value.
  EXPECT_TRUE(stored == "#!OK!#" + big.substr(0, 65534));
}

// A sale of 118 in money: the formula cells split off 18 VAT.
TEST_F(SQLReports, FuelReceiptOfOneSale) {
  Exec("INSERT INTO LOGTRAN (INDEXSALE, DATA, GSMNAME, LITER, SUMMA, GSMPRICE, PLOTN, VIDOPL) "
       "VALUES (900001, '2024-03-05 10:20:00', 'АИ-95', 2.5, 118, 47.2, 0.75, 0)");
  const auto sale = Sql("SELECT GSMNAME, LITER, GSMPRICE, SUMMA FROM LOGTRAN WHERE INDEXSALE = 900001");
  ASSERT_EQ(sale.size(), 1u);
  for (const Variant& index : {Variant(900001), Variant(900001.0), Variant("900001")}) {
    EXPECT_EQ(Report('#', A({Variant(8), index, Variant("Иванова Мария"_w),
                             Variant("Старший кассир"_w), Variant("Без сдачи"_w)})),
              "Отчет реализован только для HTML-версии!");
  }
  const std::vector<std::vector<std::string>> rows = HtmlRows();
  auto find = [&](const std::string& first) {
    for (const auto& row : rows)
      if (!row.empty() && row[0] == first) return row;
    return std::vector<std::string>{};
  };
  EXPECT_EQ(find("1"), (std::vector<std::string>{"1", sale[0].at("GSMNAME"), "2,50", "литры",
                                                   "47,20", "100,00", "18,00", "118,00"}));
  EXPECT_EQ(find("Итого:"), (std::vector<std::string>{"Итого:", "100,00", "18,00", "118,00"}));
  EXPECT_EQ(find("Отпустил"), (std::vector<std::string>{"Отпустил", "", "Старший кассир", "", "",
                                                          "", "Иванова Мария"}));
  const std::string html = Cp1251ToUtf8(Html());
  // The runtime's long month names are the nominative ones.
  EXPECT_NE(html.find("Товарный чек<br>05 Март 2024<"), std::string::npos);
  EXPECT_NE(html.find("Сто восемнадцать рублей 00 копеек"), std::string::npos) << html;
  EXPECT_NE(html.find("Без сдачи"), std::string::npos);
  // Customers kept in VDCONTRACTOR take the other join.
  Exec("DELETE FROM CONTRAGENTTYPE");
  Report('#', A({Variant(8), Variant(900001), Variant("a"), Variant("b"), Variant("")}));
  // A half kopeck in words: the stored 118.005 exactly, not its double 118.00499...
  Exec("UPDATE LOGTRAN SET SUMMA = 118.005 WHERE INDEXSALE = 900001");
  Report('#', A({Variant(8), Variant(900001), Variant("a"), Variant("b"), Variant("")}));
  EXPECT_NE(Cp1251ToUtf8(Html()).find("Сто восемнадцать рублей 01 копейка"), std::string::npos);
}

TEST_F(SQLReports, FuelReceiptWithoutSale) {
  EXPECT_EQ(Report('#', A({Variant(8), Variant(0), Variant("К"), Variant("П"), Variant("")})),
            "Отчет реализован только для HTML-версии!");
  const std::vector<std::vector<std::string>> rows = HtmlRows();
  bool total = false;
  for (const auto& row : rows) {
    if (row.empty() || row[0] != "Итого:") continue;
    total = true;
    EXPECT_EQ(row, (std::vector<std::string>{"Итого:", "", "", ""}));
  }
  EXPECT_TRUE(total);
  EXPECT_EQ(Cp1251ToUtf8(Html()).find("рубл"), std::string::npos);
}

TEST_F(SQLReports, CustomFunctionsIssueScanDocumentIds) {
  auto call = [&](const Variant& params) { return host->Request('#', params); };
  const TestHost::Reply count = call(A({Variant(17), Variant(1), Variant("x")}));
  EXPECT_EQ(count.Result, TV_REPORT_TRUE);
  EXPECT_EQ(count.Text, "raw:00000003#00000000#00000001#00000000");
  const std::string max = Sql("SELECT MAX(ID) AS M FROM SCANDOCUMENTS").at(0).at("M");
  const TestHost::Reply first = call(A({Variant(17), Variant(2), A({Variant(1), Variant(0)})}));
  const TestHost::Reply second = call(A({Variant(17), Variant(2), A({Variant(1), Variant(0)})}));
  auto rawInt = [](int v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "raw:00000003#00000000#%08X#00000000", static_cast<unsigned>(v));
    return std::string(buf);
  };
  EXPECT_EQ(first.Text, rawInt(std::stoi(max) + 1));
  EXPECT_EQ(second.Text, rawInt(std::stoi(max) + 2));
  const TestHost::Reply types = call(A({Variant(17), Variant(2), A({Variant(2), Variant(0)})}));
  EXPECT_EQ(types.Text, rawInt(3));
  const TestHost::Reply none = call(A({Variant(17), Variant(2), A({Variant(3), Variant(0)})}));
  EXPECT_EQ(none.Result, TV_REPORT_TRUE);
  EXPECT_EQ(none.Text, "raw:00000000#00000000#00000000#00000000");
  EXPECT_EQ(call(A({Variant(17), Variant(0), Variant()})).Text, none.Text);
  for (const Variant& bad : {A({Variant(17), Variant(2), Variant(5)}),
                             A({Variant(17), Variant(2), A({Variant(1)})}),
                             A({Variant(17), Variant(2)})}) {
    const TestHost::Reply r = call(bad);
    EXPECT_EQ(r.Result, TV_REPORT_RAISED);
    EXPECT_FALSE(r.Error.empty());
  }
  host->Fail(5, Utf8ToCp1251("нет папки"));
  const TestHost::Reply noFolder = call(A({Variant(17), Variant(2), A({Variant(1), Variant(0)})}));
  EXPECT_EQ(noFolder.Result, TV_REPORT_RAISED);
  EXPECT_EQ(Cp1251ToUtf8(noFolder.Error), "нет папки");
}

// The child of FourProcessesTakeDistinctIds: 200 ids of SCANDOCUMENTS
// through a library of its own, one answer a line in $SQLREP_IDS_FILE.
TEST(SQLReportsChild, TakesIds) {
  const char* file = std::getenv("SQLREP_IDS_FILE");
  if (file == nullptr) GTEST_SKIP() << "run only as a child of FourProcessesTakeDistinctIds";
  TestLibrary lib(TOLVAREN_LIBRARY);
  TestHost host(lib, "C:\\FUEL\\DB\\");
  ASSERT_EQ(host.Init(), 1);
  std::ofstream out(file);
  for (int i = 0; i < 200; ++i) {
    out << host.Request('#', A({Variant(17), Variant(2), A({Variant(1), Variant(0)})})).Text
        << "\n";
  }
}

TEST_F(SQLReports, FourProcessesTakeDistinctIds) {
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  std::string script;
  for (int p = 0; p < 4; ++p) {
    script += "SQLREP_IDS_FILE='" + root.Path() + "/ids" + std::to_string(p) + "' '" + self +
              "' --gtest_filter=SQLReportsChild.TakesIds >/dev/null 2>&1 & ";
  }
  int rc = -1;
  RunCommand(script + "wait", &rc);
  const int max = std::stoi(Sql("SELECT MAX(ID) AS M FROM SCANDOCUMENTS").at(0).at("M"));
  std::set<int> ids;
  int lines = 0;
  for (int p = 0; p < 4; ++p) {
    std::istringstream in(root.ReadFile("ids" + std::to_string(p)));
    for (std::string line; std::getline(in, line); ++lines) {
      ASSERT_EQ(line.rfind("raw:00000003#00000000#", 0), 0u) << line;
      ids.insert(static_cast<int>(std::stoul(line.substr(22, 8), nullptr, 16)));
    }
  }
  EXPECT_EQ(lines, 800);
  EXPECT_EQ(ids.size(), 800u);
  EXPECT_GT(*ids.begin(), max);
}

// A thousand calls leave no connection or memory behind (the sanitizer
// build checks the memory).
TEST_F(SQLReports, ThousandCustomCallsLeaveNothingOpen) {
  ASSERT_EQ(OpenHandlesOf("Velmar.FDB"), 0);
  for (int i = 0; i < 1000; ++i) {
    const TestHost::Reply r = host->Request('#', A({Variant(17), Variant(2), A({Variant(3), Variant(0)})}));
    ASSERT_EQ(r.Result, TV_REPORT_TRUE) << r.Error;
  }
  // No connection stays: this process holds the database file no more.
  EXPECT_EQ(OpenHandlesOf("Velmar.FDB"), 0);
}

}  // namespace
}  // namespace tv::test
