// The arms of the report codes. Each arm checks that its builder is wired,
// sets its report name before anything can fail, reads the elements in the
// order of the builder's inputs (into locals: argument evaluation order is
// unspecified in C++) and moves the builder's output to the text.
#include "library/ReportArms.h"

#include <array>
#include <utility>

#include "library/HostCallbacks.h"
#include "library/ReportBuilders.h"
#include "platform/text/Cp1251.h"
#include "platform/SysUtils.h"

namespace tv {

namespace {

using R = TArmResult;
const TReportBuilders& B() { return ReportBuilders; }
Variant Un() { return Variant(); }
Variant EmptyArray() { return VarArrayCreate({0, -1}, VarType::Variant); }
const std::string E;

// Host answers of the current-shift arms.
int HostShiftNum() { return AskHost(hcSmenaNum).AsInteger(); }
std::string HostOperator() { return AskHost(hcOperator).AsString(); }
TDateTime HostShiftBegin() { return AskHost(hcSmenaBegTime).AsDouble(); }

R Prx(TArmRequest& r, const char* utf8Name, int receipt, int transfer) {
  if (!B().MakePrxReport) return R::NoArm;
  r.Name = Utf8ToCp1251(utf8Name);
  const int from = r.P.I(0);
  const int to = r.P.I(1);
  std::string out;
  B().MakePrxReport(r.Creator, from, to, receipt, transfer, out);
  r.Text = std::move(out);
  return R::Made;
}

R ArmPrx(TArmRequest& r) { return Prx(r, "Отчет по поступлениям топлива", 1, 0); }
R ArmSink(TArmRequest& r) { return Prx(r, "Отчет по откачкам топлива", 0, 0); }

// Codes 2, 3 and 4 keep the name "Неизвестный отчет" (they set none).
R SmenaRep(TArmRequest& r, int from, int to) {
  std::string out;
  B().CreateCloseSmenaReport(r.Creator, from, to, EmptyArray(), -1, 0, E, false, Un(), 0, Un(),
                             out);
  r.Text = std::move(out);
  return R::Made;
}

R ArmSmenaRepOne(TArmRequest& r) {
  if (!B().CreateCloseSmenaReport) return R::NoArm;
  const int shift = r.P.I(0);
  return SmenaRep(r, shift, shift);
}

R ArmSmenaRepCurrent(TArmRequest& r) {
  if (!B().CreateCloseSmenaReport) return R::NoArm;
  return SmenaRep(r, -1, -1);
}

R ArmSmenaRepRange(TArmRequest& r) {
  if (!B().CreateCloseSmenaReport) return R::NoArm;
  const int from = r.P.I(0);
  const int to = r.P.I(1);
  return SmenaRep(r, from, to);
}

R ArmBonus(TArmRequest& r) {
  if (!B().BuildBonusReport) return R::NoArm;
  r.Name = "Отчет по бонусам и скидкам"_w;
  const int len = r.P.Length();
  if (len < 6 || len > 8) return R::NotMade;
  const int from = r.P.I(0);
  const Variant payTypes = r.P.V(1);
  const bool nullStr = r.P.B(2);
  const int to = r.P.I(3);
  const bool gsmItog = r.P.B(4);
  const bool subItog = r.P.B(5);
  const bool allVO = len >= 7 ? r.P.B(6) : false;
  const Variant payCodes = len == 8 ? r.P.V(7) : Un();
  std::string out;
  B().BuildBonusReport(r.Creator, from, payTypes, nullStr, to, gsmItog, subItog, allVO, payCodes,
                       out);
  r.Text = std::move(out);
  return R::Made;
}

R ArmTrkHistory(TArmRequest& r) {
  if (!B().MakeTrkHistoryReport) return R::NoArm;
  r.Name = "История продаж по ТРК"_w;
  const int len = r.P.Length();
  const std::string s1 = r.P.S(0);
  const int i1 = r.P.I(1);
  const TDateTime begin = len == 2 ? 0 : r.P.D(2);
  const TDateTime end = len == 2 ? 0 : r.P.D(3);
  const bool b1 = len == 2 || len == 4 ? false : r.P.B(4);
  std::string out;
  B().MakeTrkHistoryReport(r.Creator, s1, i1, begin, end, b1, out);
  r.Text = std::move(out);
  return R::Made;
}

R ArmVdPeriod(TArmRequest& r) {
  if (!B().MakeVdPeriodReport) return R::NoArm;
  r.Name = "Отпуск по ведомости за период"_w;
  const int len = r.P.Length();
  const TDateTime begin = r.P.D(0);
  const TDateTime end = r.P.D(1);
  const Variant x = len >= 3 ? r.P.V(2) : Un();
  const Variant y = len >= 4 ? r.P.V(3) : Un();
  std::string out;
  B().MakeVdPeriodReport(r.Creator, E, E, begin, end, 0, E, x, E, E, E, y, out);
  r.Text = std::move(out);
  return R::Made;
}

R ArmVdAgentPeriod(TArmRequest& r) {
  if (!B().MakeVdAgentReport) return R::NoArm;
  r.Name = "Отпуск по контрагенту за период"_w;
  const int len = r.P.Length();
  const std::string agent = r.P.S(2);
  const TDateTime begin = r.P.D(0);
  const TDateTime end = r.P.D(1);
  const Variant x = len >= 7 ? r.P.V(6) : Un();
  const bool s1 = r.P.B(3);
  const bool s2 = r.P.B(4);
  const bool s3 = r.P.B(5);
  const Variant y = len >= 8 ? r.P.V(7) : Un();
  std::string out;
  B().MakeVdAgentReport(r.Creator, agent, E, begin, end, E, x, 0, s1, s2, s3, E, y, out);
  r.Text = std::move(out);
  return R::Made;
}

R VdMobil(TArmRequest& r, const char* utf8Name, int kind) {
  if (!B().MakeVdMobilReport) return R::NoArm;
  r.Name = Utf8ToCp1251(utf8Name);
  const int len = r.P.Length();
  const std::string s1 = r.P.S(2);
  const std::string s2 = r.P.S(3);
  const TDateTime begin = r.P.D(0);
  const TDateTime end = r.P.D(1);
  const Variant x = len >= 5 ? r.P.V(4) : Un();
  const Variant y = len >= 6 ? r.P.V(5) : Un();
  std::string out;
  B().MakeVdMobilReport(r.Creator, s1, s2, begin, end, kind, x, y, out);
  r.Text = std::move(out);
  return R::Made;
}

R ArmVdMobil(TArmRequest& r) { return VdMobil(r, "Отпуск по автомобилю за период", 0); }
R ArmVdDriver(TArmRequest& r) { return VdMobil(r, "Отпуск по водителю за период", 1); }

R ArmVdClosedSmena(TArmRequest& r) {
  if (!B().MakeVdPeriodReport) return R::NoArm;
  r.Name = "Отпуск по ведомости по закрытой смене"_w;
  const int len = r.P.Length();
  const std::string fromText = r.P.S(2);
  const std::string oper = r.P.S(3);
  const TDateTime begin = r.P.D(0);
  const TDateTime end = r.P.D(1);
  const int headerMode = len == 4 ? 1 : -1;
  const std::string toText = len == 4 ? r.P.S(2) : r.P.S(4);
  const Variant x = len == 4 || len == 5 ? Un() : r.P.V(5);
  const std::string orgList = len >= 4 && len <= 6 ? E : r.P.S(6);
  const Variant y = len >= 4 && len <= 7 ? Un() : r.P.V(7);
  std::string out;
  B().MakeVdPeriodReport(r.Creator, fromText, oper, begin, end, headerMode, toText, x, E, E,
                         orgList, y, out);
  r.Text = std::move(out);
  return R::Made;
}

R ArmVdAgentClosedSmena(TArmRequest& r) {
  if (!B().MakeVdAgentReport) return R::NoArm;
  r.Name = "Отпуск по контрагенту по закрытой смене"_w;
  const int len = r.P.Length();
  const bool brief =
      len <= 5;  // lengths 6 to 9 read as the long form and fail on a missing element
  const std::string agent = r.P.S(2);
  const std::string shiftText = r.P.S(3);
  const TDateTime begin = r.P.D(0);
  const TDateTime end = r.P.D(1);
  const std::string oper = r.P.S(4);
  const Variant x = brief ? Un() : r.P.V(6);
  const int mode = brief ? 1 : -1;
  const bool s1 = brief ? false : r.P.B(7);
  const bool s2 = brief ? false : r.P.B(8);
  const bool s3 = brief ? true : r.P.B(9);
  const std::string extra = brief ? E : r.P.S(5);
  const Variant y = brief || len == 10 ? Un() : r.P.V(10);
  std::string out;
  B().MakeVdAgentReport(r.Creator, agent, shiftText, begin, end, oper, x, mode, s1, s2, s3, extra,
                        y, out);
  r.Text = std::move(out);
  return R::Made;
}

R ArmVdCurSmena(TArmRequest& r) {
  if (!B().MakeVdPeriodReport) return R::NoArm;
  r.Name = "Отпуск по ведомости по текущей смене"_w;
  const int len = r.P.Length();
  const std::string shift = IntToStr(HostShiftNum());
  const std::string oper = HostOperator();
  const TDateTime begin = HostShiftBegin();
  const TDateTime now = Now();
  const Variant x = len >= 1 ? r.P.V(0) : Un();
  const Variant y = len >= 2 ? r.P.V(1) : Un();
  std::string out;
  B().MakeVdPeriodReport(r.Creator, shift, oper, begin, now, 2, E, x, E, E, E, y, out);
  r.Text = std::move(out);
  return R::Made;
}

R ArmVdAgentCurSmena(TArmRequest& r) {
  if (!B().GetCurSmenaAgentReport) return R::NoArm;
  r.Name = "Отпуск по контрагенту по текущей смене"_w;
  const int len = r.P.Length();
  const bool brief = len == 1;
  const std::string agent = r.P.S(0);
  const Variant paySel = brief ? Un() : r.P.V(1);
  const bool s1 = brief ? false : r.P.B(2);
  const bool s2 = brief ? false : r.P.B(3);
  const bool s3 = brief ? true : r.P.B(4);
  // A sixth element is not passed; lengths 2 to 4 fail on a missing element.
  const Variant payCodes = brief || len == 5 || len == 6 ? Un() : r.P.V(5);
  std::string out;
  B().GetCurSmenaAgentReport(r.Creator, agent, paySel, s1, s2, s3, payCodes, out);
  r.Text = std::move(out);
  return R::Made;
}

R ArmBackCardCurSmena(TArmRequest& r) {
  if (!B().GetCurSmenaBackCardReport) return R::NoArm;
  r.Name = "Отчет по непроизведенным возвратам на терминал по текущей смене"_w;
  std::string out;
  B().GetCurSmenaBackCardReport(r.Creator, out);
  r.Text = std::move(out);
  return R::Made;
}

R ArmBackCardClosedSmena(TArmRequest& r) {
  if (!B().MakeBackCardReport) return R::NoArm;
  r.Name = "Отчет по непроизведенным возвратам на терминал по закрытой смене"_w;
  const int len = r.P.Length();
  if (len != 4 && len != 5) return R::NotMade;
  const int from = r.P.I(0);
  const TDateTime begin = r.P.D(1);
  const TDateTime end = r.P.D(2);
  const std::string oper = r.P.S(3);
  const int to = len == 5 ? r.P.I(4) : r.P.I(0);
  std::string out;
  B().MakeBackCardReport(r.Creator, from, true, begin, end, oper, to, E, E, out);
  r.Text = std::move(out);
  return R::Made;
}

R ArmAktVozvrClosedSmena(TArmRequest& r) {
  if (!B().MakeAktVozvrReport) return R::NoArm;
  r.Name = "Отчет по актам возврата по закрытой смене"_w;
  const int len = r.P.Length();
  const int shift = r.P.I(2);
  const std::string oper = r.P.S(3);
  const TDateTime begin = r.P.D(0);
  const TDateTime end = r.P.D(1);
  const int a = len == 4 ? 1 : r.P.I(4);
  const int b = len == 4 || len == 5 ? -1 : r.P.I(5);
  std::string out;
  B().MakeAktVozvrReport(r.Creator, shift, oper, begin, end, a, b, out);
  r.Text = std::move(out);
  return R::Made;
}

R ArmAktVozvrCurSmena(TArmRequest& r) {
  if (!B().MakeAktVozvrReport) return R::NoArm;
  r.Name = "Отчет по актам возврата по текущей смене"_w;
  const int len = r.P.Length();
  const int shift = HostShiftNum();
  const std::string oper = HostOperator();
  const TDateTime begin = HostShiftBegin();
  const TDateTime end = Now() + 1.0;
  const int a = r.P.I(0);
  const int b = len == 1 ? -1 : r.P.I(1);
  std::string out;
  B().MakeAktVozvrReport(r.Creator, shift, oper, begin, end, a, b, out);
  r.Text = std::move(out);
  return R::Made;
}

R ArmBNEClosedSmena(TArmRequest& r) {
  if (!B().MakeBNEReport) return R::NoArm;
  r.Name = "Отпуск по договорам по закрытой смене"_w;
  const int len = r.P.Length();
  const std::string shiftText = r.P.S(2);
  const std::string oper = r.P.S(3);
  const TDateTime begin = r.P.D(0);
  const TDateTime end = r.P.D(1);
  const Variant x = len == 4 ? Un() : r.P.V(4);
  const Variant y = len == 4 || len == 5 ? Un() : r.P.V(5);
  std::string out;
  B().MakeBNEReport(r.Creator, shiftText, oper, begin, end, 1, x, y, out);
  r.Text = std::move(out);
  return R::Made;
}

R ArmBNECurSmena(TArmRequest& r) {
  if (!B().GetCurSmenaBNEReport) return R::NoArm;
  r.Name = "Отпуск по договорам по текущей смене"_w;
  const int len = r.P.Length();
  const Variant x = len >= 2 ? r.P.V(1) : Un();
  const Variant y = len >= 4 ? r.P.V(2) : Un();
  std::string out;
  B().GetCurSmenaBNEReport(r.Creator, x, y, out);
  r.Text = std::move(out);
  return R::Made;
}

R ArmBackChecks(TArmRequest& r) {
  if (!B().MakeAktVozvr2Report) return R::NoArm;
  r.Name = "Отчет по возвратным чекам"_w;
  const int len = r.P.Length();
  Variant first;
  Variant second;
  if (len == 2) {
    first = r.P.V(0);
    second = r.P.V(1)[0];
  } else {
    first = r.P.Array();
  }
  std::string out;
  B().MakeAktVozvr2Report(r.Creator, first, second, out);
  r.Text = std::move(out);
  return R::Made;
}

R ArmSmenaReport(TArmRequest& r) {
  if (!B().CreateCloseSmenaReport) return R::NoArm;
  r.Name = "Сменный отчет"_w;
  const int len = r.P.Length();
  // Any length but 3, 4, 5, 7, 8 and 9 reads every element (6 fails on
  // element 6: elements 5 and 6 come together).
  const bool all = len != 3 && len != 4 && len != 5 && len != 7 && len != 8 && len != 9;
  const int from = r.P.I(0);
  const int to = r.P.I(1);
  const Variant sections = r.P.V(2);
  const int q3 = all || len >= 4 ? r.P.I(3) : -1;
  const int q4 = all || len >= 5 ? r.P.I(4) : 0;
  const std::string q5 = all || len >= 7 ? r.P.S(5) : E;
  const bool q6 = all || len >= 7 ? r.P.B(6) : false;
  const Variant q7 = all || len >= 8 ? r.P.V(7) : Un();
  const int q8 = all || len >= 9 ? r.P.I(8) : 0;
  const Variant q9 = all ? r.P.V(9) : Un();
  std::string out;
  B().CreateCloseSmenaReport(r.Creator, from, to, sections, q3, q4, q5, q6, q7, q8, q9, out);
  r.Text = std::move(out);
  return R::Made;
}

R Coupon(TArmRequest& r, const Variant& x, const Variant& y, TDateTime begin, TDateTime end) {
  std::string out;
  B().MakeCouponReport(r.Creator, x, y, begin, end, out);
  r.Text = std::move(out);
  return R::Made;
}

R ArmCouponClosedSmena(TArmRequest& r) {
  if (!B().MakeCouponReport) return R::NoArm;
  r.Name = "Отпуск по талонам по закрытой смене"_w;
  const int len = r.P.Length();
  const Variant x = len >= 3 ? r.P.V(2) : Un();
  const Variant y = len >= 4 ? r.P.V(3) : Un();
  const TDateTime begin = r.P.D(0);
  const TDateTime end = r.P.D(1);
  return Coupon(r, x, y, begin, end);
}

R ArmCouponCurSmena(TArmRequest& r) {
  if (!B().MakeCouponReport) return R::NoArm;
  r.Name = "Отпуск по талонам по текущей смене"_w;
  const TDateTime begin = HostShiftBegin();
  return Coupon(r, Un(), Un(), begin, Now());
}

R ArmCardReport(TArmRequest& r) {
  if (!B().MakeCardReport) return R::NoArm;
  r.Name = "Отпуск по картам"_w;
  const int len = r.P.Length();
  const bool brief = len <= 5;  // length 6 reads on and fails on element 6
  const int i1 = r.P.I(0);
  const int i2 = r.P.I(1);
  const TDateTime begin = r.P.D(2);
  const TDateTime end = r.P.D(3);
  const Variant p1 = r.P.V(4);
  const std::string s5 = brief ? E : r.P.S(5);
  const bool b6 = brief ? false : r.P.B(6);
  const Variant v7 = brief || len == 7 ? Un() : r.P.V(7);
  std::string out;
  B().MakeCardReport(r.Creator, i1, i2, begin, end, p1, s5, b6, v7, out);
  r.Text = std::move(out);
  return R::Made;
}

using TArm = R (*)(TArmRequest&);

// The one table of report codes, by ordinal; empty entries have no report.
// The code '7' is served before a request reaches the dispatcher.
constexpr std::array<TArm, 56> kArms = [] {
  std::array<TArm, 56> arms{};
  arms[0] = ArmPrx;
  arms[2] = ArmSmenaRepOne;
  arms[3] = ArmSmenaRepCurrent;
  arms[4] = ArmSmenaRepRange;
  arms[9] = ArmBonus;
  arms[10] = ArmTrkHistory;
  arms[11] = ArmVdPeriod;
  arms[12] = ArmVdAgentPeriod;
  arms[13] = ArmVdMobil;
  arms[14] = ArmVdClosedSmena;
  arms[15] = ArmVdAgentClosedSmena;
  arms[16] = ArmVdCurSmena;
  arms[17] = ArmVdAgentCurSmena;
  arms[18] = ArmBackCardCurSmena;
  arms[19] = ArmBackCardClosedSmena;
  arms[21] = ArmAktVozvrClosedSmena;
  arms[22] = ArmAktVozvrCurSmena;
  arms[25] = ArmBNEClosedSmena;
  arms[26] = ArmBNECurSmena;
  arms[31] = ArmSink;
  arms['"'] = ArmBackChecks;
  arms['#'] = RunExtendedArm;
  arms['-'] = ArmSmenaReport;
  arms['.'] = ArmCouponClosedSmena;
  arms['/'] = ArmCouponCurSmena;
  arms['4'] = ArmCardReport;
  arms['5'] = ArmVdDriver;
  return arms;
}();

}  // namespace

TArmResult RunReportArm(char code, TArmRequest& r) {
  const auto ordinal = static_cast<unsigned char>(code);
  if (ordinal >= kArms.size() || kArms[ordinal] == nullptr) return TArmResult::NoArm;
  return kArms[ordinal](r);
}

}  // namespace tv
