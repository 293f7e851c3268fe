// The working lists of the close-of-shift report built directly from
// memory data sets made here, without a database or a host.

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "foundation/ReportConsts.h"
#include "foundation/ReportSettings.h"
#include "platform/text/Cp1251.h"
#include "platform/os/Files.h"
#include "reports/shift/CloseSmenaRep.h"
#include "tests/support/TempRoot.h"

namespace tv::test {
namespace {

using Row = std::map<std::string, Variant>;

// Opens `data` with the fields of the rows (floats unless named integer).
void Fill(TRxMemoryData& data, const std::vector<std::string>& fields, const std::vector<Row>& rows) {
  for (const std::string& f : fields) {
    const bool integer = f == "SMNUM" || f == "SILONUM" || f == "VIDOPL" || f == "CHECKTYPE" ||
                         f == "TRKINDEX" || f == "PISTOLET" || f == "BLOCKED" || f == "BEGBLOCKED";
    const bool text = f == "GSMNAME" || f == "SILONAME";
    data.FieldDefs().Add(f, text ? TFieldType::ftString : integer ? TFieldType::ftInteger
                                                               : TFieldType::ftFloat,
                         text ? 40 : 0);
  }
  data.Open();
  for (const Row& row : rows) {
    data.Append();
    for (const auto& [name, value] : row) data.FieldByName(name).SetValue(value);
    data.Post();
  }
}

const std::vector<std::string> SiloFields = {
    "SMNUM", "SILONUM", "SILONAME", "GSMNAME", "GSMPRICE", "MAXVOLUME", "SILOBEGL", "SILOBEG",
    "SILOBEG20L", "SILOBEGCALC20L", "SILOBEGCALCKG", "SILOBEGCALCL", "UDVESBEG", "UDVES",
    "UDVESEND", "SILOWASSER", "SILOTEMPER", "SILOENDL", "SILOEND", "SILOENDCALC", "SILOENDCALCL",
    "SILOENDCALCKG", "SILOENDCALC20L", "SILOPRX", "SILOPRKG", "SILOPRX20", "PRXFACT", "PRXFACTKG",
    "SILODEBIT20", "SILORASHL", "SILORASHKG", "SILORASH20L", "SILORASHFACT", "SILORASHFACTKG"};
const std::vector<std::string> VOFields = {"SMNUM", "SILONUM", "VIDOPL", "CHECKTYPE",
                                           "LITRE", "KG",      "SUMMA"};
const std::vector<std::string> TrkFields = {
    "SMNUM", "TRKINDEX", "PISTOLET", "SILONUM", "GSMNAME", "GSMPRICE", "TRKBEG", "TRKEND",
    "TRK2BEG", "TRK2END", "BEGELCOUNTER", "ENDELCOUNTER", "ELCOUNTER", "TRKSMENA", "TRKSMENAM"};

Row Silo(int sm, int silo, const char* fuel, double price, double udVesBeg = 0.75) {
  return {{"SMNUM", Variant(sm)},          {"SILONUM", Variant(silo)},
          {"GSMNAME", Variant(Utf8ToCp1251(fuel))}, {"GSMPRICE", Variant(price)},
          {"UDVESBEG", Variant(udVesBeg)}, {"UDVES", Variant(0.75)}};
}
Row VO(int sm, int silo, int vo, int ct, double litre, double summa) {
  return {{"SMNUM", Variant(sm)},   {"SILONUM", Variant(silo)}, {"VIDOPL", Variant(vo)},
          {"CHECKTYPE", Variant(ct)}, {"LITRE", Variant(litre)}, {"KG", Variant(litre * 0.75)},
          {"SUMMA", Variant(summa)}};
}

class ShiftLists : public ::testing::Test {
 protected:
  // The office flag makes the office test read cnf.ini, which the alternative
  // templates being off skip: no host is asked.
  ShiftLists() : rep(nullptr, 101, 102, Variant(), -1, "", true, Variant(), Variant(), 0) {
    rep.SmSilo = std::make_unique<TRxMemoryData>("SmSilo");
    rep.SiloVO = std::make_unique<TRxMemoryData>("SiloVO");
    rep.SmTrk = std::make_unique<TRxMemoryData>("SmTrk");
    RepSmType = 0;
    FinPrcDelim = false;
  }
  ~ShiftLists() override {
    RepSmType = 0;
    FinPrcDelim = false;
  }
  const TSaleItem& Item(const TStringList& items, const std::string& key) {
    const int i = items.IndexOf(key);
    EXPECT_GE(i, 0) << key;
    return *static_cast<const TSaleItem*>(items.Objects(i < 0 ? 0 : i));
  }
  TempRoot root;
  TCloseSmenaRep rep;
};

TEST_F(ShiftLists, FuelKeysWithAndWithoutPriceSplit) {
  Fill(*rep.SmSilo, SiloFields,
       {Silo(101, 0, "АИ-92", 50), Silo(102, 0, "АИ-92", 51.5), Silo(101, 1, "АИ-95", 55.2)});
  Fill(*rep.SiloVO, VOFields, {});
  for (bool split : {false, true}) {
    FinPrcDelim = split;
    rep.CloseShiftData();
    rep.SmSilo = std::make_unique<TRxMemoryData>("SmSilo");
    Fill(*rep.SmSilo, SiloFields,
         {Silo(101, 1, "АИ-95", 55.2), Silo(101, 0, "АИ-92", 50), Silo(102, 0, "АИ-92", 51.5)});
    rep.SiloVO = std::make_unique<TRxMemoryData>("SiloVO");
    Fill(*rep.SiloVO, VOFields, {});
    rep.FillGsmList();
    EXPECT_EQ(Cp1251ToUtf8(rep.GsmList->Text()),
              split ? "АИ-92=50,00\r\nАИ-92=51,50\r\nАИ-95=55,20\r\n" : "АИ-92\r\nАИ-95\r\n");
  }
}

TEST_F(ShiftLists, MoneyOfTheSalesRowsByRepSmType) {
  struct Case {
    int type;
    double summa, summaPrice;
  };
  for (const Case& c : {Case{0, 480, 500}, Case{1, 500, 500}, Case{2, 0, 500}}) {
    SCOPED_TRACE(c.type);
    RepSmType = static_cast<uint8_t>(c.type);
    rep.CloseShiftData();
    rep.SmSilo = std::make_unique<TRxMemoryData>("SmSilo");
    rep.SiloVO = std::make_unique<TRxMemoryData>("SiloVO");
    Fill(*rep.SmSilo, SiloFields, {Silo(101, 0, "АИ-92", 50)});
    Fill(*rep.SiloVO, VOFields, {VO(101, 0, 2, 2, 10, 480)});
    rep.FillGsmList();
    const auto* gsm = static_cast<const TGSMInfo_2*>(rep.GsmList->Objects(0));
    const TSaleItem& item = Item(gsm->Items, "2-2");
    EXPECT_EQ(static_cast<double>(static_cast<long double>(item.Summa)), c.summa);
    EXPECT_EQ(static_cast<double>(static_cast<long double>(item.SummaPrice)), c.summaPrice);
  }
}

TEST_F(ShiftLists, OnePaymentTypeFromTwoTanksOfOneFuel) {
  Fill(*rep.SmSilo, SiloFields, {Silo(101, 0, "АИ-92", 50), Silo(101, 3, "АИ-92", 50)});
  Fill(*rep.SiloVO, VOFields,
       {VO(101, 0, 1, 1, 10, 500), VO(101, 3, 1, 1, 4, 200), VO(101, 0, 0, 0, 7, 350),
        VO(101, 0, 40, 7, 3, 150)});
  rep.FillGsmList();
  rep.FillSiloList();
  rep.FillGsmList2((1u << 1) | (1u << 2) | (1u << 3) | (1u << 4) | (1u << 5));
  ASSERT_EQ(rep.GsmList->Count(), 1);
  const auto* gsm = static_cast<const TGSMInfo_2*>(rep.GsmList->Objects(0));
  EXPECT_EQ(gsm->Items.Count(), 3);
  EXPECT_EQ(Item(gsm->Items, "1-1").Litre, 14);
  ASSERT_EQ(rep.SiloList->Count(), 2);
  EXPECT_EQ(Item(static_cast<TSiloInfo*>(rep.SiloList->Objects(0))->VORows, "1-1").Litre, 10);
  EXPECT_EQ(Item(static_cast<TSiloInfo*>(rep.SiloList->Objects(1))->VORows, "1-1").Litre, 4);
  // GsmList2: keyed by payment type; only check types 1 to 5 carry sums.
  const auto* split = static_cast<const TGSMInfo_2*>(rep.GsmList2->Objects(0));
  const TSaleItem& cashless = Item(split->Items, "1");
  EXPECT_EQ(cashless.Litre, 14);
  EXPECT_EQ(cashless.CheckType, 1);
  for (const char* key : {"0", "40"}) {
    EXPECT_EQ(Item(split->Items, key).Litre, 0) << key;
    EXPECT_EQ(Item(split->Items, key).CheckType, 6) << key;
  }
}

TEST_F(ShiftLists, RangeReadsBeginsFromTheFirstShiftAndEndsFromTheLast) {
  Fill(*rep.SmSilo, SiloFields,
       {Silo(101, 0, "АИ-92", 50, 0.7496), Silo(102, 0, "АИ-92", 51.5, 0.7500)});
  Fill(*rep.SiloVO, VOFields, {});
  Row first = {{"SMNUM", Variant(101)}, {"TRKINDEX", Variant(1)}, {"PISTOLET", Variant(1)},
               {"SILONUM", Variant(0)}, {"GSMNAME", Variant("АИ-92"_w)},
               {"TRK2BEG", Variant(10.0)}, {"TRK2END", Variant(20.0)},
               {"TRKSMENA", Variant(100.0)}};
  Row last = first;
  last["SMNUM"] = Variant(102);
  last["TRK2BEG"] = Variant(20.0);
  last["TRK2END"] = Variant(35.0);
  Fill(*rep.SmTrk, TrkFields, {first, last});
  rep.FillSiloList();
  rep.FillTrkList();
  const auto& silo = *static_cast<const TSiloInfo*>(rep.SiloList->Objects(0));
  EXPECT_EQ(silo.UdVesBeg, 0.7496);
  const auto& trk = *static_cast<const TTRKInfo*>(rep.TrkList->Objects(0));
  EXPECT_EQ(trk.Trk2Beg, 10);
  EXPECT_EQ(trk.Trk2End, 35);
  EXPECT_DOUBLE_EQ(trk.TrkSmenaK, 150);
}

TEST_F(ShiftLists, SettingsOfTheFinancialSection) {
  struct Case {
    const char* ini;  // [REPORTS] lines
    bool put;
    const char* names;
  };
  // "Касса 1" CR LF "Касса 2" in hexadecimal Windows-1251; a value that is no
  // hexadecimal text reads as "?" per pair, and the report goes on.
  const Case cases[] = {
      {"PutTovarSalesToFinReport=1\nKKMSectionNames=CAE0F1F1E020310D0ACAE0F1F1E02032\n", true,
       "Касса 1\r\nКасса 2\r\n"},
      {"KKMSectionNames=zz\n", false, "?\r\n"},
      {"", false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ini);
    root.WriteFile("c/WINDOWS/cnf.ini", std::string("[REPORTS]\n") + c.ini);
    rep.KKMSectionNames = std::make_unique<TStringList>();
    rep.PutTovarSalesToFinReport = false;
    rep.ReadConfigData();
    EXPECT_EQ(rep.PutTovarSalesToFinReport, c.put);
    EXPECT_EQ(Cp1251ToUtf8(rep.KKMSectionNames->Text()), c.names);
  }
}

TEST_F(ShiftLists, TankSortDoesNotOutliveTheSection) {
  Fill(*rep.SmSilo, SiloFields, {Silo(101, 0, "АИ-95", 55), Silo(101, 1, "АИ-80", 45)});
  Fill(*rep.SiloVO, VOFields, {});
  rep.FillSiloList();
  rep.SiloSortField = 1;
  rep.TempFileName = root.Path() + "/out.tmp";
  std::string text;
  rep.BuildSiloReport(std::string(TOLVAREN_TESTDATA_DIR) + "/reports/shift/SiloAll.frm", "", text);
  ASSERT_NE(text.find("АИ-80"_w), std::string::npos) << text;
  EXPECT_LT(text.find("АИ-80"_w), text.find("АИ-95"_w)) << text;
  EXPECT_EQ(Cp1251ToUtf8(rep.SiloList->Text()), "1_АИ-95\r\n2_АИ-80\r\n");
}

}  // namespace
}  // namespace tv::test
