// The header, footer, dispenser and tank sections on the sample shifts:
// every figure against SQL computed here, the worked values by hand,
// hand-checked text files and the HTML version through Python's parser.

#include <cmath>

#include "platform/os/Files.h"
#include "platform/SysUtils.h"
#include "tests/reports/shift/ShiftFixture.h"

namespace tv::test {
namespace {

Variant V(const std::string& utf8) { return Variant(Utf8ToCp1251(utf8)); }

std::string TrimBlanks(const std::string& s) {
  const std::size_t b = s.find_first_not_of(' ');
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

std::string Form(const std::string& name) { return TestForm(name); }

class ShiftSections : public ShiftFixture {
 protected:
  // The dispenser rows of the TrkAll form by "TN/GN/fuel".
  std::map<std::string, std::vector<std::string>> TrkRows(int from, int to) {
    std::map<std::string, std::vector<std::string>> rows;
    for (auto& f : Fields(ShiftReport(from, to, A({V("a"), Variant(2), V(Form("TrkAll.frm"))}))))
      if (f.size() == 26) rows[f[0] + "/" + f[2] + "/" + f[3]] = f;
    return rows;
  }
  std::map<std::string, std::vector<std::string>> SiloRows(int from, int to) {
    std::map<std::string, std::vector<std::string>> rows;
    for (auto& f : Fields(ShiftReport(from, to, A({V("a"), Variant(3), V(Form("SiloAll.frm"))}))))
      if (f.size() == 27) rows[f[0]] = f;
    return rows;
  }
};

TEST_F(ShiftSections, WorkedNozzle) {
  const auto rows = TrkRows(101, 101);
  ASSERT_EQ(rows.count("1/1/АИ-92"), 1u);
  const std::vector<std::string>& r = rows.at("1/1/АИ-92");
  // TrkSm, TrkSmK, TrkSmM, TrkSmSum, PL, TrkSmenaR, TrkEl, BalEl, BalEp, Bal, REL, REP, Flow
  const std::vector<std::string> expected = {
      "1 000,00", "750,50", "10,00", "1 010,00", "2,50", "50 000,00", "1 005,00",
      "7,00",     "5,00",   "7,00",  "50 350,00", "50 250,00", "2,00"};
  std::vector<std::string> got(r.begin() + 11, r.begin() + 24);
  EXPECT_EQ(got, expected);
  EXPECT_EQ(r[5], "0,7505");
}

// Values on a half of their last decimal, worked by hand: the figure is
// evaluated in 80-bit extended precision and stored as a double only where
// its variable is a Double, so the printed side of the half follows the
// exact binary value so computed.
TEST_F(ShiftSections, DispenserCanLitresOnAHalf) {
  // PL = volume x 0.0025 in extended: 702 l give 1.755 (as a double
  // 1.75499...), which prints 1,76.
  Exec("UPDATE SMTRK SET TRKSMENA = CASE TRKINDEX * 10 + PISTOLET WHEN 11 THEN 702 WHEN 12 THEN "
       "1002 WHEN 21 THEN 6 WHEN 22 THEN 1802 WHEN 31 THEN 3002 ELSE 18 END WHERE SMNUM = 101");
  const std::map<std::string, std::string> expected = {
      {"1/1/АИ-92", "1,76"}, {"1/2/АИ-95", "2,51"}, {"2/1/Дизельное топливо ДТ", "0,02"},
      {"2/2/АИ-92", "4,51"}, {"3/1/АИ-95", "7,51"}, {"3/2/Дизельное топливо ДТ", "0,05"}};
  const auto rows = TrkRows(101, 101);
  for (const auto& [nozzle, pl] : expected) EXPECT_EQ(rows.at(nozzle).at(15), pl) << nozzle;
}

TEST_F(ShiftSections, TankFiguresOnAHalf) {
  // Tank 1: cash and cashless litres (1234.567 + 279.268 = 1513.835) and
  // kilograms (345.678 + 436.397 = 782.075) summed in extended; free volume
  // 10000 - 396.425. Tank 2: end stock minus calculated end stock
  // (3953.768 - 678.733). Tank 3: the measured change less the calculated
  // one, (9052.025 - 110.844) - (2690.351 - 5380.185). Tank 4: the begin
  // density 0.77645 at 17.4 °C reduced to 20 °C (0.77404999... in extended).
  for (const char* statement : {
           "DELETE FROM SILOVO WHERE SMNUM = 101 AND SILONUM = 0",
           "INSERT INTO SILOVO (SMNUM, SILONUM, VIDOPL, CHECKTYPE, LITRE, KG, SUMMA) VALUES "
           "(101, 0, 0, 0, 1234.567, 345.678, 1)",
           "INSERT INTO SILOVO (SMNUM, SILONUM, VIDOPL, CHECKTYPE, LITRE, KG, SUMMA) VALUES "
           "(101, 0, 2, 2, 279.268, 436.397, 1)",
           "UPDATE SMSILO SET MAXVOLUME = 10000, SILOENDL = 396.425 WHERE SMNUM = 101 AND SILONUM = 0",
           "UPDATE SMSILO SET SILOENDL = 3953.768, SILOENDCALCL = 678.733 WHERE SMNUM = 101 AND "
           "SILONUM = 1",
           "UPDATE SMSILO SET SILOENDL = 9052.025, SILOBEGL = 110.844, SILOENDCALCL = 2690.351, "
           "SILOBEGCALCL = 5380.185 WHERE SMNUM = 101 AND SILONUM = 2",
           "UPDATE SMSILO SET UDVESBEG = 0.77645, SILOTEMPER = 17.4 WHERE SMNUM = 101 AND SILONUM = 3"})
    Exec(statement);
  Cnf("[SmenaRep]\nRoundRVal=1\n");
  std::map<std::string, std::vector<std::string>> rows;
  for (auto& f : Fields(ShiftReport(101, 101, A({V("a"), Variant(3), V(Form("SiloTies.frm"))}))))
    if (f.size() == 7) rows[f[0]] = f;
  struct Case {
    const char* tank;
    int field;  // Itog, IRK, FreeV, BL, REndL, P20B
    const char* value;
  };
  const Case cases[] = {{"1", 1, "1513,83"}, {"1", 2, "782,07"}, {"1", 3, "9603,57"},
                        {"2", 4, "3275,04"}, {"3", 5, "11631,01"}, {"4", 6, "0,7740"}};
  for (const Case& c : cases) EXPECT_EQ(rows[c.tank].at(c.field), c.value) << c.tank << " " << c.field;
}

TEST_F(ShiftSections, DispensersOfARangeAgainstSql) {
  const auto rows = TrkRows(101, 103);
  const std::vector<IsqlRow> sql = Sql(
      "SELECT t.TRKINDEX, t.PISTOLET, t.GSMNAME, SUM(t.TRKSMENA) AS SM, SUM(t.TRKSMENAM) AS M, "
      "SUM(t.TRKSMENA * COALESCE(s.UDVES, 0)) AS K, SUM(ROUND(t.TRKSMENA * t.GSMPRICE, 4)) AS R, "
      "COALESCE(MAX(CASE WHEN t.SMNUM = 101 THEN t.TRKBEG END), 0) AS B, "
      "MAX(CASE WHEN t.SMNUM = 103 THEN t.TRKEND END) AS E "
      "FROM SMTRK t LEFT JOIN SMSILO s ON s.SMNUM = t.SMNUM AND s.SILONUM = t.SILONUM "
      "WHERE t.SMNUM BETWEEN 101 AND 103 GROUP BY 1, 2, 3");
  ASSERT_EQ(rows.size(), sql.size());
  for (const IsqlRow& s : sql) {
    const std::string key = s.at("TRKINDEX") + "/" + s.at("PISTOLET") + "/" + s.at("GSMNAME");
    SCOPED_TRACE(key);
    ASSERT_EQ(rows.count(key), 1u);
    const auto& r = rows.at(key);
    EXPECT_NEAR(Num(r[11]), std::stod(s.at("SM")), 0.005);
    EXPECT_NEAR(Num(r[12]), std::stod(s.at("K")), 0.005);
    EXPECT_NEAR(Num(r[13]), std::stod(s.at("M")), 0.005);
    EXPECT_NEAR(Num(r[16]), std::stod(s.at("R")), 0.005);
    EXPECT_EQ(Num(r[9]), std::stod(s.at("B")));
    EXPECT_EQ(Num(r[10]), std::stod(s.at("E")));
  }
  // Shift 103's row of a tank without an SMSILO row: density 0, one warning.
  EXPECT_EQ(rows.at("3/3/АИ-80")[5], "0,0000");
  const std::string log = Cp1251ToUtf8(Log());
  std::size_t warnings = 0;
  for (std::size_t p = log.find("FillTrkList -> Не найден резервуар №4"); p != std::string::npos;
       p = log.find("FillTrkList -> Не найден резервуар №4", p + 1))
    ++warnings;
  EXPECT_EQ(warnings, 1u) << log;
}

TEST_F(ShiftSections, TanksOfARangeAgainstSql) {
  Cnf("[SmenaRep]\nRoundRVal=1\n");
  const auto rows = SiloRows(101, 103);
  const std::vector<IsqlRow> sql = Sql(
      "SELECT s.SILONUM + 1 AS S, "
      "MAX(CASE WHEN s.SMNUM = 101 THEN s.SILOBEGL END) AS BOL, "
      "MAX(CASE WHEN s.SMNUM = 101 THEN s.SILOBEGL * s.UDVESBEG END) AS BOK, "
      "MAX(CASE WHEN s.SMNUM = 103 THEN s.SILOENDL END) AS EOL, "
      "MAX(CASE WHEN s.SMNUM = 103 THEN s.SILOENDL * s.UDVESEND END) AS EOK, "
      "SUM(s.SILOPRX) AS PRX, SUM(s.SILORASHL) AS RASH, "
      "SUM((s.SILOENDL - s.SILOBEGL) - (s.SILOENDCALCL - s.SILOBEGCALCL)) AS DL, "
      "SUM((s.SILOENDL * s.UDVESEND - s.SILOBEGL * s.UDVESBEG) - "
      "(s.SILOENDCALCKG - s.SILOBEGCALCKG)) AS DK, "
      "(SELECT SUM(v.LITRE) FROM SILOVO v WHERE v.SILONUM = s.SILONUM AND v.SMNUM BETWEEN 101 "
      "AND 103 AND v.CHECKTYPE = 0) AS NL, "
      "(SELECT SUM(v.SUMMA) FROM SILOVO v WHERE v.SILONUM = s.SILONUM AND v.SMNUM BETWEEN 101 "
      "AND 103 AND v.CHECKTYPE = 0) AS NR, "
      "(SELECT SUM(v.LITRE) FROM SILOVO v WHERE v.SILONUM = s.SILONUM AND v.SMNUM BETWEEN 101 "
      "AND 103 AND v.CHECKTYPE BETWEEN 1 AND 5) AS BL, "
      "(SELECT SUM(v.KG) FROM SILOVO v WHERE v.SILONUM = s.SILONUM AND v.SMNUM BETWEEN 101 "
      "AND 103 AND v.CHECKTYPE BETWEEN 1 AND 5) AS BK "
      "FROM SMSILO s WHERE s.SMNUM BETWEEN 101 AND 103 GROUP BY s.SILONUM");
  ASSERT_EQ(rows.size(), 4u);
  const auto n = [](const IsqlRow& s, const char* c) {
    return s.at(c).empty() ? 0.0 : std::stod(s.at(c));
  };
  for (const IsqlRow& s : sql) {
    SCOPED_TRACE(s.at("S"));
    const auto& r = rows.at(s.at("S"));
    // BOL, BOK, EOL, EOK, SPrx, Rash, RNL, RNR, RBL, RBK, REndL, REndK
    const std::pair<int, double> checks[] = {
        {5, n(s, "BOL")},  {6, n(s, "BOK")},  {7, n(s, "EOL")}, {8, n(s, "EOK")},
        {11, n(s, "PRX")}, {13, n(s, "RASH")}, {14, n(s, "NL")}, {16, n(s, "NR")},
        {17, n(s, "BL")},  {18, n(s, "BK")},   {20, n(s, "DL")}, {21, n(s, "DK")}};
    for (const auto& [field, value] : checks) EXPECT_NEAR(Num(r[field]), value, 0.0051) << field;
  }
  // Worked values: the end stock of 1 000 l at 30 °C at 20 °C, and the end
  // density of АИ-92 at 25 °C reduced to 20 °C.
  EXPECT_EQ(rows.at("3")[23], "992,22");
  EXPECT_EQ(rows.at("4")[23], "989,22");
  EXPECT_EQ(rows.at("1")[24], "0,7546");
  EXPECT_EQ(rows.at("1")[25], "0,7496");  // the begin density of the first shift
  EXPECT_EQ(rows.at("4")[3], "");         // no capacity: no Volume, no FreeV
  EXPECT_EQ(rows.at("4")[4], "");
  EXPECT_EQ(rows.at("1")[4], "11760,00");
}

TEST_F(ShiftSections, TextVersionsMatchTheCheckedFiles) {
  struct Case {
    const char* file;
    int from, to, kind;
    const char* cnf;
  };
  const Case cases[] = {
      {"header-101.txt", 101, 101, 0, "[SmenaRep]\nRoundRVal=1\n"},
      {"header-101-103.txt", 101, 103, 0, "[SmenaRep]\nRoundRVal=1\n"},
      {"footer-101.txt", 101, 101, 1, "[SmenaRep]\nRoundRVal=1\n"},
      {"dispensers-101-103.txt", 101, 103, 2, "[SmenaRep]\nRoundRVal=1\n"},
      {"tanks-101-103.txt", 101, 103, 3, "[SmenaRep]\nRoundRVal=1\n"},
      {"tanks-101-103-whole.txt", 101, 103, 3, "DecL2=3\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    Cnf(c.cnf);
    const std::string text =
        ShiftReport(c.from, c.to, A({V("a"), Variant(c.kind), V(c.kind == 0   ? "SmenaBeg.FRM"
                                                                 : c.kind == 1 ? "SmenaEnd.FRM"
                                                                 : c.kind == 2 ? "Smena1.FRM"
                                                                               : "Smena2.FRM")}));
    EXPECT_EQ(text, ExpectedShiftText(c.file));
  }
}

TEST_F(ShiftSections, HtmlRowsMatchTheTextVersion) {
  Cnf("RezGrGSM=1\n[SmenaRep]\nRoundRVal=1\n");
  const std::string text = ShiftReport(101, 101,
              Paired({{0, "", "Шапка сменного отчета.html"},
                      {2, "", "Информация о ТРК.html"},
                      {3, "", "Информация о резервуарах.html"}}));
  const std::string html = Cp1251ToUtf8(Html());
  for (const char* name :
       {"SmNum", "Date", "DateT", "Beg", "BegT", "End", "EndT", "TN", "GSM", "Price", "TrkBeg",
        "TrkEnd", "TrkSm", "TrkSmK", "TrkSmM", "S", "BOL", "BOK", "BOR", "BOKc", "PL", "PK", "RNL",
        "RNR", "RBL", "RBR", "IRL", "IRR", "Lv", "Wt", "Vol", "T", "Plt", "EOL", "EOK", "EOR",
        "EOKc", "BL", "BLK"}) {
    const std::string placeholder = "&lt;#" + std::string(name) + "&gt;";
    EXPECT_EQ(html.find(placeholder), std::string::npos) << name;
  }
  // The text version's dispenser rows: "|TN|GSM|Price|TrkBeg|TrkEnd|TrkSm|TrkSmK|TrkSmM|".
  std::vector<std::vector<double>> textRows;
  for (const std::string& line : Lines(text)) {
    std::vector<std::string> c;
    std::size_t start = 1;
    for (std::size_t bar = line.find('|', 1); bar != std::string::npos; bar = line.find('|', start)) {
      c.push_back(TrimBlanks(line.substr(start, bar - start)));
      start = bar + 1;
    }
    if (c.size() == 8 && !std::isnan(Num(c[0])) && !std::isnan(Num(c[5])))
      textRows.push_back({Num(c[3]), Num(c[4]), Num(c[5]), Num(c[6]), Num(c[7])});
  }
  std::vector<std::vector<double>> htmlRows;
  int nozzles = 0, tanks = 0, groups = 0;
  for (const auto& row : HtmlCells(true)) {
    if (row.size() == 8 && (row[0] == "1" || row[0] == "2" || row[0] == "3")) {
      ++nozzles;
      htmlRows.push_back({Num(row[3]), Num(row[4]), Num(row[5]), Num(row[6]), Num(row[7])});
    }
    if (row.size() >= 20 && row[0].size() == 1 && std::isdigit(static_cast<unsigned char>(row[0][0])))
      ++tanks;
    if (row.size() >= 20 && row[0] == "Итого:" && !row[1].empty()) ++groups;
  }
  EXPECT_EQ(nozzles, 6);
  // The diesel's long name runs over its column in the text form, so only
  // the other rows read back from the text.
  EXPECT_EQ(textRows.size(), 4u);
  for (const auto& row : textRows)
    EXPECT_NE(std::find(htmlRows.begin(), htmlRows.end(), row), htmlRows.end());
  EXPECT_EQ(tanks, 4);
  EXPECT_EQ(groups, 3);  // АИ-92 with аи-92, АИ-95, the diesel
}

TEST_F(ShiftSections, TotalsRowCarriesTheTanksBlockedAtTheEnd) {
  // The built-in tank template with the four blocked-stock cells in its
  // totals row.
  std::string tpl = ReadFileBytes(
      Utf8ToCp1251(std::string(TOLVAREN_SOURCE_DIR) + "/templates/web/Информация о резервуарах.html"));
  const std::string filler = "<td colspan=9 valign=middle bgcolor=#c0c0c0><font size=2>&nbsp;</font></td>";
  const std::size_t at = tpl.find(filler);
  ASSERT_NE(at, std::string::npos);
  std::string cells;
  for (const char* name : {"IBLKCL", "IBLKCKg", "IBLKFL", "IBLKFKg"})
    cells += "<td>&lt;#" + std::string(name) + "&gt;</td>";
  tpl.replace(at, filler.size(), cells + "<td colspan=5>&nbsp;</td>");
  root.WriteFile("c/FUEL/FORMS/WEBREP/blocked.html", Utf8ToCp1251(tpl));
  Cnf("[SmenaRep]\nRoundRVal=1\n");
  ShiftReport(101, 101, Paired({{3, "", "blocked.html"}}));
  std::vector<std::string> totals;
  for (const auto& row : HtmlCells(true))
    if (!row.empty() && row[0] == "Итого:") totals = row;
  ASSERT_EQ(totals.size(), 16u);
  // Tank 2 (stored 1) alone is blocked at the end.
  const auto b = SqlNumbers(
      "SELECT SILOENDCALCL AS CL, SILOENDCALCKG AS CK, SILOENDL AS FL, SILOENDL * UDVESEND AS FK "
      "FROM SMSILO WHERE SMNUM = 101 AND SILONUM = 1");
  EXPECT_NEAR(Num(totals[9]), b.at("CL"), 0.005);
  EXPECT_NEAR(Num(totals[10]), b.at("CK"), 0.005);
  EXPECT_NEAR(Num(totals[11]), b.at("FL"), 0.005);
  EXPECT_NEAR(Num(totals[12]), b.at("FK"), 0.005);
}

TEST_F(ShiftSections, SortedTanksInEveryTankSection) {
  Exec("INSERT INTO SMSILO (SMNUM, SILONUM, SILONAME, GSMNAME, GSMPRICE, MAXVOLUME, SILOBEGL, "
       "SILOENDL, UDVES, UDVESBEG, UDVESEND, SILOTEMPER) VALUES (101, 7, 'Резервуар 8', 'АИ-80', "
       "45, 5000, 100, 90, 0.72, 0.72, 0.72, 15)");
  Cnf("[SmenaRep]\nSiloReportSortField=1\nRoundRVal=1\n");
  const std::string text = ShiftReport(
      101, 101, Paired({{3, Form("SiloAll.frm"), ""}, {2, "", ""}, {3, Form("SiloAll.frm"), ""}}));
  std::string order;
  for (const auto& f : Fields(text))
    if (f.size() == 27) order += f[0];
  EXPECT_EQ(order, "81234" "81234");
}

TEST_F(ShiftSections, OfficeModeCountsTheCorrections) {
  host->Set(56, Variant(0));
  host->Set(8, Variant(true));
  const auto trk = TrkRows(102, 102);
  const auto& second = trk.at("2/1/Дизельное топливо ДТ");
  EXPECT_EQ(second[6], "13 200");  // TrkBeg: the second counter of shift 102
  EXPECT_EQ(second[9], "199 701,00");  // TrkB: the first counter
  const auto sm = SqlNumbers(
      "SELECT TRKSMENA + TRKSMENACOR AS SM FROM SMTRK WHERE SMNUM = 102 AND TRKINDEX = 2 AND "
      "PISTOLET = 1");
  EXPECT_NEAR(Num(second[11]), sm.at("SM"), 0.005);
  // The "0-0" correction row of tank 2 in shift 103 (no correction rows in
  // that shift): its correction volume and the mass of that volume alone.
  Cnf("[SmenaRep]\nRoundRVal=1\n");
  const auto silo = SiloRows(103, 103);
  const auto cash = SqlNumbers(
      "SELECT SUM(LITRE) + 5 AS L, SUM(KG) + 5 * 0.755 AS K FROM SILOVO WHERE SMNUM = 103 AND "
      "SILONUM = 1 AND CHECKTYPE = 0");
  EXPECT_NEAR(Num(silo.at("2")[14]), cash.at("L"), 0.005);
  EXPECT_NEAR(Num(silo.at("2")[15]), cash.at("K"), 0.005);
}

}  // namespace
}  // namespace tv::test
