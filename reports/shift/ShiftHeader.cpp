// The header and footer sections of the close-of-shift report, and the
// shift-range variables that the dispenser section's form prints too.
#include <memory>

#include "engines/HTMLJet.h"
#include "engines/RepGen.h"
#include "library/OrgRequisites.h"
#include "library/ReportRoutines.h"
#include "platform/text/Cp1251.h"
#include "platform/SysUtils.h"
#include "reports/shift/CloseSmenaRep.h"
#include "reports/shift/ShiftForms.h"

namespace tv {

void TCloseSmenaRep::SetShiftVars(TRepGen& rep, THTML_Jet* jet) {
  const std::string smNum = SmenaFrom == SmenaTo ? IntToStr(SmenaFrom)
                                                 : IntToStr(SmenaFrom) + " - " + IntToStr(SmenaTo);
  rep.SetVar("SmNum", smNum);
  if (jet != nullptr) jet->Add("SmNum", smNum);
  const TDateTime now = Now();
  rep.SetVar("Date", FormatDateTime("dd.mm.yy", now));
  if (jet != nullptr) jet->AddDateTime("Date", "dd.mm.yy", now);
  rep.SetVar("DateT", FormatDateTime("hh:nn", now));
  if (jet != nullptr) jet->AddDateTime("DateT", "hh:nn", now);
  static constexpr const char* TimeFormats[3] = {"dd.mm.yy", "hh:nn", "dd.mm.yyyy hh:nn"};
  if (SmLog->Locate("SmNum", Variant(SmenaFrom))) {
    const TDateTime beg = SmLog->FieldByName("BegTime").AsDateTime();
    static constexpr const char* Names[3] = {"Beg", "BegT", "BegTime"};
    for (int i = 0; i < 3; ++i) rep.SetVar(Names[i], FormatDateTime(TimeFormats[i], beg));
    if (jet != nullptr)
      for (int i = 0; i < 3; ++i) jet->AddDateTime(Names[i], TimeFormats[i], beg);
    if (SmenaFrom == SmenaTo) {
      for (const char* name : {"Operator", "Operator2", "Operator3"}) {
        const std::string value = SmLog->FieldByName(name).AsString();
        rep.SetVar(name, value);
        if (jet != nullptr) jet->Add(name, value);
      }
    }
  }
  static constexpr const char* EndNames[3] = {"End", "EndT", "EndTime"};
  if (OpenSmena) {
    const std::string open = "не закрыта"_w;
    const std::string texts[3] = {open, "", open};
    for (int i = 0; i < 3; ++i) rep.SetVar(EndNames[i], texts[i]);
    if (jet != nullptr)
      for (int i = 0; i < 3; ++i) jet->AddDateTime(EndNames[i], texts[i], -1);
  } else if (SmLog->Locate("SmNum", Variant(SmenaTo))) {
    const TDateTime end = SmLog->FieldByName("EndTime").AsDateTime();
    for (int i = 0; i < 3; ++i) rep.SetVar(EndNames[i], FormatDateTime(TimeFormats[i], end));
    if (jet != nullptr)
      for (int i = 0; i < 3; ++i) jet->AddDateTime(EndNames[i], TimeFormats[i], end);
  }
}

void TCloseSmenaRep::BuildHeaderOrFooter(const std::string& formName,
                                         const std::string& htmlName, std::string& text,
                                         bool header) {
  try {
    const std::string form =
        FindShiftForm(formName.empty() ? (header ? "SmenaBeg.FRM" : "SmenaEnd.FRM") : formName);
    {
      TFileRepGen rep(form, TempFileName, true, 0, 1);
      THTML_Jet jet(GetWebFormFileName(htmlName), false, 0);
      jet.Init();
      SetShiftVars(rep, &jet);
      PutOrgRequisites(&rep, &jet, KKMIndex);
      rep.EndReport();
      if (header) jet.EndOGroup();
      AppendHtml(jet);
    }
    text = RepGen::ReadFileText(TempFileName);
  } catch (const std::exception& e) {
    SectionFailed(header ? "Ошибка при формировании заголовка сменного отчета: "_w
                         : "Ошибка при формировании подвала сменного отчета: "_w,
                  e, text);
  }
}

void TCloseSmenaRep::BuildHeader(const std::string& formName, const std::string& htmlName,
                                 std::string& text) {
  BuildHeaderOrFooter(formName, htmlName, text, true);
}

void TCloseSmenaRep::BuildFooter(const std::string& formName, const std::string& htmlName,
                                 std::string& text) {
  BuildHeaderOrFooter(formName, htmlName, text, false);
}

}  // namespace tv
