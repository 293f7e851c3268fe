// The small sections of the close-of-shift report (kinds 13 to 17): each
// hands the report's shift range and period to a builder that is also a
// report of its own and collects its text and HTML. The builders are
// reached through the dispatcher's slots only.
#include "library/ReportBuilders.h"
#include "library/ReportCreator.h"
#include "platform/text/Cp1251.h"
#include "platform/SysUtils.h"
#include "reports/shift/CloseSmenaRep.h"
#include "reports/shift/CurSmenaReports.h"

namespace tv {

std::string TCloseSmenaRep::RangeOperator() const {
  if (SmenaFrom != SmenaTo || !SmLog->Locate("SmNum", Variant(SmenaFrom))) return {};
  return SmLog->FieldByName("Operator").AsString();
}

// The cash-register report raises nothing: its failure comes back as the
// section text with the HTML fragment. What else fails here reaches the
// section dispatcher.
void TCloseSmenaRep::BuildFinKKMSection(const std::string& formName, const std::string& htmlName,
                                        std::string& text) {
  std::string html;
  Routed(ReportBuilders.GetFinKKMReport, "GetFinKKMReport")(
      *Creator, *SmLog, *SiloVO, OfficeReportsType(), BegTime, EndTime, TovarPath, TempFileName,
      *TovarDepList, formName, htmlName, html, text);
  HtmlText += html;
}

void TCloseSmenaRep::BuildUnmadeReturnsSection(const std::string& formName,
                                               const std::string& htmlName, std::string& text) {
  try {
    Routed(ReportBuilders.MakeBackCardReport, "MakeBackCardReport")(
        *Creator, SmenaFrom, true, BegTime, EndTime, RangeOperator(), SmenaTo, formName, htmlName,
        text);
    HtmlText += LastHTMLReport.Text();
  } catch (const std::exception& e) {
    SectionFailed(
        "Ошибка при формировании сменного отчета по непроизведенным возвратам на терминал: "_w, e,
        text);
  }
}

// The statements always use the builder's own form and template.
void TCloseSmenaRep::BuildStatementsSection(const std::string&, const std::string&,
                                            std::string& text) {
  try {
    Routed(ReportBuilders.MakeVdPeriodReport, "MakeVdPeriodReport")(
        *Creator, IntToStr(SmenaFrom), RangeOperator(), BegTime, EndTime, -1, IntToStr(SmenaTo),
        PayTypeSel, "", "", "", PayTypeCodes, text);
    HtmlText += LastHTMLReport.Text();
  } catch (const std::exception& e) {
    SectionFailed("Ошибка при формировании сменного отчета по ведомостям: "_w, e, text);
  }
}

// The selections and switches come from the station's registry; the
// builder's own form and template are used.
void TCloseSmenaRep::BuildBonusSection(const std::string&, const std::string&, std::string& text) {
  try {
    bool nullStr = false;
    bool allVO = false;
    Variant payTypes;
    ReadBonusRepSettings(nullStr, allVO, payTypes);
    bool showGsmItog = true;
    bool showSubVidoplItog = true;
    ReadBonusShowSwitches(showGsmItog, showSubVidoplItog);
    Routed(ReportBuilders.BuildBonusReport, "BuildBonusReport")(
        *Creator, SmenaFrom, payTypes, nullStr, SmenaTo, showGsmItog, showSubVidoplItog, allVO,
        Variant(), text);
    HtmlText += LastHTMLReport.Text();
  } catch (const std::exception& e) {
    SectionFailed("Ошибка при формировании отчета по бонусам и скидкам: "_w, e, text);
  }
}

// HTML only: the text version is one blank, unless an error text takes its
// place. The form name does not apply.
void TCloseSmenaRep::BuildRebootSection(const std::string&, const std::string& htmlName,
                                        std::string& text) {
  text.assign(1, ' ');
  try {
    std::string html;
    Routed(ReportBuilders.MakeResetTrkReports, "MakeResetTrkReports")(
        *Creator, SmenaFrom, SmenaTo, BegTime, EndTime, htmlName, html);
    HtmlText += html;
  } catch (const std::exception& e) {
    SectionFailed("Ошибка при формировании отчета \"Информация по перезагрузкам\": "_w, e, text);
  }
}

}  // namespace tv
