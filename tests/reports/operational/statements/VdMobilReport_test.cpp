// The statements by car and by driver through the exported names (codes 13
// and '5') on the sample database with the vehicle sales: hand-checked
// texts, the listed sales against independent SQL for every filter, the
// money rule, the callers' parameter arrays and bad requests.

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "platform/SysUtils.h"
#include "tests/reports/operational/CardsFixture.h"
#include "tests/reports/operational/VehiclesFixture.h"

namespace tv::test {
namespace {

// One listed sale: trip sheet, litres and money as the HTML shows them.
struct Sale {
  std::string List, Liter, Summa;
  bool operator==(const Sale&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Sale& s) {
  return os << s.List << " " << s.Liter << " " << s.Summa;
}

// Money as the HTML cells show it: two decimals, "," and thousands blanks
// (the cell reader turns no-break spaces into blanks).
std::string Money(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.2f", v);
  std::string s = buf;
  const std::size_t dot = s.find('.');
  s[dot] = ',';
  for (int i = static_cast<int>(dot) - 3; i > (s[0] == '-' ? 1 : 0); i -= 3)
    s.insert(static_cast<std::size_t>(i), " ");
  return s;
}

class VdMobilReport : public VehiclesFixture {
 protected:
  // The sales rows of the HTML version and its totals row.
  std::vector<Sale> HtmlSales(std::vector<std::string>* totals = nullptr) {
    std::vector<Sale> sales;
    int list = -1, liter = -1, summa = -1;
    for (const auto& row : HtmlRows()) {
      for (std::size_t c = 0; c < row.size(); ++c) {
        if (row[c] == "Путевой лист") list = static_cast<int>(c);
        if (row[c].rfind("Количество", 0) == 0) liter = static_cast<int>(c);
        if (row[c].rfind("Сумма", 0) == 0) summa = static_cast<int>(c);
      }
      if (!row.empty() && row[0] == "Итого:" && totals) *totals = row;
      if (list < 0 || row.size() <= static_cast<std::size_t>(summa) || std::isnan(Num(row[0])))
        continue;
      sales.push_back({row[static_cast<std::size_t>(list)], row[static_cast<std::size_t>(liter)],
                       row[static_cast<std::size_t>(summa)]});
    }
    return sales;
  }
  // The sales of the period that `where` selects, in the report's order.
  std::vector<Sale> SqlSales(const std::string& where) {
    std::vector<Sale> sales;
    for (const auto& r : Sql("SELECT a.PLISTNUM AS P, a.LITER AS L, a.SUMMA AS S FROM LOGTRAN a "
                             "WHERE a.DATA BETWEEN '2024-01-10 00:00:00.000' AND "
                             "'2024-01-11 23:59:59.999' AND " +
                             where + " ORDER BY a.GSMNAME, a.DATA"))
      sales.push_back({r.at("P"), Money(std::stod(r.at("L"))), Money(std::stod(r.at("S")))});
    return sales;
  }
  // No temporary file of a report is left behind.
  void ExpectNoTempFiles() {
    const std::string temp = root.Path() + "/c/TEMP";
    if (!std::filesystem::exists(temp)) return;
    for (const auto& e : std::filesystem::directory_iterator(temp))
      ADD_FAILURE() << "left behind: " << e.path();
  }
};

Variant Str(const char* utf8) { return Variant(Utf8ToCp1251(utf8)); }

TEST_F(VdMobilReport, ByCarAndByDriverMatchTheHandCheckedTexts) {
  const std::string car = Report(13, A({VehiclesBegin(), VehiclesEnd(), Str("ООО Северный Путь"),
                                        Str("Ав555кх99"), Variant(), A({4, 104, 204})}));
  EXPECT_EQ(MaskPrintTime(car), ExpectedText("vdMobil_car.txt"));
  std::vector<std::string> totals;
  HtmlSales(&totals);
  ASSERT_GE(totals.size(), 3u);
  EXPECT_EQ(totals[1], "96,75");
  EXPECT_EQ(totals[2], "5 583,76");
  const std::string driver =
      Report('5', A({VehiclesBegin(), VehiclesEnd(), Str("ООО Северный Путь"),
                     Str("Соколов Юрий Петрович"), Variant(), A({4, 104})}));
  EXPECT_EQ(MaskPrintTime(driver), ExpectedText("vdMobil_driver.txt"));
  const std::string html = Cp1251ToUtf8(Html());
  EXPECT_NE(html.find("Ведомость&nbsp;по&nbsp;договорам"), std::string::npos);
  EXPECT_NE(html.find("10.01.2024 00:00:00"), std::string::npos);  // Date1
  EXPECT_NE(html.find("11.01.2024 23:59:59"), std::string::npos);  // Date2
}

TEST_F(VdMobilReport, ListedSalesEqualIndependentSql) {
  const Variant none;
  Variant sel104 = VarArrayCreate({0, 16}, VarType::Integer);
  sel104[13] = 1;
  Variant selNone = VarArrayCreate({0, 16}, VarType::Integer);
  selNone[0] = 1;
  selNone[8] = 1;
  struct Case {
    const char* Name;
    char Code;
    const char *Org, *Object;
    int Elements;  // 4: no selection, 5: selection, 6: codes
    Variant Sel, Codes;
    const char* Cnf;
    const char* Exec;
    const char* Where;
  };
  const std::string own = " AND a.KA = 0";
  // The cases that change the database come last.
  const Case cases[] = {
      {"codes", 13, "ооо северный путь", "АВ555КХ99", 6, none, A({4, 104, 204}), "", "",
       "a.IDCAR = 31 AND a.IDCNT = '31' AND a.VIDOPL IN (4, 104, 204) AND a.KA = 0"},
      {"selection", 13, "ООО Северный Путь", "Ав555кх99", 5, sel104, none, "", "",
       "a.IDCAR = 31 AND a.IDCNT = '31' AND a.VIDOPL = 104 AND a.KA = 0"},
      {"codes replace selection", 13, "ООО Северный Путь", "Ав555кх99", 6, sel104, A({4}), "", "",
       "a.IDCAR = 31 AND a.IDCNT = '31' AND a.VIDOPL = 4 AND a.KA = 0"},
      {"default row 4", 13, "ООО Северный Путь", "Ав555кх99", 4, none, none, "", "",
       "a.IDCAR = 31 AND a.IDCNT = '31' AND a.VIDOPL = 4 AND a.KA = 0"},
      {"no statement type", 13, "ООО Северный Путь", "Ав555кх99", 5, selNone, none, "", "",
       "1 = 0"},
      {"VOMimo set", 13, "ООО Северный Путь", "Ав555кх99", 6, none, A({4, 204}),
       "[Misc]\nVOMimo=204\n", "",
       "a.IDCAR = 31 AND a.IDCNT = '31' AND a.VIDOPL IN (4, 204) AND (a.KA = 0 OR a.VIDOPL = 204)"},
      {"VOMimo unset", 13, "ООО Северный Путь", "Ав555кх99", 6, none, A({4, 204}), "", "",
       "a.IDCAR = 31 AND a.IDCNT = '31' AND a.VIDOPL IN (4, 204) AND a.KA = 0"},
      {"driver with a quote", '5', "ооо северный путь", "о'брайен степан", 6, none,
       A({4, 104, 204}), "[Misc]\nVOMimo=204\n", "",
       "a.IDDRV = 32 AND a.IDCNT = '31' AND a.VIDOPL IN (4, 104, 204) AND "
       "(a.KA = 0 OR a.VIDOPL = 204)"},
      {"organisation with a quote", 13, "ип д'артаньян", "м333ое50", 4, none, none, "", "",
       "a.IDCAR = 33 AND a.IDCNT = '32' AND a.VIDOPL = 4 AND a.KA = 0"},
      {"car of another organisation, CONTRAGENT", 13, "ООО Северный Путь", "М333ое50", 4, none,
       none, "", "", "a.IDCAR = 33 AND a.IDCNT = '31' AND a.VIDOPL = 4 AND a.KA = 0"},
      {"unknown car", 13, "ООО Северный Путь", "Х000ХХ00", 6, none, A({4, 104, 204}), "", "",
       "1 = 0"},
      {"car of another organisation, VDCONTRACTOR", 13, "ООО Северный Путь", "М333ое50", 4, none,
       none, "", "DELETE FROM CONTRAGENTTYPE",
       "a.IDCAR = 33 AND a.IDCNT = '31' AND a.VIDOPL = 4 AND a.KA = 0 AND EXISTS (SELECT 1 FROM "
       "VDCAR c WHERE c.ID = a.IDCAR AND c.CID = a.IDCNT)"},
      {"driver, VDCONTRACTOR", '5', "ООО Северный Путь", "Соколов Юрий Петрович", 6, none,
       A({4, 104}), "", "DELETE FROM CONTRAGENTTYPE",
       "a.IDDRV = 31 AND a.IDCNT = '31' AND a.VIDOPL IN (4, 104) AND a.KA = 0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    WriteCnfIni(c.Cnf);
    if (*c.Exec) Exec(c.Exec);
    std::vector<Variant> params = {VehiclesBegin(), VehiclesEnd(), Str(c.Org), Str(c.Object)};
    if (c.Elements >= 5) params.push_back(c.Sel);
    if (c.Elements >= 6) params.push_back(c.Codes);
    const std::string text = Report(c.Code, VarArrayOf(params));
    const std::vector<Sale> expected = SqlSales(c.Where);
    EXPECT_EQ(HtmlSales(), expected);
    if (expected.empty()) {
      EXPECT_NE(text.find("Итого:      0,00|"), std::string::npos) << text;
    }
  }
  ExpectNoTempFiles();
}

TEST_F(VdMobilReport, OfficeReportsAndSwappedPeriods) {
  host->Set(56, Variant(0));    // alternative templates
  host->Set(8, Variant(true));  // office reports
  ASSERT_EQ(host->Init(), 1);
  Report(13, A({VehiclesBegin(), VehiclesEnd(), Str("ООО Северный Путь"), Str("Ав555кх99"),
                Variant(), A({4, 104, 204})}));
  EXPECT_EQ(HtmlSales(), SqlSales("a.IDCAR = 31 AND a.IDCNT = '31' AND a.VIDOPL IN (4, 104, 204)"));
  const std::string swapped =
      Report(13, A({VehiclesEnd(), VehiclesBegin(), Str("ООО Северный Путь"), Str("Ав555кх99")}));
  EXPECT_TRUE(HtmlSales().empty());
  EXPECT_NE(swapped.find("Итого:      0,00|"), std::string::npos);
}

// The money of a sale under RepSmType 1: price times the litres rounded to
// two decimals, to the kopeck with halves to even, in exact integers.
double PriceTimesLitres(const std::string& price, const std::string& liter) {
  const auto tenThousandths = [](const std::string& s) {
    return static_cast<long long>(std::llround(std::stod(s) * 10000));
  };
  long long l = tenThousandths(liter);
  l = (l / 100 + (l % 100 >= 50 ? 1 : 0));    // centilitres, halves up
  const long long p = tenThousandths(price);  // 1/10000 of a rouble
  const long long m = p * l;                  // 1/1000000 of a rouble
  long long kop = m / 10000;
  const long long rest = m % 10000;
  if (rest > 5000 || (rest == 5000 && kop % 2 == 1)) ++kop;
  return static_cast<double>(kop) / 100;
}

TEST_F(VdMobilReport, TheMoneyRule) {
  const auto rows = Sql(
      "SELECT a.PLISTNUM AS P, a.LITER AS L, a.SUMMA AS S, a.GSMPRICE AS R FROM LOGTRAN a WHERE "
      "a.IDCAR = 31 AND a.IDCNT = '31' AND a.VIDOPL = 4 AND a.KA = 0 AND a.DATA BETWEEN "
      "'2024-01-10 00:00:00.000' AND '2024-01-11 23:59:59.999' ORDER BY a.GSMNAME, a.DATA");
  for (int type = 0; type <= 2; ++type) {
    SCOPED_TRACE(type);
    WriteCnfIni("[Misc]\nRepSmType=" + std::to_string(type) + "\n");
    const std::string text =
        Report(13, A({VehiclesBegin(), VehiclesEnd(), Str("ООО Северный Путь"), Str("Ав555кх99")}));
    std::vector<Sale> expected;
    double liters = 0, money = 0;
    for (const auto& r : rows) {
      const double l = type == 2 ? 0 : std::stod(r.at("L"));
      const double m = type == 2   ? 0
                       : type == 1 ? PriceTimesLitres(r.at("R"), r.at("L"))
                                   : std::round(std::stod(r.at("S")) * 100) / 100;
      expected.push_back({r.at("P"), Money(l), Money(m)});
      liters += l;
      money += m;
    }
    std::vector<std::string> totals;
    EXPECT_EQ(HtmlSales(&totals), expected);
    ASSERT_GE(totals.size(), 3u);
    EXPECT_EQ(totals[1], Money(liters));
    EXPECT_EQ(totals[2], Money(money));
    // The half kopeck: 50.50 x 1.25 = 63.125 is 63.12 under type 1.
    for (const Sale& s : expected) {
      if (s.List == "С-002") {
        EXPECT_EQ(s.Summa, type == 0 ? "63,13" : type == 1 ? "63,12" : "0,00");
      }
    }
    EXPECT_NE(text.find("Итого: " + std::string(9 - Money(liters).size(), ' ') + Money(liters)),
              std::string::npos);
  }
}

// The card sample's sales of car К101МР77: 10 l at 52,40, 5,75 l at 50,78
// (291,985 stored) and 31,5 l at 57,67 (1 816,605). RepSmType 0 rounds the
// stored sums half up, RepSmType 1 price times litres to the even kopeck.
class VdMobilTies : public CardsFixture {};

TEST_F(VdMobilTies, HalfKopecksByTheMoneyRule) {
  const struct {
    int RepSmType;
    std::vector<std::string> Money;  // the three sales and the total
  } cases[] = {{0, {"524,00", "291,99", "1 816,61", "2 632,60"}},
               {1, {"524,00", "291,98", "1 816,60", "2 632,58"}}};
  for (const auto& c : cases) {
    WriteCnfIni("[Misc]\nRepSmType=" + std::to_string(c.RepSmType) + "\n");
    Report(13, A({CardsBegin(), CardsEnd(), Str("ООО АвтоТрейд"), Str("К101МР77")}));
    std::vector<std::string> money;  // the money cells of the sales and totals rows
    for (const auto& row : HtmlRows())
      if (!row.empty() && (row[0] == "Итого:" || !std::isnan(Num(row[0]))))
        money.push_back(row.at(row[0] == "Итого:" ? 2 : 7));
    EXPECT_EQ(money, c.Money);
  }
}

// The rows are read on a thread of their own: a statement that stops on
// the row limit while rows are still being read ends with the limit's text,
// again and again, and leaves nothing behind.
TEST_F(VdMobilReport, TheRowLimitStopsTheReadingOfRows) {
  WriteCnfIni("[Reports]\nMaxRows=2\n");
  for (int i = 0; i < 3; ++i) {
    const auto r = Request(13, A({VehiclesBegin(), VehiclesEnd(), Str("ООО Северный Путь"),
                                  Str("Ав555кх99"), Variant(), A({4, 104, 204})}));
    EXPECT_NE(r.Text.find("Превышено максимальное число строк в отчете: 2"), std::string::npos)
        << r.Text;
  }
  ExpectNoTempFiles();
}

TEST_F(VdMobilReport, BadRequestsGiveAClearText) {
  const Variant b = VehiclesBegin(), e = VehiclesEnd(), org = Str("ООО Северный Путь"),
                car = Str("Ав555кх99");
  struct Case {
    const char* Name;
    char Code;
    Variant Params;
    const char* Error;
  };
  const Case cases[] = {
      {"three elements", 13, A({b, e, org}), "Ошибка при формировании отчета"},
      {"selection element no number", 13, A({b, e, org, car, A({1, 1, 1, 1, Str("x")})}),
       "Ошибка при формировании отчета \"Отпуск по автомобилю за период\""},
      {"selection no array", '5', A({b, e, org, car, Variant(4)}),
       "Выбор видов оплаты должен быть массивом"},
      {"code no code", 13, A({b, e, org, car, Variant(), A({Str("четыре")})}),
       "Ошибка при формировании отчета"},
      {"date no date", 13, A({b, Str("завтра"), org, car}), "Ошибка при формировании отчета"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    const auto r = Request(c.Code, c.Params);
    EXPECT_NE(r.Text.find(c.Error), std::string::npos) << r.Text;
  }
  ExpectNoTempFiles();
}

}  // namespace
}  // namespace tv::test
