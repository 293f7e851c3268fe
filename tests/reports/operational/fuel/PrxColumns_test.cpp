// The column values of the fuel operation reports from hand-worked rows,
// and the report's statement for each schema and kind.

#include "reports/operational/fuel/PrxColumns.h"

#include <gtest/gtest.h>

#include <map>

#include "engines/HTMLJet.h"
#include "platform/text/Cp1251.h"
#include "reports/operational/fuel/PrxReport.h"

namespace tv {
namespace {

// Operation 101 of db/add-sample-receipts: one tank, every column present.
TPrxRow Row101() {
  TPrxRow r;
  r.OpNum = 101;
  r.SmNum = 2;
  r.OpNumText = "101";
  r.SmNumText = "2";
  r.CarVolTtn = 5000;
  r.LvlBefore = 500;
  r.LvlAfter = 900;
  r.Fact1 = 4996.6;
  r.FactPlotn = 0.7451;
  r.UdVes = 0.745;
  r.Dopusk = 15;
  r.Temper = 6.5;
  r.Delta = -3.4;
  r.Operator = "Смирнова Е. В."_w;
  r.GsmName = "АИ-92"_w;
  r.SiloName = "Резервуар 1"_w;
  r.BegTime = EncodeDateTime(2024, 3, 2, 9, 11, 0, 0);
  r.EndTime = EncodeDateTime(2024, 3, 2, 9, 41, 0, 0);
  r.CarVolFact = 2995;
  r.CarUdVesFact = 0.7452;
  r.CarTemperFact = 7;
  r.CarName = "Н431КХ77"_w;
  r.Prim = "Гаврилов О. Ю."_w;
  r.TtnData = EncodeDateTime(2024, 3, 1, 20, 0, 0, 0);
  r.TtnNum = "НТ-101"_w;
  r.ContrName = "ООО НефтеСнаб"_w;
  r.ContrFullName = "ООО «НефтеСнаб»"_w;
  r.Inn = "7702000031";
  r.KpName = "АО Хранитель"_w;
  r.KpFullName = "АО «Хранитель»"_w;
  r.KpInn = "7702000032";
  r.NameSliv = "Колодец 1"_w;
  r.MassaFromTtn = 3725.25;
  return r;
}

class PrxColumnsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = HTMLJet::ReportFormatSettings();
    HTMLJet::ReportFormatSettings().ThousandSeparator = ' ';
  }
  void TearDown() override { HTMLJet::ReportFormatSettings() = saved_; }
  TFormatSettings saved_;
};

std::map<std::string, std::string> Html(const TPrxRow& r, TPrxColumnFlags flags, int count,
                                        double liter, double mass) {
  const auto v = PrxHtmlColumnValues(r, flags, count, Currency(liter), Currency(mass));
  std::map<std::string, std::string> m;
  for (int i = 0; i < PrxColumnListCount; ++i) m[PrxListNames[i].Name] = Cp1251ToUtf8(v[i]);
  return m;
}

std::map<std::string, std::string> Form(const TPrxRow& r) {
  std::map<std::string, std::string> m;
  for (const auto& [name, value] : PrxFormColumnValues(r)) m[name] = Cp1251ToUtf8(value);
  return m;
}

TEST_F(PrxColumnsTest, OneTankOperationEveryListByHand) {
  // Mass sum 4996.6 * 0.7451 = 3722.96666; truck litres times density
  // 4996.6 * 0.7452 = 3723.46632 -> 3723.4663; less the waybill 3725.25.
  const std::map<std::string, std::string> expected = {
      {"OpNum", "101"},         {"SmNum", "2"},           {"CarVolTtn", "5 000,00"},
      {"CarVolTtnRnd", "5 000"}, {"LvlBefore", "500"},     {"LvlAfter", "900"},
      {"Fact1", "4 996,60"},    {"FactPlotn", "0,7451"},  {"FactKg", "3 722,97"},
      {"FactLSum", "4 996,60"}, {"FactKgSum", "3 722,97"}, {"Ves", "3 725,25"},
      {"VesRnd", "3 725"},      {"Dopusk", "15,00"},      {"Temper", "6,5"},
      {"UdVes", "0,7450"},      {"Operator", "Смирнова Е. В."}, {"GSM", "АИ-92"},
      {"Date", "02.03.2024"},   {"SiloName", "Резервуар 1"}, {"DeltaPlus", ""},
      {"DeltaMinus", "3"},      {"DeltaKg", "-2,28"},     {"DeltaKgRnd", "-2"},
      {"DeltaKgCarPL", "-1,78"}, {"DeltaKgCarPLRnd", "-2"}, {"DeltaCarPL", "-2,39"},
      {"CFVol", "2 995,00"},    {"CFDen", "0,7452"},      {"CFTmp", "7,0"},
      {"CFVKg", "2 231,87"},    {"BegTime", "09:11"},     {"EndTime", "09:41"},
      {"Auto", "Н431КХ77"},     {"FIO", "Гаврилов О. Ю."}, {"TTNDate", "01.03.2024"},
      {"TTNNum", "НТ-101"},     {"Supplier", "ООО НефтеСнаб"}, {"SupFullName", "ООО «НефтеСнаб»"},
      {"INN", "7702000031"},    {"Keeper", "АО Хранитель"}, {"KeeperFullName", "АО «Хранитель»"},
      {"KeeperINN", "7702000032"}, {"NAMESLIV", "Колодец 1"}, {"TypeOper", "приём"}};
  EXPECT_EQ(Html(Row101(), {true, true}, 1, 4996.6, 4996.6 * 0.7451), expected);

  const std::map<std::string, std::string> form = {
      {"OpNum", "     101"},  {"SmNum", "       2"},     {"CarVolTtn", "    5000"},
      {"LvlBefore", "     500"}, {"LvlAfter", "     900"}, {"Fact1", "    4997"},
      {"FactPlotn", "  0,7451"}, {"FactKg", "    3723"},  {"Ves", "3725,000"},
      {"Dopusk", "   15,00"}, {"Temper", "       7"},    {"UdVes", "  0,7450"},
      {"Operator", "Смирнова Е. В."}, {"GSMName", "АИ-92"}, {"Date", "02.03.2024"},
      {"SiloName", "Резервуар 1"}, {"DeltaMinus", "       3"}, {"CFVol", "2995,0000"},
      {"CFDen", "  0,7452"},  {"CFTmp", "  7,0000"},     {"CFVKg", "2231,8740"},
      {"BegTime", "   09:11"}, {"EndTime", "   09:41"},  {"Auto", "Н431КХ77"},
      {"FIO", "Гаврилов О. Ю."}};
  EXPECT_EQ(Form(Row101()), form);  // the text's Ves ignores MASSAFROMTTN
}

TEST_F(PrxColumnsTest, ThreeTankOperationSpansItsOperationValues) {
  TPrxRow r = Row101();
  for (int count : {3, 0}) {
    const auto v = PrxHtmlColumnValues(r, {true, true}, count, Currency(9007.0L), Currency(6766.0L));
    for (int i = 0; i < PrxColumnListCount; ++i) {
      const std::string name = PrxListNames[i].Name;
      const auto alone = PrxHtmlColumnValues(r, {true, true}, 1, Currency(9007.0L),
                                             Currency(6766.0L))[i];
      if (PrxListNames[i].TankLevel)
        EXPECT_EQ(v[i], alone) << name;  // every column keeps its own tank values
      else if (count == 3)
        EXPECT_EQ(v[i], "%colspan=3%" + alone) << name;  // also an empty value: the prefix alone
      else
        EXPECT_EQ(v[i], "") << name;
    }
  }
  EXPECT_EQ(Html(r, {true, true}, 3, 1, 1).at("DeltaPlus"), "%colspan=3%");
}

TEST_F(PrxColumnsTest, EdgeRows) {
  struct Case {
    const char* what;
    void (*change)(TPrxRow&);
    TPrxColumnFlags flags;
    std::map<std::string, std::string> html;  // the entries that must read so
  };
  const Case cases[] = {
      {"DELTA 12 with CARVOLTTN 0", [](TPrxRow& r) { r.Delta = 12, r.CarVolTtn = 0; },
       {true, true}, {{"DeltaPlus", ""}, {"DeltaMinus", ""}}},
      {"DELTA 12 with a volume", [](TPrxRow& r) { r.Delta = 12; }, {true, true},
       {{"DeltaPlus", "12"}, {"DeltaMinus", ""}}},
      {"truck density 0", [](TPrxRow& r) { r.CarUdVesFact = 0; }, {true, true},
       {{"DeltaCarPL", " "}, {"DeltaKgCarPL", "-3 725,25"}, {"CFDen", "0,0000"},
        {"CFVKg", "0,00"}}},
      {"waybill mass 0", [](TPrxRow& r) { r.MassaFromTtn = 0; }, {true, true},
       {{"Ves", "3 725,00"}, {"VesRnd", "3 725"}}},
      {"no waybill-mass column", [](TPrxRow&) {}, {false, true}, {{"Ves", "3 725,00"}}},
      {"NULL TTNDATA", [](TPrxRow& r) { r.TtnData = 0; }, {true, true}, {{"TTNDate", ""}}},
      {"pumped out", [](TPrxRow& r) { r.TypeOper = 1; }, {true, true},
       {{"TypeOper", "откачка"}}},
      {"no TYPEOPER column", [](TPrxRow& r) { r.TypeOper = 1; }, {true, false},
       {{"TypeOper", ""}}},
      // The density is a four-decimal amount: 0.74502 is taken as 0.7450,
      // so 2000.5 litres weigh 1490.3725 kg, where the floating product
      // 1490.412510 would print 1 490,41.
      {"fixed-point density",
       [](TPrxRow& r) { r.CarVolFact = 2000.5, r.CarUdVesFact = 0.74502; }, {true, true},
       {{"CFVKg", "1 490,37"}, {"CFDen", "0,7450"}}},
  };
  for (const Case& c : cases) {
    TPrxRow r = Row101();
    c.change(r);
    const auto html = Html(r, c.flags, 1, 4996.6, 4996.6 * 0.7451);
    for (const auto& [name, value] : c.html) EXPECT_EQ(html.at(name), value) << c.what << ": " << name;
  }
  TPrxRow r = Row101();
  r.Delta = 12;
  r.CarVolTtn = 0;
  EXPECT_EQ(Form(r).count("DeltaPlus") + Form(r).count("DeltaMinus"), 0u);
  r.HasCarVolFact = false;
  EXPECT_EQ(Form(r).count("CFVol") + Form(r).count("CFVKg"), 0u);
  EXPECT_EQ(Form(r).at("CFDen"), "  0,7452");
}

TEST(PrxStatementTest, LinesForEachSchemaAndKind) {
  const std::string select =
      "SELECT p.OPNUM, p.\"DATE\", p.SMNUM, COALESCE(ps.SILONUM, p.SILONUM) AS SILONUM, "
      "p.CARVOLTTN, COALESCE(ps.SILONAME, p.SILONAME) AS SILONAME, p.OPERATOR, p.GSMNAME, "
      "COALESCE(ps.BEGTIME, p.BEGTIME) AS BEGTIME, COALESCE(ps.ENDTIME, p.ENDTIME) AS ENDTIME, "
      "COALESCE(ps.SILOLEVELBEFORE, p.SILOLEVELBEFORE) AS SILOLEVELBEFORE, "
      "COALESCE(ps.SILOLEVELAFTER, p.SILOLEVELAFTER) AS SILOLEVELAFTER, "
      "COALESCE(ps.FACTL, p.FACT1) AS FACT1, p.DOPUSK, p.DELTA, p.UDVES, p.TEMPER, p.PRIM, "
      "COALESCE(ps.FACTPLOTN, p.FACTPLOTN) AS FACTPLOTN, p.COR, p.PRIHOD, p.CARVOLFACT, "
      "p.CARUDVESFACT, p.CARTEMPERFACT, p.\"AUTO\", p.CARNAME, p.TTNDATA, p.CONTR_ID, p.TTNNUM, "
      "c.NAME AS CONTRNAME, c.FULLNAME AS CONTRFULLNAME, c.INN ";
  const std::string all = select +
                          " , p.NAMESLIV  , p.KEEPER_ID, kp.NAME AS KPNAME, kp.FULLNAME AS "
                          "KPFULLNAME, kp.INN AS KPINN  , p.MASSAFROMTTN  , ps.TYPEOPER ";
  const std::vector<std::string> joins = {"FROM Prx p", "LEFT JOIN PRXSILO ps ON p.OPNUM=ps.OPNUM",
                                          "LEFT JOIN CONTRAGENT c ON p.CONTR_ID=c.CONTR_ID"};
  using L = std::vector<std::string>;
  const auto cat = [](L a, const L& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  const TPrxSchema full{true, true, true, true, true};
  const L fullHead = cat(cat({all}, joins), {"LEFT JOIN CONTRAGENT kp ON p.KEEPER_ID=kp.CONTR_ID"});
  struct Case {
    TPrxSchema schema;
    TPrxSelection sel;
    L lines;
  };
  const Case cases[] = {
      // The receipt by the range 10 .. 20 with every optional column.
      {full, {10, 20, true, false, 0, false},
       cat(fullHead, {"WHERE p.OpNum >= 10 and p.OpNum <= 20", " and p.Prihod = 1",
                      " and p.\"AUTO\" <> 4", " and COALESCE(p.COR, 0) = 0",
                      "ORDER BY p.GsmName, p.OPNUM", ", 4"})},
      {full, {-1, 20, false, false, 9, true},
       cat(fullHead, {"WHERE p.SmNum = 9", " and p.Prihod = 0", " and p.\"AUTO\" <> 4",
                      "ORDER BY p.GsmName, p.OPNUM", ", 4"})},
      {full, {5, -1, true, true, 9, false},
       cat(fullHead, {"WHERE p.SmNum = 9", " and p.\"AUTO\" = 4", " and COALESCE(p.COR, 0) = 0",
                      "ORDER BY p.GsmName, p.OPNUM", ", ps.TYPEOPER DESC", ", 4"})},
      {{true, false, false, false, false}, {1, 2, false, true, 0, false},
       cat(cat({select}, joins), {"WHERE p.OpNum >= 1 and p.OpNum <= 2", " and p.\"AUTO\" = 4",
                                  " and COALESCE(p.COR, 0) = 0", "ORDER BY p.GsmName, p.OPNUM",
                                  ", 4"})},
      {{}, {1, 2, true, false, 0, false},
       {"SELECT p.* FROM Prx p", "WHERE p.OpNum >= 1 and p.OpNum <= 2", " and p.Prihod = 1",
        " and p.\"AUTO\" <> 4", " and COALESCE(p.COR, 0) = 0", "ORDER BY p.GsmName, p.OPNUM",
        ", p.SILONUM"}},
  };
  for (const Case& c : cases) EXPECT_EQ(PrxStatementLines(c.schema, c.sel), c.lines);
}

}  // namespace
}  // namespace tv
