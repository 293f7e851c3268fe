// Every report code and '#' sub-code through GetReportsInStringEx with the
// parameter arrays a host sends, against the test build whose builders
// record their inputs: the builder that runs, the values it receives (with
// the defaults of left-out trailing elements), the log name and the result.
#include <regex>

#include "tests/library/LibraryFixture.h"

namespace tv::test {
namespace {

enum Outcome { kMade, kNotMade, kFails, kNoArm };

struct Case {
  char code;
  Variant params;
  std::string call;  // UTF-8; "{now}" and "{tomorrow}" stand for the current time
  std::string name;  // UTF-8 log name
  Outcome outcome = kMade;
};

const Variant D0(45000.0);
const Variant D1(45001.0);
Variant W(const char* utf8) { return Variant(Utf8ToCp1251(utf8)); }

// The expected call as a regular expression over the recorded one.
bool Matches(const std::string& recorded, const std::string& expected) {
  std::string pattern;
  for (size_t i = 0; i < expected.size(); ++i) {
    if (expected.compare(i, 5, "{now}") == 0) {
      pattern += "d[0-9]+(,[0-9]+)?";
      i += 4;
    } else {
      if (std::string("\\^$.|?*+()[]{}").find(expected[i]) != std::string::npos) pattern += '\\';
      pattern += expected[i];
    }
  }
  return std::regex_match(recorded, std::regex(pattern + "\n"));
}

class ReportArms : public LibraryFixture {
 protected:
  void SetUp() override {
    Load();
    host->Set(1, Variant::FromDate(45353.5));
    ASSERT_EQ(host->Init(), 1);
    WriteShift(true, 5, 45353.5);
  }

  void Check(const Case& c) {
    SCOPED_TRACE("code " + std::to_string(static_cast<unsigned char>(c.code)) + " " + c.call);
    ResetCalls();
    const auto r = host->Request(c.code, c.params, "earlier");
    const std::string calls = Cp1251ToUtf8(Calls());
    const std::string ordinal = std::to_string(static_cast<unsigned char>(c.code));
    const std::string name = c.name.empty() ? "Неизвестный отчет" : c.name;
    switch (c.outcome) {
      case kMade:
        EXPECT_EQ(r.Result, TV_REPORT_TRUE);
        EXPECT_TRUE(Matches(calls, c.call)) << calls;
        EXPECT_TRUE(
            Logged(Utf8ToCp1251("Отчет \"" + name + "\" (" + ordinal + ") сформирован за ")));
        break;
      case kNotMade:
      case kNoArm:
        EXPECT_EQ(r.Result, TV_REPORT_FALSE);
        EXPECT_EQ(r.Text, "earlier");
        EXPECT_EQ(calls, "");
        EXPECT_TRUE(
            Logged(Utf8ToCp1251("Отчет \"" + name + "\" (" + ordinal + ") НЕ сформирован!")));
        break;
      case kFails:
        EXPECT_EQ(r.Result, TV_REPORT_TRUE);
        EXPECT_EQ(calls, "");
        // The missing element is named: "Params[6]: ...".
        EXPECT_EQ(Cp1251ToUtf8(r.Text).rfind(
                      "Ошибка при формировании отчета \"" + name + "\": Params[", 0),
                  0u)
            << Cp1251ToUtf8(r.Text);
        EXPECT_TRUE(r.Text.ends_with("]: Variant or safe array index out of bounds")) << r.Text;
        break;
    }
  }

  void CheckAll(const std::vector<Case>& cases) {
    for (const Case& c : cases) Check(c);
  }
};

TEST_F(ReportArms, ShiftReports) {
  const Variant sections = A({Variant(1), Variant(0)});
  CheckAll({
      {'\x02', A({Variant(7)}), "CreateCloseSmenaReport(7, 7, [], -1, 0, \"\", false, Un, 0, Un)",
       ""},
      {'\x03', Variant(5), "CreateCloseSmenaReport(-1, -1, [], -1, 0, \"\", false, Un, 0, Un)", ""},
      {'\x04', A({Variant(3), Variant(9)}),
       "CreateCloseSmenaReport(3, 9, [], -1, 0, \"\", false, Un, 0, Un)", ""},
      {'-', A({Variant(5), Variant(7), EmptyArray()}),
       "CreateCloseSmenaReport(5, 7, [], -1, 0, \"\", false, Un, 0, Un)", "Сменный отчет"},
      {'-', A({Variant(5), Variant(7), sections, Variant(2)}),
       "CreateCloseSmenaReport(5, 7, [1, 0], 2, 0, \"\", false, Un, 0, Un)", "Сменный отчет"},
      {'-', A({Variant(5), Variant(7), sections, Variant(2), Variant(9)}),
       "CreateCloseSmenaReport(5, 7, [1, 0], 2, 9, \"\", false, Un, 0, Un)", "Сменный отчет"},
      {'-', A({Variant(5), Variant(7), sections, Variant(2), Variant(9), W("C:\\T")}), "",
       "Сменный отчет", kFails},
      {'-',
       A({Variant(5), Variant(7), sections, Variant(2), Variant(9), W("C:\\T"), Variant(true)}),
       "CreateCloseSmenaReport(5, 7, [1, 0], 2, 9, \"C:\\T\", true, Un, 0, Un)", "Сменный отчет"},
      {'-',
       A({Variant(5), Variant(7), sections, Variant(2), Variant(9), W("p"), Variant(true),
          A({Variant(1)})}),
       "CreateCloseSmenaReport(5, 7, [1, 0], 2, 9, \"p\", true, [1], 0, Un)", "Сменный отчет"},
      {'-',
       A({Variant(5), Variant(7), sections, Variant(2), Variant(9), W("p"), Variant(true),
          Variant(), Variant(4)}),
       "CreateCloseSmenaReport(5, 7, [1, 0], 2, 9, \"p\", true, Un, 4, Un)", "Сменный отчет"},
      {'-',
       A({Variant(5), Variant(7), sections, Variant(2), Variant(9), W("p"), Variant(true),
          Variant(), Variant(4), A({Variant(104)})}),
       "CreateCloseSmenaReport(5, 7, [1, 0], 2, 9, \"p\", true, Un, 4, [104])", "Сменный отчет"},
      {'-', A({Variant(5), Variant(7)}), "", "Сменный отчет", kFails},
  });
}

TEST_F(ReportArms, BonusAcceptsSixToEightElementsOnly) {
  const Variant base[] = {Variant(1),     A({Variant(1), Variant(0)}),
                          Variant(true),  Variant(2),
                          Variant(false), Variant(true)};
  const auto make = [&](std::initializer_list<Variant> extra) {
    std::vector<Variant> v(std::begin(base), std::end(base));
    v.insert(v.end(), extra);
    return VarArrayOf(v);
  };
  const std::string name = "Отчет по бонусам и скидкам";
  CheckAll({
      {'\x09', make({}), "BuildBonusReport(1, [1, 0], true, 2, false, true, false, Un)", name},
      {'\x09', make({Variant(1)}), "BuildBonusReport(1, [1, 0], true, 2, false, true, true, Un)",
       name},
      {'\x09', make({Variant(1), A({Variant(4)})}),
       "BuildBonusReport(1, [1, 0], true, 2, false, true, true, [4])", name},
      {'\x09', A({Variant(1), Variant(2), Variant(3), Variant(4), Variant(5)}), "", name, kNotMade},
      {'\x09', make({Variant(1), Variant(2), Variant(3)}), "", name, kNotMade},
  });
}

TEST_F(ReportArms, HistoryStatementsAndCounterparties) {
  const std::string trk = "История продаж по ТРК";
  const std::string period = "Отпуск по ведомости за период";
  const std::string agent = "Отпуск по контрагенту за период";
  const Variant a6[] = {D0, D1, W("Агент"), Variant(true), Variant(false), Variant(true)};
  const auto agentParams = [&](std::initializer_list<Variant> extra) {
    std::vector<Variant> v(std::begin(a6), std::end(a6));
    v.insert(v.end(), extra);
    return VarArrayOf(v);
  };
  CheckAll({
      {'\x0A', A({W("T1"), Variant(2)}), "MakeTrkHistoryReport(\"T1\", 2, d0, d0, false)", trk},
      {'\x0A', A({W("T1"), Variant(2), D0, D1}),
       "MakeTrkHistoryReport(\"T1\", 2, d45000, d45001, false)", trk},
      {'\x0A', A({W("T1"), Variant(2), D0, D1, Variant(true)}),
       "MakeTrkHistoryReport(\"T1\", 2, d45000, d45001, true)", trk},
      {'\x0A', A({W("T1"), Variant(2), D0}), "", trk, kFails},
      {'\x0B', A({D0, D1}),
       "MakeVdPeriodReport(\"\", \"\", d45000, d45001, 0, \"\", Un, \"\", \"\", \"\", Un)", period},
      {'\x0B', A({D0, D1, A({Variant(1)})}),
       "MakeVdPeriodReport(\"\", \"\", d45000, d45001, 0, \"\", [1], \"\", \"\", \"\", Un)",
       period},
      {'\x0B', A({D0, D1, A({Variant(1)}), A({Variant(4)}), Variant(9)}),
       "MakeVdPeriodReport(\"\", \"\", d45000, d45001, 0, \"\", [1], \"\", \"\", \"\", [4])",
       period},
      {'\x0C', agentParams({}),
       "MakeVdAgentReport(\"Агент\", \"\", d45000, d45001, \"\", Un, 0, true, false, true, \"\", "
       "Un)",
       agent},
      {'\x0C', agentParams({A({Variant(1)})}),
       "MakeVdAgentReport(\"Агент\", \"\", d45000, d45001, \"\", [1], 0, true, false, true, \"\", "
       "Un)",
       agent},
      {'\x0C', agentParams({A({Variant(1)}), A({Variant(4)})}),
       "MakeVdAgentReport(\"Агент\", \"\", d45000, d45001, \"\", [1], 0, true, false, true, \"\", "
       "[4])",
       agent},
      {'\x0C', A({D0, D1, W("Агент"), Variant(true)}), "", agent, kFails},
  });
}

TEST_F(ReportArms, CarsDriversAndClosedShiftStatements) {
  const std::string car = "Отпуск по автомобилю за период";
  const std::string driver = "Отпуск по водителю за период";
  const std::string closed = "Отпуск по ведомости по закрытой смене";
  const std::string agent = "Отпуск по контрагенту по закрытой смене";
  const Variant p4[] = {D0, D1, W("5"), W("Иванова")};
  const auto params = [&](std::initializer_list<Variant> extra) {
    std::vector<Variant> v(std::begin(p4), std::end(p4));
    v.insert(v.end(), extra);
    return VarArrayOf(v);
  };
  const Variant sel = A({Variant(1)});
  CheckAll({
      {'\x0D', params({}), "MakeVdMobilReport(\"5\", \"Иванова\", d45000, d45001, 0, Un, Un)", car},
      {'\x0D', params({sel}), "MakeVdMobilReport(\"5\", \"Иванова\", d45000, d45001, 0, [1], Un)",
       car},
      {'\x0D', params({sel, Variant(3)}),
       "MakeVdMobilReport(\"5\", \"Иванова\", d45000, d45001, 0, [1], 3)", car},
      {'5', params({sel, Variant(3)}),
       "MakeVdMobilReport(\"5\", \"Иванова\", d45000, d45001, 1, [1], 3)", driver},
      {'\x0E', params({}),
       "MakeVdPeriodReport(\"5\", \"Иванова\", d45000, d45001, 1, \"5\", Un, \"\", \"\", \"\", Un)",
       closed},
      {'\x0E', params({W("7")}),
       "MakeVdPeriodReport(\"5\", \"Иванова\", d45000, d45001, -1, \"7\", Un, \"\", \"\", \"\", "
       "Un)",
       closed},
      {'\x0E', params({W("7"), sel}),
       "MakeVdPeriodReport(\"5\", \"Иванова\", d45000, d45001, -1, \"7\", [1], \"\", \"\", \"\", "
       "Un)",
       closed},
      {'\x0E', params({W("7"), sel, W("ООО")}),
       "MakeVdPeriodReport(\"5\", \"Иванова\", d45000, d45001, -1, \"7\", [1], \"\", \"\", "
       "\"ООО\", Un)",
       closed},
      {'\x0E', params({W("7"), sel, W("ООО"), A({Variant(4)})}),
       "MakeVdPeriodReport(\"5\", \"Иванова\", d45000, d45001, -1, \"7\", [1], \"\", \"\", "
       "\"ООО\", [4])",
       closed},
      {'\x0E', A({D0, D1, W("5")}), "", closed, kFails},
      {'\x0F', A({D0, D1, W("Агент"), W("5"), W("Иванова")}),
       "MakeVdAgentReport(\"Агент\", \"5\", d45000, d45001, \"Иванова\", Un, 1, false, false, "
       "true, \"\", Un)",
       agent},
      {'\x0F',
       A({D0, D1, W("Агент"), W("5"), W("Иванова"), W("доп"), sel, Variant(true), Variant(true),
          Variant(false)}),
       "MakeVdAgentReport(\"Агент\", \"5\", d45000, d45001, \"Иванова\", [1], -1, true, true, "
       "false, \"доп\", Un)",
       agent},
      {'\x0F',
       A({D0, D1, W("Агент"), W("5"), W("Иванова"), W("доп"), sel, Variant(true), Variant(true),
          Variant(false), A({Variant(4)})}),
       "MakeVdAgentReport(\"Агент\", \"5\", d45000, d45001, \"Иванова\", [1], -1, true, true, "
       "false, \"доп\", [4])",
       agent},
      {'\x0F', A({D0, D1, W("Агент"), W("5"), W("Иванова"), W("доп"), sel}), "", agent, kFails},
  });
}

TEST_F(ReportArms, CurrentShiftCodesAskTheHost) {
  const std::string period = "Отпуск по ведомости по текущей смене";
  const std::string agent = "Отпуск по контрагенту по текущей смене";
  const std::string bne = "Отпуск по договорам по текущей смене";
  const std::string akt = "Отчет по актам возврата по текущей смене";
  const Variant sel = A({Variant(1)});
  CheckAll({
      {'\x10', EmptyArray(),
       "MakeVdPeriodReport(\"5\", \"Иванова\", d45353,5, {now}, 2, \"\", Un, \"\", \"\", \"\", Un)",
       period},
      {'\x10', A({sel}),
       "MakeVdPeriodReport(\"5\", \"Иванова\", d45353,5, {now}, 2, \"\", [1], \"\", \"\", \"\", "
       "Un)",
       period},
      {'\x10', A({sel, Variant(4)}),
       "MakeVdPeriodReport(\"5\", \"Иванова\", d45353,5, {now}, 2, \"\", [1], \"\", \"\", \"\", 4)",
       period},
      {'\x11', A({W("Агент")}), "GetCurSmenaAgentReport(\"Агент\", Un, false, false, true, Un)",
       agent},
      {'\x11', A({W("Агент"), sel, Variant(true), Variant(true), Variant(false)}),
       "GetCurSmenaAgentReport(\"Агент\", [1], true, true, false, Un)", agent},
      {'\x11', A({W("Агент"), sel, Variant(true), Variant(true), Variant(false), Variant(4)}),
       "GetCurSmenaAgentReport(\"Агент\", [1], true, true, false, Un)", agent},
      {'\x11',
       A({W("Агент"), sel, Variant(true), Variant(true), Variant(false), Variant(4), Variant(8)}),
       "GetCurSmenaAgentReport(\"Агент\", [1], true, true, false, 4)", agent},
      {'\x11', A({W("Агент"), sel, Variant(true)}), "", agent, kFails},
      {'\x1A', A({Variant(0)}), "GetCurSmenaBNEReport(Un, Un)", bne},
      {'\x1A', A({Variant(0), W("x"), W("y")}), "GetCurSmenaBNEReport(\"x\", Un)", bne},
      {'\x1A', A({Variant(0), W("x"), W("y"), W("z")}), "GetCurSmenaBNEReport(\"x\", \"y\")", bne},
      {'\x16', A({Variant(3)}), "MakeAktVozvrReport(5, \"Иванова\", d45353,5, {now}, 3, -1)", akt},
      {'\x16', A({Variant(3), Variant(4)}),
       "MakeAktVozvrReport(5, \"Иванова\", d45353,5, {now}, 3, 4)", akt},
      {'/', Variant(), "MakeCouponReport(Un, Un, d45353,5, {now})",
       "Отпуск по талонам по текущей смене"},
      {'\x12', Variant(), "GetCurSmenaBackCardReport(true, 5, d45353,5)",
       "Отчет по непроизведенным возвратам на терминал по текущей смене"},
  });
}

TEST_F(ReportArms, ClosedShiftActsContractsCouponsCardsAndReceipts) {
  const std::string back = "Отчет по непроизведенным возвратам на терминал по закрытой смене";
  const std::string akt = "Отчет по актам возврата по закрытой смене";
  const std::string bne = "Отпуск по договорам по закрытой смене";
  const std::string coupon = "Отпуск по талонам по закрытой смене";
  const std::string card = "Отпуск по картам";
  const Variant sel = A({Variant(1)});
  CheckAll({
      {'\x13', A({Variant(5), D0, D1, W("Иванова")}),
       "MakeBackCardReport(5, true, d45000, d45001, \"Иванова\", 5, \"\", \"\")", back},
      {'\x13', A({Variant(5), D0, D1, W("Иванова"), Variant(8)}),
       "MakeBackCardReport(5, true, d45000, d45001, \"Иванова\", 8, \"\", \"\")", back},
      {'\x13', A({Variant(5), D0, D1}), "", back, kNotMade},
      {'\x13', A({Variant(5), D0, D1, W("a"), Variant(8), Variant(9)}), "", back, kNotMade},
      {'\x15', A({D0, D1, Variant(5), W("Иванова")}),
       "MakeAktVozvrReport(5, \"Иванова\", d45000, d45001, 1, -1)", akt},
      {'\x15', A({D0, D1, Variant(5), W("Иванова"), Variant(2)}),
       "MakeAktVozvrReport(5, \"Иванова\", d45000, d45001, 2, -1)", akt},
      {'\x15', A({D0, D1, Variant(5), W("Иванова"), Variant(2), Variant(3)}),
       "MakeAktVozvrReport(5, \"Иванова\", d45000, d45001, 2, 3)", akt},
      {'\x19', A({D0, D1, W("5"), W("Иванова")}),
       "MakeBNEReport(\"5\", \"Иванова\", d45000, d45001, 1, Un, Un)", bne},
      {'\x19', A({D0, D1, W("5"), W("Иванова"), sel}),
       "MakeBNEReport(\"5\", \"Иванова\", d45000, d45001, 1, [1], Un)", bne},
      {'\x19', A({D0, D1, W("5"), W("Иванова"), sel, Variant(2)}),
       "MakeBNEReport(\"5\", \"Иванова\", d45000, d45001, 1, [1], 2)", bne},
      {'\x1F', A({Variant(3), Variant(4)}), "MakePrxReport(3, 4, 0, 0)",
       "Отчет по откачкам топлива"},
      {'\x00', A({Variant(3), Variant(4)}), "MakePrxReport(3, 4, 1, 0)",
       "Отчет по поступлениям топлива"},
      {'"', A({Variant(7), A({Variant(9), Variant(10)})}), "MakeAktVozvr2Report(7, 9)",
       "Отчет по возвратным чекам"},
      {'"', A({Variant(7), Variant(8), Variant(9)}), "MakeAktVozvr2Report([7, 8, 9], Un)",
       "Отчет по возвратным чекам"},
      {'.', A({D0, D1}), "MakeCouponReport(Un, Un, d45000, d45001)", coupon},
      {'.', A({D0, D1, sel}), "MakeCouponReport([1], Un, d45000, d45001)", coupon},
      {'.', A({D0, D1, sel, Variant(2)}), "MakeCouponReport([1], 2, d45000, d45001)", coupon},
      {'4', A({Variant(1), Variant(2), D0, D1, sel}),
       "MakeCardReport(1, 2, d45000, d45001, [1], \"\", false, Un)", card},
      {'4', A({Variant(1), Variant(2), D0, D1, sel, W("s"), Variant(true)}),
       "MakeCardReport(1, 2, d45000, d45001, [1], \"s\", true, Un)", card},
      {'4', A({Variant(1), Variant(2), D0, D1, sel, W("s"), Variant(true), Variant(7)}),
       "MakeCardReport(1, 2, d45000, d45001, [1], \"s\", true, 7)", card},
      {'4', A({Variant(1), Variant(2), D0, D1, sel, W("s")}), "", card, kFails},
  });
}

TEST_F(ReportArms, ExtendedSubCodes) {
  CheckAll({
      {'#', A({Variant(1), Variant(5), W("a"), W("b")}), "MakeDscCardsReport(5, \"a\", \"b\")",
       "Отчет по общему списку дисконтных карт"},
      {'#', A({Variant(2), W("SELECT 1"), Variant(1)}), "GetSQLData(\"SELECT 1\", 1)",
       "SQL-выборка данных"},
      {'#', A({Variant(3), W("S"), Variant(0), W(""), W("")}), "GetSQLTable(\"S\", 0, \"\", \"\")",
       "SQL-выборка + генерация таблицы"},
      {'#', A({Variant(4), Variant(77)}), "PrintTTNPage1(77)", "ТТН: товарный раздел"},
      {'#', A({Variant(5), Variant(77)}), "PrintTTNPage2(77)", "ТТН: транспортный раздел"},
      {'#', A({Variant(6), Variant(77)}), "PrintInvoice(77)", "Счет-фактура"},
      {'#', A({Variant(7), Variant(77), Variant(2)}), "PrintTorg12(77, 2)", "ТОРГ-12"},
      {'#', A({Variant(8), Variant(12), W("Кассир"), W("Ст."), W("")}),
       "MakeFuelReceipt(12, \"Кассир\", \"Ст.\", \"\")", "Товарный чек по ГСМ"},
      {'#', A({Variant(9), Variant(104)}), "GetReceiptTemplate(104)", "Шаблон товарного чека"},
      {'#', A({Variant(10), Variant(1), Variant(2)}), "MakeMernikReport(1, 2)", "Отчет по мернику"},
      {'#', A({Variant(16), Variant(77)}), "PrintShipmentReceipt(77)", "Квитанция об отгрузке"},
      {'#', A({Variant(19), Variant(3), Variant(4)}), "MakePrxReport(3, 4, 0, 1)",
       "Отчет по перекачкам топлива"},
      {'#', A({Variant(4)}), "", "ТТН: товарный раздел", kFails},
  });
  for (const int sub : {0, 20, 999, 1001, -1}) Check({'#', A({Variant(sub)}), "", "", kNoArm});
}

TEST_F(ReportArms, HtmlOnlySubCodesPutTheirSentenceInTheText) {
  struct Html {
    Variant params;
    std::string call, name, title;
  };
  const std::vector<Html> cases = {
      {A({Variant(11), D0, D1, Variant(1), Variant(5)}),
       "MakeResetTrkReports(1, 5, d45000, d45001, \"\")", "Информация по перезагрузкам",
       "Информация по перезагрузкам"},
      {A({Variant(12)}), "MakeLimitBalanceReport()", "Отчет по лимиту",
       "Текущие остатки по убывающему лимиту"},
      {A({Variant(13), W("x"), D0, D1}), "MakeLimitDetailReport(\"x\", d45000, d45001)",
       "Детализация по убывающим лимитам", "Детализация по убывающим лимитам"},
      {A({Variant(15), Variant(3), D0, D1}), "MakeKeeperGSMReport(3, d45000, d45001)",
       "Движение ГСМ по хранителю", "Движение ГСМ по хранителю"},
      {A({Variant(18), D0, D1}), "BuildRepriceHistoryReport(d45000, d45001)",
       "История переоценки ГСМ", "История переоценки ГСМ"},
  };
  for (const Html& c : cases) {
    Check({'#', c.params, c.call, c.name});
    const auto r = host->Request('#', c.params);
    EXPECT_EQ(Cp1251ToUtf8(r.Text), "Отчет \"" + c.title + "\" доступен только в HTML-версии");
    const std::string builder = c.call.substr(0, c.call.find('('));
    EXPECT_EQ(host->Request('7', Variant()).Text, "<html>" + builder + "</html>");
  }
  const auto ping = host->Request('#', A({Variant(14)}));
  EXPECT_EQ(ping.Result, TV_REPORT_TRUE);
  EXPECT_EQ(ping.Text, "OK");
  EXPECT_TRUE(Logged("Отчет \"Неизвестный отчет\" (35) сформирован за "_w));
}

TEST_F(ReportArms, CodesWithoutAReport) {
  for (const int ordinal :
       {1, 5, 6, 7, 8, 20, 23, 24, 27, 28, 29, 30, 32, 33, 36, 44, 48, 51, 54, 56, 126, 200, 255}) {
    Check({static_cast<char>(ordinal), A({Variant(1), Variant(2)}), "", "", kNoArm});
  }
  EXPECT_EQ(host->Request('7', Variant()).Text, "HTML-отчет не сформирован!"_w);
}

TEST_F(ReportArms, WrongElementTypesAndNonArraysFailInsideTheRequest) {
  ResetCalls();
  auto r = host->Request('\x00', A({W("пять"), Variant(4)}));
  EXPECT_EQ(r.Result, TV_REPORT_TRUE);
  EXPECT_EQ(Cp1251ToUtf8(r.Text).rfind(
                "Ошибка при формировании отчета \"Отчет по поступлениям топлива\": ", 0),
            0u);
  r = host->Request('\x00', Variant(3));
  EXPECT_EQ(Cp1251ToUtf8(r.Text),
            "Ошибка при формировании отчета \"Отчет по поступлениям топлива\": Params[0]: "
            "Invalid argument");
  r = host->Request('\x00', A({Variant::Null(), Variant(4)}));
  EXPECT_EQ(r.Result, TV_REPORT_TRUE);
  EXPECT_EQ(Calls(), "");
}

}  // namespace
}  // namespace tv::test
