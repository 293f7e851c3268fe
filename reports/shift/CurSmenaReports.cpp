#include "reports/shift/CurSmenaReports.h"

#include "library/HostCallbacks.h"
#include "library/ReportBuilders.h"
#include "platform/text/DateTime.h"
#include "platform/SysUtils.h"

namespace tv {

namespace {

// The open shift as the host sees it, asked in the order the host expects.
struct TOpenShift {
  TDateTime Begin;
  std::string Operator;
  int Number;
};

TOpenShift AskOpenShift() {
  TOpenShift shift;
  shift.Begin = AskHost(hcSmenaBegTime).AsDateTime();
  shift.Operator = AskHost(hcOperator).AsString();
  shift.Number = AskHost(hcSmenaNum).AsInteger();
  return shift;
}

}  // namespace

void GetCurSmenaAgentReport(TReportCreator& creator, const std::string& agent,
                            const Variant& paySel, bool switch1, bool switch2, bool switch3,
                            const Variant& payCodes, std::string& text) {
  const TOpenShift shift = AskOpenShift();
  // The argument after the switches is a text that no caller fills.
  Routed(ReportBuilders.MakeVdAgentReport, "MakeVdAgentReport")(
      creator, agent, IntToStr(shift.Number), shift.Begin, Now(), shift.Operator, paySel, 2,
      switch1, switch2, switch3, "", payCodes, text);
}

void GetCurSmenaBackCardReport(TReportCreator& creator, std::string& text) {
  const TOpenShift shift = AskOpenShift();
  const int shiftTo = AskHost(hcSmenaNum).AsInteger();
  Routed(ReportBuilders.MakeBackCardReport, "MakeBackCardReport")(
      creator, shift.Number, false, shift.Begin, Now(), shift.Operator, shiftTo, "", "", text);
}

void GetCurSmenaBNEReport(TReportCreator& creator, const Variant& param1, const Variant& param2,
                          std::string& text) {
  const TOpenShift shift = AskOpenShift();
  Routed(ReportBuilders.MakeBNEReport, "MakeBNEReport")(
      creator, IntToStr(shift.Number), shift.Operator, shift.Begin, Now(), 2, param1, param2, text);
}

}  // namespace tv
