// The non-standard financial (kind 10), receipt and pump-out (5, 12) and
// withdrawn (6, 7) sections through the exported names, on the sample of
// db/add-sample-nonstd: figures against SQL written here and by hand,
// hand-checked text files, the HTML through Python's parser and Chromium.

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <set>

#include "platform/os/Files.h"
#include "platform/SysUtils.h"
#include "tests/reports/shift/ShiftFixture.h"
#include "tests/support/Chromium.h"
#include "tests/support/TempRoot.h"

namespace tv::test {
namespace {

Variant V(const std::string& utf8) { return Variant(Utf8ToCp1251(utf8)); }

class NonStdSections : public ShiftFixture {
 protected:
  static void SetUpTestSuite() {
    ShiftFixture::SetUpTestSuite();
    AddToSample("add-sample-nonstd");
  }
  // The ";" lines of a text with `n` fields (NonStdAll.frm: 4 header, 41
  // row, 17 totals; PrxAll.frm: 20 row, 6 totals; Movement.frm: 18 row).
  static std::vector<std::vector<std::string>> Rows(const std::string& text, std::size_t n) {
    std::vector<std::vector<std::string>> out;
    for (auto& f : Fields(text))
      if (f.size() == n) out.push_back(f);
    return out;
  }
  std::string Kind(int kind, int from, int to, const char* form, const char* html) {
    return ShiftReport(from, to, Paired({{kind, TestForm(form), TestForm(html)}}));
  }
  void Office(bool on) {
    host->Set(56, Variant(on ? 0 : 1));
    host->Set(8, Variant(on));
  }
  void FreshDatabase() {
    std::filesystem::copy_file(sampleDb_, DbPath(),
                               std::filesystem::copy_options::overwrite_existing);
  }
};

TEST_F(NonStdSections, NonStandardSectionByCase) {
  struct Case {
    const char* what;
    int from, to;
    bool office;
    std::size_t row, field;  // row 0: the header line
    const char* expected;
  };
  const Case cases[] = {
      {"one shift: number, operator", 110, 110, false, 0, 1, "Громова Вера Ильинична"},
      {"a range: both numbers", 101, 103, false, 0, 0, "101 - 103"},
      {"a range: no operator", 101, 103, false, 0, 1, ""},
      {"no log row of the first shift: no begin", 100, 101, false, 0, 2, ""},
      {"worked tank: expense", 110, 110, false, 1, 17, "300,00"},
      {"worked tank: shortage Pog", 110, 110, false, 1, 19, "-10"},
      {"worked tank: no Pog+", 110, 110, false, 1, 20, ""},
      {"worked tank: Pog-", 110, 110, false, 1, 21, "10"},
      {"short fuel name", 110, 110, false, 1, 1, "92"},
      {"kind 3: SK", 110, 110, false, 1, 22, "25"},
      {"kind 3: BNSum", 110, 110, false, 1, 23, "1287,50"},
      {"type 5: measuring can, not expense", 110, 110, false, 1, 24, "8,0"},
      {"PL of 1 000 l", 110, 110, false, 1, 40, "2,50"},
      {"second nozzle: no tank values", 110, 110, false, 2, 0, ""},
      {"third nozzle", 110, 110, false, 3, 32, "2"},
      {"station: first counter", 110, 110, false, 3, 34, "41 000"},
      {"office: second counter", 110, 110, true, 3, 34, "7 000"},
      {"office: nozzle without one", 110, 110, true, 1, 34, "1 250 000"},
      {"no difference: Pog- 0", 110, 110, false, 4, 21, "0"},
      {"no difference: no Pog+", 110, 110, false, 4, 20, ""},
      {"type 105: in the expense", 110, 110, false, 4, 17, "300,00"},
      {"type 105: measuring can", 110, 110, false, 4, 24, "50,0"},
      {"short name stays", 110, 110, false, 5, 1, "ДТ"},
      {"surplus Pog+", 110, 110, false, 5, 20, "5"},
      {"tank without nozzles: its row", 110, 110, false, 6, 0, "4"},
      {"tank without nozzles: no nozzle", 110, 110, false, 6, 35, ""},
      {"backwards range: no tank", 110, 109, false, 1, 0, "(none)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Office(c.office);
    const std::string text = Kind(10, c.from, c.to, "NonStdAll.frm", "NonStdAll.html");
    auto rows = Rows(text, 4);
    for (auto& r : Rows(text, 41)) rows.push_back(r);
    EXPECT_EQ(c.row < rows.size() ? rows[c.row][c.field] : "(none)", c.expected) << text;
  }
}

TEST_F(NonStdSections, NonStandardTotalsAgainstSql) {
  const std::string text = Kind(10, 110, 110, "NonStdAll.frm", "NonStdAll.html");
  const auto totals = Rows(text, 17);
  ASSERT_EQ(totals.size(), 1u) << text;
  const std::string vo = "(SELECT SUM(%s) FROM SILOVO WHERE SMNUM = 110 AND %s)";
  const auto sum = [&](const char* what, const char* where) { return Format(vo, {what, where}); };
  const auto s = SqlNumbers(
      "SELECT SUM(SILOPRX) AS INL, SUM(SILOBEGL) AS BOSL, SUM(SILOENDL) AS OSTL, "
      "SUM(SILOENDCALCL) AS OSTLC, " +
      sum("LITRE", "VIDOPL <> 5") + " AS TRKL, " + sum("LITRE", "MOD(VIDOPL, 100) = 5") +
      " AS MER, " + sum("LITRE", "CHECKTYPE BETWEEN 1 AND 5") + " AS BEZN, " +
      sum("LITRE", "MOD(VIDOPL, 100) IN (1, 2, 4, 7)") + " AS AC, " +
      sum("SUMMA", "MOD(VIDOPL, 100) = 3") + " AS ABN, " + sum("LITRE", "CHECKTYPE = 0") +
      " AS NAL, " + sum("SUMMA", "CHECKTYPE = 0") + " AS RUB FROM SMSILO WHERE SMNUM = 110");
  const auto p = SqlNumbers(
      "SELECT SUM(POG) AS P, SUM(MAXVALUE(POG, 0)) AS PP, SUM(MAXVALUE(-POG, 0)) AS PM FROM "
      "(SELECT s.SILOENDL - (s.SILOBEGL + s.SILOPRX - COALESCE((SELECT SUM(v.LITRE) FROM SILOVO v "
      "WHERE v.SMNUM = s.SMNUM AND v.SILONUM = s.SILONUM AND v.VIDOPL <> 5), 0)) AS POG FROM "
      "SMSILO s WHERE s.SMNUM = 110)");
  const double expected[17] = {s.at("INL"),
                               s.at("BOSL"),
                               s.at("OSTL"),
                               s.at("OSTLC"),
                               s.at("TRKL"),
                               s.at("TRKL"),
                               s.at("MER"),
                               s.at("MER"),
                               s.at("BEZN"),
                               s.at("AC"),
                               s.at("BEZN") - s.at("AC"),
                               s.at("ABN"),
                               s.at("NAL"),
                               s.at("RUB"),
                               p.at("P"),
                               p.at("PP"),
                               p.at("PM")};
  for (std::size_t i = 0; i < 17; ++i) EXPECT_NEAR(Num(totals[0][i]), expected[i], 0.5) << i;
  EXPECT_LT(Num(totals[0][10]), 0);  // AS: more kind 1-2-4-7 litres than cashless ones
  EXPECT_EQ(totals[0][14] + "/" + totals[0][15] + "/" + totals[0][16], "-5/5/10");
  // HTML: CEL2, CEK2 (750 + 375 - 225), Pog-, PL of the worked tank; the totals.
  std::vector<std::vector<std::string>> cells;
  for (const auto& r : HtmlCells())
    if (r.size() == 16 || r.size() == 4) cells.push_back(r);
  ASSERT_EQ(cells.size(), 7u);
  EXPECT_EQ(cells[0][2] + "/" + cells[0][3] + "/" + cells[0][6] + "/" + cells[0][14],
            "1200/900/10/2,50");
  EXPECT_EQ(cells[6][1] + "/" + cells[6][2] + "/" + cells[6][3], "130,00/570,00/28 445,00");
}

// Per car and fuel: rows, the six summed values, as SQL over PRX, PRXSILO.
std::string PrxGroupsSql(bool joined, bool waybillMass, int prihod, bool office) {
  const std::string fact = joined ? "COALESCE(ps.FACTL, p.FACT1)" : "p.FACT1";
  const std::string plotn = joined ? "COALESCE(ps.FACTPLOTN, p.FACTPLOTN)" : "p.FACTPLOTN";
  const std::string vd = "CAST(p.CARVOLTTN * p.UDVES AS NUMERIC(18, 4))";
  const std::string mass =
      waybillMass ? "IIF(COALESCE(p.MASSAFROMTTN, 0) = 0, " + vd + ", p.MASSAFROMTTN)" : vd;
  return "SELECT COUNT(*) AS N, SUM(p.CARVOLTTN) AS VOL, SUM(" + fact + ") AS VOLF, SUM(" + mass +
         ") AS MASS, SUM(" + fact + " * " + plotn +
         ") AS MASSF, SUM(p.CARVOLFACT) AS CFVOL, "
         "SUM(p.CARVOLFACT * p.CARUDVESFACT) AS CFVKG FROM PRX p " +
         (joined ? "LEFT JOIN PRXSILO ps ON p.OPNUM = ps.OPNUM " : "") +
         "WHERE p.PRIHOD = " + std::to_string(prihod) + " AND p.SMNUM BETWEEN 101 AND 103 " +
         (office ? "" : "AND COALESCE(p.COR, 0) = 0 ") +
         "GROUP BY p.CARNAME, p.GSMNAME ORDER BY p.CARNAME, p.GSMNAME";
}

TEST_F(NonStdSections, ReceiptGroupsAgainstSqlForEachSchema) {
  struct Case {
    const char* what;
    const char* alter;
    bool joined, waybillMass, office, supplier, keeper;
    int kind;
  };
  const Case cases[] = {
      {"full schema, receipts", "", true, true, false, true, true, 5},
      {"full schema, pump-outs", "", true, true, false, true, true, 12},
      {"office: corrections too", "", true, true, true, true, true, 5},
      {"no CONTR_ID", "ALTER TABLE PRX DROP CONTR_ID", false, true, false, false, false, 5},
      {"CONTR_ID only", "ALTER TABLE PRX DROP NAMESLIV, DROP KEEPER_ID, DROP MASSAFROMTTN", true,
       false, false, true, false, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FreshDatabase();
    if (*c.alter != '\0') Exec(c.alter);
    Office(c.office);
    const std::string text = Kind(c.kind, 101, 103, "PrxAll.frm", "PrxAll.html");
    const auto sql = Sql(PrxGroupsSql(c.joined, c.waybillMass, c.kind == 5 ? 1 : 0, c.office));
    std::vector<std::vector<std::string>> groups;
    std::vector<int> counts(1, 0);
    for (const auto& r : Rows(text, 20)) {
      if (r[1] == "Итого:")
        groups.push_back(r), counts.push_back(0);
      else if (!r[0].empty())
        ++counts.back();
    }
    ASSERT_EQ(groups.size(), sql.size()) << text;
    const auto totals = Rows(text, 6);
    ASSERT_EQ(totals.size(), 1u);
    const char* cols[] = {"VOL", "VOLF", "MASS", "MASSF", "CFVOL", "CFVKG"};
    const int fields[] = {8, 9, 12, 13, 16, 19};
    for (int k = 0; k < 6; ++k) {
      double grand = 0;
      for (std::size_t g = 0; g < sql.size(); ++g) {
        EXPECT_EQ(counts[g], std::stoi(sql[g].at("N"))) << g;
        EXPECT_NEAR(Num(groups[g][fields[k]]), std::stod(sql[g].at(cols[k])), 0.006)
            << cols[k] << g;
        grand += std::stod(sql[g].at(cols[k]));
      }
      EXPECT_NEAR(Num(totals[0][k]), grand, 0.01) << cols[k];
    }
    // HTML: supplier and keeper only from columns that exist; waybill numbers always.
    bool supplier = false, keeper = false, ttn = false;
    for (const auto& r : HtmlCells()) {
      supplier |= r.size() == 14 && r[7] == "ООО Топливная Линия";
      keeper |= r.size() == 14 && r[12] == "7703000082";
      ttn |= r.size() == 14 && !r[6].empty();
    }
    EXPECT_EQ(std::tuple(supplier, keeper, ttn), std::tuple(c.supplier, c.keeper, true));
  }
}

// Currency on a half kopeck prints its exact four decimals; Double sums
// are worked in extended (values worked by hand).
TEST_F(NonStdSections, ReceiptMassAndMovementOnAHalfKopeck) {
  Exec("UPDATE PRX SET MASSAFROMTTN = 1496.485 WHERE OPNUM = 5001");
  std::string mass;
  for (const auto& r : Rows(Kind(5, 101, 103, "PrxAll.frm", "PrxAll.html"), 20))
    if (r[3] == "5001") mass = r[12];
  EXPECT_EQ(mass, "1496,49");
  // Tank 1 of shift 101: cash 1427.705 for 1234.567 l, 345.678 kg;
  // cashless 1000 for 279.268 l, 436.397 kg.
  Exec("DELETE FROM SILOVO WHERE SMNUM = 101 AND SILONUM = 0");
  Exec("INSERT INTO SILOVO (SMNUM, SILONUM, VIDOPL, CHECKTYPE, LITRE, KG, SUMMA) VALUES "
       "(101, 0, 0, 0, 1234.567, 345.678, 1427.705)");
  Exec("INSERT INTO SILOVO (SMNUM, SILONUM, VIDOPL, CHECKTYPE, LITRE, KG, SUMMA) VALUES "
       "(101, 0, 2, 2, 279.268, 436.397, 1000)");
  const auto rows = Rows(ShiftReport(101, 101, Paired({{6, TestForm("Movement.frm"), ""}})), 18);
  const auto tank = std::find_if(rows.begin(), rows.end(), [](const auto& r) { return r[0] == "1"; });
  ASSERT_NE(tank, rows.end());
  // RNR, Itog, ItogKg, ItogS
  EXPECT_EQ(std::vector<std::string>({(*tank)[9], (*tank)[13], (*tank)[14], (*tank)[15]}),
            (std::vector<std::string>{"1427,71", "1513,83", "782,07", "2427,71"}));
}

TEST_F(NonStdSections, ReceiptRowsGroupsAndTotals) {
  const std::string text = Kind(5, 101, 103, "PrxAll.frm", "PrxAll.html");
  std::vector<std::string> keys, worked;
  for (const auto& r : Rows(text, 20)) {
    if (!r[0].empty()) keys.push_back(r[0] + "/" + r[1]);
    if (r[1] == "Итого:") keys.push_back("total");
    // The row mass in the text as in the HTML: the waybill's 3 760 kg.
    if (r[3] == "5001" || r[3] == "5002") worked.push_back(r[12] + "/" + r[13] + "/" + r[19]);
  }
  EXPECT_EQ(keys,
            (std::vector<std::string>{"А123ВС77/АИ-92", "А123ВС77/АИ-92", "А123ВС77/АИ-92", "total",
                                      "А123ВС77/ДТ", "total", "а123вс77/АИ-92", "total"}));
  std::sort(worked.begin(), worked.end());
  EXPECT_EQ(worked, (std::vector<std::string>{"3760,00/1496,48/3756,24", "3760,00/2253,00/3756,24",
                                              "7500,00/7485,00/7500,00"}))
      << text;
  std::map<std::string, std::string> ttnDates;  // 0.5 and NULL: no date
  for (const auto& r : HtmlCells())
    if (r.size() == 14 && !r[3].empty()) ttnDates[r[3]] += r[5] + ";";
  EXPECT_EQ(ttnDates,
            (std::map<std::string, std::string>{
                {"5001", "31.03.2024;"}, {"5002", ";;"}, {"5003", ";"}, {"5004", "01.04.2024;"}}));
  // No rows: no group total, a grand total of zeros.
  const std::string none = Kind(5, 200, 200, "PrxAll.frm", "PrxAll.html");
  EXPECT_EQ(Rows(none, 20).size(), 1u) << none;
  EXPECT_EQ(Rows(none, 6),
            std::vector<std::vector<std::string>>(1, std::vector<std::string>(6, "0,00")));
}

TEST_F(NonStdSections, TextVersionsAndNotices) {
  const std::pair<const char*, int> files[] = {{"nonstd-110.txt", 10},
                                               {"receipts-102.txt", 5},
                                               {"movement-110.txt", 6},
                                               {"cashless-110.txt", 7}};
  for (const auto& [file, kind] : files)
    EXPECT_EQ(ShiftReport(kind == 5 ? 102 : 110, kind == 5 ? 102 : 110, Paired({{kind, "", ""}})),
              ExpectedShiftText(file))
        << file;
  const std::string movement =
      "\n\rФорма \"Движение НП\" из новой версии построителя отчетов исключена. Используйте "
      "вместо нее дополнительную копию шаблона Информации о резервуарах, присоединяемую к "
      "сменному отчету в окне Свойств.";
  const std::string cashless =
      "\r\nФорма \"Расшифровка реализации по б/н\" из новой версии построителя отчетов "
      "исключена. Используйте вместо нее дополнительную копию шаблона Финансового отчета, "
      "присоединяемую к сменному отчету в окне Свойств.";
  ShiftReport(110, 110, Paired({{6, "", "Информация о резервуарах.html"}, {7, "", ""}}));
  EXPECT_EQ(Cp1251ToUtf8(Html()), movement + cashless);
  // An empty range: head and tail, ItogoRub 0, the notice.
  const std::string empty = ShiftReport(200, 200, Paired({{6, TestForm("Movement.frm"), ""}}));
  EXPECT_EQ(Lines(empty).front(), "head");
  EXPECT_EQ(Rows(empty, 2), std::vector<std::vector<std::string>>(1, {"0", ""}));
  EXPECT_EQ(Cp1251ToUtf8(Html()), movement);
}

TEST_F(NonStdSections, RequestLayoutsAndCodes) {
  const Variant a = V("a"), b = V("b");
  std::vector<Variant> order;
  for (int k : {0, 0, 0, 0, 0, 1, 2, 3, 0, 0, 4, 0, 5}) order.emplace_back(k);
  const std::pair<Variant, std::vector<const char*>> cases[] = {
      {VarArrayOf(order), {"5001", "Движение", "безналичному", "СМЕННЫЙ ОТЧЕТ", "5011"}},
      {Paired({{12, "", "Расшифровка откачки топлива.html"},
               {10, "", "Финансовый отчет нестандартный.html"}}),
       {"5011", "СМЕННЫЙ ОТЧЕТ"}},
      {A({a, Variant(6), V("Smena5.FRM"), b, Variant(7), V("Smena6.FRM")}),
       {"Движение", "безналичному"}},
      {A({a, Variant(5), V("s:\\FUEL\\FORMS\\REPORT\\Smena4.FRM"), b, Variant(6),
          V("S:\\FUEL\\FORMS\\REPORT\\Smena5.FRM")}),
       {"5001", "Движение"}},
      // Kinds 6 and 7 read a form named on another drive on drive C.
      {A({a, Variant(7), V("D:\\FUEL\\FORMS\\REPORT\\Smena6.FRM"), b, Variant(6),
          V("e:\\FUEL\\FORMS\\REPORT\\Smena5.FRM")}),
       {"безналичному", "Движение"}},
  };
  for (const auto& [sections, marks] : cases) {
    const std::string text = ShiftReport(101, 103, sections);
    std::size_t at = 0;
    for (const char* mark : marks) {
      at = text.find(mark, at);
      EXPECT_NE(at, std::string::npos) << mark << "\n" << text;
    }
    EXPECT_EQ(text.find("Ошибка"), std::string::npos) << text;
  }
  // The trailing elements: the office flag reads cnf.ini's office switch.
  host->Set(56, Variant(0));
  Cnf("[Misc]\nOfficeReportsType=1\n");
  const Variant form = V(TestForm("PrxAll.frm"));
  for (bool flag : {true, false}) {
    const std::string text =
        Report('-', A({Variant(101), Variant(103), A({a, Variant(5), form}), Variant(-1),
                       Variant(0), V(""), Variant(flag), Variant(), Variant(0), Variant()}));
    EXPECT_EQ(text.find("5005") != std::string::npos, flag) << text;
  }
  // The open shift: PRX of the host's shift number.
  SetOpenShiftFill();
  const std::string open = ShiftReport(-1, -1, A({a, Variant(5), form}));
  EXPECT_NE(open.find("5007"), std::string::npos) << open;
  EXPECT_EQ(open.find("5004"), std::string::npos) << open;
}

TEST_F(NonStdSections, FailuresAndBadInput) {
  root.WriteFile("c/FUEL/FORMS/WEBREP/bad.html",
                 "<table>\n<tr><td>&lt;#Group&gt;</td></tr>\n<tr><td>&lt;#Repeat&gt;</td></tr>\n"
                 "<tr><td>&lt;#V&gt;<tr></td></tr>\n<tr><td>&lt;#EndRepeat&gt;</td></tr>\n"
                 "<tr><td>&lt;#EndGroup&gt;</td></tr>\n</table>");
  root.WriteFile("c/FUEL/FORMS/REPORT/Keyword.FRM", "@Page\n@Nonsense\n@EndPage\n");
  const std::string garbage = root.Path() + "/garbage.frm";
  WriteFileBytes(garbage, std::string("\x00\x01\xff@Group\x00~X", 11));
  const std::string nonStd = "Ошибка при формировании нестандартного финансового отчета: ";
  const std::string prx = "Ошибка при формировании отчета \"Поступление/Откачка НП\": ";
  const std::string move = "Ошибка при формировании отчета \"Движение НП\": ";
  const std::string cash = "Ошибка при формировании отчета \"Расшифровка реализации по б/н\": ";
  struct Case {
    int kind, from, to;
    std::string form, html, prefix;  // prefix "": no error
  };
  const Case cases[] = {
      {10, 110, 110, "NoSuch.FRM", "", nonStd},
      {5, 110, 110, "", "bad.html", prx},
      {12, 110, 110, "", "", prx},  // PRX dropped
      {6, 110, 110, "Keyword.FRM", "", move},
      {7, 110, 110, "NoSuch.FRM", "", cash},
      {6, 110, 110, "D:", "", move},
      {7, 110, 110, "forms\\Smena6.FRM", "", cash},
      {6, 110, 110, garbage, "", move},
      {10, 110, 110, garbage, "", nonStd},
      {6, 110, 110, "C:/FUEL/FORMS/REPORT/Smena5.FRM", "", ""},
      {7, 110, 110, "D:\\FUEL/FORMS\\REPORT/Smena6.FRM", "", ""},
      {5, 103, 101, "", "", ""},
      {10, 111, 110, "", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.kind) + " " + c.form + c.html);
    FreshDatabase();
    if (c.kind == 12) Exec("DROP TABLE PRX");
    root.WriteFile("c/FUEL/LogFiles/Reports.log", "");
    const TestHost::Reply r =
        Request('-', A({Variant(c.from), Variant(c.to),
                        Paired({{c.kind, c.form, c.html}, {6, TestForm("Movement.frm"), ""}})}));
    EXPECT_EQ(r.Result, TV_REPORT_TRUE);
    EXPECT_EQ(Rows(r.Text, 18).size(), c.from <= c.to ? 4u : 0u)
        << r.Text;  // the next section whole
    if (c.prefix.empty()) {
      EXPECT_EQ(r.Text.find("Ошибка"), std::string::npos) << r.Text;
      continue;
    }
    EXPECT_EQ(r.Text.rfind(c.prefix, 0), 0u) << r.Text;
    const std::string error = r.Text.substr(0, r.Text.find("head\r\n"));
    EXPECT_EQ(Cp1251ToUtf8(Html()).rfind("<br><br>" + error + "<br><br>\n\r", 0), 0u);
    const std::string log = Cp1251ToUtf8(Log());
    EXPECT_NE(log.find(c.prefix), std::string::npos);
    EXPECT_EQ(log.find(c.prefix), log.rfind(c.prefix)) << log;  // one line
  }
  EXPECT_EQ(TempFiles(), 0);
  // PRX rows with NULLs read as zeros and blanks; long names stay whole.
  Exec("INSERT INTO PRX (OPNUM, SMNUM, PRIHOD, COR) VALUES (6001, 102, 1, 0)");
  Exec(
      "INSERT INTO PRX (OPNUM, SMNUM, PRIHOD, CARNAME, GSMNAME, CARVOLTTN, UDVES) VALUES (6002, "
      "102, 1, 'Ж999ЖЖ999 прицеп 123', 'Дизельное топливо ЕВ', 100, 0.8)");
  const std::string text = Kind(5, 102, 102, "PrxAll.frm", "PrxAll.html");
  std::set<std::string> rows;
  for (const auto& r : Rows(text, 20))
    rows.insert(r[0] + "/" + r[1] + "/" + r[3] + "/" + r[4] + "/" + r[12]);
  EXPECT_EQ(rows.count("//6001/30.12.1899/0,00"), 1u) << text;
  EXPECT_EQ(rows.count("Ж999ЖЖ999 прицеп 123/Дизельное топливо ЕВ/6002/30.12.1899/80,00"), 1u)
      << text;
}

TEST_F(NonStdSections, HtmlHoldsTheTextsRowsAndTotals) {
  struct Case {
    int kind, from, to;
    const char* html;
    std::size_t textCols, htmlCols, ta, tb, ha, hb;  // column counts, two numbers in each
    std::vector<const char*> vars;
  };
  const std::vector<const char*> prxVars = {"CarName", "GSM",  "S", "NDoc", "PrName", "Vol",
                                            "Den",     "Mass", "T", "iVol", "iMass"};
  const Case cases[] = {
      {10,
       110,
       110,
       "Финансовый отчет нестандартный.html",
       21,
       20,
       4,
       7,
       4,
       7,
       {"SmNum",  "Operator", "BegTime", "EndTime", "GSM", "CBL",   "SPrK",    "N",
        "TrkEnd", "TrkBeg",   "TrkRsx",  "SiloSm",  "SmM", "BNalL", "NalL",    "Pri",
        "Summa",  "R",        "SEndM",   "Ol",      "CEL", "REndL", "ItogoRub"}},
      {5, 101, 103, "Расшифровка поступления топлива.html", 10, 9, 6, 8, 5, 7, prxVars},
      {12, 101, 103, "Расшифровка откачки топлива.html", 10, 9, 6, 8, 5, 7, prxVars},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    const std::string text = ShiftReport(c.from, c.to, Paired({{c.kind, "", c.html}}));
    const std::string html = Cp1251ToUtf8(Html());
    for (const char* var : c.vars)
      EXPECT_EQ(html.find("&lt;#" + std::string(var)), std::string::npos) << var;
    std::multiset<std::string> textRows, htmlRows;
    const auto add = [](std::multiset<std::string>& to, const std::vector<std::string>& cols,
                        std::size_t a, std::size_t b) {
      if (!std::isnan(Num(cols[a])))
        to.insert(std::to_string(Num(cols[a])) + "/" + std::to_string(Num(cols[b])));
    };
    for (const std::string& line : Lines(Plain(text))) {
      std::vector<std::string> cols;
      for (std::size_t s = 0, bar; (bar = line.find('|', s)) != std::string::npos; s = bar + 1)
        cols.push_back(line.substr(s, bar - s));
      if (cols.size() == c.textCols) add(textRows, cols, c.ta, c.tb);
    }
    for (const auto& row : HtmlCells())
      if (row.size() == c.htmlCols) add(htmlRows, row, c.ha, c.hb);
    EXPECT_GE(textRows.size(), 2u);
    EXPECT_EQ(textRows, htmlRows);
  }
  // A look at a paired report of all five sections: a PNG in the build tree.
  if (!HaveCommand("chromium") || !HaveCommand("python3"))
    GTEST_SKIP() << "no chromium or python3: no picture";
  ShiftReport(101, 103,
              Paired({{10, "", "Финансовый отчет нестандартный.html"},
                      {5, "", "Расшифровка поступления топлива.html"},
                      {12, "", "Расшифровка откачки топлива.html"},
                      {6, "", ""},
                      {7, "", ""}}));
  const std::string dir = TOLVAREN_SHIFT_SCREENSHOT_DIR;
  std::filesystem::create_directories(dir);
  WriteFileBytes(dir + "/shift-nonstd-sections.html", Html());
  ASSERT_TRUE(RenderPagePng(dir + "/shift-nonstd-sections.html", dir + "/shift-nonstd-sections.png",
                            dir + "/chromium.log"));
  std::string summary;
  EXPECT_EQ(CheckPng(dir + "/shift-nonstd-sections.png", summary), 0) << summary;
}

}  // namespace
}  // namespace tv::test
